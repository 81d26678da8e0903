// The IIS metabase helper against an in-memory metabase: site search, address, pool mode, recycle, unload.
#include "support/TestMain.h"

#include "intercom/ZenqIISHelper.h"

#include <QHash>
#include <QSet>
#include <QTest>

namespace {

struct FakeEntry
{
    QVariantMap properties;
    QStringList children;                // names in enumeration order
    QSet<QString> failingMethods;
    QHash<QString, QVariantMap> effects; // properties that a successful call sets
    bool opens = true;
};

// A metabase of entries by full path. Records every call that could change something.
class FakeMetabase final : public ZenqADSIProvider
{
public:
    bool isAvailable = true;
    QHash<QString, FakeEntry> entries;
    QStringList calls;  // "Method path-below-W3SVC", GetInfo left out
    int accesses = 0;   // opens and enumerations

    static QString fullPath(const QString &belowService)
    {
        return belowService.isEmpty() ? ZenqIISServiceRoot : ZenqIISServiceRoot + QLatin1Char('/') + belowService;
    }
    FakeEntry &entry(const QString &belowService) { return entries[fullPath(belowService)]; }

    bool available() const override { return isAvailable; }
    std::unique_ptr<ZenqADSIObject> getObject(const QString &path) override;
    std::optional<std::vector<std::unique_ptr<ZenqADSIObject>>> children(const QString &path) override;
};

class FakeObject final : public ZenqADSIObject
{
public:
    FakeObject(FakeMetabase &metabase, QString path) : m_metabase(metabase), m_path(std::move(path)) {}
    QString name() const override { return m_path.section(QLatin1Char('/'), -1); }
    std::optional<QVariant> get(const QString &property) override
    {
        const auto found = m_metabase.entries.constFind(m_path);
        if (found == m_metabase.entries.cend() || !found->properties.contains(property))
            return std::nullopt;
        return found->properties.value(property);
    }
    bool invoke(const QString &method) override
    {
        FakeEntry &entry = m_metabase.entries[m_path];
        if (method != QLatin1String("GetInfo"))
            m_metabase.calls.append(method + QLatin1Char(' ') + m_path.mid(ZenqIISServiceRoot.size() + 1));
        if (entry.failingMethods.contains(method))
            return false;
        const QVariantMap effects = entry.effects.value(method);
        for (auto it = effects.cbegin(); it != effects.cend(); ++it)
            entry.properties.insert(it.key(), it.value());
        return true;
    }

private:
    FakeMetabase &m_metabase;
    QString m_path;
};

std::unique_ptr<ZenqADSIObject> FakeMetabase::getObject(const QString &path)
{
    ++accesses;
    const auto found = entries.constFind(path);
    if (found == entries.cend() || !found->opens)
        return nullptr;
    return std::make_unique<FakeObject>(*this, path);
}

std::optional<std::vector<std::unique_ptr<ZenqADSIObject>>> FakeMetabase::children(const QString &path)
{
    ++accesses;
    const auto found = entries.constFind(path);
    if (found == entries.cend())
        return std::nullopt;
    std::vector<std::unique_ptr<ZenqADSIObject>> result;
    for (const QString &name : found->children)
        result.push_back(std::make_unique<FakeObject>(*this, path + QLatin1Char('/') + name));
    return result;
}

struct FakeSite
{
    QString name;
    int status = 2;
    QStringList bindings;
    QString comment;
    bool opens = true;
    QString keyType = QStringLiteral("IIsWebServer");
};

const QString Pool = QStringLiteral("ZenqPool");

} // namespace

Q_DECLARE_METATYPE(FakeSite)

class IISHelperTest : public QObject
{
    Q_OBJECT

    FakeMetabase *m_metabase = nullptr;
    std::unique_ptr<ZenqADSIProvider> m_previousProvider;
    ZenqIISWait m_previousWait;
    int m_waits = 0;
    std::function<void()> m_onWait;

