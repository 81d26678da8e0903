#pragma once
// Text encodings of trace and configuration files, and the framework's byte-order constants.
// Pure functions; thread-safe.
#include <QByteArray>
#include <QString>

// Encoding codes as the framework's loader reports them.
enum ZenqTextEncoding : int {
    ZenqEncodingUtf16LE = 0,
    ZenqEncodingUtf8 = 1,
    ZenqEncodingAnsi = 2, // the system code page; any code other than 0 and 1 means this
};

// Option bits of the loader (JLoadFromFile / JLoadFromFileEx).
enum ZenqLoadOption : int {
    ZenqLoadHonourBom = 1 << 0,        // a byte-order mark decides the encoding
    ZenqLoadDefaultUtf8 = 1 << 1,      // without a mark: UTF-8
    ZenqLoadGuessUtf16 = 1 << 3,       // without a mark: UTF-16LE when the bytes look like it
};

inline const QByteArray UTF8Header = QByteArrayLiteral("\xEF\xBB\xBF");
inline const QString _wBOMs = QString(QChar(0xFEFF));
inline const QString _wCRs = QStringLiteral("\r");
inline const QString _wCRLFs = QStringLiteral("\r\n");
inline constexpr QChar _wEndchar = QChar(0);

// Decodes bytes by the option bits; reports the encoding that was used. The byte-order mark is not
// part of the text.
QString ZenqDecodeText(const QByteArray &bytes, int options, int *encoding = nullptr);
// Encodes text; any code other than 0 and 1 is the system code page. No byte-order mark.
QByteArray ZenqEncodeText(const QString &text, int encoding);
// The byte-order mark that starts a new file of the encoding (empty for the system code page).
QByteArray ZenqByteOrderMark(int encoding);
// 8-bit text of the system code page, widened and narrowed at the edges.
QString JAnsiToWide(const QByteArray &ansi);
QByteArray JWideToAnsi(const QString &text);
