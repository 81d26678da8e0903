// zenq settings: the console's settings from a shell.
#include "Command.h"

#include "framework/ZenqRegistry.h"

namespace {

constexpr const char *name = "settings";

int settingsCommand(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return zenqtool::usageError(name, QStringLiteral("expected get, set or list"));
    const QString &verb = arguments.first();
    if (verb == QLatin1String("list") && arguments.size() == 1) {
        for (const QString &value : JGetRegistryValueNames(ZenqConsoleRegistryKey))
            zenqtool::out() << value << '=' << JGetRegistryString(ZenqConsoleRegistryKey, value) << '\n';
        return 0;
    }
    if (verb == QLatin1String("get") && arguments.size() == 2) {
        if (!JRegistryValueExists(ZenqConsoleRegistryKey, arguments.at(1)))
            return zenqtool::failure(name, QStringLiteral("no value named %1").arg(arguments.at(1)));
        zenqtool::out() << JGetRegistryString(ZenqConsoleRegistryKey, arguments.at(1)) << '\n';
        return 0;
    }
    if (verb == QLatin1String("set") && arguments.size() == 3) {
        JSetRegistryString(ZenqConsoleRegistryKey, arguments.at(1), arguments.at(2));
        return 0;
    }
    return zenqtool::usageError(name, QStringLiteral("expected 'get NAME', 'set NAME VALUE' or 'list'"));
}

} // namespace

ZENQ_COMMAND("settings", "get NAME | set NAME VALUE | list",
             "Read or change a value of the console's settings (key Software\\Vantrel\\Zenq\\Framework\\ZenqConsole,\n"
             "stored in $XDG_CONFIG_HOME/Vantrel/Zenq.conf). The console reads them at start and writes them at close.",
             settingsCommand);
