// zenq samples list SERVICE: the names of a service's XML samples, which a test script's Sample lines use.
#include "Command.h"
#include "DocAndTestScope.h"

#include "servicemanager/ZenqTestRunner.h"

namespace {

constexpr const char *name = "samples";

int samplesCommand(const QStringList &arguments)
{
    if (arguments.size() != 2 || arguments.first() != QLatin1String("list") || arguments.at(1).isEmpty())
        return zenqtool::usageError(name, QStringLiteral("expected: zenq samples list SERVICE"));
    zenqtool::DocAndTestScope docAndTest(name);
    if (!docAndTest.isOpen())
        return zenqtool::failure(name, docAndTest.error());
    for (const QString &sample : ZenqSampleNames(docAndTest.database(), arguments.at(1)))
        zenqtool::out() << sample << '\n';
    return 0;
}

} // namespace

ZENQ_COMMAND("samples", "list SERVICE",
             "The names of a service's XML samples in the documentation-and-test database, one per line,\n"
             "sorted without regard to case (a test script's \"Sample = NAME;\" picks one of them).",
             samplesCommand);
