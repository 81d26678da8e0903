#include "ZenqInterCommunication.h"

#include "framework/ZenqUserInterface.h"
#include "framework/ZenqWindowClasses.h"

#include <QStringList>

namespace {

// Shows what the options ask for and takes it back when the broadcast ends, however it ends.
class BroadcastFrame
{
public:
    explicit BroadcastFrame(TZenqMessageOptions options) : m_options(options)
    {
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            JWaitCursor();
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            m_progress = ZenqUI().showProgressMessage(ZenqInformingOtherApplicationsText);
    }
    ~BroadcastFrame()
    {
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            ZenqUI().closeProgressMessage(m_progress);
        if (m_options.testFlag(TZenqMessageOption::BringToFront))
            ZenqUI().bringToFront();
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            JDefaultCursor();
    }
    BroadcastFrame(const BroadcastFrame &) = delete;
    BroadcastFrame &operator=(const BroadcastFrame &) = delete;

private:
    TZenqMessageOptions m_options;
    int m_progress = 0;
};

} // namespace

const QStringList &ZenqFrameworkWindowClassesInBroadcastOrder()
{
    static const QStringList classes {
        ZenqWindowClass::ServiceWindow, ZenqWindowClass::Console,         ZenqWindowClass::Server,
        ZenqWindowClass::Browser,       ZenqWindowClass::SXTEditor,       ZenqWindowClass::Monitor,
        ZenqWindowClass::FrameworkEngine, ZenqWindowClass::FrameworkHelper,
    };
    return classes;
}

void BroadcastToAllApplications(const QString &messageName, TZenqMessageOptions options)
{
    BroadcastFrame frame(options);
    for (const QString &windowClass : ZenqFrameworkWindowClassesInBroadcastOrder())
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(messageName, windowClass, {}, true, 0, QString());
}
