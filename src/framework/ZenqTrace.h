#pragma once
// The framework side of tracing: formatting a line by the framework-wide trace settings and handing it
// to the console, either appended to the hand-over file of a trace location under the trace mutex or
// sent as one "WM_ZenqConsoleOutput" message. Thread-safe.
#include "ZenqTypes.h"

#include <QByteArray>
#include <QTime>
#include <QString>

// The time-of-day field of a trace line: "hh:mm:ss.zzz" and a blank, 13 characters.
QString ZenqTimeOfDayField(const QTime &time);
// Parses a time-of-day field of 13 characters with a two-digit hour ("hh:mm:ss.zzz" followed by a
// blank, or the end of the text after the milliseconds); the result is the fraction of a day.
bool ZenqStrToTime(QStringView text, double &time);

// The prefix that ZenqDS puts before a text by the current trace settings: date, time of day, module
// name, process id, thread id, then three blanks per indentation level. A special-line marker at the
// start of the text stays in front of the prefix, so the console still recognises the line. A console
// command (a text containing "xC:") is returned unchanged.
QString ZenqFormatTraceLine(const QString &text, int indentationLevel);

// The trace settings that shape a line, read once for many lines.
struct ZenqTraceSettingsSnapshot
{
    bool date = false;
    bool time = false;
    bool moduleName = false;
    bool processId = false;
    bool threadId = false;
    bool indentation = false;
    QString moduleField;    // module name and a blank
    QString processIdField; // "(pid) "
};
ZenqTraceSettingsSnapshot ZenqReadTraceSettings();
QString ZenqFormatTraceLine(const QString &text, int indentationLevel, const ZenqTraceSettingsSnapshot &settings);

// Module name in trace lines (default: the executable's pure name).
void ZenqSetTraceModuleName(const QString &name);
QString ZenqTraceModuleName();

// Writes one trace line: formatted, appended to the hand-over file of the program's location (the
// framework's trace directory for servers, the applications' for everything else). The indentation
// flag 1 indents the following lines one level deeper, -1 takes one level back first.
void ZenqDS(const QString &text, int indentationFlag = 0);

// The trace location ZenqDS writes to.
TraceLocation ZenqDefaultTraceLocation();
// Hand-over encoding chosen by the trace format setting: 0 UTF-16LE, 2 UTF-8, other the system code page.
int ZenqHandOverEncoding();

// Appends text to the hand-over file of a location under the trace mutex. A new file starts with the
// encoding's byte-order mark; appending to an existing file keeps that file's encoding (read from its
// mark), so writers with other settings never mix encodings in one file. False with *error on failure.
bool ZenqAppendToHandOver(TraceLocation location, const QString &text, int encoding, QString *error = nullptr);
// Appends bytes unchanged under the trace mutex.
bool ZenqAppendRawToHandOver(TraceLocation location, const QByteArray &bytes, QString *error = nullptr);

// Posts one line to every console window in "WM_ZenqConsoleOutput"; true when a console received it.
bool ZenqTraceSendMessage(const QString &line);
