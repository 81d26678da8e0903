#include "ZenqConsole_MainForm.h"

#include "TraceView.h"
#include "tools/ConsoleErrors.h"
#include "console/ConsoleNotifier.h"
#include "console/TraceConsole.h"
#include "dialogs/ZenqAbout.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqGlobals.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqUserDatabases.h"
#include "framework/ZenqUserInterface.h"
#include "framework/ZenqXmlFile.h"
#include "intercom/ZenqInterCommunication.h"
#include "platform/gui/GlobalHotKeys.h"
#include "tools/ZenqBulkCommands.h"
#include "tools/ZenqConfigurationSets.h"
#include "tools/ZenqOptionMenus.h"
#include "tools/ZenqToolsMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

const QString placementName = QStringLiteral("ZenqConsole_MainForm");

// The With-items: menu item, caption, setting element.
struct WithItem
{
    const char *item;
    const char *caption;
    const char *element;
};
constexpr WithItem withItems[] = {
    { "MENUWithModuleName", "With Modulename", "TraceSettingsWithModuleName" },
    { "MENUWithProcessID", "With ProcessID", "TraceSettingsWithProcessID" },
    { "MENUWithThreadID", "With ThreadID", "TraceSettingsWithThreadID" },
    { "MENUWithTime", "With Execution-Time", "TraceSettingsWithTime" },
    { "MENUWithDate", "With Date", "TraceSettingsWithDate" },
    { "MENUWithIndentation", "With Indentation", "TraceSettingsWithIndentation" },
};

// The check options and their stored names, in the order the settings are read and written.
struct CheckOption
{
    const char *item;
    const char *value;
    bool defaultChecked;
};
constexpr CheckOption checkOptions[] = {
    { "MENUTraceOn", "TraceOn", true },
    { "MENUWordWrap", "TraceWordWrap", false },
    { "MENUMonoSpacedFont", "TraceMonoSpacedFont", true },
    { "MENUStayOnTop", "TraceStayOnTop", true },
    { "MENUEscape", "MENUEscape", true },
    { "MENUIgnoreEmptyLines", "MENUIgnoreEmptyLines", true },
    { "MENUShortenLinesGreater1024", "MENUShortenLinesGreater1024", true },
    { "MENUExecTimeAsDifference", "MENUExecTimeAsDifference", true },
    { "MENUShowMemoryConsumption", "MENUShowMemoryConsumption", true },
    { "MENUNormalTraceMemoryInfo", "MENUNormalTraceMemoryInfo", false },
    { "MENUIncludingSubDirs", "MENUIncludingSubDirs", false },
};

enum HotKey { HotKeyClearCache = 1, HotKeyClearDisplay = 2, HotKeyClearUserDB = 3, HotKeyToggleVisibility = 4 };

// Messages of other programs get through at least this often while a batch is cut.
constexpr qint64 eventIntervalMs = 5;

QString applicationsConfigurationFile()
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc"));
}

} // namespace

TZenqConsole_MainForm::TZenqConsole_MainForm(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TZenqConsole_MainForm"));
    FormCreate();
}

TZenqConsole_MainForm::~TZenqConsole_MainForm()
{
    qApp->removeEventFilter(this);
    if (m_console)
        m_console->stop(); // closes the trace mutex; the watches stop with the console
}

QString TZenqConsole_MainForm::baseCaption()
{
    return ZenqGetSystemName() + QStringLiteral(" [") + ZenqGetVersion() + QStringLiteral("] - Console and Tracing");
}

