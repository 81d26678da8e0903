#include "MessageBus.h"

#include "Processes.h"
#include "RuntimeDirectory.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <vector>

namespace platform {

namespace {

constexpr quint8 frameVersion = 1;
constexpr quint8 messageKind = 1;
constexpr quint8 answerKind = 2;
constexpr int defaultTimeoutMs = 5000;
// Qt buffers what the kernel hands it; capping that keeps a flooding peer from growing our memory
// before the frame length has been checked.
constexpr qint64 socketReadBufferBytes = 64 * 1024;
// Connections a busy receiver can leave waiting before a sender's connect has to wait: a burst of
// posted trace lines while the console is busy fits.
constexpr int listenBacklog = 1024;

std::atomic<int> timeoutOverride { 0 };

void writeString(QDataStream &out, const QString &text)
{
    const auto bytes = static_cast<quint32>(text.size() * 2);
    out << bytes;
    QByteArray raw(bytes, Qt::Uninitialized);
    qToBigEndian<char16_t>(text.utf16(), text.size(), raw.data());
    out.writeRawData(raw.constData(), raw.size());
}

// Reads a string of the length prefix only when that many bytes are really there, so a forged length
// cannot make us allocate.
bool readString(QDataStream &in, QString &text)
{
    quint32 bytes = 0;
    in >> bytes;
    if (in.status() != QDataStream::Ok || bytes % 2 != 0 || bytes > in.device()->bytesAvailable())
        return false;
    QByteArray raw(bytes, Qt::Uninitialized);
    if (in.readRawData(raw.data(), raw.size()) != raw.size())
        return false;
    text.resize(bytes / 2);
    qFromBigEndian<char16_t>(raw.constData(), text.size(), text.data());
    return true;
}

QByteArray frameWith(const std::function<void(QDataStream &)> &writeBody, quint8 kind)
{
    QByteArray frame(4, '\0');
    {
        QDataStream out(&frame, QIODevice::WriteOnly | QIODevice::Append);
        out.setVersion(QDataStream::Qt_6_4);
        out << frameVersion << kind;
        writeBody(out);
    }
    qToBigEndian<quint32>(static_cast<quint32>(frame.size() - 4), frame.data());
    return frame;
}

// Cuts the body of the first frame off the buffer; the header (version, kind) is checked here.
FrameStatus takeBody(QByteArray &buffer, quint8 kind, QByteArray &body)
{
    if (buffer.size() < 4)
        return FrameStatus::Incomplete;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > maxFrameBytes || length < 2)
        return FrameStatus::Invalid;
    if (static_cast<quint64>(buffer.size()) - 4 < length)
        return FrameStatus::Incomplete;
    body = buffer.mid(4, length);
    buffer.remove(0, 4 + static_cast<qsizetype>(length));
    if (static_cast<quint8>(body.at(0)) != frameVersion || static_cast<quint8>(body.at(1)) != kind)
        return FrameStatus::Invalid;
    return FrameStatus::Complete;
}

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// Endpoints of this process, so a program reaches its own windows without going through a socket.
// An endpoint is entered before its socket file exists and leaves after the file is gone: a file with
// our pid that is not listed here is a leftover of an earlier process with the same pid.
struct LocalEndpoints
{
    QMutex mutex;
    QHash<QString, MessageEndpoint *> byPath;
};

LocalEndpoints &localEndpoints()
{
    static LocalEndpoints endpoints;
    return endpoints;
}

struct EndpointFile
{
    QString path;
    qint64 pid = 0;
    quint64 serial = 0;
};

// Socket files named <pid>-<serial>.sock, ordered by owner and opening order. Other files are left alone.
std::vector<EndpointFile> endpointFiles(const QString &directory)
{
    std::vector<EndpointFile> files;
    const QStringList names = QDir(directory).entryList({ QStringLiteral("*.sock") },
                                                        QDir::Files | QDir::System | QDir::Hidden);
    for (const QString &name : names) {
        const QStringList parts = name.chopped(5).split(QLatin1Char('-'));
        bool pidOk = false;
        bool serialOk = false;
        EndpointFile file;
        if (parts.size() == 2) {
            file.pid = parts[0].toLongLong(&pidOk);
            file.serial = parts[1].toULongLong(&serialOk);
        }
        if (!pidOk || !serialOk || file.pid <= 0)
            continue;
        file.path = directory + QLatin1Char('/') + name;
        files.push_back(file);
    }
    std::sort(files.begin(), files.end(), [](const EndpointFile &a, const EndpointFile &b) {
        return a.pid != b.pid ? a.pid < b.pid : a.serial < b.serial;
    });
    return files;
}

BusAnswer runHandler(const MessageEndpoint::Handler &handler, const BusMessage &message)
{
    // A copy: the handler may close or delete its own endpoint.
    const MessageEndpoint::Handler copy = handler;
    try {
        return copy ? copy(message) : BusAnswer {};
    } catch (const std::exception &error) {
        qWarning("message bus: handler of %s failed: %s", qPrintable(message.name), error.what());
    } catch (...) {
        qWarning("message bus: handler of %s failed", qPrintable(message.name));
    }
    return {};
}

// One delivery to the endpoints of a class: all sockets are opened and written first, so peers work in
// parallel and one time-out bounds the whole call.
class Delivery
{
public:
    Delivery(const BusMessage &message, int timeoutMs)
        : m_message(message), m_frame(encodeMessageFrame(message)), m_deadline(timeoutMs)
    {
    }
    Delivery(const Delivery &) = delete;
    Delivery &operator=(const Delivery &) = delete;

