#include "TraceConsole.h"

#include <stdexcept>

TraceConsole::TraceConsole(TraceProcessorHost &host, TraceDisplaySink &display, ConsoleIntakeHost &intakeHost,
                           QObject *parent)
    : QObject(parent)
    , m_processor(m_options, host, display, m_traceFiles)
    , m_memoryTable(m_options, [this](const QString &line) { m_processor.ProcessTraceLine(line, m_processor.currentLocation()); })
    , m_reader(new TraceHandOverReader(m_options, m_processor, host, m_traceMutex, this))
    , m_intake(m_processor, *m_reader, intakeHost)
{
    m_processor.setMemoryTable(&m_memoryTable);
    m_reader->setMemoryTable(&m_memoryTable);
    m_memoryTable.setChangedCallback([&host] { host.memoryTableChanged(); });
}

TraceConsole::~TraceConsole()
{
    stop();
}

void TraceConsole::openTraceMutexAndDeleteTraceFiles()
{
    if (!m_traceMutex)
        m_traceMutex = ZenqOpenAMutex(ZenqTracerSyncMutexName);
    if (!m_traceMutex)
        throw std::runtime_error("The trace lock \"Global\\ZenqTracerSync\" cannot be opened.");
    m_traceFiles.deleteTraceFiles();
}

bool TraceConsole::startIntake(QString *error)
{
    if (!m_intake.open(error))
        return false;
    m_intake.registerMessages();
    return true;
}

void TraceConsole::stop()
{
    m_traceFiles.flush();
    m_intake.close();
    ZenqCloseAMutex(m_traceMutex);
}
