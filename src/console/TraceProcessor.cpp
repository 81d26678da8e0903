#include "TraceProcessor.h"

#include "MemoryTable.h"
#include "TraceFileWriter.h"
#include "framework/ZenqTextFormat.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqTraceConstants.h"

#include <cmath>

namespace {

constexpr QChar endChar = QChar(0);
const QString shorteningSuffix = QStringLiteral("...");

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Outputs of a long batch become visible at least this often.
constexpr qint64 flushIntervalMs = 50;

} // namespace

TraceProcessor::TraceProcessor(const TraceOptions &options, TraceProcessorHost &host, TraceDisplaySink &display,
                               TraceFileWriter &traceFiles)
    : m_options(options), m_host(host), m_display(display), m_traceFiles(traceFiles)
{
    m_sinceFlush.start();
}

void TraceProcessor::flushOutputs()
{
    m_traceFiles.flush();
    m_display.flushDisplay();
    m_sinceFlush.restart();
}

void TraceProcessor::SplitTraceBatch(const QString &text, TraceLocation location)
{
    // A run of NULs at the end is padding (a file preallocated or cut by a crash), not text. A NUL in
    // front of later text does not end the batch: that would silently drop the readable lines behind it.
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == endChar)
        --end;

    ++m_batchDepth;
    const QChar *data = text.constData();
    qsizetype p = 0;
    while (p < end) {
        if (m_options.escape && m_host.escapePressed())
            break;
        m_host.processPendingMessages();
        const qsizetype cr = QStringView(data + p, end - p).indexOf(QLatin1Char('\r'));
        if (cr < 0) {
            ProcessTraceLine(ShortenTraceLine(QStringView(data + p, end - p)), location);
            break;
        }
        ProcessTraceLine(ShortenTraceLine(QStringView(data + p, cr)), location);
        p += cr + 1;
        if (p < end && data[p] == QLatin1Char('\n'))
            ++p;
        if (m_sinceFlush.elapsed() >= flushIntervalMs)
            flushOutputs();
    }
    --m_batchDepth;
    if (m_batchDepth == 0)
        flushOutputs();
}

QString TraceProcessor::ShortenTraceLine(QStringView line) const
{
    if (m_options.shorten && line.size() > lineLengthLimit) {
        QString shortened;
        shortened.reserve(lineLengthLimit + shorteningSuffix.size());
        shortened.append(line.left(lineLengthLimit)).append(shorteningSuffix);
        return shortened;
    }
    return line.toString();
}

void TraceProcessor::ProcessTraceLine(const QString &line, TraceLocation location)
{
    if (!m_firstLineSeen) {
        m_firstLineSeen = true;
        if (JIsWhiteW(line, 1))
            return;
    }
    if (m_options.ignoreEmptyLines && line.isEmpty())
        return;
    if (line.contains(ZenqConsoleCommandMarker)) {
        HandleConsoleCommand(line);
    } else if (m_options.traceOn) {
        qsizetype start = 0;
        qsizetype length = 0;
        double time = 0;
        if (m_options.elapsedTime && FindTimeStamp(line, start, length, time))
            AppendTraceFileLine(RewriteExecutionTime(line, start, length, time), location);
        else
            AppendTraceFileLine(line, location);
    }
    if (m_batchDepth == 0)
        flushOutputs(); // a single line from a message is visible at once
}

bool TraceProcessor::FindTimeStamp(QStringView line, qsizetype &start, qsizetype &length, double &time)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('.') || isAsciiDigit(c))
            continue;
        if (c != QLatin1Char(':') || i == 0 || !isAsciiDigit(line.at(i - 1)))
            return false;
        if (i >= 2 && isAsciiDigit(line.at(i - 2))) {
            start = i - 2;
            length = 13;
            return ZenqStrToTime(line.mid(start, length), time);
        }
        // A one-digit hour is read with a leading 0.
        start = i - 1;
        length = 12;
        QChar field[13];
        field[0] = QLatin1Char('0');
        const QStringView rest = line.mid(start, length);
        std::copy(rest.begin(), rest.end(), field + 1);
        return ZenqStrToTime(QStringView(field, rest.size() + 1), time);
    }
    return false;
}

QString TraceProcessor::RewriteExecutionTime(const QString &line, qsizetype start, qsizetype length, double time)
{
    qint64 elapsed = 0;
    if (m_lastTimeStamp != 0) {
        // The fields are whole milliseconds; the epsilon keeps 0.123 s from becoming 122 ms in binary.
        elapsed = static_cast<qint64>(std::floor(std::fabs(time - m_lastTimeStamp) * 86400000.0 + 1e-6));
    }
    m_lastTimeStamp = time;
    const QString field = JPad(TimeString(elapsed, QString(), QStringLiteral(" ")), elapsedFieldWidth, true);
    QString result;
    result.reserve(line.size() - length + field.size());
    result.append(QStringView(line).left(start)).append(field).append(QStringView(line).mid(start + length));
    return result;
}

void TraceProcessor::HandleConsoleCommand(const QString &line)
{
    // The payload of a memory command starts behind the command text and one separator.
    const auto payload = [&line](const QString &command) { return line.mid(command.size() + 1); };
    if (line.contains(_wZenqConsoleCommand_NoOfRequests)) {
        if (m_memoryTable)
            m_memoryTable->FormatRequestStatistics(line);
    } else if (line.contains(_wZenqConsoleCommand_RestoreWindow)) {
        m_restoreRequest = true;
    } else if (line.contains(_wZenqConsoleCommand_MemoryConsumptionFree)) {
        if (m_memoryTable)
            m_memoryTable->RemoveModuleRow(payload(_wZenqConsoleCommand_MemoryConsumptionFree));
    } else if (line.contains(_wZenqConsoleCommand_MemoryConsumption)) {
        if (m_memoryTable)
            m_memoryTable->UpdateModuleRow(payload(_wZenqConsoleCommand_MemoryConsumption));
    }
}

void TraceProcessor::AppendTraceFileLine(const QString &line, TraceLocation location)
{
    m_traceFiles.append(line, location, m_traceFileEncoding);
    ShowTraceLine(line);
}

void TraceProcessor::ShowTraceLine(const QString &line)
{
    const int special = _TRACEIsSpecialString(line);
    QString visible = line;
    if (visible.contains(endChar))
        visible.replace(endChar, QLatin1Char('_'));
    if (special < 0) {
        m_display.appendTraceLine(visible, TraceLineStyle());
    } else {
        const TraceLineStyle style { true, _TRACESPECCOLORS[special], _TRACESPECSTYLE[special] };
        m_display.appendTraceLine(visible.mid(_TRACESPECSHOWFROM[special] - 1), style);
    }
    if (!m_host.isHiddenByUser())
        m_display.takeFocus();
}