    ~Delivery()
    {
        for (auto &target : m_targets) {
            if (target->socket) {
                target->socket->disconnect();
                target->socket->abort();
            }
        }
    }

    void addSocket(const EndpointFile &file)
    {
        auto target = std::make_unique<Target>();
        target->file = file;
        m_targets.push_back(std::move(target));
    }

    void addLocal(const EndpointFile &file, MessageEndpoint *endpoint)
    {
        auto target = std::make_unique<Target>();
        target->file = file;
        target->local = endpoint;
        m_targets.push_back(std::move(target));
    }

    BusDeliveryResult run()
    {
        for (auto &target : m_targets) {
            if (!target->local)
                start(*target);
        }
        for (auto &target : m_targets) {
            if (target->local)
                deliverLocally(*target);
        }
        if (!allFinished())
            wait();

        BusDeliveryResult result;
        result.endpoints = static_cast<int>(m_targets.size());
        result.removed = m_removed;
        for (const auto &target : m_targets) {
            if (target->state != State::Done)
                continue;
            ++result.reached;
            if (result.answer.isZero())
                result.answer = target->answer;
        }
        return result;
    }

private:
    enum class State { Connecting, Sending, Awaiting, Done, Failed };
    struct Target
    {
        EndpointFile file;
        QPointer<MessageEndpoint> local;
        std::unique_ptr<QLocalSocket> socket;
        QByteArray buffer;
        State state = State::Connecting;
        BusAnswer answer;
        bool advancing = false;
        bool finished() const { return state == State::Done || state == State::Failed; }
    };

    void start(Target &target)
    {
        target.socket = std::make_unique<QLocalSocket>();
        QLocalSocket *socket = target.socket.get();
        socket->setReadBufferSize(socketReadBufferBytes);
        Target *t = &target;
        QObject::connect(socket, &QLocalSocket::connected, [this, t] { advance(*t); });
        QObject::connect(socket, &QLocalSocket::bytesWritten, [this, t] { advance(*t); });
        QObject::connect(socket, &QLocalSocket::readyRead, [this, t] { advance(*t); });
        QObject::connect(socket, &QLocalSocket::disconnected, [this, t] { advance(*t); });
        QObject::connect(socket, &QLocalSocket::errorOccurred, [this, t] { failed(*t); });
        socket->connectToServer(target.file.path);
    }

    void deliverLocally(Target &target)
    {
        if (!target.local) {
            target.state = State::Failed; // closed by a handler that ran before it
            return;
        }
        if (m_message.awaitsAnswer) {
            target.answer = target.local->call(m_message);
        } else {
            target.local->post(m_message);
        }
        target.state = State::Done;
    }

