#pragma once
// The console's broadcasts to the other framework programs. UI thread only.
#include "framework/ZenqMessages.h"

// The framework window classes in the order the full broadcast addresses them (the framework server
// and browser programs in third and fourth place).
const QStringList &ZenqFrameworkWindowClassesInBroadcastOrder();

// Full broadcast: posts the message to every framework window class, the console's own included,
// inside the frame of the options (wait cursor, progress window, bring to front), which is undone on
// every path.
void BroadcastToAllApplications(const QString &messageName, TZenqMessageOptions options);
