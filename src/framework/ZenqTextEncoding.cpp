#include "ZenqTextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

bool looksLikeUtf16LE(const QByteArray &bytes)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return false;
    const qsizetype probe = std::min<qsizetype>(bytes.size(), 512);
    qsizetype zeroHigh = 0;
    for (qsizetype i = 1; i < probe; i += 2)
        zeroHigh += bytes.at(i) == '\0';
    return zeroHigh * 2 >= probe / 2; // at least half of the probed characters are Latin-1
}

} // namespace

QString ZenqDecodeText(const QByteArray &bytes, int options, int *encoding)
{
    int found = ZenqEncodingAnsi;
    qsizetype skip = 0;
    if ((options & ZenqLoadHonourBom) && bytes.startsWith("\xFF\xFE")) {
        found = ZenqEncodingUtf16LE;
        skip = 2;
    } else if ((options & ZenqLoadHonourBom) && bytes.startsWith(UTF8Header)) {
        found = ZenqEncodingUtf8;
        skip = 3;
    } else if ((options & ZenqLoadGuessUtf16) && looksLikeUtf16LE(bytes)) {
        found = ZenqEncodingUtf16LE;
    } else if (options & ZenqLoadDefaultUtf8) {
        found = ZenqEncodingUtf8;
    }
    if (encoding)
        *encoding = found;
    const QByteArrayView body(bytes.constData() + skip, bytes.size() - skip);
    switch (found) {
    case ZenqEncodingUtf16LE: {
        QStringDecoder decoder(QStringConverter::Utf16LE);
        return decoder.decode(body);
    }
    case ZenqEncodingUtf8:
        return QString::fromUtf8(body);
    default:
        return JAnsiToWide(body.toByteArray());
    }
}

QByteArray ZenqEncodeText(const QString &text, int encoding)
{
    switch (encoding) {
    case ZenqEncodingUtf16LE: {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return encoder.encode(text);
    }
    case ZenqEncodingUtf8:
        return text.toUtf8();
    default:
        return JWideToAnsi(text);
    }
}

QByteArray ZenqByteOrderMark(int encoding)
{
    switch (encoding) {
    case ZenqEncodingUtf16LE:
        return QByteArrayLiteral("\xFF\xFE");
    case ZenqEncodingUtf8:
        return UTF8Header;
    default:
        return {};
    }
}

QString JAnsiToWide(const QByteArray &ansi)
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(ansi);
}

QByteArray JWideToAnsi(const QString &text)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}
