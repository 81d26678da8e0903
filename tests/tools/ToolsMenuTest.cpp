// The "Tools and Applications" program submenus on a temporary installation: what each directory
// contributes, the captions, the tags across submenus, the hidden web data submenu and real starts.
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqPaths.h"
#include "framework/ZenqProcessStart.h"
#include "tools/ZenqToolsMenu.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Submenu = ZenqToolsMenu::Submenu;
Q_DECLARE_METATYPE(Submenu)

namespace {

void createFile(const QString &directory, const QString &name, const QByteArray &content = {},
                bool executable = false)
{
    QVERIFY(QDir().mkpath(directory));
    QFile file(directory + QLatin1Char('/') + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
}

// A script that records its arguments, one a line, in `record`.
QByteArray recordingScript(const QString &record)
{
    return "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + record.toLocal8Bit() + ".tmp'\nmv '"
        + record.toLocal8Bit() + ".tmp' '" + record.toLocal8Bit() + "'\n";
}

QString readText(const QString &file)
{
    QFile input(file);
    return input.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(input.readAll()) : QString();
}

struct Seen
{
    Submenu submenu;
    QString caption;
    QString file;
};

// Replaces PATH for one test, so which script host exists does not depend on the machine.
class ScopedPath
{
public:
    explicit ScopedPath(const QString &path)
        : m_saved(qgetenv("PATH"))
    {
        qputenv("PATH", path.toLocal8Bit());
    }
    ~ScopedPath() { qputenv("PATH", m_saved); }
    ScopedPath(const ScopedPath &) = delete;
    ScopedPath &operator=(const ScopedPath &) = delete;

private:
    QByteArray m_saved;
};

} // namespace

class ToolsMenuTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_environment = std::make_unique<zenqtest::TestEnvironment>(); }
    void cleanup() { m_environment.reset(); }

    void captions_data()
    {
        QTest::addColumn<Submenu>("submenu");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("caption");
        QTest::newRow("program loses .EXE") << Submenu::Applications << "/a/b/Editor.EXE" << "Editor";
        QTest::newRow(".exe in any case") << Submenu::WWW_Data << "/a/Upload.exe" << "Upload";
        QTest::newRow("only the last extension goes") << Submenu::Applications << "/a/x.y.EXE" << "x.y";
        QTest::newRow("external script keeps .vbs") << Submenu::ApplicationsExternal << "/a/Run.vbs" << "Run.vbs";
        QTest::newRow("external program loses .EXE") << Submenu::ApplicationsExternal << "/a/Tool.EXE" << "Tool";
        QTest::newRow("external name without extension skipped") << Submenu::ApplicationsExternal << "/a.d/Tool" << "";
        QTest::newRow("framework batch file loses .bat") << Submenu::Framework << "/a/Build.bat" << "Build";
        QTest::newRow("framework program loses .EXE") << Submenu::Framework << "/a/Server.EXE" << "Server";
        QTest::newRow("dot in the directory is no extension") << Submenu::Framework << "/a.d/Tool" << "Tool";
    }
    void captions()
    {
        QFETCH(Submenu, submenu);
        QFETCH(QString, file);
        QFETCH(QString, caption);
        QCOMPARE(ZenqToolsMenu::caption(submenu, file), caption);
    }

    void fillListsTheDirectoriesInOrderWithExclusions()
    {
        const QString bin = ZenqGetApplicationsBinDir(), external = ZenqGetApplicationsExternalBinDir(),
                      framework = ZenqGetFrameworkBinDir();
        createFile(bin, QStringLiteral("beta.exe"));
        createFile(bin, QStringLiteral("Alpha.EXE"));
        createFile(bin, QStringLiteral("readme.txt"));
        createFile(external, QStringLiteral("Gamma.EXE"));
        createFile(external, QStringLiteral("script.VBS"));
        createFile(external, QStringLiteral("notes.txt"));
        for (const char *name : { "Robocopy.exe", "Tool.EXE", "CopyFrameworkBinariesToStore.bat",
                                  "CopyFrameworkBinariesFromStore.bat", "build.bat", "Config.Zenq" })
            createFile(framework, QLatin1String(name));
        QVERIFY(QDir().mkpath(ZenqGetApplicationsWWW_DataDir()));

        ZenqToolsMenu menu;
        menu.fill();
        const QList<Seen> expected = {
            { Submenu::Applications, QStringLiteral("Alpha"), bin + QStringLiteral("/Alpha.EXE") },
            { Submenu::Applications, QStringLiteral("beta"), bin + QStringLiteral("/beta.exe") },
            { Submenu::ApplicationsExternal, QStringLiteral("Gamma"), external + QStringLiteral("/Gamma.EXE") },
            { Submenu::ApplicationsExternal, QStringLiteral("script.VBS"), external + QStringLiteral("/script.VBS") },
            // Programs before batch files, whatever the names.
            { Submenu::Framework, QStringLiteral("Tool"), framework + QStringLiteral("/Tool.EXE") },
            { Submenu::Framework, QStringLiteral("build"), framework + QStringLiteral("/build.bat") },
        };
        QCOMPARE(menu.entries().size(), expected.size());
        QCOMPARE(menu.programs().size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const ZenqToolsMenu::Entry &entry = menu.entries().at(i);
            QCOMPARE(entry.submenu, expected.at(i).submenu);
            QCOMPARE(entry.caption, expected.at(i).caption);
            QCOMPARE(QDir::cleanPath(menu.programs().value(entry.tag)), QDir::cleanPath(expected.at(i).file));
        }
        QCOMPARE(menu.entries(Submenu::Framework).size(), 2);
        QVERIFY(menu.isVisible(Submenu::Applications));
        QVERIFY2(!menu.isVisible(Submenu::WWW_Data), "an empty web data directory keeps its submenu hidden");
    }

    void webDataShownWithItsFirstProgram()
    {
        createFile(ZenqGetApplicationsWWW_DataDir(), QStringLiteral("Upload.exe"));
        createFile(ZenqGetApplicationsWWW_DataDir(), QStringLiteral("index.html"));
        ZenqToolsMenu menu;
        menu.fill();
        const QList<ZenqToolsMenu::Entry> web = menu.entries(Submenu::WWW_Data);
        QCOMPARE(web.size(), 1);
        QCOMPARE(web.first().caption, QStringLiteral("Upload"));
        QVERIFY(menu.isVisible(Submenu::WWW_Data));
    }

    void missingDirectoriesGiveNoEntries()
    {
        ZenqToolsMenu menu;
        menu.fill();
        QVERIFY(menu.programs().isEmpty());
        QVERIFY(menu.entries().isEmpty());
        QVERIFY(menu.isVisible(Submenu::Framework));
        QVERIFY(!menu.isVisible(Submenu::WWW_Data));
        QCOMPARE(menu.startCommand(0).program, QString());
        QVERIFY(!menu.start(0));
    }

    void refillReplacesTheProgramList()
    {
        createFile(ZenqGetApplicationsBinDir(), QStringLiteral("One.EXE"));
        ZenqToolsMenu menu;
        menu.fill();
        createFile(ZenqGetApplicationsBinDir(), QStringLiteral("Two.EXE"));
        QCOMPARE(menu.programs().size(), 1);
        menu.fill();
        QCOMPARE(menu.programs().size(), 2);
        QCOMPARE(menu.entries().size(), 2);
        QCOMPARE(menu.entries().last().tag, 1);
    }

    // A name the listing returns without an extension (the file system's masks never produce one here).
    void skippedExternalNameKeepsItsPlaceForLaterTags()
    {
        ZenqToolsMenu menu([](const QString &directory, const QString &masks, QStringList &list, const QString &) {
            if (directory == ZenqGetApplicationsBinDir())
                list << directory + QStringLiteral("/App.EXE");
            else if (directory == ZenqGetApplicationsExternalBinDir())
                list << directory + QStringLiteral("/Ext.EXE") << directory + QStringLiteral("/NoExtension");
            else if (directory == ZenqGetFrameworkBinDir() && masks == QLatin1String("*.EXE"))
                list << directory + QStringLiteral("/Fw.EXE");
        });
        menu.fill();
        QCOMPARE(menu.programs().size(), 4);
        QCOMPARE(menu.entries(Submenu::ApplicationsExternal).size(), 1);
        const QList<ZenqToolsMenu::Entry> framework = menu.entries(Submenu::Framework);
        QCOMPARE(framework.size(), 1);
        QCOMPARE(framework.first().tag, 3);
        QCOMPARE(framework.first().caption, QStringLiteral("Fw"));
    }

    void startCommands_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("viaScriptHost");
        QTest::newRow("program") << "Tool.EXE" << "" << false;
        QTest::newRow("script") << "Run.vbs" << "WSCRIPT.EXE" << true;
        QTest::newRow("script, extension in capitals") << "Run.VBS" << "WSCRIPT.EXE" << true;
    }
    void startCommands()
    {
        QFETCH(QString, name);
        QFETCH(QString, program);
        QFETCH(bool, viaScriptHost);
        const QString directory = ZenqGetApplicationsExternalBinDir();
        createFile(directory, name);
        ZenqToolsMenu menu;
        menu.fill();
        QCOMPARE(menu.programs().size(), 1);
        const QString file = menu.programs().first();
        const ZenqToolsMenu::StartCommand command = menu.startCommand(0);
        if (viaScriptHost) {
            // Unquoted, as the original's command line, although the directory holds a blank.
            QCOMPARE(command.commandLine, QStringLiteral("WSCRIPT.EXE ") + file);
            QCOMPARE(command.program, program);
            QCOMPARE(command.arguments, QStringList { file });
        } else {
            QCOMPARE(command.commandLine, file);
            QCOMPARE(command.program, file);
            QVERIFY(command.arguments.isEmpty());
        }
    }

    void startRunsTheProgramWithoutWaitingOrShell()
    {
        // The external directory's name holds a blank: a shell-split command line would miss the program.
        const QString record = m_environment->path() + QStringLiteral("/started.txt");
        QVERIFY(ZenqGetApplicationsExternalBinDir().contains(QLatin1Char(' ')));
        createFile(ZenqGetApplicationsExternalBinDir(), QStringLiteral("Probe.EXE"), recordingScript(record), true);
        ScopedScriptedUserInterface ui;
        ZenqToolsMenu menu;
        menu.fill();
        QVERIFY(menu.start(menu.entries(Submenu::ApplicationsExternal).first().tag));
        QCOMPARE(ui->waitCursorsShown, 1);
        QCOMPARE(ui->waitDepth, 0);
        QTRY_VERIFY(QFile::exists(record));
        QCOMPARE(readText(record), QString());
    }

    void scriptStartsTheScriptHostWithTheFullName()
    {
        QTemporaryDir hostDirectory;
        const QString record = m_environment->path() + QStringLiteral("/host.txt");
        createFile(hostDirectory.path(), QStringLiteral("WSCRIPT.EXE"), recordingScript(record), true);
        createFile(ZenqGetApplicationsExternalBinDir(), QStringLiteral("Job $x;.vbs"));
        ScopedPath path(hostDirectory.path() + QStringLiteral(":/bin:/usr/bin"));
        ZenqToolsMenu menu;
        menu.fill();
        QVERIFY(menu.start(0));
        QTRY_VERIFY(QFile::exists(record));
        QCOMPARE(readText(record), menu.programs().first() + QLatin1Char('\n'));
    }

    void failedStartIsQuietAndRestoresTheCursor()
    {
        QTemporaryDir emptyPath;
        createFile(ZenqGetApplicationsExternalBinDir(), QStringLiteral("Run.vbs"));
        createFile(ZenqGetApplicationsExternalBinDir(), QStringLiteral("NotExecutable.EXE"));
        ScopedPath path(emptyPath.path());
        ScopedScriptedUserInterface ui;
        ZenqToolsMenu menu;
        menu.fill();
        QCOMPARE(menu.programs().size(), 2);
        QVERIFY(!menu.start(0));
        QVERIFY(!menu.start(1));
        QCOMPARE(ui->waitCursorsShown, 2);
        QCOMPARE(ui->waitDepth, 0);
        QVERIFY(ui->messages.isEmpty());
        QString error;
        QVERIFY(!JWinExec(QStringLiteral("WSCRIPT.EXE"), {}, JSW_SHOWNORMAL, 0, &error));
        QVERIFY(!error.isEmpty());
    }

private:
    std::unique_ptr<zenqtest::TestEnvironment> m_environment;
};

ZENQ_TEST_CLASS(ToolsMenuTest);
#include "ToolsMenuTest.moc"
