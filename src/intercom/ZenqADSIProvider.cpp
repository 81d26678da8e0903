#include "ZenqADSIProvider.h"

namespace {

std::unique_ptr<ZenqADSIProvider> &installedProvider()
{
    static std::unique_ptr<ZenqADSIProvider> provider = std::make_unique<ZenqUnavailableADSIProvider>();
    return provider;
}

} // namespace

ZenqADSIProvider &ZenqCurrentADSIProvider()
{
    return *installedProvider();
}

std::unique_ptr<ZenqADSIProvider> ZenqSetADSIProvider(std::unique_ptr<ZenqADSIProvider> provider)
{
    if (!provider)
        provider = std::make_unique<ZenqUnavailableADSIProvider>();
    installedProvider().swap(provider);
    return provider;
}
