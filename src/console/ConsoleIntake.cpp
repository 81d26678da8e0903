#include "ConsoleIntake.h"

#include "TraceHandOver.h"
#include "TraceProcessor.h"
#include "framework/ZenqServices.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqWindowClasses.h"

#include <QTimer>

ConsoleMessageIntake::ConsoleMessageIntake(TraceProcessor &processor, TraceHandOverReader &reader,
                                           ConsoleIntakeHost &host)
    : m_processor(processor), m_reader(reader), m_host(host)
{
}

ConsoleMessageIntake::~ConsoleMessageIntake() = default;

bool ConsoleMessageIntake::open(QString *error)
{
    if (!m_window) {
        m_window = std::make_unique<ZenqWindow>(ZenqWindowClass::Console, [this](quint32 message, quintptr wParam,
                                                                                 qintptr lParam) {
            return WindowProc(message, wParam, lParam);
        });
    }
    return m_window->open(error);
}

void ConsoleMessageIntake::close()
{
    if (m_window)
        m_window->close();
}

void ConsoleMessageIntake::registerMessages()
{
    m_consoleShow = RegisterWindowMessage(QStringLiteral("ZenqConsoleShow"));
    m_isCompiling = RegisterWindowMessage(QStringLiteral("WM_ZenqIsCompiling"));
    m_consoleOutput = RegisterWindowMessage(QStringLiteral("WM_ZenqConsoleOutput"));
    m_parameterChanged = RegisterWindowMessage(QStringLiteral("WM_ZenqApplicationParameterChanged"));
    m_globalSettingsOnly = RegisterWindowMessage(QStringLiteral("WM_ZenqApplicationParameterChanged_SomeGlobalSettingsOnly"));
}

void ConsoleMessageIntake::windowShownFirstTime()
{
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_startReadDebugInfo = RegisterWindowMessage(QStringLiteral("StartReadDebugInfo"));
    // Posted to this window alone, so reading starts once its message loop runs.
    const quint32 message = m_startReadDebugInfo;
    QTimer::singleShot(0, &m_reader, [this, message] { WindowProc(message, 0, 0); }); // dropped with the window
}

ZenqMessageAnswer ConsoleMessageIntake::WindowProc(quint32 message, quintptr wParam, qintptr lParam)
{
    // Before the window registered its messages nothing is recognised; the message falls through.
    if (m_parameterChanged == 0 || message == 0)
        return 0;
    if (message == m_parameterChanged) {
        ZenqServices_ApplicationParameterChanged(QStringLiteral("ZenqConsole"), TZenqApplicationType::WindowsApplication);
        m_host.parametersChanged();
    } else if (message == m_globalSettingsOnly) {
        ZenqServices_ApplicationParameterChanged_SomeGlobalSettingsOnly();
        m_host.globalTraceSettingsChanged();
    } else if (message == m_consoleOutput) {
        // The line arrives as the atom's 8-bit text, widened as a whole; it is never cut or shortened.
        const QString line = JGlobalGetAtomAndDelete(static_cast<quint16>(lParam), false);
        m_processor.ProcessTraceLine(line, m_processor.currentLocation());
    } else if (message == m_isCompiling) {
        m_compiling = wParam != 0;
    } else if (message == m_consoleShow) {
        m_host.showConsoleRequested();
    } else if (message == m_startReadDebugInfo) {
        m_reader.StartTraceReading();
    }
    return 0;
}