    FakeMetabase &metabase() { return *m_metabase; }

    void addSite(const FakeSite &site)
    {
        FakeEntry &entry = metabase().entry(site.name);
        entry.opens = site.opens;
        entry.properties = {{QStringLiteral("KeyType"), QStringList{site.keyType}},
                            {QStringLiteral("Status"), site.status},
                            {QStringLiteral("ServerBindings"), site.bindings},
                            {QStringLiteral("ServerComment"), site.comment}};
        metabase().entry({}).children.append(site.name);
    }
    void addLocalSite() { addSite({QStringLiteral("1"), 2, {QStringLiteral(":80:")}, {}}); }

    void setVersion(int major, bool iis5Isolation)
    {
        metabase().entry(QStringLiteral("Info")).properties[QStringLiteral("MajorIIsVersionNumber")] = major;
        metabase().entry({}).properties[QStringLiteral("IIs5IsolationModeEnabled")] = iis5Isolation;
    }

    // A pool whose "Stop" takes it to stopping at once; "Start" to started.
    FakeEntry &addPool(const QString &name, int state)
    {
        FakeEntry &entry = metabase().entry(QStringLiteral("AppPools/") + name);
        entry.properties[QStringLiteral("AppPoolState")] = state;
        entry.effects[QStringLiteral("Stop")] = {{QStringLiteral("AppPoolState"), 3}};
        entry.effects[QStringLiteral("Start")] = {{QStringLiteral("AppPoolState"), 2}};
        return entry;
    }

    void addVirtualDir(const QString &name, const QString &physicalPath)
    {
        metabase().entry(QStringLiteral("1/Root/") + name).properties[QStringLiteral("Path")] = physicalPath;
    }

private Q_SLOTS:
    void init()
    {
        auto fake = std::make_unique<FakeMetabase>();
        m_metabase = fake.get();
        m_previousProvider = ZenqSetADSIProvider(std::move(fake));
        m_waits = 0;
        m_onWait = nullptr;
        m_previousWait = ZenqSetIISWait([this](int milliseconds) {
            QCOMPARE(milliseconds, 10);
            ++m_waits;
            if (m_onWait)
                m_onWait();
        });
    }
    void cleanup()
    {
        ZenqSetIISWait(m_previousWait);
        ZenqSetADSIProvider(std::move(m_previousProvider));
        m_metabase = nullptr;
    }

