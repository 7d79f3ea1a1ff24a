#include "message/SQueueBound.h"

#include <QMutexLocker>

SQueueBound::SQueueBound(int nLimit)
    : m_nLimit(qMax(1, nLimit))
{
}

bool SQueueBound::Acquire(int nCount)
{
    QMutexLocker locker(&m_mutex);
    while (!m_bCancelled && m_nInFlight > 0 && m_nInFlight + nCount > m_nLimit) {
        m_bWaiting = true;
        m_freed.wait(&m_mutex);
    }
    m_bWaiting = false;
    if (m_bCancelled)
        return false;
    m_nInFlight += nCount;
    return true;
}

void SQueueBound::Release(int nCount)
{
    QMutexLocker locker(&m_mutex);
    m_nInFlight = qMax(0, m_nInFlight - nCount);
    // A waiting sender resumes when half the places are free, not at every
    // release: it then hands over a batch instead of one item per switch.
    if (m_bWaiting && m_nInFlight <= m_nLimit / 2)
        m_freed.wakeAll();
}

void SQueueBound::Cancel()
{
    QMutexLocker locker(&m_mutex);
    m_bCancelled = true;
    m_freed.wakeAll();
}

void SQueueBound::Resume()
{
    QMutexLocker locker(&m_mutex);
    m_bCancelled = false;
}

void SQueueBound::SetLimit(int nLimit)
{
    QMutexLocker locker(&m_mutex);
    m_nLimit = qMax(1, nLimit);
    m_freed.wakeAll();
}

int SQueueBound::Limit() const
{
    QMutexLocker locker(&m_mutex);
    return m_nLimit;
}

int SQueueBound::InFlight() const
{
    QMutexLocker locker(&m_mutex);
    return m_nInFlight;
}
