#include "Clock.h"

#include <ctime>

namespace platform {

quint32 tickCount()
{
    timespec now {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const quint64 ms = static_cast<quint64>(now.tv_sec) * 1000u + static_cast<quint64>(now.tv_nsec) / 1000000u;
    return static_cast<quint32>(ms);
}

} // namespace platform
