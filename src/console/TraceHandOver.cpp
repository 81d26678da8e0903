#include "TraceHandOver.h"

#include "DirectoryWatch.h"
#include "MemoryTable.h"
#include "TraceProcessor.h"
#include "framework/ZenqClock.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"

#include <QFileInfo>
#include <QTimer>

#include <exception>

namespace {

// Loader options by the framework's trace format: UTF-16 files may come without a mark (format 0),
// UTF-8 ones too (format 2); otherwise only a mark tells anything but the system code page.
int loaderOptions(int tracingFormat)
{
    switch (tracingFormat) {
    case 0:
        return ZenqLoadHonourBom | ZenqLoadGuessUtf16;
    case 2:
        return ZenqLoadHonourBom | ZenqLoadDefaultUtf8;
    default:
        return ZenqLoadHonourBom;
    }
}

constexpr quint32 memoryRefreshIntervalMs = 1000;

} // namespace

TraceHandOverReader::TraceHandOverReader(const TraceOptions &options, TraceProcessor &processor,
                                         TraceProcessorHost &host, const ZenqMutexHandle &traceMutex, QObject *parent)
    : QObject(parent), m_options(options), m_processor(processor), m_host(host), m_traceMutex(traceMutex)
{
}

TraceHandOverReader::~TraceHandOverReader() = default;

QString TraceHandOverReader::watchedDirectory(TraceLocation location)
{
    if (location < 0)
        return ZenqGetSystemDriveDir();
    return ZenqGetTraceDir(location == TraceLocationFramework);
}

bool TraceHandOverReader::isWatching(TraceLocation location) const
{
    for (const auto &[watched, watch] : m_watches)
        if (watched == location)
            return watch->active();
    return false;
}

void TraceHandOverReader::StartTraceReading()
{
    for (TraceLocation location : { TraceLocationFramework, TraceLocationApplications, TraceLocationSystemDrive }) {
        const QString directory = watchedDirectory(location);
        if (location < 0 || JDirExists(directory)) {
            // Watching before the first take-up: a file written between the two is still reported.
            auto *watch = new TDirectoryWatch(this);
            m_watches.emplace_back(location, watch);
            watch->setOnChange([this, location](TDirectoryWatch *) { ReadTraceHandOver(location); });
            try {
                watch->setDirectory(directory);
                watch->setWatchSubDirs(false);
                watch->setActive(true);
            } catch (const std::exception &error) {
                m_host.showError(QString::fromUtf8(error.what()));
            }
        }
        ReadTraceHandOver(location);
    }
}

void TraceHandOverReader::ReadTraceHandOver(TraceLocation location)
{
    m_processor.setCurrentLocation(location);
    if (m_busy) {
        m_refused.insert(location);
        return;
    }
    m_busy = true;
    if (m_memoryTable)
        m_memoryTable->clearMarkerResetFlag();

    QString text;
    bool haveBatch = false;
    if (m_processor.restoreRequest()) {
        m_host.restoreFromMinimised();
        m_processor.clearRestoreRequest();
        m_refused.insert(location); // the file waits for the next pass, which follows at once
    } else {
        try {
            haveBatch = takeUp(location, text);
        } catch (const std::exception &error) {
            m_host.showError(QString::fromUtf8(error.what()));
        }
    }
    if (haveBatch) {
        try {
            m_processor.SplitTraceBatch(text, location);
        } catch (const std::exception &error) {
            m_host.showError(QString::fromUtf8(error.what()));
        }
    }
    text = QString(); // no batch is kept beyond its cutting

    refreshMemoryPanel();
    m_busy = false;
    scheduleRefusedTakeUps();
}

bool TraceHandOverReader::takeUp(TraceLocation location, QString &text)
{
    const QString handOver = ZenqHandOverFileName(location);
    if (!JFileExists(handOver))
        return false;
    m_host.armEscapeCheck();
    const QString workingCopy = ZenqTraceWorkingCopyName(location);
    if (JFileExists(workingCopy))
        JDeleteFile(workingCopy);

    ZenqMutexLocker lock(m_traceMutex); // held for the move and the load only, released on every path
    if (!lock.isLocked())
        throw std::runtime_error("The trace lock \"Global\\ZenqTracerSync\" cannot be taken.");
    // Writers that come after the move start a new hand-over file. A file that vanished since the
    // check above is simply no work.
    if (!JRenameFile(handOver, workingCopy))
        return false;
    if (!m_options.traceOn || (m_options.escape && m_host.escapePressed()))
        return false; // the working copy is dropped at the next take-up
    int encoding = ZenqEncodingAnsi;
    QString error;
    if (!JLoadFromFileEx(workingCopy, loaderOptions(ZenqTracingFormat()), text, encoding, &error))
        throw std::runtime_error(error.toStdString());
    m_processor.setTraceFileEncoding(encoding);
    JDeleteFile(workingCopy);
    return true;
}

void TraceHandOverReader::refreshMemoryPanel()
{
    const quint32 now = GetTickCount();
    if (ZenqTicksSince(m_lastMemoryRefresh, now) <= memoryRefreshIntervalMs)
        return;
    if (m_memoryTable) {
        try {
            m_memoryTable->RefreshMemoryStatus();
            m_memoryTable->PurgeStaleModuleRows();
        } catch (const std::exception &error) {
            m_host.showError(QString::fromUtf8(error.what()));
        }
    }
    m_lastMemoryRefresh = now;
}

void TraceHandOverReader::scheduleRefusedTakeUps()
{
    // A change reported while a batch was cut would otherwise wait for the next change, which may
    // never come: the last lines of a burst would stay unshown.
    const QSet<TraceLocation> refused = std::exchange(m_refused, {});
    for (TraceLocation location : refused)
        QTimer::singleShot(0, this, [this, location] { ReadTraceHandOver(location); });
}
