// zenq engine: a stand-in framework engine on the message bus, so that the service manager's requests
// (new application, load project, compile and build, rename and delete notices) can be tried out.
#include "Command.h"

#include "framework/ZenqLocks.h"
#include "framework/ZenqTrace.h"
#include "intercom/ZenqEngineStandIn.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>

namespace {

constexpr const char *name = "engine";

int engineCommand(const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return zenqtool::usageError(name, QStringLiteral("unexpected argument '%1'").arg(arguments.first()));
    // The lock closes the gap between two engines that start at the same moment; the bus check also
    // finds an engine that is not this stand-in.
    const ZenqMutexLocker onlyEngine(ZenqOpenAMutex(QStringLiteral("ZenqFrameworkEngineStandIn")), 0);
    if (!onlyEngine.isLocked() || ZenqFrameworkEngineIsRunning())
        return zenqtool::failure(name, QStringLiteral("a framework engine is already running"));

    ZenqEngineStandIn engine;
    QString error;
    if (!engine.open(&error))
        return zenqtool::failure(name, error);
    if (!platform::quitOnTerminationSignals())
        return zenqtool::failure(name, QStringLiteral("cannot handle SIGINT/SIGTERM"));
    ZenqDS(QStringLiteral("Framework engine (stand-in): running"));
    zenqtool::err() << "zenq engine: framework engine (stand-in) running at " << engine.endpointPath() << '\n';
    zenqtool::err().flush();
    const int exitCode = QCoreApplication::exec();
    engine.close();
    ZenqDS(QStringLiteral("Framework engine (stand-in): ended"));
    return exitCode;
}

} // namespace

ZENQ_COMMAND("engine", "",
             "Run a stand-in framework engine (window class TZenqFramework_EngineForm) until SIGINT or SIGTERM. It\n"
             "confirms the installed framework, creates new applications and Windows programs from the templates\n"
             "in Framework/Templates/ZenqApplication (answering with the new name), and traces with ZenqDS what it\n"
             "would load, compile or build, and the rename and delete notices; a compile is announced to the\n"
             "console with WM_ZenqIsCompiling 1 and 0. Refuses to start while another engine window is on the bus.\n"
             "The readiness line 'running at PATH' goes to standard error.",
             engineCommand);
