#include "history/PAlarmFigures.h"

#include "AlarmMonth.h"

#include <QtTest>

#include <numeric>

namespace {

using Counts = QVector<QPair<int, int>>;
using Times = QVector<QPair<int, qint64>>;

Counts counts(const QVector<PAlarmFigures::RegionCount>& rows)
{
    Counts pairs;
    for (const PAlarmFigures::RegionCount& row : rows)
        pairs << qMakePair(row.nId, row.nAlarms);
    return pairs;
}

Times times(const QVector<PAlarmFigures::RegionTime>& rows)
{
    Times pairs;
    for (const PAlarmFigures::RegionTime& row : rows)
        pairs << qMakePair(row.nId, row.nSeconds);
    return pairs;
}

// The events written up to now.
QVector<RAlarmEvent> eventsUntil(const QDateTime& now)
{
    QVector<RAlarmEvent> events;
    for (const RAlarmEvent& event : AlarmMonth::Events()) {
        if (event.time <= now)
            events << event;
    }
    return events;
}

} // namespace

class TstAlarmFigures : public QObject
{
    Q_OBJECT

private slots:
    // The month counted by hand (AlarmMonth.h): an alarm open since April,
    // a chattering episode inside an alarm, a flood, a shelve past the
    // month's end, acknowledgements late, in June and never.
    void knownMonth()
    {
        PAlarmFigures figures(QDate(2015, 5, 17), AlarmMonth::At("2015-07-01T10:00:00"));
        figures.Compute(AlarmMonth::Events());

        QVector<int> days(31, 0);
        days[1] = 1;
        days[2] = 1;
        days[9] = 1;
        days[14] = 1;
        days[24] = 8;
        days[30] = 1;
        QCOMPARE(figures.AlarmsPerDay(), days);
        QCOMPARE(counts(figures.TopRegions()),
            (Counts {{5, 2}, {3, 1}, {7, 1}, {9, 1}, {20, 1}, {21, 1}, {22, 1}, {23, 1}, {24, 1},
                {25, 1}, {26, 1}, {27, 1}}));
        Times inAlarm {{3, 7800}, {5, 5400}, {9, 2700}, {7, 1235}};
        for (int nId = 20; nId <= 27; ++nId)
            inAlarm << qMakePair(nId, qint64(360));
        QCOMPARE(times(figures.TimeInAlarm()), inAlarm);

        QCOMPARE(figures.Chattering().size(), 1);
        const PAlarmFigures::Chatter chatter = figures.Chattering().first();
        QCOMPARE(chatter.nId, 7);
        QCOMPARE(chatter.nEpisodes, 1);
        QCOMPARE(chatter.nSeconds, qint64(1200));
        QCOMPARE(chatter.nAlarms, 15);

        QCOMPARE(figures.Acknowledged(), 4);
        QCOMPARE(figures.MedianAckSeconds(), 510.0);
        QCOMPARE(figures.WorstAckSeconds(), qint64(1200));
        QCOMPARE(figures.Unacknowledged(), 9);
        QCOMPARE(figures.AcknowledgedLate(), 2);
        // Every episode is acknowledged or not: the numbers add up.
        QCOMPARE(figures.Acknowledged() + figures.Unacknowledged(),
            std::accumulate(days.cbegin(), days.cend(), 0));
        QCOMPARE(figures.Floods(), 1);
        QCOMPARE(figures.FloodSeconds(), qint64(1800));
        QCOMPARE(times(figures.Shelved()), (Times {{5, 14400}, {3, 5400}}));
    }

    // The current month is counted up to now: the open shelve to now, an
    // alarm not yet raised nowhere, the median of three.
    void currentMonthEndsNow()
    {
        const QDateTime now = AlarmMonth::At("2015-05-31T21:00:00");
        PAlarmFigures figures(now.date(), now);
        figures.Compute(eventsUntil(now));
        QCOMPARE(figures.AlarmsPerDay().at(30), 0);
        QCOMPARE(times(figures.TimeInAlarm()).first(), qMakePair(3, qint64(7200)));
        QCOMPARE(figures.MedianAckSeconds(), 120.0);
        QCOMPARE(figures.Unacknowledged(), 9);
        QCOMPARE(times(figures.Shelved()), (Times {{3, 5400}, {5, 3600}}));
    }

    // The month before sees only its own end: region 3's alarm open from
    // 22:00, acknowledged after 10 minutes.
    void monthBefore()
    {
        PAlarmFigures figures(QDate(2015, 4, 1), AlarmMonth::At("2015-07-01T10:00:00"));
        figures.Compute(AlarmMonth::Events());
        QCOMPARE(times(figures.TimeInAlarm()), (Times {{3, 7200}}));
        QCOMPARE(figures.MedianAckSeconds(), 600.0);
        QCOMPARE(figures.Unacknowledged(), 0);
        QVERIFY(figures.Shelved().isEmpty());
    }

    // Rows whose opening lies before the events read: the episode and the
    // flood from their length, the alarm and the shelve from the month's
    // start.
    void closedBeforeOpened()
    {
        PAlarmFigures figures(QDate(2015, 5, 1), AlarmMonth::At("2015-07-01T10:00:00"));
        figures.Compute({AlarmMonth::Event(
                             "2015-05-01T00:10:00", 4, "chatter-end", "alarms=2;seconds=1200"),
            AlarmMonth::Event("2015-05-01T00:30:00", 4, "clear"),
            AlarmMonth::Event("2015-05-01T01:00:00", 4, "unshelve", "expired"),
            AlarmMonth::Event("2015-05-01T00:20:00", 0, "flood-end", "alarms=20;seconds=3600")});
        QCOMPARE(times(figures.TimeInAlarm()), (Times {{4, 1800}}));
        QCOMPARE(times(figures.Shelved()), (Times {{4, 3600}}));
        QCOMPARE(figures.FloodSeconds(), qint64(1200));
        // Its raises belong to an episode begun before the events.
        QCOMPARE(figures.AlarmsPerDay().first(), 0);
        QVERIFY(figures.Chattering().isEmpty());
    }

    void detailValue_data()
    {
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("count") << "alarms=12;seconds=1200"
                               << "seconds"
                               << "1200";
        QTest::newRow("reason takes the rest") << "until=2015-06-01T08:00:00;reason=pump; until=x"
                                               << "reason"
                                               << "pump; until=x";
        QTest::newRow("key inside the reason") << "reason=a;until=2015-06-01T08:00:00"
                                               << "until" << QString();
        QTest::newRow("word without value") << "expired"
                                            << "reason" << QString();
        QTest::newRow("unknown keys skipped") << "colour=red;alarms=3"
                                              << "alarms"
                                              << "3";
    }
    void detailValue()
    {
        QFETCH(QString, detail);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QCOMPARE(PAlarmFigures::DetailValue(detail, key), value);
    }
};

QTEST_GUILESS_MAIN(TstAlarmFigures)
#include "tst_alarmfigures.moc"
