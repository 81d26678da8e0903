#include "ZenqToolsMenu.h"

#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqProcessStart.h"
#include "framework/ZenqUserInterface.h"

namespace {

struct Source
{
    ZenqToolsMenu::Submenu submenu;
    QString (*directory)(const QString &system);
    const char *masks;
    const char *exclusions;
};

// In the order of filling; the framework directory is listed twice so its programs precede its batch files.
constexpr Source sources[] = {
    { ZenqToolsMenu::Submenu::Applications, ZenqGetApplicationsBinDir, "*.EXE", "" },
    { ZenqToolsMenu::Submenu::ApplicationsExternal, ZenqGetApplicationsExternalBinDir, "*.EXE;*.vbs", "" },
    { ZenqToolsMenu::Submenu::Framework, ZenqGetFrameworkBinDir, "*.EXE", "Robocopy.exe" },
    { ZenqToolsMenu::Submenu::Framework, ZenqGetFrameworkBinDir, "*.bat",
      "CopyFrameworkBinariesFromStore.bat;CopyFrameworkBinariesToStore.bat" },
    { ZenqToolsMenu::Submenu::WWW_Data, ZenqGetApplicationsWWW_DataDir, "*.EXE", "" },
};

// The original's extension: from the last "." of the name on, empty without one.
QString extensionOf(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString withoutExtension(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

bool hasExtension(const QString &name, QLatin1String extension)
{
    return extensionOf(name).compare(extension, Qt::CaseInsensitive) == 0;
}

} // namespace

ZenqToolsMenu::ZenqToolsMenu(Lister lister)
    : m_lister(std::move(lister))
{
    if (!m_lister)
        m_lister = [](const QString &directory, const QString &masks, QStringList &list, const QString &exclusions) {
            JGetAllFiles(directory, masks, list, exclusions, false);
        };
}

void ZenqToolsMenu::fill()
{
    m_programs.clear();
    m_entries.clear();
    for (const Source &source : sources) {
        const qsizetype first = m_programs.size();
        m_lister(source.directory({}), QLatin1String(source.masks), m_programs, QLatin1String(source.exclusions));
        for (qsizetype index = first; index < m_programs.size(); ++index) {
            const QString text = caption(source.submenu, m_programs.at(index));
            // A skipped name keeps its place in the list, so later tags still index it correctly.
            if (!text.isEmpty())
                m_entries.append({ source.submenu, text, static_cast<int>(index) });
        }
    }
}

QList<ZenqToolsMenu::Entry> ZenqToolsMenu::entries(Submenu submenu) const
{
    QList<Entry> result;
    for (const Entry &entry : m_entries)
        if (entry.submenu == submenu)
            result.append(entry);
    return result;
}

bool ZenqToolsMenu::isVisible(Submenu submenu) const
{
    return submenu != Submenu::WWW_Data || !entries(submenu).isEmpty();
}

QString ZenqToolsMenu::caption(Submenu submenu, const QString &fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    if (submenu == Submenu::Framework)
        return withoutExtension(name);
    if (submenu == Submenu::ApplicationsExternal && extensionOf(name).isEmpty())
        return {};
    return hasExtension(name, QLatin1String(".EXE")) ? withoutExtension(name) : name;
}

ZenqToolsMenu::StartCommand ZenqToolsMenu::startCommand(int tag) const
{
    if (tag < 0 || tag >= m_programs.size())
        return {};
    const QString &file = m_programs.at(tag);
    if (hasExtension(file, QLatin1String(".vbs"))) {
        const QString host = QStringLiteral("WSCRIPT.EXE");
        return { host + QLatin1Char(' ') + file, host, { file } };
    }
    return { file, file, {} };
}

bool ZenqToolsMenu::start(int tag) const
{
    const StartCommand command = startCommand(tag);
    JWaitCursorScope waitCursor;
    return JWinExec(command.program, command.arguments, JSW_SHOWNORMAL, 0);
}
