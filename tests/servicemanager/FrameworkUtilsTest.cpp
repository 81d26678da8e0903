// The application file model on a small installation around one service under the folder "Sales":
// renaming it everywhere (files, binaries, SXT, sources, project groups, references, database rows, the
// engine told first), renames that stop half-way, moves, folders from templates, removal from project
// groups, deletion, project loading and the names a rename refuses.
#include "support/TestMain.h"

#include "framework/ZenqApplications.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"
#include "servicemanager/ZenqFramework_Utils.h"

#include <QDateTime>
#include <QFile>
#include <QSqlQuery>
#include <QTest>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <stdexcept>

namespace {

const QString connectionName = QStringLiteral("FrameworkUtilsTest");
const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());

QString bin(const QString &file) { return JMakeFileName(ZenqGetApplicationsBinDir(), file); }
QString source(const QString &file) { return JMakeFileName(ZenqGetApplicationsSourceDir(), file); }
QString sxt(const QString &file) { return JMakeFileName(ZenqGetApplicationsSXTDir(), file); }
QString projectGroup(const QString &file) { return JMakeFileName(ZenqGetApplicationsProjectGroupsDir(), file); }

QString element(const QString &name, const QString &value)
{
    return QStringLiteral("   <%1 Value=\"%2\"/>\r\n").arg(name, ZenqXmlEscapeAttribute(value));
}

void writeConfiguration(const QString &file, const QString &elements, int type = ZenqXMLFilePlain)
{
    QVERIFY(JMakeDir(QFileInfo(file).absolutePath()));
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n%1</Zenq>\r\n").arg(elements);
    QVERIFY(JSaveToXMLFile(file, text, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), type));
}

void writeApplication(const QString &name, const QString &parent, const QString &definition = {},
                      const QString &configuration = {})
{
    writeConfiguration(bin(name + QStringLiteral(".Zenq")),
                       (parent.isEmpty() ? QString() : element(QStringLiteral("Parent"), parent + QStringLiteral(".Zenq"))) + definition);
    writeConfiguration(bin(name + QStringLiteral(".Zenqc")),
                       (parent.isEmpty() ? QString() : element(QStringLiteral("Parent"), parent + QStringLiteral(".Zenqc"))) + configuration,
                       ZenqXMLFileEncrypted);
}

void writeText(const QString &file, const QString &text)
{
    QVERIFY(JMakeDir(QFileInfo(file).absolutePath()));
    QVERIFY(JSaveToFileS(file, text, ZenqEncodingAnsi, false));
}

void writeBytes(const QString &file, const QByteArray &bytes)
{
    QVERIFY(JMakeDir(QFileInfo(file).absolutePath()));
    QVERIFY(JSaveBytesAtomically(file, bytes));
}

QString readText(const QString &file)
{
    return JLoadFromFile(file, ZenqLoadHonourBom);
}

QByteArray readBytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The decoded value of the first element of that name; "<missing>" when the file or element is missing.
QString settingOf(const QString &file, const QString &name)
{
    QString text;
    if (!JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text))
        return QStringLiteral("<missing>");
    QXmlStreamReader reader(text);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            return reader.attributes().value(QLatin1String("Value")).toString();
    return QStringLiteral("<missing>");
}

QByteArray resource(const QString &name)
{
    return QByteArray("\0\0\0\0 \0\0\0\xFF\xFF", 10) + name.toLatin1() + QByteArray("\0\x01\x02", 3);
}

QString salesGroup(const QString &s)
{
    return QStringLiteral("PROJECTS = %1.dll %1Archive.dll \\\r\n  Other.dll\r\n#---\r\ndefault: $(PROJECTS)\r\n\r\n"
                          "%1.dll: ..\\Source\\%1\\%1.dpr\r\n  $(DCC)\r\n\r\n"
                          "%1Archive.dll: ..\\Source\\%1Archive\\%1Archive.dpr\r\n  $(DCC)\r\n\r\n"
                          "Other.dll: ..\\Source\\Other\\Other.dpr\r\n  $(DCC)\r\n\r\n")
        .arg(s);
}