    // Moves a target on as far as its socket allows. Signals emitted by our own calls re-enter here;
    // they return at once and the loop below picks up what they reported.
    void advance(Target &target)
    {
        if (target.finished() || target.advancing)
            return;
        target.advancing = true;
        QLocalSocket *socket = target.socket.get();
        bool progressed = true;
        while (progressed && !target.finished()) {
            progressed = false;
            switch (target.state) {
            case State::Connecting:
                // A connect to a full backlog stays pending until the receiver catches up or our
                // deadline passes.
                if (socket->state() == QLocalSocket::ConnectedState && socket->isOpen()) {
                    target.state = State::Sending;
                    socket->write(m_frame);
                    socket->flush();
                    progressed = true;
                } else if (socket->state() == QLocalSocket::UnconnectedState) {
                    notConnected(target);
                }
                break;
            case State::Sending:
                if (socket->bytesToWrite() == 0) {
                    target.state = m_message.awaitsAnswer ? State::Awaiting : State::Done;
                    if (!m_message.awaitsAnswer)
                        socket->disconnectFromServer();
                    progressed = true;
                } else if (socket->state() == QLocalSocket::UnconnectedState) {
                    target.state = State::Failed;
                }
                break;
            case State::Awaiting: {
                target.buffer += socket->readAll();
                const FrameStatus status = takeAnswerFrame(target.buffer, target.answer);
                if (status == FrameStatus::Complete)
                    target.state = State::Done;
                else if (status == FrameStatus::Invalid)
                    target.state = State::Failed;
                else if (socket->state() == QLocalSocket::UnconnectedState && socket->bytesAvailable() == 0)
                    target.state = State::Failed; // closed without an answer
                else
                    progressed = socket->bytesAvailable() > 0;
                break;
            }
            case State::Done:
            case State::Failed:
                break;
            }
        }
        target.advancing = false;
        if (target.finished()) {
            target.socket->disconnect();
            if (target.state == State::Failed)
                target.socket->abort();
        }
        quitWhenFinished();
    }

    void failed(Target &target)
    {
        if (target.finished())
            return;
        if (target.state == State::Connecting)
            notConnected(target);
        else
            advance(target); // a closing peer may still have left its answer in the buffer
        quitWhenFinished();
    }

    // Refused or vanished: when its process is gone the file is a leftover; a live owner that refuses
    // (starting up, shutting down, or a reused pid) keeps its file. Qt sets the error before it emits
    // anything, so whichever signal reports the failure first decides the same way.
    void notConnected(Target &target)
    {
        const QLocalSocket::LocalSocketError error = target.socket->error();
        if ((error == QLocalSocket::ConnectionRefusedError || error == QLocalSocket::ServerNotFoundError)
            && !isProcessAlive(target.file.pid) && QFile::remove(target.file.path))
            ++m_removed;
        target.state = State::Failed;
        target.socket->disconnect();
    }

    bool allFinished() const
    {
        return std::all_of(m_targets.begin(), m_targets.end(), [](const auto &t) { return t->finished(); });
    }

    void quitWhenFinished()
    {
        if (m_loop && allFinished())
            m_loop->quit();
    }

    void wait()
    {
        const QCoreApplication *app = QCoreApplication::instance();
        if (app && app->thread() == QThread::currentThread()) {
            // The user interface keeps painting; its input waits, so no second action can start
            // while this one is in flight.
            QEventLoop loop;
            m_loop = &loop;
            QTimer timer;
            timer.setSingleShot(true);
            QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
            while (!allFinished() && !m_deadline.hasExpired()) {
                timer.start(static_cast<int>(std::max<qint64>(1, m_deadline.remainingTime())));
                loop.exec(QEventLoop::ExcludeUserInputEvents);
            }
            m_loop = nullptr;
            return;
        }
        for (auto &target : m_targets) {
            while (!target->finished() && !m_deadline.hasExpired()) {
                QLocalSocket *socket = target->socket.get();
                const State before = target->state;
                const int remaining = static_cast<int>(std::max<qint64>(1, m_deadline.remainingTime()));
                bool ready = false;
                if (before == State::Connecting)
                    ready = socket->waitForConnected(remaining);
                else if (before == State::Sending)
                    ready = socket->waitForBytesWritten(remaining);
                else
                    ready = socket->waitForReadyRead(remaining);
                advance(*target);
                if (!ready && target->state == before && !target->finished()
                    && socket->state() != QLocalSocket::ConnectedState && socket->state() != QLocalSocket::ConnectingState) {
                    target->state = State::Failed;
                }
            }
        }
    }

    BusMessage m_message;
    QByteArray m_frame;
    QDeadlineTimer m_deadline;
    std::vector<std::unique_ptr<Target>> m_targets;
    QEventLoop *m_loop = nullptr;
    int m_removed = 0;
};

} // namespace

QByteArray encodeMessageFrame(const BusMessage &message)
{
    return frameWith(
        [&](QDataStream &out) {
            writeString(out, message.name);
            out << static_cast<quint64>(message.wParam);
            writeString(out, message.text);
            out << message.awaitsAnswer;
        },
        messageKind);
}

QByteArray encodeAnswerFrame(const BusAnswer &answer)
{
    return frameWith(
        [&](QDataStream &out) {
            out << answer.result << answer.text.has_value();
            writeString(out, answer.text.value_or(QString()));
        },
        answerKind);
}

