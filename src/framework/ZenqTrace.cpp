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

} // namespace

QString ZenqTimeOfDayField(const QTime &time)
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ');
}

bool ZenqStrToTime(const QString &text, double &time)
{
    if (text.size() < 12)
        return false;
    const auto digit = [&](int i) { return text.at(i).isDigit() && text.at(i).unicode() < 128; };
    for (int i : { 0, 1, 3, 4, 6, 7, 9, 10, 11 })
        if (!digit(i))
            return false;
    if (text.at(2) != QLatin1Char(':') || text.at(5) != QLatin1Char(':'))
        return false;
    const QChar fraction = text.at(8);
    if (fraction != QLatin1Char('.') && fraction != QLatin1Char(',') && fraction != QLatin1Char(':'))
        return false;
    if (text.size() > 12 && !text.at(12).isSpace())
        return false;
    const int hours = text.mid(0, 2).toInt();
    const int minutes = text.mid(3, 2).toInt();
    const int seconds = text.mid(6, 2).toInt();
    const int milliseconds = text.mid(9, 3).toInt();
    if (hours > 23 || minutes > 59 || seconds > 59)
        return false;
    const qint64 total = ((hours * 60LL + minutes) * 60 + seconds) * 1000 + milliseconds;
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
    QString line = marker;
    const QDateTime now = ZenqCurrentClock().now();
    if (settings.date)
        line += now.date().toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ');
    if (settings.time)
        line += ZenqTimeOfDayField(now.time());
    if (settings.moduleName)
        line += ZenqTraceModuleName() + QLatin1Char(' ');
    if (settings.processId)
        line += QStringLiteral("(%1) ").arg(platform::currentProcessId());
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