void TZenqConsole_MainForm::FormCreate()
{
    resize(564, 282);
    setMinimumWidth(130);
    setWindowTitle(baseCaption());

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Vertical, central);
    m_splitter->setHandleWidth(3);
    m_splitter->setChildrenCollapsible(false);
    m_panel2 = new QPlainTextEdit(m_splitter);
    m_panel2->setObjectName(QStringLiteral("Panel2"));
    m_panel2->setReadOnly(true);
    m_panel2->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_panel2->setFont(QFont(QStringLiteral("Courier New"), 8));
    m_panel2->setMinimumHeight(minimumPanelHeight);
    m_traceWindow = new TZenqTraceView(m_splitter);
    m_traceWindow->setObjectName(QStringLiteral("TraceWindow"));
    m_splitter->addWidget(m_panel2);
    m_splitter->addWidget(m_traceWindow);
    m_splitter->setStretchFactor(1, 1);
    layout->addWidget(m_splitter);
    setCentralWidget(central);

    m_console = std::make_unique<TraceConsole>(*this, *m_traceWindow, *this);
    m_notifier = new ConsoleNotifier(this);
    m_notifier->setCompilingFlag(m_console->intake().compilingFlag());
    m_optionMenus = std::make_unique<ZenqOptionMenus>();
    ZenqConfigurationSets::Host setsHost;
    setsHost.showConfiguration = [this](const QString &caption, bool openEnabled, bool saveEnabled) {
        setWindowTitle(caption);
        m_items.value(QStringLiteral("MENUOpenConfiguration"))->setEnabled(openEnabled);
        m_items.value(QStringLiteral("MENUSaveConfiguration"))->setEnabled(saveEnabled);
    };
    setsHost.fullNotify = [this](const QString &messageName) { m_notifier->fullNotify(messageName); };
    setsHost.setCompiling = [this](bool compiling) { m_console->intake().setCompiling(compiling); };
    m_configurationSets = std::make_unique<ZenqConfigurationSets>(baseCaption(), setsHost);
    qApp->installEventFilter(this); // the Escape check of a running batch
    m_console->openTraceMutexAndDeleteTraceFiles();
    buildMenus();
    readSettings();
    SetWithCheckMarks();
    QString error;
    if (!m_console->startIntake(&error))
        showError(QStringLiteral("The console cannot receive messages: ") + error);
    parametersChanged(); // option menus, IIS lists, memory items
    QRect geometry;
    int showState = 0;
    if (JGetRegistryWindowPlacement(ZenqConsoleRegistryKey, placementName, geometry, showState)) {
        setGeometry(geometry);
        if (showState == 2)
            setWindowState(Qt::WindowMaximized);
    }
    registerHotKeys();
    m_notifier->startApplicationDirectoryWatches();
}

QAction *TZenqConsole_MainForm::addItem(QMenu *menu, const QString &name, const QString &caption, bool checkable,
                                        const QKeySequence &shortcut)
{
    auto *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    m_items.insert(name, action);
    return action;
}

void TZenqConsole_MainForm::notYetAvailable(const QString &caption)
{
    JUserMessage(QStringLiteral("\"%1\" is not available yet in this version of the console.").arg(caption),
                 static_cast<int>(JMessageFlag::IconInformation));
}

