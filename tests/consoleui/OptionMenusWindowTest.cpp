// The option submenus of the console window: built from the configurations, the clicks writing the
// files, the rebuild when files change behind the console's back, and a reading error naming the file.
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "console/ConsoleNotifier.h"
#include "console/widgets/ZenqConsole_MainForm.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMenuInfo.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqXmlFile.h"
#include "tools/ZenqOptionMenus.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

namespace {

void writeConfiguration(const QString &fileName, const QString &elements)
{
    JMakeDir(ZenqGetApplicationsBinDir());
    QVERIFY(JSaveToXMLFile(JMakeFileName(ZenqGetApplicationsBinDir(), fileName), QStringLiteral("<Zenq>\r\n%1</Zenq>\r\n").arg(elements),
                           ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), ZenqXMLFileEncrypted));
    ZenqConfigCacheClear();
}

QString storedValue(const QString &configuration, const QString &element)
{
    ZenqConfigCacheClear();
    return ZenqFile_ReadSimple(configuration, element, QStringLiteral("<missing>"));
}

QMenu *submenu(QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions())
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    return nullptr;
}

QAction *item(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// "text" for plain items, "[x] text" / "[ ] text" for checkable ones, "-" for separators.
QStringList itemTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-")
                  : action->isCheckable() ? (action->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + action->text()
                                          : action->text());
    return texts;
}

const QString globalOptions = QStringLiteral("<TraceSQL Value='1' ConsoleMenu='(ZenqConsole) Trace SQL:' Values='0;1'/>\r\n"
                                             "<TraceSettingsWithDate Value='0' ConsoleMenu='(ZenqConsole) Trace with date' Values='0;1'/>\r\n"
                                             "<Server Value='abc' ConsoleMenu='(ZenqConsole;Separator) Server (host name)' Values='..'/>\r\n"
                                             "<Level Value='1' ConsoleMenu='(ZenqConsole;OS=W2K3) Level: 0 = off; 1 = on; 2 = full' Values='0;1;2'/>\r\n");

} // namespace

class OptionMenusWindowTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;

