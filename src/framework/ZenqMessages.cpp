#include "ZenqMessages.h"

#include "ZenqUserInterface.h"
#include "ZenqWindowClasses.h"
#include "platform/MessageBus.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

#include <stdexcept>

namespace {

constexpr quint32 firstNumber = 0xC000;
constexpr quint32 numberCount = 0x4000; // up to 0xFFFF, as the original's message and atom ranges

struct MessageTable
{
    QMutex mutex;
    QHash<QString, quint32> byFoldedName;
    QStringList names; // index = number - firstNumber
};

MessageTable &messageTable()
{
    static MessageTable table;
    return table;
}

// 0 when the name is unknown; never registers.
quint32 registeredNumber(const QString &name)
{
    MessageTable &table = messageTable();
    QMutexLocker lock(&table.mutex);
    return table.byFoldedName.value(name.toCaseFolded(), 0);
}

struct AtomTable
{
    QMutex mutex;
    QHash<quint16, QString> texts;
    quint32 next = firstNumber; // moves on after every add, so a just-deleted number is not handed out again soon
};

AtomTable &atomTable()
{
    static AtomTable table;
    return table;
}

// The options' visible effects for the length of one delivery, undone on every way out.
class DeliveryFeedback
{
public:
    explicit DeliveryFeedback(TZenqMessageOptions options) : m_options(options)
    {
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            ZenqUI().waitCursor();
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            m_progress = ZenqUI().showProgressMessage(ZenqInformingOtherApplicationsText);
    }
    ~DeliveryFeedback()
    {
        if (m_options.testFlag(TZenqMessageOption::ProgressMessage))
            ZenqUI().closeProgressMessage(m_progress);
        if (m_options.testFlag(TZenqMessageOption::WaitCursor))
            ZenqUI().defaultCursor();
        if (m_options.testFlag(TZenqMessageOption::BringToFront))
            ZenqUI().bringToFront();
    }
    DeliveryFeedback(const DeliveryFeedback &) = delete;
    DeliveryFeedback &operator=(const DeliveryFeedback &) = delete;

private:
    TZenqMessageOptions m_options;
    int m_progress = 0;
};

} // namespace

quint32 RegisterWindowMessage(const QString &name)
{
    if (name.isEmpty() || name.size() > platform::maxMessageNameLength)
        return 0;
    MessageTable &table = messageTable();
    const QString folded = name.toCaseFolded();
    QMutexLocker lock(&table.mutex);
    if (const quint32 known = table.byFoldedName.value(folded, 0))
        return known;
    if (static_cast<quint32>(table.names.size()) >= numberCount)
        return 0;
    const quint32 number = firstNumber + static_cast<quint32>(table.names.size());
    table.names.append(name);
    table.byFoldedName.insert(folded, number);
    return number;
}

QString ZenqRegisteredMessageName(quint32 message)
{
    MessageTable &table = messageTable();
    QMutexLocker lock(&table.mutex);
    if (message < firstNumber || message - firstNumber >= static_cast<quint32>(table.names.size()))
        return {};
    return table.names.at(static_cast<qsizetype>(message - firstNumber));
}

quint16 JGlobalAddAtom(const QString &text)
{
    if (text.isEmpty())
        return 0;
    AtomTable &table = atomTable();
    QMutexLocker lock(&table.mutex);
    if (static_cast<quint32>(table.texts.size()) >= numberCount)
        return 0;
    while (table.texts.contains(static_cast<quint16>(table.next)))
        table.next = table.next == 0xFFFF ? firstNumber : table.next + 1;
    const auto atom = static_cast<quint16>(table.next);
    table.next = table.next == 0xFFFF ? firstNumber : table.next + 1;
    table.texts.insert(atom, text);
    return atom;
}

QString JGlobalGetAtomName(quint16 atom)
{
    AtomTable &table = atomTable();
    QMutexLocker lock(&table.mutex);
    return table.texts.value(atom);
}

QString JGlobalGetAtomAndDelete(quint16 atom, bool flag)
{
    Q_UNUSED(flag)
    AtomTable &table = atomTable();
    QMutexLocker lock(&table.mutex);
    return table.texts.take(atom);
}

