// Value captions of option menus and the console menu info read from configuration files.
#include "support/TestMain.h"

#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMenuInfo.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqXmlFile.h"
#include "tools/ZenqOptionMenus.h"

#include <QTest>

class OptionMenusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valueCaptions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QString>("rest");
        QTest::newRow("worked example") << "Level: 0 = off; 1 = on; 2 = full" << QStringList { "0", "1", "2" }
                                        << QStringList { "off", "on", "full" } << "Level:";
        QTest::newRow("no blanks around =") << "Level: 0=off; 1=on" << QStringList { "0", "1" } << QStringList { "0", "1" }
                                            << "Level: 0=off; 1=on";
        QTest::newRow("no definitions") << "Trace SQL" << QStringList { "0", "1" } << QStringList { "0", "1" } << "Trace SQL";
        QTest::newRow("value inside a longer number first")
            << "Archive after: 30 = a month; 90 = a quarter; 365 = a year" << QStringList { "30", "90", "365" }
            << QStringList { "a month", "a quarter", "a year" } << "Archive after:";
        QTest::newRow("occurrence without a blank behind is skipped") << "Mode 1x: 1 = one" << QStringList { "1" }
                                                                      << QStringList { "one" } << "Mode 1x:";
    }
    void valueCaptions()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, values);
        QFETCH(QStringList, captions);
        QFETCH(QString, rest);
        QStringList found;
        for (const QString &value : values)
            found << ValueCaption(caption, value);
        QCOMPARE(found, captions);
        QCOMPARE(caption, rest);
    }

    void menuInfoIsReadWithItsOptions()
    {
        JMakeDir(ZenqGetApplicationsBinDir());
        const QString file = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Orders.Zenqc"));
        QVERIFY(JSaveToXMLFile(file,
                               QStringLiteral("<Zenq><Parent Value='Sales.Zenqc'/>"
                                              "<TraceSQL Value='1' ConsoleMenu='(ZenqConsole) Trace SQL' Values='0;1'/>"
                                              "<Server Value='abc' ConsoleMenu='(ZenqConsole;Separator;OS=W2K3) Server (host name)' Values='..'/>"
                                              "<Hidden Value='2' ConsoleMenu='(ZenqConsole;NoMenu) Hidden' Values='1;2'/>"
                                              "<Other Value='x' ConsoleMenu='(SomethingElse) Not ours' Values='x'/></Zenq>"),
                               ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), ZenqXMLFileEncrypted));
        TXMLMenuInfoStructure list;
        QVERIFY(GetXMLMenuInfo(file, QStringLiteral("(ZenqConsole"), list));
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0).key, QStringLiteral("TraceSQL"));
        QCOMPARE(list.at(0).selectedIndex, 1);
        QVERIFY(list.at(1).separator);
        QCOMPARE(list.at(1).osRestriction, QStringLiteral("W2K3"));
        QCOMPARE(list.at(1).caption, QStringLiteral("Server (host name)"));
        QCOMPARE(list.at(1).values, QStringList { QStringLiteral("..") });
        QVERIFY(!list.at(2).menu);
        QVERIFY(GetXMLMenuInfo(file, QStringLiteral("(ZenqConsole"), list));
        QCOMPARE(list.last().identifier, 6);
        QVERIFY(FindViaID(list, 5));
        QVERIFY(!FindViaID(list, 7));

        QVERIFY(JChangeXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), list.at(0).caption, list.at(0).secondText, QStringLiteral("0")));
        TXMLMenuInfoStructure reread;
        QVERIFY(GetXMLMenuInfo(file, QStringLiteral("(ZenqConsole"), reread));
        QCOMPARE(reread.at(0).currentValue, QStringLiteral("0"));
        QCOMPARE(JGetTypeOfXMLFile(file), int(ZenqXMLFileEncrypted));
    }

    void snapshotSeesChangedConfigurationFiles()
    {
        JMakeDir(ZenqGetApplicationsBinDir());
        const QString file = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Snap.Zenqc"));
        QVERIFY(JSaveToXMLFile(file, QStringLiteral("<Zenq><A Value='1'/></Zenq>"), {}, 0, ZenqXMLFilePlain));
        QStringList snapshot;
        ZenqFilesBuildChangedList(snapshot);
        QVERIFY(!ZenqFilesChanged(snapshot));
        QVERIFY(JChangeXMLFileEx(file, {}, 0, QStringLiteral("A"), QStringLiteral("2")));
        QVERIFY(ZenqFilesChanged(snapshot));
    }

    void menusAreBuiltFromTheConfigurations()
    {
        JMakeDir(ZenqGetApplicationsBinDir());
        const auto write = [](const char *name, const QString &body) {
            QVERIFY(JSaveToXMLFile(JMakeFileName(ZenqGetApplicationsBinDir(), QLatin1String(name)),
                                   QStringLiteral("<Zenq>%1</Zenq>").arg(body), ZenqStandardCryptKey(),
                                   ZenqStandardSecurityLevel(), ZenqXMLFilePlain));
        };
        write("ZenqApplications.Zenq", QString());
        write("ZenqApplications.Zenqc",
              QStringLiteral("<TraceSQL Value='1' ConsoleMenu='(ZenqConsole) Trace SQL:' Values='0;1'/>"
                             "<Server Value='abc' ConsoleMenu='(ZenqConsole;Separator) Server (host name)' Values='..'/>"
                             "<Level Value='2' ConsoleMenu='(ZenqConsole;OS=W2K3) Level: 0 = off; 1 = on; 2 = full' Values='0;1;2'/>"));
        write("Orders.Zenq", QString());
        write("Orders.Zenqc", QStringLiteral("<Parent Value='ZenqApplications.Zenqc'/>"));
        ZenqOptionMenus menus;
        menus.windowsVersionIs = [](const QString &version) { return version == QLatin1String("W2K3"); };
        menus.RebuildOptionMenus(true);
        const QList<OptionMenuItem> &global = menus.globalOptions.children;
        QCOMPARE(global.size(), 4); // on/off, separator, free input, value list
        QCOMPARE(global.at(0).kind, OptionMenuItem::Kind::OnOff);
        QCOMPARE(global.at(0).caption, QStringLiteral("Trace SQL"));
        QVERIFY(global.at(0).checked);
        QCOMPARE(global.at(1).kind, OptionMenuItem::Kind::Separator);
        QCOMPARE(global.at(2).caption, QStringLiteral("Server [abc]"));
        QCOMPARE(global.at(2).children.size(), 1);
        QCOMPARE(global.at(2).children.at(0).caption, QStringLiteral(".."));
        QVERIFY(!global.at(2).children.at(0).checked);
        QCOMPARE(global.at(3).caption, QStringLiteral("Level"));
        QVERIFY2(!global.at(3).enabled, "restricted on the named Windows version");
        QStringList captions;
        for (const OptionMenuItem &value : global.at(3).children)
            captions << value.caption + (value.checked ? QStringLiteral("*") : QString());
        QCOMPARE(captions, (QStringList { "off", "on", "full*" }));
        QCOMPARE(menus.localOptions.children.size(), 1);
        QVERIFY2(!menus.localOptions.children.at(0).visible, "an application without menu info keeps its hidden submenu");
        QVERIFY(!ZenqFilesChanged(menus.snapshot));
        QCOMPARE(OptionMenuLines(menus.globalOptions),
                 (QStringList { "Global Options", "  [x] Trace SQL", "  ----", "  Server [abc]", "    ..", "  Level (disabled)",
                                "    ( ) off", "    ( ) on", "    (*) full" }));
        QCOMPARE(OptionMenuLines(menus.localOptions), QStringList { "Local Options" });
    }
};

ZENQ_TEST_CLASS(OptionMenusTest);
#include "OptionMenusTest.moc"
