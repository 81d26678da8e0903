// Configuration sets on a temporary installation: save as, overwrite question, open with the compiling
// flag held and the broadcast after it, a set without its "Framework" part, and the item states.
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "tools/ZenqConfigurationSets.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

void writeFile(const QString &file, const QString &text)
{
    JMakeDir(QFileInfo(file).absolutePath());
    QVERIFY(JSaveToFileS(file, text, ZenqEncodingUtf8, false));
}

QString readFile(const QString &file)
{
    return JLoadFromFile(file, ZenqLoadDefaultUtf8);
}

} // namespace

class ConfigurationSetsTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;
    QString caption;
    bool openEnabled = false;
    bool saveEnabled = false;
    QStringList notified;
    QList<bool> compilingChanges;
    std::unique_ptr<ZenqConfigurationSets> sets;

private Q_SLOTS:
    void init()
    {
        ui = std::make_unique<ScopedScriptedUserInterface>();
        JRemoveDir(ZenqGetRootDir(), true);
        writeFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc")), QStringLiteral("live orders"));
        writeFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenq")), QStringLiteral("definition"));
        writeFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.DLL")), QStringLiteral("binary"));
        writeFile(JMakeFileName(ZenqGetFrameworkBinDir(), QStringLiteral("ZenqFramework.Zenqc")), QStringLiteral("live framework"));
        notified.clear();
        compilingChanges.clear();
        ZenqConfigurationSets::Host host;
        host.showConfiguration = [this](const QString &c, bool open, bool save) {
            caption = c;
            openEnabled = open;
            saveEnabled = save;
        };
        host.fullNotify = [this](const QString &name) { notified << name; };
        host.setCompiling = [this](bool on) { compilingChanges << on; };
        sets = std::make_unique<ZenqConfigurationSets>(QStringLiteral("Zenq [1] - Console and Tracing"), host);
    }
    void cleanup()
    {
        sets.reset();
        ui.reset();
    }

    void withoutSetsOpenAndSaveAreDisabled()
    {
        sets->SetConfiguration(QString());
        QVERIFY(!openEnabled);
        QVERIFY(!saveEnabled);
        QCOMPARE(caption, QStringLiteral("Zenq [1] - Console and Tracing"));
    }

    void saveAsCreatesTheSetCopiesBothDirectoriesAndDoesNotBroadcast()
    {
        (*ui)->inputAnswers << QStringLiteral("Release 1");
        sets->SaveConfigurationAs();
        const QString directory = ZenqConfigurationSets::setDirectory(QStringLiteral("Release 1"));
        QCOMPARE(readFile(JMakeFileName(directory, QStringLiteral("Orders.Zenqc"))), QStringLiteral("live orders"));
        QCOMPARE(readFile(JMakeFileName(directory, QStringLiteral("Orders.Zenq"))), QStringLiteral("definition"));
        QVERIFY2(!JFileExists(JMakeFileName(directory, QStringLiteral("Orders.DLL"))), "only definition and configuration files");
        QCOMPARE(readFile(JMakeFileName(directory, QStringLiteral("Framework/ZenqFramework.Zenqc"))), QStringLiteral("live framework"));
        QCOMPARE(caption, QStringLiteral("Zenq [1] - Console and Tracing (Release 1)"));
        QVERIFY(openEnabled);
        QVERIFY(saveEnabled);
        QVERIFY(notified.isEmpty());
    }

    void saveAsOverAnExistingSetAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("kept");
        QTest::newRow("no leaves the set") << int(JMessageResult::No) << "stored orders";
        QTest::newRow("yes overwrites it") << int(JMessageResult::Yes) << "live orders";
    }
    void saveAsOverAnExistingSetAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(QString, kept);
        const QString directory = ZenqConfigurationSets::setDirectory(QStringLiteral("Old"));
        writeFile(JMakeFileName(directory, QStringLiteral("Orders.Zenqc")), QStringLiteral("stored orders"));
        (*ui)->inputAnswers << QStringLiteral("Old");
        (*ui)->messageAnswer = static_cast<JMessageResult>(answer);
        sets->SaveConfigurationAs();
        QCOMPARE((*ui)->messages, QStringList { QStringLiteral("The configuration already exists. Do you want to overwrite it?") });
        QCOMPARE(readFile(JMakeFileName(directory, QStringLiteral("Orders.Zenqc"))), kept);
    }

    void saveAsRefusesANameThatLeavesTheConfigurationsDirectory()
    {
        (*ui)->inputAnswers << QStringLiteral("../escape");
        sets->SaveConfigurationAs();
        QVERIFY(!JDirExists(JMakeFileName(ZenqGetFrameworkConfigsDir(), QStringLiteral("../escape"))));
        QCOMPARE((*ui)->messages.size(), 1);
    }

    void openCopiesTheSetBackHoldsCompilingAndBroadcasts()
    {
        const QString directory = ZenqConfigurationSets::setDirectory(QStringLiteral("Test"));
        writeFile(JMakeFileName(directory, QStringLiteral("Orders.Zenqc")), QStringLiteral("test orders"));
        // no "Framework" part: nothing is copied there, and the open still succeeds
        (*ui)->inputAnswers << QStringLiteral("Test");
        sets->OpenConfiguration();
        QCOMPARE((*ui)->previousValues, QStringList { QStringLiteral("Test") });
        QCOMPARE(readFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc"))), QStringLiteral("test orders"));
        QCOMPARE(readFile(JMakeFileName(ZenqGetFrameworkBinDir(), QStringLiteral("ZenqFramework.Zenqc"))), QStringLiteral("live framework"));
        QCOMPARE(sets->configurationInUse(), QStringLiteral("Test"));
        QCOMPARE(notified, QStringList { QStringLiteral("WM_ZenqApplicationParameterChanged") });
        QCOMPARE(compilingChanges, (QList<bool> { true, false }));
    }

    void cancelledOpenChangesNothingButReleasesCompiling()
    {
        sets->OpenConfiguration();
        QVERIFY(notified.isEmpty());
        QCOMPARE(compilingChanges, (QList<bool> { true, false }));
    }

    void failedCopyIsReportedAndStops()
    {
        const QString directory = ZenqConfigurationSets::setDirectory(QStringLiteral("Broken"));
        writeFile(JMakeFileName(directory, QStringLiteral("Orders.Zenqc")), QStringLiteral("x"));
        JMakeDir(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc.blocker")));
        QVERIFY(JDeleteFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc"))));
        QVERIFY(JMakeDir(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc")))); // not a file
        (*ui)->inputAnswers << QStringLiteral("Broken");
        sets->OpenConfiguration();
        QCOMPARE((*ui)->messages.size(), 1);
        QVERIFY((*ui)->messages.first().startsWith(QStringLiteral("Error while copying '")));
        QVERIFY((*ui)->messages.first().endsWith(QStringLiteral("'. Abort")));
        QVERIFY(notified.isEmpty());
        QVERIFY(sets->configurationInUse().isEmpty());
    }

    void commandLineSetsReportWhatHappened()
    {
        const auto zenqConfig = [](const QStringList &arguments) {
            QProcess zenq;
            zenq.start(zenqtest::zenqToolPath(), QStringList { QStringLiteral("config") } + arguments);
            zenq.waitForFinished(30000);
            return zenq.exitCode();
        };
        QCOMPARE(zenqConfig({ QStringLiteral("save") }), 1); // no set in use yet
        QCOMPARE(zenqConfig({ QStringLiteral("save-as"), QStringLiteral("Nightly") }), 0);
        QCOMPARE(zenqConfig({ QStringLiteral("save-as"), QStringLiteral("Nightly") }), 1); // exists, no --overwrite
        QCOMPARE(zenqConfig({ QStringLiteral("save-as"), QStringLiteral("Nightly"), QStringLiteral("--overwrite") }), 0);
        QCOMPARE(zenqConfig({ QStringLiteral("open"), QStringLiteral("Missing") }), 1);
        QCOMPARE(zenqConfig({ QStringLiteral("open"), QStringLiteral("Nightly") }), 0);
        QCOMPARE(zenqConfig({ QStringLiteral("bogus") }), 2);
    }
};

ZENQ_TEST_CLASS(ConfigurationSetsTest);
#include "ConfigurationSetsTest.moc"
