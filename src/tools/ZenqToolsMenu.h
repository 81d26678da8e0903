#pragma once
// The programs behind the "Tools and Applications" submenus: one program list filled from four
// directories of the installation, the entries of each submenu and how an entry is started. Logic only
// (no widgets); GUI thread; not thread-safe.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ZenqToolsMenu
{
public:
    enum class Submenu { Applications, ApplicationsExternal, Framework, WWW_Data };

    // One menu entry; `tag` is the index of its file in the program list.
    struct Entry
    {
        Submenu submenu;
        QString caption;
        int tag;
    };

    // How an entry starts. `commandLine` is the original's single line (file names unquoted); the start
    // itself uses `program` and `arguments`, never a shell.
    struct StartCommand
    {
        QString commandLine;
        QString program;
        QStringList arguments;
    };

    // Appends the files of `directory` matching `masks` minus `exclusions` to `list` (JGetAllFiles without
    // subdirectories); replaceable so tests can list names the file system cannot hold.
    using Lister = std::function<void(const QString &directory, const QString &masks, QStringList &list,
                                      const QString &exclusions)>;

    explicit ZenqToolsMenu(Lister lister = {});
    ZenqToolsMenu(const ZenqToolsMenu &) = delete;
    ZenqToolsMenu &operator=(const ZenqToolsMenu &) = delete;

    // Replaces the program list and the entries by the installation's current files; a missing
    // directory contributes nothing.
    void fill();

    const QStringList &programs() const { return m_programs; }
    // Every entry in fill order (submenu by submenu, files in listing order).
    const QList<Entry> &entries() const { return m_entries; }
    QList<Entry> entries(Submenu submenu) const;
    // "WWW_Data" is shown only when it has an entry; the other submenus always.
    bool isVisible(Submenu submenu) const;

    // The caption of a listed file in a submenu; empty when the file gets no entry.
    static QString caption(Submenu submenu, const QString &fileName);
    // The start command of the program list's entry at `tag`; all empty for a tag outside the list.
    StartCommand startCommand(int tag) const;
    // Starts the entry at `tag` under the wait cursor without waiting for it. False when it could not be
    // started; the failure is the starter's to handle and nothing is shown here.
    bool start(int tag) const;

private:
    Lister m_lister;
    QStringList m_programs;
    QList<Entry> m_entries;
};
