#include "ZenqTrace.h"

#include "ZenqClock.h"
#include "ZenqConfig.h"
#include "ZenqFiles.h"
#include "ZenqGlobals.h"
#include "ZenqLocks.h"
#include "ZenqMessages.h"
#include "ZenqPaths.h"
#include "ZenqTextEncoding.h"
#include "ZenqTraceConstants.h"
#include "ZenqWindowClasses.h"
#include "platform/Processes.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QTime>

#include <limits>

namespace {

// A writer waits this long for the console to finish a take-up; the console holds the lock only for a
// rename and a read, so running out means something is wrong and the line is reported as not written.
constexpr int handOverLockTimeoutMs = 10000;

QMutex stateMutex;
QString moduleName;
int indentationLevel = 0;
ZenqMutexHandle tracerSync;

ZenqMutexHandle tracerSyncHandle()
{
    QMutexLocker lock(&stateMutex);
    if (!tracerSync)
        tracerSync = ZenqOpenAMutex(ZenqTracerSyncMutexName);
    return tracerSync;
}

int encodingOfExistingFile(QFile &file, int fallback)
{
    if (file.size() == 0)
        return fallback;
    const QByteArray head = file.peek(3);
    if (head.startsWith("\xFF\xFE"))
        return ZenqEncodingUtf16LE;
    if (head.startsWith(UTF8Header))
        return ZenqEncodingUtf8;
    return ZenqEncodingAnsi;
}

bool appendLocked(TraceLocation location, const QByteArray *raw, const QString *text, int encoding, QString *error)
{
    const QString fileName = ZenqHandOverFileName(location);
    JMakeDir(QFileInfo(fileName).absolutePath());
    ZenqMutexLocker lock(tracerSyncHandle(), handOverLockTimeoutMs);
    if (!lock.isLocked()) {
        if (error)
            *error = QStringLiteral("the trace lock \"%1\" could not be taken").arg(ZenqTracerSyncMutexName);
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QByteArray bytes;
    if (raw) {
        bytes = *raw;
    } else {
        file.seek(0);
        const int used = encodingOfExistingFile(file, encoding);
        if (file.size() == 0)
            bytes = ZenqByteOrderMark(used);
        bytes += ZenqEncodeText(*text, used);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

void appendDigits(QString &out, int value, int width)
{
    char16_t digits[8];
    for (int i = width - 1; i >= 0; --i, value /= 10)
        digits[i] = static_cast<char16_t>(u'0' + value % 10);
    out.append(QStringView(digits, width));
}

// The local date and time of day of now. Converting to local time is the costly part, so it is done
// once per second of the clock and the milliseconds are added by hand.
void appendDateAndTime(QString &line, bool withDate, bool withTime)
{
    struct SecondCache
    {
        qint64 second = std::numeric_limits<qint64>::min();
        QString date;
        int msOfDay = 0;
    };
    thread_local SecondCache cache;
    const qint64 ms = ZenqCurrentClock().currentMSecsSinceEpoch();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != cache.second) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(second * 1000);
        cache.second = second;
        cache.date = local.date().toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ');
        cache.msOfDay = local.time().msecsSinceStartOfDay();
    }
    if (withDate)
        line += cache.date;
    if (withTime) {
        const int msOfDay = cache.msOfDay + static_cast<int>(ms - second * 1000);
        appendDigits(line, msOfDay / 3600000, 2);
        line += QLatin1Char(':');
        appendDigits(line, msOfDay / 60000 % 60, 2);
        line += QLatin1Char(':');
        appendDigits(line, msOfDay / 1000 % 60, 2);
        line += QLatin1Char('.');
        appendDigits(line, msOfDay % 1000, 3);
        line += QLatin1Char(' ');
    }
}

} // namespace

QString ZenqTimeOfDayField(const QTime &time)
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ');
}

bool ZenqStrToTime(QStringView text, double &time)
{
    if (text.size() < 12)
        return false;
    const auto digit = [&](int i) { return text[i].unicode() >= '0' && text[i].unicode() <= '9'; };
    for (int i : { 0, 1, 3, 4, 6, 7, 9, 10, 11 })
        if (!digit(i))
            return false;
    if (text[2] != QLatin1Char(':') || text[5] != QLatin1Char(':'))
        return false;
    const QChar fraction = text[8];
    if (fraction != QLatin1Char('.') && fraction != QLatin1Char(',') && fraction != QLatin1Char(':'))
        return false;
    if (text.size() > 12 && !text[12].isSpace())
        return false;
    const auto number = [&](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i)
            value = value * 10 + (text[i].unicode() - '0');
        return value;
    };
    const int hours = number(0, 2);
    const int minutes = number(3, 2);
    const int seconds = number(6, 2);
    if (hours > 23 || minutes > 59 || seconds > 59)
        return false;
    const qint64 total = ((hours * 60LL + minutes) * 60 + seconds) * 1000 + number(9, 3);
    time = static_cast<double>(total) / 86400000.0;
    return true;
}

