#pragma once
// Directories and file names of a Zenq installation. Pure functions of the environment; thread-safe.
//
// The installation is $ZENQ_ROOT, else the demo installation in the user's data directory. Every
// directory operation takes a system name as the original does; the empty name, the only one callers
// pass, means the installation of the running program, and any other name is treated the same way.
#include <QString>

// Root of the installation.
QString ZenqGetRootDir(const QString &system = {});
// The demo installation's directory that the console uses when ZENQ_ROOT is not set.
QString ZenqDefaultDemoRootDir();

QString ZenqGetApplicationsBinDir(const QString &system = {});
QString ZenqGetApplicationsSourceDir(const QString &system = {});
QString ZenqGetApplicationsSXTDir(const QString &system = {});
QString ZenqGetApplicationsProjectGroupsDir(const QString &system = {});
QString ZenqGetApplicationsDocAndTestDir(const QString &system = {});
QString ZenqGetApplicationsExternalBinDir(const QString &system = {});
QString ZenqGetApplicationsWWW_DataDir(const QString &system = {});
QString ZenqGetApplicationsCSSDir(const QString &system = {});
QString ZenqGetApplicationsJavaScriptDir(const QString &system = {});
QString ZenqGetFrameworkBinDir(const QString &system = {});
QString ZenqGetFrameworkConfigsDir(const QString &system = {});
// Templates of one kind (for example "ZenqApplication"), or the templates root for an empty kind.
QString ZenqGetFrameworkTemplatesDir(const QString &kind = {}, const QString &system = {});

// Trace directory for the framework flag: true is the framework's (servers'), false the applications'.
// Both lie outside the directories that the console watches for configuration changes.
QString ZenqGetTraceDir(bool flag);
// Base name (full path without ending) of the console's trace files for the flag.
QString _TRACEFILE(bool flag);
// Full name of the hand-over file for the flag.
QString _TRACEFILENAMETmp(bool flag);
// The directory that plays the root of drive C: ($ZENQ_SYSTEM_DRIVE, else the system's temporary
// directory); trace location -1 lives there.
QString ZenqGetSystemDriveDir();

// Hand-over file, console working copy and console trace file of a trace location (1, 0 or -1).
QString ZenqHandOverFileName(int location);
QString ZenqTraceWorkingCopyName(int location);
QString ZenqConsoleTraceFileName(int location);

// Joins a directory and a relative name with exactly one separator.
QString JMakeFileName(const QString &directory, const QString &name);

// Display name of the installation ("SystemName" in the framework configuration, default "Zenq").
QString ZenqGetSystemName(const QString &system = {});
// Version of the framework library stand-in and of this program.
QString ZenqGetVersion();
QString JGetVersion();
