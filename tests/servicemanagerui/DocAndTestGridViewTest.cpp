// The samples and tests grids on the offscreen platform: what the cell editor opens with and what it
// stores, the keys that keep their meaning, double-clicks, the confirmation before a delete, new rows,
// and the column layout in the settings.
#include "../servicemanager/DocAndTestTestSupport.h"
#include "../servicemanager/ServiceManagerTestSupport.h"
#include "dialogs/DialogTestSupport.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "dialogs/ZenqMemoForm.h"
#include "framework/ZenqRegistry.h"
#include "servicemanager/widgets/DocAndTestGridView.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using zenqtest::ModalRunnerScope;
using zenqtest::showActive;

Q_DECLARE_METATYPE(TDocAndTestTable)

namespace {

const QString obrien = QStringLiteral("O'Brien");

// What the cell editor showed each time it opened; it answers OK or Cancel as told.
struct EditorRecorder
{
    int opened = 0;
    QString text;
    QString beforeCaret;
    QString okCaption;
    QString cancelCaption;
    Qt::ScrollBarPolicy verticalScrollBar = Qt::ScrollBarAsNeeded;
    QPoint position;
    bool confirm = true;

    ModalRunnerScope install()
    {
        return ModalRunnerScope([this](QDialog &dialog) {
            auto &form = static_cast<TZenqMemoForm_Form &>(dialog);
            ++opened;
            text = form.text();
            beforeCaret = form.memo()->toPlainText().left(form.memo()->textCursor().position());
            okCaption = form.findChild<QPushButton *>(QStringLiteral("BtOk"))->text();
            cancelCaption = form.findChild<QPushButton *>(QStringLiteral("BtCancel"))->text();
            verticalScrollBar = form.memo()->verticalScrollBarPolicy();
            position = form.pos();
            if (confirm)
                form.findChild<QPushButton *>(QStringLiteral("BtOk"))->click();
            else
                form.reject();
        });
    }
};

QModelIndex cell(const TDocAndTestGridView &view, int row, const QString &field)
{
    return view.tableModel().index(row, view.tableModel().columnOf(field));
}

QStringList visibleFieldsInOrder(const TDocAndTestGridView &view)
{
    QStringList fields;
    const QHeaderView *titles = view.horizontalHeader();
    for (int visual = 0; visual < titles->count(); ++visual) {
        const int logical = titles->logicalIndex(visual);
        if (!titles->isSectionHidden(logical))
            fields << view.tableModel().fieldName(logical).toUpper();
    }
    return fields;
}

} // namespace

class DocAndTestGridViewTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;

    // A samples grid of O'Brien with the samples "a" (comment `comment`) and "b", shown and focused.
    std::unique_ptr<TDocAndTestGridView> samplesGrid(DocAndTestDatabase &db, const QString &comment = QStringLiteral("abcd"))
    {
        db.addSample(obrien, QStringLiteral("a"), comment);
        db.addSample(obrien, QStringLiteral("b"), QStringLiteral("comment b"));
        auto view = std::make_unique<TDocAndTestGridView>(TDocAndTestTable::XMLBehaviour);
        view->setObjectName(QStringLiteral("DBGridXMLBehaviour"));
        view->setGeometry(50, 50, 700, 300);
        if (!view->tableModel().open(db.database(), obrien) || !showActive(*view))
            return {};
        view->setCurrentIndex(cell(*view, 0, QStringLiteral("COMMENT_")));
        return view;
    }

