#pragma once
// Named locks shared by all framework programs of the user ("Global\ZenqTracerSync" guards the trace
// hand-over files) and the single-instance guard. Both are flock()ed files in the runtime directory:
// the kernel releases them when a holder dies. A handle may be used from several threads of its
// process; it is not recursive.
#include <QString>
#include <memory>

class ZenqNamedMutex;
using ZenqMutexHandle = std::shared_ptr<ZenqNamedMutex>;

inline const QString ZenqTracerSyncMutexName = QStringLiteral("Global\\ZenqTracerSync");

// Opens or creates the lock of that name; null when the runtime directory cannot be used.
ZenqMutexHandle ZenqOpenAMutex(const QString &name);
// Waits for the lock (timeoutMs < 0: without limit). False on time-out, error or a null handle.
bool ZenqEnterAMutex(const ZenqMutexHandle &handle, int timeoutMs = -1);
void ZenqLeaveAMutex(const ZenqMutexHandle &handle);
// Releases the lock if held and closes the handle.
void ZenqCloseAMutex(ZenqMutexHandle &handle);
// The lock file that stands for a named mutex.
QString ZenqMutexFileName(const QString &name);

// Holds the lock for its lifetime: every path out of a guarded section releases it.
class ZenqMutexLocker
{
public:
    ZenqMutexLocker(ZenqMutexHandle handle, int timeoutMs = -1);
    ~ZenqMutexLocker();
    ZenqMutexLocker(const ZenqMutexLocker &) = delete;
    ZenqMutexLocker &operator=(const ZenqMutexLocker &) = delete;
    bool isLocked() const { return m_locked; }

private:
    ZenqMutexHandle m_handle;
    bool m_locked = false;
};

class ZenqRunOnlyOnceGuard;
using ZenqRunOnlyOnceHandle = std::shared_ptr<ZenqRunOnlyOnceGuard>;
// The single-instance guard of a program, keyed by its full file name: null when another instance
// of the same program holds it (or the runtime directory cannot be used).
ZenqRunOnlyOnceHandle JRunOnlyOnce(const QString &programFileName);
void JRunOnlyOnceEnded(ZenqRunOnlyOnceHandle &handle);
