#include "ZenqApplications.h"

#include "ZenqConfig.h"
#include "ZenqCrypt.h"
#include "ZenqFiles.h"
#include "ZenqPaths.h"
#include "ZenqTextEncoding.h"
#include "ZenqXmlFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace {

const QString definitionExtension = QStringLiteral(".Zenq");
const QString configurationExtension = QStringLiteral(".Zenqc");
const QString parentSetting = QStringLiteral("Parent");

// The values of the first elements of some names, gathered over one or two files.
struct SettingLookup
{
    explicit SettingLookup(QStringList wanted)
        : names(std::move(wanted))
        , values(names.size())
        , found(names.size(), false)
        , missing(names.size())
    {
    }

    // Reads the file once and takes the attribute "Value" of the first element of each name that is still
    // missing; an element without the attribute does not count. A file that cannot be read adds nothing.
    void read(const QString &file)
    {
        if (missing == 0)
            return;
        QString text;
        if (!JLoadFromXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text))
            return;
        QXmlStreamReader reader(text);
        while (missing > 0 && !reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QStringView element = reader.name();
            for (qsizetype i = 0; i < names.size(); ++i) {
                if (found[i] || element != names[i] || !reader.attributes().hasAttribute(QLatin1String("Value")))
                    continue;
                values[i] = reader.attributes().value(QLatin1String("Value")).toString();
                found[i] = true;
                --missing;
            }
        }
    }

    QStringList names;
    QStringList values;
    QList<bool> found;
    qsizetype missing;
};

// "P.Zenq" or "P.Zenqc" gives P; a value without either extension is taken as the name itself.
QString applicationOfFileName(QString fileName)
{
    fileName = fileName.trimmed();
    if (fileName.endsWith(configurationExtension, Qt::CaseInsensitive))
        fileName.chop(configurationExtension.size());
    else if (fileName.endsWith(definitionExtension, Qt::CaseInsensitive))
        fileName.chop(definitionExtension.size());
    return fileName;
}

QString parentOf(const QString &binDir, const QString &name)
{
    SettingLookup lookup({ parentSetting });
    lookup.read(JMakeFileName(binDir, name + definitionExtension));
    if (lookup.missing > 0)
        lookup.read(JMakeFileName(binDir, name + configurationExtension));
    return lookup.found[0] ? applicationOfFileName(lookup.values[0]) : QString();
}

bool lessWithoutCase(const QString &a, const QString &b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b; // names differing only in case: a stable choice of the one kept
}

// Base names of the targets in the target lists ("PROJECTS = A.dll B.exe \" and its continuation lines).
QStringList projectGroupTargets(const QString &file)
{
    const QString text = JLoadFromFile(file, ZenqLoadHonourBom);
    QStringList targets;
    bool inList = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        if (!inList) {
            if (!line.startsWith(QLatin1String("PROJECTS"), Qt::CaseInsensitive))
                continue;
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            line = line.mid(equals >= 0 ? equals + 1 : 8);
        }
        inList = line.endsWith(QLatin1Char('\\'));
        if (inList)
            line.chop(1);
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        for (QStringView target : line.split(blanks, Qt::SkipEmptyParts)) {
            const QString name = JVeryPureFileName(target.toString());
            if (!name.isEmpty())
                targets << name;
        }
    }
    return targets;
}

} // namespace

void ZenqGetAllZenq(QStringList &names, const QString &binDir)
{
    names.clear();
    const QStringList files = QDir(binDir).entryList(
        { QStringLiteral("*") + definitionExtension, QStringLiteral("*") + configurationExtension },
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &file : files)
        names << applicationOfFileName(file);
    std::sort(names.begin(), names.end(), lessWithoutCase);
    const auto last = std::unique(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) == 0;
    });
    names.erase(last, names.end());
}

