#include "ZenqConfigurationSets.h"

#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqUserInterface.h"

#include <QDir>

namespace {

const QString frameworkSubdirectory = QStringLiteral("Framework");

// Holds the compiling flag for the whole command, released on every path.
class CompilingScope
{
public:
    explicit CompilingScope(const std::function<void(bool)> &set) : m_set(set)
    {
        if (m_set)
            m_set(true);
    }
    ~CompilingScope()
    {
        if (m_set)
            m_set(false);
    }
    CompilingScope(const CompilingScope &) = delete;
    CompilingScope &operator=(const CompilingScope &) = delete;

private:
    const std::function<void(bool)> &m_set;
};

} // namespace

ZenqConfigurationSets::ZenqConfigurationSets(QString baseCaption, Host host)
    : m_baseCaption(std::move(baseCaption)), m_host(std::move(host))
{
}

QString ZenqConfigurationSets::setDirectory(const QString &name)
{
    return JMakeFileName(ZenqGetFrameworkConfigsDir(), name);
}

QStringList ZenqConfigurationSets::storedSets()
{
    return QDir(ZenqGetFrameworkConfigsDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

void ZenqConfigurationSets::SetConfiguration(const QString &name)
{
    m_inUse = name;
    const QString caption = name.isEmpty() ? m_baseCaption : m_baseCaption + QStringLiteral(" (") + name + QLatin1Char(')');
    const bool openEnabled = JDirExists(ZenqGetFrameworkConfigsDir()) && !storedSets().isEmpty();
    if (m_host.showConfiguration)
        m_host.showConfiguration(caption, openEnabled, !name.isEmpty());
}

bool ZenqConfigurationSets::CopyConfigFiles(const QString &source, const QString &target, bool report)
{
    if (source.isEmpty() || target.isEmpty())
        return true;
    JWaitCursorScope wait;
    QStringList names;
    JGetAllFilesPure(source, QStringLiteral("*.Zenq"), names);
    JGetAllFilesPure(source, QStringLiteral("*.Zenqc"), names);
    for (const QString &name : std::as_const(names)) {
        const QString from = JMakeFileName(source, name);
        const QString to = JMakeFileName(target, name);
        if (JCopyFile(from, to)) { // true means the copy failed
            if (report)
                JUserMessage(QStringLiteral("Error while copying '") + from + QStringLiteral("' to '") + to
                                 + QStringLiteral("'. Abort"),
                             static_cast<int>(JMessageFlag::IconError));
            return false;
        }
    }
    return true;
}

bool ZenqConfigurationSets::OpenConfiguration()
{
    CompilingScope compiling(m_host.setCompiling);
    QString name = m_inUse;
    if (!ZenqUI().inputQueryWithPreviousValues(QStringLiteral("Configuration"), QStringLiteral("Open configuration:"), name,
                                               storedSets())
        || name.isEmpty())
        return false;
    const QString directory = setDirectory(name);
    if (!CopyConfigFiles(directory, ZenqGetApplicationsBinDir(), true))
        return false;
    if (!CopyConfigFiles(JMakeFileName(directory, frameworkSubdirectory), ZenqGetFrameworkBinDir(), true))
        return false;
    SetConfiguration(name);
    if (m_host.fullNotify)
        m_host.fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged"));
    return true;
}

bool ZenqConfigurationSets::SaveConfiguration()
{
    if (m_inUse.isEmpty())
        return false;
    const QString directory = setDirectory(m_inUse);
    const bool applications = CopyConfigFiles(ZenqGetApplicationsBinDir(), directory, true);
    const bool framework = CopyConfigFiles(ZenqGetFrameworkBinDir(), JMakeFileName(directory, frameworkSubdirectory), true);
    return applications && framework;
}

bool ZenqConfigurationSets::SaveConfigurationAs()
{
    QString name = m_inUse;
    if (!JUserInputQuery(QStringLiteral("Configuration"), QStringLiteral("Save configuration as:"), name))
        return false;
    // A name is one directory below the configurations directory, never a path out of it.
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".")
        || name == QLatin1String("..")) {
        JUserMessage(QStringLiteral("'%1' is not a name for a configuration.").arg(name),
                     static_cast<int>(JMessageFlag::IconError));
        return false;
    }
    const QString configurations = ZenqGetFrameworkConfigsDir();
    if (!JDirExists(configurations) && !JMakeDir(configurations)) {
        JUserMessage(QStringLiteral("Error while creating '") + configurations + QStringLiteral("'. Abort"),
                     static_cast<int>(JMessageFlag::IconError));
        return false;
    }
    const QString directory = setDirectory(name);
    if (!JDirExists(directory)) {
        if (!JMakeDir(directory) || !JMakeDir(JMakeFileName(directory, frameworkSubdirectory))) {
            JUserMessage(QStringLiteral("Error while creating '") + directory + QStringLiteral("'. Abort"),
                         static_cast<int>(JMessageFlag::IconError));
            return false;
        }
    } else if (JUserMessage(QStringLiteral("The configuration already exists. Do you want to overwrite it?"),
                            static_cast<int>(JMessageFlag::YesNo) | static_cast<int>(JMessageFlag::IconQuestion))
               != JMessageResult::Yes) {
        return false;
    }
    if (!CopyConfigFiles(ZenqGetApplicationsBinDir(), directory, true)
        || !CopyConfigFiles(ZenqGetFrameworkBinDir(), JMakeFileName(directory, frameworkSubdirectory), true))
        return false;
    SetConfiguration(name);
    return true;
}
