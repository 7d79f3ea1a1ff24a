#include "widgets/RespondButtonClicked.h"

#include "message/SClock.h"

RespondButtonClicked::RespondButtonClicked(qint64 nIntervalMs, SClock* pClock)
    : m_pClock(pClock ? pClock : SClock::System())
    , m_nIntervalMs(nIntervalMs)
    , m_nLastMs(m_pClock->ElapsedMs())
{
}

bool RespondButtonClicked::CheckInterval()
{
    const qint64 nNow = m_pClock->ElapsedMs();
    const bool bPassed = nNow - m_nLastMs >= m_nIntervalMs;
    m_nLastMs = nNow;
    return bPassed;
}
