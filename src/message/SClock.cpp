#include "message/SClock.h"

#include <QElapsedTimer>

namespace {

class SystemClock final : public SClock
{
public:
    SystemClock() { m_timer.start(); }
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
    qint64 ElapsedMs() const override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};

} // namespace

SClock::~SClock() = default;

SClock* SClock::System()
{
    static SystemClock s_clock;
    return &s_clock;
}

void SManualClock::Set(const QDateTime& now)
{
    m_nElapsedMs += m_now.msecsTo(now);
    m_now = now;
}

void SManualClock::Advance(qint64 nMs)
{
    m_now = m_now.addMSecs(nMs);
    m_nElapsedMs += nMs;
}

void SManualClock::Jump(qint64 nMs)
{
    m_now = m_now.addMSecs(nMs);
}

QString SClock::DayText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}
