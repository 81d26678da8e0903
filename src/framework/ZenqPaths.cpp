#include "ZenqPaths.h"

#include "ZenqConfig.h"
#include "platform/RuntimeDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString underRoot(const char *relative)
{
    return QDir::cleanPath(ZenqGetRootDir() + QLatin1Char('/') + QLatin1String(relative));
}

} // namespace

QString ZenqDefaultDemoRootDir()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/Vantrel/ZenqDemo"));
}

QString ZenqGetRootDir(const QString &)
{
    const QString root = qEnvironmentVariable("ZENQ_ROOT");
    return root.isEmpty() ? ZenqDefaultDemoRootDir() : QDir::cleanPath(QDir(root).absolutePath());
}

QString ZenqGetApplicationsBinDir(const QString &) { return underRoot("Applications/Bin"); }
QString ZenqGetApplicationsSourceDir(const QString &) { return underRoot("Applications/Source"); }
QString ZenqGetApplicationsSXTDir(const QString &) { return underRoot("Applications/SXT"); }
QString ZenqGetApplicationsProjectGroupsDir(const QString &) { return underRoot("Applications/ProjectGroups"); }
QString ZenqGetApplicationsDocAndTestDir(const QString &) { return underRoot("Applications/DocAndTest"); }
QString ZenqGetApplicationsExternalBinDir(const QString &) { return underRoot("Applications/External Bin"); }
QString ZenqGetApplicationsWWW_DataDir(const QString &) { return underRoot("Applications/WWW_Data"); }
QString ZenqGetApplicationsCSSDir(const QString &) { return underRoot("Applications/WWW_Data/CSS"); }
QString ZenqGetApplicationsJavaScriptDir(const QString &) { return underRoot("Applications/WWW_Data/JavaScript"); }
QString ZenqGetFrameworkBinDir(const QString &) { return underRoot("Framework/Bin"); }
QString ZenqGetFrameworkConfigsDir(const QString &) { return underRoot("Framework/Configs"); }

QString ZenqGetFrameworkTemplatesDir(const QString &kind, const QString &)
{
    const QString templates = underRoot("Framework/Templates");
    return kind.isEmpty() ? templates : JMakeFileName(templates, kind);
}

QString ZenqGetTraceDir(bool flag)
{
    return underRoot(flag ? "Trace/Framework" : "Trace/Applications");
}

QString _TRACEFILE(bool flag)
{
    return JMakeFileName(ZenqGetTraceDir(flag), QStringLiteral("ZenqConsoleTrace"));
}

QString _TRACEFILENAMETmp(bool flag)
{
    return JMakeFileName(ZenqGetTraceDir(flag), QStringLiteral("ZenqTraceHandOver.tmp"));
}

QString ZenqGetSystemDriveDir()
{
    const QString drive = qEnvironmentVariable("ZENQ_SYSTEM_DRIVE");
    return QDir::cleanPath(drive.isEmpty() ? QDir::tempPath() : QDir(drive).absolutePath());
}

namespace {

// Location -1 keeps the file-name part of the answer for flag false and puts it into the system drive.
QString onSystemDrive(const QString &nameForFlagFalse)
{
    return JMakeFileName(ZenqGetSystemDriveDir(), QFileInfo(nameForFlagFalse).fileName());
}

} // namespace

QString ZenqHandOverFileName(int location)
{
    if (location < 0)
        return onSystemDrive(_TRACEFILENAMETmp(false));
    return _TRACEFILENAMETmp(location == 1);
}

QString ZenqTraceWorkingCopyName(int location)
{
    const QString base = location < 0 ? onSystemDrive(_TRACEFILE(false)) : _TRACEFILE(location == 1);
    return base + QStringLiteral("TracerTMP.TXT");
}

QString ZenqConsoleTraceFileName(int location)
{
    const QString base = location < 0 ? onSystemDrive(_TRACEFILE(false)) : _TRACEFILE(location == 1);
    return base + QStringLiteral(".txt");
}

QString JMakeFileName(const QString &directory, const QString &name)
{
    if (directory.isEmpty())
        return name;
    if (name.isEmpty())
        return directory;
    const bool dirEnds = directory.endsWith(QLatin1Char('/'));
    const bool nameStarts = name.startsWith(QLatin1Char('/'));
    if (dirEnds && nameStarts)
        return directory + name.mid(1);
    if (dirEnds || nameStarts)
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

QString ZenqGetSystemName(const QString &)
{
    return ZenqFile_ReadSimple(QStringLiteral("ZenqFramework"), QStringLiteral("SystemName"), QStringLiteral("Zenq"));
}

QString ZenqGetVersion()
{
    return QStringLiteral(ZENQ_VERSION);
}

QString JGetVersion()
{
    return QStringLiteral(ZENQ_VERSION);
}