void ZenqSetTraceModuleName(const QString &name)
{
    QMutexLocker lock(&stateMutex);
    moduleName = name;
}

QString ZenqTraceModuleName()
{
    QMutexLocker lock(&stateMutex);
    if (moduleName.isEmpty())
        moduleName = QFileInfo(platform::currentExecutablePath()).completeBaseName();
    return moduleName;
}

ZenqTraceSettingsSnapshot ZenqReadTraceSettings()
{
    ZenqTraceSettingsSnapshot settings;
    settings.date = ZenqTraceSettingsWithDate();
    settings.time = ZenqTraceSettingsWithTime();
    settings.moduleName = ZenqTraceSettingsWithModuleName();
    settings.processId = ZenqTraceSettingsWithProcessID();
    settings.threadId = ZenqTraceSettingsWithThreadID();
    settings.indentation = ZenqTraceSettingsWithIndentation();
    settings.moduleField = ZenqTraceModuleName() + QLatin1Char(' ');
    settings.processIdField = QStringLiteral("(%1) ").arg(platform::currentProcessId());
    return settings;
}

QString ZenqFormatTraceLine(const QString &text, int level)
{
    return ZenqFormatTraceLine(text, level, ZenqReadTraceSettings());
}

QString ZenqFormatTraceLine(const QString &text, int level, const ZenqTraceSettingsSnapshot &settings)
{
    // The console reads a command from the start of its line, so commands travel without fields.
    if (text.contains(ZenqConsoleCommandMarker))
        return text;
    QString marker;
    QStringView body(text);
    if (_TRACEIsSpecialString(text) >= 0) {
        marker = text.left(3);
        body = body.mid(3);
    }
    QString line;
    line.reserve(marker.size() + 48 + body.size());
    line += marker;
    if (settings.date || settings.time)
        appendDateAndTime(line, settings.date, settings.time);
    if (settings.moduleName)
        line += settings.moduleField;
    if (settings.processId)
        line += settings.processIdField;
    if (settings.threadId)
        line += QStringLiteral("<%1> ").arg(platform::currentThreadId());
    if (settings.indentation && level > 0)
        line += QString(level * 3, QLatin1Char(' '));
    line += body;
    return line;
}

TraceLocation ZenqDefaultTraceLocation()
{
    const TZenqApplicationType type = ZenqGlobalApplicationType();
    const bool server = type >= TZenqApplicationType::ISAPIServer && type <= TZenqApplicationType::XMLHTTPServer;
    return server ? TraceLocationFramework : TraceLocationApplications;
}

int ZenqHandOverEncoding()
{
    switch (ZenqTracingFormat()) {
    case 0:
        return ZenqEncodingUtf16LE;
    case 2:
        return ZenqEncodingUtf8;
    default:
        return ZenqEncodingAnsi;
    }
}

void ZenqDS(const QString &text, int indentationFlag)
{
    int level;
    {
        QMutexLocker lock(&stateMutex);
        if (indentationFlag < 0 && indentationLevel > 0)
            --indentationLevel;
        level = indentationLevel;
        if (indentationFlag > 0)
            ++indentationLevel;
    }
    // Tracing must never disturb the traced program: a line that cannot be handed over is lost.
    ZenqAppendToHandOver(ZenqDefaultTraceLocation(), ZenqFormatTraceLine(text, level) + _wCRLFs,
                         ZenqHandOverEncoding());
}

bool ZenqAppendToHandOver(TraceLocation location, const QString &text, int encoding, QString *error)
{
    return appendLocked(location, nullptr, &text, encoding, error);
}

bool ZenqAppendRawToHandOver(TraceLocation location, const QByteArray &bytes, QString *error)
{
    return appendLocked(location, &bytes, nullptr, 0, error);
}

bool ZenqTraceSendMessage(const QString &line)
{
    ZenqDeliveryReport report;
    ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("WM_ZenqConsoleOutput"), ZenqWindowClass::Console, {},
                                                     true, 0, line, &report);
    return report.reached > 0;
}
