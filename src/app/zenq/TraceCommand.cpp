// zenq trace: hand trace lines to the console the way framework programs do.
#include "Command.h"

#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"

#include <QFile>
#include <QRegularExpression>

namespace {

constexpr const char *name = "trace";

int traceCommand(const QStringList &arguments)
{
    TraceLocation location = ZenqDefaultTraceLocation();
    int encoding = ZenqHandOverEncoding();
    bool raw = false;
    bool message = false;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        if (argument == QLatin1String("--location")) {
            const auto text = value();
            if (!text || (*text != QLatin1String("1") && *text != QLatin1String("0") && *text != QLatin1String("-1")))
                return zenqtool::usageError(name, QStringLiteral("--location takes 1, 0 or -1"));
            location = text->toInt();
        } else if (argument == QLatin1String("--encoding")) {
            const auto text = value();
            if (!text || !zenqtool::parseEncodingName(*text, encoding))
                return zenqtool::usageError(name, QStringLiteral("--encoding takes utf16, utf8 or ansi"));
        } else if (argument == QLatin1String("--raw")) {
            raw = true;
        } else if (argument == QLatin1String("--message")) {
            message = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return zenqtool::usageError(name, QStringLiteral("unknown option %1").arg(argument));
        } else {
            words << argument;
        }
    }

    QFile input;
    QString error;
    if (raw) {
        if (!words.isEmpty())
            return zenqtool::usageError(name, QStringLiteral("--raw reads standard input and takes no text"));
        input.open(stdin, QIODevice::ReadOnly);
        if (!ZenqAppendRawToHandOver(location, input.readAll(), &error))
            return zenqtool::failure(name, error);
        return 0;
    }
    if (words.isEmpty())
        return zenqtool::usageError(name, QStringLiteral("no text given"));

    QString text = words.join(QLatin1Char(' '));
    if (message) {
        if (raw || text == QLatin1String("-"))
            return zenqtool::usageError(name, QStringLiteral("--message sends one line given as TEXT"));
        if (!ZenqTraceSendMessage(ZenqFormatTraceLine(text, 0)))
            return zenqtool::failure(name, QStringLiteral("no console window received the line"));
        return 0;
    }
    if (text == QLatin1String("-")) {
        input.open(stdin, QIODevice::ReadOnly);
        text = QString::fromLocal8Bit(input.readAll());
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
    }
    // One formatted line per line of the text, handed over as one batch.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QString batch;
    const ZenqTraceSettingsSnapshot settings = ZenqReadTraceSettings();
    for (const QString &line : text.split(lineBreak))
        batch += ZenqFormatTraceLine(line, 0, settings) + _wCRLFs;
    if (!ZenqAppendToHandOver(location, batch, encoding, &error))
        return zenqtool::failure(name, error);
    return 0;
}

} // namespace

ZENQ_COMMAND("trace", "[--location 1|0|-1] [--encoding utf16|utf8|ansi] TEXT... | - | --raw | --message TEXT...",
             "Append TEXT as trace lines (formatted by the framework's trace settings) to the hand-over file of a\n"
             "trace location, under the trace lock. TEXT '-' reads the lines from standard input; --raw appends\n"
             "standard input's bytes unchanged. The location defaults to the one framework programs use, the\n"
             "encoding to the framework's trace format; an existing hand-over file keeps its own encoding.\n"
             "--message posts the line to the running console in \"WM_ZenqConsoleOutput\" instead (exit 1 when no\n"
             "console received it). Lines containing \"xC:\" are console commands and go unformatted.",
             traceCommand);
