#include "ZenqRegistry.h"

#include <QDir>
#include <QSettings>

namespace {

const QString zenqPrefix = QStringLiteral("Software\\Vantrel\\Zenq\\");

QSettings openSettings()
{
    return QSettings(ZenqSettingsFileName(), QSettings::IniFormat);
}

} // namespace

QString ZenqSettingsFileName()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/Vantrel/Zenq.conf"));
}

QString ZenqRegistryGroup(const QString &key)
{
    QString group = key.startsWith(zenqPrefix, Qt::CaseInsensitive) ? key.mid(zenqPrefix.size())
                                                                      : QStringLiteral("Other\\") + key;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.endsWith(QLatin1Char('/')))
        group.chop(1);
    return group;
}

int JGetRegistryInt(const QString &key, const QString &name, int defaultValue)
{
    QSettings settings = openSettings();
    settings.beginGroup(ZenqRegistryGroup(key));
    bool ok = false;
    const int value = settings.value(name).toString().trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

void JSetRegistryInt(const QString &key, const QString &name, int value)
{
    QSettings settings = openSettings();
    settings.beginGroup(ZenqRegistryGroup(key));
    settings.setValue(name, value);
}

QString JGetRegistryString(const QString &key, const QString &name, const QString &defaultValue)
{
    QSettings settings = openSettings();
    settings.beginGroup(ZenqRegistryGroup(key));
    const QVariant value = settings.value(name);
    return value.isValid() ? value.toString() : defaultValue;
}

void JSetRegistryString(const QString &key, const QString &name, const QString &value)
{
    QSettings settings = openSettings();
    settings.beginGroup(ZenqRegistryGroup(key));
    settings.setValue(name, value);
}

bool JRegistryValueExists(const QString &key, const QString &name)
{
    QSettings settings = openSettings();
    settings.beginGroup(ZenqRegistryGroup(key));
    return settings.contains(name);
}

QStringList JGetRegistryValueNames(const QString &key)
{
    QSettings settings = openSettings();
    settings.beginGroup(ZenqRegistryGroup(key));
    return settings.childKeys();
}

bool JGetRegistryWindowPlacement(const QString &key, const QString &name, QRect &geometry, int &showState)
{
    const QStringList parts = JGetRegistryString(key, name).split(QLatin1Char(','));
    if (parts.size() != 5)
        return false;
    int numbers[5];
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return false;
    geometry = QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
    showState = numbers[4];
    return true;
}

void JSetRegistryWindowPlacement(const QString &key, const QString &name, const QRect &geometry, int showState)
{
    JSetRegistryString(key, name,
                       QStringLiteral("%1,%2,%3,%4,%5")
                           .arg(geometry.x())
                           .arg(geometry.y())
                           .arg(geometry.width())
                           .arg(geometry.height())
                           .arg(showState));
}
