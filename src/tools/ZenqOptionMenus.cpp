#include "ZenqOptionMenus.h"

QString ValueCaption(QString &workingCaption, const QString &v)
{
    if (v.isEmpty())
        return v;
    const QString &text = workingCaption;
    const qsizetype n = text.size();
    for (qsizetype p = text.indexOf(v); p >= 0; p = text.indexOf(v, p + 1)) {
        const qsizetype q = p + v.size();
        if (q >= n || text.at(q) != QLatin1Char(' '))
            continue; // no blank behind this occurrence: try the next one
        qsizetype r = q;
        while (r < n && text.at(r) == QLatin1Char(' '))
            ++r;
        if (r >= n || text.at(r) != QLatin1Char('='))
            return v; // not a definition: the bare value
        const qsizetype s = r + 1;
        if (s >= n || text.at(s) != QLatin1Char(' '))
            continue;
        qsizetype t = s;
        while (t < n && text.at(t) == QLatin1Char(' '))
            ++t;
        qsizetype e = text.indexOf(QLatin1Char(';'), t);
        if (e < 0)
            e = n;
        const QString caption = text.mid(t, e - t);
        // The definition goes, with the blanks before it and the ";" and blanks behind it.
        qsizetype start = p;
        while (start > 0 && text.at(start - 1) == QLatin1Char(' '))
            --start;
        qsizetype end = e;
        if (end < n) {
            ++end;
            while (end < n && text.at(end) == QLatin1Char(' '))
                ++end;
        }
        workingCaption.remove(start, end - start);
        return caption;
    }
    return v;
}

#include "ConsoleErrors.h"
#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"

#include <QFileInfo>
#include <stdexcept>

namespace {

QString trimmedOptionCaption(QString caption)
{
    const auto chopWhile = [&caption](QChar c) {
        while (!caption.isEmpty() && caption.back() == c)
            caption.chop(1);
    };
    chopWhile(QLatin1Char(' '));
    chopWhile(QLatin1Char(':'));
    chopWhile(QLatin1Char(' '));
    return caption;
}

} // namespace

void ZenqOptionMenus::RebuildOptionMenus(bool takeSnapshot)
{
    ++generation;
    menuInfo.clear();
    captionValues.clear();
    applicationNames.clear();
    QStringList definitions;
    JGetAllFilesPure(ZenqGetApplicationsBinDir(), QStringLiteral("*.Zenq"), definitions);
    for (const QString &definition : std::as_const(definitions))
        applicationNames << QFileInfo(definition).completeBaseName();
    applicationNames.removeAll(QStringLiteral("ZenqApplications"));

    globalOptions.children.clear();
    BuildOptionEntries(globalOptions, QStringLiteral("ZenqApplications"), 0);
    localOptions.children.clear();
    for (const QString &application : std::as_const(applicationNames)) {
        OptionMenuItem submenu = OptionMenuItem::make(OptionMenuItem::Kind::Submenu, application);
        submenu.visible = false; // shown once it has an entry
        BuildOptionEntries(submenu, application, menuInfo.size());
        localOptions.children << submenu;
    }
    frameworkOptions.children.clear();
    BuildOptionEntries(frameworkOptions, QStringLiteral("ZenqFramework"), menuInfo.size());
    if (takeSnapshot)
        ZenqFilesBuildChangedList(snapshot);
}

