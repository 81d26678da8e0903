#pragma once
// The console's main window: menus, settings, the trace display and the memory panel around the trace
// console's logic. GUI thread only.
#include "console/ConsoleIntake.h"
#include "console/TraceDisplay.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class ConsoleNotifier;
class ZenqConfigurationSets;
enum class ZenqBulkCommand;
class TraceConsole;
class ZenqOptionMenus;
struct OptionMenuItem;
class ZenqToolsMenu;
class TZenqTraceView;
namespace platform {
class GlobalHotKeys;
}

class TZenqConsole_MainForm final : public QMainWindow, public TraceProcessorHost, public ConsoleIntakeHost
{
    Q_OBJECT
public:
    static constexpr int designPanelHeight = 164;
    static constexpr int minimumPanelHeight = 30;

    explicit TZenqConsole_MainForm(QWidget *parent = nullptr);
    ~TZenqConsole_MainForm() override;

    // The caption without the configuration set: system name, " [", version, "] - Console and Tracing".
    static QString baseCaption();

    TraceConsole &console() { return *m_console; }
    TZenqTraceView *traceWindow() const { return m_traceWindow; }
    QPlainTextEdit *memoryPanel() const { return m_panel2; }
    // A menu item by its name ("MENUWordWrap", "MENUWithDate", ...).
    QAction *menuItem(const QString &name) const { return m_items.value(name); }
    bool hiddenByUser() const { return m_hidden; }
    ConsoleNotifier &notifier() { return *m_notifier; }
    ZenqConfigurationSets &configurationSets() { return *m_configurationSets; }
    ZenqOptionMenus &optionMenus() { return *m_optionMenus; }

    // Rebuilds "Global Options", "Local Options" and "Framework Options" from the configurations' menu
    // info (with the IIS unload lists and the memory items); a reading error is shown, naming the file.
    void RebuildOptionMenus(bool takeSnapshot);
    // Click handlers of an on/off item and of a value item of the option menus.
    void ToggleOption(QAction *item);
    void ChooseOptionValue(QAction *item);

    // Creates the service manager window (null when it cannot be shown). The console records the open
    // window, disables "Service Manager..." while it is open and closes it with the main window.
    using ServiceManagerFactory = std::function<QWidget *(QWidget *owner)>;
    void setServiceManagerFactory(ServiceManagerFactory factory) { m_serviceManagerFactory = std::move(factory); }
    QWidget *serviceManager() const { return m_serviceManager; }

    // The menu commands.
    void MENUServiceManagerClick();
    void MENUClearDisplayClick();
    // A "Crypting" command over the files of a specifier the user enters, with progress and cancel.
    void runBulkCommand(ZenqBulkCommand command);
    void MENUShowTracefileClick();
    void MENUOpenTracefileClick();
    void MENUDeleteTracefileClick();
    void MENUToggleVisibilityClick();
    void MENUDefaultSettingsClick();
    // Writes a framework trace setting ("TraceSettingsWithDate", ...) as "1" when `currentlyChecked` is
    // false and "0" otherwise, and tells every framework program.
    void ChangeFrameworkTraceSetting(const QString &elementName, bool currentlyChecked);
    // Sets the six With-check marks from the framework's current trace settings.
    void SetWithCheckMarks();
    void ApplyStayOnTop();
    void ApplyWordWrap();
    void ApplyTraceFont();
    void ApplyMemoryPanelVisibility();

    // TraceProcessorHost
    void processPendingMessages() override;
    void armEscapeCheck() override;
    bool escapePressed() override;
    bool isHiddenByUser() const override { return m_hidden; }
    void restoreFromMinimised() override;
    void showError(const QString &message) override;
    void memoryTableChanged() override;
    // ConsoleIntakeHost
    void parametersChanged() override;
    void globalTraceSettingsChanged() override;
    void showConsoleRequested() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void buildMenus();
    // Fills the four program submenus of "Tools and Applications" from the installation, once.
    void FillToolsAndApplications();
    void fillOptionMenu(QMenu *menu, const OptionMenuItem &item);
    void updateMemoryItems();
    QAction *addItem(QMenu *menu, const QString &name, const QString &caption, bool checkable = false,
                     const QKeySequence &shortcut = {});
    void notYetAvailable(const QString &caption);
    void readSettings();
    void writeSettings();
    void registerHotKeys();
    void hotKeyPressed(int identifier);
    void clearCache();
    void clearUserDatabases();

    ServiceManagerFactory m_serviceManagerFactory;
    QPointer<QWidget> m_serviceManager;
    std::unique_ptr<TraceConsole> m_console;
    std::unique_ptr<ZenqToolsMenu> m_toolsMenu;
    std::unique_ptr<ZenqOptionMenus> m_optionMenus;
    ConsoleNotifier *m_notifier = nullptr;
    std::unique_ptr<ZenqConfigurationSets> m_configurationSets;
    TZenqTraceView *m_traceWindow = nullptr;
    QPlainTextEdit *m_panel2 = nullptr;
    QSplitter *m_splitter = nullptr;
    platform::GlobalHotKeys *m_hotKeys = nullptr;
    QHash<QString, QAction *> m_items;
    bool m_hidden = false;
    bool m_shownOnce = false;
    bool m_closed = false;
    bool m_escapeArmed = false;
    bool m_escapePressed = false;
    qint64 m_lastEventPump = 0;
};