    void siteSearch_data()
    {
        QTest::addColumn<QList<FakeSite>>("sites");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("address");
        const QStringList port80{QStringLiteral(":80:")};
        const QStringList port8080{QStringLiteral(":8080:")};
        const QString defaultName = QStringLiteral("Default Web Site");

        QTest::newRow("started site with the :80: binding")
            << QList<FakeSite>{{"1", 2, port80, {}}} << 1 << "127.0.0.1";
        QTest::newRow("stopped site skipped, started one found")
            << QList<FakeSite>{{"1", 4, port80, {}}, {"2", 2, {":80:", "10.0.0.9:81:"}, {}}} << 2 << "127.0.0.1";
        QTest::newRow("starting counts as started") << QList<FakeSite>{{"3", 1, port80, {}}} << 3 << "127.0.0.1";
        QTest::newRow("paused counts as started") << QList<FakeSite>{{"3", 7, port80, {}}} << 3 << "127.0.0.1";
        QTest::newRow("stopping does not count") << QList<FakeSite>{{"3", 3, port80, {}}} << -1 << "";
        QTest::newRow("found by name without the :80: binding")
            << QList<FakeSite>{{"1", 2, port8080, defaultName}} << 1 << "127.0.0.1:8080";
        QTest::newRow("name compared exactly") << QList<FakeSite>{{"1", 2, port8080, "default web site"}} << -1 << "";
        QTest::newRow("binding with a host header is not :80:")
            << QList<FakeSite>{{"1", 2, {":80:www.example.org"}, {}}} << -1 << "";
        QTest::newRow(":80: later in the list; address from the first binding")
            << QList<FakeSite>{{"1", 2, {"10.1.2.3:80:", ":80:"}, {}}} << 1 << "10.1.2.3";
        QTest::newRow("first qualifying site wins, by name before a later :80:")
            << QList<FakeSite>{{"1", 2, port8080, defaultName}, {"2", 2, port80, {}}} << 1 << "127.0.0.1:8080";
        QTest::newRow("last site not opening gives -3 after unsuitable ones")
            << QList<FakeSite>{{"1", 4, port80, {}}, {"2", 2, port80, {}, false}} << -3 << "";
        QTest::newRow("earlier site not opening is passed over")
            << QList<FakeSite>{{"1", 2, port80, {}, false}, {"2", 2, port80, {}}} << 2 << "127.0.0.1";
        QTest::newRow("children of other key types are not sites")
            << QList<FakeSite>{{"1", 2, port80, {}}, {"Filters", 2, port80, {}, false, "IIsFilters"}} << 1
            << "127.0.0.1";
        QTest::newRow("no sites") << QList<FakeSite>{} << -1 << "";
        QTest::newRow("no suitable site") << QList<FakeSite>{{"1", 2, port8080, "Intranet"}} << -1 << "";
    }
    void siteSearch()
    {
        QFETCH(QList<FakeSite>, sites);
        QFETCH(int, result);
        QFETCH(QString, address);
        metabase().entry({});
        for (const FakeSite &site : sites)
            addSite(site);

        QString found = QStringLiteral("stale");
        QCOMPARE(IISFindLocalWebSite(found), result);
        QCOMPARE(found, address);
        QCOMPARE(IISLocalWebSiteNumber(), result);
        QCOMPARE(ZenqIISWebServerHost(), result > 0 ? address : QStringLiteral("127.0.0.1"));
        QVERIFY(metabase().calls.isEmpty());
    }

    void siteSearchWithoutServiceRootGivesItsCode()
    {
        QString address;
        QCOMPARE(IISFindLocalWebSite(address), -2);
        QCOMPARE(ZenqIISWebServerHost(), QStringLiteral("127.0.0.1"));
    }

    void addressFromFirstBinding_data()
    {
        QTest::addColumn<QString>("binding");
        QTest::addColumn<QString>("host");
        QTest::newRow("all addresses, port 80") << ":80:" << "127.0.0.1";
        QTest::newRow("all addresses, other port") << ":8080:" << "127.0.0.1:8080";
        QTest::newRow("port ending in 80 keeps it") << ":180:" << "127.0.0.1:180";
        QTest::newRow("own address, port 80") << "10.1.2.3:80:" << "10.1.2.3";
        QTest::newRow("own address, other port") << "10.1.2.3:8080:" << "10.1.2.3:8080";
        QTest::newRow("several trailing colons") << "10.1.2.3:80:::" << "10.1.2.3";
        QTest::newRow("empty binding falls back to loopback") << "" << "127.0.0.1";
    }
    void addressFromFirstBinding()
    {
        QFETCH(QString, binding);
        QFETCH(QString, host);
        addSite({QStringLiteral("1"), 2, {binding}, QStringLiteral("Default Web Site")});
        QCOMPARE(ZenqIISWebServerHost(), host);
    }

