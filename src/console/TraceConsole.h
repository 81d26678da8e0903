#pragma once
// The trace console without its window: options, trace processing, trace files, hand-over take-up,
// memory table and the message intake, wired together in the order the console starts them. The main
// window and the headless host each own one. UI thread only.
#include "ConsoleIntake.h"
#include "MemoryTable.h"
#include "TraceDisplay.h"
#include "TraceFileWriter.h"
#include "TraceHandOver.h"
#include "TraceOptions.h"
#include "TraceProcessor.h"
#include "framework/ZenqLocks.h"

#include <QObject>

class TraceConsole : public QObject
{
    Q_OBJECT
public:
    TraceConsole(TraceProcessorHost &host, TraceDisplaySink &display, ConsoleIntakeHost &intakeHost,
                 QObject *parent = nullptr);
    ~TraceConsole() override;

    // Opens the trace mutex and deletes the three trace files (window creation, before the settings);
    // throws when the runtime directory cannot hold the lock.
    void openTraceMutexAndDeleteTraceFiles();
    // Opens the window's endpoint and registers its messages. False with a reason when the endpoint
    // cannot be created.
    bool startIntake(QString *error = nullptr);
    // The window is shown for the first time: trace reading begins from its message loop.
    void windowShownFirstTime() { m_intake.windowShownFirstTime(); }
    // Writes what is queued and closes the endpoint and the trace mutex.
    void stop();

    TraceOptions &options() { return m_options; }
    TraceProcessor &processor() { return m_processor; }
    TraceFileWriter &traceFiles() { return m_traceFiles; }
    TraceHandOverReader &reader() { return *m_reader; }
    MemoryTable &memoryTable() { return m_memoryTable; }
    ConsoleMessageIntake &intake() { return m_intake; }

private:
    TraceOptions m_options;
    TraceFileWriter m_traceFiles;
    TraceProcessor m_processor;
    MemoryTable m_memoryTable;
    ZenqMutexHandle m_traceMutex;
    TraceHandOverReader *m_reader = nullptr;
    ConsoleMessageIntake m_intake;
};
