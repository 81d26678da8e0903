#include "Processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

qint64 currentProcessId()
{
    return ::getpid();
}

qint64 currentThreadId()
{
    return static_cast<qint64>(::syscall(SYS_gettid));
}

bool isProcessAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) == 0)
        return true;
    return errno == EPERM; // exists, but belongs to someone else
}

QStringList runningExecutableNames()
{
    QStringList names;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        // The kernel's comm field is cut at 15 characters; the executable link or the command line
        // give the whole name where they are readable.
        QString name = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(entry))).fileName();
        if (name.isEmpty()) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
            if (cmdline.open(QIODevice::ReadOnly)) {
                const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
                name = QFileInfo(QFile::decodeName(argv0)).fileName();
            }
        }
        if (name.isEmpty()) {
            QFile comm(QStringLiteral("/proc/%1/comm").arg(entry));
            if (comm.open(QIODevice::ReadOnly))
                name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        }
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

QString currentExecutablePath()
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

} // namespace platform
