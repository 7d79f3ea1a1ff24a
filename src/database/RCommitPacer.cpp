#include "database/RCommitPacer.h"

#include "message/SClock.h"

#include <QTimer>

RCommitPacer::RCommitPacer(SClock* pClock, QObject* pParent, qint64 nGapMs)
    : QObject(pParent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pTimer(new QTimer(this))
    , m_nGapMs(nGapMs)
{
    m_pTimer->setSingleShot(true);
    connect(m_pTimer, &QTimer::timeout, this, &RCommitPacer::CommitNow);
}

RCommitPacer::~RCommitPacer() = default;

void RCommitPacer::Soon()
{
    if (!m_commit || m_pTimer->isActive())
        return;
    const qint64 nNow = m_pClock->ElapsedMs();
    const qint64 nSince = m_nLastCommitMs < 0 ? m_nGapMs : nNow - m_nLastCommitMs;
    if (nSince >= m_nGapMs) {
        CommitNow();
        return;
    }
    m_pTimer->start(static_cast<int>(m_nGapMs - nSince));
}

void RCommitPacer::CommitNow()
{
    m_nLastCommitMs = m_pClock->ElapsedMs();
    if (m_commit)
        m_commit();
}
