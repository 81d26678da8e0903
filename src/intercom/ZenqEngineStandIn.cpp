#include "ZenqEngineStandIn.h"

#include "framework/ZenqConfig.h"
#include "framework/ZenqCrypt.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqTraceConstants.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString installedMessage = QStringLiteral("WM_ZenqFrameworkInstalled");
const QString newApplicationMessage = QStringLiteral("WM_ZenqFrameworkNewApplication");
const QString loadApplicationMessage = QStringLiteral("WM_ZenqFrameworkLoadApplication");
const QString compileMessage = QStringLiteral("WM_ZenqApplicationCompileAndRegister");
const QString renameMessage = QStringLiteral("WM_ZenqApplicationToRename");
const QString deleteMessage = QStringLiteral("WM_ZenqApplicationToDelete");
const QString isCompilingMessage = QStringLiteral("WM_ZenqIsCompiling");

const QString definitionExtension = QStringLiteral(".Zenq");
const QString configurationExtension = QStringLiteral(".Zenqc");
const QString applicationPlaceholder = QStringLiteral("@application@");
const QString notThere = QStringLiteral(" (not there)");

void trace(const QString &text, int indentationFlag = 0)
{
    ZenqDS(QStringLiteral("Framework engine (stand-in): ") + text, indentationFlag);
}

// The console colours a line by the marker at its very start.
void traceError(const QString &text)
{
    ZenqDS(ZenqTraceSpecialMarkers[0] + QStringLiteral("Framework engine (stand-in): ") + text);
}

void traceWarning(const QString &text)
{
    ZenqDS(ZenqTraceSpecialMarkers[1] + QStringLiteral("Framework engine (stand-in): ") + text);
}

QString binFile(const QString &name, const QString &extension)
{
    return JMakeFileName(ZenqGetApplicationsBinDir(), name + extension);
}

QString sourceDirOf(const QString &name)
{
    return JMakeFileName(ZenqGetApplicationsSourceDir(), name);
}

QString projectSourceOf(const QString &name)
{
    return JMakeFileName(sourceDirOf(name), name + QStringLiteral(".dpr"));
}

bool applicationExists(const QString &name)
{
    return JFileExists(binFile(name, definitionExtension)) || JFileExists(binFile(name, configurationExtension));
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool isBinTemplate(const QString &fileName)
{
    return fileName == applicationPlaceholder + definitionExtension
        || fileName == applicationPlaceholder + configurationExtension;
}

// Removes what a creation wrote when a later step fails, so no half application stays behind.
class CreationUndo
{
public:
    ~CreationUndo()
    {
        if (m_done)
            return;
        for (const QString &file : m_files)
            JDeleteFile(file, true);
        if (!m_sourceDir.isEmpty())
            JRemoveDir(m_sourceDir, true);
    }
    void file(const QString &file) { m_files << file; }
    void sourceDir(const QString &directory) { m_sourceDir = directory; }
    void done() { m_done = true; }

private:
    QStringList m_files;
    QString m_sourceDir;
    bool m_done = false;
};

} // namespace

QString ZenqNewApplicationBaseName(ZenqNewApplicationKind kind)
{
    return kind == ZenqNewApplicationKind::WindowsProgram ? QStringLiteral("New Zenq-Program")
                                                          : QStringLiteral("New Zenq-Application");
}

QString ZenqChooseNewApplicationName(const QString &base)
{
    QString name = base;
    for (int counter = 2; applicationExists(name) || QFileInfo::exists(sourceDirOf(name)); ++counter)
        name = base + QStringLiteral("(%1)").arg(counter);
    return name;
}

QString ZenqApplicationTemplatesDir(ZenqNewApplicationKind kind)
{
    return JMakeFileName(ZenqGetFrameworkTemplatesDir(QStringLiteral("ZenqApplication")),
                         kind == ZenqNewApplicationKind::WindowsProgram ? QStringLiteral("program")
                                                                        : QStringLiteral("service"));
}

QString ZenqFillApplicationTemplate(QString text, const ZenqTemplateValues &values)
{
    return text.replace(applicationPlaceholder, values.application)
        .replace(QStringLiteral("@zenqparent@"), values.parent)
        .replace(QStringLiteral("@comment@"), values.comment)
        .replace(QStringLiteral("@author@"), values.author);
}

