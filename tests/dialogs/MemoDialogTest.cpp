// The memo dialog: the cell editor below its cell and the read-only text dialog.
#include "support/TestMain.h"

#include "DialogTestSupport.h"

#include "dialogs/ZenqMemoForm.h"
#include "dialogs/ZenqMemoFormLogic.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using zenqtest::ModalRunnerScope;
using zenqtest::showActive;

namespace {

const QSize kEditorSize(395, 230);
const QSize kMinimumSize(174, 111);

std::unique_ptr<TZenqMemoForm_Form> cellEditor(const QString &text, int maxLength = 0, int caretPosition = -1,
                                               const QString &cancelCaption = QStringLiteral("Cancel"))
{
    return TZenqMemoForm_Form::createCellEditor(nullptr, QRect(100, 100, 80, 20), QStringLiteral("Ok"), maxLength,
                                                caretPosition, text, cancelCaption);
}

std::unique_ptr<TZenqMemoForm_Form> scriptHelp(bool hideCaret = false)
{
    return TZenqMemoForm_Form::createTextDialog(QStringLiteral("Script - Help: Example"), QStringLiteral("Ok"),
                                                QStringLiteral("Line 1\r\nLine 2\r\n"), hideCaret, 300, 350);
}

// Pastes through the clipboard and Ctrl+V, as the user does.
void paste(QPlainTextEdit *memo, const QString &text)
{
    QApplication::clipboard()->setText(text);
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
}

QPushButton *button(const QWidget &form, const char *name)
{
    return form.findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class MemoDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- where the cell editor opens ---

    void placement_data()
    {
        QTest::addColumn<QRect>("cell");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<int>("minimumWidth");
        const QRect screen(0, 0, 800, 600);
        QTest::newRow("inside: just below the cell") << QRect(100, 100, 80, 20) << screen << QRect(100, 120, 395, 230) << 174;
        QTest::newRow("right edge: right edges line up") << QRect(600, 100, 150, 20) << screen << QRect(355, 120, 395, 230) << 174;
        QTest::newRow("cell across the right edge: left of the cell") << QRect(700, 100, 150, 20) << screen << QRect(305, 120, 395, 230) << 174;
        QTest::newRow("bottom edge: above the cell") << QRect(100, 500, 80, 20) << screen << QRect(100, 270, 395, 230) << 174;
        QTest::newRow("left edge: cell partly off") << QRect(-30, 100, 80, 20) << screen << QRect(0, 120, 395, 230) << 174;
        QTest::newRow("top edge: cell off the top") << QRect(100, -40, 80, 20) << screen << QRect(100, 0, 395, 230) << 174;
        QTest::newRow("top-left corner") << QRect(-20, -30, 80, 20) << screen << QRect(0, 0, 395, 230) << 174;
        QTest::newRow("top-right corner") << QRect(760, -30, 80, 20) << screen << QRect(365, 0, 395, 230) << 174;
        QTest::newRow("bottom-left corner") << QRect(-20, 590, 80, 20) << screen << QRect(0, 360, 395, 230) << 174;
        QTest::newRow("bottom-right corner") << QRect(700, 570, 100, 30) << screen << QRect(405, 340, 395, 230) << 174;
        QTest::newRow("cell wider than the editor") << QRect(50, 100, 500, 20) << screen << QRect(50, 120, 500, 230) << 500;
        QTest::newRow("cell just above the minimum width") << QRect(50, 100, 200, 20) << screen << QRect(50, 120, 395, 230) << 200;
        QTest::newRow("wide cell across the right edge") << QRect(300, 100, 520, 20) << screen << QRect(0, 120, 520, 230) << 520;
        QTest::newRow("cell wider than the screen") << QRect(-100, 100, 1000, 20) << screen << QRect(0, 120, 800, 230) << 800;
        QTest::newRow("screen lower than the editor") << QRect(100, 100, 80, 20) << QRect(0, 0, 800, 200) << QRect(100, 0, 395, 200) << 174;
        QTest::newRow("second screen, right edge") << QRect(1500, 100, 80, 20) << QRect(800, 0, 800, 600) << QRect(1185, 120, 395, 230) << 174;
        QTest::newRow("second screen, cell on the first") << QRect(700, 100, 80, 20) << QRect(800, 0, 800, 600) << QRect(800, 120, 395, 230) << 174;
    }
    void placement()
    {
        QFETCH(QRect, cell);
        QFETCH(QRect, screen);
        QFETCH(QRect, expected);
        QFETCH(int, minimumWidth);
        const ZenqCellEditorPlacement placement = ZenqPlaceCellEditor(cell, kEditorSize, kMinimumSize, screen);
        QCOMPARE(placement.geometry, expected);
        QCOMPARE(placement.minimumWidth, minimumWidth);
        QVERIFY(screen.contains(placement.geometry));
    }

    void editorOpensBelowTheCellOfTheGrid_data()
    {
        QTest::addColumn<int>("cellWidth");
        QTest::addColumn<int>("minimumWidth");
        QTest::addColumn<int>("width");
        QTest::newRow("narrow cell") << 60 << 174 << 395;
        QTest::newRow("wide cell") << 450 << 450 << 450;
    }
    void editorOpensBelowTheCellOfTheGrid()
    {
        QFETCH(int, cellWidth);
        QFETCH(int, minimumWidth);
        QFETCH(int, width);
        QWidget grid;
        grid.setGeometry(40, 60, 520, 300);
        QVERIFY(showActive(grid));
        const QRect cell(10, 30, cellWidth, 18);
        const auto form = TZenqMemoForm_Form::createCellEditor(&grid, cell, QStringLiteral("Ok"), 0, -1, {},
                                                               QStringLiteral("Cancel"));
        QCOMPARE(form->pos(), grid.mapToGlobal(QPoint(10, 48)));
        QCOMPARE(form->minimumWidth(), minimumWidth);
        QCOMPARE(form->width(), width);
        QCOMPARE(form->minimumHeight(), kMinimumSize.height());
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    // --- the text that goes in and comes back ---

    void textKeepsItsLineBreaks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("afterEnter");
        QTest::newRow("CR LF") << "a\r\nb" << "a\r\nb\r\n";
        QTest::newRow("LF") << "a\nb" << "a\nb\n";
        QTest::newRow("no break yet: CR LF") << "ab" << "ab\r\n";
        QTest::newRow("empty") << "" << "\r\n";
        QTest::newRow("no-break space and tab survive") << QStringLiteral("a\u00a0\tb") << QStringLiteral("a\u00a0\tb\r\n");
    }
    void textKeepsItsLineBreaks()
    {
        QFETCH(QString, text);
        QFETCH(QString, afterEnter);
        const auto form = cellEditor(text, 0, int(text.size()) - 1);
        QCOMPARE(form->text(), text);
        QTest::keyClick(form->memo(), Qt::Key_Return);
        QCOMPARE(form->text(), afterEnter);
        QCOMPARE(form->result(), int(QDialog::Rejected)); // a plain Enter does not close the editor
    }

    void caretFollowsTheTypedCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caretPosition");
        QTest::addColumn<QString>("afterTyping");
        QTest::newRow("not set: at the start") << "abc" << -1 << "Xabc";
        QTest::newRow("0: after the first character") << "abc" << 0 << "aXbc";
        QTest::newRow("last character: at the end") << "abc" << 2 << "abcX";
        QTest::newRow("beyond the text: at the end") << "abc" << 10 << "abcX";
        QTest::newRow("after a CR LF") << "a\r\nbc" << 3 << "a\r\nbXc";
        QTest::newRow("between CR and LF: after the break") << "a\r\nb" << 1 << "a\r\nXb";
    }
    void caretFollowsTheTypedCharacter()
    {
        QFETCH(QString, text);
        QFETCH(int, caretPosition);
        QFETCH(QString, afterTyping);
        const auto form = cellEditor(text, 0, caretPosition);
        QTest::keyClicks(form->memo(), QStringLiteral("X"));
        QCOMPARE(form->text(), afterTyping);
    }

