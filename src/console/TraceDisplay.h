#pragma once
// What the trace logic needs of the trace display and of the program that hosts it. The main window and
// the headless host implement both; everything is called on the user-interface thread.
#include <QString>

// Colour (0xRRGGBB) and font style (ZenqTraceFontStyle bits) of a special line.
struct TraceLineStyle
{
    bool special = false; // false: the display's current colour and style
    quint32 color = 0;
    int fontStyle = 0;
};

class TraceDisplaySink
{
public:
    virtual ~TraceDisplaySink() = default;
    // Appends one line as a new paragraph at the end of the display.
    virtual void appendTraceLine(const QString &text, const TraceLineStyle &style) = 0;
    // The display takes the keyboard focus (after each shown line, unless the window is hidden).
    virtual void takeFocus() {}
    // Lines appended so far become visible (for hosts that buffer their output).
    virtual void flushDisplay() {}
};

class TraceProcessorHost
{
public:
    virtual ~TraceProcessorHost() = default;
    // Lets pending window messages through; called before every batch line, so it must be cheap and
    // may do real work only every few milliseconds. May re-enter the trace logic.
    virtual void processPendingMessages() = 0;
    // Arms the Escape check for a batch, and whether Escape was pressed since.
    virtual void armEscapeCheck() {}
    virtual bool escapePressed() { return false; }
    // True while the user has hidden the window with "Toggle visibility".
    virtual bool isHiddenByUser() const { return false; }
    // Restores the application from the minimised state (the restore request of a trace command).
    virtual void restoreFromMinimised() {}
    // Shows an error in the application-wide error display.
    virtual void showError(const QString &message) = 0;
    // The memory table changed (redraw the panel).
    virtual void memoryTableChanged() {}
};
