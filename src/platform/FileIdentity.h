#pragma once
// What tells one version of a file from the next: inode, size and modification time in nanoseconds.
// An atomic replace (new inode) or a same-size rewrite within one millisecond is still seen. Thread-safe.
#include <QString>
#include <QtGlobal>

namespace platform {

struct FileIdentity
{
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    bool exists = false;
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

FileIdentity fileIdentity(const QString &path);

} // namespace platform