private Q_SLOTS:
    void init()
    {
        ui = std::make_unique<ScopedScriptedUserInterface>();
        QFile::remove(ZenqSettingsFileName());
        JMakeDir(ZenqGetTraceDir(false));
        writeConfiguration(QStringLiteral("ZenqApplications.Zenq"), QString());
        writeConfiguration(QStringLiteral("ZenqApplications.Zenqc"), globalOptions);
        writeConfiguration(QStringLiteral("Orders.Zenq"), QString());
        writeConfiguration(QStringLiteral("Orders.Zenqc"), QStringLiteral("<Parent Value='ZenqApplications.Zenqc'/>\r\n"));
        writeConfiguration(QStringLiteral("Invoices.Zenq"), QString());
        writeConfiguration(QStringLiteral("Invoices.Zenqc"),
                           QStringLiteral("<Printer Value='pdf' ConsoleMenu='(ZenqConsole) Printer' Values='pdf;paper'/>\r\n"));
    }
    void cleanup() { ui.reset(); }

    void menusShowTheConfigurations()
    {
        TZenqConsole_MainForm form;
        QMenu *global = form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu();
        QCOMPARE(itemTexts(global), (QStringList { "[x] Trace SQL", "[ ] Trace with date", "-", "Server [abc]", "Level" }));
        QCOMPARE(itemTexts(submenu(global, QStringLiteral("Server [abc]"))), QStringList { ".." });
        QCOMPARE(itemTexts(submenu(global, QStringLiteral("Level"))), (QStringList { "[ ] off", "[x] on", "[ ] full" }));
        QVERIFY2(submenu(global, QStringLiteral("Level"))->menuAction()->isEnabled(), "no Windows version matches here");
        QMenu *local = form.menuItem(QStringLiteral("MENULocalOptions"))->menu();
        QVERIFY2(!submenu(local, QStringLiteral("Orders"))->menuAction()->isVisible(), "no menu info: hidden");
        QVERIFY(submenu(local, QStringLiteral("Invoices"))->menuAction()->isVisible());
        QVERIFY((*ui)->messages.isEmpty());
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void clicksWriteTheFilesAndMoveTheChecks()
    {
        TZenqConsole_MainForm form;
        QMenu *global = form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu();
        item(global, QStringLiteral("Trace SQL"))->trigger();
        QCOMPARE(storedValue(QStringLiteral("ZenqApplications"), QStringLiteral("TraceSQL")), QStringLiteral("0"));
        QVERIFY(!item(global, QStringLiteral("Trace SQL"))->isChecked());
        QVERIFY2(!form.notifier().ignoreNextChange(), "not a trace setting");

        QMenu *level = submenu(global, QStringLiteral("Level"));
        item(level, QStringLiteral("full"))->trigger();
        QCOMPARE(storedValue(QStringLiteral("ZenqApplications"), QStringLiteral("Level")), QStringLiteral("2"));
        QCOMPARE(itemTexts(level), (QStringList { "[ ] off", "[ ] on", "[x] full" }));
        item(level, QStringLiteral("full"))->trigger(); // choosing the chosen value keeps its check
        QCOMPARE(itemTexts(level), (QStringList { "[ ] off", "[ ] on", "[x] full" }));

        QMenu *invoices = submenu(form.menuItem(QStringLiteral("MENULocalOptions"))->menu(), QStringLiteral("Invoices"));
        item(submenu(invoices, QStringLiteral("Printer")), QStringLiteral("paper"))->trigger();
        QCOMPARE(storedValue(QStringLiteral("Invoices"), QStringLiteral("Printer")), QStringLiteral("paper"));
        QVERIFY2(!ZenqFilesChanged(form.optionMenus().snapshot), "the console's own writes renew the snapshot");
        QVERIFY((*ui)->messages.isEmpty());
    }

    void freeInputAsksWithThePreviousInputs()
    {
        TZenqConsole_MainForm form;
        QMenu *global = form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu();
        QAction *input = item(submenu(global, QStringLiteral("Server [abc]")), QStringLiteral(".."));
        input->trigger(); // cancelled: nothing changes
        QCOMPARE(storedValue(QStringLiteral("ZenqApplications"), QStringLiteral("Server")), QStringLiteral("abc"));
        QCOMPARE((*ui)->titles, QStringList { "Global Options" });
        QCOMPARE((*ui)->prompts, QStringList { "Server (host name):" });

        (*ui)->inputAnswers = QStringList { QStringLiteral("db1") };
        input->trigger();
        QCOMPARE(storedValue(QStringLiteral("ZenqApplications"), QStringLiteral("Server")), QStringLiteral("db1"));
        QVERIFY2(submenu(global, QStringLiteral("Server [db1]")), "the caption shows the new value");
        QVERIFY(!input->isChecked());
        (*ui)->inputAnswers = QStringList { QStringLiteral("db2") };
        input->trigger();
        QCOMPARE((*ui)->previousValues, QStringList { "db1" });
        QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("StoredUserInput_Server")), QStringLiteral("db2\ndb1"));
    }

    void freeInputSurvivesARebuildWhileItsBoxIsOpen()
    {
        TZenqConsole_MainForm form;
        QMenu *global = form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu();
        QAction *input = item(submenu(global, QStringLiteral("Server [abc]")), QStringLiteral(".."));
        (*ui)->inputAnswers = QStringList { QStringLiteral("db1") };
        // A parameter change arriving while the user types rebuilds the menus and their entries.
        (*ui)->whileShown = [&form] { form.parametersChanged(); };
        input->trigger();
        (*ui)->whileShown = nullptr;
        QCOMPARE(storedValue(QStringLiteral("ZenqApplications"), QStringLiteral("Server")), QStringLiteral("db1"));
        QVERIFY2(submenu(global, QStringLiteral("Server [db1]")), "the rebuilt menu shows the new value");
        QVERIFY((*ui)->messages.isEmpty());
    }

    void traceSettingSwallowsItsOwnChangeAndTellsEveryone()
    {
        TZenqConsole_MainForm form;
        QAction *withDate = item(form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu(), QStringLiteral("Trace with date"));
        withDate->trigger();
        QCOMPARE(storedValue(QStringLiteral("ZenqApplications"), QStringLiteral("TraceSettingsWithDate")), QStringLiteral("1"));
        QVERIFY(form.notifier().ignoreNextChange());
        QTRY_VERIFY(form.menuItem(QStringLiteral("MENUWithDate"))->isChecked()); // the console hears the broadcast
    }

    void openingTheConsoleMenuRebuildsOnlyAfterOutsideChanges()
    {
        TZenqConsole_MainForm form;
        QMenu *console = form.findChild<QMenu *>(QStringLiteral("MENUConsole"));
        QVERIFY(console);
        QMenu *global = form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu();
        item(global, QStringLiteral("Trace SQL"))->setChecked(false); // marks a menu that was not rebuilt
        emit console->aboutToShow();
        QVERIFY(!item(global, QStringLiteral("Trace SQL"))->isChecked());

        bool missing = false;
        QVERIFY(JChangeXMLFileEx(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc")),
                                 ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), QStringLiteral("Level"), QStringLiteral("2"),
                                 &missing));
        emit console->aboutToShow();
        QVERIFY(item(global, QStringLiteral("Trace SQL"))->isChecked());
        QCOMPARE(itemTexts(submenu(global, QStringLiteral("Level"))), (QStringList { "[ ] off", "[ ] on", "[x] full" }));
    }

    void aReadingErrorNamesTheConfiguration()
    {
        QFile damaged(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("Invoices.Zenqc")));
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("<Zenq><Printer Value='pdf'");
        damaged.close();
        ZenqConfigCacheClear();
        TZenqConsole_MainForm form;
        QCOMPARE((*ui)->messages.size(), 1);
        QVERIFY2((*ui)->messages.first().startsWith(QStringLiteral("Error while reading Invoices:\r\n\r\n")), qPrintable((*ui)->messages.first()));
        QVERIFY2(!item(form.menuItem(QStringLiteral("MENUGlobalOptions"))->menu(), QStringLiteral("Trace SQL"))->text().isEmpty(),
                 "what was read before stays in the menus");
        QCOMPARE((*ui)->waitDepth, 0);
    }
};

ZENQ_TEST_CLASS(OptionMenusWindowTest);
#include "OptionMenusWindowTest.moc"
