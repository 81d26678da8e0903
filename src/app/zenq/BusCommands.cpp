// zenq send, zenq listen: registered messages over the local message bus from a shell.
#include "Command.h"

#include "framework/ZenqMessages.h"
#include "framework/ZenqWindowClasses.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>

namespace {

// Takes the value after an option; false when it is missing.
bool takeValue(const QStringList &arguments, qsizetype &index, QString &value)
{
    if (index + 1 >= arguments.size())
        return false;
    value = arguments.at(++index);
    return true;
}

// Decimal, or hexadecimal with 0x.
bool parseNumber(const QString &text, qint64 &number)
{
    bool ok = false;
    number = text.toLongLong(&ok, 0);
    if (!ok)
        number = static_cast<qint64>(text.toULongLong(&ok, 0));
    return ok;
}

// One message per line: line breaks and backslashes in the text are escaped.
QString escapedText(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

int sendCommand(const QStringList &arguments)
{
    QString name;
    QString windowClass = ZenqWindowClass::Console;
    QString text;
    qint64 wParam = 0;
    bool wait = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString value;
        if (argument == QLatin1String("--wait")) {
            wait = true;
        } else if (argument == QLatin1String("--class")) {
            if (!takeValue(arguments, i, windowClass))
                return zenqtool::usageError("send", QStringLiteral("--class needs a window class"));
        } else if (argument == QLatin1String("--text")) {
            if (!takeValue(arguments, i, text))
                return zenqtool::usageError("send", QStringLiteral("--text needs a text"));
        } else if (argument == QLatin1String("--wparam")) {
            if (!takeValue(arguments, i, value) || !parseNumber(value, wParam))
                return zenqtool::usageError("send", QStringLiteral("--wparam needs a number"));
        } else if (argument.startsWith(QLatin1String("--")) || !name.isEmpty()) {
            return zenqtool::usageError("send", QStringLiteral("unexpected argument '%1'").arg(argument));
        } else {
            name = argument;
        }
    }
    if (name.isEmpty())
        return zenqtool::usageError("send", QStringLiteral("needs a message name"));

    ZenqDeliveryReport report;
    const qint64 answer = ZenqInterCommunicateWith_AllWindowsOfAWindowClass(
        name, windowClass, {}, !wait, static_cast<quintptr>(wParam), text, &report);
    if (!report.error.isEmpty())
        return zenqtool::failure("send", report.error);
    if (!wait)
        return 0;
    if (report.reached == 0) {
        return zenqtool::failure("send", QStringLiteral("no window of class %1 answered %2 (%3 found)")
                                             .arg(windowClass, name)
                                             .arg(report.windows));
    }
    if (report.textAnswer)
        zenqtool::out() << JGlobalGetAtomAndDelete(static_cast<quint16>(answer)) << '\n';
    else
        zenqtool::out() << answer << '\n';
    zenqtool::out().flush();
    return 0;
}

int listenCommand(const QStringList &arguments)
{
    QString windowClass;
    qint64 answer = 0;
    QString answerText;
    bool answerWithText = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString value;
        if (argument == QLatin1String("--answer")) {
            if (!takeValue(arguments, i, value) || !parseNumber(value, answer))
                return zenqtool::usageError("listen", QStringLiteral("--answer needs a number"));
        } else if (argument == QLatin1String("--answer-text")) {
            if (!takeValue(arguments, i, answerText))
                return zenqtool::usageError("listen", QStringLiteral("--answer-text needs a text"));
            answerWithText = true;
        } else if (argument.startsWith(QLatin1String("--")) || !windowClass.isEmpty()) {
            return zenqtool::usageError("listen", QStringLiteral("unexpected argument '%1'").arg(argument));
        } else {
            windowClass = argument;
        }
    }
    if (windowClass.isEmpty())
        return zenqtool::usageError("listen", QStringLiteral("needs a window class"));

    ZenqWindow window(windowClass, [&](quint32 message, quintptr wParam, qintptr lParam) -> ZenqMessageAnswer {
        const QString text = JGlobalGetAtomAndDelete(static_cast<quint16>(lParam));
        zenqtool::out() << ZenqRegisteredMessageName(message) << " wParam=" << static_cast<quint64>(wParam)
                        << " text=" << escapedText(text) << '\n';
        zenqtool::out().flush();
        if (answerWithText)
            return ZenqMessageAnswer::fromAtom(JGlobalAddAtom(answerText));
        return answer;
    });
    window.setAcceptAnyMessageName(true);
    QString error;
    if (!window.open(&error))
        return zenqtool::failure("listen", error);
    if (!platform::quitOnTerminationSignals())
        return zenqtool::failure("listen", QStringLiteral("cannot handle SIGINT/SIGTERM"));
    zenqtool::err() << "zenq listen: listening at " << window.endpointPath() << '\n';
    zenqtool::err().flush();
    QCoreApplication::exec();
    return 0; // the window removes its socket file as it goes
}

} // namespace

ZENQ_COMMAND("send", "NAME [--class CLASS] [--wparam N] [--text T] [--wait]",
             "Post a registered message to every window of a class (default TZenqConsole_MainForm). A post to "
             "no window at all is no error. With --wait, send it, wait for the answers and print the first "
             "non-zero one: its text when it carries one, else the number; fails when no window answered.",
             sendCommand);
ZENQ_COMMAND("listen", "CLASS [--answer N] [--answer-text T]",
             "Open a window of a class and print every message it receives as 'NAME wParam=N text=T' (line "
             "breaks and backslashes in T escaped). Requests are answered with N or the text T (default 0). "
             "Runs until SIGINT or SIGTERM; the readiness line 'listening at PATH' goes to standard error.",
             listenCommand);
