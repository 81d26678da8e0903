#pragma once
// Binds a module to the framework library before its own work and unbinds it afterwards: decides by
// the module's file name what kind of framework program it is, initialises the component model for
// desktop programs and starts and stops the library's global state. Main thread only.
#include "ZenqTypes.h"
#include <QString>

// The 26 instance texts of the server-name table; row 0 serves the ASP server pattern
// "Zenq?SPServer", row 1 the XMLHTTP server pattern "Zenq?MLHTTPServer".
const QString &ZenqServerInstanceName(int row, int index);

// The application type of a module from its pure file name (no directory, no extension).
TZenqApplicationType ZenqApplicationTypeOfModule(const QString &modulePureName);

class ZenqFrameworkComponentsStarter
{
public:
    // Start: runs once per unit reference; the module is the executable unless told otherwise.
    static void Initialize(const QString &executablePureName, const QString &modulePureName);
    static void Finalize();

    static bool started();
    static bool comInitialised();
    static TZenqApplicationType applicationType();
};

// RAII for a program's main(): binds with the running executable's name, unbinds at scope end.
class ZenqFrameworkBinding
{
public:
    ZenqFrameworkBinding();
    ~ZenqFrameworkBinding();
    ZenqFrameworkBinding(const ZenqFrameworkBinding &) = delete;
    ZenqFrameworkBinding &operator=(const ZenqFrameworkBinding &) = delete;
};
