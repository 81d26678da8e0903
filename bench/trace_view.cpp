// Trace view under a flood: trace lines of about 100 characters (5% special lines) go through the real
// trace pipeline (TraceProcessor, trace files) into the trace view, the central widget of a shown main
// window, in hand-over batches delivered one after another by zero-timers. Prints lines per second, the
// longest stall of the event loop and the memory per line, then the same for a QPlainTextEdit as the
// baseline. Usage: bench_trace_view [--wrap] [LINES [BASELINE_LINES]] (--wrap: the view wraps lines);
// exits 1 when a target is missed.
#include "console/TraceFileWriter.h"
#include "console/TraceOptions.h"
#include "console/TraceProcessor.h"
#include "console/widgets/TraceView.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqTraceConstants.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <malloc.h>

namespace {

constexpr int batchLines = 2000;
constexpr int distinctBatches = 16;
constexpr double targetLinesPerSecond = 200000;
constexpr qint64 targetStallMs = 100;
constexpr double targetStorageRatio = 2.5;

// The console's host as the main window has it: the event loop runs at most every 5 ms.
class BenchHost final : public TraceProcessorHost
{
public:
    BenchHost() { m_sinceEvents.start(); }
    void processPendingMessages() override
    {
        if (m_sinceEvents.elapsed() >= 5) {
            QCoreApplication::processEvents();
            m_sinceEvents.restart();
        }
    }
    void showError(const QString &message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }

private:
    QElapsedTimer m_sinceEvents;
};

// The baseline: every line a paragraph of a QPlainTextEdit, special lines formatted afterwards.
class PlainTextDisplay final : public TraceDisplaySink
{
public:
    explicit PlainTextDisplay(QPlainTextEdit &edit) : m_edit(edit) {}
    void appendTraceLine(const QString &text, const TraceLineStyle &style) override
    {
        m_edit.appendPlainText(text);
        textUnits += text.size();
        if (!style.special)
            return;
        QTextCursor cursor(m_edit.document()->lastBlock());
        cursor.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat format;
        format.setForeground(QColor::fromRgb(QRgb(style.color)));
        format.setFontWeight(style.fontStyle & ZenqStyleBold ? QFont::Bold : QFont::Normal);
        format.setFontUnderline(style.fontStyle & ZenqStyleUnderline);
        format.setFontStrikeOut(style.fontStyle & ZenqStyleStrikeOut);
        cursor.mergeCharFormat(format);
    }
    qint64 textUnits = 0;

private:
    QPlainTextEdit &m_edit;
};

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// Hand-over batches as the framework writes them: date, time, module and process id, CR LF endings.
QStringList makeBatches()
{
    ZenqTraceSettingsSnapshot settings;
    settings.date = true;
    settings.time = true;
    settings.moduleName = true;
    settings.processId = true;
    settings.moduleField = QStringLiteral("ZenqSOAPServer ");
    settings.processIdField = QStringLiteral("(48213) ");
    const QString words = QStringLiteral("request handled for customer account ledger ÄÖÜ entry posted ok ");
    QStringList batches;
    qint64 sequence = 0;
    for (int b = 0; b < distinctBatches; ++b) {
        QString batch;
        for (int i = 0; i < batchLines; ++i, ++sequence) {
            QString text = QStringLiteral("W%1 %2 ").arg(sequence % 4).arg(sequence);
            text += QStringView(words).mid(sequence % 17, 100 - 39 - text.size());
            if (sequence % 20 == 7)
                text.prepend(ZenqTraceSpecialMarkers[size_t(sequence / 20 % ZenqTraceSpecialMarkers.size())]);
            batch += ZenqFormatTraceLine(text, 0, settings);
            batch += QLatin1String("\r\n");
        }
        batches << batch;
    }
    return batches;
}

struct Figures
{
    qint64 lines = 0;
    double seconds = 0;
    qint64 longestStallMs = 0;
    qint64 heapGrowth = 0;
};

// Delivers `lines` lines in batches through a TraceProcessor into `display` and measures the flood.
Figures flood(TraceDisplaySink &display, qint64 lines, const QStringList &batches)
{
    TraceOptions options;
    BenchHost host;
    TraceFileWriter traceFiles;
    TraceProcessor processor(options, host, display, traceFiles);

    Figures figures;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        figures.longestStallMs = std::max(figures.longestStallMs, now - lastTick);
        lastTick = now;
    });

    QEventLoop loop;
    qint64 delivered = 0;
    int next = 0;
    std::function<void()> deliver = [&] {
        processor.SplitTraceBatch(batches.at(next++ % batches.size()), TraceLocationApplications);
        delivered += batchLines;
        if (delivered < lines)
            QTimer::singleShot(0, deliver);
        else
            loop.quit();
    };

    const qint64 heapBefore = heapInUse();
    clock.start();
    ticker.start();
    QTimer::singleShot(0, deliver);
    loop.exec();
    display.flushDisplay();
    QCoreApplication::processEvents(); // the last paint
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    ticker.stop();
    figures.longestStallMs = std::max(figures.longestStallMs, clock.elapsed() - lastTick);
    figures.heapGrowth = heapInUse() - heapBefore;
    figures.lines = delivered;
    return figures;
}

