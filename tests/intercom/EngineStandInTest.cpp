// The stand-in framework engine: the name of a new application, the files it is made of, and the
// real `zenq engine` answering the service manager's requests over the message bus.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqCrypt.h"
#include "framework/ZenqDemoInstallation.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"
#include "intercom/ZenqEngineStandIn.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>

namespace {

const QString missing = QStringLiteral("<missing>");

QString inBin(const QString &file)
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), file);
}

QString inSource(const QString &name, const QString &file)
{
    return JMakeFileName(JMakeFileName(ZenqGetApplicationsSourceDir(), name), file);
}

// The Value of the first element of that name in a configuration file, plain or encrypted.
QString settingIn(const QString &file, const QString &element)
{
    QString text;
    if (!JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text))
        return missing;
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == element)
            return reader.attributes().value(QStringLiteral("Value")).toString();
    }
    return reader.hasError() ? QStringLiteral("<broken: %1>").arg(reader.errorString()) : missing;
}

QByteArray bytesOf(const QString &file)
{
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
}

void write(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile output(file);
    QVERIFY(output.open(QIODevice::WriteOnly | QIODevice::Truncate));
    output.write(bytes);
}

// A few parents and the service templates of a made-up installation; the Main unit has a UTF-8 mark,
// the project source none.
void writeFixture()
{
    QDir(ZenqGetRootDir()).removeRecursively();
    const QByteArray folder = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n   <IsFolder Value=\"1\"/>\r\n</Zenq>\r\n";
    for (const QString &name : { QStringLiteral("Sales"), QStringLiteral("R&D") }) {
        write(inBin(name + QStringLiteral(".Zenq")), folder);
        write(inBin(name + QStringLiteral(".Zenqc")), folder);
    }
    write(inBin(QStringLiteral("OnlyConfiguration.Zenqc")), folder);

    const QString templates = ZenqApplicationTemplatesDir(ZenqNewApplicationKind::Service);
    write(JMakeFileName(templates, QStringLiteral("@application@.Zenq")),
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n   <!-- Definition of @application@ -->\r\n"
          "   <Parent Value=\"@zenqparent@\"/>\r\n   <Author Value=\"@author@\"/>\r\n   <Comment Value=\"@comment@\"/>\r\n"
          "   <ServiceType Value=\"Service\"/>\r\n</Zenq>\r\n");
    write(JMakeFileName(templates, QStringLiteral("@application@.Zenqc")),
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n   <Parent Value=\"@zenqparent@\"/>\r\n</Zenq>\r\n");
    write(JMakeFileName(templates, QStringLiteral("@application@.dpr")),
          "library @application@;\r\n{ under @zenqparent@ }\r\nuses @application@Main in '@application@Main.pas';\r\n");
    write(JMakeFileName(templates, QStringLiteral("@application@Main.pas")),
          UTF8Header + "unit @application@Main; { \xC3\xA4 }\r\n");
}