// The installation: ZenqApplications > Sales > S (with binaries, sources, SXT files and rows),
// S + "Archive" (a name that starts with S), Child below S; Other elsewhere uses S.
void writeInstallation(const QString &s)
{
    writeApplication(QStringLiteral("ZenqApplications"), {}, element(QStringLiteral("IsFolder"), QStringLiteral("1")));
    writeApplication(QStringLiteral("Sales"), QStringLiteral("ZenqApplications"), element(QStringLiteral("IsFolder"), QStringLiteral("1")));
    writeApplication(s, QStringLiteral("Sales"), element(QStringLiteral("Comment"), s + QStringLiteral(" takes orders")),
                     element(QStringLiteral("DatabaseAlias"), s));
    writeApplication(s + QStringLiteral("Archive"), QStringLiteral("Sales"),
                     element(QStringLiteral("Comment"), QStringLiteral("Archive of ") + s));
    writeApplication(QStringLiteral("Child"), s);
    writeApplication(QStringLiteral("Other"), QStringLiteral("ZenqApplications"));
    writeBytes(bin(s + QStringLiteral(".DLL")), "MZ library");
    writeBytes(bin(s + QStringLiteral(".EXE")), "MZ program");
    writeText(bin(s + QStringLiteral(".EXE.manifest")), QStringLiteral("<assembly name=\"Vantrel.Zenq.%1\"/>").arg(s));

    writeText(source(s + QLatin1Char('/') + s + QStringLiteral(".dpr")),
              QStringLiteral("library %1;\r\nuses %1Main in '%1Main.pas';\r\n{$R *.RES}\r\n").arg(s));
    writeText(source(s + QLatin1Char('/') + s + QStringLiteral("Main.pas")), QStringLiteral("unit %1Main;\r\n").arg(s));
    writeBytes(source(s + QLatin1Char('/') + s + QStringLiteral(".RES")), resource(s));
    writeText(source(QStringLiteral("Other/Other.pas")), QStringLiteral("uses %1Main;\r\n").arg(s));

    writeText(sxt(s + QLatin1Char('/') + s + QStringLiteral(".sxt")), QStringLiteral("<ZenqSXT Application=\"%1\"/>\r\n").arg(s));
    writeText(sxt(QStringLiteral("Other/Other.sxt")), QStringLiteral("<Call Service=\"%1\"/>\r\n").arg(s));

    writeText(projectGroup(QStringLiteral("Sales.BPG")), salesGroup(s));
    writeText(projectGroup(QStringLiteral("Own/") + s + QStringLiteral(".BPG")), QStringLiteral("PROJECTS = %1.dll\r\n").arg(s));

    QVERIFY(JMakeDir(ZenqGetApplicationsDocAndTestDir()));
    QString error;
    QSqlDatabase db = ZenqOpenDocAndTestDatabase(connectionName, &error);
    QVERIFY2(db.isOpen(), qPrintable(error));
    QVERIFY2(ZenqCreateDocAndTestTables(db, &error), qPrintable(error));
    for (const QString &name : { s, s + QStringLiteral("Archive") }) {
        ZenqExecuteSQL(db, QStringLiteral("INSERT INTO D_TESTS (APPNAME_, TESTNAME_) VALUES (?, 'Test')"), { name });
        ZenqExecuteSQL(db, QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_) VALUES (?, 'Sample')"), { name });
    }
}

int rowsOf(const QString &table, const QString &name)
{
    QSqlQuery query(QSqlDatabase::database(connectionName));
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE APPNAME_ = ?").arg(table));
    query.addBindValue(name);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

void age(const QString &file)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.setFileTime(longAgo, QFileDevice::FileModificationTime));
}

bool written(const QString &file)
{
    return QFileInfo(file).lastModified() != longAgo;
}

// A framework engine inside the test: records what it is told and whether the application's definition
// file was still there at that moment.
class RecordingEngine
{
public:
    explicit RecordingEngine(QString watchedFile = {}, qint64 answer = 1)
        : m_watchedFile(std::move(watchedFile))
        , m_answer(answer)
        , m_window(ZenqWindowClass::FrameworkEngine, [this](quint32 message, quintptr, qintptr lParam) {
            received << QStringLiteral("%1 %2 %3")
                            .arg(ZenqRegisteredMessageName(message), JGlobalGetAtomAndDelete(static_cast<quint16>(lParam)),
                                 JFileExists(m_watchedFile) ? QStringLiteral("before") : QStringLiteral("after"));
            return ZenqMessageAnswer(m_answer);
        })
    {
        for (const char *name : { "WM_ZenqApplicationToRename", "WM_ZenqApplicationToDelete", "WM_ZenqFrameworkLoadApplication" })
            RegisterWindowMessage(QLatin1String(name));
        m_window.open();
    }