void showAndWait(QWidget &window)
{
    window.resize(800, 600);
    window.show();
    for (int i = 0; i < 200 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
}

QString number(double value, int decimals = 0)
{
    return QLocale(QLocale::English).toString(value, 'f', decimals);
}

// Heap figures need glibc's own allocator; under a sanitizer they read 0.
QString heapFigure(qint64 growth, double divisor, int decimals)
{
    return growth > 0 ? number(double(growth) / divisor, decimals) : QStringLiteral("n/a");
}

bool report(const char *label, const QString &value, const QString &target, bool met)
{
    std::printf("  %-30s %-22s %s %s\n", label, qPrintable(value), qPrintable(target),
                target.isEmpty() ? "" : met ? "ok" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir root;
    qputenv("ZENQ_ROOT", root.path().toLocal8Bit());
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool wrap = arguments.removeAll(QStringLiteral("--wrap")) > 0;
    const qint64 lines = arguments.size() > 0 ? arguments.at(0).toLongLong() : 1000000;
    const qint64 baselineLines = arguments.size() > 1 ? arguments.at(1).toLongLong() : 100000;
    QDir().mkpath(ZenqGetTraceDir(true));
    QDir().mkpath(ZenqGetTraceDir(false));
    const QStringList batches = makeBatches();
    bool met = true;
    double viewRate = 0;
    double viewHeapRatio = 0;

    {
        QMainWindow window;
        auto *view = new TZenqTraceView;
        view->setWordWrap(wrap);
        window.setCentralWidget(view);
        showAndWait(window);
        std::printf("== trace view%s: %s lines of about 100 characters, 5%% special, batches of %d lines\n",
                    wrap ? " (word wrap)" : "", qPrintable(number(double(lines))), batchLines);
        const Figures f = flood(*view, lines, batches);
        qint64 textUnits = 0;
        for (qsizetype i = 0; i < view->lineCount(); ++i)
            textUnits += view->lineText(i).size();
        const double textBytes = double(textUnits) * 2;
        const double storageRatio = double(view->storageBytes()) / textBytes;
        met &= report("lines/s into the display", number(double(view->lineCount()) / f.seconds),
                      QStringLiteral(">= %1").arg(number(targetLinesPerSecond)),
                      double(view->lineCount()) / f.seconds >= targetLinesPerSecond);
        met &= report("longest event-loop stall", QStringLiteral("%1 ms").arg(f.longestStallMs),
                      QStringLiteral("<= %1 ms").arg(targetStallMs), f.longestStallMs <= targetStallMs);
        report("store bytes per line", number(double(view->storageBytes()) / double(view->lineCount()), 1), {}, true);
        met &= report("store / UTF-16 text", number(storageRatio, 3),
                      QStringLiteral("<= %1").arg(number(targetStorageRatio, 1)), storageRatio <= targetStorageRatio);
        report("heap growth per line", heapFigure(f.heapGrowth, double(view->lineCount()), 1), {}, true);
        report("heap growth / UTF-16 text", heapFigure(f.heapGrowth, textBytes, 3), {}, true);
        viewRate = double(view->lineCount()) / f.seconds;
        viewHeapRatio = double(f.heapGrowth) / textBytes;
        if (view->lineCount() != lines)
            std::printf("  (%lld lines shown of %lld sent)\n", static_cast<long long>(view->lineCount()),
                        static_cast<long long>(lines));
    }
    {
        QMainWindow window;
        auto *edit = new QPlainTextEdit;
        edit->setReadOnly(true);
        edit->setFont(QFont(QStringLiteral("Courier New"), 8));
        window.setCentralWidget(edit);
        showAndWait(window);
        PlainTextDisplay display(*edit);
        std::printf("== baseline: QPlainTextEdit, %s lines through the same pipeline\n",
                    qPrintable(number(double(baselineLines))));
        const Figures f = flood(display, baselineLines, batches);
        const double textBytes = double(display.textUnits) * 2;
        report("lines/s into the display", number(double(f.lines) / f.seconds), {}, true);
        report("longest event-loop stall", QStringLiteral("%1 ms").arg(f.longestStallMs), {}, true);
        report("heap growth per line", heapFigure(f.heapGrowth, double(f.lines), 1), {}, true);
        report("heap growth / UTF-16 text", heapFigure(f.heapGrowth, textBytes, 3), {}, true);
        std::printf("== trace view against the baseline\n");
        report("lines/s", QStringLiteral("%1 x").arg(number(viewRate / (double(f.lines) / f.seconds), 1)), {}, true);
        if (viewHeapRatio > 0 && f.heapGrowth > 0)
            report("memory per character", QStringLiteral("%1 x less").arg(number(double(f.heapGrowth) / textBytes / viewHeapRatio, 1)),
                   {}, true);
    }
    return met ? 0 : 1;
}
