#pragma once
// The framework's services registry, as far as the console talks to it: telling the library that
// parameters changed so that it reloads them. Main thread only.
#include "ZenqTypes.h"
#include <QString>

// Parameters of the installation changed: the library forgets what it read from configuration files.
void ZenqServices_ApplicationParameterChanged(const QString &applicationName, TZenqApplicationType type);
// Only the global trace settings changed: the library rereads them.
void ZenqServices_ApplicationParameterChanged_SomeGlobalSettingsOnly();