    void maximumLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("composed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("tooLong");
        QTest::newRow("no limit") << "abc" << 0 << "def" << "" << "" << "abcdef" << false;
        QTest::newRow("typing up to the limit") << "ab" << 3 << "cd" << "" << "" << "abc" << false;
        QTest::newRow("typing at the limit is refused") << "abc" << 3 << "d" << "" << "" << "abc" << false;
        QTest::newRow("a paste is cut at the limit") << "ab" << 5 << "" << "cdefg" << "" << "abcde" << false;
        QTest::newRow("a line break counts two") << "ab" << 3 << "" << "\nc" << "" << "ab" << false;
        QTest::newRow("a line break that fits") << "ab" << 4 << "" << "\nc" << "" << "ab\r\n" << false;
        QTest::newRow("an input method's text is cut") << "ab" << 3 << "" << "" << "cd" << "abc" << false;
        QTest::newRow("a longer text is kept whole") << "abcdef" << 3 << "" << "" << "" << "abcdef" << true;
        QTest::newRow("a longer text does not grow") << "abcdef" << 3 << "g" << "xy" << "z" << "abcdef" << true;
    }
    void maximumLength()
    {
        QFETCH(QString, text);
        QFETCH(int, maxLength);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, composed);
        QFETCH(QString, expected);
        QFETCH(bool, tooLong);
        const auto form = cellEditor(text, maxLength, int(text.size()) - 1);
        QTest::keyClicks(form->memo(), typed);
        if (!pasted.isEmpty())
            paste(form->memo(), pasted);
        if (!composed.isEmpty()) {
            QInputMethodEvent event;
            event.setCommitString(composed);
            QApplication::sendEvent(form->memo(), &event);
        }
        QCOMPARE(form->text(), expected);
        QCOMPARE(form->isTooLong(), tooLong);
        QCOMPARE(button(*form, "BtOk")->isEnabled(), !tooLong);
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("LabelLength"))->isVisibleTo(form.get()), tooLong);
    }

    void cutPasteIsUndoneInOneStep()
    {
        const auto form = cellEditor(QStringLiteral("ab"), 3, 1);
        paste(form->memo(), QStringLiteral("cdef"));
        QCOMPARE(form->text(), QStringLiteral("abc"));
        form->memo()->undo();
        QCOMPARE(form->text(), QStringLiteral("ab"));
    }

    void tooLongTextIsConfirmedOnlyOnceShortened()
    {
        const auto form = cellEditor(QStringLiteral("abcdef"), 4, 5);
        QVERIFY(showActive(*form));
        QTest::keyClick(form->memo(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(form->isVisible());
        QTest::keyClick(form->memo(), Qt::Key_Backspace);
        QTest::keyClick(form->memo(), Qt::Key_Backspace);
        QVERIFY(button(*form, "BtOk")->isEnabled());
        QTest::keyClick(form->memo(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!form->isVisible());
        QString text;
        QVERIFY(form->cellEditorResult(text));
        QCOMPARE(text, QStringLiteral("abcd"));
    }

    // --- how the cell editor closes (through the entry point) ---

    void closing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("cancelCaption");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("text");
        QTest::newRow("Ctrl+Enter confirms") << "ctrl+enter" << "Cancel" << true << "abX";
        QTest::newRow("Ctrl+keypad Enter confirms") << "ctrl+keypad enter" << "Cancel" << true << "abX";
        QTest::newRow("OK button confirms") << "ok" << "Cancel" << true << "abX";
        QTest::newRow("Esc cancels") << "esc" << "Cancel" << false << "ab";
        QTest::newRow("Esc on a button cancels") << "ctrl+tab, esc" << "Cancel" << false << "ab";
        QTest::newRow("Cancel button cancels") << "cancel" << "Cancel" << false << "ab";
        QTest::newRow("without a cancel caption nothing is confirmed") << "ok" << "" << false << "ab";
    }
    void closing()
    {
        QFETCH(QString, action);
        QFETCH(QString, cancelCaption);
        QFETCH(bool, confirmed);
        QFETCH(QString, text);
        bool closedByAction = false;
        ModalRunnerScope runner([&](QDialog &dialog) {
            auto &form = static_cast<TZenqMemoForm_Form &>(dialog);
            QVERIFY(showActive(form));
            QTest::keyClicks(form.memo(), QStringLiteral("X"));
            if (action == QLatin1String("ctrl+enter"))
                QTest::keyClick(form.memo(), Qt::Key_Return, Qt::ControlModifier);
            else if (action == QLatin1String("ctrl+keypad enter"))
                QTest::keyClick(form.memo(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
            else if (action == QLatin1String("esc"))
                QTest::keyClick(form.memo(), Qt::Key_Escape);
            else if (action == QLatin1String("ctrl+tab, esc")) {
                QTest::keyClick(form.memo(), Qt::Key_Tab, Qt::ControlModifier);
                QTest::keyClick(form.focusWidget(), Qt::Key_Escape);
            } else
                QTest::mouseClick(button(form, action == QLatin1String("ok") ? "BtOk" : "BtCancel"), Qt::LeftButton);
            closedByAction = !form.isVisible();
            if (!closedByAction)
                form.reject();
        });
        QString edited = QStringLiteral("ab");
        QCOMPARE(EditTextInDialog(nullptr, QRect(10, 10, 50, 20), QStringLiteral("Ok"), 0, 1, edited, cancelCaption),
                 confirmed);
        QVERIFY(closedByAction);
        QCOMPARE(edited, text);
    }

    void ctrlTabCyclesFocus_data()
    {
        QTest::addColumn<QString>("cancelCaption");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<QStringList>("focusOrder");
        QTest::newRow("forward") << "Cancel" << false << QStringList { "BtOk", "BtCancel", "Memo", "BtOk" };
        QTest::newRow("backward") << "Cancel" << true << QStringList { "BtCancel", "BtOk", "Memo", "BtCancel" };
        QTest::newRow("hidden Cancel is passed over") << "" << false << QStringList { "BtOk", "Memo", "BtOk" };
    }
    void ctrlTabCyclesFocus()
    {
        QFETCH(QString, cancelCaption);
        QFETCH(bool, backward);
        QFETCH(QStringList, focusOrder);
        const auto form = cellEditor(QStringLiteral("ab"), 0, 1, cancelCaption);
        QVERIFY(showActive(*form));
        QCOMPARE(QApplication::focusWidget(), form->memo());
        const Qt::KeyboardModifiers modifiers = backward ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier;
        QStringList seen;
        for (qsizetype i = 0; i < focusOrder.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), backward ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
            seen << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(seen, focusOrder);
        QCOMPARE(form->text(), QStringLiteral("ab")); // the key was swallowed, not typed
        QVERIFY(form->isVisible());
    }

    void plainTabTypesATab()
    {
        const auto form = cellEditor(QStringLiteral("ab"), 0, 1);
        QVERIFY(showActive(*form));
        QTest::keyClick(form->memo(), Qt::Key_Tab);
        QCOMPARE(form->text(), QStringLiteral("ab\t"));
        QCOMPARE(QApplication::focusWidget(), form->memo());
    }

    // --- the text dialog ---

    void textDialogShowsTheTextReadOnly_data()
    {
        QTest::addColumn<bool>("hideCaret");
        QTest::newRow("caret visible") << false;
        QTest::newRow("caret hidden") << true;
    }
    void textDialogShowsTheTextReadOnly()
    {
        QFETCH(bool, hideCaret);
        const auto form = scriptHelp(hideCaret);
        QVERIFY(showActive(*form));
        QCOMPARE(form->windowTitle(), QStringLiteral("Script - Help: Example"));
        QCOMPARE(form->size(), QSize(300, 350));
        QVERIFY(!form->windowFlags().testFlag(Qt::FramelessWindowHint));
        const auto *link = form->findChild<QLabel *>(QStringLiteral("LabelOk"));
        QVERIFY(link->isVisible());
        QCOMPARE(link->text(), QStringLiteral("Ok"));
        QVERIFY(!button(*form, "BtOk")->isVisible());
        QVERIFY(!button(*form, "BtCancel")->isVisible());
        QVERIFY(form->memo()->isReadOnly());
        QCOMPARE(form->memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(form->memo()->cursorWidth() == 0, hideCaret);
        QTest::mouseMove(form->memo()->viewport(), QPoint(20, 10));
        QCOMPARE(form->memo()->viewport()->cursor().shape(), Qt::PointingHandCursor);
        QTest::keyClicks(form->memo(), QStringLiteral("typed"));
        QTest::keyClick(form->memo(), Qt::Key_Return);
        QCOMPARE(form->text(), QStringLiteral("Line 1\r\nLine 2\r\n"));
        QVERIFY(form->isVisible());
    }

    void textDialogClosesOnAClick_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("closes");
        QTest::newRow("text") << "text" << true;
        QTest::newRow("bottom panel") << "panel" << true;
        QTest::newRow("link") << "link" << true;
        QTest::newRow("left margin of the window") << "window" << true;
        QTest::newRow("scroll bar scrolls instead") << "scroll bar" << false;
    }
    void textDialogClosesOnAClick()
    {
        QFETCH(QString, target);
        QFETCH(bool, closes);
        const auto form = scriptHelp();
        QVERIFY(showActive(*form));
        QWidget *widget = form.get();
        QPoint where(5, 5);
        if (target == QLatin1String("text"))
            widget = form->memo()->viewport();
        else if (target == QLatin1String("panel"))
            widget = form->findChild<QWidget *>(QStringLiteral("Panel1"));
        else if (target == QLatin1String("link"))
            widget = form->findChild<QWidget *>(QStringLiteral("LabelOk"));
        else if (target == QLatin1String("scroll bar"))
            widget = form->memo()->verticalScrollBar();
        if (target != QLatin1String("window"))
            where = widget->rect().center();
        QTest::mouseClick(widget, Qt::LeftButton, {}, where);
        QCOMPARE(!form->isVisible(), closes);
        if (closes)
            QCOMPARE(form->result(), int(QDialog::Accepted));
    }

    void textDialogComesToTheFrontAfterHalfASecond()
    {
        QWidget other;
        other.setGeometry(0, 0, 200, 100);
        bool wasBehind = false;
        bool cameToFront = false;
        ModalRunnerScope runner([&](QDialog &dialog) {
            QCOMPARE(TZenqMemoForm_Form::openTextDialog(), &dialog);
            QVERIFY(showActive(dialog));
            QVERIFY(showActive(other)); // another window takes the front before the half second is over
            wasBehind = !dialog.isActiveWindow();
            cameToFront = QTest::qWaitFor([&] { return dialog.isActiveWindow(); }, 2000);
            QTest::mouseClick(static_cast<TZenqMemoForm_Form &>(dialog).memo()->viewport(), Qt::LeftButton);
        });
        ShowTextDialog(QStringLiteral("Script - Help: Example"), QStringLiteral("Ok"), QStringLiteral("text"), false,
                       300, 350);
        QVERIFY(wasBehind);
        QVERIFY(cameToFront);
        QCOMPARE(TZenqMemoForm_Form::openTextDialog(), nullptr);
    }

    void cellEditorStaysWhereTheUserPutsIt()
    {
        // Only a text dialog is brought to the front; an editor behind another window stays there.
        QWidget other;
        other.setGeometry(0, 0, 200, 100);
        const auto form = cellEditor(QStringLiteral("ab"));
        QVERIFY(showActive(*form));
        QVERIFY(showActive(other));
        form->Timer1Timer();
        QVERIFY(other.isActiveWindow());
    }
};

ZENQ_TEST_CLASS(MemoDialogTest);
#include "MemoDialogTest.moc"
