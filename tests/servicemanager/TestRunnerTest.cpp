// The test runner: how a script line is read, what each key does to the run state, what a call sends,
// runs against the demo's services, the errors that end a run, the hooks the window listens to, the
// look-ups by bound names and the Script Mini-Help text.
#include "ServiceManagerTestSupport.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "framework/ZenqClock.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqServices.h"
#include "framework/ZenqTextEncoding.h"
#include "servicemanager/ZenqTestRunner.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

namespace {

const QString runnerConnection = QStringLiteral("TestRunnerTest");

// The demo's documentation-and-test database for the length of one test.
class DemoDatabase
{
public:
    DemoDatabase() { m_database = ZenqOpenDocAndTestDatabase(runnerConnection, &m_error); }
    ~DemoDatabase()
    {
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(runnerConnection);
    }
    DemoDatabase(const DemoDatabase &) = delete;
    DemoDatabase &operator=(const DemoDatabase &) = delete;
    QSqlDatabase &database() { return m_database; }
    QString error() const { return m_error; }

private:
    QSqlDatabase m_database;
    QString m_error;
};

// What a run showed through the runner's hooks.
struct Observed
{
    QList<ZenqTestCall> calls;
    QStringList requests; // the request document of each answered call
    QStringList elapsedTexts;
    QStringList errors;
};

void observe(ZenqTestRunner &runner, Observed &observed)
{
    runner.callAnswered = [&runner, &observed](const ZenqTestCall &call) {
        observed.calls << call;
        observed.requests << runner.connection().lastRequest();
    };
    runner.elapsedTimeChanged = [&observed](const QString &text) { observed.elapsedTexts << text; };
    runner.errorOccurred = [&observed](const QString &message) { observed.errors << message; };
}

QString script(const char *lines)
{
    return QString::fromUtf8(lines).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString headerAttribute(const QString &request, const QString &name)
{
    const QRegularExpression pattern(QStringLiteral("<ZenqCall [^>]*\\b%1=\"([^\"]*)\"").arg(name));
    return pattern.match(request).captured(1);
}

bool everyServiceReleased()
{
    for (int index = 0; index < ZenqServices_Count(); ++index)
        if (ZenqServices_Service(index)->isLoaded())
            return false;
    return true;
}

void writeOrdersProgram(const QString &body)
{
    const QString file = FreshDemo::bin(QStringLiteral("Orders.DLL"));
    QVERIFY(JSaveToFileS(file, QStringLiteral("#!/bin/sh\n") + body, ZenqEncodingUtf8, false));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// A clock whose tick count the test sets; the date stays real.
class TickClock final : public ZenqClock
{
public:
    quint32 tickCount() override { return ticks; }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    quint32 ticks = 0;
};

} // namespace

class TestRunnerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scriptLinesSplitIntoKeyAndValue_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("comment");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << "" << true << "" << "";
        QTest::newRow("blanks") << "   " << true << "" << "";
        QTest::newRow("control characters only") << "\f\v" << true << "" << "";
        QTest::newRow("comment") << "// Comment" << true << "" << "";
        QTest::newRow("indented comment") << " \t// or\t =  LeaveOpen;" << true << "" << "";
        QTest::newRow("comment behind delimiters") << "=; //Execute;" << true << "" << "";
        QTest::newRow("single slash is no comment") << "/Execute;" << false << "/Execute" << "";
        QTest::newRow("help line 2") << "Action\t =  OpenAndClose;" << false << "Action" << "OpenAndClose";
        QTest::newRow("value with a blank") << "Sample\t =  Sample 1;" << false << "Sample" << "Sample 1";
        QTest::newRow("value with an apostrophe")
            << "Sample = Customer's last order;" << false << "Sample" << "Customer's last order";
        QTest::newRow("key alone") << "Execute;" << false << "Execute" << "";
        QTest::newRow("key alone, no semicolon") << "execute" << false << "execute" << "";
        QTest::newRow("no semicolon") << "Input\t =  Combo2,Text,'PPV'" << false << "Input" << "Combo2,Text,'PPV'";
        QTest::newRow("indented key") << "\t  Username = Bob;" << false << "Username" << "Bob";
        QTest::newRow("value ends at the first semicolon") << "Password = a;b;" << false << "Password" << "a";
        QTest::newRow("every delimiter after the key is skipped") << "Username==;; Bob ;x" << false << "Username" << "Bob";
        QTest::newRow("equals sign inside the value") << "Password = a=b ;" << false << "Password" << "a=b";
        QTest::newRow("delimiters trimmed around the value") << "Language =\t EN GB \t=;" << false << "Language" << "EN GB";
        QTest::newRow("empty value") << "Password =  ;" << false << "Password" << "";
        QTest::newRow("comment text behind a key is its value") << "Execute // now" << false << "Execute" << "// now";
    }
    void scriptLinesSplitIntoKeyAndValue()
    {
        QFETCH(QString, line);
        QFETCH(bool, comment);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const ZenqScriptLine parsed = ZenqParseScriptLine(line);
        QCOMPARE(parsed.comment, comment);
        QCOMPARE(parsed.key, key);
        QCOMPARE(parsed.value, value);
    }

