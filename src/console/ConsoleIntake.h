#pragma once
// The console main window as a mailbox: the registered messages it handles, in the order it tests
// them, and only once they are registered. UI thread only.
#include "framework/ZenqMessages.h"

#include <memory>

class TraceHandOverReader;
class TraceProcessor;

// What the window does on the messages whose actions are its own.
class ConsoleIntakeHost
{
public:
    virtual ~ConsoleIntakeHost() = default;
    // The framework reloaded its parameters: rebuild the option menus, re-evaluate the memory items,
    // let an open service manager refresh.
    virtual void parametersChanged() {}
    // The global trace settings changed: set the six With-check marks from the framework.
    virtual void globalTraceSettingsChanged() {}
    // "ZenqConsoleShow": show a hidden window, restore a minimised one.
    virtual void showConsoleRequested() {}
};

class ConsoleMessageIntake
{
public:
    ConsoleMessageIntake(TraceProcessor &processor, TraceHandOverReader &reader, ConsoleIntakeHost &host);
    ~ConsoleMessageIntake();
    ConsoleMessageIntake(const ConsoleMessageIntake &) = delete;
    ConsoleMessageIntake &operator=(const ConsoleMessageIntake &) = delete;

    // Opens the window's endpoint of class "TZenqConsole_MainForm"; false with a reason.
    bool open(QString *error = nullptr);
    void close();
    // Registers "ZenqConsoleShow", "WM_ZenqIsCompiling", "WM_ZenqConsoleOutput",
    // "WM_ZenqApplicationParameterChanged" and "..._SomeGlobalSettingsOnly", in this order.
    void registerMessages();
    // The first showing of the window: registers "StartReadDebugInfo" and posts it to this window.
    void windowShownFirstTime();

    // The window procedure: at most one action per message; the answer is always 0.
    ZenqMessageAnswer WindowProc(quint32 message, quintptr wParam, qintptr lParam);

    bool compiling() const { return m_compiling; }
    const bool *compilingFlag() const { return &m_compiling; }
    void setCompiling(bool compiling) { m_compiling = compiling; }

private:
    TraceProcessor &m_processor;
    TraceHandOverReader &m_reader;
    ConsoleIntakeHost &m_host;
    std::unique_ptr<ZenqWindow> m_window;
    bool m_compiling = false;
    bool m_shownOnce = false;

    quint32 m_consoleShow = 0;
    quint32 m_isCompiling = 0;
    quint32 m_consoleOutput = 0;
    quint32 m_parameterChanged = 0;
    quint32 m_globalSettingsOnly = 0;
    quint32 m_startReadDebugInfo = 0;
};
