#include "PDemoHistory.h"
#include "SqlRows.h"
#include "TestDb.h"
#include "database/PHistoryDoseStore.h"
#include "history/HistoryDb.h"

#include <QtTest>

#include <algorithm>

namespace {

const QDate kToday(2024, 3, 10);

using HistoryDb::Day;

QVariant value(const QString& strSql, const QVariantList& values = {})
{
    return PSqlExec::Scalar(strSql, values);
}

int rows(const char* pTable, const QDate& date)
{
    return value(QStringLiteral("select count(*) from %1 where Month = ?").arg(pTable), {Day(date)})
        .toInt();
}

} // namespace

// The demo's first run must show the charts a week of recording would: the
// history readers have to find the rows the aggregator leaves.
class TestPDemoHistory : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({1, 2, 3, 4, 5});
        PSqlExec::Exec("insert into SystemInfo(IP) values('127.0.0.1')");
        PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 1000 + 1000 * (Id = 4)");
        TestDb::Catalogue().Reload();
    }

    // A second run of the tool, or a day the client recorded, must keep what
    // is there, and today belongs to the running client.
    void writesOnlyMissingPastDays()
    {
        const QDate yesterday = kToday.addDays(-1);
        PSqlExec::Exec("insert into MonthMinuteDose(Id, Month) values(1, ?)", {Day(yesterday)});
        QCOMPARE(PDemoHistory::Write(kToday, 3), 14);
        QCOMPARE(rows("MonthMinuteDose", yesterday), 5);
        QCOMPARE(rows("MonthData", yesterday), 4 * 24);
        QCOMPARE(rows("RegionLinkDoseInfo", yesterday), 4);
        QCOMPARE(
            value("select Sum from MonthMinuteDose where Id = 1 and Month = ?", {Day(yesterday)})
                .toDouble(),
            0.0);
        QCOMPARE(rows("MonthData", kToday.addDays(-3)), 5 * 24);
        QCOMPARE(rows("MonthData", kToday), 0);
        QCOMPARE(rows("MonthData", kToday.addDays(-4)), 0);
        const QVariant total = value("select total(Sum) from MonthData");
        QCOMPARE(PDemoHistory::Write(kToday, 3), 0);
        QCOMPARE(value("select total(Sum) from MonthData"), total);
        QCOMPARE(value("select count(*) from MonthData").toInt(), 14 * 24);
        // The history readers find a curve in every region's day, reduced to
        // its last minute.
        const QDate date = kToday.addDays(-3);
        for (int nId = 1; nId <= 5; ++nId) {
            QVector<float> minutes(1440);
            PHistoryDoseStore::LoadRegionDay(nId, date, minutes);
            QVERIFY(std::count(minutes.cbegin(), minutes.cend(), 0.0f) < 1440);
            QCOMPARE(value("select Maxindex from MonthMinuteDose where Id = ? and Month = ?",
                         {nId, Day(date)})
                         .toInt(),
                1439);
        }
        // The journal holds the days' episodes: one raise, acknowledgement and
        // clear each, as many as the day rows count, region by region.
        QVERIFY(value("select sum(AlarmOverCount) from RegionLinkDoseInfo").toInt() > 0);
        QCOMPARE(SqlRows("select Id, count(*) from AlarmJournal where Event = 'alarm' group by Id"),
            SqlRows("select Id, sum(AlarmOverCount) from RegionLinkDoseInfo group by Id having "
                    "sum(AlarmOverCount) > 0"));
        QCOMPARE(value("select count(*) from AlarmJournal where Event = 'ack'"),
            value("select count(*) from AlarmJournal where Event = 'clear'"));
    }
};

QTEST_GUILESS_MAIN(TestPDemoHistory)
#include "tst_pdemohistory.moc"
