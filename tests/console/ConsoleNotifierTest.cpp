// When the console tells the framework programs that parameters changed: the one-second throttle, the
// compiling flag, swallowed own changes, the "GenerateFlag", real directory events, the web servers
// and the ASP shortcut.
#include "support/ScriptedUserInterface.h"
#include "support/StandInServer.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "console/ConsoleNotifier.h"
#include "framework/ZenqClock.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqServers.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqUserDatabases.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"
#include "intercom/ZenqInterCommunication.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Counts what reaches the windows of one class.
class Receiver
{
public:
    explicit Receiver(const QString &windowClass)
        : m_window(windowClass, [this](quint32 message, quintptr, qintptr) {
              received << ZenqRegisteredMessageName(message);
              return ZenqMessageAnswer();
          })
    {
        RegisterWindowMessage(QStringLiteral("WM_ZenqApplicationParameterChanged"));
        RegisterWindowMessage(QStringLiteral("WM_ZenqApplicationParameterChanged_SomeGlobalSettingsOnly"));
        m_window.open();
    }
    QStringList received;

private:
    ZenqWindow m_window;
};

void writeApplicationsConfiguration(const QString &elements)
{
    JMakeDir(ZenqGetApplicationsBinDir());
    QVERIFY(JSaveToXMLFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc")),
                           QStringLiteral("<Zenq>%1</Zenq>").arg(elements), {}, 0, ZenqXMLFilePlain));
    ZenqConfigCacheClear();
}

QString handOverText()
{
    return JLoadFromFile(ZenqHandOverFileName(0), ZenqLoadHonourBom | ZenqLoadGuessUtf16);
}

} // namespace

class ConsoleNotifierTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;
    ZenqManualClock *clock = nullptr;
    std::unique_ptr<ZenqClock> previousClock;

