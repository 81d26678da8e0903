#pragma once
// The option menus built from the console menu info of the configuration files. Logic only; UI thread.
#include <QString>

// The caption of the value item for value `v`, read from a definition "v = text;" in the option's
// working caption, which loses that definition; the bare value when there is none. A definition
// without blanks around "=" ("0=off") is not recognised.
QString ValueCaption(QString &workingCaption, const QString &v);

#include "framework/ZenqMenuInfo.h"

#include <QList>
#include <functional>

// One item of an option menu: a submenu (per application, or an option with value items), a
// separator, an on/off item or a value item. The tag is the menu info entry's identifier.
struct OptionMenuItem
{
    enum class Kind { Submenu, Separator, OnOff, Value };
    Kind kind = Kind::Submenu;
    QString caption;
    int tag = 0;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    QList<OptionMenuItem> children;

    static OptionMenuItem make(Kind kind, const QString &caption, int tag = 0)
    {
        OptionMenuItem item;
        item.kind = kind;
        item.caption = caption;
        item.tag = tag;
        return item;
    }
};

// The Console menu's "Global Options", "Local Options" and "Framework Options" as a widget-free model,
// built from the menu info of the configurations. UI thread only.
class ZenqOptionMenus
{
public:
    // Whether the running Windows is the named version ("W95", "NT", "XP", "W2K", "W2K3"); never here.
    std::function<bool(const QString &version)> windowsVersionIs = [](const QString &) { return false; };

    // Rebuilds the three menus from "ZenqApplications", every application and "ZenqFramework"; takes a
    // snapshot of the configuration files when asked. Reading errors name the configuration being read.
    void RebuildOptionMenus(bool takeSnapshot);
    // Appends the items of one configuration's menu info to `parent`, from the list's entry `first` on.
    void BuildOptionEntries(OptionMenuItem &parent, const QString &configuration, qsizetype first);

    // The value that a value item stands for: the caption-value map's value for its caption ("&"
    // ignored) and identifier; the caption itself when the map has none.
    QString ValueOfItem(const QString &caption, int tag) const;
    // Writes `value` into the entry's configuration file, stores it as the entry's current value and
    // takes a new snapshot (the console's own write must not look like a change behind its back).
    bool WriteOptionValue(TXMLMenuInfo &entry, const QString &value, QString *error = nullptr);
    // The caption of a free-input option: the caption without its bracketed explanation, then the value
    // in square brackets ("Server (host name)" with "abc" gives "Server [abc]").
    static QString FreeInputCaption(const QString &caption, const QString &currentValue);

    OptionMenuItem globalOptions = OptionMenuItem::make(OptionMenuItem::Kind::Submenu, QStringLiteral("Global Options"));
    OptionMenuItem localOptions = OptionMenuItem::make(OptionMenuItem::Kind::Submenu, QStringLiteral("Local Options"));
    OptionMenuItem frameworkOptions = OptionMenuItem::make(OptionMenuItem::Kind::Submenu, QStringLiteral("Framework Options"));
    TXMLMenuInfoStructure menuInfo;
    // Counts the rebuilds: entries and items taken before a rebuild no longer belong to the menus.
    int generation = 0;
    QStringList applicationNames;
    QStringList snapshot;
    // caption=value pairs of the value items, with the entry identifier.
    QList<QPair<QString, int>> captionValues;
};

// The menu as indented text, two blanks a level: "[x]" / "[ ]" before on/off items, "(*)" / "( )" before
// value items ("..", free input, without), "----" for separators, " (disabled)" behind disabled items;
// hidden submenus are left out, as the menu does.
QStringList OptionMenuLines(const OptionMenuItem &menu);
