// The trace view: what it keeps, how it scrolls, selects, copies, finds and paints.
#include "support/TestMain.h"

#include "console/widgets/TraceView.h"
#include "framework/ZenqTraceConstants.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

Q_DECLARE_METATYPE(TraceLineStyle)

namespace {

const TraceLineStyle ordinary;
const TraceLineStyle errorStyle { true, _TRACESPECCOLORS[0], _TRACESPECSTYLE[0] };
const TraceLineStyle obsoleteStyle { true, _TRACESPECCOLORS[5], _TRACESPECSTYLE[5] };

// A shown view of a fixed size, so rows per page and scroll ranges are known.
std::unique_ptr<TZenqTraceView> shownView(const QStringList &lines = {}, QSize size = QSize(400, 200))
{
    auto view = std::make_unique<TZenqTraceView>();
    view->resize(size);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        qWarning("trace view not exposed");
    for (const QString &line : lines)
        view->appendTraceLine(line, ordinary);
    view->flushDisplay();
    return view;
}

QStringList numberedLines(int count, int width = 0)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("line %1 ").arg(i).leftJustified(width, QLatin1Char('x'));
    return lines;
}

int rowHeight(const TZenqTraceView &view)
{
    return view.viewport()->fontMetrics().lineSpacing();
}

const QStringList findLines {
    QStringLiteral("alpha Beta gamma"),
    QStringLiteral("beta delta"),
    QStringLiteral("nothing here"),
    QStringLiteral("BETA and beta"),
};

} // namespace

class TraceViewTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void linesAndStylesReadBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TraceLineStyle>("style");
        QTest::newRow("ordinary") << QStringLiteral("12:00:00.000 plain line") << ordinary;
        QTest::newRow("error marker style") << QStringLiteral("failed") << errorStyle;
        QTest::newRow("struck out") << QStringLiteral("old") << obsoleteStyle;
        QTest::newRow("special without colour or style is still special")
            << QStringLiteral("x") << TraceLineStyle { true, 0, 0 };
        QTest::newRow("empty") << QString() << ordinary;
        QTest::newRow("lone LF, tab and NUL kept") << QStringLiteral("a\nb\tc") + QChar(0) << ordinary;
        QTest::newRow("non-BMP and umlauts") << QStringLiteral("äöü € \U0001F600") << errorStyle;
    }
    void linesAndStylesReadBack()
    {
        QFETCH(QString, text);
        QFETCH(TraceLineStyle, style);
        TZenqTraceView view;
        // Surrounded by other lines and styles, so a wrong index or style slot shows.
        view.appendTraceLine(QStringLiteral("before"), obsoleteStyle);
        view.appendTraceLine(text, style);
        view.appendTraceLine(QStringLiteral("after"), ordinary);
        QCOMPARE(view.lineCount(), 3);
        QCOMPARE(view.lineText(1), text);
        QCOMPARE(view.lineStyle(1).special, style.special);
        QCOMPARE(view.lineStyle(1).color, style.color);
        QCOMPARE(view.lineStyle(1).fontStyle, style.fontStyle);
        QCOMPARE(view.lineText(0), QStringLiteral("before"));
        QCOMPARE(view.lineStyle(0).color, obsoleteStyle.color);
        QVERIFY(!view.lineStyle(2).special);
    }

    void manyLinesThenClear()
    {
        auto view = shownView();
        const int count = 200000;
        for (int i = 0; i < count; ++i)
            view->appendTraceLine(QStringLiteral("trace line number %1").arg(i), i % 20 == 0 ? errorStyle : ordinary);
        view->flushDisplay();
        QCOMPARE(view->lineCount(), count);
        QCOMPARE(view->lineText(0), QStringLiteral("trace line number 0"));
        QCOMPARE(view->lineText(123457), QStringLiteral("trace line number 123457"));
        QCOMPARE(view->lineText(count - 1), QStringLiteral("trace line number %1").arg(count - 1));
        QVERIFY(view->lineStyle(123460).special);
        QVERIFY(!view->lineStyle(123457).special);
        QVERIFY(view->verticalScrollBar()->maximum() > count - 100);
        view->setSelection(5, 0, 7, 3);

        view->clear();
        QCOMPARE(view->lineCount(), 0);
        QVERIFY(!view->hasSelection());
        QVERIFY2(view->storageBytes() < 4096, qPrintable(QString::number(view->storageBytes())));
        QCOMPARE(view->verticalScrollBar()->maximum(), 0);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);

        view->appendTraceLine(QStringLiteral("after clear"), obsoleteStyle);
        view->flushDisplay();
        QCOMPARE(view->lineCount(), 1);
        QCOMPARE(view->lineText(0), QStringLiteral("after clear"));
        QCOMPARE(view->lineStyle(0).fontStyle, obsoleteStyle.fontStyle);
        QVERIFY(!view->viewport()->grab().isNull());
    }

    void selectedText_data()
    {
        QTest::addColumn<int>("fromLine");
        QTest::addColumn<int>("fromColumn");
        QTest::addColumn<int>("toLine");
        QTest::addColumn<int>("toColumn");
        QTest::addColumn<QString>("expected");
        QTest::newRow("inside one line") << 0 << 2 << 0 << 5 << "pha";
        QTest::newRow("across lines, partial ends") << 0 << 6 << 2 << 4 << "Beta gamma\nbeta delta\nnoth";
        QTest::newRow("backwards drag gives the same text") << 2 << 4 << 0 << 6 << "Beta gamma\nbeta delta\nnoth";
        QTest::newRow("line end to next line start") << 0 << 16 << 1 << 0 << "\n";
        QTest::newRow("columns beyond the line are clamped") << 1 << 5 << 1 << 500 << "delta";
        QTest::newRow("empty range is no selection") << 1 << 3 << 1 << 3 << "";
    }
    void selectedText()
    {
        QFETCH(int, fromLine);
        QFETCH(int, fromColumn);
        QFETCH(int, toLine);
        QFETCH(int, toColumn);
        QFETCH(QString, expected);
        TZenqTraceView view;
        for (const QString &line : findLines)
            view.appendTraceLine(line, ordinary);
        view.setSelection(fromLine, fromColumn, toLine, toColumn);
        QCOMPARE(view.selectedText(), expected);
        QCOMPARE(view.hasSelection(), !expected.isEmpty());
    }

    void mouseSelectionAcrossLinesIsCopied()
    {
        auto view = shownView({ QStringLiteral("first"), QStringLiteral("second line"), QStringLiteral("third"),
                                QStringLiteral("fourth") });
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        view->setFocus();
        QWidget *viewport = view->viewport();
        const int row = rowHeight(*view);
        // From the left edge of the second row to far right of the fourth: whole lines 1 to 3.
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(0, row + row / 2));
        QTest::mouseMove(viewport, QPoint(viewport->width() / 2, 2 * row + row / 2));
        QTest::mouseMove(viewport, QPoint(viewport->width() - 1, 3 * row + row / 2));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(viewport->width() - 1, 3 * row + row / 2));
        QCOMPARE(view->selectedText(), QStringLiteral("second line\nthird\nfourth"));

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("second line\nthird\nfourth"));

        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("first\nsecond line\nthird\nfourth"));

        // A double click selects the word under the mouse.
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(view->viewport()->width() - 1, row + row / 2));
        QCOMPARE(view->selectedText(), QStringLiteral("line"));
    }

    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("fromLine"); // selection to search from; -1: none (from the screen's top)
        QTest::addColumn<int>("fromColumn");
        QTest::addColumn<int>("foundLine"); // -1: not found
        QTest::addColumn<int>("foundColumn");
        QTest::addColumn<bool>("wrapped");
        QTest::newRow("first match ignoring case") << "beta" << true << false << -1 << 0 << 0 << 6 << false;
        QTest::newRow("first match with case") << "beta" << true << true << -1 << 0 << 1 << 0 << false;
        QTest::newRow("next with case skips BETA") << "beta" << true << true << 1 << 0 << 3 << 9 << false;
        QTest::newRow("next ignoring case finds BETA") << "beta" << true << false << 1 << 0 << 3 << 0 << false;
        QTest::newRow("same line, behind the selection") << "beta" << true << false << 3 << 0 << 3 << 9 << false;
        QTest::newRow("forward past the end wraps") << "beta" << true << true << 3 << 9 << 1 << 0 << true;
        QTest::newRow("previous on the same line") << "beta" << false << false << 3 << 9 << 3 << 0 << false;
        QTest::newRow("previous from column 0 goes up") << "beta" << false << false << 3 << 0 << 1 << 0 << false;
        QTest::newRow("previous with case from column 0 wraps")
            << "beta" << false << true << 1 << 0 << 3 << 9 << true;
        QTest::newRow("backward past the top wraps") << "beta" << false << false << 0 << 6 << 3 << 9 << true;
        QTest::newRow("the only match is found again after wrapping")
            << "Beta" << true << true << 0 << 6 << 0 << 6 << true;
        QTest::newRow("absent") << "zeta" << true << false << 1 << 0 << -1 << 0 << false;
        QTest::newRow("absent with case") << "BETA AND" << false << true << 1 << 0 << -1 << 0 << false;
    }
    void find()
    {
        QFETCH(QString, text);
        QFETCH(bool, forward);
        QFETCH(bool, caseSensitive);
        QFETCH(int, fromLine);
        QFETCH(int, fromColumn);
        QFETCH(int, foundLine);
        QFETCH(int, foundColumn);
        QFETCH(bool, wrapped);
        auto view = shownView(findLines);
        if (fromLine >= 0)
            view->setSelection(fromLine, fromColumn, fromLine, fromColumn + 4);
        const bool found = view->find(text, forward, caseSensitive);
        QCOMPARE(found, foundLine >= 0);
        if (!found) {
            // The selection stays where it was.
            QCOMPARE(view->selectionStart().line, qsizetype(std::max(fromLine, 0)));
            return;
        }
        QCOMPARE(view->selectionStart().line, qsizetype(foundLine));
        QCOMPARE(view->selectionStart().column, qsizetype(foundColumn));
        QCOMPARE(view->selectedText().compare(text, Qt::CaseInsensitive), 0);
        QCOMPARE(view->lastFindWrapped(), wrapped);
    }

    void foundTextIsScrolledIntoView_data()
    {
        QTest::addColumn<bool>("wordWrap");
        QTest::newRow("no wrap") << false;
        QTest::newRow("word wrap") << true;
    }
    void foundTextIsScrolledIntoView()
    {
        QFETCH(bool, wordWrap);
        QStringList lines = numberedLines(2000, 60);
        lines[1500] = QString(600, QLatin1Char('y')) + QStringLiteral("needle");
        auto view = shownView(lines);
        view->setWordWrap(wordWrap);
        view->verticalScrollBar()->setValue(0);
        QVERIFY(view->find(QStringLiteral("needle"), true, true));
        QCOMPARE(view->selectionStart().line, 1500);
        const int top = view->verticalScrollBar()->value();
        QVERIFY2(top <= 1500 && top > 1500 - view->viewport()->height() / rowHeight(*view), qPrintable(QString::number(top)));
        if (!wordWrap)
            QVERIFY(view->horizontalScrollBar()->value() > 0);

        // And back up, past the top of the screen.
        QVERIFY(view->find(QStringLiteral("line 3 "), false, true));
        QCOMPARE(view->selectionStart().line, 3);
        QVERIFY(view->verticalScrollBar()->value() <= 3);
    }

    void findBarWithKeys()
    {
        auto view = shownView(findLines);
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        view->setFocus();
        auto *bar = view->findChild<QWidget *>(QStringLiteral("findBar"));
        auto *edit = view->findChild<QLineEdit *>(QStringLiteral("findText"));
        auto *matchCase = view->findChild<QCheckBox *>(QStringLiteral("findMatchCase"));
        auto *status = view->findChild<QLabel *>(QStringLiteral("findStatus"));
        QVERIFY(bar && edit && matchCase && status);
        QVERIFY(!bar->isVisible());
        const int fullHeight = view->viewport()->height();

        QTest::keyClick(view.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QVERIFY(edit->hasFocus());
        // The bar takes its room from the viewport, it does not cover lines.
        QVERIFY(view->viewport()->geometry().bottom() < bar->geometry().top());

        matchCase->setChecked(true);
        QTest::keyClicks(edit, QStringLiteral("beta"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(view->selectionStart(), (TZenqTraceView::TextPos { 1, 0 }));
        QVERIFY(status->text().isEmpty());
        QTest::keyClick(edit, Qt::Key_F3);
        QCOMPARE(view->selectionStart(), (TZenqTraceView::TextPos { 3, 9 }));
        QTest::keyClick(edit, Qt::Key_F3);
        QCOMPARE(view->selectionStart(), (TZenqTraceView::TextPos { 1, 0 }));
        QVERIFY(!status->text().isEmpty()); // wrapped around
        QTest::keyClick(edit, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(view->selectionStart(), (TZenqTraceView::TextPos { 3, 9 }));
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(view->selectionStart(), (TZenqTraceView::TextPos { 1, 0 }));

        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("zeta"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(status->text(), QStringLiteral("Not found"));

        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(view->hasFocus());
        QCOMPARE(view->viewport()->height(), fullHeight);

        // F3 in the view searches again for the last text without opening the bar.
        edit->setText(QStringLiteral("delta"));
        QTest::keyClick(view.get(), Qt::Key_F3);
        QCOMPARE(view->selectionStart(), (TZenqTraceView::TextPos { 1, 5 }));
        QVERIFY(!bar->isVisible());
    }

    void followsTheEndOnlyWhenAtTheEnd()
    {
        auto view = shownView(numberedLines(1000));
        QScrollBar *vertical = view->verticalScrollBar();
        QVERIFY(vertical->maximum() > 900);
        QCOMPARE(vertical->value(), vertical->maximum());

        vertical->setValue(10);
        QVERIFY(!view->isFollowingEnd());
        const int oldMaximum = vertical->maximum();
        for (const QString &line : numberedLines(100))
            view->appendTraceLine(line, ordinary);
        view->flushDisplay();
        QCOMPARE(vertical->maximum(), oldMaximum + 100);
        QCOMPARE(vertical->value(), 10);

        QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view->isFollowingEnd());
        view->appendTraceLine(QStringLiteral("newest"), ordinary);
        view->flushDisplay();
        QCOMPARE(vertical->value(), vertical->maximum());
        QCOMPARE(vertical->maximum(), oldMaximum + 101);

        // Lines appended without a flush reach the screen by the view's own refresh.
        view->appendTraceLine(QStringLiteral("unflushed"), ordinary);
        QTRY_COMPARE(vertical->maximum(), oldMaximum + 102);
        QCOMPARE(vertical->value(), vertical->maximum());

        vertical->setValue(0);
        view->clear();
        QVERIFY(view->isFollowingEnd());
        for (const QString &line : numberedLines(500))
            view->appendTraceLine(line, ordinary);
        view->flushDisplay();
        QCOMPARE(vertical->value(), vertical->maximum());
    }

    void wordWrapSwitchesKeepLinesAndPosition()
    {
        const QStringList lines = numberedLines(300, 250);
        auto view = shownView(lines);
        QScrollBar *vertical = view->verticalScrollBar();
        const int unwrappedMaximum = vertical->maximum();
        QVERIFY(view->horizontalScrollBar()->maximum() > 0);

        view->setWordWrap(true);
        QCOMPARE(view->lineCount(), lines.size());
        QCOMPARE(view->lineText(299), lines.at(299));
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        // Wrapped lines take several rows, so fewer of the last lines fit: the range reaches further.
        QVERIFY(vertical->maximum() > unwrappedMaximum);
        QCOMPARE(vertical->value(), vertical->maximum());
        QVERIFY(!view->viewport()->grab().isNull());

        vertical->setValue(42);
        view->setWordWrap(false);
        QCOMPARE(vertical->value(), 42);
        QCOMPARE(vertical->maximum(), unwrappedMaximum);
        QVERIFY(view->horizontalScrollBar()->maximum() > 0);
        view->setWordWrap(true);
        QCOMPARE(vertical->value(), 42);

        // Selection hits the wrapped rows: a click on the second row of line 42 is inside line 42.
        const int row = rowHeight(*view);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(5, row + row / 2));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(view->viewport()->width() - 1, row + row / 2));
        QCOMPARE(view->selectionStart().line, 42);
        QVERIFY(view->selectionStart().column > 0);
    }

    void specialLinesArePaintedInTheirColour()
    {
        auto view = shownView({ QStringLiteral("ordinary line one") });
        const TraceLineStyle green { true, 0x00B000, ZenqStyleBold | ZenqStyleUnderline };
        view->appendTraceLine(QStringLiteral("special line in green"), green);
        view->appendTraceLine(QStringLiteral("ordinary line three"), ordinary);
        view->flushDisplay();
        const QImage image = view->viewport()->grab().toImage();
        const int row = rowHeight(*view);
        int greenPixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.green() > 120 && c.red() < 90 && c.blue() < 90) {
                    ++greenPixels;
                    QVERIFY2(y >= row && y < 2 * row, qPrintable(QStringLiteral("green at row y=%1").arg(y)));
                }
            }
        }
        QVERIFY(greenPixels > 0);
    }

    void takesTheFocusUnlessTheFindBarHasIt()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *other = new QLineEdit(&window);
        auto *view = new TZenqTraceView(&window);
        layout->addWidget(other);
        layout->addWidget(view);
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        view->takeFocus();
        QVERIFY(view->hasFocus());

        view->openFindBar();
        auto *edit = view->findChild<QLineEdit *>(QStringLiteral("findText"));
        QVERIFY(edit->hasFocus());
        view->takeFocus();
        QVERIFY(edit->hasFocus());
    }
};

ZENQ_TEST_CLASS(TraceViewTest);
#include "TraceViewTest.moc"
