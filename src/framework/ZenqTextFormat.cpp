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

QString TimeString(qint64 milliseconds, const QString &prefix, const QString &suffix)
{
    const qint64 ms = milliseconds < 0 ? 0 : milliseconds;
    QString body;
    if (ms < 1000)
        body = QStringLiteral("%1 ms").arg(ms);
    else if (ms < 60000)
        body = QStringLiteral("%1.%2 s").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
    else if (ms < 3600000)
        body = QStringLiteral("%1:%2.%3 m")
                   .arg(ms / 60000)
                   .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                   .arg(ms % 1000, 3, 10, QLatin1Char('0'));
    else
        body = QStringLiteral("%1:%2:%3.%4 h")
                   .arg(ms / 3600000)
                   .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                   .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                   .arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return prefix + body + suffix;
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
