#pragma once

#include <QHash>
#include <QVector>

// Which regions chatter: a region raised more than the limit times within
// one minute chatters until it has gone a whole minute without a raise.
// Times are a monotonic clock's milliseconds. Plain code, GUI thread.
class RAlarmChatter final
{
public:
    static constexpr qint64 kWindowMs = 60000;
    static constexpr int kDefaultLimit = 3;

    // One chattering episode, as it ends.
    struct Episode
    {
        int nId = 0;
        int nUnwritten = 0; // raises during the episode after the one that began it
        qint64 nMs = 0; // the episode's length
    };

    // 0 turns chattering off: every raise is an ordinary one.
    void SetLimit(int nLimit) { m_nLimit = nLimit; }
    int Limit() const { return m_nLimit; }

    // A raise of nId at nMs. Returns the raises within the last minute when
    // this one began chattering, 0 otherwise (a raise during an episode is
    // counted into it).
    int Raise(int nId, qint64 nMs);
    bool IsChattering(int nId) const { return m_episodes.contains(nId); }
    // When nId's running episode began (0 when none runs).
    qint64 StartOf(int nId) const { return m_episodes.value(nId).nStartMs; }
    // Ends the episodes that had no raise for a whole minute by nMs.
    QVector<Episode> Expire(qint64 nMs);
    // Takes up an episode that was running at a stop: begun at nStartMs,
    // its last raise at nLastMs.
    void Resume(int nId, qint64 nStartMs, qint64 nLastMs);
    // Ends nId's episode now, whatever its raises (shelving, a new list).
    Episode Stop(int nId, qint64 nMs);
    void Clear();

private:
    struct Running
    {
        qint64 nStartMs = 0;
        qint64 nLastMs = 0;
        int nUnwritten = 0;
    };
    int m_nLimit = kDefaultLimit;
    // Raise times of the last minute, per region not chattering.
    QHash<int, QVector<qint64>> m_recent;
    QHash<int, Running> m_episodes;
};
