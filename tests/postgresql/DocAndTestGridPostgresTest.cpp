// The samples and tests grid model on a real PostgreSQL server: folded (lower-case) field names still
// match, VARCHAR sizes limit the cell editor, and reading, writing, renaming, inserting and deleting rows
// of a service whose name holds an apostrophe. Skipped without ZENQ_TEST_POSTGRESQL.
#include "PostgresTestSupport.h"
#include "support/TestMain.h"

#include "framework/ZenqDocAndTest.h"
#include "servicemanager/DocAndTestGrid.h"

#include <QTest>

Q_DECLARE_METATYPE(TDocAndTestTable)

namespace {

const QString obrien = QStringLiteral("O'Brien");

QStringList keys(const TDocAndTestTableModel &model)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.storedText(row, model.columnOf(model.keyFieldName()));
    return result;
}

} // namespace

class DocAndTestGridPostgresTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void columnsTitlesAndLimits_data()
    {
        QTest::addColumn<TDocAndTestTable>("table");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QList<int>>("limits");
        QTest::newRow("samples") << TDocAndTestTable::XMLBehaviour
                                 << QStringList { "Name of Sample", "Comment", "Input Sample", "Output Sample" }
                                 << QList<int> { 64, 128, 0, 0, 0, 0, 0 };
        QTest::newRow("tests") << TDocAndTestTable::Tests << QStringList { "Name of Test", "Comment", "Test - Script" }
                               << QList<int> { 64, 128, 0, 0 };
    }
    void columnsTitlesAndLimits()
    {
        QFETCH(TDocAndTestTable, table);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, limits);
        ZENQ_POSTGRES_DATABASE(pg);
        TDocAndTestTableModel model(table);
        QString error;
        QVERIFY2(model.open(pg.database(), obrien, &error), qPrintable(error));
        QStringList titles;
        QList<int> seenLimits;
        for (int column = 0; column < model.columnCount(); ++column) {
            if (!model.isHidden(column))
                titles << model.title(column);
            seenLimits << model.maxLength(column);
        }
        QCOMPARE(titles, shown);
        QCOMPARE(seenLimits, limits);
    }

    void rowsOfAServiceWithAnApostrophe()
    {
        ZENQ_POSTGRES_DATABASE(pg);
        QSqlDatabase &db = pg.database();
        for (const QString &name : { QStringLiteral("it's b"), QStringLiteral("a") })
            ZenqExecuteSQL(db, QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_, COMMENT_) VALUES (?, ?, ?)"),
                           { obrien, name, QStringLiteral("line 1\r\nline 2") });
        ZenqExecuteSQL(db, QStringLiteral("INSERT INTO D_XMLBEHAVIOUR (APPNAME_, SAMPLENAME_) VALUES (?, ?)"),
                       { QStringLiteral("O"), QStringLiteral("a") });
        TDocAndTestTableModel model(TDocAndTestTable::XMLBehaviour);
        QString error;
        QVERIFY2(model.open(db, obrien, &error), qPrintable(error));
        QCOMPARE(keys(model), (QStringList { "a", "it's b" }));
        const int comment = model.columnOf(QStringLiteral("COMMENT_"));
        QCOMPARE(model.displayText(0, comment), QStringLiteral("line 1line 2"));

        // Rename, then edit the renamed row.
        QVERIFY2(model.writeCell(1, model.columnOf(QStringLiteral("SAMPLENAME_")), QStringLiteral("it's c"), &error),
                 qPrintable(error));
        QVERIFY2(model.writeCell(1, comment, QStringLiteral("new"), &error), qPrintable(error));
        QCOMPARE(pg.value(QStringLiteral("SELECT COMMENT_ FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? AND SAMPLENAME_ = ?"),
                          { obrien, QStringLiteral("it's c") }).toString(),
                 QStringLiteral("new"));
        // A taken name fails on the server and leaves the row as it was; the connection stays usable.
        QVERIFY(!model.writeCell(1, model.columnOf(QStringLiteral("SAMPLENAME_")), QStringLiteral("a"), &error));
        QCOMPARE(keys(model), (QStringList { "a", "it's c" }));

        const int row = model.insertPendingRow(2);
        QVERIFY2(model.writeCell(row, model.columnOf(QStringLiteral("SAMPLENAME_")), QStringLiteral("it's new"), &error),
                 qPrintable(error));
        QVERIFY2(model.deleteRecord(0, &error), qPrintable(error));
        QVERIFY2(ZenqDeleteSample(db, obrien, QStringLiteral("it's c"), &error), qPrintable(error));
        QVERIFY(model.open(db, obrien));
        QCOMPARE(keys(model), QStringList { "it's new" });
        QCOMPARE(pg.value(QStringLiteral("SELECT COUNT(*) FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ?"), { QStringLiteral("O") }).toInt(), 1);
    }

    void missingTablesFailToOpen()
    {
        ZENQ_POSTGRES_DATABASE(pg, PostgresTestDatabase::Tables::Absent);
        for (const TDocAndTestTable table : { TDocAndTestTable::XMLBehaviour, TDocAndTestTable::Tests }) {
            TDocAndTestTableModel model(table);
            QString error;
            QVERIFY(!model.open(pg.database(), obrien, &error));
            QVERIFY(!error.isEmpty());
            QVERIFY(!model.isOpen());
        }
    }
};

ZENQ_TEST_CLASS(DocAndTestGridPostgresTest);
#include "DocAndTestGridPostgresTest.moc"
