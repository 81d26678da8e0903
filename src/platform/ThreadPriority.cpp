#include "ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

bool lowerCurrentThreadPriority()
{
    // QThread::LowestPriority has no effect under SCHED_OTHER; the thread's nice value does.
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    return ::setpriority(PRIO_PROCESS, tid, 19) == 0;
}

} // namespace platform
