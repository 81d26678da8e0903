#include "ZenqOptionMenus.h"

QString ValueCaption(QString &workingCaption, const QString &v)
{
    if (v.isEmpty())
        return v;
    const QString &text = workingCaption;
    const qsizetype n = text.size();
    for (qsizetype p = text.indexOf(v); p >= 0; p = text.indexOf(v, p + 1)) {
        const qsizetype q = p + v.size();
        if (q >= n || text.at(q) != QLatin1Char(' '))
            continue; // no blank behind this occurrence: try the next one
        qsizetype r = q;
        while (r < n && text.at(r) == QLatin1Char(' '))
            ++r;
        if (r >= n || text.at(r) != QLatin1Char('='))
            return v; // not a definition: the bare value
        const qsizetype s = r + 1;
        if (s >= n || text.at(s) != QLatin1Char(' '))
            continue;
        qsizetype t = s;
        while (t < n && text.at(t) == QLatin1Char(' '))
            ++t;
        qsizetype e = text.indexOf(QLatin1Char(';'), t);
        if (e < 0)
            e = n;
        const QString caption = text.mid(t, e - t);
        // The definition goes, with the blanks before it and the ";" and blanks behind it.
        qsizetype start = p;
        while (start > 0 && text.at(start - 1) == QLatin1Char(' '))
            --start;
        qsizetype end = e;
        if (end < n) {
            ++end;
            while (end < n && text.at(end) == QLatin1Char(' '))
                ++end;
        }
        workingCaption.remove(start, end - start);
        return caption;
    }
    return v;
}
