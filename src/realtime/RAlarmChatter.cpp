#include "realtime/RAlarmChatter.h"

int RAlarmChatter::Raise(int nId, qint64 nMs)
{
    auto episode = m_episodes.find(nId);
    if (episode != m_episodes.end()) {
        episode->nLastMs = nMs;
        ++episode->nUnwritten;
        return 0;
    }
    if (m_nLimit <= 0)
        return 0;
    QVector<qint64>& times = m_recent[nId];
    times.append(nMs);
    while (!times.isEmpty() && times.first() <= nMs - kWindowMs)
        times.removeFirst();
    if (times.size() <= m_nLimit)
        return 0;
    const int nRaises = times.size();
    m_recent.remove(nId);
    m_episodes.insert(nId, Running {nMs, nMs, 0});
    return nRaises;
}

QVector<RAlarmChatter::Episode> RAlarmChatter::Expire(qint64 nMs)
{
    QVector<Episode> ended;
    for (auto it = m_episodes.begin(); it != m_episodes.end();) {
        if (nMs - it->nLastMs >= kWindowMs) {
            ended.append({it.key(), it->nUnwritten, nMs - it->nStartMs});
            it = m_episodes.erase(it);
        } else {
            ++it;
        }
    }
    // Old raises of quiet regions count no more.
    for (auto it = m_recent.begin(); it != m_recent.end();) {
        if (it->isEmpty() || it->last() <= nMs - kWindowMs)
            it = m_recent.erase(it);
        else
            ++it;
    }
    return ended;
}

void RAlarmChatter::Resume(int nId, qint64 nStartMs, qint64 nLastMs)
{
    m_recent.remove(nId);
    m_episodes.insert(nId, Running {nStartMs, nLastMs, 0});
}

RAlarmChatter::Episode RAlarmChatter::Stop(int nId, qint64 nMs)
{
    const Running running = m_episodes.take(nId);
    m_recent.remove(nId);
    return {nId, running.nUnwritten, nMs - running.nStartMs};
}

void RAlarmChatter::Clear()
{
    m_recent.clear();
    m_episodes.clear();
}
