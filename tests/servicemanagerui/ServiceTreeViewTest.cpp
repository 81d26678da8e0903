// The service tree control on the offscreen platform: columns and their stored layout, the keys, the
// in-place rename, and the view following the model's expansion and focus.
#include "../servicemanager/ServiceManagerTestSupport.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "framework/ZenqRegistry.h"
#include "servicemanager/ServiceOperations.h"
#include "servicemanager/ServiceTree.h"
#include "servicemanager/widgets/VSTServices.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

namespace {

} // namespace

class ServiceTreeViewTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;

private Q_SLOTS:
    void init()
    {
        ui = std::make_unique<ScopedScriptedUserInterface>();
        QFile::remove(ZenqSettingsFileName());
    }
    void cleanup() { ui.reset(); }

    void columnsAndTheirStoredLayout()
    {
        ZENQ_FRESH_DEMO(demo);
        {
            TZenqServiceTreeView view;
            QHeaderView *header = view.header();
            QVERIFY(header->sectionsMovable());
            QCOMPARE(header->sectionResizeMode(0), QHeaderView::Interactive);
            QList<int> widths;
            for (int column = 0; column < 6; ++column)
                widths << header->sectionSize(column);
            QCOMPARE(widths, (QList<int> { 250, 110, 200, 165, 120, 200 }));
            view.readColumnSettings(); // nothing stored: nothing moves
            QCOMPARE(header->visualIndex(5), 5);
            header->moveSection(5, 0);
            header->resizeSection(2, 77);
            view.writeColumnSettings();
        }
        QCOMPARE(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("VSTServicesColumnPosition5"), -1), 0);
        QCOMPARE(JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("VSTServicesColumnWidth2"), -1), 77);
        TZenqServiceTreeView view;
        view.readColumnSettings();
        QCOMPARE(view.header()->visualIndex(5), 0);
        QCOMPARE(view.header()->visualIndex(0), 1);
        QCOMPARE(view.header()->sectionSize(2), 77);
    }

    void viewFollowsTheModelAndTheKeys()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceTreeView view;
        view.resize(800, 400);
        view.show();
        TServiceTree &tree = view.tree();
        tree.BuildTree(QStringLiteral("Orders"), QString(), false);
        const QModelIndex orders = tree.FindNodeByName(QStringLiteral("Orders"));
        QCOMPARE(view.currentIndex().siblingAtColumn(0), orders);
        QVERIFY(view.isExpanded(tree.FindNodeByName(QStringLiteral("Sales"))));

        const QModelIndex sales = tree.FindNodeByName(QStringLiteral("Sales"));
        view.setCurrentIndex(sales);
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("Sales"));
        QTest::keyClick(&view, Qt::Key_Return);
        QVERIFY2(!view.isExpanded(sales) && !tree.isExpanded(sales), "Enter collapses an expanded node");
        QTest::keyClick(&view, Qt::Key_Return);
        QVERIFY(view.isExpanded(sales) && tree.isExpanded(sales));

        QTest::keyClick(&view, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(view.operations().clipboardNode(), QModelIndex(sales));
        QVERIFY(!view.operations().clipboardIsCopy());
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(view.operations().clipboardIsCopy());

        view.setCurrentIndex(tree.FindNodeByName(QStringLiteral("ZenqKernel")));
        QTest::keyClick(&view, Qt::Key_F2);
        QVERIFY2(!view.findChild<QLineEdit *>(), "not removeable: no in-place editor");
        view.grab(); // paints gray columns, bold folders and the rounded selection without complaint
    }

    void inPlaceRenameEndToEnd()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceTreeView view;
        view.resize(800, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.tree().BuildTree(QStringLiteral("Invoices"), QString(), false);
        view.operations().MENURenameZenqApplicationClick();
        auto *editor = view.findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Billing"));
        QCOMPARE(editor->text(), QStringLiteral("Billing"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor commits queued, the rename runs from the idle processing after that.
        QTRY_VERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Billing.Zenqc"))));
        QTRY_VERIFY(!view.operations().deferredStepPending());
        QCOMPARE(view.tree().focusedRecord()->Name, QStringLiteral("Billing"));
        QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("Billing"));
        QVERIFY(view.updatesEnabled());
        QVERIFY2((*ui)->messages.isEmpty(), qPrintable((*ui)->messages.join(QLatin1Char('\n'))));
    }
};

ZENQ_TEST_CLASS(ServiceTreeViewTest);
#include "ServiceTreeViewTest.moc"
