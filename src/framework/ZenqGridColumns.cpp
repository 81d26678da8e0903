#include "ZenqGridColumns.h"

#include "ZenqRegistry.h"

#include <QUrl>

QString ZenqGridColumnsToText(const TZenqGridColumns &columns)
{
    QStringList entries;
    entries.reserve(columns.size());
    for (const TZenqGridColumn &column : columns)
        // Concatenated, not arg(): an encoded name holds "%3A", which arg() would take for a placeholder.
        entries << QString::fromLatin1(QUrl::toPercentEncoding(column.fieldName)) + QLatin1Char(':')
                       + QString::number(qMax(0, column.width)) + QLatin1Char(':')
                       + QLatin1Char(column.visible ? '1' : '0');
    return entries.join(QLatin1Char(';'));
}

bool ZenqGridColumnsFromText(const QString &text, TZenqGridColumns &columns)
{
    if (text.trimmed().isEmpty())
        return false;
    TZenqGridColumns parsed;
    const QStringList entries = text.split(QLatin1Char(';'));
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.size() != 3)
            return false;
        TZenqGridColumn column;
        column.fieldName = QUrl::fromPercentEncoding(parts.at(0).trimmed().toLatin1());
        bool ok = false;
        column.width = parts.at(1).trimmed().toInt(&ok);
        if (!ok || column.width < 0 || column.fieldName.isEmpty())
            return false;
        const QString visible = parts.at(2).trimmed();
        if (visible != QLatin1String("0") && visible != QLatin1String("1"))
            return false;
        column.visible = visible == QLatin1String("1");
        parsed << column;
    }
    columns = parsed;
    return true;
}

bool JGetUserRegistryDBGridColumns(const QString &key, const QString &valueName, TZenqGridColumns &columns)
{
    return ZenqGridColumnsFromText(JGetRegistryString(key, valueName), columns);
}

void JSetUserRegistryDBGridColumns(const QString &key, const QString &valueName, const TZenqGridColumns &columns)
{
    JSetRegistryString(key, valueName, ZenqGridColumnsToText(columns));
}

bool JGetRegistryDBGridColumns(const QString &key, const QString &gridName, TZenqGridColumns &columns)
{
    return JGetUserRegistryDBGridColumns(key, gridName, columns);
}

void JSetRegistryDBGridColumns(const QString &key, const QString &gridName, const TZenqGridColumns &columns)
{
    JSetUserRegistryDBGridColumns(key, gridName, columns);
}
