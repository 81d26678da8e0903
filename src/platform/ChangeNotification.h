#pragma once
// Change notifications of one directory (inotify), with the semantics of a Windows change-notification
// handle: it becomes signalled when a change of a selected kind happens, stays signalled until re-armed,
// and fails for good when the watched directory goes away. Also the wake event that a waiting thread is
// stopped with. A ChangeNotification is used by one thread at a time; WakeEvent::signal is thread-safe.
#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace platform {

// The kinds of change, as Windows' FILE_NOTIFY_CHANGE_* filter bits.
enum ChangeFilter : unsigned {
    FileNameChanges = 0x001,  // files created, deleted, renamed
    DirNameChanges = 0x002,   // directories created, deleted, renamed
    AttributeChanges = 0x004, // attributes (inotify: any metadata change)
    SizeChanges = 0x008,      // size (inotify: any write, size changed or not)
    LastWriteChanges = 0x010, // last write (inotify: any write, and a file closed after writing)
    SecurityChanges = 0x100,  // security (inotify: any metadata change, same as AttributeChanges)
};
inline constexpr unsigned allChangeFilters = FileNameChanges | DirNameChanges | AttributeChanges | SizeChanges
    | LastWriteChanges | SecurityChanges;

// An auto-reset event: signal() sets it, a successful wait resets it. Not copyable.
class WakeEvent
{
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent &) = delete;
    WakeEvent &operator=(const WakeEvent &) = delete;

    // False when no descriptor was left for the event; it can then neither be signalled nor waited for.
    bool isValid() const { return m_fd >= 0; }
    // Sets the event; any thread.
    void signal();
    // Waits until the event is set (timeoutMs < 0: without limit) and resets it. False on time-out.
    bool wait(int timeoutMs);
    // Resets the event; true when it was set.
    bool consume();
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

class ChangeNotification
{
public:
    enum class WaitResult { Change, Wake, Timeout, Failed };

    // Bounds of a sub-directory watch: deeper or further directories are not watched.
    static constexpr int maxSubDirDepth = 32;
    static constexpr int maxWatchedDirs = 4096;

    ChangeNotification() = default;
    ~ChangeNotification();
    ChangeNotification(const ChangeNotification &) = delete;
    ChangeNotification &operator=(const ChangeNotification &) = delete;

    // Starts watching `directory` for the kinds in `filter` (ChangeFilter bits), with its
    // sub-directories (also those created later) when `watchSubtree`. False with errorString() when the
    // directory cannot be watched or the filter selects nothing; the notification is then closed.
    bool open(const QString &directory, bool watchSubtree, unsigned filter);
    // Waits until the notification is signalled, `wake` (may be null) is set, or timeoutMs passes
    // (< 0: without limit). A set wake event wins over a change and is reset. Failed once the directory
    // is gone or the notification is not open; that lasts until close().
    WaitResult wait(WakeEvent *wake, int timeoutMs);
    // Clears the signalled state and drops what has queued up so far; later changes signal anew.
    void rearm();
    void close();

    bool isOpen() const { return m_fd >= 0; }
    const QString &errorString() const { return m_error; }

private:
    struct WatchedDir
    {
        QByteArray path;
        int depth = 0;
    };

    void readEvents();
    void watchTree(const QByteArray &path, int depth, bool fresh);
    void unwatchTree(const QByteArray &path);

    int m_fd = -1;
    int m_rootWd = -1;
    unsigned m_filter = 0;
    bool m_subtree = false;
    bool m_signalled = false;
    bool m_failed = false;
    QString m_error;
    quint32 m_kernelMask = 0;
    QByteArray m_root;
    std::map<int, WatchedDir> m_dirs; // by watch descriptor
    std::vector<char> m_buffer;
};

} // namespace platform
