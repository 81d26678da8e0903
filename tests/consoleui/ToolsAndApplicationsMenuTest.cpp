// The main window's "Tools and Applications" program submenus: filled once from the installation at
// creation, the web data submenu hidden while empty, and a click starting the entry's file.
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "console/widgets/ZenqConsole_MainForm.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

namespace {

void createFile(const QString &directory, const QString &name, const QByteArray &content = {})
{
    QVERIFY(JMakeDir(directory));
    QFile file(directory + QLatin1Char('/') + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
}

QStringList captionsOf(const TZenqConsole_MainForm &form, const char *submenu)
{
    QStringList captions;
    for (const QAction *item : form.menuItem(QLatin1String(submenu))->menu()->actions())
        captions << item->text();
    return captions;
}

} // namespace

class ToolsAndApplicationsMenuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void submenusFilledOnceAtCreationAndClickStarts()
    {
        const QString record = ZenqGetRootDir() + QStringLiteral("/clicked.txt");
        createFile(ZenqGetApplicationsBinDir(), QStringLiteral("Viewer.EXE"),
                   "#!/bin/sh\necho clicked > '" + record.toLocal8Bit() + "'\n");
        createFile(ZenqGetApplicationsExternalBinDir(), QStringLiteral("Backup.vbs"));
        createFile(ZenqGetFrameworkBinDir(), QStringLiteral("Robocopy.exe"));
        createFile(ZenqGetFrameworkBinDir(), QStringLiteral("Deploy.bat"));
        ScopedScriptedUserInterface ui;
        TZenqConsole_MainForm form;

        QCOMPARE(captionsOf(form, "MENUApplications"), QStringList { QStringLiteral("Viewer") });
        QCOMPARE(captionsOf(form, "MENUApplicationsExternal"), QStringList { QStringLiteral("Backup.vbs") });
        QCOMPARE(captionsOf(form, "MENUFramework"), QStringList { QStringLiteral("Deploy") });
        QCOMPARE(form.menuItem(QStringLiteral("MENUFramework"))->menu()->actions().first()->data().toInt(), 2);
        QVERIFY(form.menuItem(QStringLiteral("MENUApplications"))->isVisible());
        QVERIFY(!form.menuItem(QStringLiteral("MENUWWW_Data"))->isVisible());

        createFile(ZenqGetApplicationsBinDir(), QStringLiteral("Later.EXE"));
        QCOMPARE(captionsOf(form, "MENUApplications").size(), 1); // only a new window sees it

        const int cursorsBefore = ui->waitCursorsShown;
        form.menuItem(QStringLiteral("MENUApplications"))->menu()->actions().first()->trigger();
        QCOMPARE(ui->waitCursorsShown, cursorsBefore + 1);
        QCOMPARE(ui->waitDepth, 0);
        QTRY_VERIFY(QFile::exists(record));
    }

    void webDataSubmenuShownWithAProgram()
    {
        createFile(ZenqGetApplicationsWWW_DataDir(), QStringLiteral("Publish.EXE"));
        ScopedScriptedUserInterface ui;
        TZenqConsole_MainForm form;
        QVERIFY(form.menuItem(QStringLiteral("MENUWWW_Data"))->isVisible());
        QCOMPARE(captionsOf(form, "MENUWWW_Data"), QStringList { QStringLiteral("Publish") });
    }
};

ZENQ_TEST_CLASS(ToolsAndApplicationsMenuTest);
#include "ToolsAndApplicationsMenuTest.moc"
