#include "database/RRegionDataStore.h"

#include "SqlRows.h"
#include "TestDb.h"

#include <QtTest>

namespace {

const QDate kDay(2026, 3, 7);
const QString kDayText = QStringLiteral("2026-03-07");

// An hour row of region nId with the given slot columns set; Sum is theirs.
void addHourRow(int nId, int nHour, const QMap<int, double>& cells, const QDate& day = kDay)
{
    QString strColumns = QStringLiteral("Id, Month, Hour, Sum");
    QVariantList values {nId, day.toString(QStringLiteral("yyyy-MM-dd")), nHour, 0.0};
    double dSum = 0.0;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        strColumns += QStringLiteral(", \"%1\"").arg(it.key());
        values << it.value();
        dSum += it.value();
    }
    values[3] = dSum;
    QVERIFY(PSqlExec::Exec(
        QStringLiteral("insert into MonthData(%1) values(%2)")
            .arg(strColumns, QStringLiteral("?, ").repeated(values.size() - 1) + QLatin1Char('?')),
        values));
}

} // namespace

using Minutes = QMap<int, QList<int>>;

// The aggregator's statements, run against the program's own tables.
class TestRegionDataStore : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestDb::Open(); }

    // Only the regions without a row of that day (and hour) get one, in the
    // order given; rows of other days or hours do not count.
    void rowsMadeOnlyWhereMissing()
    {
        PSqlExec::Exec(
            "insert into MonthMinuteDose(Id, Month) values(2, ?), (3, '2026-03-06')", {kDayText});
        QVERIFY(RRegionDataStore::EnsureDayRows({3, 2, 1}, kDay));
        QVERIFY(RRegionDataStore::EnsureDayRows({3, 2, 1}, kDay));
        QCOMPARE(
            SqlRows("select Id from MonthMinuteDose where Month = ? order by rowid", {kDayText}),
            QStringLiteral("2; 3; 1"));

        PSqlExec::Exec("insert into MonthData(Id, Month, Hour) values(1, ?, 5), (2, ?, 6)",
            {kDayText, kDayText});
        QVERIFY(RRegionDataStore::EnsureHourRows({1, 2}, kDay, 5));
        QVERIFY(RRegionDataStore::EnsureHourRows({1, 2}, kDay, 5));
        QCOMPARE(SqlRows("select Id, Hour from MonthData order by rowid"),
            QStringLiteral("1 5; 2 6; 2 5"));

        // Nothing is written when the check cannot run.
        PSqlExec::Exec("drop table MonthData");
        QVERIFY(!RRegionDataStore::EnsureHourRows({1}, kDay, 7));
    }

    // A day's first link row holds its maximum; regions without one get a
    // row and 0.
    void dayMaximaAndMissingLinkRows()
    {
        PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, MaxDose) values(1, ?, 5), "
                       "(1, ?, 9), (2, '2026-03-06', 7)",
            {kDayText, kDayText});
        const QHash<int, float> maxima = RRegionDataStore::DayMaxima({3, 1, 2}, kDay);
        QCOMPARE(maxima, (QHash<int, float> {{1, 5.0f}, {2, 0.0f}, {3, 0.0f}}));
        QCOMPARE(
            SqlRows("select Id from RegionLinkDoseInfo where Month = ? order by rowid", {kDayText}),
            QStringLiteral("1; 1; 3; 2"));
    }

    void unreducedMinutes_data()
    {
        QTest::addColumn<int>("slotColumn"); // of hour 1, region 1
        QTest::addColumn<double>("minuteValue"); // stored for minute 61
        QTest::addColumn<int>("before");
        QTest::addColumn<Minutes>("missed");
        QTest::newRow("reading, no value") << 30 << 0.0 << 120 << Minutes {{61, {1, 2}}};
        QTest::newRow("last slot of the minute") << 59 << 0.0 << 120 << Minutes {{61, {1, 2}}};
        QTest::newRow("already reduced") << 30 << 4.0 << 120 << Minutes {{61, {2}}};
        QTest::newRow("the current minute") << 30 << 0.0 << 61 << Minutes {};
        QTest::newRow("hour not begun") << 30 << 0.0 << 59 << Minutes {};
        QTest::newRow("other minute") << 90 << 0.0 << 120 << Minutes {{61, {2}}, {63, {1}}};
    }

    // Minutes that have readings but no value, by minute, with their regions.
    void unreducedMinutes()
    {
        QFETCH(int, slotColumn);
        QFETCH(double, minuteValue);
        QFETCH(int, before);
        addHourRow(1, 1, {{slotColumn, 2.5}});
        addHourRow(2, 1, {{31, 1.0}});
        // A slot of a row whose sum is 0 is not looked at.
        addHourRow(3, 1, {{30, 1.0}, {31, -1.0}});
        // Another day's readings are not today's.
        addHourRow(1, 1, {{0, 1.0}}, kDay.addDays(-1));
        PSqlExec::Exec("insert into MonthMinuteDose(Id, Month, \"61\") values(1, ?, ?)",
            {kDayText, minuteValue});
        QTEST(RRegionDataStore::UnreducedMinutes({1, 2, 3}, kDay, before), "missed");
    }

    // The slots of a minute are the 30 columns of its hour row; the minute's
    // value replaces its share of the day's sum when rewritten; a missing
    // minute row is made.
    void minuteStatements()
    {
        addHourRow(1, 1, {{29, 9.0}, {30, 1.5}, {59, 3.0}, {60, 9.0}});
        PSqlExec::Exec("insert into MonthMinuteDose(Id, Month, Sum) values(1, ?, 100)", {kDayText});
        RRegionDataStore store(kDay, 61);
        QVERIFY(store.IsReady());
        float fSlots[RRegionDataStore::SlotsPerMinute];
        qint64 nRow = 0;
        store.ReadSlots(1, fSlots, &nRow);
        QCOMPARE(nRow, qint64(1));
        QCOMPARE(fSlots[0], 1.5f);
        QCOMPARE(fSlots[29], 3.0f);
        QCOMPARE(fSlots[1], 0.0f);

        store.WriteSlot(nRow, 29, 0.5);
        QCOMPARE(
            SqlRows("select \"59\", \"60\", \"29\" from MonthData"), QStringLiteral("0.5 9 9"));

        store.WriteMinute(1, 6.0);
        store.WriteMinute(1, 4.0);
        store.WriteMinute(2, 7.0);
        QCOMPARE(SqlRows("select Id, \"61\", Sum, Maxindex from MonthMinuteDose order by rowid"),
            QStringLiteral("1 4 104 61; 2 7 7 61"));

        PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month) values(1, ?)", {kDayText});
        store.WriteDayMax(1, 12.5, QStringLiteral("01:01:08"));
        QCOMPARE(SqlRows("select MaxDose, TimeInfo from RegionLinkDoseInfo"),
            QStringLiteral("12.5 01:01:08"));

        // A region without an hour row reads nothing.
        store.ReadSlots(2, fSlots, &nRow);
        QCOMPARE(nRow, qint64(-1));
        QCOMPARE(fSlots[0], 0.0f);
    }

    // Alarms are counted on the day's link row, made when missing.
    void alarmsCounted()
    {
        PSqlExec::Exec(
            "insert into RegionLinkDoseInfo(Id, Month, AlarmOverCount) values(1, '2026-03-06', 5)");
        RRegionDataStore::CountAlarm(1, kDay);
        RRegionDataStore::CountAlarm(1, kDay);
        RRegionDataStore::CountAlarm(2, kDay);
        QCOMPARE(SqlRows("select Id, Month, AlarmOverCount from RegionLinkDoseInfo order by rowid"),
            QStringLiteral("1 2026-03-06 5; 1 2026-03-07 2; 2 2026-03-07 1"));
    }
};

QTEST_GUILESS_MAIN(TestRegionDataStore)
#include "tst_regiondatastore.moc"
