// The demo installation: what the console and the framework stand-in read back from it, its tool
// programs, installing again, and the directories it refuses.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqDemoInstallation.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqXmlFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString missing = QStringLiteral("<missing>");

QString configurationText(const QString &file)
{
    QString text;
    JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text);
    return text;
}

// The attributes of the first element of that name in a configuration file, plain or encrypted.
QXmlStreamAttributes elementIn(const QString &file, const QString &name, bool *found = nullptr)
{
    QXmlStreamReader reader(configurationText(file));
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name) {
            if (found)
                *found = true;
            return reader.attributes();
        }
    }
    if (found)
        *found = false;
    return {};
}

QString settingIn(const QString &file, const QString &name)
{
    bool found = false;
    const QXmlStreamAttributes attributes = elementIn(file, name, &found);
    return found ? attributes.value(QStringLiteral("Value")).toString() : missing;
}

bool wellFormed(const QString &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

QString inBin(const QString &file)
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), file);
}

QStringList entriesOf(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class DemoInstallationTest : public QObject
{
    Q_OBJECT
    QTemporaryDir scratch; // other installations than the one under ZENQ_ROOT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(ZenqInstallDemo(ZenqGetRootDir(), &error, zenqtest::zenqToolPath()), qPrintable(error));
        ZenqConfigCacheClear();
        QVERIFY(ZenqIsDemoInstallation(ZenqGetRootDir()));
    }

    void configurationSettingsReadBack_data()
    {
        QTest::addColumn<QString>("configuration");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        const QString global = QStringLiteral("ZenqApplications");
        QTest::newRow("module name") << global << "TraceSettingsWithModuleName" << "1";
        QTest::newRow("process id") << global << "TraceSettingsWithProcessID" << "1";
        QTest::newRow("thread id") << global << "TraceSettingsWithThreadID" << "0";
        QTest::newRow("time") << global << "TraceSettingsWithTime" << "1";
        QTest::newRow("date") << global << "TraceSettingsWithDate" << "0";
        QTest::newRow("indentation") << global << "TraceSettingsWithIndentation" << "1";
        QTest::newRow("requests on this server") << global << "TraceRequestsOnThisServer" << "0";
        QTest::newRow("tracing format") << global << "TracingFormat" << "0";
        QTest::newRow("memory consumption") << global << "MemoryConsumption" << "1";
        QTest::newRow("autocheck") << global << "ZenqApplications_Zenqc_Changes_Autocheck" << "0";
        QTest::newRow("system name") << "ZenqFramework" << "SystemName" << "Zenq Demo";
        QTest::newRow("database setting present and empty") << "ZenqConsole" << "DocAndTestConnection" << "";
        QTest::newRow("encrypted configuration") << "Customers" << "DatabaseUser" << "sales_app";
        QTest::newRow("parent from the .Zenqc first") << "Orders" << "Parent" << "Sales.Zenqc";
        QTest::newRow("author from the .Zenq, UTF-8") << "Orders" << "Author" << "Ines Kovač";
        QTest::newRow("system service not removable") << "ZenqKernel" << "IsRemoveableFromConsole" << "0";
        QTest::newRow("Windows program is no service") << "StockViewer" << "IsService" << "0";
        QTest::newRow("SOAP server type") << "ReportServer" << "ServiceType" << "SOAP server";
    }
    void configurationSettingsReadBack()
    {
        QFETCH(QString, configuration);
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QCOMPARE(ZenqFile_ReadSimple(configuration, setting, missing), value);
    }

    // The option menus need each kind of entry: on/off, a value list whose values all have captions,
    // and free input.
    void optionMenusOfferEveryKindOfEntry_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("global options") << inBin(QStringLiteral("ZenqApplications.Zenqc"));
        QTest::newRow("framework options")
            << JMakeFileName(ZenqGetFrameworkConfigsDir(), QStringLiteral("ZenqFramework.Zenqc"));
        QTest::newRow("local options") << inBin(QStringLiteral("Orders.Zenqc"));
    }
    void optionMenusOfferEveryKindOfEntry()
    {
        QFETCH(QString, file);
        bool onOff = false, captionedList = false, freeInput = false;
        QXmlStreamReader reader(configurationText(file));
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QString menu = reader.attributes().value(QStringLiteral("ConsoleMenu")).toString();
            const QString values = reader.attributes().value(QStringLiteral("Values")).toString();
            if (!menu.startsWith(QLatin1String("(ZenqConsole")) || menu.contains(QLatin1String("NoMenu")))
                continue;
            onOff = onOff || values == QLatin1String("0;1");
            freeInput = freeInput || values == QLatin1String("..");
            const QStringList list = values.split(QLatin1Char(';'));
            if (list.size() > 2) {
                bool allCaptioned = true;
                for (const QString &value : list)
                    allCaptioned = allCaptioned && menu.contains(value + QStringLiteral(" = "));
                captionedList = captionedList || allCaptioned;
            }
        }
        QVERIFY(!reader.hasError());
        QVERIFY(onOff);
        QVERIFY(captionedList);
        QVERIFY(freeInput);
    }

    void encryptedConfigurationIsType6AndDecrypts()
    {
        const QString file = inBin(QStringLiteral("Customers.Zenqc"));
        QCOMPARE(JGetTypeOfXMLFile(file), int(ZenqXMLFileEncrypted));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.readAll().contains("DatabasePassword"));
        QString text;
        int type = 0;
        QString error;
        QVERIFY2(JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text, &type, &error),
                 qPrintable(error));
        QCOMPARE(type, int(ZenqXMLFileEncrypted));
        QVERIFY(wellFormed(text));
        QCOMPARE(settingIn(file, QStringLiteral("Parent")), QStringLiteral("Sales.Zenqc"));
        QVERIFY(elementIn(file, QStringLiteral("CheckVatNumbers")).value(QStringLiteral("ConsoleMenu"))
                    .startsWith(QLatin1String("(ZenqConsole)")));
    }

    void everyParentExistsAndLeadsToTheTop()
    {
        QStringList definitions;
        JGetAllFilesPure(ZenqGetApplicationsBinDir(), QStringLiteral("*.Zenq"), definitions);
        QStringList names;
        for (const QString &file : definitions)
            names << QFileInfo(file).completeBaseName();
        const QStringList demoNames = ZenqDemoApplicationNames();
        QCOMPARE(QSet<QString>(names.begin(), names.end()), QSet<QString>(demoNames.begin(), demoNames.end()));
        QStringList tops;
        for (const QString &name : names) {
            const QString parentDefinition = settingIn(inBin(name + QStringLiteral(".Zenq")), QStringLiteral("Parent"));
            const QString parentConfiguration = settingIn(inBin(name + QStringLiteral(".Zenqc")),
                                                          QStringLiteral("Parent"));
            if (parentDefinition == missing) {
                QCOMPARE(parentConfiguration, missing);
                tops << name;
                continue;
            }
            const QString parent = QFileInfo(parentDefinition).completeBaseName();
            QCOMPARE(parentDefinition, parent + QStringLiteral(".Zenq"));
            QCOMPARE(parentConfiguration, parent + QStringLiteral(".Zenqc"));
            QVERIFY2(JFileExists(inBin(parentDefinition)) && JFileExists(inBin(parentConfiguration)),
                     qPrintable(name));
            QCOMPARE(settingIn(inBin(parentDefinition), QStringLiteral("IsFolder")), QStringLiteral("1"));
            QStringList seen { name };
            QString up = parent;
            while (up != QLatin1String("ZenqApplications")) {
                QVERIFY2(!seen.contains(up), qPrintable(QStringLiteral("cycle through %1").arg(up)));
                seen << up;
                up = QFileInfo(settingIn(inBin(up + QStringLiteral(".Zenq")), QStringLiteral("Parent")))
                         .completeBaseName();
            }
        }
        QCOMPARE(tops, QStringList { QStringLiteral("ZenqApplications") });
    }

    // Renames and deletes move these items with the application, so each must be where it is looked for.
    void applicationsHaveTheirBinariesSourcesAndSxtFoldersOnlyTheirFiles()
    {
        for (const QString &name : ZenqDemoApplicationNames()) {
            const QString definition = inBin(name + QStringLiteral(".Zenq"));
            const bool folder = settingIn(definition, QStringLiteral("IsFolder")) == QLatin1String("1");
            const bool service = settingIn(definition, QStringLiteral("IsService")) == QLatin1String("1");
            const QString source = JMakeFileName(ZenqGetApplicationsSourceDir(), name);
            const QString sxt = JMakeFileName(ZenqGetApplicationsSXTDir(), name);
            const QByteArray label = name.toUtf8();
            if (folder) {
                QVERIFY2(!service, label);
                QVERIFY2(!JDirExists(source) && !JDirExists(sxt), label);
                QVERIFY2(!JFileExists(inBin(name + QStringLiteral(".DLL"))), label);
                QVERIFY2(!JFileExists(inBin(name + QStringLiteral(".EXE"))), label);
                continue;
            }
            QVERIFY2(JFileExists(JMakeFileName(source, name + QStringLiteral(".dpr"))), label);
            QVERIFY2(JFileExists(JMakeFileName(source, name + QStringLiteral(".RES"))), label);
            QVERIFY2(!QDir(source).entryList({ QStringLiteral("*.pas") }).isEmpty(), label);
            QVERIFY2(!QDir(sxt).entryList({ QStringLiteral("*.sxt") }).isEmpty(), label);
            if (service) {
                // On this platform the service's library is the program that answers its calls.
                QVERIFY2(QFileInfo(inBin(name + QStringLiteral(".DLL"))).isExecutable(), label);
            } else {
                const QFileInfo program(inBin(name + QStringLiteral(".EXE")));
                QVERIFY2(program.isExecutable(), label);
                QVERIFY2(JFileExists(inBin(name + QStringLiteral(".EXE.manifest"))), label);
            }
        }
    }

    void folderTemplatesHoldThePlaceholders_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("definition") << "@application@.Zenq";
        QTest::newRow("configuration") << "@application@.Zenqc";
    }
    void folderTemplatesHoldThePlaceholders()
    {
        QFETCH(QString, file);
        const QString folders = JMakeFileName(ZenqGetFrameworkTemplatesDir(QStringLiteral("ZenqApplication")),
                                              QStringLiteral("folders"));
        QString text = JLoadFromFile(JMakeFileName(folders, file), ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
        for (const char *placeholder : { "@application@", "@zenqparent@", "@comment@", "@author@" })
            QVERIFY2(text.contains(QLatin1String(placeholder)), placeholder);
        QVERIFY(text.contains(QLatin1String("<Parent Value=\"@zenqparent@\"/>")));
        text.replace(QLatin1String("@application@"), QLatin1String("Archive"))
            .replace(QLatin1String("@zenqparent@"), QLatin1String("Sales.Zenq"))
            .replace(QLatin1String("@comment@"), QString())
            .replace(QLatin1String("@author@"), QString());
        QVERIFY(wellFormed(text));
    }

    void projectGroupsListAndBuildEveryApplication()
    {
        QStringList groups;
        JGetAllFilesInAllDirectories(ZenqGetApplicationsProjectGroupsDir(), QStringLiteral("*.BPG"), groups);
        bool inSubDirectory = false;
        QSet<QString> listed;
        for (const QString &group : groups) {
            inSubDirectory = inSubDirectory
                || QFileInfo(group).absolutePath() != QDir(ZenqGetApplicationsProjectGroupsDir()).absolutePath();
            QFile file(group);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
            const QStringList lines = JAnsiToWide(bytes).split(QStringLiteral("\r\n"));
            QStringList targets;
            qsizetype at = lines.indexOf(QRegularExpression(QStringLiteral("^PROJECTS\\b.*")));
            QVERIFY2(at >= 0, qPrintable(group));
            for (QString line = lines.at(at).mid(lines.at(at).indexOf(QLatin1Char('=')) + 1);;
                 line = lines.at(++at)) {
                const bool continued = line.trimmed().endsWith(QLatin1Char('\\'));
                targets << line.remove(QLatin1Char('\\')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (!continued)
                    break;
            }
            QVERIFY(lines.contains(QStringLiteral("default: $(PROJECTS)")));
            for (const QString &target : targets) {
                const qsizetype rule = lines.indexOf(QRegularExpression(
                    QStringLiteral("^%1: .*\\\\%2\\.dpr$")
                        .arg(QRegularExpression::escape(target),
                             QRegularExpression::escape(QFileInfo(target).completeBaseName()))));
                QVERIFY2(rule >= 0, qPrintable(target));
                QCOMPARE(lines.value(rule + 1), QStringLiteral("  $(DCC)"));
                QCOMPARE(lines.value(rule + 2), QString());
                listed << QFileInfo(target).completeBaseName();
            }
        }
        QVERIFY(inSubDirectory);
        for (const QString &name : ZenqDemoApplicationNames()) {
            const bool folder = settingIn(inBin(name + QStringLiteral(".Zenq")), QStringLiteral("IsFolder"))
                == QLatin1String("1");
            QCOMPARE(listed.contains(name), !folder);
        }
    }

    void databaseFindsSamplesAndTestsByBoundNames()
    {
        const QString connection = QStringLiteral("DemoInstallationTest");
        {
            QString error;
            QSqlDatabase database = ZenqOpenDocAndTestDatabase(connection, &error);
            QVERIFY2(database.isOpen(), qPrintable(error));
            QSqlQuery sample(database);
            QVERIFY(sample.prepare(QStringLiteral(
                "SELECT INPUTSAMPLE_ FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? AND SAMPLENAME_ = ?")));
            sample.addBindValue(QStringLiteral("Orders"));
            sample.addBindValue(QStringLiteral("Customer's last order"));
            QVERIFY(sample.exec() && sample.next());
            QVERIFY(sample.value(0).toString().contains(QLatin1String("<LastOrder customer=\"17\"/>")));

            // Every Sample line of a script names a sample of its own service, unless it is meant not to.
            QSqlQuery tests(database);
            QVERIFY(tests.exec(QStringLiteral("SELECT APPNAME_, TESTNAME_, TESTSCRIPT_ FROM D_TESTS")));
            static const QRegularExpression sampleLine(QStringLiteral("^\\s*Sample\\s*=\\s*([^;]+);"),
                                                       QRegularExpression::MultilineOption
                                                           | QRegularExpression::CaseInsensitiveOption);
            bool apostropheTest = false;
            while (tests.next()) {
                apostropheTest = apostropheTest || tests.value(1).toString().contains(QLatin1Char('\''));
                auto matches = sampleLine.globalMatch(tests.value(2).toString());
                while (matches.hasNext()) {
                    const QString name = matches.next().captured(1).trimmed();
                    if (name == QLatin1String("No such sample"))
                        continue;
                    QSqlQuery exists(database);
                    QVERIFY(exists.prepare(QStringLiteral(
                        "SELECT 1 FROM D_XMLBEHAVIOUR WHERE APPNAME_ = :app AND SAMPLENAME_ = :sample")));
                    exists.bindValue(QStringLiteral(":app"), tests.value(0));
                    exists.bindValue(QStringLiteral(":sample"), name);
                    QVERIFY2(exists.exec() && exists.next(), qPrintable(tests.value(1).toString() + ": " + name));
                }
            }
            QVERIFY(apostropheTest);
        }
        QSqlDatabase::removeDatabase(connection);
    }

    // The removal of generated samples needs marked samples that parse and one that does not.
    void generatedSamplesParseExceptTheCutOffRecording()
    {
        const QString connection = QStringLiteral("DemoInstallationTest-samples");
        {
            QSqlDatabase database = ZenqOpenDocAndTestDatabase(connection);
            QSqlQuery query(database);
            QVERIFY(query.exec(QStringLiteral(
                "SELECT APPNAME_, SAMPLENAME_, COMMENT_, INPUTSAMPLE_, OUTPUTSAMPLE_ FROM D_XMLBEHAVIOUR")));
            QStringList malformed;
            bool lowerCaseMark = false;
            while (query.next()) {
                const QString comment = query.value(2).toString();
                lowerCaseMark = lowerCaseMark || comment.startsWith(QLatin1String("generated by zenqframework"));
                if (wellFormed(query.value(3).toString()) && wellFormed(query.value(4).toString()))
                    continue;
                QVERIFY2(comment.contains(QLatin1String("Generated by ZenqFramework"), Qt::CaseInsensitive),
                         qPrintable(query.value(1).toString()));
                malformed << query.value(1).toString();
            }
            QCOMPARE(malformed, QStringList { QStringLiteral("Generated 2024-03-13 14:25:31") });
            QVERIFY(lowerCaseMark);
        }
        QSqlDatabase::removeDatabase(connection);
    }

    void toolProgramsStartDirectlyAndReportThroughTheTrace_data()
    {
        QTest::addColumn<QString>("program");
        const QString bin = ZenqGetApplicationsBinDir();
        const QString framework = ZenqGetFrameworkBinDir();
        QTest::newRow("Windows program") << JMakeFileName(bin, QStringLiteral("StockViewer.EXE"));
        QTest::newRow("crypt editor") << JMakeFileName(bin, QStringLiteral("ZenqCryptEditor.exe"));
        QTest::newRow("external program")
            << JMakeFileName(ZenqGetApplicationsExternalBinDir(), QStringLiteral("DiffViewer.EXE"));
        QTest::newRow("monitor") << JMakeFileName(framework, QStringLiteral("ZenqMonitor.EXE"));
        QTest::newRow("robocopy") << JMakeFileName(framework, QStringLiteral("Robocopy.exe"));
        QTest::newRow("batch") << JMakeFileName(framework, QStringLiteral("RebuildIndexes.bat"));
        QTest::newRow("to store") << JMakeFileName(framework, QStringLiteral("CopyFrameworkBinariesToStore.bat"));
        QTest::newRow("from store") << JMakeFileName(framework, QStringLiteral("CopyFrameworkBinariesFromStore.bat"));
    }
    void toolProgramsStartDirectlyAndReportThroughTheTrace()
    {
        QFETCH(QString, program);
        QProcess process;
        process.start(program, { QStringLiteral("argument with 'quote'") });
        QVERIFY2(process.waitForFinished(20000), qPrintable(process.errorString()));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QString handOver = JLoadFromFile(ZenqHandOverFileName(0), ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
        const QString expected = QFileInfo(program).completeBaseName()
            + QStringLiteral(" (demo): ");
        QVERIFY2(handOver.contains(expected), qPrintable(handOver));
        QVERIFY(handOver.contains(QLatin1String("(argument with 'quote')")));
    }

    void toolPathIsEmbeddedAsDataNotAsShellCode()
    {
        const QString root = scratch.filePath(QStringLiteral("quoted"));
        const QString oddTool =
            scratch.filePath(QStringLiteral("it's \"odd\" $(touch injected) `touch injected`/zenq"));
        QString error;
        QVERIFY2(ZenqInstallDemo(root, &error, oddTool), qPrintable(error));
        QProcess process;
        process.setWorkingDirectory(scratch.path());
        process.start(JMakeFileName(root, QStringLiteral("Framework/Bin/ZenqMonitor.EXE")), {});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardOutput().startsWith("ZenqMonitor (demo): "));
        QVERIFY(!QFileInfo::exists(scratch.filePath(QStringLiteral("injected"))));
    }

    void installingAgainRestoresTheDemoAndKeepsForeignFiles()
    {
        const QString root = scratch.filePath(QStringLiteral("again"));
        QString error;
        QVERIFY2(ZenqInstallDemo(root, &error), qPrintable(error));
        const QString global = JMakeFileName(root, QStringLiteral("Applications/Bin/ZenqApplications.Zenqc"));
        QVERIFY(JChangeXMLFileEx(global, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(),
                                 QStringLiteral("TraceSettingsWithDate"), QStringLiteral("1")));
        const QString ownFile = JMakeFileName(root, QStringLiteral("Applications/Bin/Mine.Zenq"));
        QVERIFY(JSaveToFileS(ownFile, QStringLiteral("<Zenq/>"), ZenqEncodingUtf8, false));
        ZenqDocAndTestConnection sqlite;
        QVERIFY(ZenqParseDocAndTestConnection({}, JMakeFileName(root, QStringLiteral("Applications/DocAndTest")),
                                              sqlite));
        const QString connection = QStringLiteral("DemoInstallationTest-again");
        const auto rows = [&](const QString &statement) {
            QSqlDatabase database = ZenqOpenDocAndTestDatabase(sqlite, connection);
            QSqlQuery query(database);
            query.prepare(statement);
            query.addBindValue(QStringLiteral("Orders"));
            query.exec();
            int count = 0;
            while (query.next())
                ++count;
            return count;
        };
        const QString countOrders = QStringLiteral("SELECT SAMPLENAME_ FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ?");
        const int ordersSamples = rows(countOrders);
        rows(QStringLiteral("DELETE FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ?"));
        QCOMPARE(rows(countOrders), 0);

        QVERIFY2(ZenqInstallDemo(root, &error), qPrintable(error));
        QCOMPARE(settingIn(global, QStringLiteral("TraceSettingsWithDate")), QStringLiteral("0"));
        QVERIFY(JFileExists(ownFile));
        QCOMPARE(rows(countOrders), ordersSamples);
        QSqlDatabase::removeDatabase(connection);
    }

    void refusesDirectoriesThatAreNeitherEmptyNorTheDemo_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("foreign file") << "notes.txt" << "not empty and holds no Zenq installation";
        QTest::newRow("hidden directory only") << ".git/" << "not empty and holds no Zenq installation";
        QTest::newRow("Zenq installation that is not the demo")
            << "Applications/Bin/ZenqApplications.Zenq" << "not the demo";
        QTest::newRow("file instead of a directory") << "=file" << "not a directory";
    }
    void refusesDirectoriesThatAreNeitherEmptyNorTheDemo()
    {
        QFETCH(QString, content);
        QFETCH(QString, reason);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString root = scratch.filePath(QStringLiteral("refused-") + tag);
        if (content == QLatin1String("=file")) {
            QVERIFY(JSaveToFileS(root, QStringLiteral("x"), ZenqEncodingUtf8, false));
        } else {
            const QString path = JMakeFileName(root, content);
            QVERIFY(JMakeDir(QFileInfo(path).absolutePath()));
            if (content.endsWith(QLatin1Char('/')))
                QVERIFY(JMakeDir(path));
            else
                QVERIFY(JSaveToFileS(path, QStringLiteral("<Zenq/>"), ZenqEncodingUtf8, false));
        }
        const QStringList before = entriesOf(root);
        QString error;
        QVERIFY(!ZenqInstallDemo(root, &error, zenqtest::zenqToolPath()));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(entriesOf(root), before);
    }

    void zenqDemoCommandInstallsRestoresAndRefuses()
    {
        const auto run = [](const QStringList &arguments, QString *output = nullptr) {
            QProcess process;
            process.start(zenqtest::zenqToolPath(), arguments);
            process.waitForFinished(60000);
            if (output)
                *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
            return process.exitCode();
        };
        const QString root = scratch.filePath(QStringLiteral("by command/new"));
        QString output;
        QCOMPARE(run({ QStringLiteral("demo") }), 2);
        QCOMPARE(run({ QStringLiteral("demo"), QStringLiteral("remove"), root }), 2);
        QCOMPARE(run({ QStringLiteral("demo"), QStringLiteral("install"), root }, &output), 0);
        QVERIFY2(output.startsWith(QStringLiteral("Installed the Zenq demo in %1").arg(root)), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("ZENQ_ROOT='%1' zenq-console").arg(root)), qPrintable(output));
        QVERIFY(ZenqIsDemoInstallation(root));
        QCOMPARE(run({ QStringLiteral("demo"), QStringLiteral("install"), root }, &output), 0);
        QVERIFY2(output.startsWith(QLatin1String("Restored")), qPrintable(output));
        const QString foreign = JMakeFileName(root, QStringLiteral("Applications/Source"));
        QCOMPARE(run({ QStringLiteral("demo"), QStringLiteral("install"), foreign }, &output), 1);
        QVERIFY2(output.contains(QLatin1String("not empty")), qPrintable(output));
    }
};

ZENQ_TEST_CLASS(DemoInstallationTest);
#include "DemoInstallationTest.moc"
