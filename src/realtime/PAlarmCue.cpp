#include "realtime/PAlarmCue.h"

#include <QTimer>

PAlarmCue::PAlarmCue(QObject* pParent)
    : QObject(pParent)
    , m_pRepeat(new QTimer(this))
{
    m_pRepeat->setInterval(kRepeatMs);
    connect(m_pRepeat, &QTimer::timeout, this, &PAlarmCue::Tick);
}

PAlarmCue::~PAlarmCue() = default;

void PAlarmCue::SetPending(bool bPending)
{
    m_bPending = bPending;
    if (!bPending) {
        m_pRepeat->stop();
        return;
    }
    if (!m_pRepeat->isActive()) {
        Tick();
        m_pRepeat->start();
    }
}

void PAlarmCue::OnNewAlarm()
{
    SetMuted(false);
    m_bPending = true;
    Tick();
    m_pRepeat->start();
}

void PAlarmCue::SetMuted(bool bMuted)
{
    if (bMuted == m_bMuted)
        return;
    m_bMuted = bMuted;
    emit MutedChanged(bMuted);
}

void PAlarmCue::Tick()
{
    if (m_bPending && !m_bMuted && m_play)
        m_play();
}
