// The memory-consumption panel: module reports filed, marked, sorted, removed and expired; the status
// row; request statistics turned into trace lines.
#include "support/TestMain.h"

#include "console/MemoryTable.h"
#include "framework/ZenqClock.h"

#include <QTest>

#include <stdexcept>

using TableOperation = std::function<void(MemoryTable &)>;
Q_DECLARE_METATYPE(TableOperation)
Q_DECLARE_METATYPE(platform::MemoryStatus)

namespace {

constexpr quint64 GiB = quint64(1) << 30;

// A module report as the console hands it over: marker column, key, "|", figures.
QString report(const QString &module, const QString &figures = QStringLiteral(" 512 K"))
{
    return QLatin1Char(' ') + module + QLatin1Char('|') + figures;
}

QString firstWord(const QString &row)
{
    return row.mid(1).section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
}

} // namespace

class MemoryTableTest : public QObject
{
    Q_OBJECT

    TraceOptions m_options;
    QStringList m_traced;
    int m_changes = 0;
    platform::MemoryStatus m_status;
    int m_cpuUsage = 0;
    ZenqManualClock *m_clock = nullptr;
    std::unique_ptr<ZenqClock> m_previousClock;
    std::unique_ptr<MemoryTable> m_table;

    QStringList moduleWords() const
    {
        QStringList words;
        for (qsizetype i = MemoryTable::FixedRowCount; i < m_table->rows().size(); ++i)
            words << firstWord(m_table->rows().at(i));
        return words;
    }

    bool fixedRowsIntact() const
    {
        const QStringList &rows = m_table->rows();
        return rows.size() >= MemoryTable::FixedRowCount && rows.at(0) == MemoryTable::StatusHeaderRow
            && rows.at(2) == QStringLiteral(" ") && rows.at(3) == MemoryTable::ModuleHeaderRow
            && m_table->rowTimes().first(MemoryTable::FixedRowCount) == QList<quint32>(MemoryTable::FixedRowCount, 0);
    }

    qsizetype rowOf(const QString &module) const
    {
        return moduleWords().indexOf(module) + MemoryTable::FixedRowCount;
    }

private Q_SLOTS:
    void init()
    {
        auto clock = std::make_unique<ZenqManualClock>();
        m_clock = clock.get();
        m_clock->setTicks(1000);
        m_previousClock = ZenqSetClock(std::move(clock));
        m_options = TraceOptions();
        m_traced.clear();
        m_changes = 0;
        m_status = platform::MemoryStatus { 42, 16 * GiB, 8 * GiB, 8 * GiB, 6 * GiB, 20 * GiB, 10 * GiB };
        m_cpuUsage = 0;
        m_table = std::make_unique<MemoryTable>(m_options, [this](const QString &line) { m_traced << line; });
        m_table->setChangedCallback([this] { ++m_changes; });
        m_table->setMemoryStatusSource([this] { return m_status; });
        m_table->setCpuUsageSource([this] { return m_cpuUsage; });
    }

    void cleanup()
    {
        m_table.reset();
        ZenqSetClock(std::move(m_previousClock));
    }

    void firstReportIntoEmptyTableCreatesFixedRowsAndMarkedModuleRow()
    {
        m_clock->setTicks(5000);
        m_table->UpdateModuleRow(QStringLiteral(" ZenqA(11)|   1.024 K"));

        QVERIFY(fixedRowsIntact());
        QCOMPARE(m_table->rows().at(1),
                 QStringLiteral("*       42 % 16.777.216 K    8.388.608 K   8.388.608 K    6.291.456 K      "
                                "20.971.520 K       10.485.760 K"));
        QCOMPARE(m_table->rows().at(4), QStringLiteral("*ZenqA(11)    1.024 K"));
        QCOMPARE(m_table->rowTimes(), (QList<quint32> { 0, 0, 0, 0, 5000 }));
        QCOMPARE(m_changes, 1);
        QCOMPARE(m_table->text(), m_table->rows().join(QLatin1Char('\n')));
    }

