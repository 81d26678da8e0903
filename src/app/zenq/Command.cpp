#include "Command.h"

#include "framework/ZenqTextEncoding.h"

#include <map>
#include <string>

namespace zenqtool {

namespace {
std::map<std::string, Command> &registry()
{
    static std::map<std::string, Command> commands;
    return commands;
}
} // namespace

int registerCommand(const Command &command)
{
    registry()[command.name] = command;
    return 0;
}

const Command *findCommand(const QString &name)
{
    const auto found = registry().find(name.toStdString());
    return found == registry().end() ? nullptr : &found->second;
}

QList<Command> allCommands()
{
    QList<Command> commands;
    for (const auto &[name, command] : registry())
        commands << command;
    return commands;
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const char *command, const QString &message)
{
    err() << "zenq " << command << ": " << message << "\n"
          << "Try 'zenq " << command << " --help'.\n";
    err().flush();
    return 2;
}

int failure(const char *command, const QString &message)
{
    err() << "zenq " << command << ": " << message << "\n";
    err().flush();
    return 1;
}

bool parseEncodingName(const QString &name, int &encoding)
{
    if (name == QLatin1String("utf16"))
        encoding = ZenqEncodingUtf16LE;
    else if (name == QLatin1String("utf8"))
        encoding = ZenqEncodingUtf8;
    else if (name == QLatin1String("ansi"))
        encoding = ZenqEncodingAnsi;
    else
        return false;
    return true;
}

void printCommandHelp(const Command &command)
{
    out() << "usage: zenq " << command.name << ' ' << command.usage << "\n\n" << command.summary << "\n";
    out().flush();
}

} // namespace zenqtool
