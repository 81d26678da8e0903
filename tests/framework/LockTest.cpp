// Named locks across processes: exclusion, release on the holder's death, and the single-instance guard.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqLocks.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <string>
#include <thread>

namespace {

// Child: takes the named lock (or the single-instance guard), says so, and holds it until killed or
// until a line arrives on standard input.
int holdLockRole(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString kind = QString::fromLocal8Bit(argv[3]);
    const QString name = QString::fromLocal8Bit(argv[4]);
    ZenqMutexHandle mutex;
    ZenqRunOnlyOnceHandle guard;
    if (kind == QLatin1String("mutex")) {
        mutex = ZenqOpenAMutex(name);
        if (!ZenqEnterAMutex(mutex))
            return 1;
    } else {
        guard = JRunOnlyOnce(name);
        if (!guard)
            return 3;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char line[16];
    if (std::fgets(line, sizeof line, stdin) == nullptr) {
    }
    if (mutex)
        ZenqLeaveAMutex(mutex);
    return 0;
}
ZENQ_TEST_CHILD_ROLE("hold-lock", holdLockRole);

class Holder
{
public:
    Holder(const QString &kind, const QString &name)
    {
        process.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--child"), QStringLiteral("hold-lock"), kind, name });
    }
    bool waitUntilHeld()
    {
        return process.waitForReadyRead(10000) && process.readLine().trimmed() == "held";
    }
    ~Holder()
    {
        process.kill();
        process.waitForFinished();
    }
    QProcess process;
};

} // namespace

class LockTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void mutexExcludesOtherProcessUntilReleased()
    {
        Holder holder(QStringLiteral("mutex"), ZenqTracerSyncMutexName);
        QVERIFY(holder.waitUntilHeld());
        ZenqMutexHandle mine = ZenqOpenAMutex(ZenqTracerSyncMutexName);
        QVERIFY(mine);
        QVERIFY(!ZenqEnterAMutex(mine, 50));
        holder.process.write("release\n");
        QVERIFY(holder.process.waitForFinished(10000));
        QVERIFY(ZenqEnterAMutex(mine, 5000));
        ZenqCloseAMutex(mine);
    }

    void mutexOfKilledHolderIsFree()
    {
        Holder holder(QStringLiteral("mutex"), ZenqTracerSyncMutexName);
        QVERIFY(holder.waitUntilHeld());
        ZenqMutexHandle mine = ZenqOpenAMutex(ZenqTracerSyncMutexName);
        QVERIFY(!ZenqEnterAMutex(mine, 50));
        holder.process.kill();
        QVERIFY(holder.process.waitForFinished(10000));
        QVERIFY(ZenqEnterAMutex(mine, 5000));
        ZenqCloseAMutex(mine);
    }

    void mutexNamesDoNotCollide()
    {
        Holder holder(QStringLiteral("mutex"), QStringLiteral("Global\\A"));
        QVERIFY(holder.waitUntilHeld());
        ZenqMutexHandle other = ZenqOpenAMutex(QStringLiteral("Global/A"));
        QVERIFY2(ZenqEnterAMutex(other, 50), "a differently spelt name is another lock");
        ZenqCloseAMutex(other);
    }

    void mutexExcludesThreadsOfOneProcess()
    {
        ZenqMutexHandle shared = ZenqOpenAMutex(QStringLiteral("threads"));
        QVERIFY(ZenqEnterAMutex(shared));
        bool enteredElsewhere = true;
        std::thread other([&] { enteredElsewhere = ZenqEnterAMutex(shared, 50); });
        other.join();
        QVERIFY(!enteredElsewhere);
        ZenqLeaveAMutex(shared);
    }

    void singleInstanceGuardIsPerProgram()
    {
        const QString program = QStringLiteral("/opt/zenq/zenq-console");
        Holder holder(QStringLiteral("guard"), program);
        QVERIFY(holder.waitUntilHeld());
        ZenqRunOnlyOnceHandle second = JRunOnlyOnce(program);
        QVERIFY2(!second, "a second instance of the same program is refused");
        ZenqRunOnlyOnceHandle otherProgram = JRunOnlyOnce(QStringLiteral("/elsewhere/zenq-console"));
        QVERIFY(otherProgram);
        JRunOnlyOnceEnded(otherProgram);
        holder.process.kill();
        QVERIFY(holder.process.waitForFinished(10000));
        ZenqRunOnlyOnceHandle afterDeath = JRunOnlyOnce(program);
        QVERIFY2(afterDeath, "a crashed first instance does not block the next start");
        JRunOnlyOnceEnded(afterDeath);
    }
};

ZENQ_TEST_CLASS(LockTest);
#include "LockTest.moc"
