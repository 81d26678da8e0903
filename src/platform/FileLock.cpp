#include "FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

FileLock::FileLock(QString path)
    : m_path(std::move(path))
{
}

FileLock::~FileLock()
{
    close();
}

bool FileLock::open()
{
    if (m_fd >= 0)
        return true;
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = QStringLiteral("cannot open lock file %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool FileLock::lock(int timeoutMs)
{
    if (m_locked)
        return true;
    if (!open())
        return false;
    if (timeoutMs < 0) {
        int rc;
        do {
            rc = ::flock(m_fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        m_locked = true;
        return true;
    }
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_locked = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        if (timer.elapsed() >= timeoutMs) {
            m_error = QStringLiteral("timed out waiting for %1").arg(m_path);
            return false;
        }
        QThread::msleep(2);
    }
}

void FileLock::unlock()
{
    if (m_locked) {
        ::flock(m_fd, LOCK_UN);
        m_locked = false;
    }
}

void FileLock::close()
{
    unlock();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace platform
