#pragma once
// The user's settings under a registry-style key ("Software\Vantrel\Zenq\Framework\ZenqConsole").
// Stored with QSettings: organisation "Vantrel", application "Zenq", the rest of the key as group, in
// $XDG_CONFIG_HOME/Vantrel/Zenq.conf (looked up at each call, so tests can move it). Thread-safe.
#include <QRect>
#include <QString>
#include <QStringList>

// The console's key.
inline const QString ZenqConsoleRegistryKey = QStringLiteral("Software\\Vantrel\\Zenq\\Framework\\ZenqConsole");

// The settings file and the group that a key maps to.
QString ZenqSettingsFileName();
QString ZenqRegistryGroup(const QString &key);

// A missing or non-integer value gives the default.
int JGetRegistryInt(const QString &key, const QString &name, int defaultValue);
void JSetRegistryInt(const QString &key, const QString &name, int value);
QString JGetRegistryString(const QString &key, const QString &name, const QString &defaultValue = {});
void JSetRegistryString(const QString &key, const QString &name, const QString &value);
bool JRegistryValueExists(const QString &key, const QString &name);
// Names of the values stored under the key.
QStringList JGetRegistryValueNames(const QString &key);

// Window placement: the normal geometry and the show state (0 normal, 1 minimised, 2 maximised).
// False (arguments untouched) when no placement is stored or it is unreadable.
bool JGetRegistryWindowPlacement(const QString &key, const QString &name, QRect &geometry, int &showState);
void JSetRegistryWindowPlacement(const QString &key, const QString &name, const QRect &geometry, int showState);
