#include "RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString defaultRuntimeDirectory()
{
    const QString explicitDir = qEnvironmentVariable("ZENQ_RUNTIME_DIR");
    if (!explicitDir.isEmpty())
        return explicitDir;
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty())
        return xdg + QStringLiteral("/zenq");
    return QStringLiteral("/tmp/zenq-%1").arg(getuid());
}

void ensurePrivateDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (!QDir().mkpath(path))
        throw std::runtime_error("cannot create runtime directory " + native.toStdString());
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw std::runtime_error("runtime directory is not a directory: " + native.toStdString());
    if (info.st_uid != getuid())
        throw std::runtime_error("runtime directory belongs to another user: " + native.toStdString());
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        throw std::runtime_error("cannot make runtime directory private: " + native.toStdString());
}

} // namespace

QString runtimeDirectory()
{
    const QString dir = QDir::cleanPath(defaultRuntimeDirectory());
    ensurePrivateDirectory(dir);
    return dir;
}

QString runtimeSubDirectory(const QString &name)
{
    const QString dir = runtimeDirectory() + QLatin1Char('/') + name;
    ensurePrivateDirectory(dir);
    return dir;
}

} // namespace platform
