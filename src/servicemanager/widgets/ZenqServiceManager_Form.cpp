#include "ZenqServiceManager_Form.h"

#include "DocAndTestGridView.h"
#include "VSTServices.h"
#include "framework/ZenqApplications.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqUserInterface.h"
#include "framework/ZenqWindowClasses.h"
#include "servicemanager/DocAndTestGrid.h"
#include "servicemanager/ServiceOperations.h"
#include "servicemanager/ServiceTree.h"
#include "servicemanager/ZenqDocumentationExport.h"
#include "servicemanager/ZenqSampleRemoval.h"
#include "servicemanager/ZenqTestRunner.h"
#include "dialogs/ZenqMemoForm.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const QString placementName = QStringLiteral("ZenqServiceManager_Form");
const QString lastService = QStringLiteral("LastSelectedService");
const QString lastServiceParent = QStringLiteral("LastSelectedServiceParent");
constexpr int defaultPanelHeight = 126;

// The pages of a grid area: the grid, the "No Service" label, the red label of missing tables.
enum AreaPage { GridPage = 0, NoServicePage = 1, MissingPage = 2 };

// A label that acts as a command, as the window's footer and title bars have them.
class CommandLabel final : public QLabel
{
public:
    CommandLabel(const QString &name, const QString &text, QWidget *parent, std::function<void()> command)
        : QLabel(text, parent), m_command(std::move(command))
    {
        setObjectName(name);
        setCursor(Qt::PointingHandCursor);
        QFont underlined = font();
        underlined.setUnderline(true);
        setFont(underlined);
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (isEnabled() && m_command)
            m_command();
    }

private:
    std::function<void()> m_command;
};

QWidget *panel(const QString &name, QWidget *parent)
{
    auto *widget = new QWidget(parent);
    widget->setObjectName(name);
    return widget;
}

QSplitter *splitter(const QString &name, QWidget *parent)
{
    auto *s = new QSplitter(Qt::Vertical, parent);
    s->setObjectName(name);
    s->setHandleWidth(3);
    s->setOpaqueResize(true);             // live resize
    s->setChildrenCollapsible(false);     // no snapping
    s->setStyleSheet(QStringLiteral("QSplitter::handle { background: gray; }"));
    return s;
}

QWidget *titleBar(const QString &name, const QString &title, QWidget *mergeData, QWidget *parent)
{
    QWidget *bar = panel(name, parent);
    bar->setFixedHeight(18);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(4, 0, 4, 0);
    auto *label = new QLabel(title, bar);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    layout->addWidget(label);
    layout->addStretch();
    layout->addWidget(mergeData);
    return bar;
}

QStackedWidget *gridArea(const QString &frameName, const QString &noServiceName, const QString &missingName,
                         TDocAndTestGridView *grid, QWidget *parent)
{
    auto *area = new QStackedWidget(parent);
    area->setObjectName(frameName);
    area->addWidget(grid);
    auto *noService = new QLabel(QStringLiteral("No Service"), area);
    noService->setObjectName(noServiceName);
    noService->setAlignment(Qt::AlignCenter);
    area->addWidget(noService);
    auto *missing = new QLabel(QStringLiteral("Tables D_XMLBEHAVIOUR / D_TESTS are not installed"), area);
    missing->setObjectName(missingName);
    missing->setAlignment(Qt::AlignCenter);
    missing->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    area->addWidget(missing);
    area->setCurrentIndex(NoServicePage);
    area->setFrameShape(QFrame::Box);
    return area;
}

} // namespace

