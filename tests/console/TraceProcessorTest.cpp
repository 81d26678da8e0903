// Trace line processing: cutting batches, shortening, filters, console commands, the elapsed-time
// rewrite and the styling of special lines.
#include "ConsoleTestSupport.h"
#include "support/TestMain.h"

#include "console/MemoryTable.h"
#include "console/TraceFileWriter.h"
#include "console/TraceProcessor.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTraceConstants.h"

#include <QFile>
#include <QTest>

namespace {

QString readTraceFile(int location, int *encoding = nullptr)
{
    return JLoadFromFile(ZenqConsoleTraceFileName(location), ZenqLoadHonourBom | ZenqLoadDefaultUtf8, encoding);
}

QByteArray rawTraceFile(int location)
{
    QFile file(ZenqConsoleTraceFileName(location));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

class TraceProcessorTest : public QObject
{
    Q_OBJECT

    TraceOptions options;
    ScriptedHost host;
    RecordingDisplay display;
    std::unique_ptr<TraceFileWriter> files;
    std::unique_ptr<TraceProcessor> processor;

    // A fresh processor whose first line has been seen, so the first-line rule stays out of the way.
    void makeProcessor(bool consumeFirstLine = true)
    {
        processor.reset();
        files = std::make_unique<TraceFileWriter>();
        files->deleteTraceFiles();
        processor = std::make_unique<TraceProcessor>(options, host, display, *files);
        if (consumeFirstLine)
            processor->ProcessTraceLine(QStringLiteral(" "), 0);
        display.lines.clear();
    }

private Q_SLOTS:
    void init()
    {
        options = TraceOptions();
        options.elapsedTime = false;
        host = ScriptedHost();
        display = RecordingDisplay();
        JMakeDir(ZenqGetTraceDir(false));
        JMakeDir(ZenqGetTraceDir(true));
        makeProcessor();
    }

    void batchIsCutIntoLines_data()
    {
        QTest::addColumn<QString>("batch");
        QTest::addColumn<bool>("ignoreEmpty");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF ends lines, nothing after the last") << "one\r\ntwo\r\n" << true << QStringList { "one", "two" };
        QTest::newRow("CR CR gives an empty line, dropped") << "one\r\rtwo" << true << QStringList { "one", "two" };
        QTest::newRow("CR CR gives an empty line, kept") << "one\r\rtwo" << false << QStringList { "one", "", "two" };
        QTest::newRow("lone LF belongs to its line") << "one\ntwo" << true << QStringList { "one\ntwo" };
        QTest::newRow("last line without an end") << "one\r\ntwo" << true << QStringList { "one", "two" };
        QTest::newRow("empty batch") << "" << false << QStringList {};
        QTest::newRow("NUL padding at the end") << QStringLiteral("one\r\n") + QString(5, QChar(0)) << false
                                                << QStringList { "one" };
        QTest::newRow("NUL inside a line is shown as _") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << true
                                                         << QStringList { "a_b" };
        QTest::newRow("NUL at a line start keeps the lines behind it")
            << QStringLiteral("one\r\n") + QChar(0) + QStringLiteral("two\r\nthree") << true
            << QStringList { "one", "_two", "three" };
    }
    void batchIsCutIntoLines()
    {
        QFETCH(QString, batch);
        QFETCH(bool, ignoreEmpty);
        QFETCH(QStringList, lines);
        options.ignoreEmptyLines = ignoreEmpty;
        processor->SplitTraceBatch(batch, 0);
        QCOMPARE(display.texts(), lines);
        QCOMPARE(host.pendingCalls, lines.size() + (batch.contains(QStringLiteral("\r\r")) && ignoreEmpty ? 1 : 0));
    }

    void longLinesAreShortenedOnlyInBatches_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("shorten");
        QTest::addColumn<int>("shownLength");
        QTest::newRow("1024 stays whole") << 1024 << true << 1024;
        QTest::newRow("1025 is cut") << 1025 << true << 1027;
        QTest::newRow("1025 with Shorten off") << 1025 << false << 1025;
    }
    void longLinesAreShortenedOnlyInBatches()
    {
        QFETCH(int, length);
        QFETCH(bool, shorten);
        QFETCH(int, shownLength);
        options.shorten = shorten;
        QString line(length, QLatin1Char('x'));
        line[length - 1] = QLatin1Char('y');
        processor->SplitTraceBatch(line + QStringLiteral("\r\n"), 0);
        QCOMPARE(display.lines.last().text.size(), shownLength);
        if (shownLength == 1027)
            QCOMPARE(display.lines.last().text, QString(1024, QLatin1Char('x')) + QStringLiteral("..."));
        processor->ProcessTraceLine(line, 0); // as a message: never shortened
        QCOMPARE(display.lines.last().text, line);
    }

    void firstWhiteLineOfTheRunIsDropped()
    {
        makeProcessor(false);
        processor->ProcessTraceLine(QStringLiteral("   "), 0);
        processor->ProcessTraceLine(QStringLiteral("   "), 0);
        QCOMPARE(display.texts(), QStringList { QStringLiteral("   ") });
    }

    void traceOffDropsLinesButRunsCommands()
    {
        options.traceOn = false;
        processor->ProcessTraceLine(QStringLiteral("shown?"), 0);
        processor->ProcessTraceLine(_wZenqConsoleCommand_RestoreWindow, 0);
        QVERIFY(display.lines.isEmpty());
        QVERIFY(processor->restoreRequest());
    }

    void commandsAreRoutedAndNeverShown_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("moduleRows");
        QTest::newRow("memory row, payload behind command and separator")
            << _wZenqConsoleCommand_MemoryConsumption + QStringLiteral(" *Orders(42)| 12 34") << 1;
        QTest::newRow("unknown command is dropped") << QStringLiteral("xC:Nothing") << 0;
    }
    void commandsAreRoutedAndNeverShown()
    {
        QFETCH(QString, line);
        QFETCH(int, moduleRows);
        MemoryTable table(options, [](const QString &) {});
        table.setMemoryStatusSource([] { return platform::MemoryStatus {}; });
        processor->setMemoryTable(&table);
        processor->ProcessTraceLine(line, 0);
        QVERIFY(display.lines.isEmpty());
        QCOMPARE(table.rows().size() > 4 ? table.rows().size() - 4 : 0, qsizetype(moduleRows));
        if (moduleRows)
            QVERIFY2(table.rows().at(4).startsWith(QStringLiteral("*Orders(42)  12 34")), qPrintable(table.rows().at(4)));
        processor->setMemoryTable(nullptr);
    }

