#pragma once
// The framework library's process-wide state that the start-up binding switches on and off.
// Main thread only (called from the binding, before and after the program's own work).
#include "ZenqTypes.h"
#include <QtGlobal>

void ZenqIsRunningAsWebApplication_Init(qint64 processId, TZenqApplicationType type);
void ZenqIsRunningAsWebApplication_Release(TZenqApplicationType type);
// True while the module was bound as one of the four web servers.
bool ZenqIsRunningAsWebApplication();

void ZenqGlobalVariables_Init(TZenqApplicationType type, bool flag);
void ZenqGlobalVariables_Release(TZenqApplicationType type, bool flag);
// The type the module was bound with (Windows application when nothing is bound).
TZenqApplicationType ZenqGlobalApplicationType();
bool ZenqGlobalVariablesInitialised();

void MemoryConsumptionTimer_Release();
