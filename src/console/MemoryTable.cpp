#include "MemoryTable.h"

#include "framework/ZenqClock.h"
#include "framework/ZenqProcessInfo.h"
#include "framework/ZenqTextFormat.h"
#include "framework/ZenqTraceConstants.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QChar Marker = QLatin1Char('*');
const QChar Blank = QLatin1Char(' ');
const QChar ModuleKeyEnd = QLatin1Char('|');

// The module key of a report, or an empty text when it has none. The key stands between the marker
// column (character 1) and the first "|" at character k: characters 2 to k-1, counted from 1.
QString moduleKey(const QString &payload, qsizetype *barIndex)
{
    const qsizetype bar = payload.indexOf(ModuleKeyEnd);
    *barIndex = bar;
    return bar > 1 ? payload.mid(1, bar - 1) : QString();
}

// The row as filed: the "|" opens a column like any other, the first character marks the change.
QString markedRow(QString payload, qsizetype barIndex)
{
    payload[barIndex] = Blank;
    payload[0] = Marker;
    return payload;
}

// Case-insensitive by upper-casing ASCII letters only, then ordinal, so the order does not depend on
// the locale.
QString asciiUpper(QString text)
{
    for (QChar &c : text)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    return text;
}

QString sortKey(const QString &row)
{
    return asciiUpper(JPad(JWTrim(row.mid(1)), 33, true));
}

QString kibibytes(quint64 bytes)
{
    return JIntToStrDec(static_cast<qint64>(bytes / 1024)) + QStringLiteral(" K");
}

// Right-aligned under its column title. A figure as wide as its column or wider (the 128 TiB address
// space of a 64-bit process) keeps one blank before it, so neighbouring figures never run together.
QString column(const QString &field, int width)
{
    return field.size() < width ? JPad(field, width, true) : Blank + field;
}

QString statusRow(const platform::MemoryStatus &status)
{
    return column(QString::number(status.memoryLoadPercent) + QStringLiteral(" %"), 12)
        + column(kibibytes(status.totalPhysical), 13) + column(kibibytes(status.availablePhysical), 15)
        + column(kibibytes(status.totalVirtual), 14) + column(kibibytes(status.availableVirtual), 15)
        + column(kibibytes(status.totalPageFile), 18) + column(kibibytes(status.availablePageFile), 19);
}

qint64 millisecondsOrZero(const QString &item)
{
    bool ok = false;
    const qint64 value = item.toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace

// One redraw per operation: nested operations (a first report refreshing the status) share the
// outermost scope, and closing it sorts and notifies even when the operation failed.
class MemoryTable::UpdateScope
{
public:
    explicit UpdateScope(MemoryTable &table) : m_table(table) { ++m_table.m_updateDepth; }
    ~UpdateScope()
    {
        if (--m_table.m_updateDepth > 0)
            return;
        m_table.sortRows();
        if (m_table.m_changed)
            m_table.m_changed();
    }
    UpdateScope(const UpdateScope &) = delete;
    UpdateScope &operator=(const UpdateScope &) = delete;

private:
    MemoryTable &m_table;
};

MemoryTable::MemoryTable(const TraceOptions &options, TraceLineSink traceLine)
    : m_options(options)
    , m_traceLine(std::move(traceLine))
    , m_memoryStatus(&platform::memoryStatus)
    , m_cpuUsage(&GetCPUUsage)
{
}

void MemoryTable::setChangedCallback(std::function<void()> changed)
{
    m_changed = std::move(changed);
}

void MemoryTable::setMemoryStatusSource(std::function<platform::MemoryStatus()> source)
{
    m_memoryStatus = std::move(source);
}

void MemoryTable::setCpuUsageSource(std::function<int()> source)
{
    m_cpuUsage = std::move(source);
}

void MemoryTable::clearMarkerResetFlag()
{
    m_markersReset = false;
}

QString MemoryTable::text() const
{
    return m_rows.join(QLatin1Char('\n'));
}

void MemoryTable::ResetRowMarkers()
{
    const UpdateScope update(*this);
    if (m_markersReset)
        return;
    m_markersReset = true;
    for (QString &row : m_rows)
        if (!row.isEmpty() && row.at(0) != Blank)
            row[0] = Blank;
}

void MemoryTable::RefreshMemoryStatus()
{
    const UpdateScope update(*this);
    const platform::MemoryStatus status = m_memoryStatus();
    if (m_rows.isEmpty()) {
        m_rows = { StatusHeaderRow, QStringLiteral(" "), QStringLiteral(" "), ModuleHeaderRow };
        m_rowTimes = QList<quint32>(FixedRowCount, 0);
    }
    QString row = statusRow(status);
    ResetRowMarkers();
    if (QStringView(row).mid(1) != QStringView(m_rows.at(1)).mid(1))
        row[0] = Marker;
    m_rows[1] = row;
}

void MemoryTable::UpdateModuleRow(const QString &payload)
{
    copyServerReportToTrace(payload);
    qsizetype bar = -1;
    const QString key = moduleKey(payload, &bar);
    if (bar < 0)
        return;

    const UpdateScope update(*this);
    const QString row = markedRow(payload, bar);
    ResetRowMarkers();
    // An empty key is contained in every row but names no module.
    if (!key.isEmpty()) {
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            if (m_rows.at(i).contains(key)) {
                m_rows[i] = row;
                m_rowTimes[i] = GetTickCount();
                return;
            }
        }
    }
    if (m_rows.isEmpty())
        RefreshMemoryStatus();
    m_rows.append(row);
    m_rowTimes.append(GetTickCount());
}

