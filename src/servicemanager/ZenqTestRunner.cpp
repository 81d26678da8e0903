#include "ZenqTestRunner.h"

#include "framework/ZenqApplications.h"
#include "framework/ZenqClock.h"
#include "framework/ZenqServices.h"
#include "framework/ZenqUserInterface.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString consoleName = QStringLiteral("ZenqConsole");

bool isDelimiter(QChar c)
{
    return c == QLatin1Char('=') || c == QLatin1Char(' ') || c == QLatin1Char(';') || c == QLatin1Char('\t');
}

QString trimDelimiters(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isDelimiter(text.at(begin)))
        ++begin;
    while (end > begin && isDelimiter(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Empty, or only white space (control characters included).
bool isWhite(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace() || c.unicode() < 32; });
}

[[noreturn]] void databaseFailed(const QSqlQuery &query, const QString &what)
{
    throw std::runtime_error(QStringLiteral("%1 cannot be read from the documentation-and-test database: %2")
                                 .arg(what, query.lastError().text())
                                 .toStdString());
}

std::optional<QString> firstValue(const QSqlDatabase &database, const QString &statement, const QString &serviceName,
                                  const QString &name, const QString &what)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        databaseFailed(query, what);
    query.addBindValue(serviceName);
    query.addBindValue(name);
    if (!query.exec())
        databaseFailed(query, what);
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

QStringList sortedNames(const QSqlDatabase &database, const QString &statement, const QString &serviceName,
                        const QString &what)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        databaseFailed(query, what);
    query.addBindValue(serviceName);
    if (!query.exec())
        databaseFailed(query, what);
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    // Without regard to case, as the grids show them; ties in a fixed order so the output is stable.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

} // namespace

ZenqScriptLine ZenqParseScriptLine(const QString &line)
{
    // Only leading delimiters are stripped here: that lets indented keys and comments work, and the
    // trailing ones are trimmed from key and value anyway.
    qsizetype start = 0;
    while (start < line.size() && isDelimiter(line.at(start)))
        ++start;
    const QString rest = line.mid(start);
    ZenqScriptLine parsed;
    if (isWhite(rest) || rest.startsWith(QLatin1String("//")))
        return parsed;
    parsed.comment = false;
    qsizetype keyEnd = 0;
    while (keyEnd < rest.size() && !isDelimiter(rest.at(keyEnd)))
        ++keyEnd;
    parsed.key = trimDelimiters(rest.left(keyEnd));
    qsizetype valueStart = keyEnd;
    while (valueStart < rest.size() && isDelimiter(rest.at(valueStart)))
        ++valueStart;
    qsizetype valueEnd = rest.indexOf(QLatin1Char(';'), valueStart);
    if (valueEnd < 0)
        valueEnd = rest.size();
    parsed.value = trimDelimiters(rest.mid(valueStart, valueEnd - valueStart));
    return parsed;
}

QStringList ZenqSplitScriptLines(const QString &script)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return script.split(lineBreak);
}

QString ZenqScriptMiniHelpText()
{
    const QStringList lines {
        QStringLiteral("// Comment"),
        QStringLiteral("Action\t =  OpenAndClose;"),
        QStringLiteral("// or\t =  LeaveOpen;"),
        QStringLiteral("// or\t =  WindowsGUIShowAsDesigned;"),
        QStringLiteral("// or\t =  WindowsGUIShowLikeSenderForm;"),
        QStringLiteral("// or\t =  WindowsGUIShowAsChild;"),
        QStringLiteral("// or\t =  WindowsGUIShowAsChild_ClientAligned;"),
        QStringLiteral("// or\t =  WindowsGUIShowAsDesignedModeless;"),
        QStringLiteral("// or\t =  Close;"),
        QStringLiteral("Username =  ZenqGuest2;"),
        QStringLiteral("Password =  Trosvibel;"),
        QStringLiteral("Language =  ENGB;"),
        QStringLiteral("Sample\t =  Sample 1;"),
        QStringLiteral("Execute;"),
        QStringLiteral("Input\t =  Button1,Click;"),
        QStringLiteral("Input\t =  Edit1,Text,'This is a text';"),
        QStringLiteral("Input\t =  Combo1,ItemIndex,3;"),
        QStringLiteral("Input\t =  Combo2,Text,'PPV'"),
        QStringLiteral("Input\t =  CheckBox1,Checked,true;"),
        QStringLiteral("Execute;"),
        QString(),
    };
    QString text;
    for (const QString &line : lines)
        text += line + crlf;
    return text;
}

