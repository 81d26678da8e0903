// `zenq samples` and `zenq tests` as a script sees them: names on standard output, each call's answer
// and elapsed time, and the exit code that says whether a test ran to its end.
#include "ServiceManagerTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqDocAndTest.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

using Run = ZenqToolRun;

Run zenq(const QStringList &arguments)
{
    return runZenqTool(arguments);
}

void addTest(const QString &service, const QString &name, const QString &script)
{
    const QString connection = QStringLiteral("TestsCommandTest");
    {
        QSqlDatabase database = ZenqOpenDocAndTestDatabase(connection);
        ZenqExecuteSQL(database, QStringLiteral("INSERT INTO D_TESTS (APPNAME_, TESTNAME_, TESTSCRIPT_) VALUES (?, ?, ?)"),
                       { service, name, script });
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace

class TestsCommandTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void exitCodeSaysWhetherTheTestRanToItsEnd_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // a regular expression the output must match
        QTest::addColumn<QString>("err");
        QTest::newRow("green, two calls")
            << QStringList { "tests", "run", "Orders", "Customer's last order, then all open orders" } << 0
            << "^Line 6: Orders answered, Elapsed Time: \\d+ msec\n<ZenqResponse>\n(.*\n)*"
               "Line 10: Orders answered, Elapsed Time: \\d+ msec\n(.*\n)*"
               "Test \"Customer's last order, then all open orders\" of Orders ran to its end: 2 calls\\.\n$"
            << "^$";
        QTest::newRow("ends at the failing line, after the answer before it")
            << QStringList { "tests", "run", "Orders", "Locked out" } << 1
            << "^Line 1: Orders answered, .*\n(.*\n)*</ZenqResponse>\n$"
            << "^zenq tests: Line 3: .*the password of user 'ZenqGuest2' is wrong\\.\n$";
        QTest::newRow("no such test") << QStringList { "tests", "run", "Orders", "Nothing" } << 1 << "^$"
                                      << "^zenq tests: Orders has no test named \"Nothing\"\n$";
        QTest::newRow("service without a program")
            << QStringList { "tests", "run", "StockViewer", "Not a service" } << 1 << "^$" << "is not installed";
        QTest::newRow("missing test name") << QStringList { "tests", "run", "Orders" } << 2 << "^$" << "expected";
        QTest::newRow("test names") << QStringList { "tests", "list", "Orders" } << 0
                                    << "^Customer's last order, then all open orders\nList open orders\nLocked out\n"
                                       "Unknown sample\n$"
                                    << "^$";
        QTest::newRow("sample names") << QStringList { "samples", "list", "Customers" } << 0
                                      << "^Generated 2024-03-13 14:20:00\n(.*\n)*Sample 1\n$" << "^$";
        QTest::newRow("a service without samples") << QStringList { "samples", "list", "Nobody" } << 0 << "^$" << "^$";
        QTest::newRow("samples without a verb") << QStringList { "samples", "Orders" } << 2 << "^$" << "expected";
    }
    void exitCodeSaysWhetherTheTestRanToItsEnd()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        ZENQ_FRESH_DEMO(demo);
        addTest(QStringLiteral("Orders"), QStringLiteral("Locked out"),
                QStringLiteral("Execute;\r\nPassword = wrong;\r\nExecute;\r\nExecute;\r\n"));
        addTest(QStringLiteral("StockViewer"), QStringLiteral("Not a service"), QStringLiteral("Execute;"));
        const Run run = zenq(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(QRegularExpression(out).match(run.out).hasMatch(), qPrintable(run.out));
        QVERIFY2(QRegularExpression(err).match(run.err).hasMatch(), qPrintable(run.err));
    }
};

ZENQ_TEST_CLASS(TestsCommandTest);
#include "TestsCommandTest.moc"
