// zenq load: trace load for benchmarks and reliability tests, written the way framework programs do.
#include "Command.h"

#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

namespace {

constexpr const char *name = "load";

// Characters of every width in each encoding, so that a lost or doubled byte shows.
const QString alphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ 0123456789 äöüß €ñ");

int loadCommand(const QStringList &arguments)
{
    qint64 count = -1;
    int length = 100;
    bool randomLength = false;
    int batch = 1000;
    double rate = 0;
    QString writer = QStringLiteral("W");
    TraceLocation location = ZenqDefaultTraceLocation();
    int encoding = ZenqHandOverEncoding();
    quint32 seed = 1;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const QString value = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
        bool ok = true;
        if (argument == QLatin1String("--length")) {
            length = value.toInt(&ok);
            ok = ok && length > 0;
            ++i;
        } else if (argument == QLatin1String("--random-length")) {
            randomLength = true;
        } else if (argument == QLatin1String("--batch")) {
            batch = value.toInt(&ok);
            ok = ok && batch > 0;
            ++i;
        } else if (argument == QLatin1String("--rate")) {
            rate = value.toDouble(&ok);
            ok = ok && rate > 0;
            ++i;
        } else if (argument == QLatin1String("--writer")) {
            writer = value;
            ok = !writer.isEmpty() && !writer.contains(QLatin1Char(' '));
            ++i;
        } else if (argument == QLatin1String("--seed")) {
            seed = value.toUInt(&ok);
            ++i;
        } else if (argument == QLatin1String("--location")) {
            ok = value == QLatin1String("1") || value == QLatin1String("0") || value == QLatin1String("-1");
            location = value.toInt();
            ++i;
        } else if (argument == QLatin1String("--encoding")) {
            ok = zenqtool::parseEncodingName(value, encoding);
            ++i;
        } else if (!argument.startsWith(QLatin1String("--")) && count < 0) {
            count = argument.toLongLong(&ok);
            ok = ok && count >= 0;
        } else {
            return zenqtool::usageError(name, QStringLiteral("unexpected argument %1").arg(argument));
        }
        if (!ok)
            return zenqtool::usageError(name, QStringLiteral("bad value for %1").arg(argument));
    }
    if (count < 0)
        return zenqtool::usageError(name, QStringLiteral("how many lines? (COUNT)"));

    QRandomGenerator random(seed);
    const ZenqTraceSettingsSnapshot settings = ZenqReadTraceSettings();
    QElapsedTimer clock;
    clock.start();
    QString block;
    QString error;
    QString fixedPayload;
    for (int c = 0; c < length; ++c)
        fixedPayload += alphabet.at(c % 26);
    for (qint64 sequence = 0; sequence < count;) {
        block.clear();
        const qint64 end = std::min(count, sequence + batch);
        for (; sequence < end; ++sequence) {
            QString payload = fixedPayload;
            if (randomLength) {
                const int size = static_cast<int>(random.bounded(1, 2 * length));
                payload.clear();
                payload.reserve(size);
                for (int c = 0; c < size; ++c)
                    payload += alphabet.at(static_cast<int>(random.bounded(alphabet.size())));
            }
            block += ZenqFormatTraceLine(writer + QLatin1Char(' ') + QString::number(sequence) + QLatin1Char(' ') + payload,
                                         0, settings);
            block += _wCRLFs;
        }
        if (!ZenqAppendToHandOver(location, block, encoding, &error))
            return zenqtool::failure(name, error);
        if (rate > 0) {
            const qint64 due = static_cast<qint64>(static_cast<double>(sequence) * 1000.0 / rate);
            if (due > clock.elapsed())
                QThread::msleep(static_cast<unsigned long>(due - clock.elapsed()));
        }
    }
    return 0;
}

} // namespace

ZENQ_COMMAND("load",
             "COUNT [--length N] [--random-length] [--batch K] [--rate LINES_PER_SECOND] [--writer ID]\n"
             "          [--seed S] [--location 1|0|-1] [--encoding utf16|utf8|ansi]",
             "Generate trace load: COUNT lines \"ID SEQUENCE PAYLOAD\" (formatted by the trace settings, payload of N\n"
             "characters, or 1 to 2N with --random-length, mixed scripts), appended to the hand-over file in blocks\n"
             "of K lines under the trace lock, optionally at a steady rate.",
             loadCommand);
