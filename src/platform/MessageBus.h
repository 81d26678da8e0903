#pragma once
// The local message bus: registered window messages between the programs of one user, carried over
// Unix-domain sockets. Each receiving window is one endpoint, a socket file
// $ZENQ_RUNTIME_DIR/windows/<WindowClass>/<pid>-<serial>.sock; a sender delivers to every endpoint of a
// window class. Frames carry message names, never numbers: each process keeps its own numbering.
//
// Frame: a 32-bit big-endian length, then that many bytes of QDataStream (Qt 6.4 format): a version
// byte, a kind byte, and the fields of a message (name, wParam, text, answer awaited) or of an answer
// (integer, text present, text). Frames above maxFrameBytes, of another version or with bytes left
// over are refused and the connection is dropped.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace platform {

struct BusMessage
{
    QString name;
    quint64 wParam = 0;
    QString text; // empty: no text
    bool awaitsAnswer = false;
};

struct BusAnswer
{
    qint64 result = 0;
    std::optional<QString> text;

    // An answer counts when it carries a text or a non-zero integer.
    bool isZero() const { return !text && result == 0; }
};

inline constexpr quint32 maxFrameBytes = 16 * 1024 * 1024;
inline constexpr int maxMessageNameLength = 255;

enum class FrameStatus { Incomplete, Complete, Invalid };

// The bytes of one frame, length prefix included.
QByteArray encodeMessageFrame(const BusMessage &message);
QByteArray encodeAnswerFrame(const BusAnswer &answer);
// Takes one frame from the front of `buffer` when it is complete; Invalid for an oversized, garbled or
// wrong-kind frame (the buffer is then unusable). Never allocates more than the buffer already holds.
FrameStatus takeMessageFrame(QByteArray &buffer, BusMessage &message);
FrameStatus takeAnswerFrame(QByteArray &buffer, BusAnswer &answer);

// How long a sender waits for the answers of a request, and for a post to be handed over: the value
// set by setMessageBusTimeout, else $ZENQ_BUS_TIMEOUT_MS, else 5000 ms. Thread-safe.
int messageBusTimeout();
// Overrides the time-out for this process; 0 or less returns to the environment/default.
void setMessageBusTimeout(int milliseconds);

// The directory of a window class's endpoints; created 0700 (with its parent "windows") when missing.
// Throws std::runtime_error like runtimeSubDirectory, or for a class name that is not a plain file name.
QString windowClassDirectory(const QString &windowClass);

// One receiving endpoint of a window class. Lives on the thread that created it; not thread-safe.
// Every frame reaches the handler from the event loop, never inside the socket callback, in the order
// the connections were accepted (so one sender's posts arrive in order); a request is answered with
// what the handler returns.
class MessageEndpoint : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<BusAnswer(const BusMessage &message)>;

    MessageEndpoint(const QString &windowClass, Handler handler, QObject *parent = nullptr);
    ~MessageEndpoint() override;
    MessageEndpoint(const MessageEndpoint &) = delete;
    MessageEndpoint &operator=(const MessageEndpoint &) = delete;

    // Creates the socket file and accepts frames; false with a reason when it cannot.
    bool open(QString *error = nullptr);
    // Stops accepting and removes the socket file; pending frames are dropped.
    void close();
    bool isOpen() const;
    QString windowClass() const { return m_windowClass; }
    // The socket file while open, else empty.
    QString path() const { return m_path; }

    // In-process delivery, used when a program messages its own windows: call runs the handler now,
    // post queues it to this endpoint's event loop.
    BusAnswer call(const BusMessage &message);
    void post(const BusMessage &message);

private:
    struct Incoming;
    void acceptConnections();
    void readIncoming(Incoming *incoming);
    void dropIncoming(Incoming *incoming);
    void dispatchReady();

    QString m_windowClass;
    Handler m_handler;
    QLocalServer *m_server = nullptr;
    QString m_path;
    QList<Incoming *> m_incoming; // in accept order
    quint64 m_generation = 0;     // frames queued before a close are dropped
};

struct BusDeliveryResult
{
    int endpoints = 0; // live endpoints that were tried
    int reached = 0;   // posts handed over, or requests answered
    int removed = 0;   // socket files of dead processes removed on the way
    BusAnswer answer;  // requests: the first non-zero answer in endpoint order, else zero
};

// Delivers a message to every endpoint of a window class: a post is handed over and not waited for; a
// request waits for all answers until messageBusTimeout() has passed. Endpoints of this process on
// this thread are served in-process. Endpoints whose process is gone are removed; a live one that
// refuses, a hung one and one that answers garbage are skipped. While waiting a nested event loop
// runs (user input excluded) when this thread is the application's; elsewhere the call blocks.
// Throws std::runtime_error when the runtime directory is unusable.
BusDeliveryResult deliverToWindowClass(const QString &windowClass, const BusMessage &message);

} // namespace platform