FrameStatus takeMessageFrame(QByteArray &buffer, BusMessage &message)
{
    QByteArray body;
    const FrameStatus status = takeBody(buffer, messageKind, body);
    if (status != FrameStatus::Complete)
        return status;
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_4);
    in.skipRawData(2);
    BusMessage decoded;
    if (!readString(in, decoded.name))
        return FrameStatus::Invalid;
    in >> decoded.wParam;
    if (!readString(in, decoded.text))
        return FrameStatus::Invalid;
    in >> decoded.awaitsAnswer;
    if (in.status() != QDataStream::Ok || !in.atEnd() || decoded.name.isEmpty()
        || decoded.name.size() > maxMessageNameLength)
        return FrameStatus::Invalid;
    message = decoded;
    return FrameStatus::Complete;
}

FrameStatus takeAnswerFrame(QByteArray &buffer, BusAnswer &answer)
{
    QByteArray body;
    const FrameStatus status = takeBody(buffer, answerKind, body);
    if (status != FrameStatus::Complete)
        return status;
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_4);
    in.skipRawData(2);
    qint64 result = 0;
    bool hasText = false;
    QString text;
    in >> result >> hasText;
    if (!readString(in, text) || in.status() != QDataStream::Ok || !in.atEnd())
        return FrameStatus::Invalid;
    answer.result = result;
    answer.text = hasText ? std::optional<QString>(text) : std::nullopt;
    return FrameStatus::Complete;
}

int messageBusTimeout()
{
    if (const int set = timeoutOverride.load(); set > 0)
        return set;
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("ZENQ_BUS_TIMEOUT_MS", &ok);
    return ok && fromEnvironment > 0 ? fromEnvironment : defaultTimeoutMs;
}

void setMessageBusTimeout(int milliseconds)
{
    timeoutOverride.store(std::max(0, milliseconds));
}

QString windowClassDirectory(const QString &windowClass)
{
    if (!isPlainFileName(windowClass))
        throw std::runtime_error("not a window class name: " + windowClass.toStdString());
    runtimeSubDirectory(QStringLiteral("windows"));
    return runtimeSubDirectory(QStringLiteral("windows/") + windowClass);
}

// One connection on its way to a complete frame.
struct MessageEndpoint::Incoming
{
    QPointer<QLocalSocket> socket;
    QByteArray buffer;
    QTimer idle;
    std::optional<BusMessage> message;
};

MessageEndpoint::MessageEndpoint(const QString &windowClass, Handler handler, QObject *parent)
    : QObject(parent), m_windowClass(windowClass), m_handler(std::move(handler))
{
}

MessageEndpoint::~MessageEndpoint()
{
    close();
}

bool MessageEndpoint::open(QString *error)
{
    if (isOpen())
        return true;
    static std::atomic<quint64> serial { 0 };
    QString directory;
    try {
        directory = windowClassDirectory(m_windowClass);
    } catch (const std::exception &failure) {
        if (error)
            *error = QString::fromLocal8Bit(failure.what());
        return false;
    }
    const QString path = QStringLiteral("%1/%2-%3.sock").arg(directory).arg(currentProcessId()).arg(++serial);
    {
        QMutexLocker lock(&localEndpoints().mutex);
        localEndpoints().byPath.insert(path, this);
    }
    QLocalServer::removeServer(path); // only a leftover of an earlier process with our pid can be there
    auto *server = new QLocalServer(this);
    server->setListenBacklogSize(listenBacklog);
    if (!server->listen(path)) {
        if (error)
            *error = QStringLiteral("cannot listen at %1: %2").arg(path, server->errorString());
        delete server;
        QMutexLocker lock(&localEndpoints().mutex);
        localEndpoints().byPath.remove(path);
        return false;
    }
    m_server = server;
    m_path = path;
    connect(m_server, &QLocalServer::newConnection, this, &MessageEndpoint::acceptConnections);
    return true;
}

void MessageEndpoint::close()
{
    if (!m_server)
        return;
    ++m_generation;
    for (Incoming *incoming : std::as_const(m_incoming)) {
        if (incoming->socket)
            disconnect(incoming->socket, nullptr, this, nullptr);
        delete incoming;
    }
    m_incoming.clear();
    m_server->close(); // removes the socket file
    delete m_server;   // and the connections, with any answer still to be written
    m_server = nullptr;
    QMutexLocker lock(&localEndpoints().mutex);
    localEndpoints().byPath.remove(m_path);
    m_path.clear();
}

