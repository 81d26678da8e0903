#pragma once
// `zenq-console --headless`: the console's trace intake without a window. Every displayed line goes to
// standard output (special lines coloured with ANSI SGR on a terminal unless plain); the memory table
// goes to standard error on request. Main thread only.
#include "console/ConsoleIntake.h"
#include "console/TraceDisplay.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QStringEncoder>

struct HeadlessOptions
{
    bool plain = false;      // never colour
    bool once = false;       // take up the waiting hand-over files once and end
    bool showMemory = false; // print the memory table to standard error after each change
};

class HeadlessConsole final : public TraceProcessorHost, public TraceDisplaySink, public ConsoleIntakeHost
{
public:
    explicit HeadlessConsole(const HeadlessOptions &options);
    ~HeadlessConsole() override;

    // Runs until SIGINT or SIGTERM (or, with `once`, until the waiting files are processed); returns the
    // exit code.
    int run();

    // TraceProcessorHost
    void processPendingMessages() override;
    void showError(const QString &message) override;
    void memoryTableChanged() override;
    // TraceDisplaySink
    void appendTraceLine(const QString &text, const TraceLineStyle &style) override;
    void flushDisplay() override;

private:
    HeadlessOptions m_options;
    bool m_colour = false;
    QByteArray m_output;
    QStringEncoder m_encoder { QStringConverter::Utf8 };
    QElapsedTimer m_sinceEvents;
    class TraceConsole *m_console = nullptr;
};