TZenqServiceManager_Form::TZenqServiceManager_Form(DestroyCallback onDestroy, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_onDestroy(std::move(onDestroy))
    , m_runner(std::make_unique<ZenqTestRunner>())
    , m_export(std::make_unique<TZenqDocumentationExport>())
{
    m_runner->elapsedTimeChanged = [this](const QString &text) { m_statusPanels[1]->setText(text); };
    // The application's error display: the run ends at the failing line.
    m_runner->errorOccurred = [](const QString &message) {
        JUserMessage(message, static_cast<int>(JMessageFlag::IconError));
    };
    setObjectName(placementName);
    setAttribute(Qt::WA_DeleteOnClose); // the window is freed when closed
    TntFormCreate();
}

TZenqServiceManager_Form::~TZenqServiceManager_Form()
{
    if (!m_closed)
        CloseGrids();
    if (m_onDestroy)
        m_onDestroy(this);
    if (!m_connectionName.isEmpty()) {
        // The grids hold queries on the connection; they go first.
        delete m_samplesGrid;
        delete m_testsGrid;
        m_samplesGrid = m_testsGrid = nullptr;
        m_samples = m_tests = nullptr;
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

TServiceTree &TZenqServiceManager_Form::tree()
{
    return m_services->tree();
}

TServiceOperations &TZenqServiceManager_Form::operations()
{
    return m_services->operations();
}

QSqlDatabase TZenqServiceManager_Form::database()
{
    if (!m_connectionName.isEmpty()) {
        QSqlDatabase existing = QSqlDatabase::database(m_connectionName);
        if (existing.isOpen())
            return existing;
    }
    m_connectionName = QStringLiteral("ZenqServiceManager_Form-%1").arg(quintptr(this), 0, 16);
    return ZenqOpenDocAndTestDatabase(m_connectionName); // invalid when it cannot be opened: the tables are missing
}

void TZenqServiceManager_Form::buildLayout()
{
    setWindowTitle(QStringLiteral("Zenq - Service Manager"));
    setGeometry(92, 88, 858, 611);
    setFont(QFont(QStringLiteral("Arial"), 8));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    QWidget *panel1 = panel(QStringLiteral("TntPanel1"), this);
    auto *panel1Layout = new QVBoxLayout(panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    m_treeSplitter = splitter(QStringLiteral("TntSplitter1"), panel1);
    panel1Layout->addWidget(m_treeSplitter);

    m_panelApplications = panel(QStringLiteral("TntPanelApplications"), m_treeSplitter);
    auto *applicationsLayout = new QVBoxLayout(m_panelApplications);
    applicationsLayout->setContentsMargins(0, 0, 0, 0);
    m_services = new TZenqServiceTreeView(m_panelApplications);
    applicationsLayout->addWidget(m_services);

    QWidget *serviceManager = panel(QStringLiteral("TntPanelServiceManager"), m_treeSplitter);
    auto *serviceManagerLayout = new QVBoxLayout(serviceManager);
    serviceManagerLayout->setContentsMargins(0, 0, 0, 0);
    m_gridSplitter = splitter(QStringLiteral("TntSplitter2"), serviceManager);
    serviceManagerLayout->addWidget(m_gridSplitter);

    const auto notYetImplemented = [] { JUserMessage(QStringLiteral("Not yet implemented")); };
    m_panelXMLBehaviour = panel(QStringLiteral("TntPanelXMLBehaviour"), m_gridSplitter);
    auto *samplesLayout = new QVBoxLayout(m_panelXMLBehaviour);
    samplesLayout->setContentsMargins(0, 0, 0, 0);
    samplesLayout->setSpacing(0);
    samplesLayout->addWidget(titleBar(QStringLiteral("TntPanel4"), QStringLiteral("XML In- / Output - Behaviour"),
                                      new CommandLabel(QStringLiteral("TntLabelMergeDataXMLBehaviour"), QStringLiteral("Merge Data"),
                                                       this, notYetImplemented),
                                      m_panelXMLBehaviour));
    m_samplesGrid = new TDocAndTestGridView(TDocAndTestTable::XMLBehaviour, m_panelXMLBehaviour);
    m_samplesGrid->setObjectName(QStringLiteral("DBGridXMLBehaviour"));
    m_samples = &m_samplesGrid->tableModel();
    m_samplesGrid->beforeDelete = [this](int row) { DataSetXMLBehaviourBeforeDelete(row); };
    m_samplesArea = gridArea(QStringLiteral("PanelXMLBehaviour"), QStringLiteral("LabelNoServiceXMLBehaviour"),
                             QStringLiteral("LabelXMLBehaviourNotFound"), m_samplesGrid, m_panelXMLBehaviour);
    samplesLayout->addWidget(m_samplesArea);

    QWidget *testsPanel = panel(QStringLiteral("TntPanelTests"), m_gridSplitter);
    auto *testsLayout = new QVBoxLayout(testsPanel);
    testsLayout->setContentsMargins(0, 0, 0, 0);
    testsLayout->setSpacing(0);
    testsLayout->addWidget(titleBar(QStringLiteral("TntPanel7"), QStringLiteral("Tests"),
                                    new CommandLabel(QStringLiteral("TntLabel3"), QStringLiteral("Merge Data"), this,
                                                     notYetImplemented),
                                    testsPanel));
    m_testsGrid = new TDocAndTestGridView(TDocAndTestTable::Tests, testsPanel);
    m_testsGrid->setObjectName(QStringLiteral("DBGridTests"));
    m_tests = &m_testsGrid->tableModel();
    m_testsArea = gridArea(QStringLiteral("PanelTests"), QStringLiteral("LabelNoServiceTests"), QStringLiteral("LabelTestsNotFound"),
                           m_testsGrid, testsPanel);
    testsLayout->addWidget(m_testsArea);

    QWidget *footer = panel(QStringLiteral("TntPanel5"), testsPanel);
    footer->setFixedHeight(21);
    auto *footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(4, 0, 4, 0);
    footerLayout->addWidget(new CommandLabel(QStringLiteral("LabelRun"), QStringLiteral("Run"), footer, [this] { LabelRunClick(); }));
    auto *runAll = new QLabel(QStringLiteral("Run all"), footer);
    runAll->setObjectName(QStringLiteral("LabelRunAll"));
    auto *stopOnError = new QCheckBox(QStringLiteral("Stop on Error"), footer);
    stopOnError->setObjectName(QStringLiteral("CheckBoxStopOnError"));
    auto *delay = new QLabel(QStringLiteral("Delay:"), footer);
    delay->setObjectName(QStringLiteral("LabelDelay"));
    auto *trackBar = new QSlider(Qt::Horizontal, footer);
    trackBar->setObjectName(QStringLiteral("TrackBarDelay"));
    trackBar->setMaximumWidth(80);
    for (QWidget *disabled : std::initializer_list<QWidget *> { runAll, stopOnError, delay, trackBar }) {
        disabled->setEnabled(false); // offered, without behaviour yet
        footerLayout->addWidget(disabled);
    }
    footerLayout->addStretch();
    footerLayout->addWidget(new CommandLabel(QStringLiteral("TntLabelScriptHelp"), QStringLiteral("Script Mini-Help"), footer,
                                             [this] { TntLabelScriptHelpClick(); }));
    footerLayout->addWidget(new CommandLabel(QStringLiteral("LabelRemoveAllXML"), QStringLiteral("Remove all generated XML"), footer,
                                             [this] { LabelRemoveAllXMLClick(); }));
    footerLayout->addWidget(new CommandLabel(QStringLiteral("LabelExportDocumentation"), QStringLiteral("Export documentation"), footer,
                                             [this] { LabelExportDocumentationClick(); }));
    testsLayout->addWidget(footer);

    m_gridSplitter->addWidget(m_panelXMLBehaviour);
    m_gridSplitter->addWidget(testsPanel);
    m_gridSplitter->setStretchFactor(1, 1);
    m_treeSplitter->addWidget(m_panelApplications);
    m_treeSplitter->addWidget(serviceManager);
    m_treeSplitter->setStretchFactor(1, 1);
    outer->addWidget(panel1, 1);

    QWidget *buttonBar = panel(QStringLiteral("TntPanel2"), this);
    buttonBar->setFixedHeight(31);
    auto *buttonLayout = new QHBoxLayout(buttonBar);
    buttonLayout->setContentsMargins(4, 3, 4, 3);
    buttonLayout->addStretch();
    auto *close = new QPushButton(QStringLiteral("Close"), buttonBar);
    close->setObjectName(QStringLiteral("ButtonClose"));
    connect(close, &QPushButton::clicked, this, &TZenqServiceManager_Form::ButtonCloseClick);
    buttonLayout->addWidget(close);
    outer->addWidget(buttonBar);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("TntStatusBar"));
    m_statusBar->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        m_statusPanels[i] = new QLabel(m_statusBar);
        // The elapsed time may need more than its 50 pixels; it grows rather than being cut.
        if (i == 0)
            m_statusPanels[i]->setFixedWidth(200);
        else
            m_statusPanels[i]->setMinimumWidth(50);
        m_statusBar->addWidget(m_statusPanels[i]);
    }
    outer->addWidget(m_statusBar);
}

QAction *TZenqServiceManager_Form::popupItem(QMenu *menu, const QString &name, const QString &caption,
                                             const QKeySequence &shortcut, void (TServiceOperations::*command)())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    // Shown only: the tree handles the keys itself.
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    if (command)
        connect(action, &QAction::triggered, this, [this, command] { (operations().*command)(); });
    m_popupItems.insert(name, action);
    return action;
}

void TZenqServiceManager_Form::buildPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("VSTPopupMenu"));
    popupItem(m_popup, QStringLiteral("MENURefresh"), QStringLiteral("Refresh"), Qt::Key_F5, &TServiceOperations::MENURefreshClick);
    m_popup->addSeparator();
    QMenu *newMenu = m_popup->addMenu(QStringLiteral("New"));
    newMenu->menuAction()->setObjectName(QStringLiteral("MENUNew"));
    m_popupItems.insert(QStringLiteral("MENUNew"), newMenu->menuAction());
    popupItem(newMenu, QStringLiteral("MENUNewFolder"), QStringLiteral("New Folder..."), QKeySequence(Qt::CTRL | Qt::Key_Insert),
              &TServiceOperations::MENUNewFolderClick);
    newMenu->addSeparator();
    popupItem(newMenu, QStringLiteral("MENUNewZenqApplication"), QStringLiteral("New Zenq-Application..."), Qt::Key_Insert,
              &TServiceOperations::MENUNewZenqApplicationClick);
    popupItem(newMenu, QStringLiteral("MENUNewZenqWindowsExe"), QStringLiteral("New Zenq-Windows-Exe..."), {},
              &TServiceOperations::MENUNewZenqWindowsExeClick);
    popupItem(m_popup, QStringLiteral("MENUCut"), QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), &TServiceOperations::MENUCutClick);
    popupItem(m_popup, QStringLiteral("MENUCopy"), QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), &TServiceOperations::MENUCopyClick);
    popupItem(m_popup, QStringLiteral("MENUPaste"), QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), &TServiceOperations::MENUPasteClick);
    m_popup->addSeparator();
    popupItem(m_popup, QStringLiteral("MENURenameZenqApplication"), QStringLiteral("Rename"), Qt::Key_F2,
              &TServiceOperations::MENURenameZenqApplicationClick);
    popupItem(m_popup, QStringLiteral("MENUDeleteZenqApplication"), QStringLiteral("Delete"), Qt::Key_Delete,
              &TServiceOperations::MENUDeleteZenqApplicationClick);
    m_popup->addSeparator();
    QMenu *edit = m_popup->addMenu(QStringLiteral("Edit"));
    edit->menuAction()->setObjectName(QStringLiteral("MENUEdit"));
    m_popupItems.insert(QStringLiteral("MENUEdit"), edit->menuAction());
    popupItem(edit, QStringLiteral("MENUEditZenq"), QStringLiteral("Edit Zenq-File..."), {}, &TServiceOperations::MENUEditZenqClick);
    popupItem(edit, QStringLiteral("MENUEditZenqc"), QStringLiteral("Edit Zenqc-File..."), {}, &TServiceOperations::MENUEditZenqcClick);
    edit->addSeparator();
    popupItem(edit, QStringLiteral("MENUEditProject"), QStringLiteral("Edit Project"), {}, &TServiceOperations::MENUEditProjectClick);
    QMenu *compile = m_popup->addMenu(QStringLiteral("Compile / Build"));
    compile->menuAction()->setObjectName(QStringLiteral("MENUCompileBuild"));
    m_popupItems.insert(QStringLiteral("MENUCompileBuild"), compile->menuAction());
    popupItem(compile, QStringLiteral("MENUCompileAll"), QStringLiteral("Compile all"), {}, &TServiceOperations::MENUCompileAllClick);
    popupItem(compile, QStringLiteral("MENUBuildAll"), QStringLiteral("Build all"), {}, &TServiceOperations::MENUBuildAllClick);
    compile->addSeparator();
    popupItem(compile, QStringLiteral("MENUCompile"), QStringLiteral("Compile"), {}, &TServiceOperations::MENUCompileClick);
    popupItem(compile, QStringLiteral("MENUBuild"), QStringLiteral("Build"), {}, &TServiceOperations::MENUBuildClick);
    connect(m_popup, &QMenu::aboutToShow, this, &TZenqServiceManager_Form::VSTPopupMenuPopup);

    m_services->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_services, &QWidget::customContextMenuRequested, this, &TZenqServiceManager_Form::VSTServicesGetPopupMenu);
}