    void serverBinding_data()
    {
        QTest::addColumn<QVariant>("bindings");
        QTest::addColumn<bool>("port80Only");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("binding");
        const QVariant twoOthers = QStringList{"a:81:", "b:82:"};
        QTest::newRow("not an array") << QVariant(QStringLiteral(":80:")) << true << false << "";
        QTest::newRow("empty array") << QVariant(QStringList{}) << false << false << "";
        QTest::newRow("first element, even empty") << QVariant(QStringList{"", ":80:"}) << false << true << "";
        QTest::newRow(":80: after others") << QVariant(QVariantList{"a:81:", ":80:"}) << true << true << ":80:";
        QTest::newRow("no :80: leaves the last element") << twoOthers << true << false << "b:82:";
        QTest::newRow("unreadable") << QVariant() << false << false << "";
    }
    void serverBinding()
    {
        QFETCH(QVariant, bindings);
        QFETCH(bool, port80Only);
        QFETCH(bool, found);
        QFETCH(QString, binding);
        FakeEntry &site = metabase().entry(QStringLiteral("1"));
        if (bindings.isValid())
            site.properties[QStringLiteral("ServerBindings")] = bindings;
        std::unique_ptr<ZenqADSIObject> object;
        QCOMPARE(IISGetObject(ZenqIISSitePath(1), object), 0);
        QString text;
        QCOMPARE(IISGetServerBinding(*object, port80Only, text), found);
        QCOMPARE(text, binding);
    }

    void enumChildren()
    {
        FakeEntry &root = metabase().entry({});
        root.children = {"1", "Info", "2", "AppPools"};
        metabase().entry(QStringLiteral("1")).properties[QStringLiteral("KeyType")] = QStringList{"IIsWebServer"};
        metabase().entry(QStringLiteral("2")).properties[QStringLiteral("KeyType")] = QStringLiteral("iiswebserver");
        metabase().entry(QStringLiteral("AppPools")).properties[QStringLiteral("KeyType")] =
            QStringList{"IIsApplicationPools"};

        QStringList names{QStringLiteral("kept")};
        QCOMPARE(IISEnumChildren(ZenqIISServiceRoot, QStringLiteral("IIsWebServer"), names), 0);
        QCOMPARE(names, (QStringList{"kept", "1"}));

        names.clear();
        QCOMPARE(IISEnumChildren(ZenqIISServiceRoot, {}, names), 0);
        QCOMPARE(names, root.children);

        QCOMPARE(IISEnumChildren(ZenqIISSitePath(9), {}, names), -1);
    }

    void poolModeAndVersion_data()
    {
        QTest::addColumn<QVariant>("major");
        QTest::addColumn<QVariant>("iis5Isolation");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("poolsInUse");
        QTest::newRow("version 5") << QVariant(5) << QVariant(false) << 5 << false;
        QTest::newRow("version 6, worker isolation") << QVariant(6) << QVariant(false) << 6 << true;
        QTest::newRow("version 7, worker isolation") << QVariant(7) << QVariant(false) << 7 << true;
        QTest::newRow("version 6 in IIS 5 isolation") << QVariant(6) << QVariant(true) << 6 << false;
        QTest::newRow("isolation mode unreadable") << QVariant(6) << QVariant() << 6 << false;
        QTest::newRow("version unreadable") << QVariant() << QVariant(false) << 0 << false;
        QTest::newRow("version not a number") << QVariant("six") << QVariant(false) << 0 << false;
    }
    void poolModeAndVersion()
    {
        QFETCH(QVariant, major);
        QFETCH(QVariant, iis5Isolation);
        QFETCH(int, version);
        QFETCH(bool, poolsInUse);
        FakeEntry &info = metabase().entry(QStringLiteral("Info"));
        if (major.isValid())
            info.properties[QStringLiteral("MajorIIsVersionNumber")] = major;
        if (iis5Isolation.isValid())
            metabase().entry({}).properties[QStringLiteral("IIs5IsolationModeEnabled")] = iis5Isolation;
        QCOMPARE(IISMajorVersion(), version);
        QCOMPARE(IISAppPoolsInUse(), poolsInUse);
    }

    void versionWithoutInfoObjectIsItsCode()
    {
        QCOMPARE(IISMajorVersion(), -2);
        QVERIFY(!IISAppPoolsInUse());
    }