void TZenqConsole_MainForm::buildMenus()
{
    QMenuBar *bar = menuBar();

    QMenu *console = bar->addMenu(QStringLiteral("Console"));
    console->setObjectName(QStringLiteral("MENUConsole"));
    for (const auto &[name, caption] : { std::pair { "MENUGlobalOptions", "Global Options" },
                                         std::pair { "MENULocalOptions", "Local Options" },
                                         std::pair { "MENUFrameworkOptions", "Framework Options" } }) {
        QMenu *submenu = console->addMenu(QLatin1String(caption));
        submenu->setObjectName(QLatin1String(name));
        m_items.insert(QLatin1String(name), submenu->menuAction());
    }
    // Configuration files changed behind the console's back show on the next opening.
    connect(console, &QMenu::aboutToShow, this, [this] {
        if (ZenqFilesChanged(m_optionMenus->snapshot))
            RebuildOptionMenus(false);
    });
    console->addSeparator();
    connect(addItem(console, QStringLiteral("MENUServiceManager"), QStringLiteral("Service Manager...")), &QAction::triggered,
            this, &TZenqConsole_MainForm::MENUServiceManagerClick);
    console->addSeparator();
    connect(addItem(console, QStringLiteral("MENUClearCache"), QStringLiteral("Clear cache. Outside ZenqConsole:"), false,
                    QKeySequence(Qt::ALT | Qt::Key_Y)),
            &QAction::triggered, this, [this] { clearCache(); });
    connect(addItem(console, QStringLiteral("MENUClearUserDB"), QStringLiteral("Clear copied user-mdb's. Outside ZenqConsole:"),
                    false, QKeySequence(Qt::ALT | Qt::Key_U)),
            &QAction::triggered, this, [this] { clearUserDatabases(); });
    console->addSeparator();
    connect(addItem(console, QStringLiteral("MENUOpenConfiguration"), QStringLiteral("Open configuration...")),
            &QAction::triggered, this, [this] { m_configurationSets->OpenConfiguration(); });
    connect(addItem(console, QStringLiteral("MENUSaveConfiguration"), QStringLiteral("Save configuration")),
            &QAction::triggered, this, [this] { m_configurationSets->SaveConfiguration(); });
    connect(addItem(console, QStringLiteral("MENUSaveConfigurationAs"), QStringLiteral("Save configuration as...")),
            &QAction::triggered, this, [this] { m_configurationSets->SaveConfigurationAs(); });

    QMenu *tracing = bar->addMenu(QStringLiteral("Tracing"));
    tracing->setObjectName(QStringLiteral("MENUTracing"));
    connect(addItem(tracing, QStringLiteral("MENUClearDisplay"), QStringLiteral("Clear display. Outside ZenqConsole:"), false,
                    QKeySequence(Qt::ALT | Qt::Key_Q)),
            &QAction::triggered, this, &TZenqConsole_MainForm::MENUClearDisplayClick);
    tracing->addSeparator();
    connect(addItem(tracing, QStringLiteral("MENUShowTracefile"), QStringLiteral("Show tracefile")), &QAction::triggered, this,
            &TZenqConsole_MainForm::MENUShowTracefileClick);
    connect(addItem(tracing, QStringLiteral("MENUOpenTracefile"), QStringLiteral("Open tracefile...")), &QAction::triggered,
            this, &TZenqConsole_MainForm::MENUOpenTracefileClick);
    connect(addItem(tracing, QStringLiteral("MENUDeleteTracefile"), QStringLiteral("Delete tracefile")), &QAction::triggered,
            this, &TZenqConsole_MainForm::MENUDeleteTracefileClick);
    tracing->addSeparator();
    connect(addItem(tracing, QStringLiteral("MENUToggleVisibility"), QStringLiteral("Toggle visibility. Outside ZenqConsole:"),
                    false, QKeySequence(Qt::ALT | Qt::Key_W)),
            &QAction::triggered, this, &TZenqConsole_MainForm::MENUToggleVisibilityClick);
    tracing->addSeparator();
    TraceOptions &options = m_console->options();
    const auto option = [&](const char *name, const char *caption, bool TraceOptions::*field) {
        QAction *action = addItem(tracing, QLatin1String(name), QLatin1String(caption), true);
        options.*field = action->isChecked();
        connect(action, &QAction::toggled, this, [&options, field](bool on) { options.*field = on; });
        return action;
    };
    option("MENUTraceOn", "Trace on", &TraceOptions::traceOn);
    connect(addItem(tracing, QStringLiteral("MENUWordWrap"), QStringLiteral("WordWrap"), true), &QAction::toggled, this,
            &TZenqConsole_MainForm::ApplyWordWrap);
    connect(addItem(tracing, QStringLiteral("MENUMonoSpacedFont"), QStringLiteral("MonoSpacedFont (Non Unicode)"), true),
            &QAction::toggled, this, &TZenqConsole_MainForm::ApplyTraceFont);
    connect(addItem(tracing, QStringLiteral("MENUStayOnTop"), QStringLiteral("Stay on top"), true), &QAction::triggered, this,
            &TZenqConsole_MainForm::ApplyStayOnTop);
    tracing->addSeparator();
    option("MENUEscape", "Escape cancels actual Tracemessage", &TraceOptions::escape);
    option("MENUIgnoreEmptyLines", "Ignore empty Lines", &TraceOptions::ignoreEmptyLines);
    option("MENUShortenLinesGreater1024", "Shorten lines greater than 1024 chars", &TraceOptions::shorten);
    option("MENUExecTimeAsDifference", "Execution-Time as difference", &TraceOptions::elapsedTime);
    tracing->addSeparator();
    for (const WithItem &with : withItems) {
        QAction *action = addItem(tracing, QLatin1String(with.item), QLatin1String(with.caption), true);
        const QString element = QLatin1String(with.element);
        // The check mark follows the stored value when the broadcast comes back, not the click.
        connect(action, &QAction::triggered, this, [this, action, element](bool checked) {
            action->setChecked(!checked);
            ChangeFrameworkTraceSetting(element, !checked);
        });
    }
    tracing->addSeparator();
    connect(addItem(tracing, QStringLiteral("MENUShowMemoryConsumption"), QStringLiteral("Show Memory-Consumption"), true),
            &QAction::triggered, this, [this](bool checked) {
                JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUShowMemoryConsumption"), checked ? 1 : 0);
                ApplyMemoryPanelVisibility();
            });
    option("MENUNormalTraceMemoryInfo", "Trace of memoryinfo (Server-modules)", &TraceOptions::memoryInfoChecked);
    tracing->addSeparator();
    connect(addItem(tracing, QStringLiteral("MENUDefaultSettings"), QStringLiteral("Default settings")), &QAction::triggered,
            this, &TZenqConsole_MainForm::MENUDefaultSettingsClick);

    QMenu *tools = bar->addMenu(QStringLiteral("Tools and Applications"));
    tools->setObjectName(QStringLiteral("MENUToolsAndApplications"));
    for (const auto &[name, caption] : { std::pair { "MENUApplications", "Applications" },
                                         std::pair { "MENUApplicationsExternal", "Applications-External" },
                                         std::pair { "MENUFramework", "Framework" }, std::pair { "MENUWWW_Data", "WWW_Data" } }) {
        QMenu *submenu = tools->addMenu(QLatin1String(caption));
        submenu->setObjectName(QLatin1String(name));
        m_items.insert(QLatin1String(name), submenu->menuAction());
    }
    m_items.value(QStringLiteral("MENUWWW_Data"))->setVisible(false);
    FillToolsAndApplications();
    tools->addSeparator();
    connect(addItem(tools, QStringLiteral("MENUUnloadIIS"), QStringLiteral("Unload virtual Directories in MS-IIS")),
            &QAction::triggered, this, [this] { m_notifier->UnloadVirtualDirectories(); });
    connect(tools, &QMenu::aboutToShow, this, [this] {
        m_items.value(QStringLiteral("MENUUnloadIIS"))->setEnabled(ZenqIsRunningAsWebApplication());
    });
    tools->addSeparator();
    QMenu *crypting = tools->addMenu(QStringLiteral("Crypting"));
    crypting->setObjectName(QStringLiteral("MENUCrypting"));
    const auto bulk = [this, crypting](const char *name, const char *caption, ZenqBulkCommand command) {
        connect(addItem(crypting, QLatin1String(name), QLatin1String(caption)), &QAction::triggered, this,
                [this, command] { runBulkCommand(command); });
    };
    bulk("MENUUncryptAll", "Uncrypt all...", ZenqBulkCommand::UncryptAll);
    bulk("MENUCryptAll", "Crypt all...", ZenqBulkCommand::CryptAll);
    crypting->addSeparator();
    bulk("MENUUnicodeToAnsiAll", "Unicode to ANSI all...", ZenqBulkCommand::UnicodeToAnsiAll);
    bulk("MENUAnsiToUnicodeAll", "ANSI to Unicode all...", ZenqBulkCommand::AnsiToUnicodeAll);
    crypting->addSeparator();
    addItem(crypting, QStringLiteral("MENUIncludingSubDirs"), QStringLiteral("Including Sub-Directories"), true);

    QAction *about = bar->addAction(QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("MENUAbout"));
    m_items.insert(QStringLiteral("MENUAbout"), about);
    connect(about, &QAction::triggered, this, [this] {
        ShowAboutBox(this, QStringLiteral("ZenqConsole"), QStringLiteral("Written by"),
                     QStringLiteral("the ZenqConsole developers"), QStringLiteral("for"));
    });
}

