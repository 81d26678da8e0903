// The console main window on the offscreen platform: settings in and out, the With-items and their
// broadcast, default settings, visibility, special lines, and the second start of the program.
#include "support/ScriptedUserInterface.h"
#include "support/StandInServer.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "console/ConsoleNotifier.h"
#include "console/TraceConsole.h"
#include "console/widgets/TraceView.h"
#include "console/widgets/ZenqConsole_MainForm.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqTraceConstants.h"
#include "framework/ZenqXmlFile.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSplitter>
#include <QDir>
#include <QTest>

namespace {

QString applicationsConfiguration()
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc"));
}

void writeApplicationsConfiguration(const QString &elements, int type = ZenqXMLFileEncrypted)
{
    JMakeDir(ZenqGetApplicationsBinDir());
    QVERIFY(JSaveToXMLFile(applicationsConfiguration(), QStringLiteral("<Zenq>\r\n%1</Zenq>\r\n").arg(elements),
                           ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), type));
    ZenqConfigCacheClear();
}

QString storedSetting(const QString &element)
{
    ZenqConfigCacheClear();
    return ZenqFile_ReadSimple(QStringLiteral("ZenqApplications"), element, QStringLiteral("<missing>"));
}

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;

private Q_SLOTS:
    void init()
    {
        ui = std::make_unique<ScopedScriptedUserInterface>();
        QFile::remove(ZenqSettingsFileName());
        JMakeDir(ZenqGetTraceDir(false));
        writeApplicationsConfiguration(QStringLiteral("   <TraceSettingsWithDate Value=\"0\"/>\r\n"
                                                      "   <TraceSettingsWithModuleName Value=\"1\"/>\r\n"
                                                      "   <MemoryConsumption Value=\"1\"/>\r\n"));
    }
    void cleanup() { ui.reset(); }

    void captionAndChecksComeFromTheSettings()
    {
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("Panel2"), 10);
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TraceOn"), 2);
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TraceWordWrap"), 1);
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUEscape"), 0);
        TZenqConsole_MainForm form;
        form.show();
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("] - Console and Tracing")));
        QVERIFY2(!form.menuItem(QStringLiteral("MENUTraceOn"))->isChecked(), "only a stored 1 checks");
        QVERIFY(!form.console().options().traceOn);
        QVERIFY(form.menuItem(QStringLiteral("MENUWordWrap"))->isChecked());
        QVERIFY(form.traceWindow()->wordWrap());
        QVERIFY(!form.console().options().escape);
        QVERIFY2(form.menuItem(QStringLiteral("MENUShortenLinesGreater1024"))->isChecked(), "missing values take defaults");
        QCOMPARE(form.memoryPanel()->height() >= TZenqConsole_MainForm::minimumPanelHeight, true);
        QVERIFY(form.menuItem(QStringLiteral("MENUWithModuleName"))->isChecked());
        QVERIFY(!form.menuItem(QStringLiteral("MENUWithDate"))->isChecked());
        QCOMPARE(form.minimumWidth(), 130);
    }

    void configurationSetInUseIsInTheCaptionAndEnablesSave()
    {
        JSetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("TraceConfigurationActual"), QStringLiteral("Release 1"));
        TZenqConsole_MainForm form;
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("] - Console and Tracing (Release 1)")));
        QVERIFY(form.menuItem(QStringLiteral("MENUSaveConfiguration"))->isEnabled());
        QVERIFY2(!form.menuItem(QStringLiteral("MENUOpenConfiguration"))->isEnabled(), "no stored sets yet");
    }

    void settingsAreWrittenAtClose()
    {
        {
            TZenqConsole_MainForm form;
            form.show();
            form.menuItem(QStringLiteral("MENUExecTimeAsDifference"))->trigger();
            form.menuItem(QStringLiteral("MENUStayOnTop"))->trigger();
            form.close();
        }
        QCOMPARE(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUExecTimeAsDifference"), -1), 0);
        QCOMPARE(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TraceStayOnTop"), -1), 0);
        QCOMPARE(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TraceOn"), -1), 1);
        QVERIFY(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("Panel2"), 0) >= TZenqConsole_MainForm::minimumPanelHeight);
        QRect geometry;
        int state = -1;
        QVERIFY(JGetRegistryWindowPlacement(ZenqConsoleRegistryKey, QStringLiteral("ZenqConsole_MainForm"), geometry, state));
    }

    void memoryItemClickIsStoredAtOnce()
    {
        TZenqConsole_MainForm form;
        form.show();
        QVERIFY(form.memoryPanel()->isVisible());
        form.menuItem(QStringLiteral("MENUShowMemoryConsumption"))->trigger();
        QCOMPARE(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUShowMemoryConsumption"), -1), 0);
        QVERIFY(!form.memoryPanel()->isVisible());
    }

    void memoryItemsNeedTheFrameworkSetting()
    {
        writeApplicationsConfiguration(QStringLiteral("   <MemoryConsumption Value=\"0\"/>\r\n"));
        TZenqConsole_MainForm form;
        form.show();
        QVERIFY(form.menuItem(QStringLiteral("MENUShowMemoryConsumption"))->isChecked());
        QVERIFY(!form.menuItem(QStringLiteral("MENUShowMemoryConsumption"))->isEnabled());
        QVERIFY(!form.memoryPanel()->isVisible());
    }

    void withItemWritesAndChecksWhenTheBroadcastComesBack()
    {
        TZenqConsole_MainForm form;
        form.show();
        QAction *withDate = form.menuItem(QStringLiteral("MENUWithDate"));
        QVERIFY(!withDate->isChecked());
        withDate->trigger();
        QVERIFY2(!withDate->isChecked(), "the click itself sets no check mark");
        QCOMPARE(storedSetting(QStringLiteral("TraceSettingsWithDate")), QStringLiteral("1"));
        QCOMPARE(JGetTypeOfXMLFile(applicationsConfiguration()), int(ZenqXMLFileEncrypted));
        QVERIFY(form.notifier().ignoreNextChange());
        QCOMPARE((*ui)->progressTexts, QStringList { QStringLiteral("Informing other Zenq-Applications...") });
        QCOMPARE((*ui)->waitDepth, 0);
        QTRY_VERIFY(withDate->isChecked()); // the console receives its own broadcast
    }

    void withItemAddsAMissingElement()
    {
        TZenqConsole_MainForm form;
        form.show();
        form.menuItem(QStringLiteral("MENUWithThreadID"))->trigger();
        QString text;
        QVERIFY(JLoadFromXMLFile(applicationsConfiguration(), ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text));
        QVERIFY2(text.endsWith(QStringLiteral("   <TraceSettingsWithThreadID Value=\"1\"/>\r\n</Zenq>\r\n")), qPrintable(text));
        QTRY_VERIFY(form.menuItem(QStringLiteral("MENUWithThreadID"))->isChecked());
    }

    void defaultSettingsEndState()
    {
        TZenqConsole_MainForm form;
        form.show();
        form.menuItem(QStringLiteral("MENUTraceOn"))->setChecked(false);
        form.menuItem(QStringLiteral("MENUWordWrap"))->setChecked(true);
        form.console().processor().ShowTraceLine(QStringLiteral("to be cleared"));
        form.MENUDefaultSettingsClick();
        for (const char *on : { "MENUTraceOn", "MENUMonoSpacedFont", "MENUStayOnTop", "MENUEscape", "MENUIgnoreEmptyLines",
                                "MENUShortenLinesGreater1024", "MENUShowMemoryConsumption" })
            QVERIFY2(form.menuItem(QLatin1String(on))->isChecked(), on);
        for (const char *off : { "MENUWordWrap", "MENUExecTimeAsDifference", "MENUNormalTraceMemoryInfo", "MENUIncludingSubDirs" })
            QVERIFY2(!form.menuItem(QLatin1String(off))->isChecked(), off);
        QCOMPARE(form.traceWindow()->lineCount(), 0);
        const QStringList expected { "1", "1", "0", "0", "1", "1" };
        const QStringList elements { "TraceSettingsWithModuleName", "TraceSettingsWithProcessID", "TraceSettingsWithThreadID",
                                     "TraceSettingsWithTime", "TraceSettingsWithDate", "TraceSettingsWithIndentation" };
        for (int i = 0; i < elements.size(); ++i)
            QCOMPARE(storedSetting(elements.at(i)), expected.at(i));
        QTRY_VERIFY(form.menuItem(QStringLiteral("MENUWithDate"))->isChecked());
        QVERIFY(form.menuItem(QStringLiteral("MENUWithProcessID"))->isChecked());
        QVERIFY(!form.menuItem(QStringLiteral("MENUWithTime"))->isChecked());
    }

    void toggleVisibilityHidesAndShows()
    {
        TZenqConsole_MainForm form;
        form.show();
        form.MENUToggleVisibilityClick();
        QVERIFY(!form.isVisible());
        QVERIFY(form.hiddenByUser());
        form.showConsoleRequested();
        QVERIFY(form.isVisible());
        QVERIFY(!form.hiddenByUser());
    }

    void specialLinesReachTheDisplayWithTheirStyle()
    {
        TZenqConsole_MainForm form;
        form.show();
        form.console().processor().ProcessTraceLine(QStringLiteral(" "), 0); // past the first-line rule
        form.console().processor().ProcessTraceLine(QStringLiteral("#W#careful"), 0);
        form.console().processor().ProcessTraceLine(QStringLiteral("plain"), 0);
        QCOMPARE(form.traceWindow()->lineCount(), 2);
        QCOMPARE(form.traceWindow()->lineText(0), QStringLiteral("careful"));
        QCOMPARE(form.traceWindow()->lineStyle(0).color, _TRACESPECCOLORS[1]);
        QVERIFY(!form.traceWindow()->lineStyle(1).special);
    }

    void clearCacheReachesTheSoapServerWhoseTraceShowsInTheConsole()
    {
        JMakeDir(ZenqGetTraceDir(false));
        zenqtest::StandInServer soap(QStringLiteral("soap"));
        TZenqConsole_MainForm form;
        form.show();
        QCoreApplication::processEvents(); // trace reading starts after the first showing
        form.menuItem(QStringLiteral("MENUClearCache"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(form.traceWindow()->lineCount() > 0
                                     && form.traceWindow()
                                            ->lineText(form.traceWindow()->lineCount() - 1)
                                            .contains(QStringLiteral("ZenqSOAPServer (stand-in): received WM_ZenqApplicationParameterChanged")),
                                 10000);
    }

    void serviceManagerItemIsDisabledWhileTheWindowIsOpen()
    {
        TZenqConsole_MainForm form;
        form.show();
        QAction *item = form.menuItem(QStringLiteral("MENUServiceManager"));
        form.setServiceManagerFactory([](QWidget *) { return new QWidget; });
        item->trigger();
        QVERIFY(form.serviceManager());
        QVERIFY(!item->isEnabled());
        form.serviceManager()->close();
        QTRY_VERIFY(item->isEnabled());
        QVERIFY(!form.serviceManager());
        item->trigger();
        form.close();
        QTRY_VERIFY2(!form.serviceManager(), "closing the console closes the service manager");
    }

    void secondStartBringsTheFirstForwardAndEnds()
    {
        QProcess first;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        first.setProcessEnvironment(environment);
        first.start(zenqtest::zenqConsolePath());
        QProcess listener; // a second window of the console's class hears what the second start posts
        listener.start(zenqtest::zenqToolPath(), { QStringLiteral("listen"), QStringLiteral("TZenqConsole_MainForm") });
        QVERIFY(listener.waitForStarted());
        // Both windows of the class are up once both endpoints exist.
        QTRY_VERIFY_WITH_TIMEOUT(QDir(QString::fromLocal8Bit(qgetenv("ZENQ_RUNTIME_DIR")) + QStringLiteral("/windows/TZenqConsole_MainForm"))
                                         .entryList({ QStringLiteral("*.sock") }, QDir::System)
                                         .size() == 2,
                                 20000);
        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(zenqtest::zenqConsolePath());
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QByteArray heard;
        QTRY_VERIFY_WITH_TIMEOUT((heard += listener.readAllStandardOutput()).contains("ZenqConsoleShow"), 10000);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        first.waitForFinished(10000);
        listener.terminate();
        listener.waitForFinished(10000);
    }
};

ZENQ_TEST_CLASS(MainFormTest);
#include "MainFormTest.moc"