void TZenqServiceManager_Form::TntFormCreate()
{
    JWaitCursorScope wait;
    buildLayout();
    buildPopupMenu();
    TServiceTree &serviceTree = tree();
    serviceTree.resetGrids = [this] { ResetGrids(); };
    serviceTree.closeGrids = [this] { CloseGrids(); };
    operations().database = [this] { return database(); };
    connect(&serviceTree, &TServiceTree::focusChanged, this, &TZenqServiceManager_Form::VSTServicesFocusChanged);

    QRect geometry;
    int showState = 0;
    if (JGetRegistryWindowPlacement(ZenqConsoleRegistryKey, placementName, geometry, showState)) {
        setGeometry(geometry);
        if (showState == 2)
            setWindowState(Qt::WindowMaximized);
    }
    const int applicationsHeight = JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TntPanelApplications"), defaultPanelHeight);
    const int samplesHeight = JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TntPanelXMLBehaviour"), defaultPanelHeight);
    m_treeSplitter->setSizes({ applicationsHeight, std::max(1, height() - applicationsHeight) });
    m_gridSplitter->setSizes({ samplesHeight, std::max(1, height() - applicationsHeight - samplesHeight) });
    const QString focusName = JGetRegistryString(ZenqConsoleRegistryKey, lastService);
    const QString parentName = JGetRegistryString(ZenqConsoleRegistryKey, lastServiceParent);
    m_services->readColumnSettings();
    serviceTree.BuildTree(focusName, parentName, false);
    m_samplesGrid->loadColumns();
    m_testsGrid->loadColumns();
}

