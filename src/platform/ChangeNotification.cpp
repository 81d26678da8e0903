#include "ChangeNotification.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr quint32 nameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

quint32 kernelMask(unsigned filter, bool subtree)
{
    // Self events tell us the directory is gone. IN_EXCL_UNLINK: writes to a deleted file that is still
    // open are no change of the directory.
    quint32 mask = IN_DELETE_SELF | IN_MOVE_SELF | IN_EXCL_UNLINK;
    if (filter & (FileNameChanges | DirNameChanges))
        mask |= nameEvents;
    if (filter & (AttributeChanges | SecurityChanges))
        mask |= IN_ATTRIB;
    if (filter & (SizeChanges | LastWriteChanges))
        mask |= IN_MODIFY;
    if (filter & LastWriteChanges)
        mask |= IN_CLOSE_WRITE;
    if (subtree)
        mask |= IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO; // to follow sub-directories as they come and go
    return mask;
}

// The kernel mask is wider than the filter (files and directories share the name events, and a
// sub-directory watch needs the name events for its bookkeeping), so every event is checked again.
bool selected(quint32 mask, unsigned filter)
{
    if ((mask & nameEvents) && (filter & ((mask & IN_ISDIR) ? DirNameChanges : FileNameChanges)))
        return true;
    if ((mask & IN_ATTRIB) && (filter & (AttributeChanges | SecurityChanges)))
        return true;
    if ((mask & IN_MODIFY) && (filter & (SizeChanges | LastWriteChanges)))
        return true;
    return (mask & IN_CLOSE_WRITE) && (filter & LastWriteChanges);
}

QByteArray join(const QByteArray &directory, const char *name)
{
    QByteArray path = directory;
    if (!path.endsWith('/'))
        path += '/';
    return path + name;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

WakeEvent::WakeEvent()
    : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

WakeEvent::~WakeEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeEvent::signal()
{
    const quint64 one = 1;
    while (m_fd >= 0 && ::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool WakeEvent::consume()
{
    quint64 count = 0;
    ssize_t n;
    do {
        n = ::read(m_fd, &count, sizeof count);
    } while (n < 0 && errno == EINTR);
    return n == sizeof count;
}

bool WakeEvent::wait(int timeoutMs)
{
    if (m_fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (consume())
            return true;
        int remaining = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            remaining = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        pollfd fd { m_fd, POLLIN, 0 };
        const int rc = ::poll(&fd, 1, remaining);
        if (rc == 0)
            return false;
        if (rc < 0 && errno != EINTR)
            return false;
    }
}

ChangeNotification::~ChangeNotification()
{
    close();
}

bool ChangeNotification::open(const QString &directory, bool watchSubtree, unsigned filter)
{
    close();
    m_error.clear();
    m_filter = filter & allChangeFilters;
    if (m_filter == 0) {
        m_error = QStringLiteral("no kind of change selected");
        return false;
    }
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        m_error = QStringLiteral("cannot create a change notification: %1").arg(systemError());
        return false;
    }
    m_subtree = watchSubtree;
    m_kernelMask = kernelMask(m_filter, m_subtree);
    m_root = QFile::encodeName(directory);
    m_rootWd = ::inotify_add_watch(m_fd, m_root.constData(), m_kernelMask | IN_ONLYDIR);
    if (m_rootWd < 0) {
        m_error = QStringLiteral("cannot watch %1: %2").arg(directory, systemError());
        close();
        return false;
    }
    m_dirs[m_rootWd] = { m_root, 0 };
    if (m_subtree)
        watchTree(m_root, 0, false);
    m_buffer.resize(64 * 1024);
    return true;
}

void ChangeNotification::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_rootWd = -1;
    m_signalled = false;
    m_failed = false;
    m_dirs.clear();
}

ChangeNotification::WaitResult ChangeNotification::wait(WakeEvent *wake, int timeoutMs)
{
    if (m_fd < 0 || m_failed)
        return WaitResult::Failed;
    if (m_signalled)
        return WaitResult::Change;
    const bool withWake = wake && wake->isValid();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int remaining = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            remaining = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        pollfd fds[2] = { { m_fd, POLLIN, 0 }, { withWake ? wake->fd() : -1, POLLIN, 0 } };
        const int rc = ::poll(fds, withWake ? 2 : 1, remaining);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            m_error = systemError();
            m_failed = true;
            return WaitResult::Failed;
        }
        if (rc == 0)
            return WaitResult::Timeout;
        if (withWake && (fds[1].revents & POLLIN) && wake->consume())
            return WaitResult::Wake;
        if (fds[0].revents & (POLLERR | POLLNVAL))
            m_failed = true;
        else if (fds[0].revents & POLLIN)
            readEvents();
        // A change reported together with the directory's removal (its contents deleted first) still counts.
        if (m_signalled)
            return WaitResult::Change;
        if (m_failed)
            return WaitResult::Failed;
    }
}

