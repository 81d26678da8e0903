// Registered messages between programs: numbering, atoms, delivery to the windows of a class in other
// processes (posted, sent, unknown names, dead and hung peers), a program's own windows, the choice
// among several answers, the user-interface feedback, and the zenq tool's send and listen.
#include "support/TestEnvironment.h"
#include "support/TestMain.h"

#include "framework/ZenqMessages.h"
#include "framework/ZenqUserInterface.h"
#include "platform/MessageBus.h"
#include "platform/TerminationSignals.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// Child: a window of class argv[3] that knows the names argv[4...]. Prints "ready PATH", then one line
// per message it handles. Zenq_Echo answers with the text "echo:" + its text, everything else with
// twice its wParam.
int busWindowRole(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 4; i < argc; ++i)
        RegisterWindowMessage(QString::fromLocal8Bit(argv[i]));
    ZenqWindow window(QString::fromLocal8Bit(argv[3]), [](quint32 message, quintptr wParam, qintptr lParam) {
        const QString name = ZenqRegisteredMessageName(message);
        const QString text = JGlobalGetAtomAndDelete(static_cast<quint16>(lParam));
        std::printf("%s\n", qPrintable(QStringLiteral("%1 wParam=%2 text=%3").arg(name).arg(wParam).arg(text)));
        std::fflush(stdout);
        if (name == QLatin1String("Zenq_Echo"))
            return ZenqMessageAnswer::fromAtom(JGlobalAddAtom(QStringLiteral("echo:") + text));
        return ZenqMessageAnswer(static_cast<qint64>(wParam) * 2);
    });
    QString error;
    if (!window.open(&error) || !platform::quitOnTerminationSignals()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("ready %s\n", qPrintable(window.endpointPath()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
ZENQ_TEST_CHILD_ROLE("bus-window", busWindowRole);

// The next line of a child's standard output (or error); empty when none came in time.
QString nextLine(QProcess &process, QProcess::ProcessChannel channel = QProcess::StandardOutput)
{
    process.setReadChannel(channel);
    const QDeadlineTimer deadline(15000);
    while (!process.canReadLine() && process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}

// Ends its process however a test leaves it: stopped, running or gone.
void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
    process.terminate(); // a clean exit removes the socket file
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

struct Peer
{
    Peer() = default;
    Peer(Peer &&) = default;
    Peer &operator=(Peer &&) = default;
    ~Peer()
    {
        if (process)
            stop(*process);
    }
    std::unique_ptr<QProcess> process;
    QString endpoint;
};

Peer startBusWindow(const QString &windowClass, const QStringList &names)
{
    Peer peer;
    peer.process = std::make_unique<QProcess>();
    peer.process->start(QCoreApplication::applicationFilePath(),
                        QStringList { "--child", "bus-window", windowClass } + names);
    const QString ready = nextLine(*peer.process);
    if (ready.startsWith(QLatin1String("ready ")))
        peer.endpoint = ready.mid(6);
    return peer;
}

// Sending from the user-interface thread waits in a nested event loop; from a worker it blocks.
enum class SenderThread { Main, Worker };

template<typename Function>
auto onSenderThread(SenderThread thread, Function function)
{
    if (thread == SenderThread::Main)
        return function();
    decltype(function()) result {};
    std::unique_ptr<QThread> worker(QThread::create([&] { result = function(); }));
    worker->start();
    worker->wait();
    return result;
}

void addSenderThreadRows(const char *name, const std::function<void(QTestData &)> &columns)
{
    for (const auto &[label, thread] : { std::pair { "main", SenderThread::Main }, std::pair { "worker", SenderThread::Worker } }) {
        QTestData &row = QTest::newRow(qPrintable(QStringLiteral("%1, from %2 thread").arg(QLatin1String(name), QLatin1String(label))));
        row << thread;
        columns(row);
    }
}

// Records what the delivery showed, in order.
class RecordingUserInterface final : public ZenqUserInterface
{
public:
    explicit RecordingUserInterface(QStringList *calls) : m_calls(calls) {}
    JMessageResult message(const QString &, int) override { return JMessageResult::Ok; }
    bool inputQuery(const QString &, const QString &, QString &) override { return false; }
    bool inputQueryWithPreviousValues(const QString &, const QString &, QString &, const QStringList &) override
    {
        return false;
    }
    void waitCursor() override { *m_calls << QStringLiteral("wait cursor"); }
    void defaultCursor() override { *m_calls << QStringLiteral("default cursor"); }
    int showProgressMessage(const QString &text) override
    {
        *m_calls << QStringLiteral("show ") + text;
        return 17;
    }
    void closeProgressMessage(int handle) override { *m_calls << QStringLiteral("close %1").arg(handle); }
    void bringToFront() override { *m_calls << QStringLiteral("front"); }

private:
    QStringList *m_calls;
};

} // namespace

Q_DECLARE_METATYPE(SenderThread)

class MessagesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        platform::setMessageBusTimeout(0);
    }

    void registeredNumbersArePerNameAndIgnoreCase()
    {
        const quint32 first = RegisterWindowMessage(QStringLiteral("Zenq_Registered_A"));
        QVERIFY(first >= 0xC000 && first <= 0xFFFF);
        QCOMPARE(RegisterWindowMessage(QStringLiteral("Zenq_Registered_A")), first);
        QCOMPARE(RegisterWindowMessage(QStringLiteral("ZENQ_registered_a")), first);
        const quint32 second = RegisterWindowMessage(QStringLiteral("Zenq_Registered_B"));
        QVERIFY(second >= 0xC000 && second != first);
        QCOMPARE(ZenqRegisteredMessageName(first), QStringLiteral("Zenq_Registered_A"));
        QCOMPARE(ZenqRegisteredMessageName(0x1234), QString());
        QCOMPARE(RegisterWindowMessage(QString()), 0u);
        QCOMPARE(RegisterWindowMessage(QString(256, QLatin1Char('n'))), 0u);
    }

    void atomsHoldTextUntilDeleted()
    {
        const quint16 a = JGlobalAddAtom(QStringLiteral("same"));
        const quint16 b = JGlobalAddAtom(QStringLiteral("same"));
        QVERIFY(a >= 0xC000 && b >= 0xC000);
        QVERIFY(a != b); // no sharing, so deleting one never takes the other's text
        QCOMPARE(JGlobalGetAtomName(a), QStringLiteral("same"));
        QCOMPARE(JGlobalGetAtomAndDelete(a, true), QStringLiteral("same"));
        QCOMPARE(JGlobalGetAtomName(a), QString());
        QCOMPARE(JGlobalGetAtomName(b), QStringLiteral("same"));
        JGlobalDeleteAtom(b);
        QCOMPARE(JGlobalGetAtomAndDelete(b), QString());
        QCOMPARE(JGlobalAddAtom(QString()), quint16(0));
        const QString longText(5000, QLatin1Char('x')); // longer than the original's 255
        const quint16 c = JGlobalAddAtom(longText);
        QCOMPARE(JGlobalGetAtomAndDelete(c), longText);
    }

    void postArrivesWithNameWParamAndText_data()
    {
        QTest::addColumn<bool>("useZenqListen");
        QTest::addColumn<QString>("text");
        QTest::newRow("window that registered the name") << false << "Grüße, € and more";
        QTest::newRow("window that registered the name, no text") << false << QString();
        QTest::newRow("zenq listen, which takes any name") << true << "plain";
    }
    void postArrivesWithNameWParamAndText()
    {
        QFETCH(bool, useZenqListen);
        QFETCH(QString, text);
        QProcess listen;
        Peer window;
        QProcess *receiver = nullptr;
        if (useZenqListen) {
            listen.start(zenqtest::zenqToolPath(), { "listen", "TPostClass" });
            QVERIFY(nextLine(listen, QProcess::StandardError).contains(QLatin1String("listening at")));
            receiver = &listen;
        } else {
            window = startBusWindow(QStringLiteral("TPostClass"), { "Zenq_Note" });
            QVERIFY(!window.endpoint.isEmpty());
            receiver = window.process.get();
        }
        ZenqDeliveryReport report;
        QCOMPARE(ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Note"), QStringLiteral("TPostClass"),
                                                                   {}, true, 4711, text, &report),
                 qint64(0));
        QCOMPARE(report.reached, 1);
        QCOMPARE(nextLine(*receiver), QStringLiteral("Zenq_Note wParam=4711 text=%1").arg(text).trimmed());
        stop(*receiver);
    }

    void requestIsAnswered_data()
    {
        QTest::addColumn<SenderThread>("thread");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("answerText"); // null: the answer is a number
        QTest::addColumn<bool>("handled");
        addSenderThreadRows("integer answer", [](QTestData &row) {
            row << "Zenq_Double" << QString() << qint64(42) << QString() << true;
        });
        addSenderThreadRows("text answer comes back as an atom", [](QTestData &row) {
            row << "Zenq_Echo" << "hi there" << qint64(0) << "echo:hi there" << true;
        });
        addSenderThreadRows("name the receiver never registered falls through", [](QTestData &row) {
            row << "Zenq_Unknown" << "ignored" << qint64(0) << QString() << false;
        });
    }
    void requestIsAnswered()
    {
        QFETCH(SenderThread, thread);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(qint64, number);
        QFETCH(QString, answerText);
        QFETCH(bool, handled);
        Peer window = startBusWindow(QStringLiteral("TRequestClass"), { "Zenq_Double", "Zenq_Echo", "Zenq_Mark" });
        QVERIFY(!window.endpoint.isEmpty());

        ZenqDeliveryReport report;
        const qint64 answer = onSenderThread(thread, [&] {
            return ZenqInterCommunicateWith_AllWindowsOfAWindowClass(name, QStringLiteral("TRequestClass"), {}, false, 21,
                                                                     text, &report);
        });
        QCOMPARE(report.reached, 1);
        QCOMPARE(report.textAnswer, !answerText.isNull());
        if (answerText.isNull()) {
            QCOMPARE(answer, number);
        } else {
            QVERIFY(answer >= 0xC000);
            QCOMPARE(JGlobalGetAtomAndDelete(static_cast<quint16>(answer)), answerText);
        }
        // The next line the window prints tells whether the request reached its procedure.
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Mark"), QStringLiteral("TRequestClass"), {},
                                                          true, 0, {});
        const QString line = nextLine(*window.process);
        QCOMPARE(line.startsWith(name + QLatin1Char(' ')), handled);
        if (handled)
            QCOMPARE(nextLine(*window.process), QStringLiteral("Zenq_Mark wParam=0 text="));
        else
            QCOMPARE(line, QStringLiteral("Zenq_Mark wParam=0 text="));
    }

    // A window whose process died leaves its socket file: the sender removes it and carries on.
    void deadWindowIsRemovedAndSkipped()
    {
        Peer dead = startBusWindow(QStringLiteral("TDeadClass"), { "Zenq_Double" });
        Peer live = startBusWindow(QStringLiteral("TDeadClass"), { "Zenq_Double" });
        QVERIFY(!dead.endpoint.isEmpty() && !live.endpoint.isEmpty());
        dead.process->kill(); // SIGKILL: no chance to clean up
        dead.process->waitForFinished();
        QVERIFY(QFileInfo::exists(dead.endpoint));

        ZenqDeliveryReport report;
        QCOMPARE(ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Double"), QStringLiteral("TDeadClass"),
                                                                   {}, false, 5, {}, &report),
                 qint64(10));
        QCOMPARE(report.windows, 2);
        QCOMPARE(report.reached, 1);
        QVERIFY(!QFileInfo::exists(dead.endpoint));
        QVERIFY(QFileInfo::exists(live.endpoint));
    }

    // A stopped process still accepts connections but never answers: the request gives up after the
    // time-out and answers 0; the window is alive, so its file stays.
    void hungWindowCannotFreezeTheSender_data()
    {
        QTest::addColumn<SenderThread>("thread");
        addSenderThreadRows("stopped peer", [](QTestData &) {});
    }
    void hungWindowCannotFreezeTheSender()
    {
        QFETCH(SenderThread, thread);
        const QString windowClass = QStringLiteral("THungClass%1").arg(int(thread));
        Peer hung = startBusWindow(windowClass, { "Zenq_Double" });
        QVERIFY(!hung.endpoint.isEmpty());
        platform::setMessageBusTimeout(300);
        QCOMPARE(::kill(static_cast<pid_t>(hung.process->processId()), SIGSTOP), 0);

        ZenqDeliveryReport report;
        const qint64 answer = onSenderThread(thread, [&] {
            return ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Double"), windowClass, {}, false,
                                                                     5, {}, &report);
        });
        QCOMPARE(answer, qint64(0));
        QCOMPARE(report.windows, 1);
        QCOMPARE(report.reached, 0);
        QVERIFY(QFileInfo::exists(hung.endpoint));
    }

    // A program's own windows are served in-process: a send calls the procedure before it returns, a
    // post runs it later from the event loop. Atoms given to and returned by the procedure do not stay.
    void ownWindowIsServedInProcess()
    {
        RegisterWindowMessage(QStringLiteral("Zenq_Own"));
        QList<qintptr> lParams;
        QStringList texts;
        ZenqWindow window(QStringLiteral("TOwnClass"), [&](quint32, quintptr wParam, qintptr lParam) {
            lParams << lParam;
            texts << JGlobalGetAtomName(static_cast<quint16>(lParam)); // read, but left for the window to delete
            if (wParam == 1)
                return ZenqMessageAnswer::fromAtom(JGlobalAddAtom(QStringLiteral("reply")));
            return ZenqMessageAnswer(0);
        });
        QVERIFY(window.open());

        const qint64 answer = ZenqInterCommunicateWith_AllWindowsOfAWindowClass(
            QStringLiteral("Zenq_Own"), QStringLiteral("TOwnClass"), {}, false, 1, QStringLiteral("question"));
        QCOMPARE(texts, QStringList { "question" });
        QCOMPARE(JGlobalGetAtomName(static_cast<quint16>(lParams.at(0))), QString());
        QCOMPARE(JGlobalGetAtomAndDelete(static_cast<quint16>(answer)), QStringLiteral("reply"));

        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Own"), QStringLiteral("TOwnClass"), {}, true,
                                                          2, QStringLiteral("note"));
        QCOMPARE(texts.size(), 1); // not inside the post
        QTRY_COMPARE(texts.size(), 2);
        QCOMPARE(texts.at(1), QStringLiteral("note"));
        QCOMPARE(JGlobalGetAtomName(static_cast<quint16>(lParams.at(1))), QString());
    }

    // On a worker whose event loop is not running, only the direct call can answer a window's own
    // request; going through the socket would wait for the time-out.
    void ownWindowOnABusyWorkerAnswersDirectly()
    {
        platform::setMessageBusTimeout(300);
        RegisterWindowMessage(QStringLiteral("Zenq_Own"));
        qint64 answer = 0;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            ZenqWindow window(QStringLiteral("TWorkerClass"), [](quint32, quintptr wParam, qintptr) {
                return ZenqMessageAnswer(static_cast<qint64>(wParam) + 1);
            });
            if (window.open())
                answer = ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Own"),
                                                                           QStringLiteral("TWorkerClass"), {}, false, 8, {});
        }));
        worker->start();
        QVERIFY(worker->wait());
        QCOMPARE(answer, qint64(9));
    }

    void firstNonZeroAnswerInWindowOrderWins_data()
    {
        QTest::addColumn<QList<qint64>>("answers"); // in opening order
        QTest::addColumn<qint64>("expected");
        QTest::newRow("one window") << QList<qint64> { 3 } << qint64(3);
        QTest::newRow("zero is passed over") << QList<qint64> { 0, 5, 7 } << qint64(5);
        QTest::newRow("first opened wins") << QList<qint64> { -1, 5 } << qint64(-1);
        QTest::newRow("all zero") << QList<qint64> { 0, 0 } << qint64(0);
    }
    void firstNonZeroAnswerInWindowOrderWins()
    {
        QFETCH(QList<qint64>, answers);
        QFETCH(qint64, expected);
        RegisterWindowMessage(QStringLiteral("Zenq_Vote"));
        std::vector<std::unique_ptr<ZenqWindow>> windows;
        for (qint64 answer : answers) {
            windows.push_back(std::make_unique<ZenqWindow>(QStringLiteral("TVoteClass"),
                                                           [answer](quint32, quintptr, qintptr) { return answer; }));
            QVERIFY(windows.back()->open());
        }
        ZenqDeliveryReport report;
        QCOMPARE(ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Vote"), QStringLiteral("TVoteClass"),
                                                                   {}, false, 0, {}, &report),
                 expected);
        QCOMPARE(report.reached, answers.size());
    }

    void optionsShowFeedbackAndUndoIt_data()
    {
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QStringList>("calls");
        const QString show = QStringLiteral("show ") + ZenqInformingOtherApplicationsText;
        QTest::newRow("none") << 0 << "TNobody" << QStringList {};
        QTest::newRow("wait cursor") << int(TZenqMessageOption::WaitCursor) << "TNobody"
                                     << QStringList { "wait cursor", "default cursor" };
        QTest::newRow("progress message") << int(TZenqMessageOption::ProgressMessage) << "TNobody"
                                          << QStringList { show, "close 17" };
        QTest::newRow("all, front comes last")
            << int(TZenqMessageOption::WaitCursor | TZenqMessageOption::ProgressMessage | TZenqMessageOption::BringToFront)
            << "TNobody" << QStringList { "wait cursor", show, "close 17", "default cursor", "front" };
        QTest::newRow("undone when the delivery fails")
            << int(TZenqMessageOption::WaitCursor | TZenqMessageOption::ProgressMessage) << "not/a/class"
            << QStringList { "wait cursor", show, "close 17", "default cursor" };
    }
    void optionsShowFeedbackAndUndoIt()
    {
        QFETCH(int, options);
        QFETCH(QString, windowClass);
        QFETCH(QStringList, calls);
        QStringList recorded;
        auto previous = ZenqSetUserInterface(std::make_unique<RecordingUserInterface>(&recorded));
        if (windowClass.contains(QLatin1Char('/')))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not delivered")));
        ZenqDeliveryReport report;
        ZenqInterCommunicateWith_AllWindowsOfAWindowClass(QStringLiteral("Zenq_Any"), windowClass,
                                                          TZenqMessageOptions::fromInt(options), false, 0, {}, &report);
        ZenqSetUserInterface(std::move(previous));
        QCOMPARE(recorded, calls);
        QCOMPARE(report.error.isEmpty(), !windowClass.contains(QLatin1Char('/')));
    }

    void zenqToolSendsAndListens()
    {
        QProcess listen;
        listen.start(zenqtest::zenqToolPath(), { "listen", "TToolClass", "--answer-text", "pong" });
        const QString ready = nextLine(listen, QProcess::StandardError);
        QVERIFY2(ready.contains(QLatin1String("listening at ")), qPrintable(ready));
        const QString endpoint = ready.mid(ready.indexOf(QLatin1String("at ")) + 3);

        const auto zenq = [](const QStringList &arguments, QString *output = nullptr) {
            QProcess tool;
            tool.start(zenqtest::zenqToolPath(), arguments);
            tool.waitForFinished();
            if (output)
                *output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError()).trimmed();
            return tool.exitCode();
        };
        QString output;
        QCOMPARE(zenq({ "send", "Ping", "--class", "TToolClass", "--wparam", "0x10", "--text", "two\nlines" }, &output), 0);
        QCOMPARE(output, QString());
        QCOMPARE(nextLine(listen), QStringLiteral("Ping wParam=16 text=two\\nlines"));
        QCOMPARE(zenq({ "send", "Ping", "--class", "TToolClass", "--wait" }, &output), 0);
        QCOMPARE(output, QStringLiteral("pong"));
        QCOMPARE(nextLine(listen), QStringLiteral("Ping wParam=0 text="));

        QCOMPARE(zenq({ "send", "Ping", "--class", "TNoSuchClass" }), 0);
        QCOMPARE(zenq({ "send", "Ping", "--class", "TNoSuchClass", "--wait" }, &output), 1);
        QVERIFY2(output.contains(QLatin1String("no window")), qPrintable(output));
        QCOMPARE(zenq({ "send", "--wait" }), 2);

        listen.terminate(); // SIGTERM: a clean exit that takes the socket file along
        QVERIFY(listen.waitForFinished());
        QCOMPARE(listen.exitStatus(), QProcess::NormalExit);
        QCOMPARE(listen.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(endpoint));
    }

    // Runs last: every number must be free again, so no delivery above left an atom behind.
    void atomTableHoldsAllNumbersAndNothingLeaked()
    {
        QList<quint16> atoms;
        while (const quint16 atom = JGlobalAddAtom(QStringLiteral("fill")))
            atoms << atom;
        QCOMPARE(atoms.size(), 0x4000);
        JGlobalDeleteAtom(atoms.takeLast());
        const quint16 again = JGlobalAddAtom(QStringLiteral("again"));
        QVERIFY(again != 0);
        atoms << again;
        for (quint16 atom : atoms)
            JGlobalDeleteAtom(atom);
    }
};

ZENQ_TEST_CLASS(MessagesTest);
#include "MessagesTest.moc"
