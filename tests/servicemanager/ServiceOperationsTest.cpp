// The service tree's commands on a fresh demo installation: predicates, new folders, cut and paste,
// rename with its refusals and warning, delete with its questions, the editors, and the requests that
// reach nobody when no engine runs.
#include "ServiceManagerTestSupport.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqXmlFile.h"
#include "intercom/ZenqEngineStandIn.h"
#include "servicemanager/ServiceOperations.h"
#include "servicemanager/ServiceTree.h"

#include <QSignalSpy>
#include <QSqlQuery>

namespace {

QString parentOf(const TServiceTree &tree, const QString &name)
{
    const QModelIndex node = tree.FindNodeByName(name);
    return node.parent().isValid() ? tree.record(node.parent())->Name : QString();
}

void setConfirmRemove(const QString &value)
{
    const QString file = JMakeFileName(ZenqGetFrameworkConfigsDir(), QStringLiteral("ZenqFramework.Zenqc"));
    bool missing = false;
    QVERIFY(JChangeXMLFileEx(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), QStringLiteral("ConfirmRemoveOfApps"),
                             value, &missing));
    if (missing)
        QVERIFY(JChangeXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), { QStringLiteral("</Zenq>") },
                               { QStringLiteral("<ConfirmRemoveOfApps Value=\"%1\"/></Zenq>").arg(value) },
                               ZenqTextChangeOption::KeepFileType));
    ZenqConfigCacheClear();
    QCOMPARE(ZenqFile_ReadSimpleBoolean(QStringLiteral("ZenqFramework"), QStringLiteral("ConfirmRemoveOfApps"), true),
             value == QLatin1String("1"));
}

int rowsOf(const QString &table, const QString &application)
{
    QSqlDatabase db = ZenqOpenDocAndTestDatabase(QStringLiteral("ServiceOperationsTest"));
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE APPNAME_ = ?").arg(table));
    query.addBindValue(application);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}

} // namespace

class ServiceOperationsTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScopedScriptedUserInterface> ui;

    void focus(TServiceTree &tree, const QString &name)
    {
        tree.SelectNodeByName(name, QString());
        QVERIFY(tree.focusedRecord());
        QCOMPARE(tree.focusedRecord()->Name, name);
    }

