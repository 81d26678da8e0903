#pragma once
// Fakes of the console's host and display for tests: they record what the trace logic shows and let a
// test decide what Escape and the message loop do.
#include "console/TraceDisplay.h"

#include <QStringList>
#include <functional>

struct RecordedLine
{
    QString text;
    TraceLineStyle style;
};

class RecordingDisplay final : public TraceDisplaySink
{
public:
    void appendTraceLine(const QString &text, const TraceLineStyle &style) override { lines.append({ text, style }); }
    void takeFocus() override { ++focusTaken; }
    QStringList texts() const
    {
        QStringList result;
        for (const RecordedLine &line : lines)
            result << line.text;
        return result;
    }
    QList<RecordedLine> lines;
    int focusTaken = 0;
};

class ScriptedHost final : public TraceProcessorHost
{
public:
    void processPendingMessages() override
    {
        ++pendingCalls;
        if (onPendingMessages)
            onPendingMessages();
    }
    void armEscapeCheck() override { ++escapeArmed; }
    bool escapePressed() override { return escapeAfterCalls >= 0 && ++escapeChecks > escapeAfterCalls; }
    bool isHiddenByUser() const override { return hidden; }
    void restoreFromMinimised() override { ++restored; }
    void showError(const QString &message) override { errors << message; }

    std::function<void()> onPendingMessages;
    int pendingCalls = 0;
    int escapeArmed = 0;
    int escapeAfterCalls = -1; // Escape counts as pressed after this many checks; -1 never
    int escapeChecks = 0;
    bool hidden = false;
    int restored = 0;
    QStringList errors;
};
