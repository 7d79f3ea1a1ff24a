#pragma once

#include "database/RAlarmJournal.h"
#include "station/RStationSnapshot.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QVector>
#include <QWaitCondition>

#include <deque>

// The web view's live state, shared between the GUI thread, which keeps it
// from the station's signals, and the web server's threads, each of which
// streams it to one browser as server-sent events. A browser starts from
// the whole state and then gets every change by its number; one that falls
// further behind than the backlog gets the whole state again, so a slow
// browser costs no more memory than a fast one.
class RWebFeed final
{
public:
    static constexpr int Backlog = 4096;

    // GUI thread.
    void Reset(const RStationSnapshot& snapshot);
    void SetRegion(const RStationRegion& region);
    void SetReading(int nId, float fDose, const QDateTime& time);
    void SetLink(bool bUp);
    void SetStorageProblem(const QString& strProblem);
    void SetFlood(bool bFlood);
    void AddEvent(const RAlarmEvent& event);
    // Wakes every waiting stream for good: the server stops.
    void Close();
    // Streams may wait again: the server starts.
    void Reopen();

    // Any thread: what came after *pSeq as event-stream text, and *pSeq
    // moved on. Waits up to nWaitMs when nothing is new, then gives a
    // comment line that keeps the connection. False once closed.
    bool Next(qint64* pSeq, int nWaitMs, QByteArray* pText);
    // The whole state as one JSON object.
    QByteArray State();

private:
    void Push(const QByteArray& text);
    QByteArray StateLocked() const;
    QByteArray StationLocked() const;

    QMutex m_mutex;
    QWaitCondition m_changed;
    QVector<int> m_order;
    QHash<int, RStationRegion> m_regions;
    bool m_bLinkUp = false;
    QString m_strStorageProblem;
    bool m_bFlood = false;
    QVector<QByteArray> m_events; // the newest journal rows, oldest first
    std::deque<std::pair<qint64, QByteArray>> m_changes;
    qint64 m_nSeq = 0;
    qint64 m_nResetSeq = 0; // the whole state changed at this number
    bool m_bClosed = false;
};
