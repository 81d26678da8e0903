// zenq options: the console's option submenus as text, built by the same code as the menus.
#include "Command.h"

#include "tools/ConsoleErrors.h"
#include "tools/ZenqOptionMenus.h"

#include <exception>

namespace {

constexpr const char *name = "options";

int optionsCommand(const QStringList &arguments)
{
    if (arguments != QStringList { QStringLiteral("list") })
        return zenqtool::usageError(name, QStringLiteral("expected list"));
    ZenqOptionMenus menus;
    try {
        menus.RebuildOptionMenus(false);
    } catch (const std::exception &error) {
        return zenqtool::failure(name, ZenqApplicationErrorText(QString::fromUtf8(error.what())));
    }
    for (const OptionMenuItem *menu : { &menus.globalOptions, &menus.localOptions, &menus.frameworkOptions })
        for (const QString &line : OptionMenuLines(*menu))
            zenqtool::out() << line << '\n';
    return 0;
}

} // namespace

ZENQ_COMMAND("options", "list",
             "The console's \"Global Options\", \"Local Options\" and \"Framework Options\" as read from the\n"
             "configuration files: an indented tree with check marks ([x] on, (*) chosen value) and disabled items.",
             optionsCommand);