    void poolState_data()
    {
        QTest::addColumn<QVariant>("raw");
        QTest::addColumn<int>("state");
        QTest::newRow("starting") << QVariant(1) << 1;
        QTest::newRow("started") << QVariant(2) << 1;
        QTest::newRow("stopping") << QVariant(3) << 0;
        QTest::newRow("stopped") << QVariant(4) << 0;
        QTest::newRow("unknown 0") << QVariant(0) << 2;
        QTest::newRow("unknown 5") << QVariant(5) << 2;
        QTest::newRow("unreadable") << QVariant() << -3;
    }
    void poolState()
    {
        QFETCH(QVariant, raw);
        QFETCH(int, state);
        FakeEntry &pool = metabase().entry(QStringLiteral("AppPools/") + Pool);
        if (raw.isValid())
            pool.properties[QStringLiteral("AppPoolState")] = raw;
        QCOMPARE(IISAppPoolState(Pool), state);
        QVERIFY(IISAppPoolExists(Pool));
    }

    void objectOperationCodes()
    {
        QCOMPARE(IISAppPoolState(QStringLiteral("Missing")), -2);
        QVERIFY(!IISAppPoolExists(QStringLiteral("Missing")));
        QCOMPARE(IISStartAppPool(QStringLiteral("Missing")), -2);
        QCOMPARE(IISStopAppPool(QStringLiteral("Missing")), -2);
        QString path = QStringLiteral("kept");
        QCOMPARE(IISGetVirtualDirPath(1, QStringLiteral("Missing"), path), -2);
        QCOMPARE(path, QStringLiteral("kept"));
        QCOMPARE(IISUnloadVirtualDir(1, QStringLiteral("Missing")), -2);

        FakeEntry &pool = addPool(Pool, 2);
        pool.failingMethods = {QStringLiteral("Start"), QStringLiteral("Stop")};
        QCOMPARE(IISStartAppPool(Pool), -3);
        QCOMPARE(IISStopAppPool(Pool), -3);

        metabase().entry(QStringLiteral("1/Root/Bare"));
        QCOMPARE(IISGetVirtualDirPath(1, QStringLiteral("Bare"), path), -3);
        metabase().entry(QStringLiteral("1/Root/Bare")).failingMethods = {QStringLiteral("AppUnload")};
        QCOMPARE(IISUnloadVirtualDir(1, QStringLiteral("Bare")), -3);

        addVirtualDir(QStringLiteral("Zenq"), QStringLiteral("/srv/zenq"));
        QCOMPARE(IISGetVirtualDirPath(1, QStringLiteral("Zenq"), path), 0);
        QCOMPARE(path, QStringLiteral("/srv/zenq"));
        QCOMPARE(IISUnloadVirtualDir(1, QStringLiteral("Zenq")), 0);
        QCOMPARE(metabase().calls.last(), QStringLiteral("AppUnload 1/Root/Zenq"));
    }

