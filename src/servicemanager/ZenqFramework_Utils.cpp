#include "ZenqFramework_Utils.h"

#include "framework/ZenqApplications.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqDocAndTest.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextFiles.h"
#include "framework/ZenqTextFormat.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace {

const QString definitionExtension = QStringLiteral(".Zenq");
const QString configurationExtension = QStringLiteral(".Zenqc");
const QString manifestExtension = QStringLiteral(".EXE.manifest");

// Names are replaced everywhere as whole identifiers; sources without that rule, because their unit and
// form names carry the application's name as a prefix; a parent reference only as the file name it is.
const ZenqTextChangeOptions nameChange = ZenqTextChangeOptionsFromByte(13);
const ZenqTextChangeOptions sourceChange = ZenqTextChangeOptionsFromByte(5);
const ZenqTextChangeOptions parentChange = ZenqTextChangeOptionsFromByte(4);

QString inBin(const QString &fileName, const QString &installation)
{
    return JMakeFileName(ZenqGetApplicationsBinDir(installation), fileName);
}

bool changeConfigurationFile(const QString &file, const QStringList &searched, const QStringList &replacements,
                             ZenqTextChangeOptions options)
{
    return JChangeXMLFile(file, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), searched, replacements, options);
}

// Names in configuration files stand as XML text: written as they are, or escaped ("O&apos;Brien") by
// writers that escape every attribute value. Both forms are searched; the new text goes in escaped.
void addNameInXml(QStringList &searched, QStringList &replacements, const QString &oldText, const QString &newText)
{
    const QString escapedOld = ZenqXmlEscapeAttribute(oldText);
    const QString escapedNew = ZenqXmlEscapeAttribute(newText);
    searched << oldText;
    replacements << escapedNew;
    if (escapedOld != oldText) {
        searched << escapedOld;
        replacements << escapedNew;
    }
}

// Waited for so that the engine has let go of the project before its files change; the answer carries
// nothing the file work needs.
void tellFrameworkEngine(const QString &message, const QString &text)
{
    ZenqInterCommunicateWith_AllWindowsOfAWindowClass(message, ZenqWindowClass::FrameworkEngine, {}, false, 0, text);
}

// The templates are XML: values go in as attribute text, so "&" in a name cannot break the file.
QString placeholdersReplaced(QString text, const QString &parentFileName, const QString &newName)
{
    text.replace(QStringLiteral("@application@"), ZenqXmlEscapeAttribute(newName));
    text.replace(QStringLiteral("@zenqparent@"), ZenqXmlEscapeAttribute(parentFileName));
    text.replace(QStringLiteral("@comment@"), QString());
    text.replace(QStringLiteral("@author@"), QString());
    return text;
}

// Project-group files compare names in upper case, letters a to z only; other characters compare exactly.
QString asciiUpper(QString text)
{
    for (QChar &c : text)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    return text;
}

QString withoutTrailing(QString text, QChar c)
{
    while (text.endsWith(c))
        text.chop(1);
    return text;
}

QString upperRightTrimmed(const QString &line)
{
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1).isSpace())
        --end;
    return asciiUpper(line.left(end));
}

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}