void TZenqConsole_MainForm::FillToolsAndApplications()
{
    using Submenu = ZenqToolsMenu::Submenu;
    const std::pair<Submenu, const char *> submenus[] = { { Submenu::Applications, "MENUApplications" },
                                                          { Submenu::ApplicationsExternal, "MENUApplicationsExternal" },
                                                          { Submenu::Framework, "MENUFramework" },
                                                          { Submenu::WWW_Data, "MENUWWW_Data" } };
    m_toolsMenu = std::make_unique<ZenqToolsMenu>();
    m_toolsMenu->fill();
    for (const auto &[submenu, name] : submenus) {
        QAction *submenuItem = m_items.value(QLatin1String(name));
        for (const ZenqToolsMenu::Entry &entry : m_toolsMenu->entries(submenu)) {
            auto *item = new QAction(entry.caption, this);
            item->setData(entry.tag);
            connect(item, &QAction::triggered, this, [this, tag = entry.tag] { m_toolsMenu->start(tag); });
            submenuItem->menu()->addAction(item);
        }
        submenuItem->setVisible(m_toolsMenu->isVisible(submenu));
    }
}

void TZenqConsole_MainForm::readSettings()
{
    const int panel = JGetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("Panel2"), designPanelHeight);
    m_splitter->setSizes({ std::max(panel, minimumPanelHeight), std::max(height(), 200) });
    for (const CheckOption &option : checkOptions) {
        QAction *action = m_items.value(QLatin1String(option.item));
        const bool checked = ZenqReadCheckOption(QLatin1String(option.value), option.defaultChecked);
        action->setChecked(checked);
    }
    ApplyWordWrap();
    ApplyTraceFont();
    ApplyStayOnTop();
    m_configurationSets->SetConfiguration(
        JGetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("TraceConfigurationActual")));
}

