// zenq: the framework side from a shell.
#include "Command.h"

#include "framework/ZenqFrameworkComponentsStarter.h"

#include <QCoreApplication>

#include <exception>

using namespace zenqtool;

namespace {

void printHelp()
{
    out() << "usage: zenq COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const Command &command : allCommands())
        out() << "  " << QString::fromLatin1(command.name).leftJustified(10) << command.summary << "\n";
    out() << "\nRun 'zenq COMMAND --help' for the arguments of a command.\n";
    out().flush();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zenq"));
    ZenqFrameworkBinding binding; // binds this module to the framework for the whole run

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("--help") || arguments.first() == QLatin1String("-h")
        || arguments.first() == QLatin1String("help")) {
        printHelp();
        return arguments.isEmpty() ? 2 : 0;
    }
    const Command *command = findCommand(arguments.first());
    if (!command) {
        err() << "zenq: unknown command '" << arguments.first() << "'. Run 'zenq --help'.\n";
        return 2;
    }
    arguments.removeFirst();
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        printCommandHelp(*command);
        return 0;
    }
    try {
        const int exitCode = command->run(arguments);
        out().flush();
        return exitCode;
    } catch (const std::exception &error) {
        return failure(command->name, QString::fromUtf8(error.what()));
    }
}
