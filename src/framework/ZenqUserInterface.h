#pragma once
// The framework's user-interface service: message boxes, input queries, cursors, the small progress
// window and bringing the program to the front. Every dialog of the system goes through it, so that
// the programs show Qt dialogs and tests answer with a scripted fake. The service is set once per
// process (main thread only); without one, a silent default answers "OK"/cancel and shows nothing.
#include <QFlags>
#include <QString>
#include <QStringList>

#include <memory>

// Buttons and icon of JUserMessage, combinable like the original's flags.
enum class JMessageFlag : int {
    Ok = 0x0,
    OkCancel = 0x1,
    YesNoCancel = 0x3,
    YesNo = 0x4,
    IconError = 0x10,
    IconQuestion = 0x20,
    IconWarning = 0x30,
    IconInformation = 0x40,
};
// The button that closed a message box.
enum class JMessageResult : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class ZenqUserInterface
{
public:
    virtual ~ZenqUserInterface() = default;

    virtual JMessageResult message(const QString &text, int flags) = 0;
    // A message box with its own caption instead of the program's name.
    virtual JMessageResult messageWithCaption(const QString &caption, const QString &text, int flags)
    {
        Q_UNUSED(caption)
        return message(text, flags);
    }
    // Asks for a text; false when the user cancelled. `value` holds the initial text and the answer.
    virtual bool inputQuery(const QString &title, const QString &prompt, QString &value) = 0;
    // As inputQuery, offering the earlier inputs (newest first) to choose from.
    virtual bool inputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value,
                                              const QStringList &previousValues) = 0;
    // Wait cursor on/off; calls nest.
    virtual void waitCursor() = 0;
    virtual void defaultCursor() = 0;
    // The small message window ("Informing other Zenq-Applications..."); returns a handle for close.
    virtual int showProgressMessage(const QString &text) = 0;
    virtual void closeProgressMessage(int handle) = 0;
    virtual void bringToFront() = 0;
    // A file-open dialog; the filter is in the original's form "Description (*.ext)|*.ext". The chosen
    // file, or empty when cancelled.
    virtual QString openFileName(const QString &title, const QString &filter, const QString &defaultSuffix)
    {
        Q_UNUSED(title) Q_UNUSED(filter) Q_UNUSED(defaultSuffix)
        return {};
    }
    // Opens a file or address with the desktop's program for it ("open" verb); false when that failed.
    virtual bool openWithDesktop(const QString &fileOrUrl)
    {
        Q_UNUSED(fileOrUrl)
        return false;
    }
};

// The service of this process (never null).
ZenqUserInterface &ZenqUI();
// Replaces the service; returns the previous one so a test can put it back.
std::unique_ptr<ZenqUserInterface> ZenqSetUserInterface(std::unique_ptr<ZenqUserInterface> ui);

JMessageResult JUserMessage(const QString &text, int flags = static_cast<int>(JMessageFlag::Ok));
// A message box captioned `caption` ("Error", "Warning").
JMessageResult JUserExtMessage(const QString &caption, const QString &text, int flags = static_cast<int>(JMessageFlag::Ok));
// An OK/Cancel question; true for OK. `defaultButton` 2 makes Cancel the default, as the callers pass it.
bool JUserOKCANCELQuestion(const QString &text, int defaultButton = 2);
bool JUserInputQuery(const QString &title, const QString &prompt, QString &value);
// As JUserInputQuery, offering the earlier inputs kept in the user's settings under `registryKey` /
// `valueName` (newest first, at most 20); a confirmed answer joins them.
bool JUserInputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value,
                                       const QString &registryKey, const QString &valueName);
void JWaitCursor();
void JDefaultCursor();

// Shows the wait cursor for its lifetime, so every path out of a long operation restores the cursor.
class JWaitCursorScope
{
public:
    JWaitCursorScope() { JWaitCursor(); }
    ~JWaitCursorScope() { JDefaultCursor(); }
    JWaitCursorScope(const JWaitCursorScope &) = delete;
    JWaitCursorScope &operator=(const JWaitCursorScope &) = delete;
};