void TZenqConsole_MainForm::writeSettings()
{
    const QList<int> sizes = m_splitter->sizes();
    JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("Panel2"),
                    m_panel2->isVisible() && !sizes.isEmpty() ? sizes.first() : m_panel2->height());
    for (const CheckOption &option : checkOptions)
        JSetRegistryInt(ZenqConsoleRegistryKey, QLatin1String(option.value),
                        m_items.value(QLatin1String(option.item))->isChecked() ? 1 : 0);
    JSetRegistryString(ZenqConsoleRegistryKey, QStringLiteral("TraceConfigurationActual"),
                       m_configurationSets->configurationInUse());
}

void TZenqConsole_MainForm::registerHotKeys()
{
    m_hotKeys = new platform::GlobalHotKeys(this);
    const auto handler = [this](int identifier) { hotKeyPressed(identifier); };
    // A key another program holds is silently absent; the menu shortcut still works in the window.
    m_hotKeys->registerAltKey(HotKeyClearCache, 'Y', handler);
    m_hotKeys->registerAltKey(HotKeyClearDisplay, 'Q', handler);
    m_hotKeys->registerAltKey(HotKeyClearUserDB, 'U', handler);
    m_hotKeys->registerAltKey(HotKeyToggleVisibility, 'W', handler);
}

void TZenqConsole_MainForm::hotKeyPressed(int identifier)
{
    switch (identifier) {
    case HotKeyClearCache: clearCache(); break;
    case HotKeyClearDisplay: MENUClearDisplayClick(); break;
    case HotKeyClearUserDB: clearUserDatabases(); break;
    case HotKeyToggleVisibility: MENUToggleVisibilityClick(); break;
    default: break;
    }
}

void TZenqConsole_MainForm::clearCache()
{
    m_notifier->ClearCache();
}

void TZenqConsole_MainForm::clearUserDatabases()
{
    ZenqClearUserDB();
}

void TZenqConsole_MainForm::MENUServiceManagerClick()
{
    QAction *item = m_items.value(QStringLiteral("MENUServiceManager"));
    if (m_serviceManager)
        return;
    QWidget *window = m_serviceManagerFactory ? m_serviceManagerFactory(this) : nullptr;
    if (!window) {
        notYetAvailable(QStringLiteral("Service Manager..."));
        return;
    }
    item->setEnabled(false);
    m_serviceManager = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The window's end is its close notification: the item comes back, the window is forgotten.
    connect(window, &QObject::destroyed, this, [this, item] {
        item->setEnabled(true);
        m_serviceManager = nullptr;
    });
    window->show();
}

