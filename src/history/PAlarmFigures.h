#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

struct RAlarmEvent;

// One calendar month's alarm figures (local time), counted from the alarm
// journal: the alarm episodes, how long regions stayed in alarm or shelved,
// how fast episodes were acknowledged, chattering and floods. An episode is
// an "alarm" row that does not continue one ("continued=1"), counted on the
// day it begins: the same count as the day rows' AlarmOverCount. Every
// episode begun in the month is either acknowledged (at any time after) or
// not, so the two add up to the month's episodes. Plain arithmetic over the
// events handed in; reading and writing them is PAlarmFiguresReport's.
//
// The events before the month tell the state the month begins in (an alarm,
// shelve, episode or flood still open); the events after it are used only to
// find the acknowledgements of the month's alarms. A closing row whose opening
// row lies before the events given stands for an interval open since before
// them (from S seconds before it when the row carries S).
class PAlarmFigures final
{
public:
    struct RegionCount
    {
        int nId = 0;
        int nAlarms = 0; // episodes begun in the month
    };
    struct RegionTime
    {
        int nId = 0;
        qint64 nSeconds = 0;
    };
    struct Chatter
    {
        int nId = 0;
        int nEpisodes = 0; // "chattering" rows in the month
        qint64 nSeconds = 0; // time chattering within the month
        // The raises while chattering: all within one alarm episode.
        int nAlarms = 0;
    };

    // month: any day of it. Intervals still open end at the month's end, or
    // at now when that comes first.
    PAlarmFigures(const QDate& month, const QDateTime& now);

    // events: oldest first, as they were written (RAlarmJournal::Read()'s
    // order reversed). Replaces what an earlier call found.
    void Compute(const QVector<RAlarmEvent>& events);

    QDate FirstDay() const { return m_first; }
    QDate LastDay() const { return m_first.addDays(m_first.daysInMonth() - 1); }

    // An acknowledgement later than this is late (seconds).
    static constexpr qint64 kLateAckSeconds = 10 * 60;

    // Episodes begun per day; index 0 is the 1st.
    const QVector<int>& AlarmsPerDay() const { return m_alarmsPerDay; }
    // Every region with an episode begun in the month, most first, ties by id.
    const QVector<RegionCount>& TopRegions() const { return m_top; }
    // By id.
    const QVector<Chatter>& Chattering() const { return m_chatter; }
    // Regions that were in alarm, longest first, ties by id.
    const QVector<RegionTime>& TimeInAlarm() const { return m_inAlarm; }
    // Regions that were shelved, longest first, ties by id.
    const QVector<RegionTime>& Shelved() const { return m_shelved; }

    // Of the month's episodes: those acknowledged, with the delays from
    // their start (seconds), those of them acknowledged late, and those
    // never acknowledged.
    int Acknowledged() const { return m_nAcknowledged; }
    int AcknowledgedLate() const { return m_nAckedLate; }
    double MedianAckSeconds() const { return m_dMedianAck; }
    qint64 WorstAckSeconds() const { return m_nWorstAck; }
    int Unacknowledged() const { return m_nUnacknowledged; }

    int Floods() const { return m_nFloods; }
    qint64 FloodSeconds() const { return m_nFloodSeconds; }

    // The value of strKey in a ';'-separated key=value detail; "reason" is
    // always last and takes the rest, ';' included. Null when absent.
    static QString DetailValue(const QString& strDetail, const QString& strKey);

private:
    struct Interval
    {
        QDateTime from; // invalid: open since before the events
        QDateTime to;
    };
    // Seconds of the union of the intervals inside the month (up to now).
    qint64 Covered(QVector<Interval> intervals) const;
    bool InMonth(const QDateTime& time) const;

    const QDate m_first;
    const QDateTime m_start;
    const QDateTime m_end; // the month's end, or now when earlier

    QVector<int> m_alarmsPerDay;
    QVector<RegionCount> m_top;
    QVector<Chatter> m_chatter;
    QVector<RegionTime> m_inAlarm;
    QVector<RegionTime> m_shelved;
    int m_nAcknowledged = 0;
    double m_dMedianAck = 0.0;
    qint64 m_nWorstAck = 0;
    int m_nUnacknowledged = 0;
    int m_nAckedLate = 0;
    int m_nFloods = 0;
    qint64 m_nFloodSeconds = 0;
};
