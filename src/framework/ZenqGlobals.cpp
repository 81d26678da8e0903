#include "ZenqGlobals.h"

#include "ZenqConfig.h"

namespace {
bool webApplication = false;
int globalsReferences = 0;
TZenqApplicationType applicationType = TZenqApplicationType::WindowsApplication;

bool isWebServer(TZenqApplicationType type)
{
    return type >= TZenqApplicationType::ISAPIServer && type <= TZenqApplicationType::XMLHTTPServer;
}
} // namespace

void ZenqIsRunningAsWebApplication_Init(qint64, TZenqApplicationType type)
{
    webApplication = isWebServer(type);
}

void ZenqIsRunningAsWebApplication_Release(TZenqApplicationType)
{
    webApplication = false;
}

bool ZenqIsRunningAsWebApplication()
{
    return webApplication;
}

void ZenqGlobalVariables_Init(TZenqApplicationType type, bool)
{
    if (globalsReferences++ == 0)
        applicationType = type;
}

void ZenqGlobalVariables_Release(TZenqApplicationType, bool)
{
    if (globalsReferences > 0 && --globalsReferences == 0) {
        applicationType = TZenqApplicationType::WindowsApplication;
        ZenqConfigCacheClear();
    }
}

TZenqApplicationType ZenqGlobalApplicationType()
{
    return applicationType;
}

bool ZenqGlobalVariablesInitialised()
{
    return globalsReferences > 0;
}

void MemoryConsumptionTimer_Release()
{
}