    void timeStampIsFound_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("two-digit hour first") << "14:03:22.123 text" << true << 0 << 13 << 50602123;
        QTest::newRow("after a date") << "05.03.2026 14:03:22.123 text" << true << 11 << 13 << 50602123;
        QTest::newRow("one-digit hour after a date") << "05.03.2026 9:04:05.006 text" << true << 11 << 12 << 32645006;
        QTest::newRow("line ends with the time") << "9:04:05.006" << true << 0 << 12 << 32645006;
        QTest::newRow("starts with a letter") << "Orders 14:03:22.123" << false << 0 << 0 << 0;
        QTest::newRow("colon first") << ":03:22" << false << 0 << 0 << 0;
        QTest::newRow("colon after a blank") << "12 :03" << false << 0 << 0 << 0;
        QTest::newRow("not a time") << "12:99:00.000 x" << false << 0 << 0 << 0;
    }
    void timeStampIsFound()
    {
        QFETCH(QString, line);
        QFETCH(bool, found);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(int, milliseconds);
        qsizetype foundStart = -1;
        qsizetype foundLength = -1;
        double time = 0;
        QCOMPARE(TraceProcessor::FindTimeStamp(line, foundStart, foundLength, time), found);
        if (found) {
            QCOMPARE(foundStart, qsizetype(start));
            QCOMPARE(foundLength, qsizetype(length));
            QCOMPARE(qRound64(time * 86400000.0), qint64(milliseconds));
        }
    }

    void elapsedTimeReplacesTheTimeOfDay()
    {
        options.elapsedTime = true;
        processor->ProcessTraceLine(QStringLiteral("05.03.2026 9:04:05.006 first"), 0);
        processor->ProcessTraceLine(QStringLiteral("05.03.2026 09:04:06.129 second"), 0);
        processor->ProcessTraceLine(QStringLiteral("Orders 09:04:07.000 letter first"), 0);
        processor->ProcessTraceLine(QStringLiteral("09:04:06.000 back in time"), 0);
        const QStringList texts = display.texts();
        QCOMPARE(texts.at(0), QStringLiteral("05.03.2026 ") + QStringLiteral("        0 ms ") + QStringLiteral("first"));
        QCOMPARE(texts.at(1), QStringLiteral("05.03.2026 ") + QStringLiteral("     1.123 s ") + QStringLiteral("second"));
        QCOMPARE(texts.at(2), QStringLiteral("Orders 09:04:07.000 letter first"));
        QCOMPARE(texts.at(3), QStringLiteral("      129 ms back in time"));
        files->flush();
        QVERIFY2(readTraceFile(0).contains(QStringLiteral("     1.123 s second")), "the file gets the rewritten line");
    }

    void specialLineIsStyledAndFileKeepsItWhole()
    {
        options.elapsedTime = true;
        processor->ProcessTraceLine(QStringLiteral("#E#broken") + QChar(0) + QStringLiteral("part"), 0);
        processor->ProcessTraceLine(QStringLiteral("ordinary"), 0);
        QCOMPARE(display.lines.size(), 2);
        QCOMPARE(display.lines.at(0).text, QStringLiteral("broken_part"));
        QVERIFY(display.lines.at(0).style.special);
        QCOMPARE(display.lines.at(0).style.color, _TRACESPECCOLORS[0]);
        QCOMPARE(display.lines.at(0).style.fontStyle, _TRACESPECSTYLE[0]);
        QVERIFY(!display.lines.at(1).style.special);
        files->flush();
        QVERIFY(readTraceFile(0).startsWith(QStringLiteral("#E#broken") + QChar(0) + QStringLiteral("part\r\nordinary\r\n")));
    }

    void displayTakesFocusUnlessHidden()
    {
        processor->ProcessTraceLine(QStringLiteral("a"), 0);
        host.hidden = true;
        processor->ProcessTraceLine(QStringLiteral("b"), 0);
        QCOMPARE(display.focusTaken, 1);
    }

    void escapeStopsTheRestOfTheBatch()
    {
        host.escapeAfterCalls = 2;
        processor->SplitTraceBatch(QStringLiteral("1\r2\r3\r4"), 0);
        QCOMPARE(display.texts(), (QStringList { QStringLiteral("1"), QStringLiteral("2") }));
        host.escapeChecks = 0;
        options.escape = false;
        display.lines.clear();
        processor->SplitTraceBatch(QStringLiteral("1\r2\r3\r4"), 0);
        QCOMPARE(display.lines.size(), 4);
    }

    void messagesLetThroughBetweenLinesAppearInBetween()
    {
        int calls = 0;
        host.onPendingMessages = [&] {
            if (++calls == 2)
                processor->ProcessTraceLine(QStringLiteral("from a message"), processor->currentLocation());
        };
        processor->SplitTraceBatch(QStringLiteral("one\r\ntwo\r\n"), 0);
        QCOMPARE(display.texts(), (QStringList { QStringLiteral("one"), QStringLiteral("from a message"), QStringLiteral("two") }));
    }

    void traceFilesUseTheEncodingOfTheirBatch_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("utf-16") << int(ZenqEncodingUtf16LE) << QByteArray("\xFF\xFE" "a\0\xE4\0\r\0\n\0", 10);
        QTest::newRow("utf-8") << int(ZenqEncodingUtf8) << QByteArray("\xEF\xBB\xBF" "a\xC3\xA4\r\n");
        QTest::newRow("system code page") << int(ZenqEncodingAnsi) << QByteArray("a\xC3\xA4\r\n");
    }
    void traceFilesUseTheEncodingOfTheirBatch()
    {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        processor->setTraceFileEncoding(encoding);
        processor->ProcessTraceLine(QStringLiteral("aä"), 1);
        QCOMPARE(rawTraceFile(1), bytes);
    }

    void deletedTraceFileComesBackWithItsHeader()
    {
        processor->setTraceFileEncoding(ZenqEncodingUtf8);
        processor->ProcessTraceLine(QStringLiteral("before"), -1);
        QVERIFY(JDeleteFile(ZenqConsoleTraceFileName(-1)));
        processor->ProcessTraceLine(QStringLiteral("after"), -1);
        QCOMPARE(rawTraceFile(-1), QByteArray("\xEF\xBB\xBF" "after\r\n"));
    }

    void unwritableTraceFileStillShowsTheLine()
    {
        QVERIFY(JMakeDir(ZenqConsoleTraceFileName(0))); // a directory where the file should be
        processor->ProcessTraceLine(QStringLiteral("still shown"), 0);
        QCOMPARE(display.texts(), QStringList { QStringLiteral("still shown") });
        QVERIFY(JRemoveDir(ZenqConsoleTraceFileName(0), true));
    }
};

ZENQ_TEST_CLASS(TraceProcessorTest);
#include "TraceProcessorTest.moc"
