#include "ZenqIISHelper.h"

#include <QThread>

namespace {

const QString WebServerKeyType = QStringLiteral("IIsWebServer");
const QString DefaultWebSiteName = QStringLiteral("Default Web Site");
const QString Port80Binding = QStringLiteral(":80:");

// Recycling gives a stopping pool this many waits of this length before starting it again.
constexpr int RecycleMaxWaits = 101;
constexpr int RecycleWaitMilliseconds = 10;

void sleepingWait(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

ZenqIISWait &currentWait()
{
    static ZenqIISWait wait = sleepingWait;
    return wait;
}

bool isArray(const QVariant &value)
{
    const int type = value.typeId();
    return type == QMetaType::QVariantList || type == QMetaType::QStringList;
}

// GetEx answers an array even for a single value; the metabase's key type is its first element.
QString firstElementText(const QVariant &value)
{
    if (isArray(value)) {
        const QVariantList list = value.toList();
        return list.isEmpty() ? QString() : list.first().toString();
    }
    return value.toString();
}

std::optional<int> readInt(ZenqADSIObject &object, const QString &property)
{
    const std::optional<QVariant> value = object.get(property);
    if (!value)
        return std::nullopt;
    bool ok = false;
    const int number = value->toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

// Opens the object and, on success, hands it to the action; otherwise the open's code.
template<typename Action>
int withObject(const QString &path, Action action)
{
    std::unique_ptr<ZenqADSIObject> object;
    const int code = IISGetObject(path, object);
    return code == ZenqIIS_OK ? action(*object) : code;
}

int invokeOn(const QString &path, const QString &method)
{
    return withObject(path, [&](ZenqADSIObject &object) {
        return object.invoke(method) ? int(ZenqIIS_OK) : int(ZenqIIS_AccessFailed);
    });
}

// Started, starting, or paused (1, 2, 7): a site that serves or will serve requests.
bool isStartedSite(ZenqADSIObject &site)
{
    if (!site.invoke(QStringLiteral("GetInfo")))
        return false;
    const std::optional<int> status = readInt(site, QStringLiteral("Status"));
    return status && (*status == 1 || *status == 2 || *status == 7);
}

QString addressFromBinding(const QString &binding)
{
    QString address;
    if (binding == Port80Binding)
        address = ZenqIISLoopbackHost;
    else if (binding.startsWith(QLatin1Char(':')))
        address = ZenqIISLoopbackHost + binding;
    else
        address = binding;
    while (address.endsWith(QLatin1Char(':')))
        address.chop(1);
    if (address.endsWith(QLatin1String(":80")))
        address.chop(3);
    return address;
}

// The code of the isolation-mode query; iis5Isolation is valid only on 0.
int isolationModeQuery(bool &iis5Isolation)
{
    if (IISMajorVersion() <= 5)
        return ZenqIIS_Version5OrLower;
    return withObject(ZenqIISServiceRoot, [&](ZenqADSIObject &root) {
        const std::optional<QVariant> value = root.get(QStringLiteral("IIs5IsolationModeEnabled"));
        if (!value)
            return int(ZenqIIS_AccessFailed);
        iis5Isolation = value->toBool();
        return int(ZenqIIS_OK);
    });
}

} // namespace

QString ZenqIISSitePath(int siteNumber)
{
    return ZenqIISServiceRoot + QLatin1Char('/') + QString::number(siteNumber);
}

QString ZenqIISVirtualDirPath(int siteNumber, const QString &directoryName)
{
    return ZenqIISSitePath(siteNumber) + QStringLiteral("/Root/") + directoryName;
}

QString ZenqIISAppPoolPath(const QString &poolName)
{
    return ZenqIISServiceRoot + QStringLiteral("/AppPools/") + poolName;
}

bool IISADSIAvailable()
{
    return ZenqCurrentADSIProvider().available();
}

int IISGetObject(const QString &path, std::unique_ptr<ZenqADSIObject> &object)
{
    object.reset();
    if (!IISADSIAvailable())
        return ZenqIIS_NoADSI;
    object = ZenqCurrentADSIProvider().getObject(path);
    return object ? ZenqIIS_OK : ZenqIIS_NoObject;
}

int IISEnumChildren(const QString &path, const QString &keyTypeFilter, QStringList &names)
{
    if (!IISADSIAvailable())
        return ZenqIIS_NoADSI;
    auto children = ZenqCurrentADSIProvider().children(path);
    if (!children)
        return ZenqIIS_NoADSI;
    for (const std::unique_ptr<ZenqADSIObject> &child : *children) {
        if (!keyTypeFilter.isEmpty()) {
            const std::optional<QVariant> keyType = child->get(QStringLiteral("KeyType"));
            if (!keyType || firstElementText(*keyType) != keyTypeFilter)
                continue;
        }
        names.append(child->name());
    }
    return ZenqIIS_OK;
}

bool IISGetServerBinding(ZenqADSIObject &site, bool port80Only, QString &binding)
{
    const std::optional<QVariant> bindings = site.get(QStringLiteral("ServerBindings"));
    if (!bindings || !isArray(*bindings))
        return false;
    const QVariantList elements = bindings->toList();
    for (const QVariant &element : elements) {
        binding = element.toString();
        if (!port80Only || binding == Port80Binding)
            return true;
    }
    return false;
}

int IISFindLocalWebSite(QString &address)
{
    address.clear();
    {
        std::unique_ptr<ZenqADSIObject> root;
        const int code = IISGetObject(ZenqIISServiceRoot, root);
        if (code < 0)
            return code;
    }

    QStringList siteNames;
    IISEnumChildren(ZenqIISServiceRoot, WebServerKeyType, siteNames);
    for (qsizetype i = 0; i < siteNames.size(); ++i) {
        // The metabase names web sites by number; anything else is no site to report.
        bool numeric = false;
        const int siteNumber = siteNames.at(i).toInt(&numeric);
        std::unique_ptr<ZenqADSIObject> site;
        if (IISGetObject(ZenqIISServiceRoot + QLatin1Char('/') + siteNames.at(i), site) != ZenqIIS_OK) {
            // Only the last candidate's failure is reported; earlier ones may be mere leftovers.
            if (i == siteNames.size() - 1)
                return ZenqIIS_AccessFailed;
            continue;
        }
        if (!numeric || siteNumber <= 0 || !isStartedSite(*site))
            continue;

        QString binding;
        bool found = IISGetServerBinding(*site, true, binding);
        if (!found) {
            const std::optional<QVariant> comment = site->get(QStringLiteral("ServerComment"));
            found = comment && comment->toString() == DefaultWebSiteName;
        }
        if (found) {
            binding.clear();
            IISGetServerBinding(*site, false, binding);
            address = addressFromBinding(binding);
            return siteNumber;
        }
    }
    return ZenqIIS_NoADSI;
}

int IISLocalWebSiteNumber()
{
    QString address;
    return IISFindLocalWebSite(address);
}

int IISMajorVersion()
{
    return withObject(ZenqIISInfoPath, [](ZenqADSIObject &info) {
        return readInt(info, QStringLiteral("MajorIIsVersionNumber")).value_or(0);
    });
}

int IISGetVirtualDirPath(int siteNumber, const QString &directoryName, QString &physicalPath)
{
    return withObject(ZenqIISVirtualDirPath(siteNumber, directoryName), [&](ZenqADSIObject &directory) {
        const std::optional<QVariant> path = directory.get(QStringLiteral("Path"));
        if (!path)
            return int(ZenqIIS_AccessFailed);
        physicalPath = path->toString();
        return int(ZenqIIS_OK);
    });
}

int IISUnloadVirtualDir(int siteNumber, const QString &directoryName)
{
    return invokeOn(ZenqIISVirtualDirPath(siteNumber, directoryName), QStringLiteral("AppUnload"));
}

bool IISAppPoolsInUse()
{
    bool iis5Isolation = true;
    return isolationModeQuery(iis5Isolation) == ZenqIIS_OK && !iis5Isolation;
}

bool IISAppPoolExists(const QString &poolName)
{
    std::unique_ptr<ZenqADSIObject> pool;
    return IISGetObject(ZenqIISAppPoolPath(poolName), pool) == ZenqIIS_OK;
}

int IISAppPoolState(const QString &poolName)
{
    return withObject(ZenqIISAppPoolPath(poolName), [](ZenqADSIObject &pool) {
        const std::optional<int> state = readInt(pool, QStringLiteral("AppPoolState"));
        if (!state)
            return int(ZenqIIS_AccessFailed);
        switch (*state) {
        case 1: // starting
        case 2: // started
            return 1;
        case 3: // stopping
        case 4: // stopped
            return 0;
        default:
            return 2;
        }
    });
}

int IISStartAppPool(const QString &poolName)
{
    return invokeOn(ZenqIISAppPoolPath(poolName), QStringLiteral("Start"));
}

int IISStopAppPool(const QString &poolName)
{
    return invokeOn(ZenqIISAppPoolPath(poolName), QStringLiteral("Stop"));
}

int IISRecycleAppPool(const QString &poolName)
{
    if (!IISAppPoolExists(poolName))
        return ZenqIIS_OK;
    switch (IISAppPoolState(poolName)) {
    case 0:
        return IISStartAppPool(poolName);
    case 1: {
        const int stopCode = IISStopAppPool(poolName);
        // Start regardless of the stop's outcome: a pool must not be left stopped by a recycle.
        for (int waits = 0; waits < RecycleMaxWaits && IISAppPoolState(poolName) == 1; ++waits)
            currentWait()(RecycleWaitMilliseconds);
        const int startCode = IISStartAppPool(poolName);
        return stopCode != ZenqIIS_OK ? stopCode : startCode;
    }
    default:
        return ZenqIIS_NoADSI;
    }
}

bool IISUnloadVirtualDirs(const QStringList &directoryNames, const QString &poolName, const QString &pathFilter)
{
    const int siteNumber = IISLocalWebSiteNumber();
    if (siteNumber <= 0)
        return true;
    if (IISAppPoolsInUse())
        return IISRecycleAppPool(poolName) == ZenqIIS_OK || directoryNames.isEmpty();

    bool success = true;
    for (const QString &name : directoryNames) {
        QString physicalPath;
        if (IISGetVirtualDirPath(siteNumber, name, physicalPath) != ZenqIIS_OK)
            continue;
        if (!pathFilter.isEmpty() && physicalPath.compare(pathFilter, Qt::CaseInsensitive) != 0)
            continue;
        if (success)
            success = IISUnloadVirtualDir(siteNumber, name) == ZenqIIS_OK;
    }
    return success;
}

QString ZenqIISWebServerHost()
{
    QString address;
    // A site without any binding yields no address; the loopback host still reaches it.
    if (IISFindLocalWebSite(address) > 0 && !address.isEmpty())
        return address;
    return ZenqIISLoopbackHost;
}

ZenqIISWait ZenqSetIISWait(ZenqIISWait wait)
{
    if (!wait)
        wait = sleepingWait;
    std::swap(currentWait(), wait);
    return wait;
}
