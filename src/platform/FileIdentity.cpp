#include "FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace platform {

FileIdentity fileIdentity(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return { static_cast<quint64>(info.st_ino), static_cast<qint64>(info.st_size),
             static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, true };
}

} // namespace platform