void TZenqServiceManager_Form::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_services->setFocus();
    }
}

void TZenqServiceManager_Form::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TZenqServiceManager_Form::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        TntFormClose();
    }
    QWidget::closeEvent(event);
}

void TZenqServiceManager_Form::TntFormClose()
{
    const int showState = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    JSetRegistryWindowPlacement(ZenqConsoleRegistryKey, placementName, normalGeometry(), showState);
    JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TntPanelApplications"), m_treeSplitter->sizes().value(0));
    JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("TntPanelXMLBehaviour"), m_gridSplitter->sizes().value(0));
    const auto [focused, parent] = tree().GetFocusedNames();
    JSetRegistryString(ZenqConsoleRegistryKey, lastService, focused);
    JSetRegistryString(ZenqConsoleRegistryKey, lastServiceParent, parent);
    m_services->writeColumnSettings();
    m_samplesGrid->saveColumns();
    m_testsGrid->saveColumns();
    CloseGrids();
}

QString TZenqServiceManager_Form::statusText(int panel) const
{
    return panel >= 0 && panel < 2 ? m_statusPanels[panel]->text() : QString();
}

QWidget *TZenqServiceManager_Form::control(const QString &name) const
{
    return findChild<QWidget *>(name);
}

QString TZenqServiceManager_Form::FocusedServiceName() const
{
    const TServiceNodeData *record = m_services->tree().focusedRecord();
    return record && record->IsService ? record->Name : QString();
}