    void eachOperationRedrawsOnce_data()
    {
        QTest::addColumn<TableOperation>("operation");
        QTest::addColumn<int>("changes");
        QTest::addColumn<int>("rowCount");
        QTest::newRow("refresh creates the fixed rows") << TableOperation([](MemoryTable &t) { t.RefreshMemoryStatus(); }) << 1 << 4;
        QTest::newRow("first report refreshes inside the same update")
            << TableOperation([](MemoryTable &t) { t.UpdateModuleRow(report(QStringLiteral("ZenqA(11)"))); }) << 1 << 5;
        QTest::newRow("report without bar is ignored")
            << TableOperation([](MemoryTable &t) { t.UpdateModuleRow(QStringLiteral(" ZenqA(11) 512 K")); }) << 0 << 0;
        QTest::newRow("end report leaves an empty table empty")
            << TableOperation([](MemoryTable &t) { t.RemoveModuleRow(report(QStringLiteral("ZenqA(11)"))); }) << 1 << 0;
        QTest::newRow("purge leaves an empty table empty")
            << TableOperation([](MemoryTable &t) { t.PurgeStaleModuleRows(); }) << 1 << 0;
        QTest::newRow("sort alone") << TableOperation([](MemoryTable &t) { t.SortModuleRows(); }) << 1 << 0;
        QTest::newRow("statistics do not touch the table")
            << TableOperation([](MemoryTable &t) { t.FormatRequestStatistics(QStringLiteral("xC:NoOfRequests 1 2 3")); })
            << 0 << 0;
    }
    void eachOperationRedrawsOnce()
    {
        QFETCH(TableOperation, operation);
        QFETCH(int, changes);
        QFETCH(int, rowCount);
        operation(*m_table);
        QCOMPARE(m_changes, changes);
        QCOMPARE(m_table->rows().size(), rowCount);
        QCOMPARE(m_table->rowTimes().size(), rowCount);
    }

    void failedOperationStillRedraws()
    {
        m_table->setMemoryStatusSource([]() -> platform::MemoryStatus { throw std::runtime_error("no /proc"); });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_table->UpdateModuleRow(report(QStringLiteral("ZenqA(11)"))));
        QCOMPARE(m_changes, 1);
        QVERIFY(m_table->rows().isEmpty());

