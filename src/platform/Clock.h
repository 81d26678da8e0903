#pragma once
// Monotonic milliseconds of this machine. Thread-safe.
#include <QtGlobal>

namespace platform {

// Milliseconds since boot, cut to 32 bits like the tick count that callers compare with wrap-around.
quint32 tickCount();

} // namespace platform