void TZenqConsole_MainForm::runBulkCommand(ZenqBulkCommand command)
{
    // Long runs show how far they are and can be cancelled between files.
    QProgressDialog progress(ZenqBulkCommandCaption(command), QStringLiteral("Cancel"), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    ZenqExecuteBulkCommand(command, m_items.value(QStringLiteral("MENUIncludingSubDirs"))->isChecked(),
                           [&progress](qsizetype done, qsizetype total, const QString &file) {
                               progress.setMaximum(static_cast<int>(total));
                               progress.setValue(static_cast<int>(done));
                               progress.setLabelText(file);
                               return !progress.wasCanceled();
                           });
}

void TZenqConsole_MainForm::MENUClearDisplayClick()
{
    m_traceWindow->clear();
}

void TZenqConsole_MainForm::MENUShowTracefileClick()
{
    const QString file = m_console->traceFiles().traceFileName(m_console->processor().currentLocation());
    m_console->traceFiles().flush();
    if (!ZenqUI().openWithDesktop(file))
        JUserMessage(QStringLiteral("The tracefile %1 cannot be shown.").arg(file), static_cast<int>(JMessageFlag::IconWarning));
}

void TZenqConsole_MainForm::MENUOpenTracefileClick()
{
    const QString file = ZenqUI().openFileName(QStringLiteral("Open Tracefile"), QStringLiteral("Tracefiles (*.txt)|*.txt"),
                                               QStringLiteral("txt"));
    if (file.isEmpty())
        return;
    JWaitCursorScope wait;
    int encoding = 0;
    QString text;
    QString error;
    if (!JLoadFromFileEx(file, ZenqLoadHonourBom | ZenqLoadGuessUtf16, text, encoding, &error)) {
        showError(error);
        return;
    }
    // Lines read back are shown as they are: no filter, no shortening, no rewrite, no trace file.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString &line : std::as_const(lines))
        m_console->processor().ShowTraceLine(line);
    m_traceWindow->flushDisplay();
}

void TZenqConsole_MainForm::MENUDeleteTracefileClick()
{
    m_console->traceFiles().deleteTraceFiles();
}

void TZenqConsole_MainForm::MENUToggleVisibilityClick()
{
    const bool visible = !isVisible();
    m_hidden = !visible;
    setVisible(visible);
    if (visible) {
        if (isMinimized())
            showNormal();
        ApplyStayOnTop();
    }
}

void TZenqConsole_MainForm::ApplyStayOnTop()
{
    const bool onTop = m_items.value(QStringLiteral("MENUStayOnTop"))->isChecked();
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop); // hides the window
    if (wasVisible)
        show();
}

void TZenqConsole_MainForm::ApplyWordWrap()
{
    m_traceWindow->setWordWrap(m_items.value(QStringLiteral("MENUWordWrap"))->isChecked());
}

void TZenqConsole_MainForm::ApplyTraceFont()
{
    const QString courier = QStringLiteral("Courier New");
    const QString unicodeFont = QStringLiteral("Arial Unicode MS");
    QString family = courier;
    if (!m_items.value(QStringLiteral("MENUMonoSpacedFont"))->isChecked() && QFontDatabase::families().contains(unicodeFont))
        family = unicodeFont;
    m_traceWindow->setTraceFontFamily(family);
}

void TZenqConsole_MainForm::ApplyMemoryPanelVisibility()
{
    QAction *show = m_items.value(QStringLiteral("MENUShowMemoryConsumption"));
    m_panel2->setVisible(show->isEnabled() && show->isChecked());
}

void TZenqConsole_MainForm::SetWithCheckMarks()
{
    const bool values[] = { ZenqTraceSettingsWithModuleName(), ZenqTraceSettingsWithProcessID(),
                            ZenqTraceSettingsWithThreadID(),   ZenqTraceSettingsWithTime(),
                            ZenqTraceSettingsWithDate(),       ZenqTraceSettingsWithIndentation() };
    for (size_t i = 0; i < std::size(withItems); ++i)
        m_items.value(QLatin1String(withItems[i].item))->setChecked(values[i]);
}

void TZenqConsole_MainForm::ChangeFrameworkTraceSetting(const QString &elementName, bool currentlyChecked)
{
    const bool traceSetting = ConsoleNotifier::IsTraceSetting(elementName);
    if (traceSetting)
        m_notifier->setIgnoreNextChange(true); // our own write must not start an automatic cache clearing
    const QString value = currentlyChecked ? QStringLiteral("0") : QStringLiteral("1");
    const QString file = applicationsConfigurationFile();
    bool missing = false;
    QString error;
    bool written = JChangeXMLFileEx(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), elementName, value,
                                    &missing, &error);
    if (written && missing) {
        const QString element = QStringLiteral("   <%1 Value=\"%2\"/>\r\n</Zenq>").arg(elementName, value);
        written = JChangeXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), { QStringLiteral("</Zenq>") },
                                 { element }, ZenqTextChangeOption::KeepFileType, &error);
    }
    if (!written) {
        m_notifier->setIgnoreNextChange(false);
        showError(QStringLiteral("The setting %1 could not be written to %2:\r\n%3").arg(elementName, file, error));
        return;
    }
    if (traceSetting)
        m_notifier->fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged_SomeGlobalSettingsOnly"));
}