QString ZenqElapsedTimeText(quint32 milliseconds)
{
    return QStringLiteral("Elapsed Time: ") + QString::number(milliseconds) + QStringLiteral(" msec");
}

std::optional<QString> ZenqFindSampleInput(const QSqlDatabase &database, const QString &serviceName,
                                           const QString &sampleName)
{
    return firstValue(database,
                      QStringLiteral("SELECT INPUTSAMPLE_ FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ? AND SAMPLENAME_ = ?"),
                      serviceName, sampleName, QStringLiteral("The sample \"%1\" of %2").arg(sampleName, serviceName));
}

std::optional<QString> ZenqFindTestScript(const QSqlDatabase &database, const QString &serviceName,
                                          const QString &testName)
{
    return firstValue(database, QStringLiteral("SELECT TESTSCRIPT_ FROM D_TESTS WHERE APPNAME_ = ? AND TESTNAME_ = ?"),
                      serviceName, testName, QStringLiteral("The test \"%1\" of %2").arg(testName, serviceName));
}

QStringList ZenqSampleNames(const QSqlDatabase &database, const QString &serviceName)
{
    return sortedNames(database, QStringLiteral("SELECT SAMPLENAME_ FROM D_XMLBEHAVIOUR WHERE APPNAME_ = ?"),
                       serviceName, QStringLiteral("The samples of %1").arg(serviceName));
}

QStringList ZenqTestNames(const QSqlDatabase &database, const QString &serviceName)
{
    return sortedNames(database, QStringLiteral("SELECT TESTNAME_ FROM D_TESTS WHERE APPNAME_ = ?"), serviceName,
                       QStringLiteral("The tests of %1").arg(serviceName));
}

ZenqTestScriptError::ZenqTestScriptError(int lineNumber, const QString &message)
    : std::runtime_error(QStringLiteral("Line %1: %2").arg(QString::number(lineNumber), message).toStdString())
    , m_lineNumber(lineNumber)
    , m_message(message)
{
}

ZenqTestRunner::ZenqTestRunner()
{
    // The window's call object: open-and-close unless a script says otherwise.
    m_connection.Set_ZenqAction(TZenqAction::OpenAndClose);
}

bool ZenqTestRunner::LabelRunClick(const QString &serviceName, const QString &script, const QSqlDatabase &database)
{
    if (serviceName.isEmpty() || !database.isOpen())
        return false;
    try {
        RunTestScript(serviceName, script, database);
        return true;
    } catch (const std::exception &error) {
        if (!errorOccurred)
            throw;
        errorOccurred(QString::fromUtf8(error.what()));
        return false;
    }
}

void ZenqTestRunner::RunTestScript(const QString &serviceName, const QString &script, const QSqlDatabase &database)
{
    JWaitCursorScope waitCursor;
    BeginRun();
    // Destroyed before the cursor scope: EndRun first, then the default cursor, on every way out.
    struct RunEnd
    {
        ZenqTestRunner &runner;
        ~RunEnd()
        {
            runner.m_serviceName.clear();
            runner.m_database = QSqlDatabase();
            runner.m_lineNumber = 0;
            runner.EndRun();
        }
    } runEnd { *this };
    m_serviceName = serviceName;
    m_database = database;

    TZenqTestRunState state;
    const QStringList lines = ZenqSplitScriptLines(script);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        m_lineNumber = int(i + 1);
        try {
            if (!InterpretScriptLine(lines.at(i), state))
                break;
        } catch (const ZenqTestScriptError &) {
            throw;
        } catch (const std::exception &error) {
            throw ZenqTestScriptError(m_lineNumber, QString::fromUtf8(error.what()));
        }
    }
}

