#pragma once
// The console's trace files, one per trace location, appended line by line in the encoding of the
// batch the line came from. UI thread; not thread-safe.
//
// The file is not opened and closed for every line: lines are collected and written in blocks, and
// before each block the path is checked, so a trace file deleted or replaced by someone else is
// created again (with its header) and no line goes to a deleted file. A file that cannot be opened
// loses the lines of that block; they are still shown.
#include "framework/ZenqTypes.h"

#include <QByteArray>
#include <QString>
#include <array>

class TraceFileWriter
{
public:
    TraceFileWriter() = default;
    ~TraceFileWriter();
    TraceFileWriter(const TraceFileWriter &) = delete;
    TraceFileWriter &operator=(const TraceFileWriter &) = delete;

    static QString traceFileName(TraceLocation location);

    // Queues one line and its line end in the encoding (0 UTF-16LE, 1 UTF-8, other the system code
    // page); writes the queued lines when enough have gathered.
    void append(QStringView line, TraceLocation location, int encoding);
    // Writes every queued line.
    void flush();
    // Writes what is queued, then deletes the trace files of locations 1, 0 and -1 (a missing one is
    // no error).
    void deleteTraceFiles();
    // Bytes queued and not yet written (for tests).
    qsizetype pendingBytes() const;

private:
    struct Location
    {
        int fd = -1;
        quint64 inode = 0;
        QByteArray pending;
        int firstEncoding = 0; // encoding of the first queued line: decides the header of a new file
    };
    static int indexOf(TraceLocation location) { return location == 1 ? 0 : location == 0 ? 1 : 2; }
    void flushLocation(TraceLocation location);
    void closeLocation(Location &state);

    std::array<Location, 3> m_locations;
    static constexpr qsizetype blockBytes = 128 * 1024;
};
