#include "ZenqConfig.h"

#include "ZenqCrypt.h"
#include "ZenqFiles.h"
#include "ZenqPaths.h"
#include "ZenqXmlFile.h"
#include "platform/FileIdentity.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

struct CachedSettings
{
    platform::FileIdentity identity;
    QHash<QString, QString> values; // first element of each name → its Value
};

QMutex cacheMutex;
QHash<QString, CachedSettings> cache;

QHash<QString, QString> parseSettings(const QString &text)
{
    QHash<QString, QString> values;
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = reader.name().toString();
        const auto attributes = reader.attributes();
        if (!values.contains(name) && attributes.hasAttribute(QStringLiteral("Value")))
            values.insert(name, attributes.value(QStringLiteral("Value")).toString());
    }
    return values;
}

// Value of the setting in one file; false when the file or the setting is absent.
bool readFromFile(const QString &file, const QString &setting, QString &value)
{
    const platform::FileIdentity identity = platform::fileIdentity(file);
    if (!identity.exists)
        return false;
    QMutexLocker lock(&cacheMutex);
    CachedSettings &entry = cache[file];
    if (!(entry.identity == identity)) {
        QString text;
        entry.values.clear();
        if (JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text))
            entry.values = parseSettings(text);
        entry.identity = identity;
    }
    const auto found = entry.values.constFind(setting);
    if (found == entry.values.constEnd())
        return false;
    value = *found;
    return true;
}

} // namespace

QString ZenqConfigurationFileName(const QString &configuration, const QString &extension)
{
    const QString name = configuration + extension;
    const QString inApplications = JMakeFileName(ZenqGetApplicationsBinDir(), name);
    if (JFileExists(inApplications))
        return inApplications;
    const QString inFramework = JMakeFileName(ZenqGetFrameworkConfigsDir(), name);
    return JFileExists(inFramework) ? inFramework : inApplications;
}

QString ZenqFile_ReadSimple(const QString &configuration, const QString &setting, const QString &defaultValue)
{
    QString value;
    for (const char *extension : { ".Zenqc", ".Zenq" }) {
        if (readFromFile(ZenqConfigurationFileName(configuration, QLatin1String(extension)), setting, value))
            return value;
    }
    return defaultValue;
}

int ZenqFile_ReadSimpleInteger(const QString &configuration, const QString &setting, int defaultValue)
{
    bool ok = false;
    const int value = ZenqFile_ReadSimple(configuration, setting).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

bool ZenqFile_ReadSimpleBoolean(const QString &configuration, const QString &setting, bool defaultValue)
{
    const QString missing = QStringLiteral("\x01missing");
    const QString value = ZenqFile_ReadSimple(configuration, setting, missing);
    if (value == missing)
        return defaultValue;
    return value == QLatin1String("1");
}

void ZenqConfigCacheClear()
{
    QMutexLocker lock(&cacheMutex);
    cache.clear();
}

namespace {
const QString applications = QStringLiteral("ZenqApplications");
}

bool ZenqTraceSettingsWithModuleName() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceSettingsWithModuleName"), true); }
bool ZenqTraceSettingsWithProcessID() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceSettingsWithProcessID"), true); }
bool ZenqTraceSettingsWithThreadID() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceSettingsWithThreadID"), false); }
bool ZenqTraceSettingsWithTime() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceSettingsWithTime"), false); }
bool ZenqTraceSettingsWithDate() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceSettingsWithDate"), true); }
bool ZenqTraceSettingsWithIndentation() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceSettingsWithIndentation"), true); }
bool ZenqTraceRequestsOnThisServer() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("TraceRequestsOnThisServer"), false); }
int ZenqTracingFormat() { return ZenqFile_ReadSimpleInteger(applications, QStringLiteral("TracingFormat"), 0); }
bool ZenqMemory_Consumption() { return ZenqFile_ReadSimpleBoolean(applications, QStringLiteral("MemoryConsumption"), false); }

const QStringList &ZenqTraceSettingNames()
{
    static const QStringList names {
        QStringLiteral("TraceSettingsWithModuleName"), QStringLiteral("TraceSettingsWithProcessID"),
        QStringLiteral("TraceSettingsWithThreadID"),   QStringLiteral("TraceSettingsWithTime"),
        QStringLiteral("TraceSettingsWithDate"),       QStringLiteral("TraceSettingsWithIndentation"),
        QStringLiteral("TraceRequestsOnThisServer"),
    };
    return names;
}
