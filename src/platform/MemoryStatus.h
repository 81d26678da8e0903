#pragma once
// The machine's memory figures in the shape of the console's memory status row. Thread-safe.
//
// Mapping (all figures in bytes, 64-bit):
// - physical: MemTotal and MemAvailable of /proc/meminfo;
// - page file: the commit limit, i.e. CommitLimit, and what is left of it, CommitLimit - Committed_AS,
//   not below 0 (the kernel may commit beyond the limit when overcommit is allowed);
// - virtual: the user address space of this process, RLIMIT_AS when it is finite, else the
//   architecture's (128 TiB on x86-64), and its unused part, that size minus VmSize of
//   /proc/self/status, not below 0;
// - memory load: used physical memory (total - available) in percent of the total, rounded.
// Where /proc/meminfo cannot be read, sysinfo gives RAM for physical and RAM plus swap for the page file.
#include <QByteArrayView>
#include <QtGlobal>

namespace platform {

struct MemoryStatus
{
    quint32 memoryLoadPercent = 0;
    quint64 totalPhysical = 0;
    quint64 availablePhysical = 0;
    quint64 totalVirtual = 0;
    quint64 availableVirtual = 0;
    quint64 totalPageFile = 0;
    quint64 availablePageFile = 0;
};

// The current figures; a figure that cannot be read is 0.
MemoryStatus memoryStatus();

// The mapping above from the texts of /proc/meminfo and /proc/self/status and the size of the user
// address space; missing fields count as 0 (MemAvailable falls back to MemFree + Buffers + Cached).
MemoryStatus memoryStatusFrom(QByteArrayView meminfo, QByteArrayView selfStatus, quint64 userAddressSpace);

// Bytes of address space this process may map: RLIMIT_AS when finite, else the architecture's user space.
quint64 userAddressSpace();

} // namespace platform
