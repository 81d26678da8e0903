#pragma once
// Scheduling priority of the calling thread. Thread-safe.

namespace platform {

// Gives the calling thread the lowest normal priority (nice 19 on Linux, where niceness is per thread),
// so background waiting never competes with the user interface. False when the system refuses.
bool lowerCurrentThreadPriority();

} // namespace platform
