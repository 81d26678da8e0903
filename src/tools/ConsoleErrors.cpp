#include "ConsoleErrors.h"

namespace {
QString beingRead;
}

void ZenqSetConfigurationBeingRead(const QString &name)
{
    beingRead = name;
}

QString ZenqConfigurationBeingRead()
{
    return beingRead;
}

QString ZenqApplicationErrorText(const QString &message)
{
    if (beingRead.isEmpty())
        return message;
    const QString text = QStringLiteral("Error while reading ") + beingRead + QStringLiteral(":\r\n\r\n") + message;
    beingRead.clear();
    return text;
}
