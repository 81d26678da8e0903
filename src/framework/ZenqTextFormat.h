#pragma once
// Text helpers of the framework library that the console's tables and trace lines rely on.
// Pure functions; thread-safe.
#include <QString>
#include <QStringList>

// Pads `text` with `padChar` to `width` characters: on the left (right-aligned) when `padLeft`, else on
// the right. A longer text is returned whole, never cut.
QString JPad(const QString &text, int width, bool padLeft, QChar padChar = QLatin1Char(' '));

// A whole number with "." between groups of three digits ("16.384.512").
QString JIntToStrDec(qint64 value);

// A duration of milliseconds in the largest fitting unit, with the prefix before and the suffix
// behind: "12 ms", "1.234 s", "2:03.456 m", "1:02:03.456 h".
QString TimeString(qint64 milliseconds, const QString &prefix, const QString &suffix);
QString ZenqTimeInMSecToTimeStr(const QString &prefix, const QString &suffix, qint64 milliseconds);

// True when the text from the 1-based position on holds only white space (also when it is empty there).
bool JIsWhiteW(QStringView text, int position = 1);

// Trims `c` from both ends.
QString JWTrim(const QString &text, QChar c = QLatin1Char(' '));
// Trims blanks at both ends and splits at runs of blanks.
QStringList JStrToStringListBetter(const QString &text);
// The first word of a text: the characters before the first of the delimiters, leading delimiters
// skipped.
QString JGetFirstWordW(const QString &text, const QString &delimiters);

// 1-based position of the first occurrence of `needle` in `haystack` that stands as a whole identifier
// (the characters on both sides are not letters, digits or "_"); 0 when there is none or `needle` is empty.
int JPosIdentEx(QStringView needle, QStringView haystack);
