// The machine's memory and processor figures: the mapping from the kernel's texts, and a look at this
// machine's.
#include "support/TestMain.h"

#include "platform/CpuUsage.h"
#include "platform/MemoryStatus.h"

#include <QTest>

namespace {
constexpr quint64 KiB = 1024;
constexpr quint64 GiB = quint64(1) << 30;
}

class MemoryStatusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mapping_data()
    {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<QByteArray>("selfStatus");
        QTest::addColumn<quint64>("addressSpace");
        QTest::addColumn<QList<quint64>>("figures"); // load, then the six byte counts in status order

        const QByteArray machine = "MemTotal:       67108864 kB\nMemFree:         1000000 kB\n"
                                   "MemAvailable:   16777216 kB\nBuffers:          100000 kB\n"
                                   "Cached:          2000000 kB\nCommitLimit:    41943040 kB\n"
                                   "Committed_AS:   10485760 kB\n";
        const QByteArray process = "Name:\tzenq-console\nVmPeak:\t 2097152 kB\nVmSize:\t 1048576 kB\n";
        QTest::newRow("figures above 4 GiB in bytes")
            << machine << process << (quint64(128) << 40)
            << QList<quint64> { 75, 64 * GiB, 16 * GiB, quint64(128) << 40, (quint64(128) << 40) - GiB, 40 * GiB, 30 * GiB };
        QTest::newRow("committed beyond the limit leaves 0")
            << QByteArray("MemTotal: 1000 kB\nMemAvailable: 1000 kB\nCommitLimit: 500 kB\nCommitted_AS: 900 kB\n")
            << process << 4 * GiB << QList<quint64> { 0, 1000 * KiB, 1000 * KiB, 4 * GiB, 3 * GiB, 500 * KiB, 0 };
        QTest::newRow("process larger than its limit leaves 0")
            << QByteArray("MemTotal: 1000 kB\nMemAvailable: 0 kB\n") << process << GiB / 2
            << QList<quint64> { 100, 1000 * KiB, 0, GiB / 2, 0, 0, 0 };
        QTest::newRow("old kernel without MemAvailable")
            << QByteArray("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n") << QByteArray()
            << GiB << QList<quint64> { 60, 1000 * KiB, 400 * KiB, GiB, GiB, 0, 0 };
        QTest::newRow("a name that only begins like another")
            << QByteArray("MemTotalX: 5 kB\nMemTotal: 2000 kB\nMemAvailable: 1000 kB\n") << QByteArray() << GiB
            << QList<quint64> { 50, 2000 * KiB, 1000 * KiB, GiB, GiB, 0, 0 };
        QTest::newRow("unreadable") << QByteArray() << QByteArray() << quint64(0) << QList<quint64>(7, 0);
    }
    void mapping()
    {
        QFETCH(QByteArray, meminfo);
        QFETCH(QByteArray, selfStatus);
        QFETCH(quint64, addressSpace);
        QFETCH(QList<quint64>, figures);
        const platform::MemoryStatus s = platform::memoryStatusFrom(meminfo, selfStatus, addressSpace);
        const QList<quint64> actual { s.memoryLoadPercent, s.totalPhysical,  s.availablePhysical, s.totalVirtual,
                                      s.availableVirtual,  s.totalPageFile, s.availablePageFile };
        QCOMPARE(actual, figures);
    }

    void thisMachineHasConsistentFigures()
    {
        const platform::MemoryStatus s = platform::memoryStatus();
        QVERIFY(s.totalPhysical > 0);
        QVERIFY(s.availablePhysical <= s.totalPhysical);
        QVERIFY(s.memoryLoadPercent <= 100);
        QVERIFY(s.availableVirtual > 0);
        QVERIFY(s.availableVirtual < s.totalVirtual);
        QVERIFY(s.totalPageFile > 0);
        QVERIFY(s.availablePageFile <= s.totalPageFile);
    }

    void cpuLoad_data()
    {
        QTest::addColumn<QByteArray>("earlier");
        QTest::addColumn<QByteArray>("later");
        QTest::addColumn<int>("percent");
        const QByteArray start = "cpu  100 0 100 800 0 0 0 0 0 0\ncpu0 100 0 100 800 0 0 0 0 0 0\n";
        QTest::newRow("quarter busy") << start << QByteArray("cpu  150 0 100 950 0 0 0 0 0 0\n") << 25;
        QTest::newRow("iowait is idle") << start << QByteArray("cpu  100 0 100 800 200 0 0 0 0 0\n") << 0;
        QTest::newRow("irq, softirq and steal are busy") << start << QByteArray("cpu  100 0 100 900 0 10 20 70 0 0\n") << 50;
        QTest::newRow("guest time is already user time") << start << QByteArray("cpu  200 0 100 900 0 0 0 0 100 0\n") << 50;
        QTest::newRow("no time passed") << start << start << 0;
        QTest::newRow("counters went backwards") << start << QByteArray("cpu  10 0 10 80 0 0 0 0 0 0\n") << 0;
        QTest::newRow("no summary line") << start << QByteArray("intr 5\n") << 0;
    }
    void cpuLoad()
    {
        QFETCH(QByteArray, earlier);
        QFETCH(QByteArray, later);
        QFETCH(int, percent);
        QCOMPARE(platform::cpuLoadPercent(platform::cpuTimesFrom(earlier), platform::cpuTimesFrom(later)), percent);
    }
};

ZENQ_TEST_CLASS(MemoryStatusTest);
#include "MemoryStatusTest.moc"
