#include "ZenqProcessInfo.h"

#include "platform/CpuUsage.h"

int GetCPUUsage()
{
    return platform::cpuUsagePercent();
}
