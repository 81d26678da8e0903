// The directory watch on real directories with real change notifications: which changes are reported,
// where reports run, and that a stopped, moved or orphaned watch reports nothing it should not.
#include "support/TestMain.h"

#include "console/DirectoryWatch.h"
#include "framework/ZenqPaths.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

// Long enough for a report of a change to arrive on an idle machine; used only to check for silence.
constexpr int quietMs = 300;

void appendTo(const QString &file, const QByteArray &bytes = "x")
{
    QFile out(file);
    QVERIFY2(out.open(QIODevice::WriteOnly | QIODevice::Append), qPrintable(file));
    out.write(bytes);
}

// Waits until no report has come for a while, so that later checks start from a calm watch.
void settle(QSignalSpy &spy)
{
    qsizetype seen;
    do {
        seen = spy.count();
        QTest::qWait(quietMs);
    } while (spy.count() != seen);
}

// A moved watch re-opens on its own thread a little later; writes until the new place is seen to report.
bool writeUntilReported(QSignalSpy &spy, const QString &file)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const qsizetype before = spy.count();
        appendTo(file);
        if (spy.wait(200) || spy.count() > before)
            return true;
    }
    return false;
}

// The directory-watch workers among this process's threads: how many, how many at nice 19, and the
// processor time they have used (clock ticks).
struct WorkerThreads
{
    int count = 0;
    int atLowestPriority = 0;
    qint64 cpuTicks = 0;
};

WorkerThreads workerThreads()
{
    WorkerThreads result;
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // ended meanwhile
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        if (open < 0 || close < 0 || line.mid(open + 1, close - open - 1) != "DirectoryWatch")
            continue;
        ++result.count;
        // After the name: state is field 3, user and system time fields 14 and 15, nice field 19.
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() <= 16)
            continue;
        if (fields.at(16).toInt() == 19)
            ++result.atLowestPriority;
        result.cpuTicks += fields.at(11).toLongLong() + fields.at(12).toLongLong();
    }
    return result;
}

enum class Action { CreateFile, WriteFile, DeleteFile, RenameFile, MakeDir, ChangePermissions };

} // namespace

Q_DECLARE_METATYPE(Action)

class DirectoryWatchTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &relative = {}) const
    {
        return relative.isEmpty() ? m_dir->path() : m_dir->path() + QLatin1Char('/') + relative;
    }
    QString makeDir(const QString &relative) const
    {
        QDir().mkpath(path(relative));
        return path(relative);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    // --- properties

    void defaults()
    {
        TDirectoryWatch watch;
        QCOMPARE(watch.directory(), ZenqGetSystemDriveDir() + QLatin1Char('/'));
        QCOMPARE(watch.notifyFilters(), nfFilename | nfDirname | nfLastWrite);
        QCOMPARE(TDirectoryWatch::notifyFilterMask(watch.notifyFilters()), 19u);
        QVERIFY(!watch.watchSubDirs());
        QVERIFY(!watch.active());
    }

    void filterValueOfASet_data()
    {
        QTest::addColumn<int>("filters");
        QTest::addColumn<unsigned>("value");
        QTest::newRow("nfFilename") << int(nfFilename) << 1u;
        QTest::newRow("nfDirname") << int(nfDirname) << 2u;
        QTest::newRow("nfAttrib") << int(nfAttrib) << 4u;
        QTest::newRow("nfSize") << int(nfSize) << 8u;
        QTest::newRow("nfLastWrite") << int(nfLastWrite) << 16u;
        QTest::newRow("nfSecurity is bit 5 of the set, 256 of the filter") << int(nfSecurity) << 256u;
        QTest::newRow("all") << int(nfFilename | nfDirname | nfAttrib | nfSize | nfLastWrite | nfSecurity) << 287u;
        QTest::newRow("none") << 0 << 0u;
    }
    void filterValueOfASet()
    {
        QFETCH(int, filters);
        QFETCH(unsigned, value);
        QCOMPARE(TDirectoryWatch::notifyFilterMask(TNotifyFilters::fromInt(filters)), value);
    }

    void directoryEndsWithSeparator_data()
    {
        QTest::addColumn<QString>("given");
        QTest::newRow("without separator") << "sub";
        QTest::newRow("with separator") << "sub/";
    }
    void directoryEndsWithSeparator()
    {
        QFETCH(QString, given);
        makeDir(QStringLiteral("sub"));
        TDirectoryWatch watch;
        watch.setDirectory(path(given));
        QCOMPARE(watch.directory(), path(QStringLiteral("sub/")));
    }

    void invalidDirectoryRaisesAndChangesNothing_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<bool>("active");
        QTest::newRow("a file") << "file.txt" << false;
        QTest::newRow("a missing directory") << "missing" << false;
        QTest::newRow("a missing directory with separator") << "missing/" << false;
        QTest::newRow("a file, while active") << "file.txt" << true;
    }
    void invalidDirectoryRaisesAndChangesNothing()
    {
        QFETCH(QString, given);
        QFETCH(bool, active);
        appendTo(path(QStringLiteral("file.txt")));
        TDirectoryWatch watch;
        watch.setDirectory(path());
        watch.setActive(active);
        const QString bad = path(given);
        try {
            watch.setDirectory(bad);
            QFAIL("no exception");
        } catch (const EInvalidDirectory &error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Invalid Directory: ") + bad);
        }
        QCOMPARE(watch.directory(), path() + QLatin1Char('/'));
        QCOMPARE(watch.active(), active);
    }

    void activatingAVanishedDirectoryRaises()
    {
        TDirectoryWatch watch;
        watch.setDirectory(makeDir(QStringLiteral("gone")));
        QVERIFY(QDir().rmdir(path(QStringLiteral("gone"))));
        try {
            watch.setActive(true);
            QFAIL("no exception");
        } catch (const EInvalidDirectory &error) {
            QCOMPARE(error.message(), QStringLiteral("Invalid Directory: ") + path(QStringLiteral("gone/")));
        }
        QVERIFY(!watch.active());
    }

    void sameDirectoryAgainIsNotEvenChecked()
    {
        TDirectoryWatch watch;
        watch.setDirectory(makeDir(QStringLiteral("gone")));
        QVERIFY(QDir().rmdir(path(QStringLiteral("gone"))));
        watch.setDirectory(path(QStringLiteral("gone")));
        watch.setDirectory(path(QStringLiteral("gone/")));
        QCOMPARE(watch.directory(), path(QStringLiteral("gone/")));
    }

    void emptyDirectoryDeactivatesAndClears()
    {
        TDirectoryWatch watch;
        watch.setDirectory(path());
        watch.setActive(true);
        watch.setDirectory(QString());
        QVERIFY(!watch.active());
        QVERIFY(watch.directory().isEmpty());
        QVERIFY_THROWS_EXCEPTION(EInvalidDirectory, watch.setActive(true));
        QVERIFY(!watch.active());
    }

    // --- reports

    void changeIsReportedOnTheWatchThroughHandlerAndSignal()
    {
        TDirectoryWatch watch;
        QList<QPair<TDirectoryWatch *, QThread *>> calls;
        watch.setOnChange([&calls](TDirectoryWatch *sender) { calls.append({ sender, QThread::currentThread() }); });
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(path());
        watch.setActive(true);
        appendTo(path(QStringLiteral("file.txt")));
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);
        QCOMPARE(spy.first().first().value<TDirectoryWatch *>(), &watch);
        QVERIFY(!calls.isEmpty());
        QCOMPARE(calls.first().first, &watch);
        QCOMPARE(calls.first().second, watch.thread());
    }

    void burstGivesOneReportOrAFew()
    {
        // Writes 1 ms apart: far enough for the worker to see each one alone, close enough to coalesce.
        constexpr int writes = 100;
        appendTo(path(QStringLiteral("burst.txt")));
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(path());
        watch.setActive(true);
        QFile out(path(QStringLiteral("burst.txt")));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Append));
        for (int i = 0; i < writes; ++i) {
            out.write("line\n");
            out.flush();
            QThread::msleep(1);
        }
        out.close();
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);
        settle(spy);
        // A scheduler pause of more than 10 ms inside the burst may split it; one report per write may not.
        QVERIFY2(spy.count() <= writes / 5, qPrintable(QString::number(spy.count())));
    }

    void movedWatchReportsOnlyTheNewDirectory()
    {
        const QString first = makeDir(QStringLiteral("first"));
        const QString second = makeDir(QStringLiteral("second"));
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(first);
        watch.setActive(true);
        watch.setDirectory(second);
        QTest::qWait(quietMs);
        QCOMPARE(spy.count(), 0); // the move itself is no change
        QVERIFY(watch.active());

        QVERIFY(writeUntilReported(spy, second + QStringLiteral("/file.txt")));
        settle(spy);
        spy.clear();
        appendTo(first + QStringLiteral("/file.txt"));
        QTest::qWait(quietMs);
        QCOMPARE(spy.count(), 0);
    }

    void noReportAfterDeactivation_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("reactivated");
        QTest::newRow("change just before") << 0 << false;
        QTest::newRow("report queued, not yet delivered") << quietMs << false;
        QTest::newRow("report queued, then active again") << quietMs << true;
    }
    void noReportAfterDeactivation()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, reactivated);
        TDirectoryWatch watch, control; // the control shows that the change was reportable
        int handled = 0;
        watch.setOnChange([&handled](TDirectoryWatch *) { ++handled; });
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange), controlSpy(&control, &TDirectoryWatch::OnChange);
        for (TDirectoryWatch *w : { &watch, &control }) {
            w->setDirectory(path());
            w->setActive(true);
        }
        appendTo(path(QStringLiteral("file.txt")));
        QThread::msleep(static_cast<unsigned long>(delayMs)); // no event loop: a report can only queue up
        watch.setActive(false);
        watch.setActive(reactivated);
        QTRY_VERIFY_WITH_TIMEOUT(!controlSpy.isEmpty(), 5000);
        QTest::qWait(quietMs);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(handled, 0);
    }

    void oneWorkerPerActiveWatchAtLowestPriority()
    {
        // Workers of earlier tests may still be leaving: their thread outlives the join for a moment.
        QTRY_COMPARE(workerThreads().count, 0);
        const int before = 0;
        auto watch = std::make_unique<TDirectoryWatch>();
        watch->setDirectory(path());
        watch->setActive(true);
        watch->setActive(true);
        QTRY_COMPARE(workerThreads().count, before + 1);
        QTRY_COMPARE(workerThreads().atLowestPriority, before + 1);

        watch->setActive(false);
        QTRY_COMPARE(workerThreads().count, before);

        // Destroyed while active, with a report queued: the worker ends and the report goes nowhere.
        watch->setActive(true);
        appendTo(path(QStringLiteral("file.txt")));
        QThread::msleep(quietMs);
        watch.reset();
        QTest::qWait(quietMs);
        QTRY_COMPARE(workerThreads().count, before);
    }

    void filtersSelectTheKindsOfChange_data()
    {
        QTest::addColumn<int>("filters");
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("reported");
        const int defaults = int(TDirectoryWatch::defaultNotifyFilters());
        QTest::newRow("default: write") << defaults << Action::WriteFile << true;
        QTest::newRow("default: create") << defaults << Action::CreateFile << true;
        QTest::newRow("default: permissions") << defaults << Action::ChangePermissions << false;
        QTest::newRow("file names: create") << int(nfFilename) << Action::CreateFile << true;
        QTest::newRow("file names: delete") << int(nfFilename) << Action::DeleteFile << true;
        QTest::newRow("file names: rename") << int(nfFilename) << Action::RenameFile << true;
        QTest::newRow("file names: write") << int(nfFilename) << Action::WriteFile << false;
        QTest::newRow("file names: directory") << int(nfFilename) << Action::MakeDir << false;
        QTest::newRow("directory names: directory") << int(nfDirname) << Action::MakeDir << true;
        QTest::newRow("directory names: create file") << int(nfDirname) << Action::CreateFile << false;
        QTest::newRow("attributes: permissions") << int(nfAttrib) << Action::ChangePermissions << true;
        QTest::newRow("attributes: write") << int(nfAttrib) << Action::WriteFile << false;
        QTest::newRow("security: permissions") << int(nfSecurity) << Action::ChangePermissions << true;
        QTest::newRow("size: write") << int(nfSize) << Action::WriteFile << true;
        QTest::newRow("size: rename") << int(nfSize) << Action::RenameFile << false;
        QTest::newRow("last write: write") << int(nfLastWrite) << Action::WriteFile << true;
        QTest::newRow("last write: delete") << int(nfLastWrite) << Action::DeleteFile << false;
        QTest::newRow("empty set: create") << 0 << Action::CreateFile << false;
    }
    void filtersSelectTheKindsOfChange()
    {
        QFETCH(int, filters);
        QFETCH(Action, action);
        QFETCH(bool, reported);
        const QString existing = path(QStringLiteral("existing.txt"));
        appendTo(existing);
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(path());
        watch.setNotifyFilters(TNotifyFilters::fromInt(filters));
        watch.setActive(true);
        switch (action) {
        case Action::CreateFile: appendTo(path(QStringLiteral("new.txt"))); break;
        case Action::WriteFile: appendTo(existing); break;
        case Action::DeleteFile: QVERIFY(QFile::remove(existing)); break;
        case Action::RenameFile: QVERIFY(QFile::rename(existing, path(QStringLiteral("renamed.txt")))); break;
        case Action::MakeDir: makeDir(QStringLiteral("newdir")); break;
        case Action::ChangePermissions: QVERIFY(QFile::setPermissions(existing, QFile::ReadOwner)); break;
        }
        if (reported) {
            QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);
        } else {
            QTest::qWait(quietMs);
            QCOMPARE(spy.count(), 0);
        }
    }

    void subDirectoriesOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("watchSubDirs");
        QTest::addColumn<bool>("switchedOnWhileActive");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("reported");
        QTest::newRow("not asked") << false << false << "sub/file.txt" << false;
        QTest::newRow("asked") << true << false << "sub/file.txt" << true;
        QTest::newRow("asked, deep") << true << false << "sub/deep/deeper/file.txt" << true;
        QTest::newRow("switched on while active") << true << true << "sub/file.txt" << true;
    }
    void subDirectoriesOnlyWhenAsked()
    {
        QFETCH(bool, watchSubDirs);
        QFETCH(bool, switchedOnWhileActive);
        QFETCH(QString, file);
        QFETCH(bool, reported);
        makeDir(QStringLiteral("sub/deep/deeper"));
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(path());
        if (!switchedOnWhileActive)
            watch.setWatchSubDirs(watchSubDirs);
        watch.setActive(true);
        if (switchedOnWhileActive)
            watch.setWatchSubDirs(watchSubDirs);
        appendTo(path(file));
        if (reported) {
            QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);
        } else {
            QTest::qWait(quietMs);
            QCOMPARE(spy.count(), 0);
        }
    }

    void subDirectoriesFollowTheTree()
    {
        const QString outside = makeDir(QStringLiteral("outside"));
        const QString watched = makeDir(QStringLiteral("watched"));
        makeDir(QStringLiteral("watched/leaving"));
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(watched);
        watch.setWatchSubDirs(true);
        watch.setActive(true);

        // Created after activation: watched from then on.
        makeDir(QStringLiteral("watched/later"));
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);
        settle(spy);
        spy.clear();
        appendTo(watched + QStringLiteral("/later/file.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);

        // Moved out of the tree: no longer watched.
        QVERIFY(QDir().rename(watched + QStringLiteral("/leaving"), outside + QStringLiteral("/left")));
        settle(spy);
        spy.clear();
        appendTo(outside + QStringLiteral("/left/file.txt"));
        QTest::qWait(quietMs);
        QCOMPARE(spy.count(), 0);
    }

    void fileInANewSubDirectoryIsReported()
    {
        // The file may come before the new directories are watched; it must be reported all the same.
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(path());
        watch.setNotifyFilters(nfFilename);
        watch.setWatchSubDirs(true);
        watch.setActive(true);
        makeDir(QStringLiteral("new/deeper"));
        appendTo(path(QStringLiteral("new/deeper/file.txt")));
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 5000);
    }

    void removedDirectoryGoesQuietUntilAnotherIsSet_data()
    {
        QTest::addColumn<bool>("withContents");
        QTest::newRow("empty") << false;
        QTest::newRow("with contents") << true;
    }
    void removedDirectoryGoesQuietUntilAnotherIsSet()
    {
        QFETCH(bool, withContents);
        const QString doomed = makeDir(QStringLiteral("doomed"));
        if (withContents) {
            makeDir(QStringLiteral("doomed/sub"));
            appendTo(doomed + QStringLiteral("/file.txt"));
        }
        const QString next = makeDir(QStringLiteral("next"));
        TDirectoryWatch watch;
        QSignalSpy spy(&watch, &TDirectoryWatch::OnChange);
        watch.setDirectory(doomed);
        watch.setActive(true);
        QVERIFY(QDir(doomed).removeRecursively());
        if (withContents) {
            settle(spy); // the deleted contents were changes
        } else {
            QTest::qWait(quietMs);
            QCOMPARE(spy.count(), 0); // the directory's own removal is none
        }
        QVERIFY(watch.active());
        // The orphaned worker sleeps: well under a tenth of the time on the processor (ticks of 10 ms).
        const qint64 cpuBefore = workerThreads().cpuTicks;
        QTest::qWait(2 * quietMs);
        QVERIFY2(workerThreads().cpuTicks - cpuBefore <= 5, "the worker polls busily");

        spy.clear();
        watch.setDirectory(next);
        QVERIFY(writeUntilReported(spy, next + QStringLiteral("/file.txt")));
    }
};

ZENQ_TEST_CLASS(DirectoryWatchTest);

#include "DirectoryWatchTest.moc"
