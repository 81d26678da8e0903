#pragma once
// The framework's services registry, as far as the console talks to it: telling the library that
// parameters changed so that it reloads them, and the services that calls of this process have loaded.
// Main thread only.
//
// On this platform a service N is a program: its library file `N.DLL` in the applications Bin directory
// is an executable that answers one request per start (see TZenqApplicationConnection::XML_Execute).
// "Loading" a service finds that program; releasing it forgets it until the next call loads it again.
#include "ZenqTypes.h"
#include <QString>

// Parameters of the installation changed: the library forgets what it read from configuration files.
void ZenqServices_ApplicationParameterChanged(const QString &applicationName, TZenqApplicationType type);
// Only the global trace settings changed: the library rereads them.
void ZenqServices_ApplicationParameterChanged_SomeGlobalSettingsOnly();

// A service as the registry holds it. The registry owns it; it stays registered (and its index stays
// valid) for the life of the process, loaded or released.
class TZenqStandardService
{
public:
    explicit TZenqStandardService(const QString &name) : m_name(name) {}
    TZenqStandardService(const TZenqStandardService &) = delete;
    TZenqStandardService &operator=(const TZenqStandardService &) = delete;

    QString name() const { return m_name; }
    // The program that answers for this service; empty while released.
    QString programFile() const { return m_programFile; }
    bool isLoaded() const { return !m_programFile.isEmpty(); }

private:
    friend TZenqStandardService *ZenqServices_ServiceByName(const QString &, bool);
    friend void ZenqStandardService_Release(int);
    QString m_name;
    QString m_programFile;
};

// The service's program file in the applications Bin directory ("N.DLL"), whether it exists or not.
QString ZenqServiceProgramFile(const QString &serviceName);

// The registered service of that name (compared without regard to case), loaded: its program found
// (the file name also compared without regard to case).
// A service whose program is missing throws std::runtime_error when `raiseIfMissing` is set, else
// answers null; nothing is registered for it then.
TZenqStandardService *ZenqServices_ServiceByName(const QString &serviceName, bool raiseIfMissing);
// Number of registered services; indices run from 0 in the order of first loading.
int ZenqServices_Count();
// The registered service at an index, or null outside 0 .. count - 1.
TZenqStandardService *ZenqServices_Service(int index);
// Releases the service at an index (a no-op for a released service or an index out of range).
void ZenqStandardService_Release(int index);