    QStringList received;

private:
    QString m_watchedFile;
    qint64 m_answer;
    ZenqWindow m_window;
};

} // namespace

class FrameworkUtilsTest : public QObject
{
    Q_OBJECT
    QSqlDatabase db;

    void removeDatabase()
    {
        db = QSqlDatabase();
        if (QSqlDatabase::contains(connectionName))
            QSqlDatabase::removeDatabase(connectionName);
    }

private Q_SLOTS:
    void init()
    {
        removeDatabase();
        JRemoveDir(ZenqGetRootDir(), true);
        ZenqConfigCacheClear();
    }
    void cleanup() { removeDatabase(); }

    void renameReachesEveryPlaceOfTheName_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::newRow("plain names") << "Orders" << "Purchases";
        QTest::newRow("apostrophe in the new name") << "Orders" << "O'Brien";
        QTest::newRow("apostrophe in the old name") << "O'Brien" << "Obrien";
    }
    void renameReachesEveryPlaceOfTheName()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        writeInstallation(oldName);
        db = QSqlDatabase::database(connectionName);
        RecordingEngine engine(bin(oldName + QStringLiteral(".Zenq")));
        const QString archive = oldName + QStringLiteral("Archive");

        bool sourceDirLeft = true;
        QVERIFY(RenameApplication(true, oldName, newName, sourceDirLeft, db, db));
        QVERIFY(!sourceDirLeft);
        QCOMPARE(engine.received, QStringList { QStringLiteral("WM_ZenqApplicationToRename %1 before")
                                                    .arg(ZenqGetApplicationsSourceCompleteDPRName(oldName)) });

        // Definition, configuration and binaries; the configuration stays encrypted.
        for (const char *extension : { ".Zenq", ".Zenqc", ".DLL", ".EXE", ".EXE.manifest" }) {
            QVERIFY2(!JFileExists(bin(oldName + QLatin1String(extension))), extension);
            QVERIFY2(JFileExists(bin(newName + QLatin1String(extension))), extension);
        }
        QCOMPARE(JGetTypeOfXMLFile(bin(newName + QStringLiteral(".Zenqc"))), int(ZenqXMLFileEncrypted));
        QCOMPARE(settingOf(bin(newName + QStringLiteral(".Zenq")), QStringLiteral("Comment")), newName + QStringLiteral(" takes orders"));
        QCOMPARE(settingOf(bin(newName + QStringLiteral(".Zenqc")), QStringLiteral("DatabaseAlias")), newName);
        // References in other applications; a longer name that starts with the old one is another name.
        QCOMPARE(settingOf(bin(QStringLiteral("Child.Zenq")), QStringLiteral("Parent")), newName + QStringLiteral(".Zenq"));
        QCOMPARE(settingOf(bin(QStringLiteral("Child.Zenqc")), QStringLiteral("Parent")), newName + QStringLiteral(".Zenqc"));
        QCOMPARE(settingOf(bin(archive + QStringLiteral(".Zenq")), QStringLiteral("Comment")), QStringLiteral("Archive of ") + newName);
        QVERIFY(JFileExists(bin(archive + QStringLiteral(".Zenqc"))));
        TZenqEasyTree tree(true, true);
        ZenqGetAllZenq(tree, ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications"));
        const TZenqEasyTree *sales = tree._GetSubTreeAt(0)->_GetSubTreeAt(tree._GetSubTreeAt(0)->indexOf(QStringLiteral("Sales")));
        QVERIFY(sales);
        QVERIFY(sales->_GetSubTreeAt(sales->indexOf(newName)));
        QCOMPARE(sales->_GetSubTreeAt(sales->indexOf(newName))->nameAt(0), QStringLiteral("Child"));

        // Sources: names and contents, everywhere; the compiled resource keeps its bytes.
        QVERIFY(!JDirExists(source(oldName)));
        QCOMPARE(readText(source(newName + QLatin1Char('/') + newName + QStringLiteral(".dpr"))),
                 QStringLiteral("library %1;\r\nuses %1Main in '%1Main.pas';\r\n{$R *.RES}\r\n").arg(newName));
        QCOMPARE(readText(source(newName + QLatin1Char('/') + newName + QStringLiteral("Main.pas"))),
                 QStringLiteral("unit %1Main;\r\n").arg(newName));
        QCOMPARE(readBytes(source(newName + QLatin1Char('/') + newName + QStringLiteral(".RES"))), resource(oldName));
        QCOMPARE(readText(source(QStringLiteral("Other/Other.pas"))), QStringLiteral("uses %1Main;\r\n").arg(newName));

        // SXT files.
        QVERIFY(!JDirExists(sxt(oldName)));
        QCOMPARE(readText(sxt(newName + QLatin1Char('/') + newName + QStringLiteral(".sxt"))),
                 QStringLiteral("<ZenqSXT Application=\"%1\"/>\r\n").arg(newName));
        QCOMPARE(readText(sxt(QStringLiteral("Other/Other.sxt"))), QStringLiteral("<Call Service=\"%1\"/>\r\n").arg(newName));

        // Project groups: contents and the file named after the application.
        QString expectedGroup = salesGroup(oldName);
        expectedGroup.replace(QStringLiteral("%1.dll").arg(oldName), QStringLiteral("%1.dll").arg(newName));
        expectedGroup.replace(QStringLiteral("\\%1\\%1.dpr").arg(oldName), QStringLiteral("\\%1\\%1.dpr").arg(newName));
        QCOMPARE(readText(projectGroup(QStringLiteral("Sales.BPG"))), expectedGroup);
        QVERIFY(!JFileExists(projectGroup(QStringLiteral("Own/") + oldName + QStringLiteral(".BPG"))));
        QCOMPARE(readText(projectGroup(QStringLiteral("Own/") + newName + QStringLiteral(".BPG"))),
                 QStringLiteral("PROJECTS = %1.dll\r\n").arg(newName));

        // Database rows.
        for (const char *table : { "D_TESTS", "D_XMLBEHAVIOUR" }) {
            QCOMPARE(rowsOf(QLatin1String(table), oldName), 0);
            QCOMPARE(rowsOf(QLatin1String(table), newName), 1);
            QCOMPARE(rowsOf(QLatin1String(table), archive), 1);
        }
    }

    // Without the DocAndTest directory no statement is issued, so unusable connections do no harm.
    void databaseRowsOnlyWhereTheTablesAreInUse_data()
    {
        QTest::addColumn<bool>("docAndTestDirectory");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("directory absent") << false << true;
        QTest::newRow("directory present") << true << false;
    }
    void databaseRowsOnlyWhereTheTablesAreInUse()
    {
        QFETCH(bool, docAndTestDirectory);
        QFETCH(bool, renamed);
        writeInstallation(QStringLiteral("Orders"));
        removeDatabase();
        if (!docAndTestDirectory)
            QVERIFY(JRemoveDir(ZenqGetApplicationsDocAndTestDir(), true));
        QSqlDatabase unusable;
        bool left = false;
        QCOMPARE(RenameApplication(true, QStringLiteral("Orders"), QStringLiteral("Purchases"), left, unusable, unusable),
                 renamed);
        QVERIFY(JFileExists(bin(QStringLiteral("Purchases.Zenq"))));
        QVERIFY(JFileExists(projectGroup(QStringLiteral("Own/Purchases.BPG"))));
        // A delete issues its statements only where the tables are in use too.
        bool deleted = false;
        try {
            deleted = DeleteApplication(QStringLiteral("Purchases"), left, unusable, unusable);
        } catch (const std::exception &) {
        }
        QCOMPARE(deleted, renamed);
        QVERIFY(!JFileExists(bin(QStringLiteral("Purchases.Zenq"))));
    }

    void databaseErrorOfARenameIsTracedAndStopsTheSecondTable()
    {
        writeInstallation(QStringLiteral("Orders"));
        db = QSqlDatabase::database(connectionName);
        ZenqExecuteSQL(db, QStringLiteral("DROP TABLE D_TESTS"));
        QVERIFY(!RenameInDocAndTestTables(true, QStringLiteral("Orders"), QStringLiteral("Purchases"), db, db));
        QCOMPARE(rowsOf(QStringLiteral("D_XMLBEHAVIOUR"), QStringLiteral("Orders")), 1);
        const QString trace = JLoadFromFile(ZenqHandOverFileName(ZenqDefaultTraceLocation()),
                                            ZenqLoadHonourBom | ZenqLoadGuessUtf16);
        QVERIFY2(trace.contains(QLatin1String("D_TESTS")), qPrintable(trace));
    }

    void renameThatFailsAtTheBinariesKeepsTheStepsBefore()
    {
        writeInstallation(QStringLiteral("Orders"));
        db = QSqlDatabase::database(connectionName);
        QVERIFY(JMakeDir(bin(QStringLiteral("Purchases.DLL"))));
        bool left = true;
        QVERIFY(!RenameApplication(true, QStringLiteral("Orders"), QStringLiteral("Purchases"), left, db, db));
        QVERIFY(!left);
        QVERIFY(JFileExists(bin(QStringLiteral("Purchases.Zenq"))));
        QVERIFY(JFileExists(bin(QStringLiteral("Purchases.Zenqc"))));
        QCOMPARE(settingOf(bin(QStringLiteral("Child.Zenq")), QStringLiteral("Parent")), QStringLiteral("Purchases.Zenq"));
        QVERIFY(JFileExists(bin(QStringLiteral("Orders.DLL"))));
        QVERIFY(JFileExists(bin(QStringLiteral("Orders.EXE"))));
        QVERIFY(JDirExists(sxt(QStringLiteral("Orders"))));
        QVERIFY(JDirExists(source(QStringLiteral("Orders"))));
        QCOMPARE(rowsOf(QStringLiteral("D_TESTS"), QStringLiteral("Orders")), 1);
    }

    void folderRenameTouchesOnlyItsFilesAndReferences()
    {
        writeInstallation(QStringLiteral("Orders"));
        // An application with only one of its two files does not stop the replacement in the others.
        QVERIFY(JDeleteFile(bin(QStringLiteral("Other.Zenqc"))));
        QVERIFY(RenameFolderFiles(QStringLiteral("Sales"), QStringLiteral("Selling")));
        QVERIFY(!JFileExists(bin(QStringLiteral("Sales.Zenq"))));
        QCOMPARE(settingOf(bin(QStringLiteral("Selling.Zenq")), QStringLiteral("Parent")), QStringLiteral("ZenqApplications.Zenq"));
        QCOMPARE(settingOf(bin(QStringLiteral("Orders.Zenq")), QStringLiteral("Parent")), QStringLiteral("Selling.Zenq"));
        QCOMPARE(settingOf(bin(QStringLiteral("Orders.Zenqc")), QStringLiteral("Parent")), QStringLiteral("Selling.Zenqc"));
        QCOMPARE(settingOf(bin(QStringLiteral("OrdersArchive.Zenqc")), QStringLiteral("Parent")), QStringLiteral("Selling.Zenqc"));
        QVERIFY(JFileExists(projectGroup(QStringLiteral("Sales.BPG"))));
    }

    void moveChangesTheParentInEitherFile_data()
    {
        QTest::addColumn<QString>("oldParent");
        QTest::addColumn<bool>("definition");
        QTest::addColumn<bool>("configuration");
        QTest::addColumn<bool>("moved");
        QTest::newRow("both files") << "Sales" << true << true << true;
        QTest::newRow("definition only") << "Sales" << true << false << true;
        QTest::newRow("configuration only") << "Sales" << false << true << true;
        QTest::newRow("neither file") << "Sales" << false << false << false;
        QTest::newRow("parent name written escaped") << "O'Brien & Co" << true << true << true;
    }
    void moveChangesTheParentInEitherFile()
    {
        QFETCH(QString, oldParent);
        QFETCH(bool, definition);
        QFETCH(bool, configuration);
        QFETCH(bool, moved);
        writeApplication(QStringLiteral("Orders"), oldParent);
        if (!definition)
            QVERIFY(JDeleteFile(bin(QStringLiteral("Orders.Zenq"))));
        if (!configuration)
            QVERIFY(JDeleteFile(bin(QStringLiteral("Orders.Zenqc"))));
        QCOMPARE(MoveApplicationFiles(QStringLiteral("Orders"), oldParent, QStringLiteral("Reporting")), moved);
        if (definition)
            QCOMPARE(settingOf(bin(QStringLiteral("Orders.Zenq")), QStringLiteral("Parent")), QStringLiteral("Reporting.Zenq"));
        if (configuration) {
            QCOMPARE(settingOf(bin(QStringLiteral("Orders.Zenqc")), QStringLiteral("Parent")), QStringLiteral("Reporting.Zenqc"));
            QCOMPARE(JGetTypeOfXMLFile(bin(QStringLiteral("Orders.Zenqc"))), int(ZenqXMLFileEncrypted));
        }
    }

    void folderFromTemplates_data()
    {
        QTest::addColumn<bool>("definitionTemplate");
        QTest::addColumn<bool>("configurationTemplate");
        QTest::addColumn<bool>("created");
        QTest::newRow("both templates") << true << true << true;
        QTest::newRow("no configuration template") << true << false << false;
        QTest::newRow("no templates") << false << false << false;
    }
    void folderFromTemplates()
    {
        QFETCH(bool, definitionTemplate);
        QFETCH(bool, configurationTemplate);
        QFETCH(bool, created);
        const QString folders = JMakeFileName(ZenqGetFrameworkTemplatesDir(QStringLiteral("ZenqApplication")), QStringLiteral("folders"));
        const QString body = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n"
                                            "   <!-- Folder @application@ -->\r\n   <Parent Value=\"@zenqparent@\"/>\r\n"
                                            "   <Author Value=\"@author@\"/>\r\n   <Comment Value=\"@comment@\"/>\r\n</Zenq>\r\n");
        if (definitionTemplate)
            writeText(JMakeFileName(folders, QStringLiteral("@application@.Zenq")), body);
        if (configurationTemplate)
            writeText(JMakeFileName(folders, QStringLiteral("@application@.Zenqc")), body);
        QVERIFY(JMakeDir(ZenqGetApplicationsBinDir()));

        const QString name = QStringLiteral("New Zenq-Folder(2)");
        QCOMPARE(CreateFolderFiles(QStringLiteral("O'Brien & Co.Zenq"), name), created);
        QCOMPARE(JFileExists(bin(name + QStringLiteral(".Zenq"))), definitionTemplate);
        QCOMPARE(JFileExists(bin(name + QStringLiteral(".Zenqc"))), configurationTemplate);
        if (definitionTemplate) {
            QCOMPARE(JGetTypeOfXMLFile(bin(name + QStringLiteral(".Zenq"))), int(ZenqXMLFilePlain));
            const QString text = readText(bin(name + QStringLiteral(".Zenq")));
            QVERIFY2(text.contains(QLatin1String("Folder New Zenq-Folder(2) -->")) && !text.contains(QLatin1Char('@')), qPrintable(text));
            QCOMPARE(settingOf(bin(name + QStringLiteral(".Zenq")), QStringLiteral("Parent")), QStringLiteral("O'Brien & Co.Zenq"));
            QCOMPARE(settingOf(bin(name + QStringLiteral(".Zenq")), QStringLiteral("Author")), QString());
        }
        if (configurationTemplate) {
            QCOMPARE(JGetTypeOfXMLFile(bin(name + QStringLiteral(".Zenqc"))), int(ZenqXMLFileEncrypted));
            QCOMPARE(settingOf(bin(name + QStringLiteral(".Zenqc")), QStringLiteral("Parent")), QStringLiteral("O'Brien & Co.Zenq"));
            QCOMPARE(settingOf(bin(name + QStringLiteral(".Zenqc")), QStringLiteral("Comment")), QString());
        }
    }

    void removeFromProjectGroups_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("target alone on a continuation line, and its rule block")
            << "PROJECTS = A.dll B.dll \\\r\n  App.dll\r\n#---\r\ndefault: $(PROJECTS)\r\n\r\n"
               "A.dll: a.dpr\r\n  $(DCC)\r\n\r\nApp.dll: ..\\Source\\App\\App.dpr\r\n  $(DCC)\r\n\r\nB.dll: b.dpr\r\n  $(DCC)\r\n\r\n"
            << "PROJECTS = A.dll B.dll\r\n#---\r\ndefault: $(PROJECTS)\r\n\r\n"
               "A.dll: a.dpr\r\n  $(DCC)\r\n\r\nB.dll: b.dpr\r\n  $(DCC)\r\n\r\n";
        QTest::newRow("target in the middle of a line")
            << "PROJECTS = A.dll App.dll B.dll\r\n" << "PROJECTS = A.dll  B.dll\r\n";
        QTest::newRow("target on a continuation line with more after it")
            << "PROJECTS = A.dll \\\r\n  App.dll \\\r\n  B.dll\r\n" << "PROJECTS = A.dll \\\r\n   \\\r\n  B.dll\r\n";
        QTest::newRow("only the first occurrence in the list")
            << "PROJECTS = App.dll App.exe\r\n" << "PROJECTS =  App.exe\r\n";
        QTest::newRow("App is not AppTwo")
            << "PROJECTS = AppTwo.dll App.exe\r\n\r\nAppTwo.dll: two.dpr\r\n  $(DCC)\r\n\r\nApp.exe: app.dpr\r\n  $(DCC)\r\n\r\n"
            << "PROJECTS = AppTwo.dll \r\n\r\nAppTwo.dll: two.dpr\r\n  $(DCC)\r\n\r\n";
        QTest::newRow("only AppTwo: not written")
            << "PROJECTS = AppTwo.dll\r\n\r\nAppTwo.dll: two.dpr\r\n  $(DCC)\r\n\r\n"
            << "PROJECTS = AppTwo.dll\r\n\r\nAppTwo.dll: two.dpr\r\n  $(DCC)\r\n\r\n";
        QTest::newRow("without the name: not written") << "PROJECTS = A.dll\r\n" << "PROJECTS = A.dll\r\n";
        QTest::newRow("other case, line feeds only")
            << "projects = a.dll app.DLL\napp.dll: x\n  $(DCC)\n\nrest\n" << "projects = a.dll \nrest\n";
        QTest::newRow("rule block cut short by the end of the file")
            << "PROJECTS = A.dll\r\nApp.dll: x\r\n  $(DCC)" << "PROJECTS = A.dll";
    }
    void removeFromProjectGroups()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QString file = projectGroup(QStringLiteral("Sub/Group.BPG"));
        writeText(file, before);
        age(file);
        QVERIFY(RemoveFromProjectGroups(QStringLiteral("App")));
        QCOMPARE(readText(file), after);
        QCOMPARE(written(file), before != after);
    }

    void deleteRemovesEverythingOfTheApplication_data()
    {
        QTest::addColumn<bool>("withSources");
        QTest::newRow("with sources") << true;
        QTest::newRow("without sources") << false;
    }
    void deleteRemovesEverythingOfTheApplication()
    {
        QFETCH(bool, withSources);
        const QString name = QStringLiteral("O'Brien");
        writeInstallation(name);
        if (!withSources)
            QVERIFY(JRemoveDir(source(name), true));
        db = QSqlDatabase::database(connectionName);
        RecordingEngine engine(bin(name + QStringLiteral(".Zenq")));
        bool sourceDirLeft = true;
        QVERIFY(DeleteApplication(name, sourceDirLeft, db, db));
        QVERIFY(!sourceDirLeft);
        QCOMPARE(engine.received, QStringList { QStringLiteral("WM_ZenqApplicationToDelete %1 before")
                                                    .arg(ZenqGetApplicationsSourceCompleteDPRName(name)) });
        for (const char *extension : { ".Zenq", ".Zenqc", ".DLL", ".EXE", ".EXE.manifest" })
            QVERIFY2(!JFileExists(bin(name + QLatin1String(extension))), extension);
        QVERIFY(JFileExists(bin(name + QStringLiteral("Archive.Zenq"))));
        QVERIFY(!JDirExists(source(name)));
        QVERIFY(!JDirExists(sxt(name)));
        QVERIFY(JDirExists(sxt(QStringLiteral("Other"))));
        const QString group = readText(projectGroup(QStringLiteral("Sales.BPG")));
        QVERIFY2(!group.contains(QLatin1String("O'Brien.dll")) && group.contains(QLatin1String("O'BrienArchive.dll: ")),
                 qPrintable(group));
        for (const char *table : { "D_TESTS", "D_XMLBEHAVIOUR" }) {
            QCOMPARE(rowsOf(QLatin1String(table), name), 0);
            QCOMPARE(rowsOf(QLatin1String(table), name + QStringLiteral("Archive")), 1);
        }
    }

    void databaseErrorOfADeleteReachesTheCallerAfterTheFileWork()
    {
        writeInstallation(QStringLiteral("Orders"));
        removeDatabase();
        QSqlDatabase unusable;
        bool left = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, DeleteApplication(QStringLiteral("Orders"), left, unusable, unusable));
        QVERIFY(!left);
        QVERIFY(!JFileExists(bin(QStringLiteral("Orders.Zenq"))));
        QVERIFY(!JDirExists(source(QStringLiteral("Orders"))));
        QVERIFY(!readText(projectGroup(QStringLiteral("Sales.BPG"))).contains(QLatin1String("Orders.dll:")));
    }

    void projectLoadCountsOnlyTheAnswerOne_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("engine"); // its answer; -1 without an engine
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("deliveries");
        QTest::newRow("answer 1") << "Orders" << 1 << true << 1;
        QTest::newRow("answer 2") << "Orders" << 2 << false << 1;
        QTest::newRow("no engine") << "Orders" << -1 << false << 0;
        QTest::newRow("no name") << "" << 1 << false << 0;
    }
    void projectLoadCountsOnlyTheAnswerOne()
    {
        QFETCH(QString, name);
        QFETCH(int, engine);
        QFETCH(bool, loaded);
        QFETCH(int, deliveries);
        std::unique_ptr<RecordingEngine> running;
        if (engine >= 0)
            running = std::make_unique<RecordingEngine>(QString(), engine);
        QCOMPARE(RequestProjectLoad(name), loaded);
        if (running) {
            QCOMPARE(running->received.size(), deliveries);
            if (deliveries > 0)
                QCOMPARE(running->received.first(), QStringLiteral("WM_ZenqFrameworkLoadApplication %1 after").arg(name));
        }
    }

    void renameRefusal_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("refusal"); // a part of the message; empty when the name is accepted
        QTest::newRow("empty") << "" << "must not be empty";
        QTest::newRow("blanks only") << "   " << "must not be empty";
        QTest::newRow("unchanged") << "Orders" << "unchanged";
        QTest::newRow("another application, other case") << "ORDERSARCHIVE" << "already used by the application \"OrdersArchive\"";
        QTest::newRow("an application with a configuration file only") << "cfgonly" << "already used by the application \"CfgOnly\"";
        QTest::newRow("its own name in another case") << "ORDERS" << "";
        QTest::newRow("apostrophe") << "O'Brien" << "";
        QTest::newRow("free name") << "Purchases" << "";
        for (const char *c : { "\\", "/", ":", "*", "?", "\"", "<", ">", "|" })
            QTest::addRow("contains %s", c) << QStringLiteral("Or%1ders").arg(QLatin1String(c))
                                            << QStringLiteral("contains \"%1\"").arg(QLatin1String(c));
        QTest::newRow("tab") << "Or\tders" << "control character";
        QTest::newRow("line feed") << "Orders\n2" << "control character";
        QTest::newRow("leading blank") << " Orders2" << "begins or ends with a blank or a dot";
        QTest::newRow("trailing blank") << "Orders2 " << "begins or ends with a blank or a dot";
        QTest::newRow("leading dot") << ".Orders" << "begins or ends with a blank or a dot";
        QTest::newRow("trailing dot") << "Orders." << "begins or ends with a blank or a dot";
    }
    void renameRefusal()
    {
        QFETCH(QString, newName);
        QFETCH(QString, refusal);
        writeApplication(QStringLiteral("Orders"), QStringLiteral("Sales"));
        writeApplication(QStringLiteral("OrdersArchive"), QStringLiteral("Sales"));
        writeConfiguration(bin(QStringLiteral("CfgOnly.Zenqc")), {});
        const QString answer = ZenqRenameRefusal(QStringLiteral("Orders"), newName);
        if (refusal.isEmpty())
            QCOMPARE(answer, QString());
        else
            QVERIFY2(answer.contains(refusal), qPrintable(answer));
    }
};

ZENQ_TEST_CLASS(FrameworkUtilsTest);
#include "FrameworkUtilsTest.moc"