bool endsTarget(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// A build rule "NAME.dll: ..." of this application; "NAMETwo.dll:" belongs to another one.
bool isRuleOf(const QString &upperLine, const QString &upperName)
{
    if (!upperLine.startsWith(upperName))
        return false;
    if (upperLine.size() == upperName.size())
        return true;
    const QChar next = upperLine.at(upperName.size());
    return next == QLatin1Char('.') || next == QLatin1Char(':') || next == QLatin1Char(' ') || next == QLatin1Char('\t');
}

// The lines of a text file with what is needed to write them back as they were.
struct TextLines
{
    QStringList lines;
    QString lineEnd = QStringLiteral("\r\n");
    bool endsWithLineEnd = false;

    explicit TextLines(const QString &text)
    {
        lines = text.split(QLatin1Char('\n'));
        endsWithLineEnd = lines.size() > 1 && lines.back().isEmpty();
        if (endsWithLineEnd)
            lines.removeLast();
        bool anyCarriageReturn = false;
        for (QString &line : lines) {
            if (line.endsWith(QLatin1Char('\r'))) {
                line.chop(1);
                anyCarriageReturn = true;
            }
        }
        if (!anyCarriageReturn && !lines.isEmpty())
            lineEnd = QStringLiteral("\n");
    }

    QString text() const
    {
        QString joined = lines.join(lineEnd);
        if (endsWithLineEnd && !lines.isEmpty())
            joined += lineEnd;
        return joined;
    }
};

// Removes the application's first target from each target list and its build rules from the file.
// Reports whether anything was removed.
bool removeFromProjectGroupLines(QStringList &lines, const QString &upperName)
{
    bool changed = false;
    qsizetype j = 0;
    while (j < lines.size()) {
        QString upper = upperRightTrimmed(lines[j]);
        if (upper.startsWith(QLatin1String("PROJECTS"))) {
            // The target list, continued by lines that end with a backslash.
            for (;;) {
                const int position = isBlank(upper) ? 0 : JPosIdentEx(upperName, upper);
                if (position > 0) {
                    changed = true;
                    const qsizetype start = position - 1;
                    qsizetype end = start;
                    while (end < upper.size() && !endsTarget(upper.at(end)))
                        ++end;
                    lines[j].remove(start, end - start);
                    if (isBlank(lines[j])) {
                        lines.removeAt(j);
                        if (j > 0) {
                            // The line before must no longer announce a continuation.
                            QString &previous = lines[j - 1];
                            previous = withoutTrailing(previous, QLatin1Char(' '));
                            previous = withoutTrailing(previous, QLatin1Char('\\'));
                            previous = withoutTrailing(previous, QLatin1Char('/'));
                            previous = withoutTrailing(previous, QLatin1Char(' '));
                        }
                    } else {
                        ++j;
                    }
                    break;
                }
                if (!isBlank(upper) && !upper.endsWith(QLatin1Char('\\'))) {
                    ++j;
                    break;
                }
                if (++j >= lines.size())
                    break;
                upper = upperRightTrimmed(lines[j]);
            }
            continue;
        }
        if (isRuleOf(upper, upperName)) {
            changed = true;
            lines.removeAt(j); // the rule line, then its command line and the blank line after it
            for (int k = 0; k < 2 && j < lines.size(); ++k)
                lines.removeAt(j);
            continue;
        }
        ++j;
    }
    return changed;
}

} // namespace

bool CreateFolderFiles(const QString &parentFileName, const QString &newName, const QString &installation)
{
    const QString templates =
        JMakeFileName(ZenqGetFrameworkTemplatesDir(QStringLiteral("ZenqApplication"), installation),
                      QStringLiteral("folders"));
    const QString key = ZenqStandardCryptKey();
    const int level = ZenqStandardSecurityLevel();
    bool result = false;

    const QString definitionTemplate = JMakeFileName(templates, QStringLiteral("@application@.Zenq"));
    if (JFileExists(definitionTemplate)) {
        QString text;
        int type = ZenqXMLFilePlain;
        if (!JLoadFromXMLFile(definitionTemplate, key, level, text, &type))
            return false;
        if (type == ZenqXMLFileEncrypted || type == ZenqXMLFileUnknown)
            type = ZenqXMLFilePlain;
        if (!JSaveToXMLFile(inBin(newName + definitionExtension, installation),
                            placeholdersReplaced(text, parentFileName, newName), key, level, type))
            return false;
    }

    const QString configurationTemplate = JMakeFileName(templates, QStringLiteral("@application@.Zenqc"));
    if (JFileExists(configurationTemplate)) {
        QString text;
        if (!JLoadFromXMLFile(configurationTemplate, key, level, text))
            return false;
        const QByteArray encrypted = JCRYPT_PChar(placeholdersReplaced(text, parentFileName, newName), key, level);
        if (!JSaveBytesAtomically(inBin(newName + configurationExtension, installation), encrypted))
            return false;
        result = true;
    }
    return result;
}

bool RenameFolderFiles(const QString &oldName, const QString &newName, const QString &installation)
{
    bool ok = true;
    const QString oldDefinition = inBin(oldName + definitionExtension, installation);
    if (JFileExists(oldDefinition))
        ok = JRenameFile(oldDefinition, inBin(newName + definitionExtension, installation));
    const QString oldConfiguration = inBin(oldName + configurationExtension, installation);
    if (ok && JFileExists(oldConfiguration))
        ok = JRenameFile(oldConfiguration, inBin(newName + configurationExtension, installation));
    if (!ok)
        return false;

    // Taken after the renames, so the renamed application's own files are among them.
    QStringList applications;
    ZenqGetAllZenq(applications, ZenqGetApplicationsBinDir(installation));
    QStringList searched;
    QStringList replacements;
    addNameInXml(searched, replacements, oldName, newName);
    // An application with only one of its two files is no reason to stop replacing in the others.
    const auto change = [&](const QString &file) {
        return !JFileExists(file) || changeConfigurationFile(file, searched, replacements, nameChange);
    };
    for (const QString &application : std::as_const(applications)) {
        ok = change(inBin(application + definitionExtension, installation))
             && change(inBin(application + configurationExtension, installation));
        if (!ok)
            break;
    }
    return ok;
}

