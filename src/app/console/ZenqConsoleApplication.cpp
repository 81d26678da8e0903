#include "ZenqConsoleApplication.h"

#include "tools/ConsoleErrors.h"
#include "framework/ZenqUserInterface.h"

#include <exception>

bool ZenqConsoleApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        JUserMessage(ZenqApplicationErrorText(QString::fromUtf8(error.what())), static_cast<int>(JMessageFlag::IconError));
    } catch (...) {
        JUserMessage(ZenqApplicationErrorText(QStringLiteral("An unknown error occurred.")),
                     static_cast<int>(JMessageFlag::IconError));
    }
    return false;
}
