#pragma once
// The framework's application connection: a caller sets the header of a call (sender, session, receiver,
// action, ...), writes the application parameters and executes the call against a service of the
// installation. Also the session operation a caller logs in with, and the action names. Main thread
// only (the registry of services is not thread-safe); one connection carries one call at a time.
//
// On this platform a call starts the service's program (`Bin/N.DLL`, see ZenqServices.h) with no
// arguments and no shell, writes the request document to its standard input and reads the answer from
// its standard output; the formats are documented in docs/installation.md, section "Services".
// Every failure throws std::runtime_error with a message for the user.
#include "ZenqTypes.h"

#include <QDateTime>
#include <QString>

class TZenqStandardService;

// What the receiving service does with its window, in the framework's order.
enum class TZenqAction : int {
    OpenAndClose = 0,
    LeaveOpen = 1,
    WindowsGUIShowAsDesigned = 2,
    WindowsGUIShowLikeSenderForm = 3,
    WindowsGUIShowAsChild = 4,
    WindowsGUIShowAsChild_ClientAligned = 5,
    WindowsGUIShowAsDesignedModeless = 6,
    Close = 7,
};

// The action of a name, compared without regard to case and blanks around it; throws for an unknown name.
TZenqAction ZenqStringToAction(const QString &text);
// The name of an action as ZenqStringToAction reads it.
QString ZenqActionToString(TZenqAction action);

// A date-time as the call header carries it: local time, "yyyy-MM-ddTHH:mm:ss.zzz".
QString ZenqDateTimeToStr(const QDateTime &time);

// True when the framework executes no XML calls. The stand-in always executes: false.
bool ZenqXML_No_Execute();

// The settings of a caller's administration object. The stand-in keeps no administration state; the
// session operation accepts one for the caller's sake and also works without (null).
struct TZenqAdministration
{
    QString applicationName = QStringLiteral("ZenqConsole");
    QString kernelService = QStringLiteral("ZenqKernel");
};

// Logs a user in: checks the user name (without regard to case) and the password against the users of
// the framework configuration ("ZenqFramework", element Users) and answers a new session id; delivers
// the user's profile ids and language (the framework's DefaultLanguage when the user has none). Throws
// for an unknown user, a wrong password or an unreadable configuration.
QString ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(const TZenqAdministration *administration,
                                                                         const QString &applicationName,
                                                                         TZenqApplicationType applicationType,
                                                                         const QString &userName,
                                                                         const QString &password,
                                                                         QString &profileIds, QString &language);

// The text a user's PasswordHash attribute holds for a name (as written in its Name attribute) and password.
QString ZenqUserPasswordHash(const QString &storedUserName, const QString &password);

class TZenqApplicationConnection
{
public:
    TZenqApplicationConnection();
    TZenqApplicationConnection(const TZenqApplicationConnection &) = delete;
    TZenqApplicationConnection &operator=(const TZenqApplicationConnection &) = delete;

    // Header of the next call; each value stays until it is set again.
    void Set_ZenqApplicationType(TZenqApplicationType type) { m_applicationType = type; }
    void Set_ZenqSender(const QString &sender) { m_sender = sender; }
    void Set_ZenqSessionID(const QString &sessionId) { m_sessionId = sessionId; }
    void Set_ZenqProfileIDs(const QString &profileIds) { m_profileIds = profileIds; }
    void Set_ZenqLanguage(const QString &language) { m_language = language; }
    void Set_ZenqReceiver(const QString &receiver) { m_receiver = receiver; }
    // The loaded service that answers; null lets the call load the receiver by its name.
    void Set_ZenqReceiverService(TZenqStandardService *service) { m_receiverService = service; }
    void Set_ZenqDateTime(const QString &dateTime) { m_dateTime = dateTime; }
    void Set_ZenqCallLevel(const QString &callLevel) { m_callLevel = callLevel; }
    void Set_ZenqAction(TZenqAction action) { m_action = action; }

    // The application parameters of the next call: the opening tag (with a line break after it, indented
    // by three blanks), text written unchanged, the closing tag. The next call consumes them.
    void XML_Write_ApplicationParameterStart(bool lineBreak, bool indent);
    void XML_Write_Raw(const QString &text);
    void XML_Write_ApplicationParameterStop(bool lineBreak, bool indent);

    // Sends the request to the receiver's program and answers its answer document, which is also traced
    // with ZenqDS. Throws, after tracing the reason as an error line, when the service is missing, its
    // program cannot be started, ends with a non-zero exit code or a crash, writes no answer, or takes
    // longer than the time-out (then it is killed). The written parameters are consumed either way.
    QString XML_Execute();

    // The request document the next call sends.
    QString requestDocument() const;
    // The request document of the last call that started a program; empty before the first.
    QString lastRequest() const { return m_lastRequest; }

    // Time-out of one call: set here, else $ZENQ_SERVICE_TIMEOUT_MS, else 30 s.
    void setTimeoutMs(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeoutMs() const { return m_timeoutMs; }

    TZenqAction action() const { return m_action; }
    QString language() const { return m_language; }
    QString sessionId() const { return m_sessionId; }
    QString profileIds() const { return m_profileIds; }
    QString receiver() const { return m_receiver; }

private:
    TZenqApplicationType m_applicationType = TZenqApplicationType::ConsoleCaller;
    QString m_sender, m_sessionId, m_profileIds, m_language, m_receiver, m_dateTime, m_callLevel;
    TZenqStandardService *m_receiverService = nullptr;
    TZenqAction m_action = TZenqAction::OpenAndClose;
    QString m_parameters;
    QString m_lastRequest;
    int m_timeoutMs;
};