bool RenameApplicationBinaries(const QString &oldName, const QString &newName, const QString &installation)
{
    const auto renameIfThere = [&](const QString &extension) {
        const QString old = inBin(oldName + extension, installation);
        return !JFileExists(old) || JRenameFile(old, inBin(newName + extension, installation));
    };
    return renameIfThere(QStringLiteral(".DLL")) && renameIfThere(QStringLiteral(".EXE"))
        && renameIfThere(manifestExtension);
}

bool RenameApplicationSXT(bool everywhere, const QString &oldName, const QString &newName,
                          const QString &installation)
{
    const QString sxt = ZenqGetApplicationsSXTDir(installation);
    const QString own = JMakeFileName(sxt, oldName);
    bool ok = true;
    if (everywhere)
        ok = JChangeAllFilesInAllDirectories(sxt, QStringLiteral("*.*"), {}, oldName, newName, 0, nameChange);
    else if (JDirExists(own))
        ok = JChangeAllFilesInAllDirectories(own, QStringLiteral("*.*"), {}, oldName, newName, 0, nameChange);
    if (!JDirExists(own))
        return ok;
    if (ok)
        ok = JRenameAllFiles(own, oldName, newName);
    if (ok)
        ok = JRenameFile(own, JMakeFileName(sxt, newName));
    return ok;
}

bool RenameApplicationSource(bool everywhere, const QString &oldName, const QString &newName, bool &sourceDirLeft,
                             const QString &installation)
{
    const QString source = ZenqGetApplicationsSourceDir(installation);
    const QString own = JMakeFileName(source, oldName);
    if (!JDirExists(own))
        return true;
    bool ok = JRenameAllFiles(own, oldName, newName);
    // Compiled resources are binary; a changed length would break them, so they keep their contents.
    if (ok)
        ok = JChangeAllFilesInAllDirectories(everywhere ? source : own, QStringLiteral("*.*"), QStringLiteral(".RES;"),
                                             oldName, newName, 0, sourceChange);
    // A program may hold the directory open; the user renames it later, the rename itself stands.
    if (ok)
        sourceDirLeft = !JRenameFile(own, JMakeFileName(source, newName));
    return ok;
}

bool RenameInProjectGroups(const QString &oldName, const QString &newName, const QString &installation)
{
    const QString projectGroups = ZenqGetApplicationsProjectGroupsDir(installation);
    if (!JDirExists(projectGroups))
        return true;
    bool ok = JChangeAllFilesInAllDirectories(projectGroups, QStringLiteral("*.*"), {}, oldName, newName, 0, nameChange);
    if (ok)
        ok = JRenameAllFiles(projectGroups, oldName, newName);
    return ok;
}

bool RenameInDocAndTestTables(bool everywhere, const QString &oldName, const QString &newName, QSqlDatabase &tests,
                              QSqlDatabase &samples, const QString &installation)
{
    if (!JDirExists(ZenqGetApplicationsDocAndTestDir(installation)) || !everywhere)
        return true;
    try {
        ZenqExecuteSQL(tests, QStringLiteral("UPDATE D_TESTS SET APPNAME_ = ? WHERE APPNAME_ = ?"),
                       { newName, oldName });
        ZenqExecuteSQL(samples, QStringLiteral("UPDATE D_XMLBEHAVIOUR SET APPNAME_ = ? WHERE APPNAME_ = ?"),
                       { newName, oldName });
        return true;
    } catch (const std::exception &error) {
        ZenqDS(QString::fromUtf8(error.what()), 0);
        return false;
    }
}

bool RenameApplication(bool everywhere, const QString &oldName, const QString &newName, bool &sourceDirLeft,
                       QSqlDatabase &tests, QSqlDatabase &samples, const QString &installation)
{
    sourceDirLeft = false;
    tellFrameworkEngine(QStringLiteral("WM_ZenqApplicationToRename"),
                        ZenqGetApplicationsSourceCompleteDPRName(oldName, installation));
    return RenameFolderFiles(oldName, newName, installation)
        && RenameApplicationBinaries(oldName, newName, installation)
        && RenameApplicationSXT(everywhere, oldName, newName, installation)
        && RenameApplicationSource(everywhere, oldName, newName, sourceDirLeft, installation)
        && RenameInProjectGroups(oldName, newName, installation)
        && RenameInDocAndTestTables(everywhere, oldName, newName, tests, samples, installation);
}

