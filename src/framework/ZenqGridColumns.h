#pragma once
// Column layouts of data grids in the user's settings (the registry helpers of the grids). Stored as
// text under a registry-style key like the other settings (ZenqRegistry.h). Thread-safe.
//
// Format of the value: one entry per column in display order, "field:width:visible" joined with ";",
// e.g. "SAMPLENAME_:150:1;APPNAME_:150:0". The field name is percent-encoded (so ":" and ";" in a name
// survive), the width is in pixels, visible is 1 or 0.
#include <QList>
#include <QString>

// One column of a grid: the database field it shows, its width and whether it is shown.
struct TZenqGridColumn
{
    QString fieldName;
    int width = 0;
    bool visible = true;

    friend bool operator==(const TZenqGridColumn &, const TZenqGridColumn &) = default;
};
using TZenqGridColumns = QList<TZenqGridColumn>;

// The stored text of a layout, and back. Parsing fails (false, `columns` untouched) on an empty text or
// any malformed entry: a damaged value is ignored as a whole rather than half applied.
QString ZenqGridColumnsToText(const TZenqGridColumns &columns);
bool ZenqGridColumnsFromText(const QString &text, TZenqGridColumns &columns);

// The layout stored under `valueName` exactly as given (the service manager passes "#" + grid name).
// False, `columns` untouched, when none or a malformed one is stored.
bool JGetUserRegistryDBGridColumns(const QString &key, const QString &valueName, TZenqGridColumns &columns);
void JSetUserRegistryDBGridColumns(const QString &key, const QString &valueName, const TZenqGridColumns &columns);
// The layout stored under the grid's name alone (kept while the window is closed).
bool JGetRegistryDBGridColumns(const QString &key, const QString &gridName, TZenqGridColumns &columns);
void JSetRegistryDBGridColumns(const QString &key, const QString &gridName, const TZenqGridColumns &columns);