        // The update depth unwound: the next operation redraws again.
        m_table->setMemoryStatusSource([this] { return m_status; });
        m_table->RefreshMemoryStatus();
        QCOMPARE(m_changes, 2);
    }

    void statusRow_data()
    {
        QTest::addColumn<platform::MemoryStatus>("status");
        QTest::addColumn<QString>("row");
        // " Memory Load  Total Phys.   Avail. Phys.   Total Virt.   Avail. Virt.   Total Page File   Avail. Page File"
        QTest::newRow("figures above 4 GiB")
            << platform::MemoryStatus { 63, 64 * GiB, 5 * GiB + 1023, 8 * GiB, 6 * GiB, 80 * GiB, 4 * GiB }
            << "*       63 % 67.108.864 K    5.242.880 K   8.388.608 K    6.291.456 K      83.886.080 K        4.194.304 K";
        QTest::newRow("bytes cut to whole kibibytes")
            << platform::MemoryStatus { 0, 1023, 1024, 2047, 0, 4095, 4096 }
            << "*        0 %          0 K            1 K           1 K            0 K               3 K                4 K";
        QTest::newRow("address space wider than its column keeps a blank")
            << platform::MemoryStatus { 100, 64 * GiB, 0, quint64(128) << 40, (quint64(128) << 40) - GiB, 80 * GiB, 0 }
            << "*      100 % 67.108.864 K            0 K 137.438.953.472 K 137.437.904.896 K      83.886.080 K                0 K";
    }
    void statusRow()
    {
        QFETCH(platform::MemoryStatus, status);
        QFETCH(QString, row);
        m_status = status;
        m_table->RefreshMemoryStatus();
        QCOMPARE(m_table->rows().at(1), row);
    }

    void statusRowMarkedOnlyWhenItChanged()
    {
        m_table->RefreshMemoryStatus();
        QCOMPARE(m_table->rows().at(1).at(0), QLatin1Char('*'));

        m_table->clearMarkerResetFlag();
        m_table->RefreshMemoryStatus();
        QCOMPARE(m_table->rows().at(1).at(0), QLatin1Char(' '));

        m_status.availablePhysical -= 4096;
        m_table->clearMarkerResetFlag();
        m_table->RefreshMemoryStatus();
        QCOMPARE(m_table->rows().at(1).at(0), QLatin1Char('*'));
    }

    void laterReportReplacesTheRowThatContainsItsKey_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("same module, new figures") << report(QStringLiteral("ZenqB(12)"), QStringLiteral(" 2.048 K")) << true;
        QTest::newRow("marker column is not part of the key") << QStringLiteral("xZenqB(12)| 2.048 K") << true;
        QTest::newRow("key contained in the row") << report(QStringLiteral("B(12)"), QStringLiteral(" 2.048 K")) << true;
        QTest::newRow("key not trimmed") << report(QStringLiteral(" ZenqB(12)"), QStringLiteral(" 2.048 K")) << false;
        QTest::newRow("other module") << report(QStringLiteral("ZenqC(13)"), QStringLiteral(" 2.048 K")) << false;
    }
    void laterReportReplacesTheRowThatContainsItsKey()
    {
        QFETCH(QString, second);
        QFETCH(bool, replaced);
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqA(11)")));
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqB(12)")));
        const qsizetype rowCount = m_table->rows().size();

        m_clock->advance(700);
        m_table->UpdateModuleRow(second);

        QString expected = second;
        expected[0] = QLatin1Char('*');
        expected.replace(QLatin1Char('|'), QLatin1Char(' '));
        const qsizetype row = m_table->rows().indexOf(expected);
        QVERIFY(row >= MemoryTable::FixedRowCount);
        QCOMPARE(m_table->rowTimes().at(row), 1700u);
        QCOMPARE(m_table->rows().size(), replaced ? rowCount : rowCount + 1);
        QCOMPARE(m_table->rows().contains(QStringLiteral("*ZenqB(12)  512 K")), !replaced);
        QVERIFY(m_table->rows().contains(QStringLiteral("*ZenqA(11)  512 K")));
    }

    void markersShowChangesSinceThePassBegan()
    {
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqA(11)")));
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqB(12)")));
        QCOMPARE(m_table->rows().at(rowOf(QStringLiteral("ZenqA(11)"))).at(0), QLatin1Char('*'));
        QCOMPARE(m_table->rows().at(rowOf(QStringLiteral("ZenqB(12)"))).at(0), QLatin1Char('*'));

        m_table->clearMarkerResetFlag();
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqB(12)"), QStringLiteral(" 640 K")));
        QCOMPARE(m_table->rows().at(rowOf(QStringLiteral("ZenqA(11)"))).at(0), QLatin1Char(' '));
        QCOMPARE(m_table->rows().at(rowOf(QStringLiteral("ZenqB(12)"))).at(0), QLatin1Char('*'));
        QCOMPARE(m_table->rows().at(1).at(0), QLatin1Char(' '));

        // An end report changes no markers, even as the first change of a pass.
        m_table->clearMarkerResetFlag();
        m_table->RemoveModuleRow(report(QStringLiteral("ZenqA(11)")));
        QCOMPARE(m_table->rows().at(rowOf(QStringLiteral("ZenqB(12)"))).at(0), QLatin1Char('*'));
    }

    void endReportRemovesRowsByFirstWord_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QStringList>("remaining");
        const QString a = QStringLiteral("ZenqA(11)");
        const QString b = QStringLiteral("ZenqB(12)");
        const QString c = QStringLiteral("ZenqC(13)");
        QTest::newRow("trimmed key equals first word") << report(QStringLiteral("  ZenqB(12)   ")) << QStringList { a, c, c };
        QTest::newRow("case ignored") << report(QStringLiteral("zenqb(12)")) << QStringList { a, c, c };
        QTest::newRow("every row with that first word") << report(c) << QStringList { a, b };
        QTest::newRow("key only the start of the word") << report(QStringLiteral("ZenqB")) << QStringList { a, b, c, c };
        QTest::newRow("marker column is not part of the key") << QStringLiteral("ZenqB(12)|") << QStringList { a, b, c, c };
        QTest::newRow("no bar") << QStringLiteral(" ZenqB(12) 512 K") << QStringList { a, b, c, c };
        QTest::newRow("first word of the status header") << report(QStringLiteral("Memory")) << QStringList { a, b, c, c };
        QTest::newRow("first word of the module header") << report(QStringLiteral("module(processid)"))
                                                         << QStringList { a, b, c, c };
    }
    void endReportRemovesRowsByFirstWord()
    {
        QFETCH(QString, payload);
        QFETCH(QStringList, remaining);
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqA(11)")));
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqB(12)")));
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqC(13) 1")));
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqC(13) 2")));

        m_table->RemoveModuleRow(payload);
        QCOMPARE(moduleWords(), remaining);
        QVERIFY(fixedRowsIntact());
        QCOMPARE(m_table->rowTimes().size(), m_table->rows().size());
    }

    void purgeRemovesRowsNotReportedFor30Seconds_data()
    {
        QTest::addColumn<quint32>("reportedAt");
        QTest::addColumn<quint32>("elapsed");
        QTest::addColumn<bool>("removed");
        QTest::newRow("exactly 30 s kept") << 1000u << 30000u << false;
        QTest::newRow("just over 30 s removed") << 1000u << 30001u << true;
        QTest::newRow("8 s across the tick wrap kept") << 0xFFFFF000u << 8000u << false;
        QTest::newRow("over 30 s across the tick wrap removed") << 0xFFFFFF00u << 30001u << true;
        QTest::newRow("time 0 never expires") << 0u << 0x7FFFFFFFu << false;
    }
    void purgeRemovesRowsNotReportedFor30Seconds()
    {
        QFETCH(quint32, reportedAt);
        QFETCH(quint32, elapsed);
        QFETCH(bool, removed);
        m_clock->setTicks(reportedAt);
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqOld(1)")));
        m_clock->advance(elapsed);
        m_table->UpdateModuleRow(report(QStringLiteral("ZenqNew(2)")));

        m_table->PurgeStaleModuleRows();
        const QStringList expected = removed ? QStringList { QStringLiteral("ZenqNew(2)") }
                                             : QStringList { QStringLiteral("ZenqNew(2)"), QStringLiteral("ZenqOld(1)") };
        QCOMPARE(moduleWords(), expected);
        QCOMPARE(m_table->rowTimes().size(), m_table->rows().size());
    }

    void serverReportCopiedToTraceWhileMemoryInfoOn_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<bool>("endReport");
        QTest::addColumn<bool>("traced");
        const QString server = report(QStringLiteral("ZenqSOAPServer-1(20)"));
        QTest::newRow("enabled and checked") << true << true << server << false << true;
        QTest::newRow("end report too") << true << true << server << true << true;
        QTest::newRow("without bar still copied") << true << true << QStringLiteral(" ZenqSOAPServer-1(20) 5 K") << false << true;
        QTest::newRow("not checked") << true << false << server << false << false;
        QTest::newRow("checked but not enabled") << false << true << server << false << false;
        QTest::newRow("not a server module") << true << true << report(QStringLiteral("ZenqA(11)")) << false << false;
    }
    void serverReportCopiedToTraceWhileMemoryInfoOn()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, checked);
        QFETCH(QString, payload);
        QFETCH(bool, endReport);
        QFETCH(bool, traced);
        // The table was made before the menu changed: it reads the options at each call.
        m_options.memoryInfoEnabled = enabled;
        m_options.memoryInfoChecked = checked;
        if (endReport)
            m_table->RemoveModuleRow(payload);
        else
            m_table->UpdateModuleRow(payload);
        QCOMPARE(m_traced, traced ? QStringList { payload } : QStringList());
    }

    void sortModuleRows_data()
    {
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("case ignored") << QStringList { "zeta(1)", "Beta(2)", "alfa(3)" }
                                      << QStringList { "alfa(3)", "Beta(2)", "zeta(1)" };
        QTest::newRow("keys right-aligned: shorter rows first") << QStringList { "AAA(1)", "B(2)" }
                                                                << QStringList { "B(2)", "AAA(1)" };
        QTest::newRow("ASCII upper-cased: letters before underscore") << QStringList { "a_(1)", "az(2)" }
                                                                      << QStringList { "az(2)", "a_(1)" };
    }
    void sortModuleRows()
    {
        QFETCH(QStringList, reported);
        QFETCH(QStringList, sorted);
        QHash<QString, quint32> reportedAt;
        for (const QString &module : reported) {
            m_clock->advance(10);
            reportedAt.insert(module, m_clock->tickCount());
            m_table->UpdateModuleRow(report(module));
        }
        QCOMPARE(moduleWords(), sorted);
        QVERIFY(fixedRowsIntact());
        for (const QString &module : sorted)
            QCOMPARE(m_table->rowTimes().at(rowOf(module)), reportedAt.value(module));
    }

    void requestStatisticsBecomeTraceLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("cpuUsage");
        QTest::addColumn<QString>("traced");
        const QString counts = QStringLiteral(
            "# of actual requests: 3  -  # of requests today: 120  -  # of requests since systemstart: 4711");
        QTest::newRow("three counts, idle machine") << "xC:NoOfRequests 3 120 4711" << 0 << counts;
        QTest::newRow("three counts, busy machine") << "xC:NoOfRequests 3 120 4711" << 37 << counts + "  -  CPU Usage: 37%";
        QTest::newRow("fourth item is the load whatever the machine says")
            << "xC:NoOfRequests 3 120 4711 85%" << 37 << counts + "  -  CPU Usage: 85%";
        QTest::newRow("text around and runs of blanks") << "ZenqSOAPServer xC:NoOfRequests   3  120 4711  " << 0 << counts;
        QTest::newRow("used time only") << "xC:NoOfRequests 3 120 4711 5% 250" << 0
                                        << counts + "  -  CPU Usage: 5% - Used time: 250 ms";
        QTest::newRow("three times, not a number counts as 0")
            << "xC:NoOfRequests 3 120 4711 5% 1500 abc 65000" << 0
            << counts + "  -  CPU Usage: 5% - Used time: 1.500 s - SQL-Time: 0 ms - SXT-Time: 1:05.000 m";
        QTest::newRow("further items with one blank each") << "xC:NoOfRequests 3 120 4711 5% 1 2 3 x   y" << 0
                                                           << counts + "  -  CPU Usage: 5% - Used time: 1 ms - "
                                                                       "SQL-Time: 2 ms - SXT-Time: 3 ms x y";
    }
    void requestStatisticsBecomeTraceLine()
    {
        QFETCH(QString, line);
        QFETCH(int, cpuUsage);
        QFETCH(QString, traced);
        m_cpuUsage = cpuUsage;
        m_table->FormatRequestStatistics(line);
        QCOMPARE(m_traced, QStringList { traced });
    }
};

ZENQ_TEST_CLASS(MemoryTableTest);
#include "MemoryTableTest.moc"