void ZenqOptionMenus::BuildOptionEntries(OptionMenuItem &parent, const QString &configuration, qsizetype first)
{
    const QString file = ZenqConfigurationFileName(configuration);
    if (!JFileExists(file))
        return;
    // Left recorded when the reading fails, so that the error box names the configuration.
    ZenqSetConfigurationBeingRead(configuration);
    QString error;
    if (!GetXMLMenuInfo(file, QStringLiteral("(ZenqConsole"), menuInfo, &error))
        throw std::runtime_error(error.toStdString());
    ZenqSetConfigurationBeingRead(QString());
    for (qsizetype i = first; i < menuInfo.size() && menuInfo.at(i).menu; ++i) {
        const TXMLMenuInfo &entry = menuInfo.at(i);
        if (entry.separator)
            parent.children << OptionMenuItem::make(OptionMenuItem::Kind::Separator, QStringLiteral("-"));
        parent.visible = true;
        OptionMenuItem option = OptionMenuItem::make(OptionMenuItem::Kind::Submenu, entry.caption, entry.identifier);
        QString working = entry.caption;
        if (entry.values == QStringList { QStringLiteral("0"), QStringLiteral("1") }) {
            option.kind = OptionMenuItem::Kind::OnOff;
            option.checked = entry.selectedIndex == 1;
        } else {
            if (entry.values == QStringList { QStringLiteral("..") })
                working = FreeInputCaption(working, entry.currentValue);
            if (working != QLatin1String("-")) {
                for (qsizetype v = 0; v < entry.values.size(); ++v) {
                    const QString &value = entry.values.at(v);
                    OptionMenuItem item = OptionMenuItem::make(OptionMenuItem::Kind::Value, ValueCaption(working, value), entry.identifier);
                    captionValues << qMakePair(item.caption + QLatin1Char('=') + value, entry.identifier);
                    if (v == 0 && !entry.osRestriction.isEmpty() && windowsVersionIs(entry.osRestriction))
                        option.enabled = false;
                    item.checked = value != QLatin1String("..") && v == entry.selectedIndex;
                    option.children << item;
                }
            }
        }
        option.caption = trimmedOptionCaption(working);
        parent.children << option;
    }
}

QString ZenqOptionMenus::FreeInputCaption(const QString &caption, const QString &currentValue)
{
    QString working = caption;
    const qsizetype open = working.indexOf(QLatin1Char('('));
    if (open >= 0 && working.indexOf(QLatin1Char(')'), open) > open) {
        working.truncate(open);
        while (working.endsWith(QLatin1Char(' ')))
            working.chop(1);
    }
    return working + QStringLiteral(" [") + currentValue + QLatin1Char(']');
}

QString ZenqOptionMenus::ValueOfItem(const QString &caption, int tag) const
{
    const QString plainCaption = QString(caption).remove(QLatin1Char('&'));
    for (const auto &[pair, identifier] : captionValues) {
        if (identifier != tag)
            continue;
        // A caption may itself hold "=": try each split of the pair.
        for (qsizetype i = pair.indexOf(QLatin1Char('=')); i >= 0; i = pair.indexOf(QLatin1Char('='), i + 1)) {
            if (QString(pair.left(i)).remove(QLatin1Char('&')) == plainCaption)
                return pair.mid(i + 1);
        }
    }
    return caption;
}

bool ZenqOptionMenus::WriteOptionValue(TXMLMenuInfo &entry, const QString &value, QString *error)
{
    const bool written = JChangeXMLFile(entry.fileName, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), entry.caption,
                                        entry.secondText, value, error);
    if (written)
        entry.currentValue = value; // a failed write leaves the file, and so the entry, as it was
    ZenqFilesBuildChangedList(snapshot);
    return written;
}

namespace {

void appendOptionMenuLines(const OptionMenuItem &item, const QString &indent, QStringList &lines)
{
    if (!item.visible)
        return;
    QString line = indent;
    switch (item.kind) {
    case OptionMenuItem::Kind::Separator:
        lines << indent + QStringLiteral("----");
        return;
    case OptionMenuItem::Kind::OnOff:
        line += item.checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ");
        break;
    case OptionMenuItem::Kind::Value:
        if (item.caption != QLatin1String(".."))
            line += item.checked ? QStringLiteral("(*) ") : QStringLiteral("( ) ");
        break;
    case OptionMenuItem::Kind::Submenu:
        break;
    }
    line += item.caption;
    if (!item.enabled)
        line += QStringLiteral(" (disabled)");
    lines << line;
    for (const OptionMenuItem &child : item.children)
        appendOptionMenuLines(child, indent + QStringLiteral("  "), lines);
}

} // namespace

QStringList OptionMenuLines(const OptionMenuItem &menu)
{
    QStringList lines;
    appendOptionMenuLines(menu, QString(), lines);
    return lines;
}