private Q_SLOTS:
    void init() { ui = std::make_unique<ScopedScriptedUserInterface>(); }
    void cleanup()
    {
        ui.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("ServiceOperationsTest"));
    }

    void predicates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("removeable");
        QTest::addColumn<bool>("withFiles");
        QTest::addColumn<QString>("expected"); // cut, rename, delete as "CRD" / "-"
        QTest::newRow("service") << "Orders" << false << true << true << "CRD";
        QTest::newRow("not removeable") << "ZenqKernel" << false << false << true << "C--";
        QTest::newRow("root folder") << "ZenqApplications" << true << true << true << "--D";
        QTest::newRow("root, other case") << "zenqAPPLICATIONS" << true << true << true << "--D";
        QTest::newRow("a service named like the root") << "ZENQAPPLICATIONS" << false << true << true << "-RD";
        QTest::newRow("no files") << "Ghost" << false << true << false << "C-D";
    }
    void predicates()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(bool, removeable);
        QFETCH(bool, withFiles);
        QFETCH(QString, expected);
        TServiceNodeData record;
        record.Name = name;
        record.IsFolder = folder;
        record.IsRemoveableFromConsole = removeable;
        if (withFiles)
            record.ZenqcFile = name + QStringLiteral(".Zenqc");
        const QString found = QString(TServiceOperations::CanCut(&record) ? QLatin1Char('C') : QLatin1Char('-'))
                              + (TServiceOperations::CanRename(&record) ? QLatin1Char('R') : QLatin1Char('-'))
                              + (TServiceOperations::CanDelete(&record) ? QLatin1Char('D') : QLatin1Char('-'));
        QCOMPARE(found, expected);
        QVERIFY(!TServiceOperations::CanCut(nullptr) && !TServiceOperations::CanRename(nullptr) && !TServiceOperations::CanDelete(nullptr));
    }

    void newFoldersAreNumberedAcrossTheInstallation()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        QSignalSpy editing(&operations, &TServiceOperations::startEditing);
        tree.BuildTree(QStringLiteral("Sales"), QString(), false);
        operations.MENUNewFolderClick();
        focus(tree, QStringLiteral("Reporting"));
        operations.MENUNewFolderClick();
        QCOMPARE(parentOf(tree, QStringLiteral("New Zenq-Folder")), QStringLiteral("Sales"));
        QCOMPARE(parentOf(tree, QStringLiteral("New Zenq-Folder(2)")), QStringLiteral("Reporting"));
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("New Zenq-Folder(2)"));
        QVERIFY(tree.focusedRecord()->IsFolder);
        QCOMPARE(editing.size(), 2); // the user types the wanted name at once
        QCOMPARE(JGetTypeOfXMLFile(FreshDemo::bin(QStringLiteral("New Zenq-Folder.Zenqc"))), int(ZenqXMLFileEncrypted));
    }

    void cutAndPasteMovesAfterTheEvent()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Orders"), QString(), false);
        operations.MENUCutClick();
        focus(tree, QStringLiteral("Reporting"));
        operations.MENUPasteClick();
        QVERIFY2(operations.deferredStepPending(), "the move waits for the idle processing");
        QCOMPARE(parentOf(tree, QStringLiteral("Orders")), QStringLiteral("Sales"));
        QTRY_VERIFY(!operations.deferredStepPending());
        QCOMPARE(parentOf(tree, QStringLiteral("Orders")), QStringLiteral("Reporting"));
        QVERIFY2(!operations.clipboardNode().isValid(), "a paste consumes the mark");
        QVERIFY((*ui)->messages.isEmpty());
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void pasteRefusals()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Sales"), QString(), false);
        operations.MENUCutClick();
        QVERIFY2(!operations.CanPaste(operations.clipboardNode(), false, tree.focusedNode()), "onto itself");
        QVERIFY2(operations.CanPaste(operations.clipboardNode(), true, tree.focusedNode()), "a copy onto itself is allowed");
        focus(tree, QStringLiteral("Orders"));
        operations.MENUPasteClick();
        QCOMPARE((*ui)->messages, QStringList { "Cannot move Sales: The destination is a sub-application of the source" });
        QCOMPARE((*ui)->captions, QStringList { "Error" });
        QVERIFY(!operations.deferredStepPending());

        focus(tree, QStringLiteral("ZenqApplications"));
        operations.MENUCutClick();
        QVERIFY2(!operations.clipboardNode().isValid(), "the root cannot be cut");
        QVERIFY2(!operations.VSTServicesDragOver(tree.FindNodeByName(QStringLiteral("Sales")), false), "nor dragged without Ctrl");
        operations.MENUCopyClick();
        focus(tree, QStringLiteral("Sales"));
        operations.MENUPasteClick(); // a top-level node has no parent record: nothing happens
        QVERIFY(!operations.deferredStepPending());

        focus(tree, QStringLiteral("Orders"));
        operations.MENUCopyClick();
        focus(tree, QStringLiteral("Reporting"));
        operations.MENUPasteClick();
        QTRY_VERIFY(!operations.deferredStepPending());
        QCOMPARE((*ui)->messages.last(), QStringLiteral("Not yet implemented"));
        QCOMPARE(parentOf(tree, QStringLiteral("Orders")), QStringLiteral("Sales"));
    }

    void renameRunsDeferredAndFocusesTheNewName()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        QSignalSpy bracket(&operations, &TServiceOperations::updateBracket);
        tree.BuildTree(QStringLiteral("Orders"), QString(), false);
        QVERIFY(tree.flags(tree.focusedNode()) & Qt::ItemIsEditable);
        QVERIFY(!(tree.flags(tree.FindNodeByName(QStringLiteral("ZenqKernel"))) & Qt::ItemIsEditable));
        QVERIFY(tree.setData(tree.focusedNode(), QStringLiteral("Bestellungen")));
        QVERIFY(operations.deferredStepPending());
        QTRY_VERIFY(!operations.deferredStepPending());
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("Bestellungen"));
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Bestellungen.Zenq"))));
        QVERIFY(!JFileExists(FreshDemo::bin(QStringLiteral("Orders.Zenq"))));
        QCOMPARE(rowsOf(QStringLiteral("D_XMLBEHAVIOUR"), QStringLiteral("Orders")), 0);
        QVERIFY(rowsOf(QStringLiteral("D_XMLBEHAVIOUR"), QStringLiteral("Bestellungen")) > 0);
        QCOMPARE(bracket.size(), 2);
        QCOMPARE(bracket.at(0).first().toBool(), true);
        QCOMPARE(bracket.at(1).first().toBool(), false);
        QVERIFY2((*ui)->messages.isEmpty(), qPrintable((*ui)->messages.join(QLatin1Char('\n'))));
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void renameRefusalsTouchNothing_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("used by another application") << "Customers";
        QTest::newRow("used, other case") << "customers";
        QTest::newRow("not a file name") << "Or/ders";
    }
    void renameRefusalsTouchNothing()
    {
        QFETCH(QString, newName);
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Orders"), QString(), false);
        operations.VSTServicesNewText(tree.focusedNode(), newName);
        QTRY_VERIFY(!operations.deferredStepPending());
        QCOMPARE((*ui)->messages.size(), 1);
        QCOMPARE((*ui)->captions, QStringList { "Error" });
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Orders.Zenq"))));
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Customers.Zenqc"))));
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("Orders"));
    }

    void renameWarnsWhenTheSourceDirectoryStays()
    {
        ZENQ_FRESH_DEMO(demo);
        // Something already holds the new source directory's name.
        const QString blocking = JMakeFileName(ZenqGetApplicationsSourceDir(), QStringLiteral("Bestellungen"));
        QVERIFY(JMakeDir(blocking));
        const QString blocker = JMakeFileName(blocking, QStringLiteral("notes.txt"));
        QVERIFY(JSaveToFileS(blocker, QStringLiteral("keep"), 1));
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Orders"), QString(), false);
        operations.VSTServicesNewText(tree.focusedNode(), QStringLiteral("Bestellungen"));
        QTRY_VERIFY(!operations.deferredStepPending());
        QCOMPARE((*ui)->messages, QStringList { "The source directory \"Orders\" has to be renamed manually." });
        QCOMPARE((*ui)->captions, QStringList { "Warning" });
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Bestellungen.Zenq"))));
    }

    void deleteAsksAndRemovesTheSubtree_data()
    {
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("questions");
        QTest::newRow("a folder is always confirmed")
            << "0" << "Sales" << QStringList { "Do you really want to delete 'Sales' and all of it's applications?" };
        QTest::newRow("no question for a single node") << "0" << "Invoices" << QStringList {};
        QTest::newRow("the setting asks for each") << "1" << "Invoices" << QStringList { "Do you really want to delete 'Invoices'?" };
    }
    void deleteAsksAndRemovesTheSubtree()
    {
        QFETCH(QString, confirm);
        QFETCH(QString, name);
        QFETCH(QStringList, questions);
        ZENQ_FRESH_DEMO(demo);
        setConfirmRemove(confirm);
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(name, QString(), false);
        const QList<QModelIndex> subtree = tree.nodesInTreeOrder(tree.focusedNode());
        QStringList names;
        for (const QModelIndex &node : subtree)
            names << tree.record(node)->Name;
        if (!questions.isEmpty()) {
            (*ui)->messageAnswer = JMessageResult::Cancel;
            operations.MENUDeleteZenqApplicationClick();
            QCOMPARE((*ui)->messages, questions);
            QVERIFY(JFileExists(FreshDemo::bin(name + QStringLiteral(".Zenqc"))));
            (*ui)->messageAnswer = JMessageResult::Ok;
        }
        operations.MENUDeleteZenqApplicationClick();
        for (const QString &gone : std::as_const(names)) {
            QVERIFY2(!tree.FindNodeByName(gone).isValid(), qPrintable(gone));
            QVERIFY(!JFileExists(FreshDemo::bin(gone + QStringLiteral(".Zenqc"))));
            QCOMPARE(rowsOf(QStringLiteral("D_TESTS"), gone), 0);
        }
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("ZenqApplications"));
    }

    void aRefreshWhileTheDeleteQuestionIsOpenDeletesTheNodeByItsName()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Sales"), QString(), false);
        // A parameter change handled while the box is open rebuilds the tree under the question.
        (*ui)->whileShown = [&tree] { tree.RefreshTree(); };
        operations.MENUDeleteZenqApplicationClick();
        (*ui)->whileShown = nullptr;
        QCOMPARE((*ui)->messages.size(), 1);
        for (const QString gone : { "Sales", "Customers", "Orders", "OrdersArchive" }) {
            QVERIFY2(!tree.FindNodeByName(gone).isValid(), qPrintable(gone));
            QVERIFY(!JFileExists(FreshDemo::bin(gone + QStringLiteral(".Zenqc"))));
        }
        QVERIFY(JFileExists(FreshDemo::bin(QStringLiteral("Invoices.Zenqc"))));
    }

    void aDatabaseErrorEndsTheDeleteAndReachesTheCaller()
    {
        ZENQ_FRESH_DEMO(demo);
        setConfirmRemove(QStringLiteral("0"));
        {
            QSqlDatabase db = ZenqOpenDocAndTestDatabase(QStringLiteral("ServiceOperationsTest"));
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("DROP TABLE D_TESTS")));
        }
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Sales"), QString(), false);
        QVERIFY_THROWS_EXCEPTION(std::exception, operations.MENUDeleteZenqApplicationClick());
        QVERIFY2(!JFileExists(FreshDemo::bin(QStringLiteral("Sales.Zenqc"))), "the folder's files went first");
        QVERIFY2(!JFileExists(FreshDemo::bin(QStringLiteral("Customers.Zenqc"))), "then the first service's files");
        QVERIFY2(JFileExists(FreshDemo::bin(QStringLiteral("Orders.Zenqc"))), "the nodes after the error stay");
        QVERIFY2(tree.FindNodeByName(QStringLiteral("Orders")).isValid(), "the tree was refreshed");
        QVERIFY(!tree.FindNodeByName(QStringLiteral("Customers")).isValid());
    }

    void editorsAndEngineRequests()
    {
        ZENQ_FRESH_DEMO(demo);
        TServiceTree tree;
        TServiceOperations operations(tree);
        QList<QStringList> started;
        operations.startProgram = [&started](const QString &program, const QStringList &arguments) {
            started << (QStringList { program } + arguments);
            return true;
        };
        tree.BuildTree(QStringLiteral("Customers"), QString(), false); // its configuration is encrypted
        operations.MENUEditZenqClick();
        operations.MENUEditZenqcClick();
        focus(tree, QStringLiteral("Orders"));
        operations.MENUEditZenqcClick();
        QCOMPARE((*ui)->openedWithDesktop,
                 (QStringList { FreshDemo::bin(QStringLiteral("Customers.Zenq")), FreshDemo::bin(QStringLiteral("Orders.Zenqc")) }));
        QCOMPARE(started, (QList<QStringList> { { FreshDemo::bin(QStringLiteral("ZenqCryptEditor.exe")),
                                                  FreshDemo::bin(QStringLiteral("Customers.Zenqc")), QStringLiteral("-integrated") } }));

        // No engine runs: the requests reach nobody, a new application keeps the focus.
        operations.MENUNewZenqApplicationClick();
        operations.MENUCompileClick();
        operations.MENUEditProjectClick();
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("Orders"));
        QVERIFY((*ui)->messages.isEmpty());
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void newApplicationsComeFromTheEngine()
    {
        ZENQ_FRESH_DEMO(demo);
        ZenqEngineStandIn engine;
        QString error;
        QVERIFY2(engine.open(&error), qPrintable(error));
        TServiceTree tree;
        TServiceOperations operations(tree);
        tree.BuildTree(QStringLiteral("Sales"), QString(), false);
        operations.MENUNewZenqApplicationClick();
        QCOMPARE(tree.focusedRecord()->Name, QStringLiteral("New Zenq-Application"));
        QCOMPARE(tree.GetFocusedNames().second, QStringLiteral("Sales"));
        QVERIFY(tree.focusedRecord()->IsService);
        focus(tree, QStringLiteral("Reporting"));
        operations.MENUNewZenqWindowsExeClick();
        QCOMPARE(tree.GetFocusedNames(), (std::pair { QStringLiteral("New Zenq-Program"), QStringLiteral("Reporting") }));
        QVERIFY(!tree.focusedRecord()->IsService);
        QVERIFY((*ui)->messages.isEmpty());
    }
};

ZENQ_TEST_CLASS(ServiceOperationsTest);
#include "ServiceOperationsTest.moc"
