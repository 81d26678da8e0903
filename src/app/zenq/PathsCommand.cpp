// zenq paths: the installation's directories and the console's file names.
#include "Command.h"

#include "framework/ZenqPaths.h"
#include "platform/RuntimeDirectory.h"

namespace {

int pathsCommand(const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return zenqtool::usageError("paths", QStringLiteral("takes no arguments"));
    const QList<QPair<const char *, QString>> rows {
        { "ROOT", ZenqGetRootDir() },
        { "APPLICATIONS_BIN", ZenqGetApplicationsBinDir() },
        { "SOURCE", ZenqGetApplicationsSourceDir() },
        { "SXT", ZenqGetApplicationsSXTDir() },
        { "PROJECTGROUPS", ZenqGetApplicationsProjectGroupsDir() },
        { "DOCANDTEST", ZenqGetApplicationsDocAndTestDir() },
        { "EXTERNAL_BIN", ZenqGetApplicationsExternalBinDir() },
        { "WWW_DATA", ZenqGetApplicationsWWW_DataDir() },
        { "CSS", ZenqGetApplicationsCSSDir() },
        { "JAVASCRIPT", ZenqGetApplicationsJavaScriptDir() },
        { "FRAMEWORK_BIN", ZenqGetFrameworkBinDir() },
        { "CONFIGS", ZenqGetFrameworkConfigsDir() },
        { "TEMPLATES", ZenqGetFrameworkTemplatesDir() },
        { "TRACEDIR_1", ZenqGetTraceDir(true) },
        { "TRACEDIR_0", ZenqGetTraceDir(false) },
        { "SYSTEM_DRIVE", ZenqGetSystemDriveDir() },
        { "HANDOVER_1", ZenqHandOverFileName(1) },
        { "HANDOVER_0", ZenqHandOverFileName(0) },
        { "HANDOVER_-1", ZenqHandOverFileName(-1) },
        { "TRACEFILE_1", ZenqConsoleTraceFileName(1) },
        { "TRACEFILE_0", ZenqConsoleTraceFileName(0) },
        { "TRACEFILE_-1", ZenqConsoleTraceFileName(-1) },
        { "RUNTIME", platform::runtimeDirectory() },
    };
    for (const auto &[name, value] : rows)
        zenqtool::out() << name << '=' << value << '\n';
    zenqtool::out().flush();
    return 0;
}

} // namespace

ZENQ_COMMAND("paths", "", "Print the installation's directories and the console's file names as NAME=value lines.",
             pathsCommand);