void MemoryTable::RemoveModuleRow(const QString &payload)
{
    copyServerReportToTrace(payload);
    qsizetype bar = -1;
    const QString key = JWTrim(moduleKey(payload, &bar));
    if (bar < 0)
        return;

    const UpdateScope update(*this);
    if (key.isEmpty())
        return;
    static const QString wordDelimiters = QStringLiteral(" \t\r\n*");
    for (qsizetype i = m_rows.size() - 1; i >= FixedRowCount; --i)
        if (JGetFirstWordW(m_rows.at(i), wordDelimiters).compare(key, Qt::CaseInsensitive) == 0)
            removeRow(i);
}

void MemoryTable::PurgeStaleModuleRows()
{
    const UpdateScope update(*this);
    const quint32 now = GetTickCount();
    for (qsizetype i = m_rows.size() - 1; i >= FixedRowCount; --i) {
        const quint32 reported = m_rowTimes.at(i);
        if (reported != 0 && ZenqTicksSince(reported, now) > StaleAfterMs)
            removeRow(i);
    }
}

void MemoryTable::SortModuleRows()
{
    // Closing the update sorts; called alone this is one sort and one notification.
    const UpdateScope update(*this);
}

void MemoryTable::FormatRequestStatistics(const QString &line)
{
    const qsizetype command = line.indexOf(_wZenqConsoleCommand_NoOfRequests);
    const QString counts = command < 0 ? line : line.mid(command + _wZenqConsoleCommand_NoOfRequests.size());
    const QStringList items = JStrToStringListBetter(JWTrim(counts));

    QString text = QStringLiteral("# of actual requests: ") + items.value(0) + QStringLiteral("  -  ")
        + QStringLiteral("# of requests today: ") + items.value(1) + QStringLiteral("  -  ")
        + QStringLiteral("# of requests since systemstart: ") + items.value(2);

    QString cpu;
    if (items.size() >= 4) {
        cpu = items.at(3);
    } else if (const int usage = m_cpuUsage(); usage != 0) {
        cpu = QString::number(usage) + QLatin1Char('%');
    }
    if (!cpu.isEmpty())
        text += QStringLiteral("  -  CPU Usage: ") + cpu;

    static const QString timeLabels[] = { QStringLiteral("Used time: "), QStringLiteral("SQL-Time: "),
                                          QStringLiteral("SXT-Time: ") };
    for (qsizetype i = 4; i < 7 && i < items.size(); ++i)
        text += QStringLiteral(" - ") + ZenqTimeInMSecToTimeStr(timeLabels[i - 4], QString(), millisecondsOrZero(items.at(i)));
    for (qsizetype i = 7; i < items.size(); ++i)
        text += QLatin1Char(' ') + items.at(i);

    m_traceLine(text);
}

void MemoryTable::copyServerReportToTrace(const QString &payload)
{
    if (m_options.memoryInfoEnabled && m_options.memoryInfoChecked && payload.contains(QStringLiteral("Server-")))
        m_traceLine(payload);
}

void MemoryTable::removeRow(qsizetype row)
{
    m_rows.removeAt(row);
    m_rowTimes.removeAt(row);
}

void MemoryTable::sortRows()
{
    if (m_rows.size() <= FixedRowCount)
        return;
    struct ModuleRow
    {
        QString key;
        QString row;
        quint32 time;
    };
    std::vector<ModuleRow> moduleRows;
    moduleRows.reserve(static_cast<size_t>(m_rows.size() - FixedRowCount));
    for (qsizetype i = FixedRowCount; i < m_rows.size(); ++i)
        moduleRows.push_back({ sortKey(m_rows.at(i)), m_rows.at(i), m_rowTimes.at(i) });
    std::stable_sort(moduleRows.begin(), moduleRows.end(),
                     [](const ModuleRow &a, const ModuleRow &b) { return a.key < b.key; });

    m_rows.resize(FixedRowCount);
    m_rowTimes = QList<quint32>(FixedRowCount, 0);
    for (ModuleRow &moduleRow : moduleRows) {
        m_rows.append(std::move(moduleRow.row));
        m_rowTimes.append(moduleRow.time);
    }
}