bool ZenqTestRunner::InterpretScriptLine(const QString &line, TZenqTestRunState &state)
{
    const ZenqScriptLine parsed = ZenqParseScriptLine(line);
    if (parsed.comment)
        return true;
    const auto is = [&parsed](const char *key) { return parsed.key.compare(QLatin1String(key), Qt::CaseInsensitive) == 0; };
    if (is("Action")) {
        const TZenqAction action = ZenqStringToAction(parsed.value);
        const int ordinal = int(action);
        // A window shown like the sender's form or inside a parent becomes one shown as designed.
        state.action = ordinal >= 3 && ordinal <= 5 ? TZenqAction(2) : action;
    } else if (is("Username")) {
        state.userName = parsed.value;
    } else if (is("Password")) {
        state.password = parsed.value;
    } else if (is("Language")) {
        state.language = parsed.value;
    } else if (is("Sample")) {
        loadSample(parsed.value, state);
    } else if (is("Execute")) {
        execute(state);
    }
    // Any other key ("Input" among them) is ignored.
    return true;
}

void ZenqTestRunner::loadSample(const QString &sampleName, TZenqTestRunState &state)
{
    if (!m_database.isOpen())
        throw std::runtime_error(QStringLiteral("The sample \"%1\" cannot be looked up: no database is open.")
                                     .arg(sampleName)
                                     .toStdString());
    const std::optional<QString> input = ZenqFindSampleInput(m_database, m_serviceName, sampleName);
    state.sampleInput = input && !input->isEmpty() ? crlf + *input + crlf : QString();
}

void ZenqTestRunner::execute(TZenqTestRunState &state)
{
    m_connection.Set_ZenqApplicationType(TZenqApplicationType::ConsoleCaller);
    m_connection.Set_ZenqSender(consoleName);
    const QString sessionId = ZenqAdministration_GenerateAndSetSessionIDProfileIDsAndLanguage(
        nullptr, consoleName, TZenqApplicationType::ConsoleCaller, state.userName, state.password, state.profileIds,
        state.sessionLanguage);
    m_connection.Set_ZenqSessionID(sessionId);
    m_connection.Set_ZenqProfileIDs(state.profileIds);
    m_connection.Set_ZenqLanguage(isWhite(state.language) ? state.sessionLanguage : state.language);
    m_connection.Set_ZenqReceiver(m_serviceName);
    m_connection.Set_ZenqReceiverService(ZenqServices_ServiceByName(m_serviceName, true));
    m_connection.Set_ZenqDateTime(ZenqDateTimeToStr(ZenqCurrentClock().now()));
    m_connection.Set_ZenqCallLevel(QStringLiteral("0"));
    m_connection.Set_ZenqAction(state.action);
    if (!state.sampleInput.isEmpty()) {
        m_connection.XML_Write_ApplicationParameterStart(true, false);
        m_connection.XML_Write_Raw(state.sampleInput);
        m_connection.XML_Write_ApplicationParameterStop(true, false);
    }
    const quint32 start = GetTickCount();
    QString answer;
    try {
        answer = m_connection.XML_Execute();
    } catch (...) {
        ShowElapsedTime(start);
        throw;
    }
    const quint32 elapsed = ShowElapsedTime(start);
    if (callAnswered)
        callAnswered(ZenqTestCall { m_lineNumber, m_serviceName, answer, elapsed });
}

quint32 ZenqTestRunner::ShowElapsedTime(quint32 startTick)
{
    const quint32 elapsed = ZenqTicksSince(startTick, GetTickCount());
    m_elapsedTimeText = ZenqElapsedTimeText(elapsed);
    if (elapsedTimeChanged)
        elapsedTimeChanged(m_elapsedTimeText);
    return elapsed;
}

void ZenqTestRunner::BeginRun()
{
    if (m_prepared)
        return;
    (void)ZenqXML_No_Execute(); // asked once so the framework is set up; the answer does not matter here
    m_prepared = true;
}

void ZenqTestRunner::EndRun()
{
    if (!m_prepared)
        return;
    if (!ZenqXML_No_Execute()) {
        const int count = ZenqServices_Count();
        for (int index = 0; index < count; ++index)
            ZenqStandardService_Release(index);
    }
    ZenqServices_ApplicationParameterChanged_ClearCache();
    m_prepared = false;
}
