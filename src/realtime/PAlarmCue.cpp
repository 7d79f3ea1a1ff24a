#include "realtime/PAlarmCue.h"

#include "message/SClock.h"
#include "realtime/RAlarmState.h"

#include <QTimer>

PAlarmCue::PAlarmCue(QObject* pParent)
    : QObject(pParent)
    , m_pRepeat(new QTimer(this))
{
    m_pRepeat->setInterval(kRepeatMs);
    connect(m_pRepeat, &QTimer::timeout, this, &PAlarmCue::Tick);
}

PAlarmCue::~PAlarmCue() = default;

void PAlarmCue::SetAlarmState(const RAlarmState* pState)
{
    if (m_pState)
        disconnect(m_pState, nullptr, this, nullptr);
    m_pState = pState;
    if (pState)
        connect(pState, &RAlarmState::LookChanged, this, &PAlarmCue::OnLookChanged);
}

void PAlarmCue::SetPending(bool bPending)
{
    m_bPending = bPending;
    if (!bPending) {
        m_pRepeat->stop();
        return;
    }
    // The first sound comes with the new alarm itself.
    if (!m_pRepeat->isActive())
        m_pRepeat->start();
}

void PAlarmCue::OnNewAlarm(int nId)
{
    m_bPending = true;
    // A muted region raising again is the alarm already silenced, unless it
    // had been quiet for a while.
    if (m_bMuted && m_mutedIds.contains(nId)) {
        const bool bQuiet = m_quietSinceMs.contains(nId);
        const qint64 nQuietSinceMs = m_quietSinceMs.take(nId);
        if (!bQuiet || !m_pState || m_pState->Clock()->ElapsedMs() - nQuietSinceMs < kQuietMs)
            return;
    }
    SetMuted(false);
    Tick();
    m_pRepeat->start();
}

void PAlarmCue::SetMuted(bool bMuted)
{
    if (bMuted == m_bMuted)
        return;
    m_bMuted = bMuted;
    m_mutedIds = bMuted && m_pState ? m_pState->AlarmIds() : QSet<int>();
    m_quietSinceMs.clear();
    emit MutedChanged(bMuted);
}

void PAlarmCue::OnLookChanged(int nId)
{
    // Raised again, the region's quiet time is weighed (and dropped) by
    // the new alarm that follows.
    if (m_bMuted && m_pState && m_mutedIds.contains(nId) && !m_pState->IsActive(nId)
        && !m_quietSinceMs.contains(nId))
        m_quietSinceMs.insert(nId, m_pState->Clock()->ElapsedMs());
    // A muted region that clears stays muted: chattering clears and raises
    // again and again. The mute ends with the last alarm shown.
    if (m_bMuted && m_pState && m_pState->AlarmIds().isEmpty())
        SetMuted(false);
}

void PAlarmCue::Tick()
{
    if (m_bPending && !m_bMuted && m_play)
        m_play();
}