bool MoveApplicationFiles(const QString &name, const QString &oldParent, const QString &newParent,
                          const QString &installation)
{
    QStringList searched;
    QStringList replacements;
    addNameInXml(searched, replacements, oldParent + definitionExtension, newParent + definitionExtension);
    addNameInXml(searched, replacements, oldParent + configurationExtension, newParent + configurationExtension);
    const bool definitionMoved =
        changeConfigurationFile(inBin(name + definitionExtension, installation), searched, replacements, parentChange);
    const bool configurationMoved = changeConfigurationFile(inBin(name + configurationExtension, installation),
                                                            searched, replacements, parentChange);
    return definitionMoved || configurationMoved;
}

bool DeleteApplicationFiles(const QString &name, const QString &installation)
{
    for (const QString &extension : { QStringLiteral(".EXE"), QStringLiteral(".DLL"), definitionExtension,
                                      configurationExtension, manifestExtension })
        JDeleteFile(inBin(name + extension, installation), true);
    return true;
}

bool RemoveFromProjectGroups(const QString &name, const QString &installation)
{
    const QString projectGroups = ZenqGetApplicationsProjectGroupsDir(installation);
    if (name.isEmpty() || !JDirExists(projectGroups))
        return true;
    QStringList files;
    JGetAllFilesInAllDirectories(projectGroups, QStringLiteral("*.BPG"), files, {}, false, 2);
    for (const QString &file : std::as_const(files)) {
        ZenqTextFileContent content;
        if (!ZenqLoadTextFileKeepingForm(file, content))
            continue;
        TextLines text(content.text);
        if (!removeFromProjectGroupLines(text.lines, asciiUpper(content.held(name))))
            continue;
        content.text = text.text();
        ZenqSaveTextFileKeepingForm(file, content);
    }
    return true;
}

bool DeleteApplication(const QString &name, bool &sourceDirLeft, QSqlDatabase &tests, QSqlDatabase &samples,
                       const QString &installation)
{
    sourceDirLeft = false;
    tellFrameworkEngine(QStringLiteral("WM_ZenqApplicationToDelete"),
                        ZenqGetApplicationsSourceCompleteDPRName(name, installation));
    JCOMObj_UnRegister(inBin(name + QStringLiteral(".DLL"), installation));
    DeleteApplicationFiles(name, installation);
    JRemoveDir(JMakeFileName(ZenqGetApplicationsSXTDir(installation), name), true);
    const QString ownSource = JMakeFileName(ZenqGetApplicationsSourceDir(installation), name);
    if (JDirExists(ownSource))
        sourceDirLeft = !JRemoveDir(ownSource, true);
    RemoveFromProjectGroups(name, installation);
    // Without the DocAndTest directory the tables are not in use, as for a rename: nothing to delete.
    if (!JDirExists(ZenqGetApplicationsDocAndTestDir(installation)))
        return true;
    ZenqExecuteSQL(tests, QStringLiteral("DELETE FROM D_TESTS WHERE APPNAME_ = ?"), { name });
    ZenqExecuteSQL(samples, QStringLiteral("DELETE FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ?"), { name });
    return true;
}

bool RequestProjectLoad(const QString &name)
{
    if (name.isEmpty())
        return false;
    return ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("WM_ZenqFrameworkLoadApplication"),
                                                             ZenqWindowClass::FrameworkEngine, {}, false, 0, name)
        == 1;
}

QString ZenqRenameRefusal(const QString &oldName, const QString &newName, const QString &installation)
{
    if (newName.trimmed().isEmpty())
        return QStringLiteral("The new name must not be empty.");
    if (newName == oldName)
        return QStringLiteral("The name \"%1\" is unchanged.").arg(newName);
    static const QString notInFileNames = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : newName) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("The name \"%1\" cannot be a file name: it contains a control character.")
                .arg(newName);
        if (notInFileNames.contains(c))
            return QStringLiteral("The name \"%1\" cannot be a file name: it contains \"%2\".").arg(newName, QString(c));
    }
    const QChar first = newName.front();
    const QChar last = newName.back();
    if (first.isSpace() || last.isSpace() || first == QLatin1Char('.') || last == QLatin1Char('.'))
        return QStringLiteral("The name \"%1\" cannot be a file name: it begins or ends with a blank or a dot.")
            .arg(newName);
    // Compared without regard to case: the files must also be distinct on file systems that fold case.
    const QStringList files = QDir(ZenqGetApplicationsBinDir(installation))
                                  .entryList({ QStringLiteral("*") + definitionExtension,
                                               QStringLiteral("*") + configurationExtension },
                                             QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &file : files) {
        const QString application = JVeryPureFileName(file);
        if (application != oldName && application.compare(newName, Qt::CaseInsensitive) == 0)
            return QStringLiteral("The name \"%1\" is already used by the application \"%2\".")
                .arg(newName, application);
    }
    return {};
}