void ChangeNotification::rearm()
{
    if (m_fd >= 0 && !m_failed)
        readEvents(); // keeps the sub-directory bookkeeping up to date
    m_signalled = false;
}

void ChangeNotification::readEvents()
{
    bool rescan = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN) {
                m_error = systemError();
                m_failed = true;
            }
            break;
        }
        if (n == 0)
            break;
        for (ssize_t offset = 0; offset + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, m_buffer.data() + offset, sizeof event);
            const char *name = m_buffer.data() + offset + sizeof event;
            offset += static_cast<ssize_t>(sizeof event + event.len);

            if (event.mask & IN_Q_OVERFLOW) {
                // Events were lost: assume a change, and that sub-directories may have appeared.
                m_signalled = true;
                rescan = m_subtree;
                continue;
            }
            if (event.wd == m_rootWd && (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED))) {
                m_failed = true;
                continue;
            }
            const auto dir = m_dirs.find(event.wd);
            if (dir == m_dirs.end())
                continue; // a watch already given up
            if (event.mask & IN_IGNORED) {
                m_dirs.erase(dir);
                continue;
            }
            // Events about a watched directory itself come without a name; its parent reports those that
            // matter by name, so they are left out.
            if (event.len == 0 || name[0] == '\0')
                continue;
            if (selected(event.mask, m_filter))
                m_signalled = true;
            if (m_subtree && (event.mask & IN_ISDIR)) {
                const QByteArray child = join(dir->second.path, name);
                const int depth = dir->second.depth + 1;
                if (event.mask & IN_MOVED_FROM)
                    unwatchTree(child); // its watches would follow it out of the tree
                if (event.mask & (IN_CREATE | IN_MOVED_TO))
                    watchTree(child, depth, (event.mask & IN_CREATE) != 0);
            }
        }
    }
    if (rescan && !m_failed)
        watchTree(m_root, 0, false);
}

// Adds watches for `path` (depth 0 is the root, already watched) and the directories below it, within the
// bounds. A `fresh` directory was just created, so whatever is already in it appeared after it and
// before its watch: those entries count as changes, or they would go unreported.
void ChangeNotification::watchTree(const QByteArray &path, int depth, bool fresh)
{
    if (depth > maxSubDirDepth)
        return;
    if (depth > 0) {
        if (m_dirs.size() >= static_cast<size_t>(maxWatchedDirs))
            return;
        const int wd = ::inotify_add_watch(m_fd, path.constData(), m_kernelMask | IN_ONLYDIR | IN_DONT_FOLLOW);
        if (wd < 0)
            return; // gone again, a symbolic link, or out of watches: left unwatched
        m_dirs[wd] = { path, depth };
    }
    DIR *stream = ::opendir(path.constData());
    if (!stream)
        return;
    std::vector<QByteArray> children;
    while (const dirent *entry = ::readdir(stream)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const QByteArray child = join(path, entry->d_name);
        bool isDir = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info;
            isDir = ::lstat(child.constData(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (fresh && (m_filter & (isDir ? DirNameChanges : FileNameChanges | SizeChanges | LastWriteChanges)))
            m_signalled = true;
        if (isDir)
            children.push_back(child);
    }
    ::closedir(stream);
    for (const QByteArray &child : children)
        watchTree(child, depth + 1, fresh);
}

void ChangeNotification::unwatchTree(const QByteArray &path)
{
    const QByteArray below = path + '/';
    for (auto it = m_dirs.begin(); it != m_dirs.end();) {
        if (it->first != m_rootWd && (it->second.path == path || it->second.path.startsWith(below))) {
            ::inotify_rm_watch(m_fd, it->first);
            it = m_dirs.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace platform
