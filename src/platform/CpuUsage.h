#pragma once
// The processor load of the whole machine, measured between two looks at /proc/stat. Thread-safe.
#include <QByteArrayView>
#include <QtGlobal>

namespace platform {

// Cumulative jiffies of all processors since boot.
struct CpuTimes
{
    quint64 busy = 0;
    quint64 total = 0;
};

// Load in percent (0 to 100) since the previous call from any thread; 0 on the first call and when
// /proc/stat cannot be read.
int cpuUsagePercent();

// The "cpu" summary line of a /proc/stat text; zeros when there is none. Guest time is already part of
// user time and is not counted twice.
CpuTimes cpuTimesFrom(QByteArrayView procStat);

// Busy share of the time between two samples in percent (0 to 100), rounded; 0 when no time passed or
// the counters went backwards.
int cpuLoadPercent(const CpuTimes &earlier, const CpuTimes &later);

} // namespace platform