    void scriptsSplitAtEveryKindOfLineBreak()
    {
        QCOMPARE(ZenqSplitScriptLines(QStringLiteral("a\r\nb\rc\nd\r\n")),
                 (QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                                QString() }));
    }

    void keysChangeTheRunState_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("language");
        const QString guest = QStringLiteral("ZenqGuest2"), secret = QStringLiteral("Trosvibel");
        QTest::newRow("open and close") << "Action = OpenAndClose;" << 0 << guest << secret << "";
        QTest::newRow("leave open") << "Action = LeaveOpen;" << 1 << guest << secret << "";
        QTest::newRow("as designed") << "Action = WindowsGUIShowAsDesigned;" << 2 << guest << secret << "";
        QTest::newRow("like the sender becomes as designed")
            << "Action = WindowsGUIShowLikeSenderForm;" << 2 << guest << secret << "";
        QTest::newRow("as child becomes as designed") << "Action = WindowsGUIShowAsChild;" << 2 << guest << secret << "";
        QTest::newRow("client aligned becomes as designed")
            << "Action = WindowsGUIShowAsChild_ClientAligned;" << 2 << guest << secret << "";
        QTest::newRow("modeless stays") << "Action = WindowsGUIShowAsDesignedModeless;" << 6 << guest << secret << "";
        QTest::newRow("close") << "action = close;" << 7 << guest << secret << "";
        QTest::newRow("user, key in capitals") << "USERNAME = ZenqAdmin;" << 0 << "ZenqAdmin" << secret << "";
        QTest::newRow("password with a blank") << "Password = two words;" << 0 << guest << "two words" << "";
        QTest::newRow("language") << "Language = DEDE;" << 0 << guest << secret << "DEDE";
        QTest::newRow("input lines have no effect") << "Input = Edit1,Text,'This is a text';" << 0 << guest << secret << "";
        QTest::newRow("unknown keys have no effect") << "Delay = 5;" << 0 << guest << secret << "";
        QTest::newRow("comment") << "// Username = ZenqAdmin;" << 0 << guest << secret << "";
    }
    void keysChangeTheRunState()
    {
        QFETCH(QString, line);
        QFETCH(int, action);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, language);
        ZenqTestRunner runner;
        TZenqTestRunState state;
        QVERIFY(runner.InterpretScriptLine(line, state));
        QCOMPARE(int(state.action), action);
        QCOMPARE(state.userName, user);
        QCOMPARE(state.password, password);
        QCOMPARE(state.language, language);
        QVERIFY(state.sampleInput.isEmpty());
    }

    void unknownActionIsAnErrorAndChangesNothing()
    {
        ZenqTestRunner runner;
        TZenqTestRunState state;
        state.action = TZenqAction::LeaveOpen;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, runner.InterpretScriptLine(QStringLiteral("Action = Sideways;"), state));
        QCOMPARE(state.action, TZenqAction::LeaveOpen);
    }

    // Every test script of the demo runs to its end against the demo's services.
    void everyDemoTestRunsGreen()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        QSqlQuery tests(docAndTest.database());
        QVERIFY2(tests.exec(QStringLiteral("SELECT APPNAME_, TESTNAME_, TESTSCRIPT_ FROM D_TESTS")),
                 qPrintable(docAndTest.error()));
        int run = 0;
        while (tests.next()) {
            ZenqTestRunner runner;
            Observed observed;
            observe(runner, observed);
            const QString label = tests.value(0).toString() + QStringLiteral(" / ") + tests.value(1).toString();
            QVERIFY2(runner.LabelRunClick(tests.value(0).toString(), tests.value(2).toString(), docAndTest.database()),
                     qPrintable(label + QStringLiteral(": ") + observed.errors.value(0)));
            QVERIFY2(!observed.calls.isEmpty(), qPrintable(label));
            for (const ZenqTestCall &call : observed.calls)
                QVERIFY2(call.answer.contains(QLatin1String("<ZenqResponse>")), qPrintable(label + call.answer));
            ++run;
        }
        QVERIFY(run >= 9);
    }

    void runCallsTheServiceForEachExecuteAndCleansUp()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ScopedScriptedUserInterface ui;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        const std::optional<QString> text = ZenqFindTestScript(
            docAndTest.database(), QStringLiteral("Orders"), QStringLiteral("Customer's last order, then all open orders"));
        QVERIFY(text);
        runner.RunTestScript(QStringLiteral("Orders"), *text, docAndTest.database());

        QCOMPARE(observed.calls.size(), 2);
        QCOMPARE(observed.calls.at(0).lineNumber, 6);
        QVERIFY(observed.calls.at(0).answer.contains(QLatin1String("<Order id=\"5011\"")));
        QCOMPARE(observed.calls.at(1).lineNumber, 10); // "execute;" in lower case
        QVERIFY(observed.calls.at(1).answer.contains(QLatin1String("count=\"3\"")));
        QCOMPARE(observed.elapsedTexts.size(), 2);
        static const QRegularExpression elapsed(QStringLiteral("^Elapsed Time: \\d+ msec$"));
        QVERIFY2(elapsed.match(observed.elapsedTexts.at(1)).hasMatch(), qPrintable(observed.elapsedTexts.at(1)));
        QCOMPARE(runner.elapsedTimeText(), observed.elapsedTexts.last());
        QCOMPARE(ui->waitCursorsShown, 1);
        QCOMPARE(ui->waitDepth, 0);
        QVERIFY(!runner.runPrepared());
        QVERIFY(everyServiceReleased());
    }

    // Each call's request follows the run state of its moment.
    void requestFollowsTheRunState_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("profiles");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("parameter"); // empty: no parameter block
        QTest::newRow("guest by default, the session's language")
            << script("Execute;") << "ENGB" << "3;7" << "OpenAndClose" << "";
        QTest::newRow("the script's language wins") << script("Language = FRFR;\nExecute;") << "FRFR" << "3;7"
                                                    << "OpenAndClose" << "";
        QTest::newRow("an empty language falls back to the session's")
            << script("Language = ;\nExecute;") << "ENGB" << "3;7" << "OpenAndClose" << "";
        QTest::newRow("another user's session")
            << script("Username = zenqadmin;\nPassword = Adm1n-Demo;\nExecute;") << "DEDE" << "1" << "OpenAndClose" << "";
        QTest::newRow("action as the window shows it")
            << script("Action = WindowsGUIShowAsChild;\nExecute;") << "ENGB" << "3;7" << "WindowsGUIShowAsDesigned" << "";
        QTest::newRow("sample found by a name with an apostrophe")
            << script("Sample = Customer's last order;\nExecute;") << "ENGB" << "3;7" << "OpenAndClose"
            << "<ApplicationParameter>\r\n\r\n<ZenqRequest>\r\n   <LastOrder customer=\"17\"/>\r\n</ZenqRequest>\r\n"
               "</ApplicationParameter>\r\n";
        QTest::newRow("a missing sample empties the input")
            << script("Sample = Customer's last order;\nSample = No such sample;\nExecute;") << "ENGB" << "3;7"
            << "OpenAndClose" << "";
        QTest::newRow("a name that looks like SQL is only a name")
            << script("Sample = Customer' OR '1'='1;\nExecute;") << "ENGB" << "3;7" << "OpenAndClose" << "";
    }
    void requestFollowsTheRunState()
    {
        QFETCH(QString, text);
        QFETCH(QString, language);
        QFETCH(QString, profiles);
        QFETCH(QString, action);
        QFETCH(QString, parameter);
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        runner.RunTestScript(QStringLiteral("Orders"), text, docAndTest.database());
        QCOMPARE(observed.calls.size(), 1);
        const QString request = observed.requests.first();
        QCOMPARE(headerAttribute(request, QStringLiteral("Language")), language);
        QCOMPARE(headerAttribute(request, QStringLiteral("ProfileIDs")), profiles);
        QCOMPARE(headerAttribute(request, QStringLiteral("Action")), action);
        QCOMPARE(headerAttribute(request, QStringLiteral("Sender")), QStringLiteral("ZenqConsole"));
        QCOMPARE(headerAttribute(request, QStringLiteral("ApplicationType")), QStringLiteral("6"));
        QCOMPARE(headerAttribute(request, QStringLiteral("Receiver")), QStringLiteral("Orders"));
        QCOMPARE(headerAttribute(request, QStringLiteral("CallLevel")), QStringLiteral("0"));
        QVERIFY(!headerAttribute(request, QStringLiteral("SessionID")).isEmpty());
        if (parameter.isEmpty())
            QVERIFY2(!request.contains(QLatin1String("ApplicationParameter")), qPrintable(request));
        else
            QVERIFY2(request.contains(parameter), qPrintable(request));
    }

    void laterCallsKeepTheLoginOfEarlierOnes()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        runner.RunTestScript(QStringLiteral("Orders"),
                             script("Username = ZenqAdmin;\nPassword = Adm1n-Demo;\nExecute;\n"
                                    "Sample = List open orders;\nExecute;"),
                             docAndTest.database());
        QCOMPARE(observed.calls.size(), 2);
        for (const QString &request : observed.requests)
            QCOMPARE(headerAttribute(request, QStringLiteral("ProfileIDs")), QStringLiteral("1"));
        QVERIFY(!observed.requests.at(0).contains(QLatin1String("<OrderList")));
        QVERIFY(observed.requests.at(1).contains(QLatin1String("<OrderList customer=\"17\">")));
    }

    // An error ends the run at its line: no later line runs, the run is cleaned up, and the error
    // reaches the error display with its line. The elapsed time shows only when the call itself failed.
    void errorsEndTheRunAtTheirLine_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("program"); // replaces Orders.DLL when not empty
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("elapsedShown"); // calls that reached the service's program, the failed one included
        QTest::newRow("wrong password") << "Orders" << ""
                                        << script("Execute;\nPassword = wrong;\nExecute;\nPassword = Trosvibel;\nExecute;")
                                        << 3 << "the password of user 'ZenqGuest2' is wrong" << 1 << 1;
        QTest::newRow("unknown user") << "Orders" << "" << script("Username = Nobody;\nExecute;\nExecute;") << 2
                                      << "there is no user 'Nobody'" << 0 << 0;
        QTest::newRow("missing service program") << "StockViewer" << "" << script("// no DLL\nExecute;") << 2
                                                 << "is not installed" << 0 << 0;
        QTest::newRow("program fails") << "Orders" << "cat >/dev/null\necho 'no database' >&2\nexit 4\n"
                                       << script("Execute;\nExecute;") << 1 << "exit code 4. Its error output: no database"
                                       << 0 << 1;
        QTest::newRow("program answers nothing") << "Orders" << "cat >/dev/null\n" << script("Execute;") << 1
                                                 << "gave an empty answer" << 0 << 1;
        QTest::newRow("unknown action") << "Orders" << "" << script("Execute;\n\nAction = Sideways;\nExecute;") << 3
                                        << "'Sideways' is no action" << 1 << 1;
    }
    void errorsEndTheRunAtTheirLine()
    {
        QFETCH(QString, service);
        QFETCH(QString, program);
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, reason);
        QFETCH(int, calls);
        QFETCH(int, elapsedShown);
        ZENQ_FRESH_DEMO(demo);
        if (!program.isEmpty())
            writeOrdersProgram(program);
        DemoDatabase docAndTest;
        ScopedScriptedUserInterface ui;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        QVERIFY(!runner.LabelRunClick(service, text, docAndTest.database()));
        QCOMPARE(observed.calls.size(), calls);
        QCOMPARE(observed.errors.size(), 1);
        QVERIFY2(observed.errors.first().startsWith(QStringLiteral("Line %1: ").arg(line)), qPrintable(observed.errors.first()));
        QVERIFY2(observed.errors.first().contains(reason), qPrintable(observed.errors.first()));
        QCOMPARE(observed.elapsedTexts.size(), elapsedShown);
        QCOMPARE(ui->waitDepth, 0);
        QVERIFY(!runner.runPrepared());
        QVERIFY(everyServiceReleased());
    }

    void errorCarriesItsLineWithoutAnErrorHook()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqTestRunner runner;
        try {
            runner.LabelRunClick(QStringLiteral("Orders"), script("// first\nPassword = x;\nExecute;"),
                                 docAndTest.database());
            QFAIL("no error");
        } catch (const ZenqTestScriptError &error) {
            QCOMPARE(error.lineNumber(), 3);
            QVERIFY(error.message().contains(QLatin1String("is wrong")));
        }
        QVERIFY(!runner.runPrepared());
    }

    void runDoesNothingWithoutServiceOrDatabase()
    {
        ZENQ_FRESH_DEMO(demo);
        ScopedScriptedUserInterface ui;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        {
            DemoDatabase docAndTest;
            QVERIFY(!runner.LabelRunClick(QString(), script("Execute;"), docAndTest.database()));
        }
        QVERIFY(!runner.LabelRunClick(QStringLiteral("Orders"), script("Execute;"), QSqlDatabase()));
        QCOMPARE(ui->waitCursorsShown, 0);
        QVERIFY(observed.calls.isEmpty() && observed.elapsedTexts.isEmpty() && observed.errors.isEmpty());
    }

    void commentsOnlyLeaveTheElapsedTimeAlone()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        QVERIFY(runner.LabelRunClick(QStringLiteral("Orders"), script("Execute;"), docAndTest.database()));
        const QString shown = runner.elapsedTimeText();
        QVERIFY(runner.LabelRunClick(QStringLiteral("Orders"), script("// nothing\n\n   \n\t// else\n"),
                                     docAndTest.database()));
        QCOMPARE(observed.calls.size(), 1);
        QCOMPARE(observed.elapsedTexts.size(), 1);
        QCOMPARE(runner.elapsedTimeText(), shown);
    }

    // The Script Mini-Help's example is also a working script.
    void helpTextIsTheExampleAndRuns()
    {
        const QString help = ZenqScriptMiniHelpText();
        QVERIFY(help.endsWith(QLatin1String("Execute;\r\n\r\n")));
        QCOMPARE(help.count(QLatin1Char('\n')), help.count(QStringLiteral("\r\n")));
        const QStringList lines = help.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 22); // 21 lines, each ended by CR LF
        QCOMPARE(lines.at(0), QStringLiteral("// Comment"));
        QCOMPARE(lines.at(1), QStringLiteral("Action\t =  OpenAndClose;"));
        QCOMPARE(lines.at(8), QStringLiteral("// or\t =  Close;"));
        QCOMPARE(lines.at(12), QStringLiteral("Sample\t =  Sample 1;"));
        QCOMPARE(lines.at(17), QStringLiteral("Input\t =  Combo2,Text,'PPV'"));
        QCOMPARE(lines.at(19), QStringLiteral("Execute;"));
        QCOMPARE(lines.at(20), QString());
        QCOMPARE(ZenqScriptMiniHelpCaption, QStringLiteral("Script - Help: Example"));

        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        QVERIFY(runner.LabelRunClick(QStringLiteral("Customers"), help, docAndTest.database()));
        QCOMPARE(observed.calls.size(), 2);
        QCOMPARE(observed.calls.at(1).lineNumber, 20);
        for (const QString &request : observed.requests)
            QVERIFY(request.contains(QLatin1String("<Customer id=\"17\"/>")));
        QVERIFY(observed.calls.at(1).answer.contains(QLatin1String("Harbour Supplies Ltd")));
    }

    void elapsedTimeCountsAcrossTheWrap_data()
    {
        QTest::addColumn<quint32>("start");
        QTest::addColumn<quint32>("now");
        QTest::addColumn<QString>("text");
        QTest::newRow("no time") << quint32(500) << quint32(500) << "Elapsed Time: 0 msec";
        QTest::newRow("some time") << quint32(1000) << quint32(1042) << "Elapsed Time: 42 msec";
        QTest::newRow("across the wrap") << quint32(0xFFFFFFF0) << quint32(0x20) << "Elapsed Time: 48 msec";
    }
    void elapsedTimeCountsAcrossTheWrap()
    {
        QFETCH(quint32, start);
        QFETCH(quint32, now);
        QFETCH(QString, text);
        auto clock = std::make_unique<TickClock>();
        TickClock *ticks = clock.get();
        std::unique_ptr<ZenqClock> previous = ZenqSetClock(std::move(clock));
        ticks->ticks = now;
        ZenqTestRunner runner;
        QStringList shown;
        runner.elapsedTimeChanged = [&shown](const QString &value) { shown << value; };
        runner.ShowElapsedTime(start);
        ZenqSetClock(std::move(previous));
        QCOMPARE(shown, QStringList { text });
        QCOMPARE(runner.elapsedTimeText(), text);
    }

    void endRunReleasesServicesOnlyAfterBeginRun()
    {
        ZENQ_FRESH_DEMO(demo);
        ZenqTestRunner runner;
        TZenqStandardService *orders = ZenqServices_ServiceByName(QStringLiteral("Orders"), true);
        runner.EndRun(); // not prepared: nothing happens
        QVERIFY(orders->isLoaded());
        runner.BeginRun();
        runner.BeginRun();
        QVERIFY(runner.runPrepared());
        runner.EndRun();
        QVERIFY(!runner.runPrepared());
        QVERIFY(!orders->isLoaded());
    }

    void lookupsBindTheNames_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("sample");
        QTest::addColumn<bool>("found");
        QTest::newRow("apostrophe") << "Orders" << "Customer's last order" << true;
        QTest::newRow("doubled apostrophe is another name") << "Orders" << "Customer''s last order" << false;
        QTest::newRow("condition in the name") << "Orders" << "x' OR '1'='1" << false;
        QTest::newRow("another service's sample") << "Customers" << "Customer's last order" << false;
        QTest::newRow("name differs in letter case") << "Orders" << "list open orders" << false;
    }
    void lookupsBindTheNames()
    {
        QFETCH(QString, service);
        QFETCH(QString, sample);
        QFETCH(bool, found);
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        const std::optional<QString> input = ZenqFindSampleInput(docAndTest.database(), service, sample);
        QCOMPARE(input.has_value(), found);
        QCOMPARE(ZenqSampleNames(docAndTest.database(), service).contains(sample), found);
    }

    void namesAreListedWithoutRegardToCase()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqExecuteSQL(docAndTest.database(),
                       QStringLiteral("INSERT INTO D_TESTS (APPNAME_, TESTNAME_, TESTSCRIPT_) VALUES (?, ?, ?)"),
                       { QStringLiteral("Orders"), QStringLiteral("aardvark"), QStringLiteral("Execute;") });
        QCOMPARE(ZenqTestNames(docAndTest.database(), QStringLiteral("Orders")),
                 (QStringList { QStringLiteral("aardvark"), QStringLiteral("Customer's last order, then all open orders"),
                                QStringLiteral("List open orders"), QStringLiteral("Unknown sample") }));
        QVERIFY(!ZenqFindTestScript(docAndTest.database(), QStringLiteral("Orders"), QStringLiteral("AARDVARK")));
    }

    void failedLookupIsAnError()
    {
        ZENQ_FRESH_DEMO(demo);
        DemoDatabase docAndTest;
        ZenqExecuteSQL(docAndTest.database(), QStringLiteral("DROP TABLE D_XMLBEHAVIOUR"));
        ZenqTestRunner runner;
        Observed observed;
        observe(runner, observed);
        QVERIFY(!runner.LabelRunClick(QStringLiteral("Orders"), script("Sample = List open orders;\nExecute;"),
                                      docAndTest.database()));
        QCOMPARE(observed.calls.size(), 0);
        QVERIFY2(observed.errors.value(0).startsWith(QLatin1String("Line 1: The sample \"List open orders\" of Orders "
                                                                   "cannot be read")),
                 qPrintable(observed.errors.value(0)));
    }
};

ZENQ_TEST_CLASS(TestRunnerTest);
#include "TestRunnerTest.moc"
