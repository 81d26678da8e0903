#include "TraceOptions.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqRegistry.h"

bool ZenqReadCheckOption(const QString &valueName, bool defaultChecked)
{
    return JGetRegistryInt(ZenqConsoleRegistryKey, valueName, defaultChecked ? 1 : 0) == 1;
}

TraceOptions ZenqReadTraceOptions()
{
    TraceOptions options;
    options.traceOn = ZenqReadCheckOption(QStringLiteral("TraceOn"), true);
    options.escape = ZenqReadCheckOption(QStringLiteral("MENUEscape"), true);
    options.ignoreEmptyLines = ZenqReadCheckOption(QStringLiteral("MENUIgnoreEmptyLines"), true);
    options.shorten = ZenqReadCheckOption(QStringLiteral("MENUShortenLinesGreater1024"), true);
    options.elapsedTime = ZenqReadCheckOption(QStringLiteral("MENUExecTimeAsDifference"), true);
    options.memoryInfoChecked = ZenqReadCheckOption(QStringLiteral("MENUNormalTraceMemoryInfo"), false);
    options.memoryInfoEnabled = ZenqMemory_Consumption();
    return options;
}
