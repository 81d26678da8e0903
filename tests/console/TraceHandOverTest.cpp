// Taking hand-over files away: move and load under the trace lock, encodings, refused take-ups,
// the restore request, the memory refresh, and input that is broken in every way we know.
#include "ConsoleTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "console/MemoryTable.h"
#include "console/TraceFileWriter.h"
#include "console/TraceHandOver.h"
#include "console/TraceProcessor.h"
#include "framework/ZenqClock.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqLocks.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqXmlFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <thread>

namespace {

void writeHandOverBytes(int location, const QByteArray &bytes)
{
    const QString name = ZenqHandOverFileName(location);
    QFile file(name + QStringLiteral(".new"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QVERIFY(QFile::rename(name + QStringLiteral(".new"), name));
}

void setTracingFormat(int format)
{
    JMakeDir(ZenqGetApplicationsBinDir());
    QVERIFY(JSaveToXMLFile(JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc")),
                           QStringLiteral("<Zenq><TracingFormat Value=\"%1\"/></Zenq>").arg(format), {}, 0,
                           ZenqXMLFilePlain));
}

int holdTraceLockRole(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ZenqMutexHandle lock = ZenqOpenAMutex(ZenqTracerSyncMutexName);
    if (!ZenqEnterAMutex(lock))
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}
ZENQ_TEST_CHILD_ROLE("hold-trace-lock", holdTraceLockRole);

} // namespace

class TraceHandOverTest : public QObject
{
    Q_OBJECT

    TraceOptions options;
    ScriptedHost host;
    RecordingDisplay display;
    ZenqMutexHandle traceMutex;
    std::unique_ptr<TraceFileWriter> files;
    std::unique_ptr<TraceProcessor> processor;
    std::unique_ptr<TraceHandOverReader> reader;

private Q_SLOTS:
    void init()
    {
        options = TraceOptions();
        options.elapsedTime = false;
        host = ScriptedHost();
        display = RecordingDisplay();
        for (int location : { 1, 0 })
            JMakeDir(ZenqGetTraceDir(location == 1));
        for (int location : { 1, 0, -1 }) {
            JDeleteFile(ZenqHandOverFileName(location));
            JDeleteFile(ZenqTraceWorkingCopyName(location));
        }
        setTracingFormat(0);
        traceMutex = ZenqOpenAMutex(ZenqTracerSyncMutexName);
        reader.reset();
        processor.reset();
        files = std::make_unique<TraceFileWriter>();
        files->deleteTraceFiles();
        processor = std::make_unique<TraceProcessor>(options, host, display, *files);
        reader = std::make_unique<TraceHandOverReader>(options, *processor, host, traceMutex);
        processor->ProcessTraceLine(QStringLiteral(" "), 0); // past the first-line rule
    }
    void cleanup()
    {
        reader.reset();
        processor.reset();
        files.reset();
        ZenqCloseAMutex(traceMutex);
    }

    void takeUpMovesLoadsAndDeletesInTheBatchEncoding_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("traceFileStart");
        QTest::newRow("utf-16") << 0 << int(ZenqEncodingUtf16LE) << QByteArray("\xFF\xFE" "o\0n\0", 6);
        QTest::newRow("utf-8") << 2 << int(ZenqEncodingUtf8) << QByteArray("\xEF\xBB\xBF" "on");
        QTest::newRow("system code page") << 1 << int(ZenqEncodingAnsi) << QByteArray("on");
    }
    void takeUpMovesLoadsAndDeletesInTheBatchEncoding()
    {
        QFETCH(int, format);
        QFETCH(int, encoding);
        QFETCH(QByteArray, traceFileStart);
        setTracingFormat(format);
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("one ä\r\ntwo €\r\n"), ZenqHandOverEncoding()));
        reader->ReadTraceHandOver(0);
        QCOMPARE(display.texts(), (QStringList { QStringLiteral("one ä"), QStringLiteral("two €") }));
        QVERIFY(!JFileExists(ZenqHandOverFileName(0)));
        QVERIFY(!JFileExists(ZenqTraceWorkingCopyName(0)));
        QCOMPARE(processor->traceFileEncoding(), encoding);
        QFile traceFile(ZenqConsoleTraceFileName(0));
        QVERIFY(traceFile.open(QIODevice::ReadOnly));
        const QByteArray bytes = traceFile.readAll();
        QVERIFY2(bytes.startsWith(traceFileStart), bytes.left(8).toHex().constData());
        QCOMPARE(ZenqDecodeText(bytes, ZenqLoadHonourBom | ZenqLoadGuessUtf16), QStringLiteral("one ä\r\ntwo €\r\n"));
    }

    void locationOfTheLastRequestBecomesCurrent()
    {
        reader->ReadTraceHandOver(-1);
        QCOMPARE(processor->currentLocation(), -1);
        QVERIFY(display.lines.isEmpty());
        QVERIFY(host.errors.isEmpty());
    }

    void traceOffStillTakesTheFileAway()
    {
        options.traceOn = false;
        QVERIFY(ZenqAppendToHandOver(1, QStringLiteral("dropped\r\n"), ZenqEncodingUtf8));
        reader->ReadTraceHandOver(1);
        QVERIFY(display.lines.isEmpty());
        QVERIFY(!JFileExists(ZenqHandOverFileName(1)));
    }

    void takeUpDuringABatchIsRefusedAndRepeatedAfterIt()
    {
        int calls = 0;
        host.onPendingMessages = [&] {
            if (++calls == 1) {
                QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("later\r\n"), ZenqEncodingUtf8));
                reader->ReadTraceHandOver(0); // a change report while the batch is cut
                QVERIFY(reader->busy());
            }
        };
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("first\r\nsecond\r\n"), ZenqEncodingUtf8));
        reader->ReadTraceHandOver(0);
        QCOMPARE(display.texts(), (QStringList { QStringLiteral("first"), QStringLiteral("second") }));
        QTRY_COMPARE(display.texts().size(), 3);
        QCOMPARE(display.texts().last(), QStringLiteral("later"));
    }

    void restoreRequestPassLeavesTheFileForTheNextPass()
    {
        processor->ProcessTraceLine(QStringLiteral("xC:RestoreWindow"), 0);
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("waits\r\n"), ZenqEncodingUtf8));
        reader->ReadTraceHandOver(0);
        QCOMPARE(host.restored, 1);
        QVERIFY(!processor->restoreRequest());
        QVERIFY(display.lines.isEmpty());
        QTRY_COMPARE(display.texts(), QStringList { QStringLiteral("waits") });
    }

    void memoryTableIsRefreshedAtMostOncePerSecond()
    {
        auto clock = std::make_unique<ZenqManualClock>();
        ZenqManualClock *ticks = clock.get();
        auto previous = ZenqSetClock(std::move(clock));
        ticks->setTicks(5000);
        int refreshes = 0;
        MemoryTable table(options, [](const QString &) {});
        table.setMemoryStatusSource([&] { ++refreshes; return platform::MemoryStatus {}; });
        reader->setMemoryTable(&table);
        reader->ReadTraceHandOver(0);
        ticks->advance(1000);
        reader->ReadTraceHandOver(0);
        ticks->advance(1);
        reader->ReadTraceHandOver(0);
        QCOMPARE(refreshes, 2);
        QCOMPARE(table.rows().size(), 4);
        reader->setMemoryTable(nullptr);
        ZenqSetClock(std::move(previous));
    }

    void killedWriterHoldingTheLockDoesNotStopTheConsole()
    {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--child"), QStringLiteral("hold-trace-lock") });
        QVERIFY(writer.waitForReadyRead(10000));
        writeHandOverBytes(0, QByteArray("\xEF\xBB\xBF" "after the crash\r\n"));
        const qint64 pid = writer.processId();
        std::thread killer([pid] {
            QThread::msleep(300);
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        });
        reader->ReadTraceHandOver(0); // waits for the lock until the holder dies
        killer.join();
        writer.waitForFinished();
        QCOMPARE(display.texts(), QStringList { QStringLiteral("after the crash") });
    }

    void brokenInputLosesNothingReadable_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("invalid UTF-8") << 2 << QByteArray("\xEF\xBB\xBF" "good\r\nb\xFF\xFE" "ad\r\nalso good\r\n")
                                       << QStringList { "good", QStringLiteral("b\uFFFD\uFFFDad"), "also good" };
        QTest::newRow("UTF-16 with an odd byte count") << 0 << QByteArray("\xFF\xFE" "o\0k\0\r\0\n\0x", 11)
                                                       << QStringList { "ok" }; // half a character is no text
        QTest::newRow("NUL bytes") << 2 << QByteArray("\xEF\xBB\xBF" "a\0b\r\n\0\0c\r\n\0\0\0", 14)
                                   << QStringList { "a_b", "__c" };
        QTest::newRow("empty file") << 0 << QByteArray() << QStringList {};
        QTest::newRow("only a byte-order mark") << 0 << QByteArray("\xFF\xFE") << QStringList {};
    }
    void brokenInputLosesNothingReadable()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        setTracingFormat(format);
        writeHandOverBytes(0, bytes);
        reader->ReadTraceHandOver(0);
        QCOMPARE(display.texts(), expected);
        QVERIFY(host.errors.isEmpty());
        QVERIFY(!JFileExists(ZenqHandOverFileName(0)));
    }

    void hugeSingleLineIsShortenedAndTheNextLineStillComes()
    {
        setTracingFormat(2);
        QByteArray bytes("\xEF\xBB\xBF");
        bytes += QByteArray(50 * 1024 * 1024, 'x');
        bytes += "\r\nnext\r\n";
        writeHandOverBytes(0, bytes);
        reader->ReadTraceHandOver(0);
        QCOMPARE(display.lines.size(), 2);
        QCOMPARE(display.lines.at(0).text, QString(1024, QLatin1Char('x')) + QStringLiteral("..."));
        QCOMPARE(display.lines.at(1).text, QStringLiteral("next"));
    }

    void startReadsWaitingFilesThenWatches()
    {
        QVERIFY(ZenqAppendToHandOver(1, QStringLiteral("framework\r\n"), ZenqEncodingUtf8));
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("applications\r\n"), ZenqEncodingUtf8));
        QVERIFY(ZenqAppendToHandOver(-1, QStringLiteral("drive\r\n"), ZenqEncodingUtf8));
        reader->StartTraceReading();
        QCOMPARE(display.texts(), (QStringList { QStringLiteral("framework"), QStringLiteral("applications"), QStringLiteral("drive") }));
        QCOMPARE(processor->currentLocation(), -1);
        for (int location : { 1, 0, -1 })
            QVERIFY(reader->isWatching(location));
        // The take-ups' own renames are reported by the watches too; let those empty reads pass first,
        // or one of them may come after the read below and leave its location current.
        QTest::qWait(500);
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("watched\r\n"), ZenqEncodingUtf8));
        QTRY_COMPARE(display.texts().size(), 4);
        QCOMPARE(display.texts().last(), QStringLiteral("watched"));
        QCOMPARE(processor->currentLocation(), 0);
    }

    void missingFrameworkTraceDirectoryIsNotWatched()
    {
        QVERIFY(JRemoveDir(ZenqGetTraceDir(true), true));
        reader->StartTraceReading();
        QVERIFY(!reader->isWatching(1));
        QVERIFY(reader->isWatching(0));
        QVERIFY(host.errors.isEmpty());
        JMakeDir(ZenqGetTraceDir(true));
    }
};

ZENQ_TEST_CLASS(TraceHandOverTest);
#include "TraceHandOverTest.moc"