bool TZenqServiceManager_Form::openGrid(TDocAndTestTableModel *model, TDocAndTestGridView *grid, const QString &service)
{
    Q_UNUSED(grid)
    if (service.isEmpty())
        return true;
    QSqlDatabase db = database();
    if (!db.isOpen() || !model->open(db, service)) {
        ShowTablesMissing(); // no message: the red label says it
        return false;
    }
    ShowTablesInstalled();
    return true;
}

void TZenqServiceManager_Form::OpenSamples(const QString &service)
{
    CloseSamples();
    openGrid(m_samples, m_samplesGrid, service);
}

void TZenqServiceManager_Form::CloseSamples()
{
    if (!m_samples->isOpen())
        return;
    m_samplesGrid->saveUserColumns();
    m_samples->close();
}

void TZenqServiceManager_Form::OpenTests(const QString &service)
{
    CloseTests();
    openGrid(m_tests, m_testsGrid, service);
}

void TZenqServiceManager_Form::CloseTests()
{
    if (!m_tests->isOpen())
        return;
    m_testsGrid->saveUserColumns();
    m_tests->close();
}

void TZenqServiceManager_Form::ShowTablesInstalled()
{
    m_tablesMissing = false;
    for (QStackedWidget *area : { m_samplesArea, m_testsArea })
        if (area->currentIndex() == MissingPage)
            area->setCurrentIndex(NoServicePage);
    for (const char *name : { "LabelRemoveAllXML", "LabelExportDocumentation" })
        control(QLatin1String(name))->setEnabled(true);
}