void TZenqConsole_MainForm::MENUDefaultSettingsClick()
{
    const auto set = [this](const char *item, bool checked) { m_items.value(QLatin1String(item))->setChecked(checked); };
    set("MENUTraceOn", true);
    set("MENUWordWrap", false);
    ApplyWordWrap();
    set("MENUMonoSpacedFont", true);
    ApplyTraceFont();
    set("MENUStayOnTop", true);
    ApplyStayOnTop();
    set("MENUEscape", true);
    set("MENUIgnoreEmptyLines", true);
    set("MENUShortenLinesGreater1024", true);
    set("MENUExecTimeAsDifference", false);
    const bool frameworkDefaults[] = { true, true, false, false, true, true };
    for (size_t i = 0; i < std::size(withItems); ++i)
        ChangeFrameworkTraceSetting(QLatin1String(withItems[i].element), !frameworkDefaults[i]);
    set("MENUShowMemoryConsumption", true);
    JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUShowMemoryConsumption"), 1);
    ApplyMemoryPanelVisibility();
    set("MENUNormalTraceMemoryInfo", false);
    set("MENUIncludingSubDirs", false);
    MENUClearDisplayClick();
}

void TZenqConsole_MainForm::processPendingMessages()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastEventPump < eventIntervalMs)
        return;
    m_lastEventPump = now;
    m_traceWindow->flushDisplay();
    QCoreApplication::processEvents();
}

void TZenqConsole_MainForm::armEscapeCheck()
{
    m_escapeArmed = true;
    m_escapePressed = false;
}

bool TZenqConsole_MainForm::escapePressed()
{
    return m_escapePressed;
}

bool TZenqConsole_MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (m_escapeArmed && event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        m_escapePressed = true;
    return QMainWindow::eventFilter(watched, event);
}

void TZenqConsole_MainForm::restoreFromMinimised()
{
    if (isMinimized())
        showNormal();
}

void TZenqConsole_MainForm::showError(const QString &message)
{
    JUserMessage(ZenqApplicationErrorText(message), static_cast<int>(JMessageFlag::IconError));
}

void TZenqConsole_MainForm::memoryTableChanged()
{
    const int position = m_panel2->horizontalScrollBar()->value();
    m_panel2->setPlainText(m_console->memoryTable().text());
    m_panel2->horizontalScrollBar()->setValue(position);
}

void TZenqConsole_MainForm::parametersChanged()
{
    RebuildOptionMenus(true);
    // The service manager rebuilds its tree (by name: it is a window of another library).
    if (m_serviceManager)
        QMetaObject::invokeMethod(m_serviceManager, "ParametersChanged");
}

void TZenqConsole_MainForm::updateMemoryItems()
{
    const bool memory = ZenqMemory_Consumption();
    m_console->options().memoryInfoEnabled = memory;
    m_items.value(QStringLiteral("MENUShowMemoryConsumption"))->setEnabled(memory);
    m_items.value(QStringLiteral("MENUNormalTraceMemoryInfo"))->setEnabled(memory);
    ApplyMemoryPanelVisibility();
}

void TZenqConsole_MainForm::globalTraceSettingsChanged()
{
    SetWithCheckMarks();
}

void TZenqConsole_MainForm::showConsoleRequested()
{
    if (!isVisible()) {
        show();
        m_hidden = false;
        ApplyStayOnTop();
    }
    if (isMinimized())
        showNormal();
}

void TZenqConsole_MainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_console->windowShownFirstTime();
    }
}

void TZenqConsole_MainForm::closeEvent(QCloseEvent *event)
{
    if (m_closed) {
        QMainWindow::closeEvent(event);
        return;
    }
    m_closed = true;
    if (m_hotKeys)
        m_hotKeys->unregisterAll();
    if (m_serviceManager)
        m_serviceManager->close();
    const int showState = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    JSetRegistryWindowPlacement(ZenqConsoleRegistryKey, placementName, normalGeometry(), showState);
    writeSettings();
    QMainWindow::closeEvent(event);
}
