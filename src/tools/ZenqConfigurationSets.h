#pragma once
// Configuration sets: named snapshots of the installation's definition and configuration files, kept
// below the framework's configurations directory, saved, saved under a new name and opened again.
// Owned by the main window; UI thread only.
#include <QString>
#include <QStringList>
#include <functional>

class ZenqConfigurationSets
{
public:
    // What the window does: show the set in use (caption and item states), tell every framework
    // program, and hold the compiling flag while a set is opened.
    struct Host
    {
        std::function<void(const QString &caption, bool openEnabled, bool saveEnabled)> showConfiguration;
        std::function<void(const QString &messageName)> fullNotify;
        std::function<void(bool compiling)> setCompiling;
    };

    ZenqConfigurationSets(QString baseCaption, Host host);

    const QString &configurationInUse() const { return m_inUse; }
    // The directory of a set (configurations directory joined with the name).
    static QString setDirectory(const QString &name);
    // The names of the stored sets.
    static QStringList storedSets();

    // Makes a set current: caption " (name)", "Open configuration..." enabled when sets exist,
    // "Save configuration" enabled when a set is in use.
    void SetConfiguration(const QString &name);
    // Copies the *.Zenq and *.Zenqc files directly in `source` to `target`; the first failed copy stops
    // it (with "Error while copying ..." when `report`). True when every copy succeeded.
    static bool CopyConfigFiles(const QString &source, const QString &target, bool report);

    // The three commands; true when they went through (not cancelled, refused or failed).
    bool OpenConfiguration();   // "Open configuration..."
    bool SaveConfiguration();   // "Save configuration"
    bool SaveConfigurationAs(); // "Save configuration as..."

private:
    QString m_baseCaption;
    Host m_host;
    QString m_inUse;
};
