#pragma once
// The framework's clock: the 32-bit millisecond tick count and the current date-time. Replaceable so
// that throttles and expiries are tested without sleeping. Set once per process (main thread only).
#include <QDateTime>
#include <memory>

class ZenqClock
{
public:
    virtual ~ZenqClock() = default;
    virtual quint32 tickCount() = 0;
    virtual QDateTime now() = 0;
    // Milliseconds since the epoch of now(); cheaper than now() for the system clock.
    virtual qint64 currentMSecsSinceEpoch() { return now().toMSecsSinceEpoch(); }
};

// A clock that tests move by hand.
class ZenqManualClock final : public ZenqClock
{
public:
    quint32 tickCount() override { return m_ticks; }
    QDateTime now() override { return m_now; }
    void setTicks(quint32 ticks) { m_ticks = ticks; }
    void advance(quint32 milliseconds) { m_ticks += milliseconds; m_now = m_now.addMSecs(milliseconds); }
    void setNow(const QDateTime &now) { m_now = now; }

private:
    quint32 m_ticks = 1;
    QDateTime m_now = QDateTime(QDate(2026, 1, 1), QTime(12, 0));
};

ZenqClock &ZenqCurrentClock();
std::unique_ptr<ZenqClock> ZenqSetClock(std::unique_ptr<ZenqClock> clock);

// Milliseconds tick count with 32-bit wrap-around; compare with ZenqTicksSince.
quint32 GetTickCount();
// Unsigned difference now - earlier, correct across the wrap.
inline quint32 ZenqTicksSince(quint32 earlier, quint32 now) { return now - earlier; }