    void recycle_data()
    {
        QTest::addColumn<QVariant>("state");       // invalid: no pool; "unreadable": no state property
        QTest::addColumn<int>("stoppedAfterWaits"); // -1: stays running after "Stop"
        QTest::addColumn<QStringList>("failing");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("waits");
        const QStringList stopStart{"Stop AppPools/ZenqPool", "Start AppPools/ZenqPool"};
        const QStringList start{"Start AppPools/ZenqPool"};
        QTest::newRow("no pool") << QVariant() << 0 << QStringList() << 0 << QStringList() << 0;
        QTest::newRow("stopped pool is started") << QVariant(4) << 0 << QStringList() << 0 << start << 0;
        QTest::newRow("stopping pool is started") << QVariant(3) << 0 << QStringList() << 0 << start << 0;
        QTest::newRow("failing start of a stopped pool") << QVariant(4) << 0 << QStringList{"Start"} << -3 << start << 0;
        QTest::newRow("running pool that leaves at once") << QVariant(2) << 0 << QStringList() << 0 << stopStart << 0;
        QTest::newRow("starting pool that leaves after 3 waits")
            << QVariant(1) << 3 << QStringList() << 0 << stopStart << 3;
        QTest::newRow("leaving on the last wait") << QVariant(2) << 101 << QStringList() << 0 << stopStart << 101;
        QTest::newRow("running pool that never leaves") << QVariant(2) << -1 << QStringList() << 0 << stopStart << 101;
        QTest::newRow("failing stop still starts again")
            << QVariant(2) << -1 << QStringList{"Stop"} << -3 << stopStart << 101;
        QTest::newRow("other state untouched") << QVariant(5) << 0 << QStringList() << -1 << QStringList() << 0;
        QTest::newRow("unreadable state untouched")
            << QVariant(QStringLiteral("unreadable")) << 0 << QStringList() << -1 << QStringList() << 0;
    }
    void recycle()
    {
        QFETCH(QVariant, state);
        QFETCH(int, stoppedAfterWaits);
        QFETCH(QStringList, failing);
        QFETCH(int, code);
        QFETCH(QStringList, calls);
        QFETCH(int, waits);
        if (state.isValid()) {
            FakeEntry &pool = addPool(Pool, state.toInt());
            if (state.typeId() == QMetaType::QString)
                pool.properties.remove(QStringLiteral("AppPoolState"));
            pool.failingMethods = QSet<QString>(failing.cbegin(), failing.cend());
            if (stoppedAfterWaits != 0)
                pool.effects.remove(QStringLiteral("Stop"));
            m_onWait = [this, stoppedAfterWaits] {
                if (m_waits == stoppedAfterWaits)
                    metabase().entry(QStringLiteral("AppPools/") + Pool).properties[QStringLiteral("AppPoolState")] = 4;
            };
        }
        QCOMPARE(IISRecycleAppPool(Pool), code);
        QCOMPARE(metabase().calls, calls);
        QCOMPARE(m_waits, waits);
    }

