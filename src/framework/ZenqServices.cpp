#include "ZenqServices.h"

#include "ZenqConfig.h"

void ZenqServices_ApplicationParameterChanged(const QString &, TZenqApplicationType)
{
    ZenqConfigCacheClear();
}

void ZenqServices_ApplicationParameterChanged_SomeGlobalSettingsOnly()
{
    ZenqConfigCacheClear();
}
