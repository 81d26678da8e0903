#pragma once
// A watch that reports, without detail, that something changed in one directory (TDirectoryWatch), and
// its worker thread (TWatchThread). The watch lives on the user-interface thread and is not thread-safe;
// its reports arrive there through the event loop, never inside the worker.
#include "platform/ChangeNotification.h"

#include <QFlags>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>

// The kinds of change a watch reports; the members are bits 0 to 5 of the set.
enum TNotifyFilter : unsigned {
    nfFilename = 1u << 0,
    nfDirname = 1u << 1,
    nfAttrib = 1u << 2,
    nfSize = 1u << 3,
    nfLastWrite = 1u << 4,
    nfSecurity = 1u << 5,
};
Q_DECLARE_FLAGS(TNotifyFilters, TNotifyFilter)
Q_DECLARE_OPERATORS_FOR_FLAGS(TNotifyFilters)

// Raised for a directory that cannot be watched; what() is "Invalid Directory: " followed by the path.
class EInvalidDirectory : public std::runtime_error
{
public:
    explicit EInvalidDirectory(const QString &directory);
    const QString &directory() const { return m_directory; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    QString m_directory;
};

// The worker of one active watch: waits on the directory's change notification at the lowest priority
// and hands each (coalesced) change to `report`, which it calls on its own thread. Created, steered and
// destroyed by the watch on the watch's thread; changeDirectory and stop are safe against the running
// worker.
class TWatchThread : public QThread
{
public:
    TWatchThread(std::function<void()> report, unsigned filterMask, bool watchSubDirs, const QString &directory);
    // Stops the worker if it still runs.
    ~TWatchThread() override;

    // Opens the notification on the calling thread, so changes from now on are seen, then starts the
    // worker. Throws std::runtime_error when no wake event can be created (out of descriptors).
    void begin();
    // Moves the watch: the worker re-opens the notification for `directory` once directory changes have
    // paused for 100 ms. A change in that gap is not reported.
    void changeDirectory(const QString &directory);
    // Ends the worker and waits for it; `report` is not called after this returns.
    void stop();

protected:
    void run() override;

private:
    void waitForChanges();
    QString currentDirectory() const;

    const std::function<void()> m_report;
    const unsigned m_filterMask;
    const bool m_watchSubDirs;
    mutable QMutex m_directoryMutex;
    QString m_directory;
    std::atomic<bool> m_terminated { false };
    platform::WakeEvent m_wake;
    platform::ChangeNotification m_notification; // the worker's own once started
};

// Reports changes of one directory to the user-interface thread. Lives on the thread it was created on
// (which needs an event loop); not thread-safe. Reports come from the event loop, never from inside a
// setter; a burst of changes within 10 ms gives one report.
class TDirectoryWatch : public QObject
{
    Q_OBJECT
public:
    using ChangeHandler = std::function<void(TDirectoryWatch *sender)>;

    explicit TDirectoryWatch(QObject *owner = nullptr);
    // Stops watching; reports still queued are dropped.
    ~TDirectoryWatch() override;

    // The Windows change-notification filter value of a set (bits 0 to 4 one to one, nfSecurity 256).
    static unsigned notifyFilterMask(TNotifyFilters filters);
    static TNotifyFilters defaultNotifyFilters() { return nfFilename | nfDirname | nfLastWrite; }

    // The watched directory, ending with "/" unless empty. Default: the system-drive directory.
    const QString &directory() const { return m_directory; }
    // Empty: deactivates and clears. Otherwise adds a missing "/"; the same text again does nothing (even
    // when the directory has gone since); an existing directory is stored and, while active, watched
    // instead of the old one without a report. Throws EInvalidDirectory with `directory` as given and
    // changes nothing when it is no directory.
    void setDirectory(const QString &directory);

    TNotifyFilters notifyFilters() const { return m_notifyFilters; }
    // A new set restarts an active watch; throws EInvalidDirectory (and leaves the watch inactive with
    // the new set) when the directory has gone meanwhile.
    void setNotifyFilters(TNotifyFilters filters);

    bool watchSubDirs() const { return m_watchSubDirs; }
    // Include sub-directories (bounded depth and number); restarts an active watch like setNotifyFilters.
    void setWatchSubDirs(bool watchSubDirs);

    bool active() const { return m_worker != nullptr; }
    // true starts the worker (once, however often it is set); changes from its return on are reported.
    // Throws EInvalidDirectory and stays inactive when the directory does not exist. false stops the worker: from then on no report is delivered,
    // not even one that was already queued.
    void setActive(bool active);

    // The one handler of reports (empty: none); called before the OnChange signal. It may change the
    // watch's properties, but must not delete the watch (deleteLater may), and must not throw: the call
    // comes from the event loop.
    void setOnChange(ChangeHandler handler) { m_onChange = std::move(handler); }

Q_SIGNALS:
    // A change happened in the directory (after the handler, and only if the watch is still active).
    void OnChange(TDirectoryWatch *sender);

private:
    void restart();
    void deliverReport(quint64 generation);

    QString m_directory;
    TNotifyFilters m_notifyFilters = defaultNotifyFilters();
    bool m_watchSubDirs = false;
    ChangeHandler m_onChange;
    std::unique_ptr<TWatchThread> m_worker;
    quint64 m_generation = 0; // reports of an earlier worker carry an older number and are dropped
};
