// The service manager window on the offscreen platform: settings kept between openings, the popup's
// enabled states, the popup request, the three states of the grid areas, and the sample delete.
#include "../servicemanager/ServiceManagerTestSupport.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestMain.h"

#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqRegistry.h"
#include "intercom/ZenqEngineStandIn.h"
#include "servicemanager/DocAndTestGrid.h"
#include "servicemanager/ServiceOperations.h"
#include "servicemanager/ServiceTree.h"
#include "servicemanager/widgets/DocAndTestGridView.h"
#include "servicemanager/widgets/VSTServices.h"
#include "servicemanager/widgets/ZenqServiceManager_Form.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

namespace {

// The window's stored settings, value name → value.
QMap<QString, QString> storedSettings()
{
    QMap<QString, QString> values;
    for (const QString &name : JGetRegistryValueNames(ZenqConsoleRegistryKey))
        values.insert(name, JGetRegistryString(ZenqConsoleRegistryKey, name));
    return values;
}

QStringList enabledEntries(QMenu *menu)
{
    QStringList names;
    for (QAction *action : menu->findChildren<QAction *>())
        if (!action->objectName().isEmpty() && action->isEnabled())
            names << action->objectName();
    names.sort();
    return names;
}

} // namespace

class ServiceManagerFormTest : public QObject
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

    void escapeAndCloseStoreTheSame()
    {
        ZENQ_FRESH_DEMO(demo);
        QMap<QString, QString> stored[2];
        for (int way = 0; way < 2; ++way) {
            QFile::remove(ZenqSettingsFileName());
            bool destroyed = false;
            auto *form = new TZenqServiceManager_Form([&destroyed](TZenqServiceManager_Form *) { destroyed = true; });
            form->show();
            form->tree().SelectNodeByName(QStringLiteral("Orders"), QString());
            if (way == 0)
                QTest::keyClick(form->services(), Qt::Key_Escape);
            else
                static_cast<QPushButton *>(form->control(QStringLiteral("ButtonClose")))->click();
            QTRY_VERIFY(destroyed);
            stored[way] = storedSettings();
        }
        QCOMPARE(stored[0], stored[1]);
        QCOMPARE(stored[0].value(QStringLiteral("LastSelectedService")), QStringLiteral("Orders"));
        QCOMPARE(stored[0].value(QStringLiteral("LastSelectedServiceParent")), QStringLiteral("Sales"));
        for (const char *name : { "TntPanelApplications", "TntPanelXMLBehaviour", "VSTServicesColumnWidth0",
                                  "VSTServicesColumnPosition5", "DBGridXMLBehaviour", "DBGridTests" })
            QVERIFY2(stored[0].contains(QLatin1String(name)), name);

        // The next opening finds the node again; a top-level node is stored without a parent.
        TZenqServiceManager_Form form;
        QCOMPARE(form.tree().focusedRecord()->Name, QStringLiteral("Orders"));
        QCOMPARE(form.statusText(0), QStringLiteral("Orders"));
        form.tree().SelectNodeByName(QStringLiteral("ZenqApplications"), QString());
        form.close();
        QCOMPARE(JGetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("LastSelectedServiceParent"), QStringLiteral("x")), QString());
    }

    void showServiceManagerKeepsTheCallback()
    {
        ZENQ_FRESH_DEMO(demo);
        bool called = false;
        TZenqServiceManager_Form *form = ShowServiceManager(true, [&called](TZenqServiceManager_Form *) { called = true; });
        QVERIFY(form->isVisible());
        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form->windowTitle(), QStringLiteral("Zenq - Service Manager"));
        form->close();
        QTRY_VERIFY(called);
    }

    void popupEntriesFollowTheFocusedNode_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<bool>("engine");
        QTest::addColumn<QStringList>("disabled");
        const QStringList needsEngine { "MENUBuild", "MENUBuildAll", "MENUCompile", "MENUCompileAll", "MENUEditProject",
                                        "MENUNewZenqApplication", "MENUNewZenqWindowsExe" };
        QTest::newRow("root folder") << "ZenqApplications" << true
                                     << QStringList { "MENUBuild", "MENUCompile", "MENUCut", "MENUDeleteZenqApplication",
                                                      "MENUEditProject", "MENUPaste", "MENURenameZenqApplication" };
        QTest::newRow("folder") << "Sales" << true << QStringList { "MENUBuild", "MENUCompile", "MENUEditProject", "MENUPaste" };
        QTest::newRow("service") << "Orders" << true << QStringList { "MENUPaste" };
        QTest::newRow("not removeable") << "ZenqKernel" << true
                                        << QStringList { "MENUDeleteZenqApplication", "MENUPaste", "MENURenameZenqApplication" };
        QTest::newRow("service without engine") << "Orders" << false << (QStringList { "MENUPaste" } + needsEngine);
    }
    void popupEntriesFollowTheFocusedNode()
    {
        QFETCH(QString, node);
        QFETCH(bool, engine);
        QFETCH(QStringList, disabled);
        ZENQ_FRESH_DEMO(demo);
        std::unique_ptr<ZenqEngineStandIn> standIn;
        if (engine) {
            standIn = std::make_unique<ZenqEngineStandIn>();
            QVERIFY(standIn->open());
        }
        TZenqServiceManager_Form form;
        form.tree().SelectNodeByName(node, QString());
        form.VSTPopupMenuPopup();
        QStringList all;
        for (QAction *action : form.popupMenu()->findChildren<QAction *>())
            if (!action->objectName().isEmpty())
                all << action->objectName();
        QStringList expected;
        for (const QString &name : std::as_const(all))
            if (!disabled.contains(name))
                expected << name;
        expected.sort();
        QCOMPARE(enabledEntries(form.popupMenu()), expected);
    }

    void popupRequestFocusesTheNodeFirst()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.resize(900, 700);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.tree().SelectNodeByName(QStringLiteral("Sales"), QString());
        TZenqServiceTreeView *view = form.services();
        view->collapseAll(); // one row left: the rest of the viewport is empty space
        form.VSTServicesGetPopupMenu(QPoint(5, view->viewport()->height() - 2)); // empty space
        QVERIFY(!form.popupMenu()->isVisible());
        QCOMPARE(form.tree().focusedRecord()->Name, QStringLiteral("Sales"));
        view->expandAll();
        const QRect orders = view->visualRect(form.tree().FindNodeByName(QStringLiteral("Orders")));
        QVERIFY(orders.isValid());
        form.VSTServicesGetPopupMenu(orders.center());
        QCOMPARE(form.tree().focusedRecord()->Name, QStringLiteral("Orders"));
        QCOMPARE(form.statusText(0), QStringLiteral("Orders"));
        QTRY_VERIFY(form.popupMenu()->isVisible());
        form.popupMenu()->close();
    }

    void gridAreasShowTheThreeStates()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.show();
        const auto page = [&form](const char *area) {
            return static_cast<QStackedWidget *>(form.control(QLatin1String(area)))->currentWidget()->objectName();
        };
        QCOMPARE(page("PanelXMLBehaviour"), QStringLiteral("LabelNoServiceXMLBehaviour")); // nothing focused
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        QCOMPARE(page("PanelXMLBehaviour"), QStringLiteral("DBGridXMLBehaviour"));
        QCOMPARE(page("PanelTests"), QStringLiteral("DBGridTests"));
        QVERIFY(form.samples()->rowCount() > 0);
        QVERIFY(form.control(QStringLiteral("LabelRun"))->isEnabled());
        form.tree().SelectNodeByName(QStringLiteral("Sales"), QString());
        QCOMPARE(page("PanelTests"), QStringLiteral("LabelNoServiceTests"));
        QVERIFY(!form.samples()->isOpen());
        QVERIFY(!form.control(QStringLiteral("LabelRun"))->isEnabled());

        {
            QSqlDatabase db = form.database();
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("DROP TABLE D_XMLBEHAVIOUR")));
        }
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        QCOMPARE(page("PanelXMLBehaviour"), QStringLiteral("LabelXMLBehaviourNotFound"));
        QCOMPARE(page("PanelTests"), QStringLiteral("LabelTestsNotFound"));
        QVERIFY(!form.control(QStringLiteral("LabelExportDocumentation"))->isEnabled());
        QVERIFY((*ui)->messages.isEmpty());
    }

    void sampleDeleteKeepsTheServiceFocused()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        TDocAndTestTableModel *samples = form.samples();
        const int before = samples->rowCount();
        const QString name = samples->storedText(0, samples->columnOf(QStringLiteral("SAMPLENAME_")));
        form.DataSetXMLBehaviourBeforeDelete(0);
        QCOMPARE(form.tree().focusedRecord()->Name, QStringLiteral("Orders"));
        QCOMPARE(samples->rowCount(), before - 1);
        for (int row = 0; row < samples->rowCount(); ++row)
            QVERIFY(samples->storedText(row, samples->columnOf(QStringLiteral("SAMPLENAME_"))) != name);
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void removeAllGeneratedSamplesReportsItsCount()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        const int before = form.samples()->rowCount();
        form.LabelRemoveAllXMLClick();
        QCOMPARE((*ui)->messages.size(), 1);
        QVERIFY2((*ui)->messages.first().startsWith(QStringLiteral("Removing all generated XML finished. ")), qPrintable((*ui)->messages.first()));
        QVERIFY((*ui)->messages.first().endsWith(QStringLiteral(" records removed.")));
        QCOMPARE(form.tree().focusedRecord()->Name, QStringLiteral("Orders"));
        QVERIFY2(form.samples()->rowCount() < before, "the grid was reloaded without the generated samples");
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void exportWritesThePageAndOpensIt()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        form.LabelExportDocumentationClick();
        QVERIFY2((*ui)->messages.isEmpty(), qPrintable((*ui)->messages.join(QLatin1Char('\n'))));
        QCOMPARE((*ui)->openedWithDesktop.size(), 1);
        QFile page((*ui)->openedWithDesktop.first());
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        page.close();
        page.remove();
        QVERIFY(html.contains(QStringLiteral("Orders")));
        QVERIFY(html.trimmed().endsWith(QStringLiteral("</html>")));
        QVERIFY2(form.samples()->isOpen(), "the grids show the focused service again");
        QVERIFY(!form.samplesGrid()->suspendLayouts);
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void aCloseQueuedDuringAnExportWaitsForThePage()
    {
        ZENQ_FRESH_DEMO(demo);
        QPointer<TZenqServiceManager_Form> form = new TZenqServiceManager_Form;
        form->show();
        form->tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        // Queued as a click on the title bar's close would be; it must not run while the export walks the
        // window's tree (the progress display once let it in and freed the window under the export).
        QTimer::singleShot(0, form, [form] { form->close(); });
        form->LabelExportDocumentationClick();
        QCOMPARE((*ui)->openedWithDesktop.size(), 1);
        QFile::remove((*ui)->openedWithDesktop.first());
        QCOMPARE((*ui)->waitDepth, 0);
        QTRY_VERIFY(form.isNull());
    }

    void failedRemovalBeforeTheExportIsReportedAndTheGridsComeBack()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        {
            QSqlDatabase db = form.database();
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TRIGGER locked BEFORE DELETE ON D_XMLBEHAVIOUR "
                                                      "BEGIN SELECT RAISE(ABORT, 'locked'); END")));
        }
        form.LabelExportDocumentationClick();
        QCOMPARE((*ui)->messages.size(), 1);
        QVERIFY2((*ui)->messages.first().contains(QStringLiteral("locked")), qPrintable((*ui)->messages.first()));
        QVERIFY((*ui)->openedWithDesktop.isEmpty());
        QVERIFY2(form.samples()->isOpen() && form.samples()->rowCount() > 0, "the grids show the focused service again");
        QCOMPARE(form.tree().focusedRecord()->Name, QStringLiteral("Orders"));
        QCOMPARE((*ui)->waitDepth, 0);
    }

    void runsTheFocusedTestAgainstItsService()
    {
        ZENQ_FRESH_DEMO(demo);
        TZenqServiceManager_Form form;
        form.control(QStringLiteral("LabelRun"))->setEnabled(true);
        form.LabelRunClick(); // no service focused: nothing happens
        QCOMPARE(form.statusText(1), QString());
        form.tree().SelectNodeByName(QStringLiteral("Orders"), QString());
        QVERIFY(form.tests()->rowCount() > 0);
        for (int row = 0; row < form.tests()->rowCount(); ++row) {
            form.testsGrid()->setCurrentIndex(form.tests()->index(row, form.tests()->columnOf(QStringLiteral("TESTNAME_"))));
            form.LabelRunClick();
            QVERIFY2((*ui)->messages.isEmpty(), qPrintable((*ui)->messages.join(QLatin1Char('\n'))));
            QVERIFY2(form.statusText(1).startsWith(QStringLiteral("Elapsed Time: ")), qPrintable(form.statusText(1)));
            QVERIFY(form.statusText(1).endsWith(QStringLiteral(" msec")));
        }
        QCOMPARE((*ui)->waitDepth, 0);
    }
};

ZENQ_TEST_CLASS(ServiceManagerFormTest);
#include "ServiceManagerFormTest.moc"