    void unloadVirtualDirs_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("iis5Isolation");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("failing"); // calls that fail, as recorded
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("calls");
        const QStringList both{"ZenqA", "ZenqB"};
        const QStringList unloadBoth{"AppUnload 1/Root/ZenqA", "AppUnload 1/Root/ZenqB"};
        const QStringList recycled{"Stop AppPools/ZenqPool", "Start AppPools/ZenqPool"};
        QTest::newRow("version 5 unloads the listed directories in order")
            << 5 << false << both << "" << QStringList() << true << unloadBoth;
        QTest::newRow("version 6 in IIS 5 isolation unloads too")
            << 6 << true << both << "" << QStringList() << true << unloadBoth;
        QTest::newRow("pools in use: recycle, directories ignored")
            << 6 << false << both << "" << QStringList() << true << recycled;
        QTest::newRow("pools in use: failing recycle")
            << 6 << false << both << "" << QStringList{"Start AppPools/ZenqPool"} << false << recycled;
        QTest::newRow("pools in use: failing recycle without directories")
            << 6 << false << QStringList() << "" << QStringList{"Start AppPools/ZenqPool"} << true << recycled;
        QTest::newRow("missing and pathless directories skipped")
            << 5 << false << QStringList{"Missing", "ZenqA", "Pathless", "ZenqB"} << "" << QStringList() << true
            << unloadBoth;
        QTest::newRow("path filter ignores case")
            << 5 << false << both << "/SRV/ZENQ" << QStringList() << true << QStringList{"AppUnload 1/Root/ZenqA"};
        QTest::newRow("first failure leaves the rest loaded")
            << 5 << false << both << "" << QStringList{"AppUnload 1/Root/ZenqA"} << false
            << QStringList{"AppUnload 1/Root/ZenqA"};
        QTest::newRow("failure of the last one")
            << 5 << false << both << "" << QStringList{"AppUnload 1/Root/ZenqB"} << false << unloadBoth;
    }
    void unloadVirtualDirs()
    {
        QFETCH(int, version);
        QFETCH(bool, iis5Isolation);
        QFETCH(QStringList, names);
        QFETCH(QString, filter);
        QFETCH(QStringList, failing);
        QFETCH(bool, result);
        QFETCH(QStringList, calls);
        addLocalSite();
        setVersion(version, iis5Isolation);
        addPool(Pool, 2);
        addVirtualDir(QStringLiteral("ZenqA"), QStringLiteral("/srv/zenq"));
        addVirtualDir(QStringLiteral("ZenqB"), QStringLiteral("/srv/other"));
        metabase().entry(QStringLiteral("1/Root/Pathless"));
        for (const QString &call : failing)
            metabase().entry(call.section(QLatin1Char(' '), 1)).failingMethods.insert(call.section(QLatin1Char(' '), 0, 0));

        QCOMPARE(IISUnloadVirtualDirs(names, Pool, filter), result);
        QCOMPARE(metabase().calls, calls);
    }

    void unloadWithoutLocalSiteDoesNothing()
    {
        addSite({QStringLiteral("1"), 4, {QStringLiteral(":80:")}, {}});
        setVersion(5, false);
        addVirtualDir(QStringLiteral("ZenqA"), QStringLiteral("/srv/zenq"));
        QVERIFY(IISUnloadVirtualDirs({QStringLiteral("ZenqA")}, Pool));
        QVERIFY(metabase().calls.isEmpty());
    }

    void withoutADSINothingIsTouched()
    {
        addLocalSite();
        setVersion(6, false);
        addPool(Pool, 4);
        addVirtualDir(QStringLiteral("ZenqA"), QStringLiteral("/srv/zenq"));
        metabase().isAvailable = false;

        QVERIFY(!IISADSIAvailable());
        std::unique_ptr<ZenqADSIObject> object;
        QCOMPARE(IISGetObject(ZenqIISServiceRoot, object), -1);
        QVERIFY(!object);
        QStringList names;
        QCOMPARE(IISEnumChildren(ZenqIISServiceRoot, {}, names), -1);
        QVERIFY(names.isEmpty());
        QString address;
        QCOMPARE(IISFindLocalWebSite(address), -1);
        QCOMPARE(address, QString());
        QCOMPARE(IISLocalWebSiteNumber(), -1);
        QCOMPARE(IISMajorVersion(), -1);
        QString path;
        QCOMPARE(IISGetVirtualDirPath(1, QStringLiteral("ZenqA"), path), -1);
        QCOMPARE(IISUnloadVirtualDir(1, QStringLiteral("ZenqA")), -1);
        QVERIFY(!IISAppPoolsInUse());
        QVERIFY(!IISAppPoolExists(Pool));
        QCOMPARE(IISAppPoolState(Pool), -1);
        QCOMPARE(IISStartAppPool(Pool), -1);
        QCOMPARE(IISStopAppPool(Pool), -1);
        // A pool that cannot be found needs no recycling, and without a site there is nothing to unload.
        QCOMPARE(IISRecycleAppPool(Pool), 0);
        QVERIFY(IISUnloadVirtualDirs({QStringLiteral("ZenqA")}, Pool));
        QCOMPARE(ZenqIISWebServerHost(), QStringLiteral("127.0.0.1"));

        QCOMPARE(metabase().accesses, 0);
        QVERIFY(metabase().calls.isEmpty());
    }

    void platformProviderReportsADSIUnavailable()
    {
        ZenqSetADSIProvider(nullptr);
        m_metabase = nullptr;
        QVERIFY(!IISADSIAvailable());
        QString address;
        QCOMPARE(IISFindLocalWebSite(address), -1);
        QCOMPARE(IISAppPoolState(Pool), -1);
        QCOMPARE(ZenqIISWebServerHost(), QStringLiteral("127.0.0.1"));
    }
};

ZENQ_TEST_CLASS(IISHelperTest);

#include "IISHelperTest.moc"