void JGlobalDeleteAtom(quint16 atom)
{
    AtomTable &table = atomTable();
    QMutexLocker lock(&table.mutex);
    table.texts.remove(atom);
}

qint64 ZenqInterCommunicateWith_AllWindowsOfAWindowClass(const QString &messageName, const QString &windowClass,
                                                         TZenqMessageOptions options, bool post, quintptr wParam,
                                                         const QString &text, ZenqDeliveryReport *report)
{
    ZenqDeliveryReport ignored;
    ZenqDeliveryReport &outcome = report ? *report : ignored;
    outcome = {};
    if (messageName.isEmpty() || messageName.size() > platform::maxMessageNameLength) {
        outcome.error = QStringLiteral("not a message name: '%1'").arg(messageName);
        return 0;
    }
    DeliveryFeedback feedback(options);
    platform::BusDeliveryResult result;
    try {
        result = platform::deliverToWindowClass(windowClass, { messageName, wParam, text, !post });
    } catch (const std::exception &error) {
        outcome.error = QString::fromLocal8Bit(error.what());
        qWarning("%s not delivered: %s", qPrintable(messageName), error.what());
        return 0;
    }
    outcome.windows = result.endpoints;
    outcome.reached = result.reached;
    if (post)
        return 0;
    if (result.answer.text) {
        outcome.textAnswer = true;
        return JGlobalAddAtom(*result.answer.text);
    }
    return result.answer.result;
}

qint64 ZenqInterCommunicateWith_ZenqServer(const QString &messageName, TZenqMessageOptions options, bool post,
                                           quintptr wParam, const QString &text)
{
    return ZenqInterCommunicateWith_AllWindowsOfAWindowClass(messageName, ZenqWindowClass::Server, options, post,
                                                             wParam, text);
}

qint64 ZenqInterCommunicateWith_ZenqBrowser(const QString &messageName, TZenqMessageOptions options, bool post,
                                            quintptr wParam, const QString &text)
{
    return ZenqInterCommunicateWith_AllWindowsOfAWindowClass(messageName, ZenqWindowClass::Browser, options, post,
                                                             wParam, text);
}

ZenqWindow::ZenqWindow(const QString &windowClass, MessageProcedure procedure)
    : m_windowClass(windowClass), m_procedure(std::move(procedure))
{
}

ZenqWindow::~ZenqWindow() = default;

bool ZenqWindow::open(QString *error)
{
    if (!m_endpoint) {
        m_endpoint = std::make_unique<platform::MessageEndpoint>(
            m_windowClass, [this](const platform::BusMessage &message) { return receive(message); });
    }
    return m_endpoint->open(error);
}

void ZenqWindow::close()
{
    if (m_endpoint)
        m_endpoint->close();
}

bool ZenqWindow::isOpen() const
{
    return m_endpoint && m_endpoint->isOpen();
}

QString ZenqWindow::endpointPath() const
{
    return m_endpoint ? m_endpoint->path() : QString();
}

platform::BusAnswer ZenqWindow::receive(const platform::BusMessage &message)
{
    const quint32 number = m_acceptAnyName ? RegisterWindowMessage(message.name) : registeredNumber(message.name);
    if (number == 0)
        return {}; // falls through to the default handling, which answers 0
    // The procedure may destroy this window: nothing below touches it.
    const MessageProcedure procedure = m_procedure;
    const quint16 textAtom = message.text.isEmpty() ? 0 : JGlobalAddAtom(message.text);
    struct LeftAtom
    {
        quint16 atom;
        // Numbers move on after every add, so an atom still under this number is the one given in.
        ~LeftAtom()
        {
            if (atom)
                JGlobalDeleteAtom(atom);
        }
    } leftAtom { textAtom };

    const ZenqMessageAnswer answer = procedure ? procedure(number, static_cast<quintptr>(message.wParam), textAtom)
                                               : ZenqMessageAnswer();
    platform::BusAnswer reply;
    if (answer.isAtom)
        reply.text = JGlobalGetAtomAndDelete(static_cast<quint16>(answer.result));
    else
        reply.result = answer.result;
    return reply;
}
