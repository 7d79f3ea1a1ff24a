#include "realtime/RTimer.h"

#include "message/SClock.h"

#include <QTimer>

namespace {
const char* const kStampFormat = "yyyy.MM.ddThh:mm:ss";
}

RTimer::RTimer(int id, QObject* parent, SClock* pClock)
    : QObject(parent)
    , m_nId(id)
    , m_pTimer(new QTimer(this))
    , m_pClock(pClock ? pClock : SClock::System())
{
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(kEpisodeMs);
    connect(m_pTimer, &QTimer::timeout, this, &RTimer::OnTimeout);
}

RTimer::~RTimer() = default;

void RTimer::Trigger()
{
    const bool bStarts = !m_pTimer->isActive();
    if (bStarts)
        m_strStart = m_pClock->Now().toString(QLatin1String(kStampFormat));
    m_nDeadlineMs = m_pClock->ElapsedMs() + kEpisodeMs;
    m_pTimer->start(kEpisodeMs);
    if (bStarts)
        emit TimeStarted(m_nId);
}

bool RTimer::IsRunning() const
{
    return m_pTimer->isActive();
}

void RTimer::OnTimeout()
{
    if (!m_pTimer->isActive() && m_strStart.isEmpty())
        return;
    const qint64 nLeftMs = m_nDeadlineMs - m_pClock->ElapsedMs();
    if (nLeftMs > 0) {
        m_pTimer->start(static_cast<int>(nLeftMs));
        return;
    }
    const QString strEnd = m_pClock->Now().toString(QLatin1String(kStampFormat));
    m_pTimer->stop();
    const QString strStart = m_strStart;
    m_strStart.clear();
    emit TimeEnded(m_nId, strStart, strEnd);
}
