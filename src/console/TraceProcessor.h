#pragma once
// Turns trace text into trace lines: cuts batches, shortens, filters, routes console commands, rewrites
// the time of day as elapsed time, and hands each line to the trace file and the display with its
// special colour and style. Owned by the main window (or the headless host); UI thread only.
#include "TraceDisplay.h"
#include "TraceOptions.h"
#include "framework/ZenqTypes.h"

#include <QElapsedTimer>
#include <QString>

class MemoryTable;
class TraceFileWriter;

class TraceProcessor
{
public:
    static constexpr qsizetype lineLengthLimit = 1024;
    static constexpr int elapsedFieldWidth = 13;

    TraceProcessor(const TraceOptions &options, TraceProcessorHost &host, TraceDisplaySink &display,
                   TraceFileWriter &traceFiles);
    TraceProcessor(const TraceProcessor &) = delete;
    TraceProcessor &operator=(const TraceProcessor &) = delete;

    // The table that console commands about memory and request statistics go to (may stay unset).
    void setMemoryTable(MemoryTable *table) { m_memoryTable = table; }

    // Cuts a decoded batch at CR (CR LF, CR) into lines and processes each, shortened when so set.
    // Stops early when Escape was pressed (the Escape option on). Lets the host's messages through
    // before every line; a trailing run of NUL characters (padding) ends the batch.
    void SplitTraceBatch(const QString &text, TraceLocation location);
    // The first 1024 characters and "..." for a longer line when the Shorten option is on.
    QString ShortenTraceLine(QStringView line) const;
    // The single entry point for one line: first-line rule, empty lines, console commands, Trace on,
    // elapsed-time rewrite, then the trace file and the display.
    void ProcessTraceLine(const QString &line, TraceLocation location);
    // The time-of-day field at the start of a line: its 0-based start, its length (13, or 12 for a
    // one-digit hour) and the parsed time (fraction of a day).
    static bool FindTimeStamp(QStringView line, qsizetype &start, qsizetype &length, double &time);
    // Replaces the field by the time elapsed since the previous rewritten line, padded to 13.
    QString RewriteExecutionTime(const QString &line, qsizetype start, qsizetype length, double time);
    // Runs a line that contains "xC:"; a line that names no known command is dropped.
    void HandleConsoleCommand(const QString &line);
    // Writes the line to the trace file of its location, then shows it.
    void AppendTraceFileLine(const QString &line, TraceLocation location);
    // Styles the line by its special marker and appends it to the display.
    void ShowTraceLine(const QString &line);

    // The location of the latest take-up request; lines that arrive by message get it.
    TraceLocation currentLocation() const { return m_currentLocation; }
    void setCurrentLocation(TraceLocation location) { m_currentLocation = location; }
    // Encoding of the last hand-over file read; the trace files are written in it.
    int traceFileEncoding() const { return m_traceFileEncoding; }
    void setTraceFileEncoding(int encoding) { m_traceFileEncoding = encoding; }
    // Set by the restore command, cleared by the take-up pass that acts on it.
    bool restoreRequest() const { return m_restoreRequest; }
    void clearRestoreRequest() { m_restoreRequest = false; }

private:
    void flushOutputs();

    const TraceOptions &m_options;
    TraceProcessorHost &m_host;
    TraceDisplaySink &m_display;
    TraceFileWriter &m_traceFiles;
    MemoryTable *m_memoryTable = nullptr;

    bool m_firstLineSeen = false;
    double m_lastTimeStamp = 0; // 0: none yet
    TraceLocation m_currentLocation = TraceLocationApplications;
    int m_traceFileEncoding = 0;
    bool m_restoreRequest = false;
    int m_batchDepth = 0;
    QElapsedTimer m_sinceFlush;
};
