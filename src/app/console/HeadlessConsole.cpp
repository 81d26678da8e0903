#include "HeadlessConsole.h"

#include "console/TraceConsole.h"
#include "framework/ZenqLocks.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqTraceConstants.h"
#include "framework/ZenqWindowClasses.h"
#include "platform/Processes.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

// Messages of other programs get through at least this often while a batch is cut.
constexpr qint64 eventIntervalMs = 5;
constexpr qsizetype outputBlockBytes = 64 * 1024;

QByteArray sgrFor(const TraceLineStyle &style)
{
    QByteArray sgr = "\x1b[38;2;" + QByteArray::number((style.color >> 16) & 0xFF) + ';'
        + QByteArray::number((style.color >> 8) & 0xFF) + ';' + QByteArray::number(style.color & 0xFF);
    if (style.fontStyle & ZenqStyleBold)
        sgr += ";1";
    if (style.fontStyle & ZenqStyleItalic)
        sgr += ";3";
    if (style.fontStyle & ZenqStyleUnderline)
        sgr += ";4";
    if (style.fontStyle & ZenqStyleStrikeOut)
        sgr += ";9";
    return sgr + 'm';
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return; // a closed pipe: nobody reads the lines any more
        done += n;
    }
}

} // namespace

HeadlessConsole::HeadlessConsole(const HeadlessOptions &options)
    : m_options(options), m_colour(!options.plain && ::isatty(STDOUT_FILENO))
{
    m_sinceEvents.start();
}

HeadlessConsole::~HeadlessConsole()
{
    flushDisplay();
}

int HeadlessConsole::run()
{
    ZenqRunOnlyOnceHandle guard = JRunOnlyOnce(platform::currentExecutablePath());
    if (!guard) {
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("ZenqConsoleShow"), ZenqWindowClass::Console,
                                                         {}, true, 0, QString());
        std::fprintf(stderr, "zenq-console: another console is running; it was asked to come forward.\n");
        return 1;
    }

    TraceConsole console(*this, *this, *this);
    m_console = &console;
    int exitCode = 0;
    try {
        console.openTraceMutexAndDeleteTraceFiles();
        console.options() = ZenqReadTraceOptions();
        QString error;
        if (!console.startIntake(&error))
            throw std::runtime_error("the console's message endpoint cannot be opened: " + error.toStdString());
        if (m_options.once) {
            for (TraceLocation location : { TraceLocationFramework, TraceLocationApplications, TraceLocationSystemDrive })
                console.reader().ReadTraceHandOver(location);
            QCoreApplication::processEvents(); // take-ups refused while busy run now
        } else {
            platform::quitOnTerminationSignals();
            console.windowShownFirstTime();
            exitCode = QCoreApplication::exec();
        }
    } catch (const std::exception &error) {
        showError(QString::fromUtf8(error.what()));
        exitCode = 1;
    }
    console.stop();
    flushDisplay();
    m_console = nullptr;
    JRunOnlyOnceEnded(guard);
    return exitCode;
}

void HeadlessConsole::processPendingMessages()
{
    if (m_sinceEvents.elapsed() < eventIntervalMs)
        return;
    m_sinceEvents.restart();
    QCoreApplication::processEvents();
}

void HeadlessConsole::showError(const QString &message)
{
    flushDisplay();
    std::fprintf(stderr, "zenq-console: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

void HeadlessConsole::memoryTableChanged()
{
    if (!m_options.showMemory || !m_console)
        return;
    flushDisplay();
    const QByteArray table = m_console->memoryTable().text().toUtf8() + "\n\n";
    writeAll(STDERR_FILENO, table);
}

void HeadlessConsole::appendTraceLine(const QString &text, const TraceLineStyle &style)
{
    const bool colour = m_colour && style.special;
    if (colour)
        m_output += sgrFor(style);
    // Straight into the output block: no temporary per line.
    const qsizetype at = m_output.size();
    m_output.resize(at + m_encoder.requiredSpace(text.size()));
    char *end = m_encoder.appendToBuffer(m_output.data() + at, text);
    m_output.resize(end - m_output.constData());
    if (colour)
        m_output += "\x1b[0m";
    m_output += '\n';
    if (m_output.size() >= outputBlockBytes)
        flushDisplay();
}

void HeadlessConsole::flushDisplay()
{
    if (m_output.isEmpty())
        return;
    writeAll(STDOUT_FILENO, m_output);
    m_output.clear();
}
