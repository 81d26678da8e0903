#pragma once
// The rows of the memory-consumption panel: the machine's memory status and one row per framework
// module as the modules report it, filed, marked, sorted and expired. UI thread; not thread-safe.
#include "console/TraceOptions.h"
#include "platform/MemoryStatus.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class MemoryTable
{
public:
    // Fixed rows 0 to 3; module rows follow from row 4 on.
    static inline const QString StatusHeaderRow = QStringLiteral(
        " Memory Load  Total Phys.   Avail. Phys.   Total Virt.   Avail. Virt.   Total Page File   Avail. Page File");
    static inline const QString ModuleHeaderRow = QStringLiteral(
        "               Module(ProcessID)  ThreadID  #Blocks  Allocated  Committed  Working set  Virt. memory          Time");
    static constexpr qsizetype FixedRowCount = 4;
    // A module row not reported for longer than this many milliseconds is purged.
    static constexpr quint32 StaleAfterMs = 30000;

    using TraceLineSink = std::function<void(const QString &line)>;

    // `options` is read at every call and must outlive the table; `traceLine` hands a line to the trace
    // processing with its current location.
    MemoryTable(const TraceOptions &options, TraceLineSink traceLine);
    MemoryTable(const MemoryTable &) = delete;
    MemoryTable &operator=(const MemoryTable &) = delete;

    // Called once after every operation that reached the table, also when it failed; must not throw.
    void setChangedCallback(std::function<void()> changed);
    // Replace where the status row and the processor load come from (defaults: the machine's).
    void setMemoryStatusSource(std::function<platform::MemoryStatus()> source);
    void setCpuUsageSource(std::function<int()> source);

    // A new take-up pass begins: the next table change clears the markers of the previous one.
    void clearMarkerResetFlag();

    // Creates the fixed rows if the table is empty and renews the status row, marked when it changed.
    void RefreshMemoryStatus();
    // Files a module report (payload: marker column, module key, "|", figures) in place of the row that
    // contains its key, or as a new row; a payload without "|" changes nothing.
    void UpdateModuleRow(const QString &payload);
    // Removes the module rows whose first word equals the reported key, ignoring case.
    void RemoveModuleRow(const QString &payload);
    // Removes module rows not reported for more than StaleAfterMs; a row time of 0 never expires.
    void PurgeStaleModuleRows();
    // Blanks all markers, once per take-up pass.
    void ResetRowMarkers();
    // Orders the module rows case-insensitively with their times; rows 0 to 3 stay.
    void SortModuleRows();
    // Turns a request-statistics command line into a readable trace line; the table is not touched.
    void FormatRequestStatistics(const QString &line);

    const QStringList &rows() const { return m_rows; }
    // Tick count of each row's last report, parallel to rows(); 0 for the fixed rows.
    const QList<quint32> &rowTimes() const { return m_rowTimes; }
    // The panel's text: the rows joined by "\n".
    QString text() const;

private:
    class UpdateScope;

    void copyServerReportToTrace(const QString &payload);
    void removeRow(qsizetype row);
    void sortRows();

    const TraceOptions &m_options;
    TraceLineSink m_traceLine;
    std::function<void()> m_changed;
    std::function<platform::MemoryStatus()> m_memoryStatus;
    std::function<int()> m_cpuUsage;

    QStringList m_rows;
    QList<quint32> m_rowTimes;
    bool m_markersReset = false;
    int m_updateDepth = 0;
};
