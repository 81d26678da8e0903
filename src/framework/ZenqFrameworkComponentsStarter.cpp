#include "ZenqFrameworkComponentsStarter.h"

#include "ZenqGlobals.h"
#include "platform/Com.h"
#include "platform/Processes.h"

#include <QFileInfo>
#include <array>

namespace {

using Row = std::array<QString, 26>;

// Row 0: the letters A to Z ("ZenqASPServer", "ZenqBSPServer", ...). Row 1: "X" first, so that the
// plain "ZenqXMLHTTPServer" is instance 0, then the remaining letters.
const std::array<Row, 2> &instanceTable()
{
    static const std::array<Row, 2> table = [] {
        std::array<Row, 2> rows;
        for (int i = 0; i < 26; ++i)
            rows[0][i] = QString(QChar(u'A' + i));
        int next = 0;
        rows[1][next++] = QStringLiteral("X");
        for (int i = 0; i < 26; ++i)
            if (QChar(u'A' + i) != QLatin1Char('X'))
                rows[1][next++] = QString(QChar(u'A' + i));
        return rows;
    }();
    return table;
}

bool matchesRow(const QString &name, int row, const QString &pattern)
{
    for (const QString &entry : instanceTable()[row]) {
        QString candidate = pattern;
        candidate.replace(candidate.indexOf(QLatin1Char('?')), 1, entry); // first "?" only
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int references = 0;
bool startedFlag = false;
bool comFlag = false;
TZenqApplicationType type = TZenqApplicationType::WindowsApplication;
QString executableName;
QString moduleName;

bool isServerHostOtherModule()
{
    return executableName.compare(QLatin1String("ZenqServer"), Qt::CaseInsensitive) == 0
        && moduleName.compare(QLatin1String("ZenqServer"), Qt::CaseInsensitive) != 0;
}

} // namespace

const QString &ZenqServerInstanceName(int row, int index)
{
    return instanceTable().at(static_cast<size_t>(row)).at(static_cast<size_t>(index));
}

TZenqApplicationType ZenqApplicationTypeOfModule(const QString &name)
{
    if (name.compare(QLatin1String("ZenqISAPIServer"), Qt::CaseInsensitive) == 0)
        return TZenqApplicationType::ISAPIServer;
    if (matchesRow(name, 0, QStringLiteral("Zenq?SPServer")))
        return TZenqApplicationType::ASPServer;
    if (name.compare(QLatin1String("ZenqSOAPServer"), Qt::CaseInsensitive) == 0)
        return TZenqApplicationType::SOAPServer;
    if (matchesRow(name, 1, QStringLiteral("Zenq?MLHTTPServer")))
        return TZenqApplicationType::XMLHTTPServer;
    return TZenqApplicationType::WindowsApplication;
}

void ZenqFrameworkComponentsStarter::Initialize(const QString &executablePureName, const QString &modulePureName)
{
    if (references++ > 0)
        return;
    if (startedFlag)
        return;
    executableName = executablePureName;
    moduleName = modulePureName;
    // A module loaded into the server executable does not bind itself.
    if (isServerHostOtherModule())
        return;
    type = ZenqApplicationTypeOfModule(moduleName);
    if (!comFlag && type == TZenqApplicationType::WindowsApplication) {
        const platform::ComResult result = platform::comInitialize();
        comFlag = result == platform::ComResult::Ok || result == platform::ComResult::AlreadyInitialised;
    }
    ZenqIsRunningAsWebApplication_Init(platform::currentProcessId(), type);
    ZenqGlobalVariables_Init(type, true);
    startedFlag = true;
}

void ZenqFrameworkComponentsStarter::Finalize()
{
    if (references == 0 || --references > 0)
        return;
    if (startedFlag && !isServerHostOtherModule()) {
        ZenqGlobalVariables_Release(type, true);
        if (comFlag && type == TZenqApplicationType::WindowsApplication) {
            platform::comUninitialize();
            comFlag = false;
        }
        MemoryConsumptionTimer_Release();
        startedFlag = false;
    }
    ZenqIsRunningAsWebApplication_Release(type);
}

bool ZenqFrameworkComponentsStarter::started() { return startedFlag; }
bool ZenqFrameworkComponentsStarter::comInitialised() { return comFlag; }
TZenqApplicationType ZenqFrameworkComponentsStarter::applicationType() { return type; }

ZenqFrameworkBinding::ZenqFrameworkBinding()
{
    const QString pure = QFileInfo(platform::currentExecutablePath()).completeBaseName();
    ZenqFrameworkComponentsStarter::Initialize(pure, pure);
}

ZenqFrameworkBinding::~ZenqFrameworkBinding()
{
    ZenqFrameworkComponentsStarter::Finalize();
}
