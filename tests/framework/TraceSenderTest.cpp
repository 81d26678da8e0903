// The framework side of tracing: the time-of-day field, line shaping by the trace settings, and
// hand-over files written by several processes under the trace lock.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqClock.h"
#include "framework/ZenqFiles.h"
#include "framework/ZenqMessages.h"
#include "framework/ZenqWindowClasses.h"
#include "framework/ZenqPaths.h"
#include "framework/ZenqTextEncoding.h"
#include "framework/ZenqTrace.h"
#include "framework/ZenqTraceConstants.h"
#include "framework/ZenqXmlFile.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

void writeTraceSettings(const QString &values)
{
    JMakeDir(ZenqGetApplicationsBinDir());
    const QString file = JMakeFileName(ZenqGetApplicationsBinDir(), QStringLiteral("ZenqApplications.Zenqc"));
    QVERIFY(JSaveToXMLFile(file, QStringLiteral("<Zenq>%1</Zenq>").arg(values), {}, 0, ZenqXMLFilePlain));
}

QByteArray handOverBytes(int location)
{
    QFile file(ZenqHandOverFileName(location));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

class TraceSenderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        for (int location : { 1, 0, -1 })
            JDeleteFile(ZenqHandOverFileName(location));
    }

    void timeOfDayFieldParses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("13 characters, blank behind") << "14:03:22.123 " << true << ((14 * 60 + 3) * 60 + 22) * 1000 + 123;
        QTest::newRow("ends after the milliseconds") << "09:00:00.001" << true << 9 * 3600000 + 1;
        QTest::newRow("one-digit hour padded by the caller") << "07:59:59.999 " << true << 8 * 3600000 - 1;
        QTest::newRow("text behind the field") << "14:03:22.1234" << false << 0;
        QTest::newRow("hour out of range") << "24:00:00.000 " << false << 0;
        QTest::newRow("letters") << "ab:cd:ef.ghi " << false << 0;
        QTest::newRow("too short") << "14:03:22.12" << false << 0;
    }
    void timeOfDayFieldParses()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, milliseconds);
        double time = -1;
        QCOMPARE(ZenqStrToTime(text, time), ok);
        if (ok)
            QCOMPARE(qRound64(time * 86400000.0), qint64(milliseconds));
    }

    void lineFollowsTraceSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("expected");
        const QString none = QStringLiteral(
            "<TraceSettingsWithDate Value='0'/><TraceSettingsWithTime Value='0'/><TraceSettingsWithModuleName Value='0'/>"
            "<TraceSettingsWithProcessID Value='0'/><TraceSettingsWithThreadID Value='0'/><TraceSettingsWithIndentation Value='1'/>");
        QTest::newRow("nothing but indentation") << none << "text" << 2 << "      text";
        QString dateTime = none;
        dateTime.replace(QStringLiteral("Date Value='0'"), QStringLiteral("Date Value='1'"))
            .replace(QStringLiteral("Time Value='0'"), QStringLiteral("Time Value='1'"))
            .replace(QStringLiteral("Module"), QStringLiteral("X"));
        QTest::newRow("date, time, module") << dateTime << "text" << 0 << "05.03.2026 09:04:05.006 Tracer text";
        QTest::newRow("console command travels unformatted") << dateTime << "xC:MemoryConsumption |x| 1" << 1
                                                             << "xC:MemoryConsumption |x| 1";
        QTest::newRow("special marker stays in front") << dateTime << "#E#broken" << 1
                                                       << "#E#05.03.2026 09:04:05.006 Tracer    broken";
    }
    void lineFollowsTraceSettings()
    {
        QFETCH(QString, settings);
        QFETCH(QString, text);
        QFETCH(int, level);
        QFETCH(QString, expected);
        writeTraceSettings(settings);
        auto clock = std::make_unique<ZenqManualClock>();
        clock->setNow(QDateTime(QDate(2026, 3, 5), QTime(9, 4, 5, 6)));
        auto previous = ZenqSetClock(std::move(clock));
        ZenqSetTraceModuleName(QStringLiteral("Tracer"));
        QCOMPARE(ZenqFormatTraceLine(text, level), expected);
        ZenqSetClock(std::move(previous));
    }

    void newHandOverFileStartsWithMarkAndExistingKeepsItsEncoding_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<QByteArray>("mark");
        QTest::newRow("utf-16") << int(ZenqEncodingUtf16LE) << QByteArray("\xFF\xFE");
        QTest::newRow("utf-8") << int(ZenqEncodingUtf8) << UTF8Header;
        QTest::newRow("system code page") << int(ZenqEncodingAnsi) << QByteArray();
    }
    void newHandOverFileStartsWithMarkAndExistingKeepsItsEncoding()
    {
        QFETCH(int, first);
        QFETCH(QByteArray, mark);
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("one ä\r\n"), first));
        const int other = first == ZenqEncodingUtf16LE ? ZenqEncodingUtf8 : ZenqEncodingUtf16LE;
        QVERIFY(ZenqAppendToHandOver(0, QStringLiteral("two €\r\n"), other));
        const QByteArray bytes = handOverBytes(0);
        QVERIFY(bytes.startsWith(mark));
        int encoding = -1;
        const QString text = ZenqDecodeText(bytes, ZenqLoadHonourBom | ZenqLoadDefaultUtf8 | ZenqLoadGuessUtf16, &encoding);
        QCOMPARE(text, QStringLiteral("one ä\r\ntwo €\r\n"));
        QCOMPARE(encoding == ZenqEncodingAnsi ? int(ZenqEncodingUtf8) : encoding,
                 first == ZenqEncodingAnsi ? int(ZenqEncodingUtf8) : first); // the system code page is UTF-8 here
    }

    void locationsWriteTheirOwnFiles()
    {
        QVERIFY(ZenqAppendToHandOver(1, QStringLiteral("framework\r\n"), ZenqEncodingUtf8));
        QVERIFY(ZenqAppendToHandOver(-1, QStringLiteral("drive\r\n"), ZenqEncodingUtf8));
        QVERIFY(handOverBytes(1).endsWith("framework\r\n"));
        QVERIFY(handOverBytes(-1).endsWith("drive\r\n"));
        QVERIFY(ZenqHandOverFileName(-1).startsWith(ZenqGetSystemDriveDir()));
        QVERIFY(!JFileExists(ZenqHandOverFileName(0)));
    }

    void writersInSeveralProcessesNeverInterleave()
    {
        writeTraceSettings(QStringLiteral("<TracingFormat Value='2'/>"));
        const int perWriter = 150;
        QList<QProcess *> writers;
        for (int w = 0; w < 3; ++w) {
            QByteArray batch;
            for (int i = 0; i < perWriter; ++i)
                batch += QStringLiteral("writer%1 line %2 %3\n").arg(w).arg(i).arg(QString(200, QLatin1Char('x'))).toUtf8();
            auto *process = new QProcess(this);
            process->start(zenqtest::zenqToolPath(), { QStringLiteral("trace"), QStringLiteral("--location"),
                                                       QStringLiteral("0"), QStringLiteral("-") });
            process->write(batch);
            process->closeWriteChannel();
            writers << process;
        }
        for (QProcess *process : writers) {
            QVERIFY(process->waitForFinished(30000));
            QCOMPARE(process->exitCode(), 0);
        }
        const QString text = ZenqDecodeText(handOverBytes(0), ZenqLoadHonourBom | ZenqLoadDefaultUtf8);
        const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3 * perWriter);
        for (const QString &line : lines)
            QVERIFY2(line.endsWith(QString(200, QLatin1Char('x'))) && line.count(QStringLiteral("writer")) == 1,
                     qPrintable(line.left(80)));
        QCOMPARE(text.count(QChar(0xFEFF)), 0);
    }

    void messageRoadReachesConsoleWindowsOnly()
    {
        writeTraceSettings(QStringLiteral("<TraceSettingsWithDate Value='0'/><TraceSettingsWithModuleName Value='0'/>"
                                          "<TraceSettingsWithProcessID Value='0'/>"));
        const auto sendLine = [](const QString &line) {
            QProcess zenq;
            zenq.start(zenqtest::zenqToolPath(), { QStringLiteral("trace"), QStringLiteral("--message"), line });
            zenq.waitForFinished(30000);
            return zenq.exitCode();
        };
        QCOMPARE(sendLine(QStringLiteral("nobody listens")), 1);

        const quint32 output = RegisterWindowMessage(QStringLiteral("WM_ZenqConsoleOutput"));
        QStringList received;
        ZenqWindow console(ZenqWindowClass::Console, [&](quint32 message, quintptr, qintptr lParam) {
            if (message == output)
                received << JGlobalGetAtomAndDelete(static_cast<quint16>(lParam));
            return ZenqMessageAnswer();
        });
        QVERIFY(console.open());
        QCOMPARE(sendLine(QStringLiteral("über 255 ") + QString(300, QLatin1Char('x'))), 0);
        QTRY_COMPARE(received, QStringList { QStringLiteral("über 255 ") + QString(300, QLatin1Char('x')) });
        QVERIFY2(!JFileExists(ZenqHandOverFileName(0)), "the message road writes no hand-over file");
    }
};

ZENQ_TEST_CLASS(TraceSenderTest);
#include "TraceSenderTest.moc"
