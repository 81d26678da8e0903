#include "ZenqClock.h"

#include "platform/Clock.h"

namespace {

class SystemClock final : public ZenqClock
{
public:
    quint32 tickCount() override { return platform::tickCount(); }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    qint64 currentMSecsSinceEpoch() override { return QDateTime::currentMSecsSinceEpoch(); }
};

std::unique_ptr<ZenqClock> &current()
{
    static std::unique_ptr<ZenqClock> clock = std::make_unique<SystemClock>();
    return clock;
}

} // namespace

ZenqClock &ZenqCurrentClock()
{
    return *current();
}

std::unique_ptr<ZenqClock> ZenqSetClock(std::unique_ptr<ZenqClock> clock)
{
    if (!clock)
        clock = std::make_unique<SystemClock>();
    current().swap(clock);
    return clock;
}

quint32 GetTickCount()
{
    return ZenqCurrentClock().tickCount();
}
