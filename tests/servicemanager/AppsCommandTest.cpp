// `zenq apps` as a script sees it: the tree as text, changes reported on standard output, the window's
// message and exit code 1 when a change fails, and a question answered only by --yes.
#include "ServiceManagerTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include <QProcess>

namespace {

using Run = ZenqToolRun;

Run zenqApps(const QStringList &arguments)
{
    return runZenqTool(QStringList { QStringLiteral("apps") } + arguments);
}

} // namespace

class AppsCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandsReportWhatTheyChanged()
    {
        ZENQ_FRESH_DEMO(demo);
        Run tree = zenqApps({ QStringLiteral("tree") });
        QCOMPARE(tree.exitCode, 0);
        const QStringList lines = tree.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.value(0).startsWith(QStringLiteral("Name ")) && lines.value(0).endsWith(QStringLiteral("Projectgroup")));
        QVERIFY(lines.value(1).startsWith(QStringLiteral("ZenqApplications ")));
        QVERIFY2(lines.value(2).startsWith(QStringLiteral("  Invoices ")), qPrintable(lines.value(2)));

        const Run used = zenqApps({ QStringLiteral("rename"), QStringLiteral("Orders"), QStringLiteral("Customers") });
        QCOMPARE(used.exitCode, 1);
        QVERIFY2(used.err.startsWith(QStringLiteral("Error: ")), qPrintable(used.err));
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Orders.Zenq"))));

        const Run renamed = zenqApps({ QStringLiteral("rename"), QStringLiteral("Orders"), QStringLiteral("Purchases") });
        QCOMPARE(renamed.exitCode, 0);
        QCOMPARE(renamed.out, QStringLiteral("renamed 'Orders' to 'Purchases'\n"));
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Purchases.Zenq"))));

        QCOMPARE(zenqApps({ QStringLiteral("move"), QStringLiteral("Purchases"), QStringLiteral("Reporting") }).out,
                 QStringLiteral("moved 'Purchases' from 'Sales' to 'Reporting'\n"));
        QCOMPARE(zenqApps({ QStringLiteral("delete"), QStringLiteral("Sales") }).exitCode, 1); // not confirmed
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Sales.Zenq"))));
        const Run deleted = zenqApps({ QStringLiteral("delete"), QStringLiteral("Sales"), QStringLiteral("--yes") });
        QCOMPARE(deleted.exitCode, 0);
        QCOMPARE(deleted.out, QStringLiteral("deleted 'Sales' and the 2 applications below it\n"));
        QVERIFY(!JFileExists(FreshDemo::bin(QStringLiteral("Customers.Zenq"))));
        QCOMPARE(zenqApps({ QStringLiteral("delete"), QStringLiteral("Nobody") }).exitCode, 1);
        QCOMPARE(zenqApps({ QStringLiteral("rename"), QStringLiteral("Orders") }).exitCode, 2);
    }
};

ZENQ_TEST_CLASS(AppsCommandTest);
#include "AppsCommandTest.moc"
