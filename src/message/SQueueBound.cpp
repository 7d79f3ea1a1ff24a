#include "message/SQueueBound.h"

#include <QMutexLocker>

SQueueBound::SQueueBound(int nLimit)
    : m_nLimit(qMax(1, nLimit))
{
}

bool SQueueBound::Acquire()
{
    QMutexLocker locker(&m_mutex);
    while (!m_bCancelled && m_nInFlight >= m_nLimit)
        m_freed.wait(&m_mutex);
    if (m_bCancelled)
        return false;
    ++m_nInFlight;
    return true;
}

void SQueueBound::Release()
{
    QMutexLocker locker(&m_mutex);
    if (m_nInFlight > 0 && m_nInFlight-- <= m_nLimit)
        m_freed.wakeAll();
}

void SQueueBound::SetLimit(int nLimit)
{
    QMutexLocker locker(&m_mutex);
    m_nLimit = qMax(1, nLimit);
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

int SQueueBound::InFlight() const
{
    QMutexLocker locker(&m_mutex);
    return m_nInFlight;
}
