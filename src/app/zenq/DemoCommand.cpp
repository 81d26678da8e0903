// zenq demo install DIR: writes the demo installation.
#include "Command.h"

#include "framework/ZenqDemoInstallation.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

namespace {

QString shellWord(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

int demoCommand(const QStringList &arguments)
{
    if (arguments.size() != 2 || arguments.first() != QLatin1String("install") || arguments.at(1).isEmpty())
        return zenqtool::usageError("demo", QStringLiteral("expected: zenq demo install DIR"));
    const QString directory = QDir::cleanPath(QDir(arguments.at(1)).absolutePath());
    const bool earlierDemo = ZenqIsDemoInstallation(directory);
    QString error;
    if (!ZenqInstallDemo(directory, &error, QCoreApplication::applicationFilePath()))
        return zenqtool::failure("demo", error);
    zenqtool::out() << (earlierDemo ? "Restored" : "Installed") << " the Zenq demo in " << directory << ": "
                    << ZenqDemoApplicationNames().size()
                    << " applications and folders with sources, project groups, tools, templates and the "
                       "documentation-and-test database.\n"
                    << "Use it with: ZENQ_ROOT=" << shellWord(directory) << " zenq-console\n";
    zenqtool::out().flush();
    return 0;
}

} // namespace

ZENQ_COMMAND("demo", "install DIR",
             "Create the demo installation in DIR (created when missing; an earlier demo there is restored).",
             demoCommand);
