#include "ConsoleNotifier.h"

#include "DirectoryWatch.h"
#include "framework/ZenqClock.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqUserDatabases.h"
#include "intercom/ZenqIISHelper.h"
#include "intercom/ZenqInterCommunication.h"

namespace {

const QString parameterChanged = QStringLiteral("WM_ZenqApplicationParameterChanged");
constexpr quint32 throttleMs = 1000;

TZenqMessageOptions notifyOptions()
{
    return TZenqMessageOptions(TZenqMessageOption::WaitCursor) | TZenqMessageOption::ProgressMessage;
}

QStringList splitNames(const QString &text)
{
    QStringList names;
    for (const QString &name : text.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!name.trimmed().isEmpty())
            names << name.trimmed();
    return names;
}

} // namespace

ConsoleNotifier::ConsoleNotifier(QObject *parent)
    : QObject(parent)
{
}

bool ConsoleNotifier::IsTraceSetting(const QString &key)
{
    for (const QString &name : ZenqTraceSettingNames())
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void ConsoleNotifier::fullNotify(const QString &messageName)
{
    // The ASP shortcut touches a watched file: its change report must not start another broadcast.
    if (ZenqApplicationsAutocheckOn() && MoreThanOneWorkerProcess())
        m_ignoreNextChange = true;
    BroadcastToAllApplications(messageName, notifyOptions());
}

void ConsoleNotifier::serviceNotify(const QString &messageName)
{
    if (ZenqApplicationsAutocheckOn() && MoreThanOneWorkerProcess())
        m_ignoreNextChange = true;
    BroadcastToServices(messageName, notifyOptions());
}

void ConsoleNotifier::NotifyParameterChanged(bool forced)
{
    if (compiling())
        return;
    const quint32 now = GetTickCount();
    if (!forced && m_lastBroadcastTick != 0 && ZenqTicksSince(m_lastBroadcastTick, now) < throttleMs)
        return;
    m_lastBroadcastTick = now;
    if (forced)
        serviceNotify(parameterChanged);
    else
        fullNotify(parameterChanged);
}

void ConsoleNotifier::DirectoryChanged()
{
    if (m_ignoreNextChange) {
        m_ignoreNextChange = false;
        return;
    }
    const QString generating = JGetRegistryString(_ZenqApplicationsRegKeyEx() + QStringLiteral("\\Orv3WebPreSelV1"),
                                                  QStringLiteral("GenerateFlag"));
    if (!generating.isEmpty())
        return;
    NotifyParameterChanged(false);
}

void ConsoleNotifier::startApplicationDirectoryWatches()
{
    const QList<QPair<QString, bool>> directories {
        { ZenqGetApplicationsBinDir(), false },
        { ZenqGetApplicationsSXTDir(), true },
        { JMakeFileName(ZenqGetApplicationsWWW_DataDir(), QStringLiteral("CSS")), true },
        { JMakeFileName(ZenqGetApplicationsWWW_DataDir(), QStringLiteral("JavaScript")), true },
    };
    for (const auto &[directory, subDirectories] : directories) {
        if (!JDirExists(directory))
            continue;
        auto *watch = new TDirectoryWatch(this);
        watch->setOnChange([this](TDirectoryWatch *) { DirectoryChanged(); });
        try {
            watch->setDirectory(directory);
            watch->setWatchSubDirs(subDirectories);
            watch->setActive(true);
            m_watches << watch;
        } catch (const std::exception &) {
            delete watch; // vanished since the check: no watch, as for a missing directory
        }
    }
}

void ConsoleNotifier::rebuildIISUnloadLists()
{
    const QString system = ZenqGetSystemName();
    m_iisDirectories = ZenqTransformZenqNames(
        splitNames(ZenqFile_ReadSimple(QStringLiteral("ZenqSystem"), QStringLiteral("IISUnloadZenq"))), system);
    m_iisPools = ZenqTransformZenqNames(
        splitNames(ZenqFile_ReadSimple(QStringLiteral("ZenqSystem"), QStringLiteral("IISUnloadZenqAppPools"))), system);
}

void ConsoleNotifier::UnloadVirtualDirectories()
{
    for (const QString &pool : std::as_const(m_iisPools))
        IISUnloadVirtualDirs(m_iisDirectories, pool, QString());
}
