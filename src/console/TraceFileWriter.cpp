#include "TraceFileWriter.h"

#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void appendEncoded(QByteArray &out, QStringView line, int encoding)
{
    switch (encoding) {
    case ZenqEncodingUtf16LE: {
        const qsizetype at = out.size();
        out.resize(at + (line.size() + 2) * 2);
        char *p = out.data() + at;
        for (const QChar c : line) {
            *p++ = static_cast<char>(c.unicode() & 0xFF);
            *p++ = static_cast<char>(c.unicode() >> 8);
        }
        std::memcpy(p, "\r\0\n\0", 4);
        return;
    }
    case ZenqEncodingUtf8:
        out += line.toUtf8();
        break;
    default:
        out += JWideToAnsi(line.toString());
        break;
    }
    out += "\r\n";
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

TraceFileWriter::~TraceFileWriter()
{
    flush();
    for (Location &state : m_locations)
        closeLocation(state);
}

QString TraceFileWriter::traceFileName(TraceLocation location)
{
    return ZenqConsoleTraceFileName(location);
}

void TraceFileWriter::append(QStringView line, TraceLocation location, int encoding)
{
    Location &state = m_locations[indexOf(location)];
    if (state.pending.isEmpty())
        state.firstEncoding = encoding;
    appendEncoded(state.pending, line, encoding);
    if (state.pending.size() >= blockBytes)
        flushLocation(location);
}

void TraceFileWriter::flush()
{
    for (TraceLocation location : { 1, 0, -1 })
        flushLocation(location);
}

qsizetype TraceFileWriter::pendingBytes() const
{
    qsizetype total = 0;
    for (const Location &state : m_locations)
        total += state.pending.size();
    return total;
}

void TraceFileWriter::closeLocation(Location &state)
{
    if (state.fd >= 0)
        ::close(state.fd);
    state.fd = -1;
    state.inode = 0;
}

void TraceFileWriter::flushLocation(TraceLocation location)
{
    Location &state = m_locations[indexOf(location)];
    if (state.pending.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(traceFileName(location));
    struct stat info {};
    // Someone deleted, renamed or replaced the file since the last block: start the file again.
    if (state.fd >= 0 && (::stat(path.constData(), &info) != 0 || info.st_ino != state.inode))
        closeLocation(state);
    if (state.fd < 0) {
        state.fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (state.fd < 0 || ::fstat(state.fd, &info) != 0) {
            closeLocation(state);
            state.pending.clear(); // the lines were shown; the file cannot take them
            return;
        }
        state.inode = info.st_ino;
    } else if (::fstat(state.fd, &info) != 0) {
        info.st_size = 1;
    }
    QByteArray block;
    if (info.st_size == 0) {
        block = ZenqByteOrderMark(state.firstEncoding);
        block += state.pending;
    }
    if (!writeAll(state.fd, block.isEmpty() ? state.pending : block))
        closeLocation(state);
    state.pending.clear();
}

void TraceFileWriter::deleteTraceFiles()
{
    flush();
    for (TraceLocation location : { 1, 0, -1 }) {
        closeLocation(m_locations[indexOf(location)]);
        JDeleteFile(traceFileName(location));
    }
}
