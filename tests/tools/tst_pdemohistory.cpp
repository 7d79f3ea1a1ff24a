#include "PDemoHistory.h"
#include "TestDb.h"
#include "database/PHistoryDoseStore.h"
#include "history/PDoseCurveView.h"

#include <QtTest>

namespace {

const QDate kToday(2024, 3, 10);

bool near(double dA, double dB)
{
    return qAbs(dA - dB) <= 1e-5 * qMax(1.0, qMax(qAbs(dA), qAbs(dB)));
}

QString day(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QVariant value(const QString& strSql, const QVariantList& values = {})
{
    return PSqlExec::Scalar(strSql, values);
}

int rows(const char* pTable, const QDate& date)
{
    return value(QStringLiteral("select count(*) from %1 where Month = ?").arg(pTable), {day(date)})
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
        RRegionCatalogue::Shared().Reload();
    }

    // Each minute the mean of its non-zero slots scaled to 30 slots, the
    // day's sum that of its minutes, the maximum a slot at the stored time,
    // an alarm count only above the threshold. Catches slots in the wrong
    // hour or column, a minute off by one or by the scaling, a wrong
    // Maxindex.
    void dayAsTheAggregatorLeavesIt_data()
    {
        QTest::addColumn<int>("id");
        for (int nId = 1; nId <= 5; ++nId)
            QTest::addRow("region %d", nId) << nId;
    }

    void dayAsTheAggregatorLeavesIt()
    {
        QFETCH(int, id);
        QCOMPARE(PDemoHistory::Write(kToday, 1), 5);
        const QDate date = kToday.addDays(-1);
        QVector<float> doses;
        QVector<float> fine(PDoseCurveView::kFineSlots);
        for (int nHour = 0; nHour < 24; nHour += 2) {
            fine.fill(0.0f);
            PHistoryDoseStore::LoadRegionFine(id, date, nHour, fine);
            doses += fine;
        }
        QVector<float> minutes(1440);
        PHistoryDoseStore::LoadRegionDay(id, date, minutes);
        double dDaySum = 0.0;
        int nEmptyMinutes = 0;
        for (int nMinute = 0; nMinute < 1440; ++nMinute) {
            double dSum = 0.0;
            int nCount = 0;
            for (int i = nMinute * 30; i < nMinute * 30 + 30; ++i) {
                dSum += doses[i];
                nCount += doses[i] != 0.0f ? 1 : 0;
            }
            // The row holds the mean times 30 slots; the store reads back the mean.
            QVERIFY2(near(minutes[nMinute], nCount ? dSum / nCount : 0.0),
                qPrintable(QString::number(nMinute)));
            nEmptyMinutes += nCount == 0 ? 1 : 0;
            dDaySum += minutes[nMinute] * 30.0;
        }
        // Only the region whose detector is off at times has gaps.
        QCOMPARE(nEmptyMinutes > 0, id == 5);
        QVERIFY(nEmptyMinutes < 1440);
        const QString strRow = QStringLiteral(" from MonthMinuteDose where Id = ? and Month = ?");
        QVERIFY(near(value("select Sum" + strRow, {id, day(date)}).toDouble(), dDaySum));
        QCOMPARE(value("select Maxindex" + strRow, {id, day(date)}).toInt(), 1439);
        QSqlQuery query = PSqlExec::Select("select MaxDose, TimeInfo, AlarmOverCount from "
                                           "RegionLinkDoseInfo where Id = ? and Month = ?",
            {id, day(date)});
        QVERIFY(query.next());
        const float fMax = *std::max_element(doses.cbegin(), doses.cend());
        QVERIFY(near(query.value(0).toDouble(), fMax));
        const QTime time = QTime::fromString(query.value(1).toString(), QStringLiteral("hh:mm:ss"));
        QCOMPARE(doses.value(time.msecsSinceStartOfDay() / 2000), fMax);
        QCOMPARE(query.value(2).toInt() > 0, fMax >= RRegionCatalogue::Shared().AlarmValue(id));
        QVERIFY(!query.next());
    }

    // A second run of the tool, or a day the client recorded, must keep what
    // is there, and today belongs to the running client.
    void writesOnlyMissingPastDays()
    {
        const QDate yesterday = kToday.addDays(-1);
        PSqlExec::Exec("insert into MonthMinuteDose(Id, Month) values(1, ?)", {day(yesterday)});
        QCOMPARE(PDemoHistory::Write(kToday, 3), 14);
        QCOMPARE(rows("MonthMinuteDose", yesterday), 5);
        QCOMPARE(rows("MonthData", yesterday), 4 * 24);
        QCOMPARE(rows("RegionLinkDoseInfo", yesterday), 4);
        QCOMPARE(
            value("select Sum from MonthMinuteDose where Id = 1 and Month = ?", {day(yesterday)})
                .toDouble(),
            0.0);
        QCOMPARE(rows("MonthData", kToday.addDays(-3)), 5 * 24);
        QCOMPARE(rows("MonthData", kToday), 0);
        QCOMPARE(rows("MonthData", kToday.addDays(-4)), 0);
        const QVariant total = value("select total(Sum) from MonthData");
        QCOMPARE(PDemoHistory::Write(kToday, 3), 0);
        QCOMPARE(value("select total(Sum) from MonthData"), total);
        QCOMPARE(value("select count(*) from MonthData").toInt(), 14 * 24);
    }
};

QTEST_GUILESS_MAIN(TestPDemoHistory)
#include "tst_pdemohistory.moc"
