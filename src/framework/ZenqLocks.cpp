#include "ZenqLocks.h"

#include "platform/FileLock.h"
#include "platform/RuntimeDirectory.h"

#include <QCryptographicHash>
#include <QMutex>

#include <exception>

class ZenqNamedMutex
{
public:
    explicit ZenqNamedMutex(const QString &path) : file(path) {}
    QMutex inProcess; // flock does not exclude threads sharing one descriptor
    platform::FileLock file;
};

class ZenqRunOnlyOnceGuard
{
public:
    explicit ZenqRunOnlyOnceGuard(const QString &path) : file(path) {}
    platform::FileLock file;
};

namespace {

// Lock-file names keep the readable part of the name and add a hash, so "Global\X" and "Global/X" or
// names differing in characters that are not kept cannot collide.
QString lockFileName(const QString &directory, const QString &name)
{
    QString readable;
    for (const QChar c : name)
        readable += (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')) ? c : QLatin1Char('_');
    const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return platform::runtimeSubDirectory(directory) + QLatin1Char('/') + readable.left(64) + QLatin1Char('-')
        + QString::fromLatin1(hash) + QStringLiteral(".lock");
}

} // namespace

QString ZenqMutexFileName(const QString &name)
{
    return lockFileName(QStringLiteral("locks"), name);
}

ZenqMutexHandle ZenqOpenAMutex(const QString &name)
{
    try {
        auto handle = std::make_shared<ZenqNamedMutex>(ZenqMutexFileName(name));
        if (!handle->file.open())
            return nullptr;
        return handle;
    } catch (const std::exception &) {
        return nullptr;
    }
}

bool ZenqEnterAMutex(const ZenqMutexHandle &handle, int timeoutMs)
{
    if (!handle)
        return false;
    if (timeoutMs < 0)
        handle->inProcess.lock();
    else if (!handle->inProcess.tryLock(timeoutMs))
        return false;
    if (!handle->file.lock(timeoutMs)) {
        handle->inProcess.unlock();
        return false;
    }
    return true;
}

void ZenqLeaveAMutex(const ZenqMutexHandle &handle)
{
    if (!handle || !handle->file.isLocked())
        return;
    handle->file.unlock();
    handle->inProcess.unlock();
}

void ZenqCloseAMutex(ZenqMutexHandle &handle)
{
    if (!handle)
        return;
    ZenqLeaveAMutex(handle);
    handle->file.close();
    handle.reset();
}

ZenqMutexLocker::ZenqMutexLocker(ZenqMutexHandle handle, int timeoutMs)
    : m_handle(std::move(handle))
{
    m_locked = ZenqEnterAMutex(m_handle, timeoutMs);
}

ZenqMutexLocker::~ZenqMutexLocker()
{
    if (m_locked)
        ZenqLeaveAMutex(m_handle);
}

ZenqRunOnlyOnceHandle JRunOnlyOnce(const QString &programFileName)
{
    try {
        auto guard = std::make_shared<ZenqRunOnlyOnceGuard>(lockFileName(QStringLiteral("instances"), programFileName));
        if (!guard->file.tryLock())
            return nullptr;
        return guard;
    } catch (const std::exception &) {
        return nullptr;
    }
}

void JRunOnlyOnceEnded(ZenqRunOnlyOnceHandle &handle)
{
    if (handle)
        handle->file.close();
    handle.reset();
}