bool MessageEndpoint::isOpen() const
{
    return m_server != nullptr;
}

BusAnswer MessageEndpoint::call(const BusMessage &message)
{
    return runHandler(m_handler, message);
}

void MessageEndpoint::post(const BusMessage &message)
{
    QMetaObject::invokeMethod(
        this,
        [this, message, generation = m_generation] {
            if (generation == m_generation && isOpen())
                runHandler(m_handler, message);
        },
        Qt::QueuedConnection);
}

void MessageEndpoint::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        socket->setReadBufferSize(socketReadBufferBytes);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto *incoming = new Incoming;
        incoming->socket = socket;
        m_incoming.append(incoming);
        // A sender that never completes its frame must not hold up the frames behind it for long.
        incoming->idle.setSingleShot(true);
        connect(&incoming->idle, &QTimer::timeout, this, [this, incoming] { dropIncoming(incoming); });
        incoming->idle.start(messageBusTimeout());
        connect(socket, &QLocalSocket::readyRead, this, [this, incoming] { readIncoming(incoming); });
        connect(socket, &QLocalSocket::disconnected, this, [this, incoming] { readIncoming(incoming); });
        readIncoming(incoming);
    }
}

void MessageEndpoint::readIncoming(Incoming *incoming)
{
    QLocalSocket *socket = incoming->socket;
    if (!socket || incoming->message)
        return;
    incoming->buffer += socket->readAll();
    BusMessage message;
    const FrameStatus status = takeMessageFrame(incoming->buffer, message);
    if (status == FrameStatus::Invalid
        || (status == FrameStatus::Incomplete && socket->state() != QLocalSocket::ConnectedState)) {
        if (status == FrameStatus::Invalid)
            qWarning("message bus: dropped a garbled frame at %s", qPrintable(m_path));
        dropIncoming(incoming);
        return;
    }
    if (status == FrameStatus::Incomplete)
        return;
    incoming->message = message;
    incoming->idle.stop();
    disconnect(socket, nullptr, this, nullptr); // one frame per connection
    dispatchReady();
}

void MessageEndpoint::dropIncoming(Incoming *incoming)
{
    if (!m_incoming.removeOne(incoming))
        return;
    if (QLocalSocket *socket = incoming->socket) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
    delete incoming;
    dispatchReady();
}

void MessageEndpoint::dispatchReady()
{
    while (!m_incoming.isEmpty() && m_incoming.front()->message) {
        std::unique_ptr<Incoming> incoming(m_incoming.takeFirst());
        const BusMessage message = *incoming->message;
        QPointer<QLocalSocket> socket = incoming->socket;
        if (!message.awaitsAnswer) {
            if (socket)
                socket->disconnectFromServer();
            post(message);
            continue;
        }
        // Queued like a post, so the handler never runs inside the socket callback; the sender may
        // have given up by the time the answer is ready, which the closed socket tells.
        QMetaObject::invokeMethod(
            this,
            [this, message, socket, generation = m_generation] {
                if (generation != m_generation || !isOpen())
                    return;
                const BusAnswer answer = runHandler(m_handler, message);
                if (socket && socket->state() == QLocalSocket::ConnectedState) {
                    socket->write(encodeAnswerFrame(answer));
                    socket->disconnectFromServer();
                }
            },
            Qt::QueuedConnection);
    }
}

BusDeliveryResult deliverToWindowClass(const QString &windowClass, const BusMessage &message)
{
    if (!isPlainFileName(windowClass))
        throw std::runtime_error("not a window class name: " + windowClass.toStdString());
    const QString directory = runtimeDirectory() + QStringLiteral("/windows/") + windowClass;
    Delivery delivery(message, messageBusTimeout());
    const qint64 self = currentProcessId();
    BusDeliveryResult leftovers;
    for (const EndpointFile &file : endpointFiles(directory)) {
        if (file.pid != self) {
            delivery.addSocket(file);
            continue;
        }
        MessageEndpoint *endpoint = nullptr;
        {
            QMutexLocker lock(&localEndpoints().mutex);
            endpoint = localEndpoints().byPath.value(file.path);
        }
        if (!endpoint) {
            if (QFile::remove(file.path))
                ++leftovers.removed;
        } else if (endpoint->thread() == QThread::currentThread()) {
            delivery.addLocal(file, endpoint);
        } else {
            delivery.addSocket(file); // its own thread's event loop serves it
        }
    }
    BusDeliveryResult result = delivery.run();
    result.removed += leftovers.removed;
    return result;
}

} // namespace platform
