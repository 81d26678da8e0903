// The documentation-and-test database on a real PostgreSQL server: opening it from the setting of
// "ZenqConsole", creating the tables, the application file model's rename and delete statements, the
// samples' delete statement, and how failures reach the caller. Names with apostrophes and other
// statement characters are data. Skipped without ZENQ_TEST_POSTGRESQL.
#include "PostgresTestSupport.h"
#include "support/TestMain.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqXmlFile.h"
#include "servicemanager/ZenqFramework_Utils.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <stdexcept>

namespace {

QString bin(const QString &file) { return JMakeFileName(ZenqGetApplicationsBinDir(), file); }

void writeConfiguration(const QString &file, const QString &parent, const QString &isFolder)
{
    QVERIFY(JMakeDir(ZenqGetApplicationsBinDir()));
    QString elements;
    if (!parent.isEmpty())
        elements += QStringLiteral("   <Parent Value=\"%1\"/>\r\n").arg(ZenqXmlEscapeAttribute(parent));
    elements += QStringLiteral("   <IsFolder Value=\"%1\"/>\r\n").arg(isFolder);
    QVERIFY(JSaveToXMLFile(file, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Zenq>\r\n%1</Zenq>\r\n").arg(elements),
                           ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), ZenqXMLFilePlain));
}

void writeApplication(const QString &name, const QString &parent, bool folder = false)
{
    const QString isFolder = folder ? QStringLiteral("1") : QStringLiteral("0");
    writeConfiguration(bin(name + QStringLiteral(".Zenq")), parent.isEmpty() ? QString() : parent + QStringLiteral(".Zenq"), isFolder);
    writeConfiguration(bin(name + QStringLiteral(".Zenqc")), parent.isEmpty() ? QString() : parent + QStringLiteral(".Zenqc"), isFolder);
}

// ZenqApplications > Sales > name and name + "Archive" (a longer name that starts with it), with the
// application's binary and SXT file.
void writeInstallation(const QString &name)
{
    writeApplication(QStringLiteral("ZenqApplications"), {}, true);
    writeApplication(QStringLiteral("Sales"), QStringLiteral("ZenqApplications"), true);
    writeApplication(name, QStringLiteral("Sales"));
    writeApplication(name + QStringLiteral("Archive"), QStringLiteral("Sales"));
    QVERIFY(JSaveBytesAtomically(bin(name + QStringLiteral(".DLL")), "MZ library"));
    const QString sxt = JMakeFileName(ZenqGetApplicationsSXTDir(), name);
    QVERIFY(JMakeDir(sxt));
    QVERIFY(JSaveBytesAtomically(JMakeFileName(sxt, QStringLiteral("Main.sxt")), "<ZenqSXT/>"));
}

void insertRows(QSqlDatabase &database, const QStringList &applications)
{
    for (const QString &application : applications) {
        QVERIFY_THROWS_NO_EXCEPTION(
            ZenqExecuteSQL(database, QStringLiteral("INSERT INTO D_TESTS (APPNAME_, TESTNAME_, TESTSCRIPT_) VALUES (?, ?, ?)"),
                           { application, QStringLiteral("It's a test"), QStringLiteral("script of ") + application }));
        QVERIFY_THROWS_NO_EXCEPTION(
            ZenqExecuteSQL(database, QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_, INPUTSAMPLE_) VALUES (?, ?, ?)"),
                           { application, QStringLiteral("It's a sample"), QStringLiteral("<in/>") }));
    }
}

int rowsOf(PostgresTestDatabase &pg, const char *table, const QString &application)
{
    const QVariant count = pg.value(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE APPNAME_ = ?").arg(QLatin1String(table)),
                                    { application });
    return count.isValid() ? count.toInt() : -1;
}

const char *const tables[] = { "D_TESTS", "D_XMLBEHAVIOUR" };

} // namespace

class DocAndTestPostgresTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        JRemoveDir(ZenqGetRootDir(), true);
        ZenqConfigCacheClear();
    }

    void settingOpensTheServerAndTablesAreCreatedOnceKeepingRows()
    {
        ZENQ_POSTGRES_DATABASE(pg, PostgresTestDatabase::Tables::Absent);
        QSqlDatabase &db = pg.database();
        QCOMPARE(db.driverName(), QStringLiteral("QPSQL"));
        QString error;
        QVERIFY2(ZenqCreateDocAndTestTables(db, &error), qPrintable(error));
        insertRows(db, { QStringLiteral("O'Brien") });
        QVERIFY2(ZenqCreateDocAndTestTables(db, &error), qPrintable(error));
        QCOMPARE(pg.value(QStringLiteral("SELECT TESTSCRIPT_ FROM D_TESTS WHERE APPNAME_ = ? AND TESTNAME_ = ?"),
                          { QStringLiteral("O'Brien"), QStringLiteral("It's a test") }).toString(),
                 QStringLiteral("script of O'Brien"));
        // Unquoted names land in lower case, in the connection's own schema.
        QCOMPARE(pg.value(QStringLiteral("SELECT string_agg(table_name, ',' ORDER BY table_name) FROM information_schema.tables "
                                         "WHERE table_schema = ?"),
                          { pg.schema() }).toString(),
                 QStringLiteral("d_tests,d_xmlbehaviour"));
        // APPNAME_ must come first: the grids' cell editor writes the service name into field 0. The
        // driver's table catalogue knows only the folded (lower-case) name.
        for (const char *table : tables) {
            QSqlQuery query(db);
            QVERIFY2(query.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(QLatin1String(table))), table);
            for (const QSqlRecord &record : { query.record(), db.record(QString::fromLatin1(table).toLower()) }) {
                QVERIFY2(!record.isEmpty(), table);
                QCOMPARE(record.fieldName(0).toUpper(), QStringLiteral("APPNAME_"));
                QVERIFY2(record.contains(QStringLiteral("APPNAME_")), table);
            }
        }
    }

    void renameMovesTheRowsOfExactlyThatName_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<bool>("everywhere");
        QTest::newRow("plain names") << "Orders" << "Purchases" << true;
        QTest::newRow("apostrophe in the new name") << "Orders" << "O'Brien" << true;
        QTest::newRow("apostrophe in the old name") << "O'Brien" << "Obrien" << true;
        QTest::newRow("statement-like old name") << "x'); DROP TABLE D_TESTS; --" << "Safe" << true;
        QTest::newRow("backslash and percent") << "C:\\Zenq 100%" << "Zenq_%\\" << true;
        QTest::newRow("not everywhere: the rows stay") << "Orders" << "Purchases" << false;
    }
    void renameMovesTheRowsOfExactlyThatName()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, newName);
        QFETCH(bool, everywhere);
        ZENQ_POSTGRES_DATABASE(pg);
        // Tests and samples through separate connections, as the service manager holds them.
        QString error;
        QSqlDatabase samples = pg.openAnother(QStringLiteral("PostgresTest-samples"), &error);
        QVERIFY2(samples.isOpen(), qPrintable(error));
        const QString archive = oldName + QStringLiteral("Archive");
        const QString otherCase = oldName.toUpper();
        insertRows(pg.database(), { oldName, archive, otherCase });

        QVERIFY(RenameInDocAndTestTables(everywhere, oldName, newName, pg.database(), samples));
        for (const char *table : tables) {
            QCOMPARE(rowsOf(pg, table, oldName), everywhere ? 0 : 1);
            QCOMPARE(rowsOf(pg, table, newName), everywhere ? 1 : 0);
            QCOMPARE(rowsOf(pg, table, archive), 1);
            QCOMPARE(rowsOf(pg, table, otherCase), 1);
        }
        if (everywhere)
            QCOMPARE(pg.value(QStringLiteral("SELECT TESTSCRIPT_ FROM D_TESTS WHERE APPNAME_ = ?"), { newName }).toString(),
                     QStringLiteral("script of ") + oldName);
    }

    // A failed statement outside a transaction must not leave the session in an aborted state.
    void renameErrorIsTracedStopsTheSecondTableAndLeavesTheConnectionUsable()
    {
        ZENQ_POSTGRES_DATABASE(pg);
        QSqlDatabase &db = pg.database();
        insertRows(db, { QStringLiteral("Orders") });
        // Without values the statement is not prepared: PostgreSQL cannot prepare DROP TABLE.
        QVERIFY_THROWS_NO_EXCEPTION(ZenqExecuteSQL(db, QStringLiteral("DROP TABLE D_TESTS")));

        QVERIFY(!RenameInDocAndTestTables(true, QStringLiteral("Orders"), QStringLiteral("Purchases"), db, db));
        QCOMPARE(rowsOf(pg, "D_XMLBEHAVIOUR", QStringLiteral("Orders")), 1);
        const QString trace = JLoadFromFile(ZenqHandOverFileName(ZenqDefaultTraceLocation()),
                                            ZenqLoadHonourBom | ZenqLoadGuessUtf16);
        QVERIFY2(trace.contains(QLatin1String("d_tests"), Qt::CaseInsensitive), qPrintable(trace));

        QString error;
        QVERIFY2(ZenqCreateDocAndTestTables(db, &error), qPrintable(error));
        QVERIFY(RenameInDocAndTestTables(true, QStringLiteral("Orders"), QStringLiteral("Purchases"), db, db));
        QCOMPARE(rowsOf(pg, "D_XMLBEHAVIOUR", QStringLiteral("Purchases")), 1);
    }

    void applicationRenameAndDeleteReachTheServer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("newName");
        QTest::newRow("plain names") << "Orders" << "Purchases";
        QTest::newRow("apostrophes") << "O'Brien" << "O'Neil";
    }
    void applicationRenameAndDeleteReachTheServer()
    {
        QFETCH(QString, name);
        QFETCH(QString, newName);
        ZENQ_POSTGRES_DATABASE(pg);
        writeInstallation(name);
        const QString archive = name + QStringLiteral("Archive");
        insertRows(pg.database(), { name, archive });
        // Both connections come from the installation's setting, as the service manager opens them.
        QString error;
        QSqlDatabase tests = pg.openAnother(QStringLiteral("PostgresTest-tests"), &error);
        QVERIFY2(tests.isOpen(), qPrintable(error));
        QSqlDatabase samples = pg.openAnother(QStringLiteral("PostgresTest-samples"), &error);
        QVERIFY2(samples.isOpen(), qPrintable(error));

        bool sourceDirLeft = true;
        QVERIFY(RenameApplication(true, name, newName, sourceDirLeft, tests, samples));
        QVERIFY(JFileExists(bin(newName + QStringLiteral(".Zenq"))));
        QVERIFY(JFileExists(bin(newName + QStringLiteral(".DLL"))));
        for (const char *table : tables) {
            QCOMPARE(rowsOf(pg, table, name), 0);
            QCOMPARE(rowsOf(pg, table, newName), 1);
            QCOMPARE(rowsOf(pg, table, archive), 1);
        }

        QVERIFY(DeleteApplication(newName, sourceDirLeft, tests, samples));
        QVERIFY(!sourceDirLeft);
        for (const char *extension : { ".Zenq", ".Zenqc", ".DLL" })
            QVERIFY2(!JFileExists(bin(newName + QLatin1String(extension))), extension);
        QVERIFY(!JDirExists(JMakeFileName(ZenqGetApplicationsSXTDir(), newName)));
        for (const char *table : tables) {
            QCOMPARE(rowsOf(pg, table, newName), 0);
            QCOMPARE(rowsOf(pg, table, archive), 1);
        }
    }

    void sampleDeleteRemovesOnlyThatSample_data()
    {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("sample");
        QTest::newRow("apostrophes") << "O'Brien" << "It's a sample";
        QTest::newRow("statement-like names") << "x' OR '1'='1" << "y' OR '1'='1";
        QTest::newRow("backslash, percent and underscore") << "C:\\Zenq" << "100% _done_\\n";
        QTest::newRow("characters beyond ASCII") << "Müller" << "Grüße aus 東京";
    }
    void sampleDeleteRemovesOnlyThatSample()
    {
        QFETCH(QString, application);
        QFETCH(QString, sample);
        ZENQ_POSTGRES_DATABASE(pg);
        QSqlDatabase &db = pg.database();
        const QString insert = QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_, COMMENT_) VALUES (?, ?, ?)");
        const QString otherSample = sample + QStringLiteral(" 2");
        const QString otherApplication = application + QStringLiteral("X");
        QVERIFY_THROWS_NO_EXCEPTION(ZenqExecuteSQL(db, insert, { application, sample, QStringLiteral("Generated by ZenqFramework") }));
        QVERIFY_THROWS_NO_EXCEPTION(ZenqExecuteSQL(db, insert, { application, otherSample, QString() }));
        QVERIFY_THROWS_NO_EXCEPTION(ZenqExecuteSQL(db, insert, { otherApplication, sample, QString() }));

        QVERIFY_THROWS_NO_EXCEPTION(ZenqExecuteSQL(db, QStringLiteral("DELETE FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? AND SAMPLENAME_ = ?"),
                                                   { application, sample }));
        QCOMPARE(pg.value(QStringLiteral("SELECT COUNT(*) FROM D_XMLBEHAVIOUR")).toInt(), 2);
        // The names come back unchanged, so they went to the server as they are.
        QCOMPARE(pg.value(QStringLiteral("SELECT SAMPLENAME_ FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ?"), { application }).toString(),
                 otherSample);
        QCOMPARE(pg.value(QStringLiteral("SELECT APPNAME_ FROM D_XMLBEHAVIOUR WHERE SAMPLENAME_ = ?"), { sample }).toString(),
                 otherApplication);
    }

    void statementErrorsCarryTheServersMessageAndLeaveTheConnectionUsable_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QVariantList>("bindings");
        QTest::addColumn<QString>("message"); // a part of the exception's text
        QTest::newRow("missing table") << "DELETE FROM D_MISSING WHERE APPNAME_ = ?"
                                       << QVariantList { QStringLiteral("Orders") } << "d_missing";
        QTest::newRow("duplicate key") << "INSERT INTO D_TESTS (APPNAME_, TESTNAME_) VALUES (?, ?)"
                                       << QVariantList { QStringLiteral("Orders"), QStringLiteral("It's a test") }
                                       << "duplicate key";
        QTest::newRow("name longer than its column") << "INSERT INTO D_TESTS (APPNAME_, TESTNAME_) VALUES (?, ?)"
                                                     << QVariantList { QString(65, QLatin1Char('N')), QStringLiteral("T") }
                                                     << "too long";
        QTest::newRow("syntax error") << "DELETE D_TESTS WHERE" << QVariantList {} << "syntax";
    }
    void statementErrorsCarryTheServersMessageAndLeaveTheConnectionUsable()
    {
        QFETCH(QString, statement);
        QFETCH(QVariantList, bindings);
        QFETCH(QString, message);
        ZENQ_POSTGRES_DATABASE(pg);
        insertRows(pg.database(), { QStringLiteral("Orders") });
        QString thrown;
        try {
            ZenqExecuteSQL(pg.database(), statement, bindings);
        } catch (const std::runtime_error &error) {
            thrown = QString::fromUtf8(error.what());
        }
        QVERIFY2(thrown.contains(message, Qt::CaseInsensitive), qPrintable(thrown));
        QCOMPARE(rowsOf(pg, "D_TESTS", QStringLiteral("Orders")), 1);
    }

    void refusedConnectionLeavesNoConnectionAndHidesThePassword_data()
    {
        QTest::addColumn<QString>("userName");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("databaseName");
        QTest::newRow("unknown database") << "" << "" << "zenq_no_such_database";
        QTest::newRow("unknown role") << "zenq_no_such_role" << "hunter2'\\" << "";
        QTest::newRow("wrong password") << "" << "hunter2'\\" << "";
    }
    void refusedConnectionLeavesNoConnectionAndHidesThePassword()
    {
        QFETCH(QString, userName);
        QFETCH(QString, password);
        QFETCH(QString, databaseName);
        const QString server = PostgresTestDatabase::serverUri();
        if (server.isEmpty())
            QSKIP("ZENQ_TEST_POSTGRESQL is not set: no PostgreSQL server to test against (./setup.sh test starts one)");
        ZenqDocAndTestConnection connection;
        QString error;
        QVERIFY2(ZenqParseDocAndTestConnection(server, {}, connection, &error), qPrintable(error));
        if (!userName.isEmpty())
            connection.userName = userName;
        if (!password.isEmpty())
            connection.password = password;
        if (!databaseName.isEmpty())
            connection.databaseName = databaseName;
        const QString hidden = connection.password;

        const QString name = QStringLiteral("PostgresTest-refused");
        const QSqlDatabase database = ZenqOpenDocAndTestDatabase(connection, name, &error);
        if (database.isOpen() && !password.isEmpty() && userName.isEmpty())
            QSKIP("This server does not check passwords.");
        QVERIFY(!database.isValid());
        QVERIFY(!QSqlDatabase::contains(name));
        QVERIFY2(error.contains(QLatin1String("Cannot open the PostgreSQL database")), qPrintable(error));
        QVERIFY2(hidden.isEmpty() || !error.contains(hidden), qPrintable(error));
    }
};

ZENQ_TEST_CLASS(DocAndTestPostgresTest);
#include "DocAndTestPostgresTest.moc"