void TZenqServiceManager_Form::ShowTablesMissing()
{
    m_tablesMissing = true;
    for (QStackedWidget *area : { m_samplesArea, m_testsArea })
        area->setCurrentIndex(MissingPage);
    for (const char *name : { "LabelRemoveAllXML", "LabelExportDocumentation" })
        control(QLatin1String(name))->setEnabled(false);
}

void TZenqServiceManager_Form::SetServiceSelected(bool selected)
{
    control(QStringLiteral("LabelRun"))->setEnabled(selected);
    for (QStackedWidget *area : { m_samplesArea, m_testsArea }) {
        area->setCurrentIndex(selected ? GridPage : NoServicePage);
        area->setFrameShape(selected ? QFrame::NoFrame : QFrame::Box); // the frames are bordered while the grids are hidden
    }
    if (!selected) {
        OpenSamples(QString());
        OpenTests(QString());
    }
}

void TZenqServiceManager_Form::CloseGrids()
{
    CloseTests();
    CloseSamples();
}

void TZenqServiceManager_Form::ResetGrids()
{
    CloseSamples();
    m_samplesGrid->loadUserColumns();
    CloseTests();
    m_testsGrid->loadUserColumns();
}

void TZenqServiceManager_Form::VSTServicesFocusChanged(const QModelIndex &node)
{
    const TServiceNodeData *record = tree().record(node);
    m_statusPanels[0]->setText(record ? record->Name : QString());
    m_statusPanels[1]->clear();
    if (record && record->IsService) {
        OpenSamples(record->Name);
        if (m_tablesMissing)
            return; // the handler ends with the missing tables, the tests are not opened either
        OpenTests(record->Name);
        if (m_tablesMissing)
            return;
        SetServiceSelected(true);
    } else {
        SetServiceSelected(false);
    }
}

void TZenqServiceManager_Form::VSTServicesGetPopupMenu(const QPoint &position)
{
    const QModelIndex node = m_services->indexAt(position).siblingAtColumn(0);
    if (!node.isValid())
        return; // over empty space no menu opens
    tree().FocusNode(node);
    m_popup->popup(m_services->viewport()->mapToGlobal(position));
}

void TZenqServiceManager_Form::VSTPopupMenuPopup()
{
    const TServiceNodeData *record = tree().focusedRecord();
    if (!record)
        return; // the entries keep their previous states
    const bool installed = ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("WM_ZenqFrameworkInstalled"),
                                                                             ZenqWindowClass::FrameworkEngine, {}, false, 0, QString())
                           == 1;
    const bool project = installed && !record->IsFolder && !record->ProjectGroup.isEmpty();
    const TServiceOperations &ops = operations();
    const auto set = [this](const char *name, bool enabled) { m_popupItems.value(QLatin1String(name))->setEnabled(enabled); };
    set("MENURefresh", true);
    set("MENUNew", true);
    set("MENUNewFolder", true);
    set("MENUNewZenqApplication", installed);
    set("MENUNewZenqWindowsExe", installed);
    set("MENUCut", TServiceOperations::CanCut(record));
    set("MENUCopy", TServiceOperations::CanCopy());
    set("MENUPaste", ops.CanPaste(ops.clipboardNode(), ops.clipboardIsCopy(), tree().focusedNode()));
    set("MENURenameZenqApplication", TServiceOperations::CanRename(record));
    set("MENUDeleteZenqApplication", TServiceOperations::CanDelete(record));
    set("MENUEditZenq", !record->ZenqFile.isEmpty());
    set("MENUEditZenqc", !record->ZenqcFile.isEmpty());
    set("MENUEdit", !record->ZenqFile.isEmpty() || !record->ZenqcFile.isEmpty());
    set("MENUEditProject", project);
    set("MENUCompileBuild", true);
    set("MENUCompileAll", installed);
    set("MENUBuildAll", installed);
    set("MENUCompile", project);
    set("MENUBuild", project);
}

void TZenqServiceManager_Form::DataSetXMLBehaviourBeforeDelete(int row)
{
    JWaitCursorScope wait;
    const QString application = m_samples->storedText(row, m_samples->columnOf(QStringLiteral("APPNAME_")));
    const QString sample = m_samples->storedText(row, m_samples->columnOf(QStringLiteral("SAMPLENAME_")));
    withGridsClosed([&] {
        QSqlDatabase db = database();
        ZenqDeleteSample(db, application, sample); // not reported: the reloaded grid shows whether the row is gone
    });
}

