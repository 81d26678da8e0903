#pragma once
// Takes the trace hand-over files of the three trace locations away as soon as they change: move to
// the working copy and load under the trace lock, delete, then cut the batch into lines. Owns the three
// trace-directory watches. UI thread only.
#include "TraceDisplay.h"
#include "TraceOptions.h"
#include "framework/ZenqLocks.h"
#include "framework/ZenqTypes.h"

#include <QObject>
#include <QSet>
#include <memory>
#include <vector>

class MemoryTable;
class TDirectoryWatch;
class TraceProcessor;

class TraceHandOverReader : public QObject
{
    Q_OBJECT
public:
    TraceHandOverReader(const TraceOptions &options, TraceProcessor &processor, TraceProcessorHost &host,
                        const ZenqMutexHandle &traceMutex, QObject *parent = nullptr);
    ~TraceHandOverReader() override;

    void setMemoryTable(MemoryTable *table) { m_memoryTable = table; }

    // Once, when trace reading starts: for locations 1, 0 and -1 take up what is waiting, then watch the
    // location's directory (1 and 0 only when the framework's directory exists). A directory that cannot
    // be watched is reported to the host's error display; the other watches keep working.
    void StartTraceReading();
    // Takes the hand-over file of one location away and processes its lines. Refused while another
    // take-up is busy; the refused location is taken up again as soon as the busy pass has ended.
    void ReadTraceHandOver(TraceLocation location);

    // The directory watched for a location, and whether its watch exists.
    static QString watchedDirectory(TraceLocation location);
    bool isWatching(TraceLocation location) const;
    bool busy() const { return m_busy; }

private:
    bool takeUp(TraceLocation location, QString &text);
    void refreshMemoryPanel();
    void scheduleRefusedTakeUps();

    const TraceOptions &m_options;
    TraceProcessor &m_processor;
    TraceProcessorHost &m_host;
    const ZenqMutexHandle &m_traceMutex; // opened and closed by the owner
    MemoryTable *m_memoryTable = nullptr;
    std::vector<std::pair<TraceLocation, TDirectoryWatch *>> m_watches;
    bool m_busy = false;
    QSet<TraceLocation> m_refused;
    quint32 m_lastMemoryRefresh = 0;
};
