// The start-up binding: which kind of framework program a module is, and what start and stop do.
#include "support/TestMain.h"

#include "framework/ZenqFrameworkComponentsStarter.h"
#include "framework/ZenqGlobals.h"

#include <QTest>

class StarterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void moduleType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::newRow("console") << "zenq-console" << 0;
        QTest::newRow("isapi any case") << "zenqisapiserver" << 1;
        QTest::newRow("asp first instance") << "ZenqASPServer" << 2;
        QTest::newRow("asp later instance, other case") << "ZENQQSPSERVER" << 2;
        QTest::newRow("asp pattern with a text outside the table") << "Zenq1SPServer" << 0;
        QTest::newRow("asp pattern with two letters") << "ZenqABSPServer" << 0;
        QTest::newRow("soap any case") << "zenqSoapServer" << 3;
        QTest::newRow("xmlhttp") << "ZenqXMLHTTPServer" << 4;
        QTest::newRow("xmlhttp other instance") << "ZenqBMLHTTPServer" << 4;
        QTest::newRow("server host itself") << "ZenqServer" << 0;
    }
    void moduleType()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QCOMPARE(static_cast<int>(ZenqApplicationTypeOfModule(name)), type);
    }

    void instanceTableRowsHold26DistinctTexts()
    {
        for (int row = 0; row < 2; ++row) {
            QSet<QString> texts;
            for (int i = 0; i < 26; ++i)
                texts.insert(ZenqServerInstanceName(row, i));
            QCOMPARE(texts.size(), 26);
        }
    }

    void consoleStartsWithComAndStopsWithout()
    {
        ZenqFrameworkComponentsStarter::Initialize(QStringLiteral("zenq-console"), QStringLiteral("zenq-console"));
        QVERIFY(ZenqFrameworkComponentsStarter::started());
        QVERIFY(ZenqFrameworkComponentsStarter::comInitialised());
        QCOMPARE(ZenqFrameworkComponentsStarter::applicationType(), TZenqApplicationType::WindowsApplication);
        QVERIFY(ZenqGlobalVariablesInitialised());
        QVERIFY(!ZenqIsRunningAsWebApplication());
        ZenqFrameworkComponentsStarter::Finalize();
        QVERIFY(!ZenqFrameworkComponentsStarter::started());
        QVERIFY(!ZenqFrameworkComponentsStarter::comInitialised());
        QVERIFY(!ZenqGlobalVariablesInitialised());
    }

    void serverStartsWithoutComAsWebApplication()
    {
        ZenqFrameworkComponentsStarter::Initialize(QStringLiteral("ZenqSOAPServer"), QStringLiteral("ZenqSOAPServer"));
        QVERIFY(!ZenqFrameworkComponentsStarter::comInitialised());
        QVERIFY(ZenqIsRunningAsWebApplication());
        ZenqFrameworkComponentsStarter::Finalize();
        QVERIFY(!ZenqIsRunningAsWebApplication());
    }

    void moduleInsideServerHostDoesNotBind()
    {
        ZenqFrameworkComponentsStarter::Initialize(QStringLiteral("ZenqServer"), QStringLiteral("SomeService"));
        QVERIFY(!ZenqFrameworkComponentsStarter::started());
        QVERIFY(!ZenqGlobalVariablesInitialised());
        ZenqFrameworkComponentsStarter::Finalize();
    }

    void onlyFirstInitialisationAndLastFinalisationCount()
    {
        ZenqFrameworkComponentsStarter::Initialize(QStringLiteral("a"), QStringLiteral("a"));
        ZenqFrameworkComponentsStarter::Initialize(QStringLiteral("a"), QStringLiteral("a"));
        ZenqFrameworkComponentsStarter::Finalize();
        QVERIFY(ZenqFrameworkComponentsStarter::started());
        ZenqFrameworkComponentsStarter::Finalize();
        QVERIFY(!ZenqFrameworkComponentsStarter::started());
    }
};

ZENQ_TEST_CLASS(StarterTest);
#include "StarterTest.moc"
