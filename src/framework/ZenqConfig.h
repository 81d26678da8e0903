#pragma once
// Reading settings of the framework's configurations. A configuration N is the pair N.Zenqc / N.Zenq in
// the applications directory, or else in the framework's configuration directory; a setting is the
// first element of that name, its value the attribute "Value", looked up in N.Zenqc first. Parsed
// files are cached per file version (inode, size, modification time). Thread-safe.
#include <QString>

// Full name of the configuration file of N with the extension (".Zenqc" or ".Zenq"); the applications
// directory when the file is there or nowhere, else the framework's configuration directory.
QString ZenqConfigurationFileName(const QString &configuration, const QString &extension = QStringLiteral(".Zenqc"));

QString ZenqFile_ReadSimple(const QString &configuration, const QString &setting, const QString &defaultValue = {});
int ZenqFile_ReadSimpleInteger(const QString &configuration, const QString &setting, int defaultValue = 0);
// "1" (exactly) is true, any other stored text false; the default when the setting is missing.
bool ZenqFile_ReadSimpleBoolean(const QString &configuration, const QString &setting, bool defaultValue = false);

// Forgets cached files (after a write that kept size and time, as in tests).
void ZenqConfigCacheClear();

// The framework-wide trace settings in "ZenqApplications" that shape the lines ZenqDS writes.
bool ZenqTraceSettingsWithModuleName();
bool ZenqTraceSettingsWithProcessID();
bool ZenqTraceSettingsWithThreadID();
bool ZenqTraceSettingsWithTime();
bool ZenqTraceSettingsWithDate();
bool ZenqTraceSettingsWithIndentation();
bool ZenqTraceRequestsOnThisServer();
// Encoding of hand-over files: 0 UTF-16LE, 2 UTF-8, any other the system code page.
int ZenqTracingFormat();
// Whether framework programs report their memory consumption to the console.
bool ZenqMemory_Consumption();

// The element names of the seven trace settings whose change is broadcast as global settings.
const QStringList &ZenqTraceSettingNames();
