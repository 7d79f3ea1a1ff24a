#include "history/PAlarmFigures.h"

#include "database/RAlarmJournal.h"

#include <QHash>
#include <QMap>

#include <algorithm>

namespace {

// What the journal has said so far of one region.
struct Track
{
    // The first alarm-state row decides whether a closing row without its
    // opening one was open since before the events.
    bool bAlarmSeen = false;
    bool bInAlarm = false;
    QDateTime alarmFrom; // invalid: in alarm since before the events
    QDateTime chatterFrom; // valid while an episode is open
    bool bShelveSeen = false;
    bool bShelved = false;
    QDateTime shelveFrom;
    QDateTime shelveUntil;
    // The month's episodes not yet acknowledged, by their start: one
    // acknowledgement answers every episode since the last one.
    QVector<QDateTime> pending;

    int nAlarms = 0; // episodes begun in the month
    int nEpisodes = 0;
    int nChatterAlarms = 0;
};

// An episode begins from an open alarm and ends with the region still in
// alarm or with a "clear" row: met first, it tells of an alarm open since
// before the events.
void OpenedBefore(Track& track)
{
    if (!track.bAlarmSeen)
        track.bInAlarm = true;
    track.bAlarmSeen = true;
}

int DetailNumber(const RAlarmEvent& event, const char* pKey, bool* pFound = nullptr)
{
    const QString strValue = PAlarmFigures::DetailValue(event.strDetail, QLatin1String(pKey));
    bool bOk = false;
    const int nValue = strValue.toInt(&bOk);
    if (pFound)
        *pFound = bOk;
    return bOk ? nValue : 0;
}

template <typename T> void SortLongestFirst(QVector<T>& rows)
{
    std::sort(rows.begin(), rows.end(), [](const T& a, const T& b) {
        return a.nSeconds != b.nSeconds ? a.nSeconds > b.nSeconds : a.nId < b.nId;
    });
}

} // namespace

PAlarmFigures::PAlarmFigures(const QDate& month, const QDateTime& now)
    : m_first(month.year(), month.month(), 1)
    , m_start(m_first.startOfDay())
    , m_end(qMin(m_first.addMonths(1).startOfDay(), now))
{
}

QString PAlarmFigures::DetailValue(const QString& strDetail, const QString& strKey)
{
    int nPos = 0;
    while (nPos < strDetail.size()) {
        if (strDetail.midRef(nPos).startsWith(QLatin1String("reason="))) {
            // The reason is free text, ';' and '=' included.
            if (strKey == QLatin1String("reason"))
                return strDetail.mid(nPos + 7);
            break;
        }
        const int nSemi = strDetail.indexOf(QLatin1Char(';'), nPos);
        const int nEnd = nSemi < 0 ? strDetail.size() : nSemi;
        const int nEqual = strDetail.indexOf(QLatin1Char('='), nPos);
        if (nEqual >= 0 && nEqual < nEnd
            && QStringRef(&strDetail, nPos, nEqual - nPos).trimmed() == strKey)
            return strDetail.mid(nEqual + 1, nEnd - nEqual - 1);
        nPos = nEnd + 1;
    }
    return QString();
}

bool PAlarmFigures::InMonth(const QDateTime& time) const
{
    return time >= m_start && time < m_first.addMonths(1).startOfDay();
}

qint64 PAlarmFigures::Covered(QVector<Interval> intervals) const
{
    for (Interval& interval : intervals) {
        interval.from = interval.from.isValid() ? qMax(interval.from, m_start) : m_start;
        interval.to = interval.to.isValid() ? qMin(interval.to, m_end) : m_end;
    }
    std::sort(intervals.begin(), intervals.end(),
        [](const Interval& a, const Interval& b) { return a.from < b.from; });
    qint64 nSeconds = 0;
    QDateTime reached = m_start;
    for (const Interval& interval : qAsConst(intervals)) {
        const QDateTime from = qMax(interval.from, reached);
        if (interval.to > from) {
            nSeconds += from.secsTo(interval.to);
            reached = interval.to;
        }
    }
    return nSeconds;
}

