#pragma once
// A stand-in for the framework engine ("TZenqFramework_EngineForm"): it answers the service manager's
// requests, creates new applications from the application templates and traces, with ZenqDS, what the
// real engine would load or compile. Lives on the thread that created it (the UI thread); not thread-safe.
#include "framework/ZenqMessages.h"

#include <QString>
#include <QStringList>

#include <memory>

// The wParam of "WM_ZenqFrameworkNewApplication".
enum class ZenqNewApplicationKind : int {
    Service = 1,        // a framework application (a service, built as a library)
    WindowsProgram = 2, // a framework Windows program
};

// "New Zenq-Application" or "New Zenq-Program".
QString ZenqNewApplicationBaseName(ZenqNewApplicationKind kind);
// The first of base, base(2), base(3), ... that no application of this installation uses: neither its
// N.Zenq nor its N.Zenqc lies in the applications Bin directory, and it has no source directory (whose
// files the new application would otherwise mix with old ones).
QString ZenqChooseNewApplicationName(const QString &base);
// The templates of a kind: the sub-directory "service" or "program" of the "ZenqApplication" templates.
QString ZenqApplicationTemplatesDir(ZenqNewApplicationKind kind);

// What the placeholders of a template stand for.
struct ZenqTemplateValues
{
    QString application; // @application@
    QString parent;      // @zenqparent@: the parent's file name with extension
    QString comment;     // @comment@
    QString author;      // @author@
};
// The template text with every occurrence of the four placeholders replaced, in the order @application@,
// @zenqparent@, @comment@, @author@ (as the folder templates are filled).
QString ZenqFillApplicationTemplate(QString text, const ZenqTemplateValues &values);

// Creates the application `name` of `kind` under the application `parentName` from the kind's
// templates: N.Zenq (plain) and N.Zenqc (encrypted) in Bin, each naming the parent by its file of the
// same extension (by its N.Zenqc in both when the parent has no N.Zenq), and every other template file
// in Source/N with "@application@" in its file name replaced. Nothing is written, and false comes back
// with the reason, when the name is in use (as ZenqChooseNewApplicationName sees it), or the parent or one
// of the templates @application@.Zenq, @application@.Zenqc and @application@.dpr is missing; a failed
// write removes what was written before it.
bool ZenqCreateApplicationFromTemplates(ZenqNewApplicationKind kind, const QString &name, const QString &parentName,
                                        QString *error = nullptr);

// The engine's window. Each request is traced with ZenqDS, so it shows in the console.
//  - "WM_ZenqFrameworkInstalled": 1.
//  - "WM_ZenqFrameworkNewApplication" (wParam kind, text parent's name): the new application's name as
//    a text answer, or 0 (no text) when it could not be created.
//  - "WM_ZenqFrameworkLoadApplication" (text name): 1; 0 without a name.
//  - "WM_ZenqApplicationCompileAndRegister" (wParam 1 compile all, 2 build all, 3 compile, 4 build the
//    application named by the text): brackets the work with "WM_ZenqIsCompiling" 1 and 0 posted to every
//    console window; 1, or 0 for an unknown wParam, a missing name or a request during a compile.
//  - "WM_ZenqApplicationToRename", "WM_ZenqApplicationToDelete" (text project source name): 1.
class ZenqEngineStandIn
{
public:
    ZenqEngineStandIn();
    ~ZenqEngineStandIn();
    ZenqEngineStandIn(const ZenqEngineStandIn &) = delete;
    ZenqEngineStandIn &operator=(const ZenqEngineStandIn &) = delete;

    // Puts the engine window on the message bus; false with a reason when it cannot.
    bool open(QString *error = nullptr);
    void close();
    // The endpoint's socket file while open, else empty.
    QString endpointPath() const;

    // The names of the requests the engine answers, in the order above.
    static QStringList messageNames();

private:
    ZenqMessageAnswer handle(quint32 message, quintptr wParam, const QString &text);
    ZenqMessageAnswer newApplication(quintptr kind, const QString &parentName);
    ZenqMessageAnswer compileAndRegister(quintptr kind, const QString &name);

    std::unique_ptr<ZenqWindow> m_window;
    bool m_compiling = false;
};

// Whether a live window of the engine class is on the message bus (another engine is running).
bool ZenqFrameworkEngineIsRunning();
