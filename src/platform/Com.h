#pragma once
// The component object model of the original platform. There is none here: initialisation succeeds
// and does nothing, so callers keep their flag bookkeeping unchanged.

namespace platform {

enum class ComResult { Ok, AlreadyInitialised, Failed };

ComResult comInitialize();
void comUninitialize();

} // namespace platform