bool ZenqCreateApplicationFromTemplates(ZenqNewApplicationKind kind, const QString &name, const QString &parentName,
                                        QString *error)
{
    if (name.isEmpty())
        return fail(error, QStringLiteral("no name for the new application"));
    if (applicationExists(name) || QFileInfo::exists(sourceDirOf(name)))
        return fail(error, QStringLiteral("the name \"%1\" is in use").arg(name));
    const bool parentHasDefinition = !parentName.isEmpty() && JFileExists(binFile(parentName, definitionExtension));
    if (!parentHasDefinition && (parentName.isEmpty() || !JFileExists(binFile(parentName, configurationExtension))))
        return fail(error, QStringLiteral("there is no parent application \"%1\" in %2")
                               .arg(parentName, ZenqGetApplicationsBinDir()));
    const QString templates = ZenqApplicationTemplatesDir(kind);
    for (const QString &extension : { definitionExtension, configurationExtension, QStringLiteral(".dpr") }) {
        const QString file = JMakeFileName(templates, applicationPlaceholder + extension);
        if (!JFileExists(file))
            return fail(error, QStringLiteral("the template %1 is missing").arg(file));
    }

    // A parent that is only a configuration file is named by it in both files, as a new folder's is.
    const QString parentConfiguration = parentName + configurationExtension;
    const QString parentDefinition = parentHasDefinition ? parentName + definitionExtension : parentConfiguration;
    CreationUndo undo;
    const auto writeConfiguration = [&](const QString &extension, const QString &parent, int fileType) {
        QString text;
        const QString templateFile = JMakeFileName(templates, applicationPlaceholder + extension);
        if (!JLoadFromXMLFile(templateFile, ZenqStandardCryptKey(), ZenqStandardSecurityLevel(), text, nullptr, error))
            return false;
        // Values land in XML attributes; a parent named "R&D" must not break the file.
        const ZenqTemplateValues values { ZenqXmlEscapeAttribute(name), ZenqXmlEscapeAttribute(parent), {}, {} };
        const QString target = binFile(name, extension);
        undo.file(target);
        return JSaveToXMLFile(target, ZenqFillApplicationTemplate(text, values), ZenqStandardCryptKey(),
                              ZenqStandardSecurityLevel(), fileType, error);
    };
    if (!writeConfiguration(definitionExtension, parentDefinition, ZenqXMLFilePlain)
        || !writeConfiguration(configurationExtension, parentConfiguration, ZenqXMLFileEncrypted))
        return false;

    const QString sourceDir = sourceDirOf(name);
    undo.sourceDir(sourceDir);
    if (!JMakeDir(sourceDir))
        return fail(error, QStringLiteral("cannot create the directory %1").arg(sourceDir));
    QStringList sources;
    JGetAllFilesPure(templates, QStringLiteral("*.*"), sources);
    const ZenqTemplateValues values { name, parentDefinition, {}, {} };
    for (const QString &fileName : std::as_const(sources)) {
        if (isBinTemplate(fileName))
            continue;
        QString text;
        int encoding = ZenqEncodingAnsi;
        if (!JLoadFromFileEx(JMakeFileName(templates, fileName), ZenqLoadHonourBom, text, encoding, error))
            return false;
        // Sources keep the template's encoding: only a template with a byte-order mark gets one.
        const bool withMark = encoding == ZenqEncodingUtf16LE || encoding == ZenqEncodingUtf8;
        const QString target = JMakeFileName(sourceDir, QString(fileName).replace(applicationPlaceholder, name));
        if (!JSaveToFileS(target, ZenqFillApplicationTemplate(text, values), encoding, withMark, error))
            return false;
    }
    undo.done();
    return true;
}

// ---------------------------------------------------------------------------------------------------

ZenqEngineStandIn::ZenqEngineStandIn() = default;

ZenqEngineStandIn::~ZenqEngineStandIn() = default;

QStringList ZenqEngineStandIn::messageNames()
{
    return { installedMessage, newApplicationMessage, loadApplicationMessage,
             compileMessage,   renameMessage,         deleteMessage };
}

bool ZenqEngineStandIn::open(QString *error)
{
    for (const QString &name : messageNames())
        RegisterWindowMessage(name);
    m_window = std::make_unique<ZenqWindow>(ZenqWindowClass::FrameworkEngine,
                                            [this](quint32 message, quintptr wParam, qintptr lParam) {
                                                return handle(message, wParam,
                                                              JGlobalGetAtomAndDelete(static_cast<quint16>(lParam)));
                                            });
    if (m_window->open(error))
        return true;
    m_window.reset();
    return false;
}

void ZenqEngineStandIn::close()
{
    m_window.reset();
}

QString ZenqEngineStandIn::endpointPath() const
{
    return m_window ? m_window->endpointPath() : QString();
}

