#include "MemoryStatus.h"

#include <QFile>

#include <sys/resource.h>
#include <sys/sysinfo.h>

namespace platform {

namespace {

// The figure of a "Name:   1234 kB" line in bytes, or -1 when the name is absent.
qint64 kernelFigure(QByteArrayView text, QByteArrayView name)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(at, end - at);
        at = end + 1;
        if (!line.startsWith(name) || line.size() <= name.size() || line.at(name.size()) != ':')
            continue;
        QByteArrayView value = line.sliced(name.size() + 1).trimmed();
        qint64 unit = 1;
        if (value.endsWith("kB")) {
            unit = 1024;
            value = value.chopped(2).trimmed();
        }
        bool ok = false;
        const qint64 number = value.toLongLong(&ok);
        return ok && number >= 0 ? number * unit : -1;
    }
    return -1;
}

quint64 figureOrZero(QByteArrayView text, QByteArrayView name)
{
    const qint64 figure = kernelFigure(text, name);
    return figure < 0 ? 0 : static_cast<quint64>(figure);
}

quint64 lessOrZero(quint64 total, quint64 used)
{
    return total > used ? total - used : 0;
}

quint32 loadPercent(quint64 total, quint64 available)
{
    if (total == 0)
        return 0;
    return static_cast<quint32>(qRound64(100.0 * double(lessOrZero(total, available)) / double(total)));
}

QByteArray readProcFile(const char *path)
{
    QFile file(QString::fromLatin1(path));
    // /proc files report size 0, so read until the end rather than by size.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

MemoryStatus memoryStatusFrom(QByteArrayView meminfo, QByteArrayView selfStatus, quint64 userAddressSpace)
{
    MemoryStatus status;
    status.totalPhysical = figureOrZero(meminfo, "MemTotal");
    const qint64 available = kernelFigure(meminfo, "MemAvailable");
    // Kernels before 3.14 lack MemAvailable; free plus caches is the estimate it replaced.
    status.availablePhysical = available >= 0 ? static_cast<quint64>(available)
                                              : figureOrZero(meminfo, "MemFree") + figureOrZero(meminfo, "Buffers")
                                                    + figureOrZero(meminfo, "Cached");
    status.memoryLoadPercent = loadPercent(status.totalPhysical, status.availablePhysical);
    status.totalPageFile = figureOrZero(meminfo, "CommitLimit");
    status.availablePageFile = lessOrZero(status.totalPageFile, figureOrZero(meminfo, "Committed_AS"));
    status.totalVirtual = userAddressSpace;
    status.availableVirtual = lessOrZero(userAddressSpace, figureOrZero(selfStatus, "VmSize"));
    return status;
}

quint64 userAddressSpace()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return static_cast<quint64>(limit.rlim_cur);
#if defined(Q_PROCESSOR_X86_64)
    return quint64(1) << 47; // 4-level paging; with 5 levels the kernel maps above it only when asked to
#elif defined(Q_PROCESSOR_ARM_64)
    return quint64(1) << 48; // 48-bit virtual addresses, the distributions' kernel setting
#elif Q_PROCESSOR_WORDSIZE == 8
    return quint64(1) << 47;
#else
    return quint64(3) << 30; // the 3 GiB / 1 GiB split of 32-bit kernels
#endif
}

MemoryStatus memoryStatus()
{
    const QByteArray meminfo = readProcFile("/proc/meminfo");
    MemoryStatus status = memoryStatusFrom(meminfo, readProcFile("/proc/self/status"), userAddressSpace());
    struct sysinfo info {};
    if (meminfo.isEmpty() && ::sysinfo(&info) == 0) {
        const quint64 unit = info.mem_unit == 0 ? 1 : info.mem_unit;
        status.totalPhysical = quint64(info.totalram) * unit;
        status.availablePhysical = (quint64(info.freeram) + quint64(info.bufferram)) * unit;
        status.memoryLoadPercent = loadPercent(status.totalPhysical, status.availablePhysical);
        // Without the commit figures, RAM and swap together are the nearest to a commit limit.
        status.totalPageFile = (quint64(info.totalram) + quint64(info.totalswap)) * unit;
        status.availablePageFile = (quint64(info.freeram) + quint64(info.freeswap)) * unit;
    }
    return status;
}

} // namespace platform
