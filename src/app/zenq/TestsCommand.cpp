// zenq tests: the service manager's test scripts from a shell, run by the same interpreter as "Run".
#include "Command.h"
#include "DocAndTestScope.h"

#include "servicemanager/ZenqTestRunner.h"

#include <optional>

namespace {

constexpr const char *name = "tests";

int runTest(const QSqlDatabase &database, const QString &service, const QString &test)
{
    const std::optional<QString> script = ZenqFindTestScript(database, service, test);
    if (!script)
        return zenqtool::failure(name, QStringLiteral("%1 has no test named \"%2\"").arg(service, test));
    ZenqTestRunner runner;
    int calls = 0;
    runner.callAnswered = [&calls](const ZenqTestCall &call) {
        ++calls;
        zenqtool::out() << "Line " << call.lineNumber << ": " << call.serviceName << " answered, "
                        << ZenqElapsedTimeText(call.elapsedMs) << '\n'
                        << call.answer;
        if (!call.answer.endsWith(QLatin1Char('\n')))
            zenqtool::out() << '\n';
        zenqtool::out().flush();
    };
    try {
        runner.RunTestScript(service, *script, database);
    } catch (const std::exception &error) {
        zenqtool::out().flush();
        return zenqtool::failure(name, QString::fromUtf8(error.what()));
    }
    zenqtool::out() << "Test \"" << test << "\" of " << service << " ran to its end: "
                    << (calls == 1 ? QStringLiteral("1 call") : QStringLiteral("%1 calls").arg(calls)) << ".\n";
    return 0;
}

int testsCommand(const QStringList &arguments)
{
    const QString verb = arguments.value(0);
    const bool list = verb == QLatin1String("list") && arguments.size() == 2;
    const bool run = verb == QLatin1String("run") && arguments.size() == 3;
    if ((!list && !run) || arguments.at(1).isEmpty())
        return zenqtool::usageError(name, QStringLiteral("expected: zenq tests list SERVICE, or zenq tests run SERVICE TEST"));
    zenqtool::DocAndTestScope docAndTest(name);
    if (!docAndTest.isOpen())
        return zenqtool::failure(name, docAndTest.error());
    if (run)
        return runTest(docAndTest.database(), arguments.at(1), arguments.at(2));
    for (const QString &test : ZenqTestNames(docAndTest.database(), arguments.at(1)))
        zenqtool::out() << test << '\n';
    return 0;
}

} // namespace

ZENQ_COMMAND("tests", "list SERVICE | run SERVICE TEST",
             "A service's test scripts in the documentation-and-test database: list their names, or run one\n"
             "as the service manager's \"Run\" does. Each call's answer is printed with its elapsed time; an\n"
             "error ends the run at its line, is printed on standard error and exits with 1.",
             testsCommand);
