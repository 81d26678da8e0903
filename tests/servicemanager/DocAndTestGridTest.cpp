// The samples and tests of one service as a table model over the demo database: columns, hidden columns
// and titles, one-line display, names that are data, writing cells (the key included), new rows, deleting,
// the states in which the tables count as missing; and the text and key rules the grids share.
#include "DocAndTestTestSupport.h"
#include "ServiceManagerTestSupport.h"
#include "support/TestMain.h"

#include "servicemanager/DocAndTestGrid.h"

#include <QSqlField>
#include <QSignalSpy>

Q_DECLARE_METATYPE(TDocAndTestTable)
Q_DECLARE_METATYPE(TGridKeyAction)

namespace {

const QString obrien = QStringLiteral("O'Brien");

QStringList fields(const TDocAndTestTableModel &model)
{
    QStringList result;
    for (int column = 0; column < model.columnCount(); ++column)
        result << model.fieldName(column).toUpper();
    return result;
}

QStringList column(const TDocAndTestTableModel &model, const QString &field)
{
    QStringList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.storedText(row, model.columnOf(field));
    return result;
}

int rowOf(const TDocAndTestTableModel &model, const QString &key)
{
    return int(column(model, model.keyFieldName()).indexOf(key));
}

} // namespace

class DocAndTestGridTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- reading ---

    void columnsHiddenColumnsAndTitles_data()
    {
        QTest::addColumn<TDocAndTestTable>("table");
        QTest::addColumn<QString>("service");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QStringList>("titles");
        const QStringList sampleFields { "APPNAME_", "SAMPLENAME_", "COMMENT_", "INPUTTEMPLATE_", "OUTPUTTEMPLATE_",
                                         "INPUTSAMPLE_", "OUTPUTSAMPLE_" };
        const QStringList sampleHidden { "APPNAME_", "INPUTTEMPLATE_", "OUTPUTTEMPLATE_" };
        const QStringList sampleTitles { "Name of Sample", "Comment", "Input Sample", "Output Sample" };
        const QStringList testFields { "APPNAME_", "TESTNAME_", "COMMENT_", "TESTSCRIPT_" };
        const QStringList testTitles { "Name of Test", "Comment", "Test - Script" };
        QTest::newRow("samples of a service") << TDocAndTestTable::XMLBehaviour << "Orders" << 6 << sampleFields
                                              << sampleHidden << sampleTitles;
        QTest::newRow("service without samples: titled columns, no rows")
            << TDocAndTestTable::XMLBehaviour << "NoSuchService" << 0 << sampleFields << sampleHidden << sampleTitles;
        QTest::newRow("tests of a service") << TDocAndTestTable::Tests << "Orders" << 3 << testFields
                                            << QStringList { "APPNAME_" } << testTitles;
        QTest::newRow("service without tests") << TDocAndTestTable::Tests << "StockViewer" << 0 << testFields
                                               << QStringList { "APPNAME_" } << testTitles;
    }
    void columnsHiddenColumnsAndTitles()
    {
        QFETCH(TDocAndTestTable, table);
        QFETCH(QString, service);
        QFETCH(int, rows);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, hidden);
        QFETCH(QStringList, titles);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        TDocAndTestTableModel model(table);
        QString error;
        QVERIFY2(model.open(db.database(), service, &error), qPrintable(error));
        QVERIFY(model.isOpen());
        QCOMPARE(model.serviceName(), service);
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(::fields(model), fields);
        QStringList seenHidden, seenTitles;
        for (int column = 0; column < model.columnCount(); ++column) {
            if (model.isHidden(column))
                seenHidden << model.fieldName(column).toUpper();
            else
                seenTitles << model.headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(seenHidden, hidden);
        QCOMPARE(seenTitles, titles);
        // Only memo columns exist besides the names; SQLite reports no declared sizes, so none is limited.
        for (int column = 0; column < model.columnCount(); ++column)
            QCOMPARE(model.maxLength(column), 0);
    }

    void onlyTheServicesRowsWhateverItsNameHolds_data()
    {
        QTest::addColumn<QString>("service");
        QTest::newRow("apostrophe") << obrien;
        QTest::newRow("quoted condition") << "x' OR 'a'='a";
        QTest::newRow("trailing blank is part of the name") << "O ";
    }
    void onlyTheServicesRowsWhateverItsNameHolds()
    {
        QFETCH(QString, service);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addSample(service, QStringLiteral("b"));
        db.addSample(service, QStringLiteral("a"));
        db.addSample(QStringLiteral("O"), QStringLiteral("other service"));
        db.addTest(service, QStringLiteral("t"));
        TDocAndTestTableModel samples(TDocAndTestTable::XMLBehaviour), tests(TDocAndTestTable::Tests);
        QVERIFY(samples.open(db.database(), service));
        QVERIFY(tests.open(db.database(), service));
        QCOMPARE(column(samples, QStringLiteral("SAMPLENAME_")), (QStringList { "a", "b" }));
        QCOMPARE(column(samples, QStringLiteral("APPNAME_")), (QStringList { service, service }));
        QCOMPARE(column(tests, QStringLiteral("TESTNAME_")), QStringList { "t" });
    }

    void cellsShowOneLineAndKeepTheStoredText()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addSample(obrien, QStringLiteral("s"), QStringLiteral("a\r\nb"), QStringLiteral("<a>\r\n  <b/>\r\n</a>\r\n"));
        TDocAndTestTableModel model(TDocAndTestTable::XMLBehaviour);
        QVERIFY(model.open(db.database(), obrien));
        const QModelIndex comment = model.index(0, model.columnOf(QStringLiteral("COMMENT_")));
        const QModelIndex input = model.index(0, model.columnOf(QStringLiteral("INPUTSAMPLE_")));
        QCOMPARE(model.data(comment, Qt::DisplayRole).toString(), QStringLiteral("ab"));
        QCOMPARE(model.data(comment, Qt::EditRole).toString(), QStringLiteral("a\r\nb"));
        QCOMPARE(model.data(input, Qt::DisplayRole).toString(), QStringLiteral("<a>  <b/></a>"));
        QCOMPARE(model.storedText(0, input.column()), QStringLiteral("<a>\r\n  <b/>\r\n</a>\r\n"));
        // NULL templates show and edit as empty text.
        QCOMPARE(model.storedText(0, model.columnOf(QStringLiteral("INPUTTEMPLATE_"))), QString());
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("display");
        QTest::newRow("CR LF pairs") << "a\r\nb\r\nc" << "abc";
        QTest::newRow("lone LF and CR") << "a\nb\rc" << "abc";
        QTest::newRow("breaks at both ends") << "\r\na\r\n" << "a";
        QTest::newRow("blanks and tabs stay") << " a\tb " << " a\tb ";
        QTest::newRow("empty") << "" << "";
    }
    void displayText()
    {
        QFETCH(QString, stored);
        QFETCH(QString, display);
        QCOMPARE(ZenqGridDisplayText(stored), display);
    }

    void openingFailsAndLeavesTheModelClosed_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<TDocAndTestTable>("table");
        QTest::addColumn<bool>("closeDatabase");
        QTest::newRow("no samples table") << QStringList { "DROP TABLE D_XMLBEHAVIOUR" } << TDocAndTestTable::XMLBehaviour << false;
        QTest::newRow("no tests table") << QStringList { "DROP TABLE D_TESTS" } << TDocAndTestTable::Tests << false;
        QTest::newRow("samples without APPNAME_")
            << QStringList { "DROP TABLE D_XMLBEHAVIOUR", "CREATE TABLE D_XMLBEHAVIOUR (SAMPLENAME_ TEXT, COMMENT_ TEXT)" }
            << TDocAndTestTable::XMLBehaviour << false;
        QTest::newRow("tests without APPNAME_")
            << QStringList { "DROP TABLE D_TESTS", "CREATE TABLE D_TESTS (TESTNAME_ TEXT, COMMENT_ TEXT)" }
            << TDocAndTestTable::Tests << false;
        QTest::newRow("tests without TESTNAME_")
            << QStringList { "DROP TABLE D_TESTS", "CREATE TABLE D_TESTS (APPNAME_ TEXT, COMMENT_ TEXT)" }
            << TDocAndTestTable::Tests << false;
        QTest::newRow("database closed") << QStringList {} << TDocAndTestTable::XMLBehaviour << true;
    }
    void openingFailsAndLeavesTheModelClosed()
    {
        QFETCH(QStringList, statements);
        QFETCH(TDocAndTestTable, table);
        QFETCH(bool, closeDatabase);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        TDocAndTestTableModel model(table);
        QVERIFY(model.open(db.database(), QStringLiteral("Orders")));
        QVERIFY(model.rowCount() > 0);
        for (const QString &statement : statements)
            ZenqExecuteSQL(db.database(), statement);
        if (closeDatabase)
            db.database().close();
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QString error;
        QVERIFY(!model.open(db.database(), QStringLiteral("Orders"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!model.isOpen());
        QCOMPARE(model.serviceName(), QString());
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QCOMPARE(reset.size(), 1);
    }

    // --- writing ---

    void writingACellStoresItWithTheServiceName()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addSample(obrien, QStringLiteral("a"), QStringLiteral("old a"));
        db.addSample(obrien, QStringLiteral("b"), QStringLiteral("old b"));
        TDocAndTestTableModel model(TDocAndTestTable::XMLBehaviour);
        QVERIFY(model.open(db.database(), obrien));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const int row = rowOf(model, QStringLiteral("b"));
        QString error;
        QVERIFY2(model.writeCell(row, model.columnOf(QStringLiteral("COMMENT_")), QStringLiteral("new\r\nb"), &error),
                 qPrintable(error));
        QCOMPARE(db.sampleField(obrien, QStringLiteral("b"), QStringLiteral("COMMENT_")).toString(), QStringLiteral("new\r\nb"));
        QCOMPARE(db.sampleField(obrien, QStringLiteral("a"), QStringLiteral("COMMENT_")).toString(), QStringLiteral("old a"));
        QCOMPARE(model.storedText(row, model.columnOf(QStringLiteral("COMMENT_"))), QStringLiteral("new\r\nb"));
        QCOMPARE(model.data(model.index(row, model.columnOf(QStringLiteral("COMMENT_")))).toString(), QStringLiteral("newb"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), row);

        // setData is the same write.
        QVERIFY(model.setData(model.index(row, model.columnOf(QStringLiteral("OUTPUTSAMPLE_"))), QStringLiteral("<out/>")));
        QCOMPARE(db.sampleField(obrien, QStringLiteral("b"), QStringLiteral("OUTPUTSAMPLE_")).toString(), QStringLiteral("<out/>"));
    }

    void renamingTheKeyKeepsEditingTheSameRow_data()
    {
        QTest::addColumn<TDocAndTestTable>("table");
        QTest::newRow("sample") << TDocAndTestTable::XMLBehaviour;
        QTest::newRow("test") << TDocAndTestTable::Tests;
    }
    void renamingTheKeyKeepsEditingTheSameRow()
    {
        QFETCH(TDocAndTestTable, table);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const bool samples = table == TDocAndTestTable::XMLBehaviour;
        const QString tableName = samples ? QStringLiteral("D_XMLBEHAVIOUR") : QStringLiteral("D_TESTS");
        const auto add = [&](const QString &name) {
            samples ? db.addSample(obrien, name, QStringLiteral("comment of ") + name)
                    : db.addTest(obrien, name, QStringLiteral("script of ") + name);
        };
        const auto field = [&](const QString &name, const QString &column) {
            return (samples ? db.sampleField(obrien, name, column) : db.testField(obrien, name, column)).toString();
        };
        const QString other = samples ? QStringLiteral("INPUTSAMPLE_") : QStringLiteral("TESTSCRIPT_");
        add(QStringLiteral("it's old"));
        add(QStringLiteral("z"));
        TDocAndTestTableModel model(table);
        QVERIFY(model.open(db.database(), obrien));
        const int row = rowOf(model, QStringLiteral("it's old"));
        const int key = model.columnOf(model.keyFieldName());
        QString error;
        QVERIFY2(model.writeCell(row, key, QStringLiteral("it's new"), &error), qPrintable(error));
        QCOMPARE(db.names(tableName, obrien), (QStringList { "it's new", "z" }));
        QCOMPARE(field(QStringLiteral("it's new"), QStringLiteral("COMMENT_")),
                 samples ? QStringLiteral("comment of it's old") : QString());
        // The row now answers to its new name: a further edit must not look for the old one.
        QVERIFY2(model.writeCell(row, model.columnOf(other), QStringLiteral("after rename"), &error), qPrintable(error));
        QCOMPARE(field(QStringLiteral("it's new"), other), QStringLiteral("after rename"));
        QCOMPARE(field(QStringLiteral("z"), other), samples ? QString() : QStringLiteral("script of z"));
        QCOMPARE(model.storedText(row, key), QStringLiteral("it's new"));
    }

    void failedWritesChangeNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("deletedElsewhere");
        QTest::newRow("row deleted elsewhere") << "COMMENT_" << "lost" << true;
        QTest::newRow("new name already taken") << "SAMPLENAME_" << "b" << false;
    }
    void failedWritesChangeNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(bool, deletedElsewhere);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addSample(obrien, QStringLiteral("a"), QStringLiteral("comment a"));
        db.addSample(obrien, QStringLiteral("b"), QStringLiteral("comment b"));
        TDocAndTestTableModel model(TDocAndTestTable::XMLBehaviour);
        QVERIFY(model.open(db.database(), obrien));
        if (deletedElsewhere)
            QVERIFY(ZenqDeleteSample(db.database(), obrien, QStringLiteral("a")));
        const int row = rowOf(model, QStringLiteral("a"));
        const int column = model.columnOf(field);
        const QString before = model.storedText(row, column);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QString error;
        QVERIFY(!model.writeCell(row, column, text, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(model.storedText(row, column), before);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(db.sampleField(obrien, QStringLiteral("b"), QStringLiteral("COMMENT_")).toString(), QStringLiteral("comment b"));
    }

    void aNewRowIsStoredOnceItHasAName()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addTest(obrien, QStringLiteral("existing"));
        TDocAndTestTableModel model(TDocAndTestTable::Tests);
        QVERIFY(model.open(db.database(), obrien));
        const int row = model.insertPendingRow(0);
        QCOMPARE(row, 0);
        QCOMPARE(model.insertPendingRow(1), 0); // one new row at a time
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QStringLiteral("*"));
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QString());

        const int script = model.columnOf(QStringLiteral("TESTSCRIPT_"));
        const int name = model.columnOf(QStringLiteral("TESTNAME_"));
        QVERIFY(model.writeCell(row, script, QStringLiteral("Execute;")));
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), QStringList { "existing" }); // no name: not stored
        QCOMPARE(model.pendingRow(), row);

        QString error;
        QVERIFY(!model.writeCell(row, name, QStringLiteral("existing"), &error)); // the key is taken
        QCOMPARE(model.pendingRow(), row);
        QCOMPARE(model.storedText(row, name), QString());

        QVERIFY2(model.writeCell(row, name, QStringLiteral("new"), &error), qPrintable(error));
        QCOMPARE(model.pendingRow(), -1);
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString());
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), (QStringList { "existing", "new" }));
        QCOMPARE(db.testField(obrien, QStringLiteral("new"), QStringLiteral("TESTSCRIPT_")).toString(), QStringLiteral("Execute;"));
        // Stored now: a further edit updates it.
        QVERIFY(model.writeCell(row, script, QStringLiteral("Execute;\r\nExecute;")));
        QCOMPARE(db.testField(obrien, QStringLiteral("new"), QStringLiteral("TESTSCRIPT_")).toString(),
                 QStringLiteral("Execute;\r\nExecute;"));

        model.insertPendingRow(model.rowCount());
        QCOMPARE(model.rowCount(), 3);
        model.cancelPendingRow();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.pendingRow(), -1);
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), (QStringList { "existing", "new" }));
    }

    // --- deleting ---

    void deletingASampleTakesExactlyThatSample()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addSample(obrien, QStringLiteral("it's a"));
        db.addSample(obrien, QStringLiteral("b"));
        db.addSample(QStringLiteral("O"), QStringLiteral("it's a"));
        QVERIFY(ZenqDeleteSample(db.database(), obrien, QStringLiteral("it's a")));
        QCOMPARE(db.names(QStringLiteral("D_XMLBEHAVIOUR"), obrien), QStringList { "b" });
        QCOMPARE(db.names(QStringLiteral("D_XMLBEHAVIOUR"), QStringLiteral("O")), QStringList { "it's a" });

        ZenqExecuteSQL(db.database(), QStringLiteral("DROP TABLE D_XMLBEHAVIOUR"));
        QString error;
        QVERIFY(!ZenqDeleteSample(db.database(), obrien, QStringLiteral("b"), &error));
        QVERIFY(!error.isEmpty());
    }

    void deletingARowOfTheModel()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addTest(obrien, QStringLiteral("it's 1"));
        db.addTest(obrien, QStringLiteral("it's 2"));
        db.addTest(QStringLiteral("O"), QStringLiteral("it's 1"));
        TDocAndTestTableModel model(TDocAndTestTable::Tests);
        QVERIFY(model.open(db.database(), obrien));
        QVERIFY(model.deleteRecord(rowOf(model, QStringLiteral("it's 1"))));
        QCOMPARE(column(model, QStringLiteral("TESTNAME_")), QStringList { "it's 2" });
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), QStringList { "it's 2" });
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), QStringLiteral("O")), QStringList { "it's 1" });
    }

    // --- rules of the grids ---

    void fieldMaxLength_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("maxLength");
        QTest::newRow("declared text size") << int(QMetaType::QString) << 64 << 64;
        QTest::newRow("text without size") << int(QMetaType::QString) << -1 << 0;
        QTest::newRow("text of size 0") << int(QMetaType::QString) << 0 << 0;
        QTest::newRow("number with a size") << int(QMetaType::Int) << 10 << 0;
        QTest::newRow("bytes with a size") << int(QMetaType::QByteArray) << 10 << 0;
    }
    void fieldMaxLength()
    {
        QFETCH(int, type);
        QFETCH(int, length);
        QFETCH(int, maxLength);
        QSqlField field(QStringLiteral("F"), QMetaType(type));
        field.setLength(length);
        QCOMPARE(ZenqFieldMaxLength(field), maxLength);
    }

    void typedCharacterReplacesTheSelection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selection");
        QTest::addColumn<QString>("result");
        QTest::newRow("selection in the middle") << "abcd" << 1 << 2 << "axd";
        QTest::newRow("caret not set: before the text") << "abcd" << -1 << 0 << "xabcd";
        QTest::newRow("caret 0") << "abcd" << 0 << 0 << "xabcd";
        QTest::newRow("caret at the end") << "abcd" << 4 << 0 << "abcdx";
        QTest::newRow("caret beyond the end") << "abcd" << 9 << 0 << "abcdx";
        QTest::newRow("whole text selected") << "abcd" << 0 << 4 << "x";
        QTest::newRow("selection beyond the end") << "abcd" << 2 << 5 << "abx";
        QTest::newRow("line break selected") << "a\r\nb" << 1 << 2 << "axb";
        QTest::newRow("empty text") << "" << -1 << 0 << "x";
    }
    void typedCharacterReplacesTheSelection()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, selection);
        QFETCH(QString, result);
        QCOMPARE(ZenqInsertTypedCharacter(text, caret, selection, QLatin1Char('x')), result);
    }

    void storedPositionOfADisplayPosition_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("behindBreaks");
        QTest::addColumn<int>("beforeBreaks");
        QTest::newRow("no breaks") << "abcd" << 2 << 2 << 2;
        QTest::newRow("start") << "abcd" << 0 << 0 << 0;
        QTest::newRow("end") << "abcd" << 4 << 4 << 4;
        QTest::newRow("beyond the end") << "abcd" << 7 << 4 << 4;
        QTest::newRow("negative") << "abcd" << -3 << 0 << 0;
        QTest::newRow("at a CR LF") << "ab\r\ncd" << 2 << 4 << 2;
        QTest::newRow("behind a CR LF") << "ab\r\ncd" << 3 << 5 << 5;
        QTest::newRow("break at the start") << "\r\nab" << 0 << 2 << 0;
        QTest::newRow("break at the end") << "ab\r\n" << 2 << 4 << 2;
        QTest::newRow("two breaks") << "a\r\n\r\nb" << 1 << 5 << 1;
    }
    void storedPositionOfADisplayPosition()
    {
        QFETCH(QString, stored);
        QFETCH(int, display);
        QFETCH(int, behindBreaks);
        QFETCH(int, beforeBreaks);
        QCOMPARE(ZenqStoredPosition(stored, display, true), behindBreaks);
        QCOMPARE(ZenqStoredPosition(stored, display, false), beforeBreaks);
    }

    void caretFromTheInPlaceEditor_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("selectionStart");
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selection");
        QTest::newRow("no in-place editor") << "abcd" << false << 2 << 1 << true << -1 << 0;
        QTest::newRow("typed over a selection") << "abcd" << true << 1 << 2 << true << 1 << 2;
        QTest::newRow("typed at a caret") << "abcd" << true << 3 << 0 << true << 3 << 0;
        QTest::newRow("control key: caret stays") << "abcd" << true << 3 << 0 << false << 2 << 0;
        QTest::newRow("control key with a selection: its start") << "abcd" << true << 1 << 2 << false << 0 << 0;
        QTest::newRow("control key at the start") << "abcd" << true << 0 << 0 << false << -1 << 0;
        QTest::newRow("selection across a removed break") << "ab\r\ncd" << true << 1 << 2 << true << 1 << 4;
        QTest::newRow("selection behind a break") << "ab\r\ncd" << true << 2 << 1 << true << 4 << 1;
    }
    void caretFromTheInPlaceEditor()
    {
        QFETCH(QString, stored);
        QFETCH(bool, inPlace);
        QFETCH(int, selectionStart);
        QFETCH(int, selectionLength);
        QFETCH(bool, typed);
        QFETCH(int, caret);
        QFETCH(int, selection);
        const TGridCaret result = ZenqGridCaret(stored, inPlace, selectionStart, selectionLength, typed);
        QCOMPARE(result.caretPosition, caret);
        QCOMPARE(result.selectionLength, selection);
    }

    void gridKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<TGridKeyAction>("action");
        QTest::addColumn<QString>("typed");
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier, shift = Qt::ShiftModifier;
        const auto pass = TGridKeyAction::PassThrough;
        const auto open = TGridKeyAction::OpenEditor;
        const struct { const char *name; int key; QString text; } passKeys[] = {
            { "Tab", Qt::Key_Tab, "\t" }, { "Shift+Tab", Qt::Key_Backtab, "" }, { "Enter", Qt::Key_Return, "\r" },
            { "keypad Enter", Qt::Key_Enter, "\r" }, { "Esc", Qt::Key_Escape, "\x1b" }, { "Page Up", Qt::Key_PageUp, "" },
            { "Page Down", Qt::Key_PageDown, "" }, { "End", Qt::Key_End, "" }, { "Home", Qt::Key_Home, "" },
            { "Left", Qt::Key_Left, "" }, { "Right", Qt::Key_Right, "" }, { "Up", Qt::Key_Up, "" },
            { "Down", Qt::Key_Down, "" }, { "Insert", Qt::Key_Insert, "" }, { "F2", Qt::Key_F2, "" },
        };
        for (const auto &k : passKeys)
            QTest::newRow(k.name) << k.key << none << k.text << pass << "";
        QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << ctrl << "" << pass << "";
        QTest::newRow("letter") << int(Qt::Key_X) << none << "x" << open << "x";
        QTest::newRow("capital") << int(Qt::Key_X) << shift << "X" << open << "X";
        QTest::newRow("blank") << int(Qt::Key_Space) << none << " " << open << " ";
        QTest::newRow("umlaut") << int(Qt::Key_Adiaeresis) << none << QStringLiteral("\u00e4") << open << QStringLiteral("\u00e4");
        QTest::newRow("AltGr as Ctrl+Alt") << int(Qt::Key_At) << (ctrl | alt) << "@" << open << "@";
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << "\b" << open << "";
        QTest::newRow("Backspace without text") << int(Qt::Key_Backspace) << none << "" << open << "";
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << "v" << open << "";
        QTest::newRow("Ctrl+C as control character") << int(Qt::Key_C) << ctrl << "\x03" << open << "";
        QTest::newRow("Ctrl+digit") << int(Qt::Key_1) << ctrl << "1" << pass << "";
        QTest::newRow("Alt+letter") << int(Qt::Key_F) << alt << "f" << pass << "";
        QTest::newRow("F5") << int(Qt::Key_F5) << none << "" << pass << "";
        QTest::newRow("Shift alone") << int(Qt::Key_Shift) << shift << "" << pass << "";
        QTest::newRow("Delete") << int(Qt::Key_Delete) << none << "\x7f" << pass << "";
        QTest::newRow("Ctrl+Delete") << int(Qt::Key_Delete) << ctrl << "" << TGridKeyAction::DeleteRecord << "";
        QTest::newRow("character outside the basic plane") << int(Qt::Key_unknown) << none << QStringLiteral("\U0001F600")
                                                             << open << "";
    }
    void gridKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(TGridKeyAction, action);
        QFETCH(QString, typed);
        const TGridKey result = ZenqClassifyGridKey(key, Qt::KeyboardModifiers(modifiers), text);
        QCOMPARE(result.action, action);
        QCOMPARE(result.typed ? QString(*result.typed) : QString(), typed);
    }
};

ZENQ_TEST_CLASS(DocAndTestGridTest);
#include "DocAndTestGridTest.moc"
