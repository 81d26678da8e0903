#pragma once
// The door to the IIS metabase: opens objects by path, reads properties, calls methods, lists children.
// UI thread only; not thread-safe. This platform has no ADSI, so the installed provider reports itself
// unavailable until a port (or a test) installs another one.
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

// One opened metabase object (an ADSI object seen through IADs / IDispatch).
class ZenqADSIObject
{
public:
    virtual ~ZenqADSIObject() = default;
    // The object's relative name (IADs Name): for a web site its number, for a pool its pool name.
    virtual QString name() const = 0;
    // The property's value; an array property is a QVariantList or QStringList. Empty when the read fails.
    virtual std::optional<QVariant> get(const QString &property) = 0;
    // Calls a method without arguments ("GetInfo", "AppUnload", "Start", "Stop"); false when the call fails.
    virtual bool invoke(const QString &method) = 0;
};

class ZenqADSIProvider
{
public:
    ZenqADSIProvider() = default;
    virtual ~ZenqADSIProvider() = default;
    ZenqADSIProvider(const ZenqADSIProvider &) = delete;
    ZenqADSIProvider &operator=(const ZenqADSIProvider &) = delete;

    // True when the ADSI library is loaded; no other call is made on an unavailable provider.
    virtual bool available() const = 0;
    // The object at an "IIS://..." path, or null when the path names nothing.
    virtual std::unique_ptr<ZenqADSIObject> getObject(const QString &path) = 0;
    // The children of a container in enumeration order; empty optional when the path cannot be bound as
    // a container or enumerated.
    virtual std::optional<std::vector<std::unique_ptr<ZenqADSIObject>>> children(const QString &path) = 0;
};

// The provider of a machine without ADSI.
class ZenqUnavailableADSIProvider final : public ZenqADSIProvider
{
public:
    bool available() const override { return false; }
    std::unique_ptr<ZenqADSIObject> getObject(const QString &) override { return nullptr; }
    std::optional<std::vector<std::unique_ptr<ZenqADSIObject>>> children(const QString &) override
    {
        return std::nullopt;
    }
};

// The provider in use; the unavailable one unless another was installed.
ZenqADSIProvider &ZenqCurrentADSIProvider();
// Installs a provider (null restores the unavailable one) and returns the previous one.
std::unique_ptr<ZenqADSIProvider> ZenqSetADSIProvider(std::unique_ptr<ZenqADSIProvider> provider);
