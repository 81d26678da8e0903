// The headless console as a real process: trace from framework programs by both roads reaches its
// standard output and the trace files, many writers lose nothing, and it starts and ends cleanly.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqXmlFile.h"
#include "platform/RuntimeDirectory.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

namespace {

int runZenq(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess zenq;
    zenq.start(zenqtest::zenqToolPath(), arguments);
    if (!zenq.waitForFinished(120000))
        return -1;
    if (output)
        *output = zenq.readAllStandardOutput();
    return zenq.exitCode();
}

void writeApplicationsSettings(const QString &elements)
{
    JMakeDir(ZenqGetApplicationsBinDir());
    QVERIFY(JSaveToXMLFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc")),
                           QStringLiteral("<Zenq>%1</Zenq>").arg(elements), {}, 0, ZenqXMLFilePlain));
}

QString consoleEndpointDirectory()
{
    return platform::runtimeDirectory() + QStringLiteral("/windows/") + ZenqWindowClass::Console;
}

class HeadlessConsoleProcess
{
public:
    explicit HeadlessConsoleProcess(const QStringList &extra = {})
    {
        process.start(zenqtest::zenqConsolePath(), QStringList { QStringLiteral("--headless"), QStringLiteral("--plain") } + extra);
    }
    ~HeadlessConsoleProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    bool waitForEndpoint()
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000) {
            if (!QDir(consoleEndpointDirectory()).entryList({ QStringLiteral("*.sock") }, QDir::System).isEmpty())
                return true;
            process.waitForReadyRead(20);
        }
        return false;
    }
    // Reads standard output until `lines` complete lines have arrived.
    QStringList readLines(int lines, int timeoutMs = 60000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            buffer += process.readAllStandardOutput();
            if (buffer.count('\n') >= lines)
                break;
            process.waitForReadyRead(50);
        }
        QStringList result = QString::fromUtf8(buffer).split(QLatin1Char('\n'));
        result.removeLast();
        return result;
    }
    bool terminate()
    {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    QProcess process;
    QByteArray buffer;
};

} // namespace

class HeadlessConsoleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        JMakeDir(ZenqGetTraceDir(true));
        JMakeDir(ZenqGetTraceDir(false));
        for (int location : { 1, 0, -1 })
            JDeleteFile(ZenqHandOverFileName(location));
        writeApplicationsSettings(QStringLiteral("<TraceSettingsWithDate Value='0'/><TraceSettingsWithTime Value='0'/>"
                                                 "<TraceSettingsWithModuleName Value='0'/><TraceSettingsWithProcessID Value='0'/>"));
    }

    void bothRoadsReachTheOutputAndTheTraceFile()
    {
        HeadlessConsoleProcess console;
        QVERIFY(console.waitForEndpoint());
        QCOMPARE(runZenq({ QStringLiteral("trace"), QStringLiteral("hello") }), 0);
        QCOMPARE(console.readLines(1), QStringList { QStringLiteral("hello") });
        QCOMPARE(runZenq({ QStringLiteral("trace"), QStringLiteral("--message"), QStringLiteral("by message") }), 0);
        QCOMPARE(console.readLines(2).last(), QStringLiteral("by message"));
        QVERIFY(console.terminate());
        QVERIFY2(QDir(consoleEndpointDirectory()).entryList({ QStringLiteral("*.sock") }, QDir::System).isEmpty(),
                 "a clean end removes the endpoint");
        QFile traceFile(ZenqConsoleTraceFileName(0));
        QVERIFY(traceFile.open(QIODevice::ReadOnly));
        // The default trace format hands over UTF-16, so the trace file is UTF-16 too.
        QCOMPARE(traceFile.readAll(), ZenqByteOrderMark(ZenqEncodingUtf16LE)
                                          + ZenqEncodeText(QStringLiteral("hello\r\nby message\r\n"), ZenqEncodingUtf16LE));
    }

    void secondStartEndsAndOnceTakesUpWaitingFiles()
    {
        {
            HeadlessConsoleProcess first;
            QVERIFY(first.waitForEndpoint());
            HeadlessConsoleProcess second;
            QVERIFY(second.process.waitForFinished(20000));
            QCOMPARE(second.process.exitCode(), 1);
            QVERIFY(second.process.readAllStandardError().contains("another console is running"));
            QVERIFY(first.terminate());
        }
        QCOMPARE(runZenq({ QStringLiteral("trace"), QStringLiteral("--location"), QStringLiteral("1"), QStringLiteral("one") }), 0);
        QCOMPARE(runZenq({ QStringLiteral("trace"), QStringLiteral("--location"), QStringLiteral("-1"), QStringLiteral("two") }), 0);
        HeadlessConsoleProcess once({ QStringLiteral("--once") });
        QVERIFY(once.process.waitForFinished(20000));
        QCOMPARE(once.process.exitCode(), 0);
        QCOMPARE(once.readLines(2), (QStringList { QStringLiteral("one"), QStringLiteral("two") }));
        QVERIFY(!JFileExists(ZenqHandOverFileName(1)));
    }

    void tracingOptionsComeFromTheSettings()
    {
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUShortenLinesGreater1024"), 0);
        const QString longLine(1500, QLatin1Char('y'));
        QCOMPARE(runZenq({ QStringLiteral("trace"), longLine }), 0);
        HeadlessConsoleProcess once({ QStringLiteral("--once") });
        QVERIFY(once.process.waitForFinished(20000));
        QCOMPARE(once.readLines(1), QStringList { longLine });
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUShortenLinesGreater1024"), 2); // only 1 counts
        QCOMPARE(runZenq({ QStringLiteral("trace"), longLine }), 0);
        HeadlessConsoleProcess again({ QStringLiteral("--once") });
        QVERIFY(again.process.waitForFinished(20000));
        QCOMPARE(again.readLines(1).value(0).size(), 1500);
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUShortenLinesGreater1024"), 1);
    }

    void manyWritersLoseNothingAndKeepTheirOrder()
    {
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUExecTimeAsDifference"), 0);
        HeadlessConsoleProcess console;
        QVERIFY(console.waitForEndpoint());
        const int writers = 8;
        const int perWriter = 20000;
        const QStringList locations { QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("-1") };
        const QStringList encodings { QStringLiteral("utf16"), QStringLiteral("utf8"), QStringLiteral("ansi") };
        QList<QProcess *> started;
        for (int w = 0; w < writers; ++w) {
            auto *writer = new QProcess(this);
            writer->start(zenqtest::zenqToolPath(),
                          { QStringLiteral("load"), QString::number(perWriter), QStringLiteral("--random-length"),
                            QStringLiteral("--length"), QStringLiteral("60"), QStringLiteral("--batch"),
                            QString::number(50 + 37 * w), QStringLiteral("--writer"), QStringLiteral("W%1").arg(w),
                            QStringLiteral("--seed"), QString::number(w + 1), QStringLiteral("--location"),
                            locations.at(w % 3), QStringLiteral("--encoding"), encodings.at(w % 3) });
            started << writer;
        }
        for (QProcess *writer : started) {
            QVERIFY(writer->waitForFinished(180000));
            QCOMPARE(writer->exitCode(), 0);
        }
        const QStringList shown = console.readLines(writers * perWriter, 180000);
        QVERIFY(console.terminate());
        QCOMPARE(shown.size(), writers * perWriter);

        // Every line exactly once in the trace file of its location, each writer's lines in order.
        static const QRegularExpression tag(QStringLiteral("^W(\\d) (\\d+) "));
        QList<int> next(writers, 0);
        for (int location : { 1, 0, -1 }) {
            QString text = JLoadFromFile(ZenqConsoleTraceFileName(location), ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
            const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            for (const QString &line : lines) {
                const auto match = tag.match(line);
                QVERIFY2(match.hasMatch(), qPrintable(line.left(60)));
                const int w = match.captured(1).toInt();
                QCOMPARE(locations.at(w % 3).toInt(), location);
                QCOMPARE(match.captured(2).toInt(), next[w]);
                ++next[w];
            }
        }
        for (int w = 0; w < writers; ++w)
            QCOMPARE(next.at(w), perWriter);
        JSetRegistryInt(ZenqConsoleRegistryKey, QStringLiteral("MENUExecTimeAsDifference"), 1);
    }
};

ZENQ_TEST_CLASS(HeadlessConsoleTest);
#include "HeadlessConsoleTest.moc"