void PAlarmFigures::Compute(const QVector<RAlarmEvent>& given)
{
    QVector<RAlarmEvent> events = given;
    std::stable_sort(events.begin(), events.end(),
        [](const RAlarmEvent& a, const RAlarmEvent& b) { return a.time < b.time; });

    m_alarmsPerDay = QVector<int>(m_first.daysInMonth(), 0);
    QMap<int, Track> tracks;
    QHash<int, QVector<Interval>> inAlarm;
    QHash<int, QVector<Interval>> chattering;
    QHash<int, QVector<Interval>> shelved;
    QVector<Interval> floods;
    QDateTime floodFrom;
    QVector<qint64> delays;
    m_nUnacknowledged = 0;
    m_nFloods = 0;

    for (const RAlarmEvent& event : qAsConst(events)) {
        const QDateTime& time = event.time;
        if (!time.isValid())
            continue;
        const bool bInMonth = InMonth(time);
        const QString& strEvent = event.strEvent;
        Track& track = tracks[event.nId];
        if (strEvent == QLatin1String("alarm")) {
            // A raise within an episode is part of it, not one of its own.
            if (bInMonth && !RAlarmJournal::IsContinued(event)) {
                ++m_alarmsPerDay[m_first.daysTo(time.date())];
                ++track.nAlarms;
                track.pending << time;
            }
            if (!track.bInAlarm) {
                track.bInAlarm = true;
                track.alarmFrom = time;
            }
            track.bAlarmSeen = true;
        } else if (strEvent == QLatin1String("clear")) {
            if (track.bInAlarm || !track.bAlarmSeen)
                inAlarm[event.nId] << Interval {track.alarmFrom, time};
            track.bInAlarm = false;
            track.alarmFrom = QDateTime();
            track.bAlarmSeen = true;
        } else if (strEvent == QLatin1String("chattering")) {
            if (bInMonth) {
                ++track.nEpisodes;
                track.nChatterAlarms += DetailNumber(event, "alarms");
            }
            if (!track.chatterFrom.isValid())
                track.chatterFrom = time;
            OpenedBefore(track);
        } else if (strEvent == QLatin1String("chatter-end")) {
            if (bInMonth)
                track.nChatterAlarms += DetailNumber(event, "alarms");
            bool bLength = false;
            const int nSeconds = DetailNumber(event, "seconds", &bLength);
            QDateTime from = track.chatterFrom;
            if (!from.isValid() && bLength)
                from = time.addSecs(-nSeconds);
            chattering[event.nId] << Interval {from, time};
            track.chatterFrom = QDateTime();
            OpenedBefore(track);
        } else if (strEvent == QLatin1String("ack")) {
            for (const QDateTime& start : qAsConst(track.pending))
                delays << start.secsTo(time);
            track.pending.clear();
        } else if (strEvent == QLatin1String("shelve")) {
            // Shelved again before the end: the first ends where the second begins.
            if (track.bShelved) {
                const QDateTime until
                    = track.shelveUntil.isValid() ? qMin(track.shelveUntil, time) : time;
                shelved[event.nId] << Interval {track.shelveFrom, until};
            }
            track.bShelved = true;
            track.bShelveSeen = true;
            track.shelveFrom = time;
            track.shelveUntil = QDateTime::fromString(
                DetailValue(event.strDetail, QStringLiteral("until")), Qt::ISODate);
        } else if (strEvent == QLatin1String("unshelve")) {
            if (track.bShelved || !track.bShelveSeen)
                shelved[event.nId]
                    << Interval {track.bShelved ? track.shelveFrom : QDateTime(), time};
            track.bShelved = false;
            track.bShelveSeen = true;
        } else if (strEvent == QLatin1String("flood")) {
            if (bInMonth)
                ++m_nFloods;
            if (!floodFrom.isValid())
                floodFrom = time;
        } else if (strEvent == QLatin1String("flood-end")) {
            bool bLength = false;
            const int nSeconds = DetailNumber(event, "seconds", &bLength);
            QDateTime from = floodFrom;
            if (!from.isValid() && bLength)
                from = time.addSecs(-nSeconds);
            floods << Interval {from, time};
            floodFrom = QDateTime();
        }
    }

    // What is still open runs to the month's end (or now).
    if (floodFrom.isValid())
        floods << Interval {floodFrom, QDateTime()};
    m_nFloodSeconds = Covered(floods);

    m_top.clear();
    m_chatter.clear();
    m_inAlarm.clear();
    m_shelved.clear();
    for (auto it = tracks.cbegin(); it != tracks.cend(); ++it) {
        const int nId = it.key();
        const Track& track = it.value();
        if (track.bInAlarm)
            inAlarm[nId] << Interval {track.alarmFrom, QDateTime()};
        if (track.chatterFrom.isValid())
            chattering[nId] << Interval {track.chatterFrom, QDateTime()};
        if (track.bShelved)
            shelved[nId] << Interval {track.shelveFrom, track.shelveUntil};
        m_nUnacknowledged += track.pending.size();

        if (track.nAlarms > 0)
            m_top << RegionCount {nId, track.nAlarms};
        if (track.nEpisodes > 0)
            m_chatter << Chatter {
                nId, track.nEpisodes, Covered(chattering.value(nId)), track.nChatterAlarms};
        // An episode outside an alarm still counts as time in alarm.
        const qint64 nInAlarm = Covered(inAlarm.value(nId) + chattering.value(nId));
        if (nInAlarm > 0)
            m_inAlarm << RegionTime {nId, nInAlarm};
        const qint64 nShelved = Covered(shelved.value(nId));
        if (nShelved > 0)
            m_shelved << RegionTime {nId, nShelved};
    }
    std::sort(m_top.begin(), m_top.end(), [](const RegionCount& a, const RegionCount& b) {
        return a.nAlarms != b.nAlarms ? a.nAlarms > b.nAlarms : a.nId < b.nId;
    });
    SortLongestFirst(m_inAlarm);
    SortLongestFirst(m_shelved);

    std::sort(delays.begin(), delays.end());
    m_nAcknowledged = delays.size();
    const int nHalf = delays.size() / 2;
    m_dMedianAck = delays.isEmpty() ? 0.0
        : delays.size() % 2 != 0    ? double(delays.at(nHalf))
                                    : (delays.at(nHalf - 1) + delays.at(nHalf)) / 2.0;
    m_nWorstAck = delays.isEmpty() ? 0 : delays.last();
    m_nAckedLate = static_cast<int>(std::count_if(delays.cbegin(), delays.cend(),
        [](qint64 nSeconds) { return nSeconds > kLateAckSeconds; }));
}