private Q_SLOTS:
    void init()
    {
        ui = std::make_unique<ScopedScriptedUserInterface>();
        auto manual = std::make_unique<ZenqManualClock>();
        clock = manual.get();
        clock->setTicks(100000);
        previousClock = ZenqSetClock(std::move(manual));
        writeApplicationsConfiguration(QString());
        JDeleteFile(ZenqHandOverFileName(0));
    }
    void cleanup()
    {
        ZenqSetClock(std::move(previousClock));
        ui.reset();
    }

    void traceSettingsAreRecognisedWithoutRegardToCase_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("traceSetting");
        QTest::newRow("as written") << "TraceSettingsWithDate" << true;
        QTest::newRow("lower case") << "tracesettingswithdate" << true;
        QTest::newRow("requests") << "TRACEREQUESTSONTHISSERVER" << true;
        QTest::newRow("other") << "CacheLevel" << false;
    }
    void traceSettingsAreRecognisedWithoutRegardToCase()
    {
        QFETCH(QString, key);
        QFETCH(bool, traceSetting);
        QCOMPARE(ConsoleNotifier::IsTraceSetting(key), traceSetting);
    }

    void unforcedCallsAreThrottledForcedOnesAreNot()
    {
        Receiver services(ZenqWindowClass::ServiceWindow);
        Receiver consoles(ZenqWindowClass::Console);
        ConsoleNotifier notifier;
        notifier.NotifyParameterChanged(false);
        clock->advance(300);
        notifier.NotifyParameterChanged(false);
        QCoreApplication::processEvents();
        QCOMPARE(consoles.received, QStringList { QStringLiteral("WM_ZenqApplicationParameterChanged") });
        notifier.ClearCache(); // forced: service windows and servers only
        QTRY_COMPARE(services.received.size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(consoles.received.size(), 1);
        clock->advance(1000);
        notifier.NotifyParameterChanged(false);
        QTRY_COMPARE(consoles.received.size(), 2);
        QCOMPARE((*ui)->progressTexts.size(), 3);
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void compilingFlagBlocksEveryNotification()
    {
        Receiver services(ZenqWindowClass::ServiceWindow);
        bool compiling = true;
        ConsoleNotifier notifier;
        notifier.setCompilingFlag(&compiling);
        notifier.NotifyParameterChanged(true);
        notifier.NotifyParameterChanged(false);
        QCoreApplication::processEvents();
        QVERIFY(services.received.isEmpty());
        compiling = false;
        notifier.NotifyParameterChanged(true);
        QTRY_COMPARE(services.received.size(), 1);
    }

    void ownChangeAndGenerateFlagSwallowDirectoryEvents()
    {
        Receiver consoles(ZenqWindowClass::Console);
        ConsoleNotifier notifier;
        notifier.setIgnoreNextChange(true);
        notifier.DirectoryChanged();
        QVERIFY(!notifier.ignoreNextChange());
        JSetRegistryString(_ZenqApplicationsRegKeyEx() + QStringLiteral("\\Orv3WebPreSelV1"), QStringLiteral("GenerateFlag"),
                           QStringLiteral("busy"));
        notifier.DirectoryChanged();
        QCoreApplication::processEvents();
        QVERIFY(consoles.received.isEmpty());
        JSetRegistryString(_ZenqApplicationsRegKeyEx() + QStringLiteral("\\Orv3WebPreSelV1"), QStringLiteral("GenerateFlag"),
                           QString());
        notifier.DirectoryChanged();
        QTRY_COMPARE(consoles.received.size(), 1);
    }

    void savingTwiceWithinASecondBroadcastsOnce()
    {
        ZenqSetClock(std::move(previousClock)); // real directory events, real time
        previousClock = std::make_unique<ZenqManualClock>();
        Receiver consoles(ZenqWindowClass::Console);
        ConsoleNotifier notifier;
        notifier.startApplicationDirectoryWatches();
        QVERIFY(notifier.watchCount() >= 1);
        const QString file = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc"));
        QVERIFY(JSaveToFileS(file, QStringLiteral("<Zenq/>"), ZenqEncodingUtf8, false));
        QTRY_COMPARE(consoles.received.size(), 1);
        QVERIFY(JSaveToFileS(file, QStringLiteral("<Zenq> </Zenq>"), ZenqEncodingUtf8, false));
        QTest::qWait(300);
        QCOMPARE(consoles.received.size(), 1);
    }

    void runningServersReceiveTheBroadcast()
    {
        zenqtest::StandInServer soap(QStringLiteral("soap"));
        zenqtest::StandInServer xmlhttp(QStringLiteral("xmlhttp"));
        QVERIFY(ZenqInterCommunicateIsRunning_SOAPServer());
        QVERIFY(ZenqInterCommunicateIsRunning_XMLHTTPServer());
        QVERIFY(!ZenqInterCommunicateIsRunning_ISAPIServer());
        ConsoleNotifier notifier;
        notifier.ClearCache();
        const QString traced = handOverText();
        QVERIFY2(traced.contains(QStringLiteral("ZenqSOAPServer (stand-in): received WM_ZenqApplicationParameterChanged")),
                 qPrintable(traced));
        QVERIFY(traced.contains(QStringLiteral("ZenqXMLHTTPServer (stand-in): received WM_ZenqApplicationParameterChanged")));
    }

    void aspShortcutTouchesTheFileInsteadOfCallingTheServer()
    {
        writeApplicationsConfiguration(QStringLiteral("<ZenqApplications_Zenqc_Changes_Autocheck Value=\"1\"/>"));
        const QString file = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc"));
        zenqtest::StandInServer asp(QStringLiteral("asp"));
        // Stand-in worker processes of the web server.
        QTemporaryDir bin;
        const QString w3wp = bin.filePath(QStringLiteral("w3wp"));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), w3wp));
        QProcess first, second;
        first.start(w3wp, { QStringLiteral("60") });
        QVERIFY(first.waitForStarted());
        QTRY_COMPARE(CountProcessesNamed(QStringLiteral("w3wp")), 1);
        ConsoleNotifier notifier;
        notifier.fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged")); // one worker: the server is called
        QVERIFY(handOverText().contains(QStringLiteral("ZenqASPServer (stand-in): received")));
        JDeleteFile(ZenqHandOverFileName(0));

        second.start(w3wp, { QStringLiteral("60") });
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY(MoreThanOneWorkerProcess());
        QString before;
        QVERIFY(JLoadFromXMLFile(file, {}, 0, before));
        notifier.fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged"));
        QString after;
        QVERIFY(JLoadFromXMLFile(file, {}, 0, after));
        QCOMPARE(after, before + QLatin1Char(' '));
        QVERIFY2(notifier.ignoreNextChange(), "the touched file's change report is swallowed");
        notifier.fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged"));
        QVERIFY(JLoadFromXMLFile(file, {}, 0, after));
        QCOMPARE(after, before);
        notifier.fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged_SomeGlobalSettingsOnly"));
        QVERIFY2(!handOverText().contains(QStringLiteral("received WM_ZenqApplicationParameterChanged\r")),
                 "no HTTP call for the parameter message");
        QVERIFY(handOverText().contains(QStringLiteral("received WM_ZenqApplicationParameterChanged_SomeGlobalSettingsOnly")));
        first.kill();
        second.kill();
        first.waitForFinished();
        second.waitForFinished();
    }

    void fullBroadcastAddressesEveryWindowClassInOrder()
    {
        const quint32 message = RegisterWindowMessage(QStringLiteral("WM_ZenqApplicationParameterChanged"));
        QStringList order;
        std::vector<std::unique_ptr<ZenqWindow>> windows;
        for (const QString &windowClass : ZenqFrameworkWindowClassesInBroadcastOrder()) {
            windows.push_back(std::make_unique<ZenqWindow>(windowClass, [&order, windowClass, message](quint32 m, quintptr, qintptr) {
                if (m == message)
                    order << windowClass;
                return ZenqMessageAnswer();
            }));
            QVERIFY(windows.back()->open());
        }
        QProcess listener; // a program of its own hears the same broadcast
        listener.start(zenqtest::zenqToolPath(), { QStringLiteral("listen"), ZenqWindowClass::FrameworkEngine });
        QTRY_COMPARE(QDir(QString::fromLocal8Bit(qgetenv("ZENQ_RUNTIME_DIR")) + QStringLiteral("/windows/")
                          + ZenqWindowClass::FrameworkEngine)
                         .entryList({ QStringLiteral("*.sock") }, QDir::System)
                         .size(),
                     2);
        BroadcastToAllApplications(QStringLiteral("WM_ZenqApplicationParameterChanged"), {});
        QTRY_COMPARE(order, ZenqFrameworkWindowClassesInBroadcastOrder());
        QByteArray heard;
        QTRY_VERIFY((heard += listener.readAllStandardOutput()).contains("WM_ZenqApplicationParameterChanged wParam=0"));
        listener.terminate();
        listener.waitForFinished(10000);
    }

    void clearingUserDatabasesRemovesTheCopies()
    {
        JMakeDir(ZenqUserDatabaseCopiesDir());
        for (const char *name : { "a.mdb", "b.mdb" })
            QVERIFY(JSaveToFileS(JMakeFileName(ZenqUserDatabaseCopiesDir(), QLatin1String(name)), QStringLiteral("x"),
                                 ZenqEncodingUtf8, false));
        QCOMPARE(ZenqClearUserDB(), 2);
        QVERIFY(QDir(ZenqUserDatabaseCopiesDir()).isEmpty());
    }
};

ZENQ_TEST_CLASS(ConsoleNotifierTest);
#include "ConsoleNotifierTest.moc"
