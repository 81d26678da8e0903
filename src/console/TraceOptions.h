#pragma once
// The check marks of the "Tracing" menu that shape trace processing, and how they are kept in the
// console's settings. Plain data; owned by the main window (or the headless host), read per line.
#include <QString>

struct TraceOptions
{
    bool traceOn = true;           // "Trace on"
    bool escape = true;            // "Escape cancels actual Tracemessage"
    bool ignoreEmptyLines = true;  // "Ignore empty Lines"
    bool shorten = true;           // "Shorten lines greater than 1024 chars"
    bool elapsedTime = true;       // "Execution-Time as difference"
    bool memoryInfoEnabled = false; // the memory-info item is enabled (framework's memory-consumption setting)
    bool memoryInfoChecked = false; // "MENUNormalTraceMemoryInfo"
};

// A stored check option counts only when it is exactly 1; a missing one takes its default.
bool ZenqReadCheckOption(const QString &valueName, bool defaultChecked);

// The options as stored by the console ("TraceOn", "MENUEscape", "MENUIgnoreEmptyLines",
// "MENUShortenLinesGreater1024", "MENUExecTimeAsDifference", "MENUNormalTraceMemoryInfo").
TraceOptions ZenqReadTraceOptions();
