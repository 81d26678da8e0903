#pragma once
// An exclusive advisory lock on a file (flock). The kernel releases it when the holder dies, so a
// crashed holder never blocks anyone. One object per holder; not thread-safe; not copyable.
#include <QString>

namespace platform {

class FileLock
{
public:
    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Opens (creating) the lock file. False with errorString() set when that fails.
    bool open();
    // Waits for the lock: timeoutMs < 0 waits without limit. False on time-out or error.
    bool lock(int timeoutMs = -1);
    bool tryLock() { return lock(0); }
    void unlock();
    void close();

    bool isOpen() const { return m_fd >= 0; }
    bool isLocked() const { return m_locked; }
    const QString &path() const { return m_path; }
    const QString &errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
    int m_fd = -1;
    bool m_locked = false;
};

} // namespace platform
