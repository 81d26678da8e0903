#include "CpuUsage.h"

#include <QFile>
#include <QMutex>

#include <optional>

namespace platform {

CpuTimes cpuTimesFrom(QByteArrayView procStat)
{
    CpuTimes times;
    const qsizetype end = procStat.indexOf('\n');
    const QByteArrayView line = end < 0 ? procStat : procStat.first(end);
    if (!line.startsWith("cpu "))
        return times;
    // user nice system idle iowait irq softirq steal guest guest_nice
    const QList<QByteArray> fields = line.toByteArray().simplified().split(' ');
    for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
        const quint64 jiffies = fields.at(i).toULongLong();
        times.total += jiffies;
        if (i != 4 && i != 5) // idle and iowait
            times.busy += jiffies;
    }
    return times;
}

int cpuLoadPercent(const CpuTimes &earlier, const CpuTimes &later)
{
    if (later.total <= earlier.total || later.busy < earlier.busy)
        return 0;
    const quint64 total = later.total - earlier.total;
    const quint64 busy = qMin(later.busy - earlier.busy, total);
    return static_cast<int>(qRound64(100.0 * double(busy) / double(total)));
}

int cpuUsagePercent()
{
    static QMutex mutex;
    static std::optional<CpuTimes> previous;

    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const CpuTimes now = cpuTimesFrom(file.readLine());

    const QMutexLocker lock(&mutex);
    const int percent = previous ? cpuLoadPercent(*previous, now) : 0;
    previous = now;
    return percent;
}

} // namespace platform
