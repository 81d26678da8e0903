#pragma once
// Registered window messages between the framework's programs: the per-process message numbers, the
// process-local atom table, delivery to all windows of a window class over the local message bus
// (platform/MessageBus.h), and the receiving window that turns frames back into messages.
#include <QFlags>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace platform {
class MessageEndpoint;
struct BusAnswer;
struct BusMessage;
} // namespace platform

// ---- Registered messages (thread-safe) ----

// The number of a message name in this process, from 0xC000 up: the same name gives the same number.
// Names compare without regard to case, as the original's atom table does. 0 for an empty name, one
// longer than 255 characters, or when the range is used up.
quint32 RegisterWindowMessage(const QString &name);
// The name a number was first registered with; empty when the number is not registered.
QString ZenqRegisteredMessageName(quint32 message);

// ---- Atoms (thread-safe) ----
// This process's table, numbers 0xC000..0xFFFF. The original's table was shared by all programs and held
// 255 characters; here a text crosses processes inside the frame, so the table is private and has no
// length limit. Every add gives a fresh number (equal texts are not shared), so no reference counts.

// A new atom holding the text; 0 for an empty text or when all 16384 numbers are in use.
quint16 JGlobalAddAtom(const QString &text);
// The atom's text; empty for an unknown atom.
QString JGlobalGetAtomName(quint16 atom);
// The atom's text, and the atom is gone; empty for an unknown atom. `flag` is kept for the callers and
// has no effect.
QString JGlobalGetAtomAndDelete(quint16 atom, bool flag = false);
// Removes the atom; unknown atoms are ignored.
void JGlobalDeleteAtom(quint16 atom);

// ---- Delivery to all windows of a class ----

enum class TZenqMessageOption : int {
    WaitCursor = 0x1,      // wait cursor while delivering
    ProgressMessage = 0x2, // the small "Informing other Zenq-Applications..." window while delivering
    BringToFront = 0x4,    // bring this program to the front afterwards
};
Q_DECLARE_FLAGS(TZenqMessageOptions, TZenqMessageOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TZenqMessageOptions)

inline const QString ZenqInformingOtherApplicationsText = QStringLiteral("Informing other Zenq-Applications...");

// What became of one delivery, for callers that need more than the answer (the zenq tool).
struct ZenqDeliveryReport
{
    int windows = 0;         // endpoints of the class that were tried
    int reached = 0;         // posts handed over, or requests answered (0 included)
    bool textAnswer = false; // the returned number is an atom holding the answer's text
    QString error;           // why nothing could be delivered, else empty
};

// Delivers a registered message to every window of the class, each getting `text` as an atom in lParam
// (none when empty). post: hands it over and returns 0 at once. Otherwise waits for every answer up to
// the bus time-out (5 s, platform::setMessageBusTimeout, $ZENQ_BUS_TIMEOUT_MS) and returns the first
// non-zero answer in window order (owner process, then opening order), else 0; a hung window counts as
// 0. An answer with a text returns a new atom of this process holding it: read it with
// JGlobalGetAtomAndDelete. Windows of this process on this thread get the message directly (send) or
// queued (post). The options' cursor and progress window are undone on every path. Never throws.
qint64 ZenqInterCommunicateWith_AllWindowsOfAWindowClass(const QString &messageName, const QString &windowClass,
                                                         TZenqMessageOptions options, bool post, quintptr wParam,
                                                         const QString &text, ZenqDeliveryReport *report = nullptr);
// The same delivery to the framework's server host (ZenqWindowClass::Server).
qint64 ZenqInterCommunicateWith_ZenqServer(const QString &messageName, TZenqMessageOptions options, bool post,
                                           quintptr wParam, const QString &text);
// The same delivery to the framework's browser (ZenqWindowClass::Browser).
qint64 ZenqInterCommunicateWith_ZenqBrowser(const QString &messageName, TZenqMessageOptions options, bool post,
                                            quintptr wParam, const QString &text);

// ---- Receiving ----

// What a message procedure answers: an integer, or a text handed over in an atom of this process (the
// window reads and deletes that atom and sends the text; the sender gets it as an atom of its own).
struct ZenqMessageAnswer
{
    ZenqMessageAnswer(qint64 value = 0) : result(value) {}
    // The answer is the text of `atom`, created with JGlobalAddAtom.
    static ZenqMessageAnswer fromAtom(quint16 atom)
    {
        ZenqMessageAnswer answer(atom);
        answer.isAtom = true;
        return answer;
    }

    qint64 result = 0;
    bool isAtom = false;
};

// A receiving window of one window class: a bus endpoint whose messages reach a message procedure as
// the numbers this process registered. A name this process has not registered falls through (the
// procedure is not called, the answer is 0). Text arrives as an atom in lParam, which the procedure
// takes with JGlobalGetAtomAndDelete; one it leaves is deleted after the call. Lives on the thread
// that created it, whose event loop runs the procedure; not thread-safe.
class ZenqWindow
{
public:
    using MessageProcedure = std::function<ZenqMessageAnswer(quint32 message, quintptr wParam, qintptr lParam)>;

    ZenqWindow(const QString &windowClass, MessageProcedure procedure);
    ~ZenqWindow();
    ZenqWindow(const ZenqWindow &) = delete;
    ZenqWindow &operator=(const ZenqWindow &) = delete;

    // Starts receiving; false with a reason when the endpoint cannot be created.
    bool open(QString *error = nullptr);
    // Stops receiving; messages not yet handled are dropped.
    void close();
    bool isOpen() const;
    QString windowClass() const { return m_windowClass; }
    // The endpoint's socket file while open, else empty.
    QString endpointPath() const;
    // Registers every arriving name instead of letting unknown ones fall through (for listeners such
    // as `zenq listen`). Off by default.
    void setAcceptAnyMessageName(bool accept) { m_acceptAnyName = accept; }

private:
    platform::BusAnswer receive(const platform::BusMessage &message);

    QString m_windowClass;
    MessageProcedure m_procedure;
    bool m_acceptAnyName = false;
    std::unique_ptr<platform::MessageEndpoint> m_endpoint;
};
