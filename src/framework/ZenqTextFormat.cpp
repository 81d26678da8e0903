#include "ZenqTextFormat.h"

QString JPad(const QString &text, int width, bool padLeft, QChar padChar)
{
    if (text.size() >= width)
        return text;
    const QString padding(width - text.size(), padChar);
    return padLeft ? padding + text : text + padding;
}

QString JIntToStrDec(qint64 value)
{
    const bool negative = value < 0;
    QString digits = QString::number(negative ? -static_cast<quint64>(value) : static_cast<quint64>(value));
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + digits : digits;
}

namespace {

// Appends the decimal digits of value, at least `width` of them.
void appendNumber(QString &out, qint64 value, int width = 1)
{
    char16_t digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0)
        out.append(QChar(digits[--n]));
}

} // namespace

QString TimeString(qint64 milliseconds, const QString &prefix, const QString &suffix)
{
    const qint64 ms = milliseconds < 0 ? 0 : milliseconds;
    QString out;
    out.reserve(prefix.size() + suffix.size() + 16);
    out.append(prefix);
    if (ms < 1000) {
        appendNumber(out, ms);
        out.append(u" ms");
    } else if (ms < 60000) {
        appendNumber(out, ms / 1000);
        out.append(QLatin1Char('.'));
        appendNumber(out, ms % 1000, 3);
        out.append(u" s");
    } else if (ms < 3600000) {
        appendNumber(out, ms / 60000);
        out.append(QLatin1Char(':'));
        appendNumber(out, ms / 1000 % 60, 2);
        out.append(QLatin1Char('.'));
        appendNumber(out, ms % 1000, 3);
        out.append(u" m");
    } else {
        appendNumber(out, ms / 3600000);
        out.append(QLatin1Char(':'));
        appendNumber(out, ms / 60000 % 60, 2);
        out.append(QLatin1Char(':'));
        appendNumber(out, ms / 1000 % 60, 2);
        out.append(QLatin1Char('.'));
        appendNumber(out, ms % 1000, 3);
        out.append(u" h");
    }
    out.append(suffix);
    return out;
}

QString ZenqTimeInMSecToTimeStr(const QString &prefix, const QString &suffix, qint64 milliseconds)
{
    return TimeString(milliseconds, prefix, suffix);
}

bool JIsWhiteW(QStringView text, int position)
{
    for (qsizetype i = qMax(position, 1) - 1; i < text.size(); ++i)
        if (!text.at(i).isSpace())
            return false;
    return true;
}

QString JWTrim(const QString &text, QChar c)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == c)
        ++start;
    while (end > start && text.at(end - 1) == c)
        --end;
    return text.mid(start, end - start);
}

QStringList JStrToStringListBetter(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString JGetFirstWordW(const QString &text, const QString &delimiters)
{
    qsizetype start = 0;
    while (start < text.size() && delimiters.contains(text.at(start)))
        ++start;
    qsizetype end = start;
    while (end < text.size() && !delimiters.contains(text.at(end)))
        ++end;
    return text.mid(start, end - start);
}

int JPosIdentEx(QStringView needle, QStringView haystack)
{
    if (needle.isEmpty())
        return 0;
    const auto identifierChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1)) {
        const qsizetype end = at + needle.size();
        if ((at == 0 || !identifierChar(haystack.at(at - 1)))
            && (end == haystack.size() || !identifierChar(haystack.at(end))))
            return static_cast<int>(at + 1);
    }
    return 0;
}