void ZenqGetAllZenq(TZenqEasyTree &tree, const QString &binDir, const QString &rootName)
{
    QStringList names;
    ZenqGetAllZenq(names, binDir);
    const int count = static_cast<int>(names.size());
    QHash<QString, int> indexOfName;
    indexOfName.reserve(count);
    for (int i = 0; i < count; ++i)
        indexOfName.insert(names[i].toCaseFolded(), i);

    std::vector<int> parent(static_cast<size_t>(count), -1);
    for (int i = 0; i < count; ++i) {
        const int p = indexOfName.value(parentOf(binDir, names[i]).toCaseFolded(), -1);
        parent[static_cast<size_t>(i)] = p == i ? -1 : p;
    }
    const int root = indexOfName.value(rootName.toCaseFolded(), -1);
    if (root >= 0)
        parent[static_cast<size_t>(root)] = -1;
    std::vector<std::vector<int>> children(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        if (parent[static_cast<size_t>(i)] >= 0)
            children[static_cast<size_t>(parent[static_cast<size_t>(i)])].push_back(i);

    // Each application has one parent, so following children from a top never meets a node twice,
    // except the top of a broken cycle, which the placed flags stop.
    std::vector<bool> placed(static_cast<size_t>(count), false);
    const auto placeWithDescendants = [&](int top) {
        struct Pending
        {
            int application;
            TZenqEasyTree *level;
        };
        std::vector<Pending> pending { { top, &tree } };
        while (!pending.empty()) {
            const Pending next = pending.back();
            pending.pop_back();
            if (placed[static_cast<size_t>(next.application)])
                continue;
            placed[static_cast<size_t>(next.application)] = true;
            const int at = next.level->add(names[next.application]);
            for (const int child : children[static_cast<size_t>(next.application)])
                if (!placed[static_cast<size_t>(child)])
                    pending.push_back({ child, &next.level->subTreeAt(at) });
        }
    };

    if (root >= 0)
        placeWithDescendants(root);
    for (int i = 0; i < count; ++i)
        if (!placed[static_cast<size_t>(i)] && parent[static_cast<size_t>(i)] < 0)
            placeWithDescendants(i); // its parent is missing
    // What is left leads into a cycle: the first member met on the way up becomes a top.
    std::vector<int> visitedFrom(static_cast<size_t>(count), -1);
    for (int i = 0; i < count; ++i) {
        if (placed[static_cast<size_t>(i)])
            continue;
        int member = i;
        while (visitedFrom[static_cast<size_t>(member)] != i) {
            visitedFrom[static_cast<size_t>(member)] = i;
            member = parent[static_cast<size_t>(member)];
        }
        placeWithDescendants(member);
    }
}

void ZenqGetAllProjectgroupsAsTree(const QString &rootDir, TZenqEasyTree &tree)
{
    const QString relative = QDir(ZenqGetRootDir()).relativeFilePath(ZenqGetApplicationsProjectGroupsDir());
    QStringList files;
    JGetAllFilesInAllDirectories(JMakeFileName(rootDir, relative), QStringLiteral("*.BPG"), files);
    for (const QString &file : std::as_const(files)) {
        const QStringList targets = projectGroupTargets(file);
        const int at = tree.add(file);
        if (targets.isEmpty())
            continue;
        TZenqEasyTree &members = tree.subTreeAt(at);
        for (const QString &target : targets)
            members.add(target);
    }
}

void ZenqGetStandardProperties(const QString &binDir, const QString &name, const QStringList &propertyNames,
                               const TZenqEasyTree &projectGroups, QStringList &values)
{
    static const QStringList fileSettings = {
        QStringLiteral("Author"),   QStringLiteral("Comment"),   QStringLiteral("ServiceType"),
        QStringLiteral("IsFolder"), QStringLiteral("IsService"), QStringLiteral("IsRemoveableFromConsole"),
    };
    const QString definitionFile = JMakeFileName(binDir, name + definitionExtension);
    const QString configurationFile = JMakeFileName(binDir, name + configurationExtension);
    const QFileInfo definition(definitionFile);
    const QFileInfo configuration(configurationFile);

    QStringList wanted;
    for (const QString &property : propertyNames)
        if (fileSettings.contains(property) && !wanted.contains(property))
            wanted << property;
    SettingLookup lookup(wanted);
    if (!wanted.isEmpty()) {
        if (definition.isFile())
            lookup.read(definitionFile);
        if (lookup.missing > 0 && configuration.isFile())
            lookup.read(configurationFile);
    }

    values.clear();
    for (const QString &property : propertyNames) {
        QString value;
        if (const qsizetype i = lookup.names.indexOf(property); i >= 0) {
            value = lookup.values[i];
        } else if (property == QLatin1String("DateModified")) {
            const QFileInfo &dated = definition.isFile() ? definition : configuration;
            if (dated.isFile())
                value = dated.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
        } else if (property == definitionExtension) {
            if (definition.isFile())
                value = definition.absoluteFilePath();
        } else if (property == configurationExtension) {
            if (configuration.isFile())
                value = configuration.absoluteFilePath();
        } else if (property == QLatin1String("ProjectGroupFile")) {
            for (int g = 0; g < projectGroups.count(); ++g) {
                const TZenqEasyTree *members = projectGroups._GetSubTreeAt(g);
                if (members && members->indexOf(name) >= 0) {
                    value = projectGroups.nameAt(g);
                    break;
                }
            }
        }
        values << value;
    }
}

QString ZenqGetApplicationsSourceCompleteDPRName(const QString &name, const QString &installation)
{
    return JMakeFileName(JMakeFileName(ZenqGetApplicationsSourceDir(installation), name),
                         name + QStringLiteral(".dpr"));
}

bool JCOMObj_UnRegister(const QString &)
{
    return true;
}

void ZenqServices_ApplicationParameterChanged_ClearCache()
{
    ZenqConfigCacheClear();
}
