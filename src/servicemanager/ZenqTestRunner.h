#pragma once
// The test runner of the service manager without widgets: the script language of D_TESTS, the run of
// one script against a service through the framework's application connection, and the look-ups of
// samples and tests by bound names. Main thread only; a run is synchronous and re-entrance is not
// supported. The window drives it with plain calls and learns what happened through the hooks.
//
// Contracts in one line each:
// - ZenqParseScriptLine: splits one line into key and value exactly as the runner reads it; never fails.
// - InterpretScriptLine: applies one line to the run state, calling the service for "Execute"; answers
//   whether to go on (always true); throws what the framework throws (the run ends at that line).
// - RunTestScript: wait cursor, BeginRun, fresh run state, every line in order; EndRun and the default
//   cursor also after an error, which is rethrown as ZenqTestScriptError naming the line.
// - LabelRunClick: runs only with a service name and an open database; an error goes to the error hook
//   (rethrown when there is none); true when the script ran to its end.
// - BeginRun / EndRun: prepare the framework once per run / release its services and clear its cache.
// - ShowElapsedTime: "Elapsed Time: N msec" since the start tick to the elapsed-time hook.
#include "framework/ZenqApplicationConnection.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

// The state of a run, kept from line to line; a run starts with these values.
struct TZenqTestRunState
{
    TZenqAction action = TZenqAction::OpenAndClose;
    QString userName = QStringLiteral("ZenqGuest2");
    QString password = QStringLiteral("Trosvibel");
    QString language;
    QString sampleInput;
    // Filled by each Execute from the session generation.
    QString sessionLanguage;
    QString profileIds;
};

// One script line as read: a comment (empty, white, or "//" after leading delimiters) or a key with
// its value. Delimiters are '=', blank, ';' and tab; the value ends before the next ';'.
struct ZenqScriptLine
{
    bool comment = true;
    QString key;
    QString value;
};
ZenqScriptLine ZenqParseScriptLine(const QString &line);

// The lines of a script, split at CR LF, CR or LF.
QStringList ZenqSplitScriptLines(const QString &script);

// The example script of "Script Mini-Help", each line ended by CR LF, and how the text dialog shows it.
QString ZenqScriptMiniHelpText();
inline const QString ZenqScriptMiniHelpCaption = QStringLiteral("Script - Help: Example");
inline const QString ZenqScriptMiniHelpLinkCaption = QStringLiteral("Ok");
inline constexpr int ZenqScriptMiniHelpWidth = 300;
inline constexpr int ZenqScriptMiniHelpHeight = 350;

// "Elapsed Time: " + milliseconds + " msec".
QString ZenqElapsedTimeText(quint32 milliseconds);

// Look-ups in the documentation-and-test database; names are bound, never pasted into the statement.
// Each throws std::runtime_error with the driver's message when its statement fails.
// The INPUTSAMPLE_ of the service's sample of that name (a null text for a sample without input);
// nothing when there is no such sample.
std::optional<QString> ZenqFindSampleInput(const QSqlDatabase &database, const QString &serviceName,
                                           const QString &sampleName);
// The TESTSCRIPT_ of the service's test of that name; nothing when there is no such test.
std::optional<QString> ZenqFindTestScript(const QSqlDatabase &database, const QString &serviceName,
                                          const QString &testName);
// The names of the service's samples or tests, sorted without regard to case.
QStringList ZenqSampleNames(const QSqlDatabase &database, const QString &serviceName);
QStringList ZenqTestNames(const QSqlDatabase &database, const QString &serviceName);

// An error that ended a run, with the 1-based script line it came from; what() starts "Line N: ".
class ZenqTestScriptError : public std::runtime_error
{
public:
    ZenqTestScriptError(int lineNumber, const QString &message);
    int lineNumber() const { return m_lineNumber; }
    // The framework's message without the line prefix.
    QString message() const { return m_message; }

private:
    int m_lineNumber;
    QString m_message;
};

// What one "Execute" line brought back.
struct ZenqTestCall
{
    int lineNumber = 0;
    QString serviceName;
    QString answer;
    quint32 elapsedMs = 0;
};

class ZenqTestRunner
{
public:
    ZenqTestRunner();
    ZenqTestRunner(const ZenqTestRunner &) = delete;
    ZenqTestRunner &operator=(const ZenqTestRunner &) = delete;

    // The second status panel: the elapsed time of the last call.
    std::function<void(const QString &text)> elapsedTimeChanged;
    // The application's error display; without it LabelRunClick lets the error through.
    std::function<void(const QString &message)> errorOccurred;
    // After every successful call, with its answer.
    std::function<void(const ZenqTestCall &call)> callAnswered;

    bool LabelRunClick(const QString &serviceName, const QString &script, const QSqlDatabase &database);
    void RunTestScript(const QString &serviceName, const QString &script, const QSqlDatabase &database);
    bool InterpretScriptLine(const QString &line, TZenqTestRunState &state);
    // Returns the milliseconds it showed.
    quint32 ShowElapsedTime(quint32 startTick);
    void BeginRun();
    void EndRun();

    bool runPrepared() const { return m_prepared; }
    // The last text given to the elapsed-time hook; empty before the first call.
    QString elapsedTimeText() const { return m_elapsedTimeText; }
    // The call object (the window's InterpreterZenqApplicationConnection), e.g. for its time-out.
    TZenqApplicationConnection &connection() { return m_connection; }

private:
    void loadSample(const QString &sampleName, TZenqTestRunState &state);
    void execute(TZenqTestRunState &state);

    TZenqApplicationConnection m_connection;
    bool m_prepared = false;
    QString m_elapsedTimeText;
    // Of the running script; empty outside RunTestScript.
    QString m_serviceName;
    QSqlDatabase m_database;
    int m_lineNumber = 0;
};
