#include "ZenqMenuInfo.h"

#include "ZenqCrypt.h"
#include "ZenqFiles.h"
#include "ZenqPaths.h"
#include "ZenqXmlFile.h"
#include "platform/FileIdentity.h"

#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

const QString menuAttribute = QStringLiteral("ConsoleMenu");

// "(ZenqConsole;Separator;OS=W2K3) Caption" → the options inside the brackets and the caption.
bool parseMenuAttribute(const QString &text, const QString &marker, TXMLMenuInfo &entry)
{
    if (!text.startsWith(marker))
        return false;
    const qsizetype close = text.indexOf(QLatin1Char(')'));
    if (close < 0)
        return false;
    const QStringList options = text.mid(1, close - 1).split(QLatin1Char(';'));
    for (qsizetype i = 1; i < options.size(); ++i) {
        const QString option = options.at(i).trimmed();
        if (option.compare(QLatin1String("Separator"), Qt::CaseInsensitive) == 0)
            entry.separator = true;
        else if (option.compare(QLatin1String("NoMenu"), Qt::CaseInsensitive) == 0)
            entry.menu = false;
        else if (option.startsWith(QLatin1String("OS="), Qt::CaseInsensitive))
            entry.osRestriction = option.mid(3).trimmed();
    }
    entry.caption = text.mid(close + 1).trimmed();
    return true;
}

} // namespace

bool GetXMLMenuInfo(const QString &file, const QString &marker, TXMLMenuInfoStructure &list, QString *error)
{
    QString text;
    if (!JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text, nullptr, error))
        return false;
    TXMLMenuInfoStructure found;
    int identifier = list.isEmpty() ? 1 : list.last().identifier + 1;
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = reader.attributes();
        if (!attributes.hasAttribute(menuAttribute))
            continue;
        TXMLMenuInfo entry;
        if (!parseMenuAttribute(attributes.value(menuAttribute).toString(), marker, entry))
            continue;
        entry.identifier = identifier++;
        entry.key = reader.name().toString();
        entry.secondText = entry.key;
        entry.values = attributes.value(QStringLiteral("Values")).toString().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        entry.currentValue = attributes.value(QStringLiteral("Value")).toString();
        entry.selectedIndex = static_cast<int>(entry.values.indexOf(entry.currentValue));
        entry.fileName = file;
        found << entry;
    }
    if (reader.hasError()) {
        if (error)
            *error = QStringLiteral("%1, line %2: %3").arg(file).arg(reader.lineNumber()).arg(reader.errorString());
        return false;
    }
    list += found;
    return true;
}

TXMLMenuInfo *FindViaID(TXMLMenuInfoStructure &list, int identifier)
{
    for (TXMLMenuInfo &entry : list)
        if (entry.identifier == identifier)
            return &entry;
    return nullptr;
}

bool Changeable(const TXMLMenuInfo &entry, bool)
{
    const QFileInfo info(entry.fileName);
    return info.exists() && info.isWritable();
}

bool JChangeXMLFile(const QString &file, const QString &key, int securityLevel, const QString &, const QString &secondText,
                    const QString &value, QString *error)
{
    bool missing = false;
    if (!JChangeXMLFileEx(file, key, securityLevel, secondText, value, &missing, error))
        return false;
    if (missing && error)
        *error = QStringLiteral("%1 has no setting %2").arg(file, secondText);
    return !missing;
}

void ZenqFilesBuildChangedList(QStringList &snapshot)
{
    snapshot.clear();
    QStringList files;
    for (const QString &directory : { ZenqGetApplicationsBinDir(), ZenqGetFrameworkConfigsDir() })
        JGetAllFiles(directory, QStringLiteral("*.Zenq;*.Zenqc"), files);
    for (const QString &file : std::as_const(files)) {
        const platform::FileIdentity identity = platform::fileIdentity(file);
        snapshot << QStringLiteral("%1|%2|%3|%4").arg(file).arg(identity.inode).arg(identity.size).arg(identity.modifiedNs);
    }
}

bool ZenqFilesChanged(const QStringList &snapshot)
{
    QStringList now;
    ZenqFilesBuildChangedList(now);
    return now != snapshot;
}