ZenqMessageAnswer ZenqEngineStandIn::handle(quint32 message, quintptr wParam, const QString &text)
{
    const QString name = ZenqRegisteredMessageName(message);
    if (name == installedMessage) {
        trace(QStringLiteral("confirmed the installed framework"));
        return 1;
    }
    if (name == newApplicationMessage)
        return newApplication(wParam, text);
    if (name == loadApplicationMessage) {
        if (text.isEmpty()) {
            traceWarning(QStringLiteral("load request without an application name"));
            return 0;
        }
        const QString project = projectSourceOf(text);
        trace(QStringLiteral("would load the project %1%2").arg(project, JFileExists(project) ? QString() : notThere));
        return 1;
    }
    if (name == compileMessage)
        return compileAndRegister(wParam, text);
    if (name == renameMessage) {
        trace(QStringLiteral("would close the project %1, which is to be renamed").arg(text));
        return 1;
    }
    if (name == deleteMessage) {
        trace(QStringLiteral("would close the project %1, which is to be deleted").arg(text));
        return 1;
    }
    return 0;
}

ZenqMessageAnswer ZenqEngineStandIn::newApplication(quintptr kind, const QString &parentName)
{
    if (kind != 1 && kind != 2) {
        traceError(QStringLiteral("new application of unknown kind %1 refused").arg(kind));
        return 0;
    }
    const auto applicationKind = static_cast<ZenqNewApplicationKind>(kind);
    const QString name = ZenqChooseNewApplicationName(ZenqNewApplicationBaseName(applicationKind));
    QString error;
    if (!ZenqCreateApplicationFromTemplates(applicationKind, name, parentName, &error)) {
        traceError(QStringLiteral("cannot create \"%1\" under \"%2\": %3").arg(name, parentName, error));
        return 0;
    }
    trace(QStringLiteral("created the %1 \"%2\" under \"%3\" (sources in %4)")
              .arg(applicationKind == ZenqNewApplicationKind::WindowsProgram ? QStringLiteral("Windows program")
                                                                             : QStringLiteral("application"),
                   name, parentName, sourceDirOf(name)));
    return ZenqMessageAnswer::fromAtom(JGlobalAddAtom(name));
}

ZenqMessageAnswer ZenqEngineStandIn::compileAndRegister(quintptr kind, const QString &name)
{
    if (kind < 1 || kind > 4) {
        traceError(QStringLiteral("compile request of unknown kind %1 refused").arg(kind));
        return 0;
    }
    const bool all = kind <= 2;
    const QString verb = kind % 2 == 1 ? QStringLiteral("compile") : QStringLiteral("build");
    if (!all && name.isEmpty()) {
        traceError(QStringLiteral("%1 request without an application name refused").arg(verb));
        return 0;
    }
    // Telling the console posts over the bus, which runs the event loop: a second request may arrive
    // meanwhile and must not end the first one's compiling state early.
    if (m_compiling) {
        traceWarning(QStringLiteral("%1 request refused: a compile is running").arg(verb));
        return 0;
    }
    m_compiling = true;
    const auto tellConsoles = [](bool compiling) {
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(isCompilingMessage, ZenqWindowClass::Console, {}, true,
                                                          compiling ? 1 : 0, QString());
    };
    tellConsoles(true);

    QStringList names;
    if (all) {
        JGetAllFilesPure(ZenqGetApplicationsBinDir(), QStringLiteral("*") + definitionExtension, names);
        for (QString &fileName : names)
            fileName.chop(definitionExtension.size());
    } else {
        names << name;
    }
    trace(all ? QStringLiteral("%1 all: %2 applications").arg(verb).arg(names.size())
              : QStringLiteral("%1 \"%2\"").arg(verb, name),
          1);
    for (const QString &application : std::as_const(names)) {
        const QString project = projectSourceOf(application);
        if (ZenqFile_ReadSimpleBoolean(application, QStringLiteral("IsFolder")))
            trace(QStringLiteral("skips the folder %1, which has no project").arg(application));
        else
            trace(QStringLiteral("would %1 %2%3").arg(verb, project, JFileExists(project) ? QString() : notThere));
    }
    trace(QStringLiteral("%1 done").arg(verb), -1);

    tellConsoles(false);
    m_compiling = false;
    return 1;
}

bool ZenqFrameworkEngineIsRunning()
{
    ZenqDeliveryReport report;
    ZenqInterCommunicateWith_AllWindowsOfAWindowClass(installedMessage, ZenqWindowClass::FrameworkEngine, {}, false,
                                                      0, QString(), &report);
    return report.reached > 0;
}
