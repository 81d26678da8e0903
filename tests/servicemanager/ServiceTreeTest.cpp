// The service tree built from the demo installation: hierarchy and order, columns, focus by name, and
// what a refresh keeps.
#include "ServiceManagerTestSupport.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "framework/ZenqFiles.h"
#include "servicemanager/ServiceTree.h"

#include <QSignalSpy>

namespace {

// "name" per node in tree order, indented two blanks a level, "+" behind expanded nodes.
QStringList outline(const TServiceTree &tree)
{
    QStringList lines;
    for (const QModelIndex &node : tree.nodesInTreeOrder()) {
        int depth = 0;
        for (QModelIndex p = node.parent(); p.isValid(); p = p.parent())
            ++depth;
        lines << QString(2 * depth, QLatin1Char(' ')) + tree.record(node)->Name + (tree.isExpanded(node) ? QStringLiteral("+") : QString());
    }
    return lines;
}

} // namespace

class ServiceTreeTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;

private Q_SLOTS:
    void init() { ui = std::make_unique<ScopedScriptedUserInterface>(); }
    void cleanup() { ui.reset(); }

    void buildsTheHierarchyWithTheFirstNodeExpanded()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        QSignalSpy focus(&tree, &TServiceTree::focusChanged);
        tree.BuildTree(QString(), QString(), false);
        QCOMPARE(outline(tree), (QStringList { "ZenqApplications+", "  Invoices", "  Reporting", "    ReportServer",
                                               "    StockViewer", "  Sales", "    Customers", "    Orders",
                                               "    OrdersArchive", "  ZenqSystem", "    ZenqKernel",
                                               "    ZenqUserAdministration" }));
        QVERIFY2(!tree.focusedRecord(), "no stored names: nothing focused");
        QCOMPARE(focus.size(), 1); // the focus reaction runs even for no node
        QVERIFY(!focus.first().first().value<QModelIndex>().isValid());
    }

    void columnsShowTheRecord()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        tree.BuildTree(QString(), QString(), false);
        QCOMPARE(tree.columnCount(), 6);
        QStringList titles;
        for (int column = 0; column < 6; ++column)
            titles << tree.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList { "Name", "Author", "Comment", "Type", "Date Modified", "Projectgroup" }));
        const QModelIndex orders = tree.FindNodeByName(QStringLiteral("Orders"));
        const TServiceNodeData *record = tree.record(orders);
        QVERIFY(record->IsService);
        QVERIFY(!record->IsFolder);
        QCOMPARE(record->ZenqFile, FreshDemo::bin(QStringLiteral("Orders.Zenq")));
        QVERIFY2(!record->ProjectGroup.isEmpty() && !record->ProjectGroup.contains(QLatin1Char('.'))
                     && !record->ProjectGroup.contains(QLatin1Char('/')),
                 "the project group's bare name");
        QCOMPARE(tree.data(orders.siblingAtColumn(5)).toString(), record->ProjectGroup);
        QCOMPARE(tree.data(orders.siblingAtColumn(3)).toString(), record->ServiceType);
        const QModelIndex sales = tree.FindNodeByName(QStringLiteral("Sales"));
        QVERIFY(tree.data(sales, TServiceTree::IsFolderRole).toBool());
        QVERIFY2(tree.data(sales.siblingAtColumn(5)).toString().isEmpty(), "a folder is in no project group");
    }

    void selectsByNameThenByParent_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("focused");
        QTest::newRow("the node") << "Orders" << "Sales" << "Orders";
        QTest::newRow("gone: its parent") << "Gone" << "Sales" << "Sales";
        QTest::newRow("names compare exactly") << "orders" << "" << "";
        QTest::newRow("neither") << "Gone" << "AlsoGone" << "";
    }
    void selectsByNameThenByParent()
    {
        QFETCH(QString, focus);
        QFETCH(QString, parent);
        QFETCH(QString, focused);
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        tree.BuildTree(focus, parent, false);
        QCOMPARE(tree.focusedRecord() ? tree.focusedRecord()->Name : QString(), focused);
        if (!focused.isEmpty()) {
            const QModelIndex node = tree.focusedNode();
            QVERIFY2(tree.isExpanded(node) && tree.isExpanded(node.parent().isValid() ? node.parent() : node),
                     "the focused node and its ancestors are expanded");
        }
    }

    void refreshKeepsExpansionAndFocusByName()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        tree.BuildTree(QStringLiteral("Orders"), QString(), false);
        tree.setExpanded(tree.FindNodeByName(QStringLiteral("ZenqSystem")), true);
        tree.setExpanded(tree.FindNodeByName(QStringLiteral("ZenqApplications")), false); // expanded again by every build
        int forgotten = 0;
        tree.forgetNodes = [&forgotten] { ++forgotten; };
        QVERIFY(JRenameFile(FreshDemo::bin(QStringLiteral("Invoices.Zenq")), FreshDemo::bin(QStringLiteral("Billing.Zenq"))));
        QVERIFY(JRenameFile(FreshDemo::bin(QStringLiteral("Invoices.Zenqc")), FreshDemo::bin(QStringLiteral("Billing.Zenqc"))));
        tree.RefreshTree();
        QCOMPARE(forgotten, 1);
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("Orders"));
        QCOMPARE(outline(tree), (QStringList { "ZenqApplications+", "  Billing", "  Reporting", "    ReportServer",
                                               "    StockViewer", "  Sales+", "    Customers", "    Orders+",
                                               "    OrdersArchive", "  ZenqSystem+", "    ZenqKernel",
                                               "    ZenqUserAdministration" }));
        QCOMPARE((*ui)->waitDepth, 0);

        // The focused node gone (deleted outside): its parent is focused.
        for (const char *file : { "Orders.Zenq", "Orders.Zenqc" })
            QVERIFY(JDeleteFile(FreshDemo::bin(QLatin1String(file))));
        tree.RefreshTree();
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("Sales"));
        tree.RefreshTree(QStringLiteral("StockViewer"));
        QCOMPARE(tree.GetFocusedNames(), (std::pair { QStringLiteral("StockViewer"), QStringLiteral("Reporting") }));
    }
};

ZENQ_TEST_CLASS(ServiceTreeTest);
#include "ServiceTreeTest.moc"