private Q_SLOTS:
    void init()
    {
        ui = std::make_unique<ScopedScriptedUserInterface>();
        QFile::remove(ZenqSettingsFileName());
    }
    void cleanup() { ui.reset(); }

    // --- the cell editor ---

    void keysOpenTheEditorWithTheTypedCharacterAtTheCaret_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("selectionStart"); // -1: as F2 left it (all selected)
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("beforeCaret");
        const int none = Qt::NoModifier;
        QTest::newRow("x over the selected bc") << "abcd" << true << 1 << 2 << int(Qt::Key_X) << none << true << "axd" << "ax";
        QTest::newRow("x at the end") << "abcd" << true << 4 << 0 << int(Qt::Key_X) << none << true << "abcdx" << "abcdx";
        QTest::newRow("x over what F2 selected") << "abcd" << true << -1 << 0 << int(Qt::Key_X) << none << true << "x" << "x";
        QTest::newRow("x without in-place editor: before the text, caret behind it")
            << "abcd" << false << 0 << 0 << int(Qt::Key_X) << none << true << "xabcd" << "x";
        QTest::newRow("x behind a line break that the cell does not show")
            << "ab\r\ncd" << true << 2 << 0 << int(Qt::Key_X) << none << true << "ab\r\nxcd" << "ab\nx";
        QTest::newRow("x over a selection across a line break")
            << "ab\r\ncd" << true << 1 << 2 << int(Qt::Key_X) << none << true << "axd" << "ax";
        QTest::newRow("Backspace: text unchanged") << "abcd" << false << 0 << 0 << int(Qt::Key_Backspace) << none << true
                                                   << "abcd" << "";
        QTest::newRow("Backspace in the in-place editor: caret stays")
            << "abcd" << true << 3 << 0 << int(Qt::Key_Backspace) << none << true << "abcd" << "abc";
        QTest::newRow("Ctrl+V: no typed character") << "abcd" << false << 0 << 0 << int(Qt::Key_V) << int(Qt::ControlModifier)
                                                    << true << "abcd" << "";
        QTest::newRow("cancelled: nothing stored") << "abcd" << true << 1 << 2 << int(Qt::Key_X) << none << false << "axd" << "ax";
    }
    void keysOpenTheEditorWithTheTypedCharacterAtTheCaret()
    {
        QFETCH(QString, stored);
        QFETCH(bool, inPlace);
        QFETCH(int, selectionStart);
        QFETCH(int, selectionLength);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, confirm);
        QFETCH(QString, opened);
        QFETCH(QString, beforeCaret);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db, stored);
        QVERIFY(view);
        EditorRecorder editor;
        editor.confirm = confirm;
        const auto runner = editor.install();

        QWidget *target = view.get();
        if (inPlace) {
            QTest::keyClick(view.get(), Qt::Key_F2);
            QLineEdit *line = view->inPlaceEditor();
            QVERIFY(line);
            QCOMPARE(line->text(), ZenqGridDisplayText(stored));
            QVERIFY(line->isReadOnly());
            if (selectionStart >= 0 && selectionLength > 0)
                line->setSelection(selectionStart, selectionLength);
            else if (selectionStart >= 0)
                line->setCursorPosition(selectionStart);
            target = line;
        }
        QCOMPARE(editor.opened, 0);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(editor.opened, 1);
        QCOMPARE(editor.text, opened);
        QCOMPARE(editor.beforeCaret, beforeCaret);
        QVERIFY(!view->inPlaceEditor());

        const QString expected = confirm ? opened : stored;
        QCOMPARE(db.sampleField(obrien, QStringLiteral("a"), QStringLiteral("COMMENT_")).toString(), expected);
        QCOMPARE(view->tableModel().storedText(0, view->currentIndex().column()), expected);
        QCOMPARE(db.names(QStringLiteral("D_XMLBEHAVIOUR"), obrien), (QStringList { "a", "b" }));
    }

    void editorOpensBelowTheCellOnADoubleClick()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db, QStringLiteral("line 1\r\nline 2"));
        QVERIFY(view);
        EditorRecorder editor;
        editor.confirm = false;
        const auto runner = editor.install();
        const QModelIndex target = cell(*view, 1, QStringLiteral("SAMPLENAME_"));
        const QRect rect = view->visualRect(target);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(editor.opened, 1);
        QCOMPARE(view->currentIndex(), target);
        QCOMPARE(editor.text, QStringLiteral("b"));
        QCOMPARE(editor.beforeCaret, QString()); // no caret given: at the start
        QCOMPARE(editor.okCaption, QStringLiteral("Ok"));
        QCOMPARE(editor.cancelCaption, QStringLiteral("Cancel"));
        QCOMPARE(editor.verticalScrollBar, Qt::ScrollBarAlwaysOn);
        QCOMPARE(editor.position, view->viewport()->mapToGlobal(QPoint(rect.left(), rect.top() + rect.height())));

        // A memo cell opens with its stored lines.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                           view->visualRect(cell(*view, 0, QStringLiteral("COMMENT_"))).center());
        QCOMPARE(editor.text, QStringLiteral("line 1\r\nline 2"));
    }

    void doubleClickOpensOnlyOnDataCells_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("opened");
        QTest::newRow("data cell") << "cell" << 1;
        QTest::newRow("column title") << "title" << 0;
        QTest::newRow("row indicator") << "indicator" << 0;
        QTest::newRow("empty space below the rows") << "below" << 0;
    }
    void doubleClickOpensOnlyOnDataCells()
    {
        QFETCH(QString, target);
        QFETCH(int, opened);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db);
        QVERIFY(view);
        EditorRecorder editor;
        editor.confirm = false;
        const auto runner = editor.install();
        const QModelIndex comment = cell(*view, 0, QStringLiteral("COMMENT_"));
        QWidget *widget = view->viewport();
        QPoint where = view->visualRect(comment).center();
        if (target == QLatin1String("title")) {
            widget = view->horizontalHeader()->viewport();
            where = QPoint(view->horizontalHeader()->sectionViewportPosition(comment.column()) + 20, 5);
        } else if (target == QLatin1String("indicator")) {
            widget = view->verticalHeader()->viewport();
            where = QPoint(5, view->verticalHeader()->sectionViewportPosition(0) + 5);
        } else if (target == QLatin1String("below")) {
            where = QPoint(where.x(), view->viewport()->height() - 5);
            QVERIFY(!view->indexAt(where).isValid());
        }
        QTest::mouseDClick(widget, Qt::LeftButton, {}, where);
        QCOMPARE(editor.opened, opened);
    }

    void keysThatKeepTheirMeaningInTheGrid_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("field");
        QTest::newRow("Tab: next visible column") << int(Qt::Key_Tab) << 0 << "INPUTSAMPLE_";
        QTest::newRow("Right: over the hidden templates") << int(Qt::Key_Right) << 0 << "INPUTSAMPLE_";
        QTest::newRow("Left") << int(Qt::Key_Left) << 0 << "SAMPLENAME_";
        QTest::newRow("Down") << int(Qt::Key_Down) << 1 << "COMMENT_";
        QTest::newRow("Home") << int(Qt::Key_Home) << 0 << "SAMPLENAME_";
        QTest::newRow("End") << int(Qt::Key_End) << 0 << "OUTPUTSAMPLE_";
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 1 << "COMMENT_";
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << "COMMENT_";
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << "COMMENT_";
        QTest::newRow("Delete without Ctrl") << int(Qt::Key_Delete) << 0 << "COMMENT_";
    }
    void keysThatKeepTheirMeaningInTheGrid()
    {
        QFETCH(int, key);
        QFETCH(int, row);
        QFETCH(QString, field);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db);
        QVERIFY(view);
        EditorRecorder editor;
        const auto runner = editor.install();
        QTest::keyClick(view.get(), Qt::Key(key));
        QCOMPARE(editor.opened, 0);
        QCOMPARE(view->currentIndex(), cell(*view, row, field));
        QCOMPARE((*ui)->messages, QStringList());
        QCOMPARE(db.names(QStringLiteral("D_XMLBEHAVIOUR"), obrien), (QStringList { "a", "b" }));
    }

    void failedWriteIsReportedAndChangesNothing()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db);
        QVERIFY(view);
        EditorRecorder editor;
        const auto runner = editor.install();
        // Renames "a" to "b", the name of the other sample: F2 selects the whole name, "b" replaces it.
        view->setCurrentIndex(cell(*view, 0, QStringLiteral("SAMPLENAME_")));
        QTest::keyClick(view.get(), Qt::Key_F2);
        QVERIFY(view->inPlaceEditor());
        QTest::keyClick(view->inPlaceEditor(), Qt::Key_B);
        QCOMPARE(editor.text, QStringLiteral("b"));
        QCOMPARE((*ui)->messages.size(), 1);
        QCOMPARE(db.names(QStringLiteral("D_XMLBEHAVIOUR"), obrien), (QStringList { "a", "b" }));
        QCOMPARE(view->tableModel().storedText(0, view->currentIndex().column()), QStringLiteral("a"));
    }

    void nothingOpensWithoutAService()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db);
        QVERIFY(view);
        EditorRecorder editor;
        const auto runner = editor.install();
        QVERIFY(!view->EditCellInDialog(QString(), 0, -1, QLatin1Char('x')));
        QCOMPARE(editor.opened, 0);
        view->tableModel().close();
        QTest::keyClick(view.get(), Qt::Key_X);
        QCOMPARE(editor.opened, 0);
    }

    // --- deleting ---

    void deleteAsksFirst_data()
    {
        QTest::addColumn<TDocAndTestTable>("table");
        QTest::addColumn<bool>("withHook");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QList<int>>("hookRows");
        QTest::addColumn<QStringList>("remaining");
        const int ok = int(JMessageResult::Ok), cancel = int(JMessageResult::Cancel);
        QTest::newRow("samples, OK: the hook deletes")
            << TDocAndTestTable::XMLBehaviour << true << ok << QList<int> { 1 } << QStringList { "a", "b" };
        QTest::newRow("samples, Cancel: nothing")
            << TDocAndTestTable::XMLBehaviour << true << cancel << QList<int> {} << QStringList { "a", "b" };
        QTest::newRow("tests, OK: the grid deletes")
            << TDocAndTestTable::Tests << false << ok << QList<int> {} << QStringList { "a" };
        QTest::newRow("tests, Cancel: nothing")
            << TDocAndTestTable::Tests << false << cancel << QList<int> {} << QStringList { "a", "b" };
    }
    void deleteAsksFirst()
    {
        QFETCH(TDocAndTestTable, table);
        QFETCH(bool, withHook);
        QFETCH(int, answer);
        QFETCH(QList<int>, hookRows);
        QFETCH(QStringList, remaining);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const bool samples = table == TDocAndTestTable::XMLBehaviour;
        const QString tableName = samples ? QStringLiteral("D_XMLBEHAVIOUR") : QStringLiteral("D_TESTS");
        for (const QString &name : { QStringLiteral("a"), QStringLiteral("b") })
            samples ? db.addSample(obrien, name) : db.addTest(obrien, name);
        TDocAndTestGridView view(table);
        QVERIFY(view.tableModel().open(db.database(), obrien));
        QVERIFY(showActive(view));
        QList<int> calls;
        if (withHook)
            view.beforeDelete = [&](int row) { calls << row; };
        view.setCurrentIndex(cell(view, 1, view.tableModel().keyFieldName()));
        (*ui)->messageAnswer = JMessageResult(answer);

        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE((*ui)->messages, QStringList()); // plain Delete asks nothing
        QTest::keyClick(&view, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE((*ui)->messages, QStringList { "Delete record?" });
        QCOMPARE(calls, hookRows);
        QCOMPARE(db.names(tableName, obrien), remaining);
        QCOMPARE(view.tableModel().rowCount(), withHook ? 2 : int(remaining.size()));
    }

    void deleteAfterAReloadDuringTheQuestionTakesTheConfirmedRecord_data()
    {
        QTest::addColumn<QString>("addedMeanwhile");
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("a row added before it") << "0" << QStringList { "0", "a" };
        QTest::newRow("the record itself gone") << "" << QStringList { "a" };
    }
    void deleteAfterAReloadDuringTheQuestionTakesTheConfirmedRecord()
    {
        QFETCH(QString, addedMeanwhile);
        QFETCH(QStringList, remaining);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        for (const QString &name : { QStringLiteral("a"), QStringLiteral("b") })
            db.addTest(obrien, name);
        TDocAndTestGridView view(TDocAndTestTable::Tests);
        QVERIFY(view.tableModel().open(db.database(), obrien));
        QVERIFY(showActive(view));
        view.setCurrentIndex(cell(view, 1, QStringLiteral("TESTNAME_")));
        // Another program changes the table while the box is open, and a refresh reloads the grid.
        (*ui)->whileShown = [&] {
            if (addedMeanwhile.isEmpty())
                QVERIFY(QSqlQuery(db.database()).exec(QStringLiteral("DELETE FROM D_TESTS WHERE TESTNAME_ = 'b'")));
            else
                db.addTest(obrien, addedMeanwhile);
            view.tableModel().open(db.database(), obrien);
        };
        QTest::keyClick(&view, Qt::Key_Delete, Qt::ControlModifier);
        (*ui)->whileShown = nullptr;
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), remaining);
        QCOMPARE((*ui)->messages, QStringList { "Delete record?" }); // a record gone meanwhile is no error
    }

    // --- new rows ---

    void insertAddsARowThatIsStoredOnceNamed()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        db.addTest(obrien, QStringLiteral("m"));
        TDocAndTestGridView view(TDocAndTestTable::Tests);
        QVERIFY(view.tableModel().open(db.database(), obrien));
        QVERIFY(showActive(view));
        view.setCurrentIndex(cell(view, 0, QStringLiteral("COMMENT_")));
        EditorRecorder editor;
        const auto runner = editor.install();

        QTest::keyClick(&view, Qt::Key_Insert);
        QCOMPARE(view.tableModel().rowCount(), 2);
        QCOMPARE(view.tableModel().pendingRow(), 0);
        QCOMPARE(view.currentIndex(), cell(view, 0, QStringLiteral("COMMENT_")));
        QTest::keyClick(&view, Qt::Key_Left);
        QCOMPARE(view.currentIndex(), cell(view, 0, QStringLiteral("TESTNAME_")));
        QTest::keyClick(&view, Qt::Key_N);
        QCOMPARE(editor.text, QStringLiteral("n"));
        QCOMPARE(view.tableModel().pendingRow(), -1);
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), (QStringList { "m", "n" }));

        // A new row left without a name goes, as does one cancelled with Esc or Ctrl+Delete.
        QTest::keyClick(&view, Qt::Key_Insert);
        QCOMPARE(view.tableModel().rowCount(), 3);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.tableModel().rowCount(), 2);
        QTest::keyClick(&view, Qt::Key_Insert);
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(view.tableModel().rowCount(), 2);
        QTest::keyClick(&view, Qt::Key_Insert);
        QTest::keyClick(&view, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(view.tableModel().rowCount(), 2);
        QCOMPARE((*ui)->messages, QStringList()); // nothing stored, nothing to confirm
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien), (QStringList { "m", "n" }));
    }

    void aNewRowGoesOnlyWhenTheFocusLeavesForAnotherControl_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("kept");
        QTest::newRow("another control") << "other" << false;
        QTest::newRow("the in-place editor") << "F2" << true;
        QTest::newRow("the cell editor naming the row") << "editor" << true;
    }
    void aNewRowGoesOnlyWhenTheFocusLeavesForAnotherControl()
    {
        QFETCH(QString, focus);
        QFETCH(bool, kept);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        QWidget window;
        auto *view = new TDocAndTestGridView(TDocAndTestTable::Tests, &window);
        auto *other = new QLineEdit(&window);
        view->setGeometry(0, 0, 600, 200);
        other->setGeometry(0, 210, 100, 20);
        QVERIFY(view->tableModel().open(db.database(), obrien));
        QVERIFY(showActive(window));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Insert);
        QCOMPARE(view->tableModel().pendingRow(), 0);
        // The grid loses the focus while the cell editor is open, as to a real dialog.
        ModalRunnerScope runner([view, other](QDialog &dialog) {
            other->setFocus();
            QVERIFY(!view->hasFocus());
            static_cast<TZenqMemoForm_Form &>(dialog).findChild<QPushButton *>(QStringLiteral("BtOk"))->click();
        });
        if (focus == QLatin1String("other"))
            other->setFocus();
        else if (focus == QLatin1String("F2"))
            QTest::keyClick(view, Qt::Key_F2);
        else
            QTest::keyClick(view, Qt::Key_N);
        QCOMPARE(view->tableModel().rowCount(), kept ? 1 : 0);
        QCOMPARE(db.names(QStringLiteral("D_TESTS"), obrien),
                 focus == QLatin1String("editor") ? QStringList { "n" } : QStringList {});
    }

    // --- column layout ---

    void layoutRoundTrip_data()
    {
        QTest::addColumn<bool>("user");
        QTest::addColumn<bool>("suspended");
        QTest::addColumn<QString>("valueName");
        QTest::addColumn<bool>("stored");
        QTest::newRow("user layout") << true << false << "#DBGridXMLBehaviour" << true;
        QTest::newRow("user layout while exporting: skipped") << true << true << "#DBGridXMLBehaviour" << false;
        QTest::newRow("window layout") << false << false << "DBGridXMLBehaviour" << true;
        QTest::newRow("window layout while exporting: kept") << false << true << "DBGridXMLBehaviour" << true;
    }
    void layoutRoundTrip()
    {
        QFETCH(bool, user);
        QFETCH(bool, suspended);
        QFETCH(QString, valueName);
        QFETCH(bool, stored);
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const QStringList designOrder { "SAMPLENAME_", "COMMENT_", "INPUTSAMPLE_", "OUTPUTSAMPLE_" };
        const QStringList movedOrder { "OUTPUTSAMPLE_", "SAMPLENAME_", "COMMENT_", "INPUTSAMPLE_" };
        {
            const auto view = samplesGrid(db);
            QVERIFY(view);
            QCOMPARE(visibleFieldsInOrder(*view), designOrder);
            QHeaderView *titles = view->horizontalHeader();
            const int output = view->tableModel().columnOf(QStringLiteral("OUTPUTSAMPLE_"));
            titles->moveSection(titles->visualIndex(output), titles->visualIndex(view->tableModel().columnOf(QStringLiteral("SAMPLENAME_"))));
            titles->resizeSection(view->tableModel().columnOf(QStringLiteral("COMMENT_")), 77);
            QCOMPARE(visibleFieldsInOrder(*view), movedOrder);
            view->suspendLayouts = suspended;
            user ? view->saveUserColumns() : view->saveColumns();
        }
        QCOMPARE(JRegistryValueExists(ZenqConsoleRegistryKey, valueName), stored);
        const QString otherName = user ? QStringLiteral("DBGridXMLBehaviour") : QStringLiteral("#DBGridXMLBehaviour");
        QVERIFY(!JRegistryValueExists(ZenqConsoleRegistryKey, otherName));

        TDocAndTestGridView view(TDocAndTestTable::XMLBehaviour);
        view.setObjectName(QStringLiteral("DBGridXMLBehaviour"));
        view.suspendLayouts = suspended;
        QCOMPARE(user ? view.loadUserColumns() : view.loadColumns(), stored);
        QVERIFY(view.tableModel().open(db.database(), obrien));
        QCOMPARE(visibleFieldsInOrder(view), stored ? movedOrder : designOrder);
        QCOMPARE(view.columnWidth(view.tableModel().columnOf(QStringLiteral("COMMENT_"))),
                 stored ? 77 : TDocAndTestGridView::defaultColumnWidth);
    }

    void layoutSurvivesReopeningAndNeverShowsHiddenFields()
    {
        ZENQ_FRESH_DEMO(demo);
        ZENQ_DOC_AND_TEST_DATABASE(db);
        const auto view = samplesGrid(db);
        QVERIFY(view);
        TDocAndTestTableModel &model = view->tableModel();
        view->setColumnWidth(model.columnOf(QStringLiteral("INPUTSAMPLE_")), 55);
        model.close();
        QVERIFY(model.open(db.database(), QStringLiteral("Orders")));
        QCOMPARE(view->columnWidth(model.columnOf(QStringLiteral("INPUTSAMPLE_"))), 55);

        QVERIFY(!JRegistryValueExists(ZenqConsoleRegistryKey, QStringLiteral("#DBGridXMLBehaviour"))); // the window saves

        // A stored layout that shows APPNAME_ first and hides COMMENT_.
        JSetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("#DBGridXMLBehaviour"),
                           QStringLiteral("APPNAME_:90:1;OUTPUTSAMPLE_:60:1;COMMENT_:70:0"));
        QVERIFY(view->loadUserColumns());
        QCOMPARE(visibleFieldsInOrder(*view), (QStringList { "OUTPUTSAMPLE_", "SAMPLENAME_", "INPUTSAMPLE_" }));
        QCOMPARE(view->columnWidth(model.columnOf(QStringLiteral("OUTPUTSAMPLE_"))), 60);
        const TZenqGridColumns layout = view->columnLayout();
        QCOMPARE(layout.first(), (TZenqGridColumn { model.fieldName(0), 90, false }));
        QCOMPARE(layout.at(2), (TZenqGridColumn { model.fieldName(model.columnOf(QStringLiteral("COMMENT_"))), 70, false }));

        // A damaged value is ignored as a whole.
        JSetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("#DBGridXMLBehaviour"), QStringLiteral("COMMENT_:wide:1"));
        QVERIFY(!view->loadUserColumns());
        QCOMPARE(view->columnWidth(model.columnOf(QStringLiteral("OUTPUTSAMPLE_"))), 60);
    }
};

ZENQ_TEST_CLASS(DocAndTestGridViewTest);
#include "DocAndTestGridViewTest.moc"
