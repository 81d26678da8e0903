#include "ZenqServices.h"

#include "ZenqConfig.h"
#include "ZenqFiles.h"
#include "ZenqPaths.h"

#include <QDir>
#include <QFileInfo>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

std::vector<std::unique_ptr<TZenqStandardService>> &registry()
{
    static std::vector<std::unique_ptr<TZenqStandardService>> services;
    return services;
}

// The program of a service: N.DLL in Bin, the name compared without regard to case as the original's
// file system does; the exact spelling wins when both exist. Empty when there is none.
QString findProgram(const QString &serviceName)
{
    const QString exact = ZenqServiceProgramFile(serviceName);
    if (QFileInfo(exact).isFile())
        return exact;
    const QString wanted = serviceName + QStringLiteral(".DLL");
    const QDir bin(ZenqGetApplicationsBinDir());
    for (const QString &entry : bin.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return bin.filePath(entry);
    }
    return {};
}

} // namespace

void ZenqServices_ApplicationParameterChanged(const QString &, TZenqApplicationType)
{
    ZenqConfigCacheClear();
}

void ZenqServices_ApplicationParameterChanged_SomeGlobalSettingsOnly()
{
    ZenqConfigCacheClear();
}

QString ZenqServiceProgramFile(const QString &serviceName)
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), serviceName + QStringLiteral(".DLL"));
}

TZenqStandardService *ZenqServices_ServiceByName(const QString &serviceName, bool raiseIfMissing)
{
    TZenqStandardService *service = nullptr;
    for (const auto &registered : registry()) {
        if (registered->name().compare(serviceName, Qt::CaseInsensitive) == 0) {
            service = registered.get();
            break;
        }
    }
    if (service && service->isLoaded())
        return service;
    // A name with a directory part would reach outside Bin.
    const bool plainName = !serviceName.trimmed().isEmpty() && !serviceName.contains(QLatin1Char('/'))
        && !serviceName.contains(QLatin1Char('\\')) && serviceName != QLatin1String("..");
    const QString program = plainName ? findProgram(serviceName) : QString();
    if (program.isEmpty()) {
        if (!raiseIfMissing)
            return nullptr;
        if (!plainName)
            throw std::runtime_error(QStringLiteral("'%1' is not a service name.").arg(serviceName).toStdString());
        throw std::runtime_error(QStringLiteral("The service %1 is not installed: its program %2 is missing.")
                                     .arg(serviceName, ZenqServiceProgramFile(serviceName))
                                     .toStdString());
    }
    if (!service) {
        // Named as its program is, whatever spelling found it.
        registry().push_back(std::make_unique<TZenqStandardService>(QFileInfo(program).completeBaseName()));
        service = registry().back().get();
    }
    service->m_programFile = program;
    return service;
}

int ZenqServices_Count()
{
    return int(registry().size());
}

TZenqStandardService *ZenqServices_Service(int index)
{
    if (index < 0 || index >= ZenqServices_Count())
        return nullptr;
    return registry().at(std::size_t(index)).get();
}

void ZenqStandardService_Release(int index)
{
    if (TZenqStandardService *service = ZenqServices_Service(index))
        service->m_programFile.clear();
}
