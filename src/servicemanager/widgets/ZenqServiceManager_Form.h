#pragma once
// The service manager window: the service tree above, the samples and tests of the focused service
// below, the tree's popup menu and the settings kept between openings. A top-level window of the
// console; GUI thread only.
#include <QHash>
#include <QSqlDatabase>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QPushButton;
class TDocAndTestGridView;
class TDocAndTestTableModel;
class TServiceOperations;
class TServiceTree;
class TZenqServiceTreeView;
class ZenqTestRunner;
class TZenqDocumentationExport;
struct TServiceNodeData;

class TZenqServiceManager_Form final : public QWidget
{
    Q_OBJECT
public:
    // Called with the window when it is destroyed.
    using DestroyCallback = std::function<void(TZenqServiceManager_Form *)>;

    explicit TZenqServiceManager_Form(DestroyCallback onDestroy = {}, QWidget *parent = nullptr);
    ~TZenqServiceManager_Form() override;

    TZenqServiceTreeView *services() const { return m_services; }
    TServiceTree &tree();
    TServiceOperations &operations();
    QMenu *popupMenu() const { return m_popup; }
    TDocAndTestGridView *samplesGrid() const { return m_samplesGrid; }
    TDocAndTestGridView *testsGrid() const { return m_testsGrid; }
    TDocAndTestTableModel *samples() const { return m_samples; }
    TDocAndTestTableModel *tests() const { return m_tests; }
    QStatusBar *statusBar() const { return m_statusBar; }
    // The text of status panel 0 (focused node) or 1 (elapsed time of a test run).
    QString statusText(int panel) const;
    // A control by its name ("LabelRun", "LabelNoServiceXMLBehaviour", ...).
    QWidget *control(const QString &name) const;

    // The focused node's name when it is a service, else empty.
    QString FocusedServiceName() const;
    void OpenSamples(const QString &service);
    void CloseSamples();
    void OpenTests(const QString &service);
    void CloseTests();
    void ShowTablesInstalled();
    void ShowTablesMissing();
    void SetServiceSelected(bool selected);
    void CloseGrids();
    void ResetGrids();
    // The focus reaction of the tree: status bar and grids follow the focused node.
    void VSTServicesFocusChanged(const QModelIndex &node);
    // Sets the popup entries' enabled states for the focused record (the engine is asked once).
    void VSTPopupMenuPopup();
    // The popup request over `position` of the tree's viewport: only over a node, which is focused first.
    void VSTServicesGetPopupMenu(const QPoint &position);
    void DataSetXMLBehaviourBeforeDelete(int row);
    // Runs the test of the tests grid's current row against the focused service.
    void LabelRunClick();
    void TntLabelScriptHelpClick();
    // Deletes every generated sample of the installation and says how many.
    void LabelRemoveAllXMLClick();
    // Removes similar generated samples, writes the documentation page and opens it in the browser.
    void LabelExportDocumentationClick();
    ZenqTestRunner &testRunner() { return *m_runner; }
    void ButtonCloseClick() { close(); }
    // The framework announced changed application parameters.
    Q_INVOKABLE void ParametersChanged();

    // The window's database connection (the documentation-and-test database), opened on first use.
    QSqlDatabase database();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void TntFormCreate();
    void TntFormClose();
    void buildLayout();
    void buildPopupMenu();
    QAction *popupItem(QMenu *menu, const QString &name, const QString &caption, const QKeySequence &shortcut,
                       void (TServiceOperations::*command)());
    bool openGrid(TDocAndTestTableModel *model, TDocAndTestGridView *grid, const QString &service);
    // Runs a change of the samples table with the grids closed and reopens them on the node focused
    // before, however the change ends.
    void withGridsClosed(const std::function<void()> &change);

    DestroyCallback m_onDestroy;
    std::unique_ptr<ZenqTestRunner> m_runner;
    std::unique_ptr<TZenqDocumentationExport> m_export; // keeps the location line between exports
    TZenqServiceTreeView *m_services = nullptr;
    QSplitter *m_treeSplitter = nullptr;
    QSplitter *m_gridSplitter = nullptr;
    QWidget *m_panelApplications = nullptr;
    QWidget *m_panelXMLBehaviour = nullptr;
    QStackedWidget *m_samplesArea = nullptr;
    QStackedWidget *m_testsArea = nullptr;
    TDocAndTestGridView *m_samplesGrid = nullptr;
    TDocAndTestGridView *m_testsGrid = nullptr;
    TDocAndTestTableModel *m_samples = nullptr;
    TDocAndTestTableModel *m_tests = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_statusPanels[2] = { nullptr, nullptr };
    QMenu *m_popup = nullptr;
    QHash<QString, QAction *> m_popupItems;
    QString m_connectionName;
    bool m_tablesMissing = false;
    bool m_shownOnce = false;
    bool m_closed = false;
};

// Creates the service manager window without owner, keeps the callback for its end and shows it; with
// `stayOnTop` it stays above other windows without being moved or activated.
TZenqServiceManager_Form *ShowServiceManager(bool stayOnTop, TZenqServiceManager_Form::DestroyCallback onDestroy);
