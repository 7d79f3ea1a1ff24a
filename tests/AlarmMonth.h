#pragma once

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"

#include <QVector>

// One month of alarm journal (May 2015, with April's end and June's start),
// whose figures were counted by hand:
// - region 3: in alarm since April, cleared 1 May 02:00 (2 h); shelved 20 May
//   09:00-10:30 (1.5 h); raised 31 May 23:50, open at the month's end
//   (10 min), acknowledged 1 June 00:05 (15 min).
// - region 5: 2 May 10:00-10:30, acknowledged after 60 s; 10 May 12:05-13:05,
//   acknowledged after 20 min; shelved 31 May 20:00 until 1 June 08:00 (4 h
//   in May). Raised again in June, which May does not count.
// - region 7: three raises in a minute on 3 May (20 s, 10 s, then open from
//   08:00:50), the second and third within the episode of the first,
//   chattering 08:00:55-08:20:55 with 12 more raises, cleared at its end:
//   one episode of 15 raises, 1235 s in alarm, acknowledged once 120 s after
//   its start.
// - region 9 (not registered): 15 May 06:00-06:45, never acknowledged.
// - regions 20..27: one alarm each on 25 May 12:00-12:06, never acknowledged.
// - a flood 10 May 12:00-12:30.
// In all: 13 episodes (2 May 1, 3 May 1, 10 May 1, 15 May 1, 25 May 8,
// 31 May 1); acknowledged 4 (60, 120, 900, 1200 s: median 510 s, worst
// 1200 s; 2 after more than 10 minutes), never acknowledged 9.
namespace AlarmMonth {

inline QDateTime At(const char* pTime)
{
    return QDateTime::fromString(QLatin1String(pTime), Qt::ISODate);
}

inline RAlarmEvent Event(const char* pTime, int nId, const char* pEvent,
    const QString& strDetail = QString(), const QString& strOperator = QString())
{
    RAlarmEvent event;
    event.time = At(pTime);
    event.nId = nId;
    event.strEvent = QLatin1String(pEvent);
    event.strOperator = strOperator;
    event.strDetail = strDetail;
    return event;
}

// Oldest first, as written.
inline QVector<RAlarmEvent> Events()
{
    QVector<RAlarmEvent> events = {
        Event("2015-04-30T22:00:00", 3, "alarm"),
        Event("2015-04-30T22:10:00", 3, "ack", {}, "kim"),
        Event("2015-05-01T02:00:00", 3, "clear"),
        Event("2015-05-02T10:00:00", 5, "alarm"),
        Event("2015-05-02T10:01:00", 5, "ack", {}, "kim"),
        Event("2015-05-02T10:30:00", 5, "clear"),
        Event("2015-05-03T08:00:00", 7, "alarm"),
        Event("2015-05-03T08:00:20", 7, "clear"),
        Event("2015-05-03T08:00:30", 7, "alarm", "continued=1"),
        Event("2015-05-03T08:00:40", 7, "clear"),
        Event("2015-05-03T08:00:50", 7, "alarm", "continued=1"),
        Event("2015-05-03T08:00:55", 7, "chattering", "alarms=3"),
        Event("2015-05-03T08:02:00", 7, "ack", {}, "kim"),
        Event("2015-05-03T08:20:55", 7, "chatter-end", "alarms=12;seconds=1200"),
        Event("2015-05-03T08:20:55", 7, "clear"),
        Event("2015-05-04T09:00:00", 0, "link-down"),
        Event("2015-05-10T12:00:00", 0, "flood", "alarms=11"),
        Event("2015-05-10T12:05:00", 5, "alarm"),
        Event("2015-05-10T12:25:00", 5, "ack", {}, "lee"),
        Event("2015-05-10T12:30:00", 0, "flood-end", "alarms=14;seconds=1800"),
        Event("2015-05-10T13:05:00", 5, "clear"),
        Event("2015-05-15T06:00:00", 9, "alarm"),
        Event("2015-05-15T06:45:00", 9, "clear"),
        Event("2015-05-20T09:00:00", 3, "shelve", "until=2015-05-20T17:00:00;reason=calibration",
            "kim"),
        Event("2015-05-20T10:30:00", 3, "unshelve", "reason=done; early", "kim"),
    };
    for (int nId = 20; nId <= 27; ++nId) {
        events << Event("2015-05-25T12:00:00", nId, "alarm");
        events << Event("2015-05-25T12:06:00", nId, "clear");
    }
    events << Event("2015-05-31T20:00:00", 5, "shelve",
        "until=2015-06-01T08:00:00;reason=pump test; valve B=open", "lee")
           << Event("2015-05-31T23:50:00", 3, "alarm")
           << Event("2015-06-01T00:05:00", 3, "ack", {}, "kim")
           << Event("2015-06-01T01:00:00", 3, "clear")
           << Event("2015-06-01T08:00:00", 5, "unshelve", "expired")
           << Event("2015-06-02T09:00:00", 5, "alarm");
    return events;
}

// The events as journal rows of the default connection.
inline bool Store()
{
    for (const RAlarmEvent& event : Events()) {
        if (!PSqlExec::Exec(QStringLiteral("insert into AlarmJournal(Time, Id, Event, Dose, "
                                           "Threshold, Operator, Detail) values(?, ?, ?, 0, 0, "
                                           "?, ?)"),
                {RAlarmJournal::TimeText(event.time), event.nId, event.strEvent, event.strOperator,
                    event.strDetail}))
            return false;
    }
    return true;
}

} // namespace AlarmMonth