void TZenqServiceManager_Form::withGridsClosed(const std::function<void()> &change)
{
    const QPersistentModelIndex focused = tree().focusedNode();
    CloseGrids();
    const auto reopen = qScopeGuard([&] {
        ResetGrids();
        tree().FocusNode(focused.isValid() ? QModelIndex(focused) : QModelIndex());
    });
    change();
}

void TZenqServiceManager_Form::ParametersChanged()
{
    ZenqServices_ApplicationParameterChanged_ClearCache();
    tree().RefreshTree();
}

void TZenqServiceManager_Form::LabelRunClick()
{
    const QString service = FocusedServiceName();
    if (service.isEmpty() || !m_samples->isOpen() || !m_tests->isOpen())
        return;
    const int row = m_testsGrid->currentIndex().isValid() ? m_testsGrid->currentIndex().row() : 0;
    if (row >= m_tests->rowCount())
        return;
    const QString script = m_tests->storedText(row, m_tests->columnOf(QStringLiteral("TESTSCRIPT_")));
    m_runner->LabelRunClick(service, script, database());
}

void TZenqServiceManager_Form::TntLabelScriptHelpClick()
{
    ShowTextDialog(ZenqScriptMiniHelpCaption, ZenqScriptMiniHelpLinkCaption, ZenqScriptMiniHelpText(), false,
                   ZenqScriptMiniHelpWidth, ZenqScriptMiniHelpHeight);
}

TZenqServiceManager_Form *ShowServiceManager(bool stayOnTop, TZenqServiceManager_Form::DestroyCallback onDestroy)
{
    auto *form = new TZenqServiceManager_Form(std::move(onDestroy));
    if (stayOnTop) {
        form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        form->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    form->show();
    return form;
}

void TZenqServiceManager_Form::LabelRemoveAllXMLClick()
{
    JWaitCursorScope wait;
    int count = 0;
    QString error;
    withGridsClosed([&] {
        QSqlDatabase db = database();
        try {
            RemoveGeneratedSamples(db, count);
        } catch (const std::exception &failure) {
            error = QString::fromUtf8(failure.what());
        }
    });
    // The count reached comes first, also after an error, which follows it.
    JUserMessage(ZenqRemovedSamplesMessage(count), 0);
    if (!error.isEmpty())
        JUserMessage(error, static_cast<int>(JMessageFlag::IconError));
}

void TZenqServiceManager_Form::LabelExportDocumentationClick()
{
    JWaitCursorScope wait;
    m_export->removeSimilarGeneratedSamples = [this](QString *error) {
        bool removed = false;
        withGridsClosed([&] {
            QSqlDatabase db = database();
            try {
                RemoveSimilarGeneratedSamples(db);
                removed = true;
            } catch (const std::exception &failure) {
                if (error)
                    *error = QString::fromUtf8(failure.what());
            }
        });
        return removed;
    };
    m_export->exportFlag = [this](bool exporting) {
        m_samplesGrid->suspendLayouts = exporting;
        m_testsGrid->suspendLayouts = exporting;
        if (!exporting)
            VSTServicesFocusChanged(tree().focusedNode()); // the grids show the focused service again
    };
    // Painted directly, without running the event loop: a close, a refresh of the tree after a parameter
    // change or any other queued event would pull the tree and the window from under the export.
    QElapsedTimer sinceShown;
    m_export->progress = [this, &sinceShown](int done, int total) {
        if (sinceShown.isValid() && sinceShown.elapsed() < 100 && done < total)
            return;
        sinceShown.start();
        m_statusBar->showMessage(QStringLiteral("Exporting documentation: %1 of %2").arg(done).arg(total));
        m_statusBar->repaint();
    };
    QString file;
    QString error;
    const TZenqDocumentationExport::Result result = m_export->Export(tree(), database(), &file, &error);
    m_statusBar->clearMessage();
    if (result == TZenqDocumentationExport::Result::Written) {
        if (!ZenqUI().openWithDesktop(file))
            JUserMessage(QStringLiteral("The documentation was written to %1 but could not be opened.").arg(file),
                         static_cast<int>(JMessageFlag::IconWarning));
    } else if (result == TZenqDocumentationExport::Result::Failed) {
        JUserMessage(error, static_cast<int>(JMessageFlag::IconError));
    }
}
