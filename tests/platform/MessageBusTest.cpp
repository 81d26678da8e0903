// The local message bus below the framework: frames, an endpoint facing misbehaving peers, leftover
// socket files, privacy of the endpoint directories, and the order of one sender's posts.
#include "support/TestMain.h"

#include "platform/MessageBus.h"
#include "platform/Processes.h"
#include "platform/RuntimeDirectory.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <QThread>

#include <memory>

using namespace platform;

Q_DECLARE_METATYPE(platform::FrameStatus)

namespace {

// A frame whose body is written by hand, for the shapes a correct sender never produces.
QByteArray handMadeFrame(const std::function<void(QDataStream &)> &body, int lengthAdjust = 0)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        body(out);
    }
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(bytes.size() + lengthAdjust), frame.data());
    return frame + bytes;
}

void writeUtf16(QDataStream &out, const QString &text)
{
    out << static_cast<quint32>(text.size() * 2);
    for (QChar c : text)
        out << c.unicode();
}

// Writes raw bytes to an endpoint and collects what comes back, without blocking the event loop that
// serves the endpoint. Reads as data arrives: a closed socket forgets what was not read.
class RawPeer
{
public:
    explicit RawPeer(const QString &path)
    {
        QObject::connect(&m_socket, &QLocalSocket::readyRead, [this] {
            m_buffer += m_socket.readAll();
            BusAnswer answer;
            if (takeAnswerFrame(m_buffer, answer) == FrameStatus::Complete)
                m_answer = answer;
        });
        m_socket.connectToServer(path);
    }
    bool connected() const { return m_socket.state() == QLocalSocket::ConnectedState; }
    void write(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    void close() { m_socket.disconnectFromServer(); }
    const std::optional<BusAnswer> &answer() const { return m_answer; }
    bool closedByEndpoint() const { return m_socket.state() == QLocalSocket::UnconnectedState; }

private:
    QLocalSocket m_socket;
    QByteArray m_buffer;
    std::optional<BusAnswer> m_answer;
};

} // namespace

class MessageBusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        setMessageBusTimeout(0);
    }

    void messageFramesRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("awaitsAnswer");
        QTest::newRow("post without text") << "WM_ZenqConsoleShow" << quint64(0) << QString() << false;
        QTest::newRow("request, full 64-bit wParam") << "X" << ~quint64(0) << "a" << true;
        QTest::newRow("text beyond Latin-1, lone surrogate kept")
            << "Ünïcode" << quint64(7) << QStringLiteral("€ \U0001F600 ") + QChar(0xD800) << false;
        QTest::newRow("longest name") << QString(maxMessageNameLength, QLatin1Char('n')) << quint64(1)
                                      << QString(70000, QLatin1Char('t')) << true;
    }
    void messageFramesRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(quint64, wParam);
        QFETCH(QString, text);
        QFETCH(bool, awaitsAnswer);
        const QByteArray frame = encodeMessageFrame({ name, wParam, text, awaitsAnswer });
        // Byte by byte it stays incomplete until the last byte, and nothing is consumed early.
        QByteArray buffer = frame.left(frame.size() - 1);
        BusMessage decoded;
        QCOMPARE(takeMessageFrame(buffer, decoded), FrameStatus::Incomplete);
        QCOMPARE(buffer.size(), frame.size() - 1);
        buffer = frame + QByteArray("next");
        QCOMPARE(takeMessageFrame(buffer, decoded), FrameStatus::Complete);
        QCOMPARE(buffer, QByteArray("next"));
        QCOMPARE(decoded.name, name);
        QCOMPARE(decoded.wParam, wParam);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.awaitsAnswer, awaitsAnswer);
    }

    void answerFramesKeepTextPresence_data()
    {
        QTest::addColumn<qint64>("result");
        QTest::addColumn<bool>("hasText");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << qint64(-5) << false << QString();
        QTest::newRow("empty text is still a text") << qint64(0) << true << QString();
        QTest::newRow("text") << qint64(0) << true << "Ärger";
    }
    void answerFramesKeepTextPresence()
    {
        QFETCH(qint64, result);
        QFETCH(bool, hasText);
        QFETCH(QString, text);
        BusAnswer answer { result, hasText ? std::optional<QString>(text) : std::nullopt };
        QByteArray buffer = encodeAnswerFrame(answer);
        BusAnswer decoded;
        QCOMPARE(takeAnswerFrame(buffer, decoded), FrameStatus::Complete);
        QCOMPARE(decoded.result, result);
        QCOMPARE(decoded.text.has_value(), hasText);
        QCOMPARE(decoded.text.value_or(QString()), text);
        QVERIFY(buffer.isEmpty());
    }

    void malformedFramesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<platform::FrameStatus>("status");
        const auto message = [](quint8 version, quint8 kind, const QString &name, quint32 textBytes = 0) {
            return [=](QDataStream &out) {
                out << version << kind;
                writeUtf16(out, name);
                out << quint64(1) << textBytes;
                out.writeRawData("abcd", static_cast<int>(std::min<quint32>(textBytes, 4)));
                out << false;
            };
        };
        QByteArray huge(4, '\0');
        qToBigEndian<quint32>(0xFFFFFFF0u, huge.data());
        QTest::newRow("length above the limit, no body needed to tell") << huge << FrameStatus::Invalid;
        QByteArray tiny(4, '\0');
        QTest::newRow("empty body") << tiny << FrameStatus::Invalid;
        QTest::newRow("other version") << handMadeFrame(message(2, 1, "A")) << FrameStatus::Invalid;
        QTest::newRow("answer where a message is due") << handMadeFrame(message(1, 2, "A")) << FrameStatus::Invalid;
        QTest::newRow("string longer than the body") << handMadeFrame(message(1, 1, "A", 0x7FFFFFF0)) << FrameStatus::Invalid;
        QTest::newRow("odd string byte count") << handMadeFrame(message(1, 1, "A", 3)) << FrameStatus::Invalid;
        QTest::newRow("empty name") << handMadeFrame(message(1, 1, "")) << FrameStatus::Invalid;
        QTest::newRow("name too long")
            << handMadeFrame(message(1, 1, QString(maxMessageNameLength + 1, QLatin1Char('n')))) << FrameStatus::Invalid;
        QByteArray trailing = handMadeFrame(message(1, 1, "A"), 1);
        trailing.append('\0');
        QTest::newRow("bytes left over in the body") << trailing << FrameStatus::Invalid;
        QTest::newRow("length says more is coming") << handMadeFrame(message(1, 1, "A"), 10) << FrameStatus::Incomplete;
    }
    void malformedFramesAreRefused()
    {
        QFETCH(QByteArray, frame);
        QFETCH(platform::FrameStatus, status);
        BusMessage message;
        QCOMPARE(takeMessageFrame(frame, message), status);
    }

    // A garbled, cut-off or stalled connection is dropped and the endpoint goes on serving the next one.
    void endpointSurvivesMisbehavingPeers_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::addColumn<bool>("closeAfterwards");
        QTest::addColumn<bool>("garbled");
        QByteArray huge(4, '\0');
        qToBigEndian<quint32>(0xFFFFFFF0u, huge.data());
        QTest::newRow("oversized length") << huge << false << true;
        QTest::newRow("random bytes") << QByteArray("\x00\x00\x00\x05garbage", 12) << false << true;
        QTest::newRow("cut off, then closed") << encodeMessageFrame({ "A", 1, "x", true }).left(9) << true << false;
        QTest::newRow("cut off, then stalled") << encodeMessageFrame({ "A", 1, "x", true }).left(9) << false << false;
    }
    void endpointSurvivesMisbehavingPeers()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(bool, closeAfterwards);
        QFETCH(bool, garbled);
        if (garbled)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("garbled frame")));
        setMessageBusTimeout(300); // how long a stalled connection may hold up the ones behind it
        QStringList handled;
        MessageEndpoint endpoint(QStringLiteral("TRobust"), [&](const BusMessage &message) {
            handled << message.name;
            return BusAnswer { static_cast<qint64>(message.wParam) + 1, std::nullopt };
        });
        QVERIFY(endpoint.open());

        RawPeer bad(endpoint.path());
        QVERIFY(bad.connected());
        bad.write(garbage);
        if (closeAfterwards)
            bad.close();
        RawPeer good(endpoint.path());
        good.write(encodeMessageFrame({ "Good", 41, {}, true }));
        QTRY_VERIFY(good.answer().has_value());
        QCOMPARE(good.answer()->result, qint64(42));
        QCOMPARE(handled, QStringList { "Good" });
        QTRY_VERIFY(bad.closedByEndpoint());
    }

    void endpointRemovesItsSocketFile()
    {
        QString path;
        {
            MessageEndpoint endpoint(QStringLiteral("TGone"), [](const BusMessage &) { return BusAnswer {}; });
            QVERIFY(endpoint.open());
            path = endpoint.path();
            QVERIFY(QFileInfo(path).fileName().startsWith(QString::number(currentProcessId()) + QLatin1Char('-')));
            QVERIFY(QFileInfo::exists(path));
            endpoint.close();
            QVERIFY(!QFileInfo::exists(path));
            QVERIFY(endpoint.open());
            path = endpoint.path();
        }
        QVERIFY(!QFileInfo::exists(path));
    }

    void endpointDirectoriesArePrivate()
    {
        MessageEndpoint endpoint(QStringLiteral("TPrivate"), [](const BusMessage &) { return BusAnswer {}; });
        QVERIFY(endpoint.open());
        const QString classDir = QFileInfo(endpoint.path()).absolutePath();
        QCOMPARE(classDir, runtimeDirectory() + QStringLiteral("/windows/TPrivate"));
        for (const QString &dir : { runtimeDirectory(), runtimeDirectory() + QStringLiteral("/windows"), classDir }) {
            const QFile::Permissions permissions = QFileInfo(dir).permissions();
            QCOMPARE(permissions & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                    | QFile::WriteOther | QFile::ExeOther),
                     QFile::Permissions());
        }
    }

    void classNamesMustBePlainFileNames_data()
    {
        QTest::addColumn<QString>("windowClass");
        QTest::newRow("empty") << QString();
        QTest::newRow("parent") << "..";
        QTest::newRow("path") << "a/b";
    }
    void classNamesMustBePlainFileNames()
    {
        QFETCH(QString, windowClass);
        MessageEndpoint endpoint(windowClass, [](const BusMessage &) { return BusAnswer {}; });
        QString error;
        QVERIFY(!endpoint.open(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, deliverToWindowClass(windowClass, { "A", 0, {}, false }));
    }

    // Files a sender meets that no live endpoint of this process stands behind.
    void leftoverSocketFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("removed");
        QTest::newRow("own pid, no such endpoint: an earlier process's") << QStringLiteral("%1-999.sock").arg(currentProcessId()) << true;
        QTest::newRow("live owner that refuses: kept") << "1-1.sock" << false;
        QTest::newRow("not an endpoint name: left alone") << "notes.sock" << false;
    }
    void leftoverSocketFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, removed);
        const QString path = windowClassDirectory(QStringLiteral("TLeftovers")) + QLatin1Char('/') + fileName;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const BusDeliveryResult result = deliverToWindowClass(QStringLiteral("TLeftovers"), { "A", 0, {}, true });
        QCOMPARE(result.reached, 0);
        QVERIFY(result.answer.isZero());
        QCOMPARE(result.removed, removed ? 1 : 0);
        QCOMPARE(QFileInfo::exists(path), !removed);
        QFile::remove(path);
    }

    // A worker thread of this process goes through the socket, blocking while it waits. Its posts
    // arrive in the order sent, even when a big one is still being read while a small one behind it
    // is already complete.
    void postsOfOneSenderArriveInOrder()
    {
        QList<quint64> received;
        QList<qsizetype> sizes;
        MessageEndpoint endpoint(QStringLiteral("TOrdered"), [&](const BusMessage &message) {
            received << message.wParam;
            sizes << message.text.size();
            return BusAnswer {};
        });
        QVERIFY(endpoint.open());
        constexpr int count = 40;
        const QString big(300 * 1024, QLatin1Char('b'));
        int reached = 0;
        std::unique_ptr<QThread> sender(QThread::create([&] {
            for (int i = 0; i < count; ++i) {
                const BusMessage message { "Seq", quint64(i), i % 2 == 0 ? big : QStringLiteral("s"), false };
                reached += deliverToWindowClass(QStringLiteral("TOrdered"), message).reached;
            }
        }));
        sender->start();
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), count, 20000);
        QVERIFY(sender->wait());
        QCOMPARE(reached, count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(received.at(i), quint64(i));
            QCOMPARE(sizes.at(i), i % 2 == 0 ? big.size() : 1);
        }
    }

    void timeoutComesFromSetterThenEnvironment()
    {
        qputenv("ZENQ_BUS_TIMEOUT_MS", "1234");
        QCOMPARE(messageBusTimeout(), 1234);
        setMessageBusTimeout(77);
        QCOMPARE(messageBusTimeout(), 77);
        setMessageBusTimeout(0);
        qputenv("ZENQ_BUS_TIMEOUT_MS", "nonsense");
        QCOMPARE(messageBusTimeout(), 5000);
        qunsetenv("ZENQ_BUS_TIMEOUT_MS");
    }
};

ZENQ_TEST_CLASS(MessageBusTest);
#include "MessageBusTest.moc"
