#include "ZenqXmlFile.h"

#include "ZenqCrypt.h"
#include "ZenqFiles.h"
#include "ZenqTextEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

ZenqTextChangeOptions ZenqTextChangeOptionsFromByte(int byteValue)
{
    return ZenqTextChangeOptions::fromInt(byteValue & 0x1F);
}

namespace {

bool readBytes(const QString &file, QByteArray &bytes, QString *error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(file, input.errorString());
        return false;
    }
    bytes = input.readAll();
    return true;
}

int typeOfBytes(const QByteArray &bytes)
{
    if (ZenqIsEncryptedContent(bytes))
        return ZenqXMLFileEncrypted;
    if (bytes.startsWith("\xFF\xFE"))
        return ZenqXMLFileUtf16;
    if (bytes.startsWith(UTF8Header))
        return ZenqXMLFileUtf8Bom;
    const QByteArray head = bytes.left(256).trimmed();
    return head.startsWith('<') ? ZenqXMLFilePlain : ZenqXMLFileUnknown;
}

bool isIdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

int JGetTypeOfXMLFile(const QString &file)
{
    if (!JFileExists(file))
        return ZenqXMLFileMissing;
    QByteArray bytes;
    if (!readBytes(file, bytes, nullptr))
        return ZenqXMLFileUnknown;
    return typeOfBytes(bytes);
}

bool JLoadFromXMLFile(const QString &file, const QString &key, int securityLevel, QString &text, int *fileType,
                      QString *error)
{
    QByteArray bytes;
    if (!JFileExists(file)) {
        if (error)
            *error = QStringLiteral("File not found: %1").arg(file);
        if (fileType)
            *fileType = ZenqXMLFileMissing;
        return false;
    }
    if (!readBytes(file, bytes, error))
        return false;
    const int type = typeOfBytes(bytes);
    if (fileType)
        *fileType = type;
    if (type == ZenqXMLFileEncrypted) {
        QString reason;
        if (!JDECRYPT_Bytes(bytes, key, securityLevel, &text, &reason)) {
            if (error)
                *error = QStringLiteral("Cannot decrypt %1: %2").arg(file, reason);
            return false;
        }
        return true;
    }
    text = ZenqDecodeText(bytes, ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
    return true;
}

bool JSaveToXMLFile(const QString &file, const QString &text, const QString &key, int securityLevel, int fileType,
                    QString *error)
{
    QByteArray bytes;
    switch (fileType) {
    case ZenqXMLFileEncrypted:
        bytes = JCRYPT_PChar(text, key, securityLevel);
        break;
    case ZenqXMLFileUtf16:
        bytes = ZenqByteOrderMark(ZenqEncodingUtf16LE) + ZenqEncodeText(text, ZenqEncodingUtf16LE);
        break;
    case ZenqXMLFileUtf8Bom:
        bytes = UTF8Header + text.toUtf8();
        break;
    default:
        bytes = text.toUtf8();
        break;
    }
    return JSaveBytesAtomically(file, bytes, error);
}

QString ZenqReplaceText(const QString &text, const QString &searched, const QString &replacement,
                        ZenqTextChangeOptions options, bool *changed)
{
    if (changed)
        *changed = false;
    if (searched.isEmpty())
        return text;
    const Qt::CaseSensitivity cs = options.testFlag(ZenqTextChangeOption::IgnoreCase) ? Qt::CaseInsensitive
                                                                                       : Qt::CaseSensitive;
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(searched, from, cs);
        if (at < 0)
            break;
        const qsizetype end = at + searched.size();
        if (options.testFlag(ZenqTextChangeOption::WholeIdentifier)) {
            const bool before = at > 0 && isIdentifierChar(text.at(at - 1)) && isIdentifierChar(searched.front());
            const bool after = end < text.size() && isIdentifierChar(text.at(end)) && isIdentifierChar(searched.back());
            if (before || after) {
                result += QStringView(text).mid(from, end - from);
                from = end;
                continue;
            }
        }
        result += QStringView(text).mid(from, at - from);
        result += replacement;
        from = end;
        if (changed)
            *changed = true;
        if (!options.testFlag(ZenqTextChangeOption::ReplaceAll))
            break;
    }
    result += QStringView(text).mid(from);
    return result;
}

bool JChangeXMLFile(const QString &file, const QString &key, int securityLevel, const QStringList &searched,
                    const QStringList &replacements, ZenqTextChangeOptions options, QString *error)
{
    if (!JFileExists(file)) {
        if (error)
            *error = QStringLiteral("File not found: %1").arg(file);
        return options.testFlag(ZenqTextChangeOption::MissingIsSuccess);
    }
    QString text;
    int type = ZenqXMLFilePlain;
    if (!JLoadFromXMLFile(file, key, securityLevel, text, &type, error))
        return false;
    bool anyChange = false;
    for (qsizetype i = 0; i < searched.size(); ++i) {
        bool changed = false;
        text = ZenqReplaceText(text, searched.at(i), replacements.value(i), options, &changed);
        anyChange = anyChange || changed;
    }
    if (!anyChange)
        return true;
    // Without KeepFileType an encrypted file comes back plain, as the original's option set says.
    const int writeType = options.testFlag(ZenqTextChangeOption::KeepFileType) || type != ZenqXMLFileEncrypted
        ? type
        : ZenqXMLFilePlain;
    return JSaveToXMLFile(file, text, key, securityLevel, writeType, error);
}

QString ZenqXmlEscapeAttribute(const QString &text)
{
    QString escaped = text.toHtmlEscaped(); // & < > "
    escaped.replace(QLatin1Char('\''), QStringLiteral("&apos;"));
    return escaped;
}

namespace {

// Character range [start, end) of the first start tag named `name`, found by a real XML parse so that
// names inside comments, texts or attribute values are never taken for the element.
bool findStartTag(const QString &text, const QString &name, qsizetype &start, qsizetype &end)
{
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name) {
            end = reader.characterOffset();
            // Attribute values cannot hold a raw "<", so the nearest one before the tag's end opens it.
            start = text.lastIndexOf(QLatin1Char('<'), end - 1);
            return start >= 0 && QStringView(text).mid(start + 1, name.size()) == name;
        }
    }
    return false;
}

} // namespace

bool JChangeXMLFileEx(const QString &file, const QString &key, int securityLevel, const QString &elementName,
                      const QString &value, bool *elementMissing, QString *error)
{
    if (elementMissing)
        *elementMissing = false;
    QString text;
    int type = ZenqXMLFilePlain;
    if (!JLoadFromXMLFile(file, key, securityLevel, text, &type, error))
        return false;
    qsizetype start = 0;
    qsizetype end = 0;
    if (!findStartTag(text, elementName, start, end)) {
        if (elementMissing)
            *elementMissing = true;
        return true;
    }
    const QString tag = text.mid(start, end - start);
    const QString newValue = QStringLiteral("Value=\"%1\"").arg(ZenqXmlEscapeAttribute(value));
    static const QRegularExpression valueAttribute(QStringLiteral("(\\sValue\\s*=\\s*)(\"[^\"]*\"|'[^']*')"));
    QString newTag = tag;
    const auto match = valueAttribute.match(tag);
    if (match.hasMatch()) {
        newTag.replace(match.capturedStart(0), match.capturedLength(0), QLatin1Char(' ') + newValue);
    } else {
        const qsizetype close = tag.endsWith(QLatin1String("/>")) ? tag.size() - 2 : tag.size() - 1;
        newTag.insert(close, QLatin1Char(' ') + newValue);
    }
    text.replace(start, end - start, newTag);
    return JSaveToXMLFile(file, text, key, securityLevel, type, error);
}
