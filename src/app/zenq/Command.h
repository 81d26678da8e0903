#pragma once
// The `zenq` tool's commands. Each command file registers itself with ZENQ_COMMAND; main dispatches on
// the first argument. A command returns the process exit code: 0 success, 1 failure, 2 bad arguments.
#include <QStringList>
#include <QTextStream>

namespace zenqtool {

using CommandFunction = int (*)(const QStringList &arguments);
struct Command
{
    const char *name;
    const char *usage;   // one line: arguments
    const char *summary; // one line: what it does
    CommandFunction run;
};

int registerCommand(const Command &command);
const Command *findCommand(const QString &name);
QList<Command> allCommands();

QTextStream &out();
QTextStream &err();
// Prints "zenq NAME: message" to standard error and returns 2 (bad arguments).
int usageError(const char *command, const QString &message);
// Prints "zenq NAME: message" to standard error and returns 1 (failure).
int failure(const char *command, const QString &message);
// The encoding code of "utf16", "utf8" or "ansi" (the hand-over encodings); false for another name.
bool parseEncodingName(const QString &name, int &encoding);
// Prints the usage and summary of a command.
void printCommandHelp(const Command &command);

} // namespace zenqtool

#define ZENQ_COMMAND(name, usage, summary, function) \
    static const int zenqCommand_##function = zenqtool::registerCommand({ name, usage, summary, function })
