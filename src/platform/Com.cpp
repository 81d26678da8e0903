#include "Com.h"

namespace platform {

ComResult comInitialize()
{
    return ComResult::Ok;
}

void comUninitialize()
{
}

} // namespace platform
