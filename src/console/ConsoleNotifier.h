#pragma once
// When the console tells the framework programs that parameters changed: the clear-cache command, the
// throttled notification after changes in the application directories (with its four directory
// watches), and the rule that recognises the global trace settings. Owned by the main window (or a
// test); UI thread only.
#include <QObject>
#include <QStringList>

class TDirectoryWatch;

class ConsoleNotifier : public QObject
{
    Q_OBJECT
public:
    explicit ConsoleNotifier(QObject *parent = nullptr);

    // One of the seven global trace settings (case ignored).
    static bool IsTraceSetting(const QString &key);

    // The compiling flag, set by "WM_ZenqIsCompiling" and while a configuration set is opened.
    void setCompilingFlag(const bool *compiling) { m_compiling = compiling; }
    bool compiling() const { return m_compiling && *m_compiling; }
    // Set before the console writes a watched file itself; swallows the next directory event.
    bool ignoreNextChange() const { return m_ignoreNextChange; }
    void setIgnoreNextChange(bool ignore) { m_ignoreNextChange = ignore; }
    quint32 lastBroadcastTick() const { return m_lastBroadcastTick; }

    // Full notify / service notify of a message name, with the wait cursor and the progress window.
    void fullNotify(const QString &messageName);
    void serviceNotify(const QString &messageName);
    // Forced: service notify now (unless compiling). Not forced: full notify at most once a second.
    void NotifyParameterChanged(bool forced);
    // "Clear cache. Outside ZenqConsole:" and Alt+Y.
    void ClearCache() { NotifyParameterChanged(true); }
    // The change event of the application-directory watches.
    void DirectoryChanged();
    // Watches the applications, SXT, CSS and JavaScript directories that exist.
    void startApplicationDirectoryWatches();
    int watchCount() const { return m_watches.size(); }

    // The IIS unload lists from "IISUnloadZenq" and "IISUnloadZenqAppPools" of "ZenqSystem".
    void rebuildIISUnloadLists();
    const QStringList &iisVirtualDirectories() const { return m_iisDirectories; }
    const QStringList &iisApplicationPools() const { return m_iisPools; }
    // "Unload virtual Directories in MS-IIS": every pool in order; nothing with an empty pool list.
    void UnloadVirtualDirectories();

private:
    const bool *m_compiling = nullptr;
    bool m_ignoreNextChange = false;
    quint32 m_lastBroadcastTick = 0;
    QList<TDirectoryWatch *> m_watches;
    QStringList m_iisDirectories;
    QStringList m_iisPools;
};