QStringList filesIn(const QString &directory)
{
    return QDir(directory).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class EngineStandInTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { writeFixture(); }

    void newNameIsTheFirstFreeOfBaseAndNumberedSuffixes_data()
    {
        QTest::addColumn<QStringList>("binFiles");
        QTest::addColumn<QStringList>("sourceDirs");
        QTest::addColumn<QString>("expected");
        const QString base = QStringLiteral("New Zenq-Application");
        QTest::newRow("nothing there") << QStringList {} << QStringList {} << base;
        QTest::newRow("definition file") << QStringList { base + ".Zenq" } << QStringList {} << base + "(2)";
        QTest::newRow("configuration file alone") << QStringList { base + ".Zenqc" } << QStringList {} << base + "(2)";
        QTest::newRow("first two taken") << QStringList { base + ".Zenq", base + "(2).Zenqc" } << QStringList {}
                                         << base + "(3)";
        QTest::newRow("a gap is filled") << QStringList { base + ".Zenq", base + "(3).Zenq" } << QStringList {}
                                         << base + "(2)";
        QTest::newRow("a numbered name alone leaves the base free") << QStringList { base + "(2).Zenq" } << QStringList {}
                                                                    << base;
        QTest::newRow("a blank before the number is another name") << QStringList { base + ".Zenq", base + " (2).Zenq" }
                                                                   << QStringList {} << base + "(2)";
        QTest::newRow("source directory left behind") << QStringList {} << QStringList { base } << base + "(2)";
    }
    void newNameIsTheFirstFreeOfBaseAndNumberedSuffixes()
    {
        QFETCH(QStringList, binFiles);
        QFETCH(QStringList, sourceDirs);
        QFETCH(QString, expected);
        for (const QString &file : binFiles)
            write(inBin(file), "<Zenq/>");
        for (const QString &directory : sourceDirs)
            QVERIFY(JMakeDir(JMakeFileName(ZenqGetApplicationsSourceDir(), directory)));
        QCOMPARE(ZenqChooseNewApplicationName(QStringLiteral("New Zenq-Application")), expected);
    }

    void newApplicationNamesItsParentInBothFiles_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("inDefinition");
        QTest::addColumn<QString>("inConfiguration");
        QTest::newRow("parent with both files") << "Sales" << "Sales.Zenq" << "Sales.Zenqc";
        QTest::newRow("parent with a configuration file only")
            << "OnlyConfiguration" << "OnlyConfiguration.Zenqc" << "OnlyConfiguration.Zenqc";
        QTest::newRow("parent name that needs XML escaping") << "R&D" << "R&D.Zenq" << "R&D.Zenqc";
    }
    void newApplicationNamesItsParentInBothFiles()
    {
        QFETCH(QString, parent);
        QFETCH(QString, inDefinition);
        QFETCH(QString, inConfiguration);
        QString error;
        QVERIFY2(ZenqCreateApplicationFromTemplates(ZenqNewApplicationKind::Service, "Billing", parent, &error),
                 qPrintable(error));

        QCOMPARE(JGetTypeOfXMLFile(inBin("Billing.Zenq")), int(ZenqXMLFilePlain));
        QCOMPARE(JGetTypeOfXMLFile(inBin("Billing.Zenqc")), int(ZenqXMLFileEncrypted));
        QCOMPARE(settingIn(inBin("Billing.Zenq"), "Parent"), inDefinition);
        QCOMPARE(settingIn(inBin("Billing.Zenqc"), "Parent"), inConfiguration);
        QCOMPARE(settingIn(inBin("Billing.Zenq"), "Author"), QString());
        QCOMPARE(settingIn(inBin("Billing.Zenq"), "Comment"), QString());
        QString definition;
        QVERIFY(JLoadFromXMLFile(inBin("Billing.Zenq"), ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), definition));
        QVERIFY(definition.contains(QLatin1String("<!-- Definition of Billing -->")));

        QCOMPARE(filesIn(JMakeFileName(ZenqGetApplicationsSourceDir(), "Billing")),
                 (QStringList { "Billing.dpr", "BillingMain.pas" }));
        QCOMPARE(JAnsiToWide(bytesOf(inSource("Billing", "Billing.dpr"))),
                 QStringLiteral("library Billing;\r\n{ under %1 }\r\nuses BillingMain in 'BillingMain.pas';\r\n")
                     .arg(inDefinition));
    }

    void sourcesKeepTheirTemplatesEncoding()
    {
        QString error;
        QVERIFY2(ZenqCreateApplicationFromTemplates(ZenqNewApplicationKind::Service, "Billing", "Sales", &error),
                 qPrintable(error));
        QCOMPARE(bytesOf(inSource("Billing", "BillingMain.pas")), UTF8Header + "unit BillingMain; { \xC3\xA4 }\r\n");
        QVERIFY(!bytesOf(inSource("Billing", "Billing.dpr")).startsWith(UTF8Header));
    }

    void refusalWritesNothing_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("change"); // a template removed, a Bin file or a source directory added
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown parent") << "Nobody" << QString() << "no parent application \"Nobody\"";
        QTest::newRow("no parent") << QString() << QString() << "no parent application";
        QTest::newRow("no definition template") << "Sales" << "@application@.Zenq" << "@application@.Zenq is missing";
        QTest::newRow("no configuration template") << "Sales" << "@application@.Zenqc" << "@application@.Zenqc is missing";
        QTest::newRow("no project template") << "Sales" << "@application@.dpr" << "@application@.dpr is missing";
        QTest::newRow("name in use") << "Sales" << "Billing.Zenqc" << "\"Billing\" is in use";
        QTest::newRow("name of a source directory") << "Sales" << "Billing/" << "\"Billing\" is in use";
    }
    void refusalWritesNothing()
    {
        QFETCH(QString, parent);
        QFETCH(QString, change);
        QFETCH(QString, reason);
        if (change.startsWith(QLatin1Char('@')))
            QVERIFY(JDeleteFile(JMakeFileName(ZenqApplicationTemplatesDir(ZenqNewApplicationKind::Service), change)));
        else if (change.endsWith(QLatin1Char('/')))
            QVERIFY(JMakeDir(JMakeFileName(ZenqGetApplicationsSourceDir(), change)));
        else if (!change.isEmpty())
            write(inBin(change), "<Zenq/>");
        const QStringList sourceBefore = filesIn(ZenqGetApplicationsSourceDir());
        const QStringList binBefore = filesIn(ZenqGetApplicationsBinDir());
        QString error;
        QVERIFY(!ZenqCreateApplicationFromTemplates(ZenqNewApplicationKind::Service, "Billing", parent, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(filesIn(ZenqGetApplicationsBinDir()), binBefore);
        QCOMPARE(filesIn(ZenqGetApplicationsSourceDir()), sourceBefore);
    }

    void failedSourceDirectoryTakesTheWrittenFilesBack()
    {
        // A file where the sources' directory should be: the application files are already written then.
        write(ZenqGetApplicationsSourceDir(), "not a directory");
        const QStringList binBefore = filesIn(ZenqGetApplicationsBinDir());
        QString error;
        QVERIFY(!ZenqCreateApplicationFromTemplates(ZenqNewApplicationKind::Service, "Billing", "Sales", &error));
        QVERIFY2(error.contains(QLatin1String("cannot create the directory")), qPrintable(error));
        QCOMPARE(filesIn(ZenqGetApplicationsBinDir()), binBefore);
        QCOMPARE(bytesOf(ZenqGetApplicationsSourceDir()), QByteArray("not a directory"));
    }
};

namespace {

// The next line of a process's channel; empty when none came in time.
QString nextLine(QProcess &process, QProcess::ProcessChannel channel)
{
    process.setReadChannel(channel);
    const QDeadlineTimer deadline(20000);
    while (!process.canReadLine() && process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}

// A `zenq engine` for the length of a test; `ready` tells whether it said it runs.
struct Engine
{
    Engine()
    {
        process.start(zenqtest::zenqToolPath(), { QStringLiteral("engine") });
        const QString line = nextLine(process, QProcess::StandardError);
        ready = line.contains(QLatin1String("running at "));
        endpoint = line.mid(line.indexOf(QLatin1String("running at ")) + 11);
    }
    ~Engine()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished();
    }
    QProcess process;
    bool ready = false;
    QString endpoint;
};

struct Answer
{
    qint64 number = 0;
    QString text;
    bool textAnswer = false;
    int reached = 0;
};

Answer request(const QString &message, quintptr wParam, const QString &text)
{
    ZenqDeliveryReport report;
    const qint64 result = ZenqInterCommunicateWith_AllWindowsOfAWindowClass(message, ZenqWindowClass::FrameworkEngine,
                                                                            {}, false, wParam, text, &report);
    Answer answer;
    answer.reached = report.reached;
    answer.textAnswer = report.textAnswer;
    if (report.textAnswer)
        answer.text = JGlobalGetAtomAndDelete(static_cast<quint16>(result));
    else
        answer.number = result;
    return answer;
}

// What the engine traced since the last call (it writes to the applications' trace location).
QString newTrace()
{
    static qsizetype seen = 0;
    const QString text = ZenqDecodeText(bytesOf(ZenqHandOverFileName(0)), ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
    const QString fresh = text.mid(seen);
    seen = text.size();
    return fresh;
}

} // namespace

class EngineProcessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(ZenqInstallDemo(ZenqGetRootDir(), &error), qPrintable(error));
        m_engine = std::make_unique<Engine>();
        QVERIFY2(m_engine->ready, qPrintable(QString::fromUtf8(m_engine->process.readAllStandardError())));
    }
    void init() { newTrace(); }
    void cleanupTestCase() { m_engine.reset(); }

    void newApplicationIsMadeFromTheDemoTemplates_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("serviceType");
        QTest::addColumn<QString>("isService");
        QTest::addColumn<QString>("projectStart");
        QTest::newRow("application") << 1 << "Sales" << "New Zenq-Application" << "Service" << "1" << "library ";
        QTest::newRow("Windows program") << 2 << "Reporting" << "New Zenq-Program" << "Windows program" << "0"
                                         << "program ";
    }
    void newApplicationIsMadeFromTheDemoTemplates()
    {
        QFETCH(int, kind);
        QFETCH(QString, parent);
        QFETCH(QString, base);
        QFETCH(QString, serviceType);
        QFETCH(QString, isService);
        QFETCH(QString, projectStart);
        for (const QString &name : { base, base + "(2)" }) {
            const Answer answer = request("WM_ZenqFrameworkNewApplication", quintptr(kind), parent);
            QVERIFY(answer.textAnswer);
            QCOMPARE(answer.text, name);
            const QString definition = inBin(name + ".Zenq");
            const QString configuration = inBin(name + ".Zenqc");
            QCOMPARE(JGetTypeOfXMLFile(definition), int(ZenqXMLFilePlain));
            QCOMPARE(JGetTypeOfXMLFile(configuration), int(ZenqXMLFileEncrypted));
            QCOMPARE(settingIn(definition, "Parent"), parent + ".Zenq");
            QCOMPARE(settingIn(configuration, "Parent"), parent + ".Zenqc");
            QCOMPARE(settingIn(definition, "ServiceType"), serviceType);
            QCOMPARE(settingIn(definition, "IsService"), isService);
            QCOMPARE(settingIn(definition, "IsFolder"), QStringLiteral("0"));
            QCOMPARE(settingIn(definition, "IsRemoveableFromConsole"), QStringLiteral("1"));

            QCOMPARE(filesIn(JMakeFileName(ZenqGetApplicationsSourceDir(), name)),
                     (QStringList { name + ".dpr", name + "Main.pas" }));
            for (const QString &file : { inSource(name, name + ".dpr"), inSource(name, name + "Main.pas") }) {
                const QString text = JAnsiToWide(bytesOf(file));
                QVERIFY2(!text.contains(QLatin1Char('@')), qPrintable(file));
                QCOMPARE(text.count(QLatin1String("\r\n")), text.count(QLatin1Char('\n')));
            }
            QVERIFY(JAnsiToWide(bytesOf(inSource(name, name + ".dpr"))).startsWith(projectStart + name + ";"));
        }
        QVERIFY(newTrace().contains(QStringLiteral("created the %1 \"%2(2)\" under \"%3\"")
                                        .arg(kind == 2 ? "Windows program" : "application", base, parent)));
    }

    void newApplicationThatCannotBeMadeAnswersNoText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("withoutTemplates");
        QTest::addColumn<QString>("traced");
        QTest::newRow("unknown parent") << 1 << "Nowhere" << false << "no parent application \"Nowhere\"";
        QTest::newRow("no parent") << 2 << QString() << false << "no parent application";
        QTest::newRow("unknown kind") << 3 << "Sales" << false << "unknown kind 3";
        QTest::newRow("no templates") << 1 << "Sales" << true << "@application@.Zenq is missing";
    }
    void newApplicationThatCannotBeMadeAnswersNoText()
    {
        QFETCH(int, kind);
        QFETCH(QString, parent);
        QFETCH(bool, withoutTemplates);
        QFETCH(QString, traced);
        const QString templates = ZenqApplicationTemplatesDir(ZenqNewApplicationKind::Service);
        const QString away = templates + QStringLiteral(".away");
        if (withoutTemplates)
            QVERIFY(JRenameFile(templates, away));
        const QStringList binBefore = filesIn(ZenqGetApplicationsBinDir());
        const QStringList sourceBefore = filesIn(ZenqGetApplicationsSourceDir());

        const Answer answer = request("WM_ZenqFrameworkNewApplication", quintptr(kind), parent);
        if (withoutTemplates)
            QVERIFY(JRenameFile(away, templates));
        QCOMPARE(answer.reached, 1);
        QVERIFY(!answer.textAnswer);
        QCOMPARE(answer.number, 0);
        QCOMPARE(filesIn(ZenqGetApplicationsBinDir()), binBefore);
        QCOMPARE(filesIn(ZenqGetApplicationsSourceDir()), sourceBefore);
        const QString trace = newTrace();
        QVERIFY2(trace.contains(QLatin1String("#E#")) && trace.contains(traced), qPrintable(trace));
    }

    void requestsAreAnsweredAndTraced_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("wParam");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("traced");
        const QString orders = inSource("Orders", "Orders.dpr");
        QTest::newRow("installed") << "WM_ZenqFrameworkInstalled" << 0 << QString() << 1 << "installed framework";
        QTest::newRow("load") << "WM_ZenqFrameworkLoadApplication" << 0 << "Orders" << 1
                              << "would load the project " + orders;
        QTest::newRow("load without a name") << "WM_ZenqFrameworkLoadApplication" << 0 << QString() << 0
                                             << "load request without an application name";
        QTest::newRow("to rename") << "WM_ZenqApplicationToRename" << 0 << orders << 1 << orders + ", which is to be renamed";
        QTest::newRow("to delete") << "WM_ZenqApplicationToDelete" << 0 << orders << 1 << orders + ", which is to be deleted";
        QTest::newRow("compile without a name") << "WM_ZenqApplicationCompileAndRegister" << 3 << QString() << 0
                                                << "compile request without an application name";
        QTest::newRow("unknown compile kind") << "WM_ZenqApplicationCompileAndRegister" << 5 << "Orders" << 0
                                              << "unknown kind 5";
    }
    void requestsAreAnsweredAndTraced()
    {
        QFETCH(QString, message);
        QFETCH(int, wParam);
        QFETCH(QString, text);
        QFETCH(int, answer);
        QFETCH(QString, traced);
        const Answer got = request(message, quintptr(wParam), text);
        QCOMPARE(got.reached, 1);
        QCOMPARE(got.number, qint64(answer));
        const QString trace = newTrace();
        QVERIFY2(trace.contains(traced), qPrintable(trace));
    }

    void compileIsAnnouncedToTheConsole_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QStringList>("projects");
        // Empty: every application in Bin, the demo's and those the tests above created.
        QTest::newRow("compile all") << 1 << QString() << "compile" << QStringList();
        QTest::newRow("build all") << 2 << QString() << "build" << QStringList();
        QTest::newRow("compile one") << 3 << "Orders" << "compile" << QStringList { "Orders" };
        QTest::newRow("build one") << 4 << "Invoices" << "build" << QStringList { "Invoices" };
    }
    void compileIsAnnouncedToTheConsole()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QString, verb);
        QFETCH(QStringList, projects);
        const quint32 isCompiling = RegisterWindowMessage(QStringLiteral("WM_ZenqIsCompiling"));
        QList<quintptr> announced;
        ZenqWindow console(ZenqWindowClass::Console, [&](quint32 message, quintptr wParam, qintptr) {
            if (message == isCompiling)
                announced << wParam;
            return ZenqMessageAnswer();
        });
        QVERIFY(console.open());

        const Answer answer = request("WM_ZenqApplicationCompileAndRegister", quintptr(kind), name);
        QCOMPARE(answer.number, 1);
        QTRY_COMPARE(announced, (QList<quintptr> { 1, 0 }));
        // All: the demo's applications and those the tests above created; folders have no project.
        const QStringList folders { "ZenqApplications", "ZenqSystem", "Sales", "Reporting" };
        if (projects.isEmpty()) {
            projects = QDir(ZenqGetApplicationsBinDir()).entryList({ QStringLiteral("*.Zenq") }, QDir::Files);
            for (QString &project : projects)
                project.chop(5);
            for (const QString &demoApplication : ZenqDemoApplicationNames())
                QVERIFY2(projects.contains(demoApplication), qPrintable(demoApplication));
            for (const QString &folder : folders)
                projects.removeOne(folder);
        }
        const QString trace = newTrace();
        for (const QString &project : std::as_const(projects)) {
            const QString line = QStringLiteral("would %1 %2\r\n").arg(verb, inSource(project, project + ".dpr"));
            QVERIFY2(trace.contains(line), qPrintable(line));
        }
        QCOMPARE(trace.count(QStringLiteral("would %1 ").arg(verb)), projects.size());
        for (const QString &folder : folders)
            QCOMPARE(trace.contains(QStringLiteral("skips the folder %1,").arg(folder)), kind <= 2);
    }

    void secondEngineIsRefusedUntilTheFirstIsGone()
    {
        QProcess second;
        second.start(zenqtest::zenqToolPath(), { QStringLiteral("engine") });
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(QLatin1String("already running")));

        // A killed engine leaves its socket file and no window: the next one starts.
        ::kill(static_cast<pid_t>(m_engine->process.processId()), SIGKILL);
        QVERIFY(m_engine->process.waitForFinished());
        QVERIFY(QFileInfo::exists(m_engine->endpoint));
        m_engine = std::make_unique<Engine>();
        QVERIFY(m_engine->ready);
        QCOMPARE(request("WM_ZenqFrameworkInstalled", 0, {}).number, 1);
    }

    // Runs last: ends the engine the way a user does.
    void terminationEndsTheEngineCleanly()
    {
        m_engine->process.terminate();
        QVERIFY(m_engine->process.waitForFinished(10000));
        QCOMPARE(m_engine->process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_engine->process.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(m_engine->endpoint));
        QCOMPARE(request("WM_ZenqFrameworkInstalled", 0, {}).reached, 0);
    }

    void anyWindowOfTheEngineClassKeepsTheStandInFromStarting()
    {
        QProcess other;
        other.start(zenqtest::zenqToolPath(), { QStringLiteral("listen"), ZenqWindowClass::FrameworkEngine });
        QVERIFY(nextLine(other, QProcess::StandardError).contains(QLatin1String("listening at")));
        QProcess engine;
        engine.start(zenqtest::zenqToolPath(), { QStringLiteral("engine") });
        QVERIFY(engine.waitForFinished(20000));
        QCOMPARE(engine.exitCode(), 1);
        other.terminate();
        QVERIFY(other.waitForFinished(10000));
    }

private:
    std::unique_ptr<Engine> m_engine;
};

ZENQ_TEST_CLASS(EngineStandInTest);
ZENQ_TEST_CLASS(EngineProcessTest);
#include "EngineStandInTest.moc"
