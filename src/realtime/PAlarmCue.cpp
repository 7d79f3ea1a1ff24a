#include "realtime/PAlarmCue.h"

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
    // A muted region raising again is the alarm already silenced.
    if (m_bMuted && m_mutedIds.contains(nId))
        return;
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
    emit MutedChanged(bMuted);
}

void PAlarmCue::OnLookChanged(int)
{
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
