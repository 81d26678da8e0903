#include "DirectoryWatch.h"

#include "framework/ZenqPaths.h"
#include "platform/ThreadPriority.h"

#include <QFileInfo>
#include <QMutexLocker>

namespace {

constexpr int burstMs = 10;          // changes closer than this give one report
constexpr int directoryPauseMs = 100; // directory changes closer than this give one re-opening

QString withSeparator(const QString &directory)
{
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

bool isDirectory(const QString &directory)
{
    return !directory.isEmpty() && QFileInfo(directory).isDir();
}

} // namespace

EInvalidDirectory::EInvalidDirectory(const QString &directory)
    : std::runtime_error("Invalid Directory: " + directory.toStdString())
    , m_directory(directory)
{
}

// --- TWatchThread

TWatchThread::TWatchThread(std::function<void()> report, unsigned filterMask, bool watchSubDirs, const QString &directory)
    : m_report(std::move(report))
    , m_filterMask(filterMask)
    , m_watchSubDirs(watchSubDirs)
    , m_directory(directory)
{
    setObjectName(QStringLiteral("DirectoryWatch")); // the thread's name in debuggers and /proc
}

TWatchThread::~TWatchThread()
{
    stop();
}

void TWatchThread::begin()
{
    // Without the wake event the worker could never be stopped.
    if (!m_wake.isValid())
        throw std::runtime_error("cannot create the wake event of a directory watch");
    m_notification.open(m_directory, m_watchSubDirs, m_filterMask); // a failure leaves the worker waiting
    start(QThread::LowestPriority);
}

void TWatchThread::changeDirectory(const QString &directory)
{
    {
        QMutexLocker lock(&m_directoryMutex);
        if (directory == m_directory)
            return;
        m_directory = directory;
    }
    m_wake.signal();
}

void TWatchThread::stop()
{
    if (!isRunning())
        return;
    m_terminated = true;
    m_wake.signal();
    wait();
}

QString TWatchThread::currentDirectory() const
{
    QMutexLocker lock(&m_directoryMutex);
    return m_directory;
}

void TWatchThread::run()
{
    platform::lowerCurrentThreadPriority();
    bool opened = m_notification.isOpen(); // begin() opened it for the first round
    while (!m_terminated) {
        if (!opened)
            m_notification.open(currentDirectory(), m_watchSubDirs, m_filterMask);
        opened = false;
        if (!m_notification.isOpen()) {
            // Nothing to watch (the directory is gone): wait for another directory or the end.
            m_wake.wait(-1);
            continue;
        }
        waitForChanges();
        m_notification.close();
    }
}

void TWatchThread::waitForChanges()
{
    using Result = platform::ChangeNotification::WaitResult;
    while (!m_terminated) {
        if (m_notification.wait(&m_wake, -1) == Result::Change) {
            m_notification.rearm();
            while (!m_terminated && m_notification.wait(nullptr, burstMs) == Result::Change)
                m_notification.rearm();
            if (m_terminated)
                return;
            m_report();
            continue;
        }
        // Woken (a new directory or the end), or the notification failed: re-open once things are calm.
        while (!m_terminated && m_wake.wait(directoryPauseMs)) {
        }
        return;
    }
}

// --- TDirectoryWatch

TDirectoryWatch::TDirectoryWatch(QObject *owner)
    : QObject(owner)
    , m_directory(withSeparator(ZenqGetSystemDriveDir()))
{
}

TDirectoryWatch::~TDirectoryWatch()
{
    setActive(false);
}

unsigned TDirectoryWatch::notifyFilterMask(TNotifyFilters filters)
{
    const unsigned bits = static_cast<unsigned>(filters.toInt());
    return (bits & 0x1fu) | ((bits & nfSecurity) ? 0x100u : 0u);
}

void TDirectoryWatch::setDirectory(const QString &directory)
{
    if (directory.isEmpty()) {
        setActive(false);
        m_directory.clear();
        return;
    }
    const QString value = withSeparator(directory);
    if (value == m_directory) // exact comparison, as the stored text is what the caller set
        return;
    if (!isDirectory(value))
        throw EInvalidDirectory(directory);
    m_directory = value;
    if (m_worker)
        m_worker->changeDirectory(m_directory);
}

void TDirectoryWatch::setNotifyFilters(TNotifyFilters filters)
{
    if (filters == m_notifyFilters)
        return;
    m_notifyFilters = filters;
    restart();
}

void TDirectoryWatch::setWatchSubDirs(bool watchSubDirs)
{
    if (watchSubDirs == m_watchSubDirs)
        return;
    m_watchSubDirs = watchSubDirs;
    restart();
}

void TDirectoryWatch::restart()
{
    if (!m_worker)
        return;
    setActive(false);
    setActive(true);
}

void TDirectoryWatch::setActive(bool active)
{
    if (active == (m_worker != nullptr))
        return;
    ++m_generation;
    if (!active) {
        m_worker.reset(); // stops and joins: the worker posts nothing afterwards
        return;
    }
    if (!isDirectory(m_directory))
        throw EInvalidDirectory(m_directory);
    const quint64 generation = m_generation;
    auto report = [this, generation] {
        QMetaObject::invokeMethod(this, [this, generation] { deliverReport(generation); }, Qt::QueuedConnection);
    };
    auto worker = std::make_unique<TWatchThread>(std::move(report), notifyFilterMask(m_notifyFilters), m_watchSubDirs, m_directory);
    worker->begin();
    m_worker = std::move(worker);
}

void TDirectoryWatch::deliverReport(quint64 generation)
{
    if (generation != m_generation || !m_worker)
        return;
    if (m_onChange)
        m_onChange(this);
    // The handler may have stopped or restarted the watch.
    if (generation == m_generation && m_worker)
        Q_EMIT OnChange(this);
}
