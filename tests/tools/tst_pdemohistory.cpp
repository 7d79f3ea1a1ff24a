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

int rows(const QString& strTable, const QDate& day)
{
    return PSqlExec::Scalar(QStringLiteral("select count(*) from %1 where Month = ?").arg(strTable),
        {day.toString(QStringLiteral("yyyy-MM-dd"))})
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
        PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP) values('127.0.0.1')"));
        PSqlExec::Exec(QStringLiteral("update RegionCurveColorInfo set Alarmvalue = 1000"));
        PSqlExec::Exec(
            QStringLiteral("update RegionCurveColorInfo set Alarmvalue = 2000 where Id = 4"));
        RRegionCatalogue::Shared().Reload();
    }

    // Each minute the mean of its non-zero slots scaled to 30 slots, the
    // day's sum that of its minutes, each hour's that of its slots, the
    // maximum a slot at the stored time, an alarm count only above the
    // threshold. Catches slots in the wrong hour or column, a minute off by
    // one or by the scaling, sums over the wrong rows, a wrong Maxindex.
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
        const QDate day = kToday.addDays(-1);
        const QString strDay = day.toString(QStringLiteral("yyyy-MM-dd"));

        QVector<float> doses;
        QVector<float> fine;
        for (int nHour = 0; nHour < 24; nHour += 2) {
            fine.fill(0.0f, PDoseCurveView::kFineSlots);
            PHistoryDoseStore::LoadRegionFine(id, day, nHour, fine);
            doses += fine;
        }
        QVector<float> minutes(1440);
        PHistoryDoseStore::LoadRegionDay(id, day, minutes);

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
            const double dExpected = nCount ? dSum / nCount : 0.0;
            QVERIFY2(near(minutes[nMinute], dExpected), qPrintable(QString::number(nMinute)));
            nEmptyMinutes += nCount == 0 ? 1 : 0;
            dDaySum += minutes[nMinute] * 30.0;
        }
        // Only the region whose detector is off at times has gaps.
        QCOMPARE(nEmptyMinutes > 0, id == 5);
        QVERIFY(nEmptyMinutes < 1440);

        QVector<float> monthSums(31);
        PHistoryDoseStore::LoadMonthSums(
            QStringLiteral("MonthMinuteDose"), id, day, 1.0f, monthSums);
        QVERIFY(near(monthSums[day.day() - 1], dDaySum));
        QCOMPARE(
            PSqlExec::Scalar(
                QStringLiteral("select Maxindex from MonthMinuteDose where Id = ? and Month = ?"),
                {id, strDay})
                .toInt(),
            1439);

        for (int nHour = 0; nHour < 24; ++nHour) {
            double dSlots = 0.0;
            for (int i = nHour * 1800; i < nHour * 1800 + 1800; ++i)
                dSlots += doses[i];
            const double dStored = PSqlExec::Scalar(
                QStringLiteral("select Sum from MonthData where Id = ? and Month = ? and Hour = ?"),
                {id, strDay, nHour})
                                       .toDouble();
            QVERIFY2(near(dStored, dSlots), qPrintable(QString::number(nHour)));
        }

        QSqlQuery query = PSqlExec::Select(QStringLiteral("select MaxDose, TimeInfo, "
                                                          "AlarmOverCount from RegionLinkDoseInfo "
                                                          "where Id = ? and Month = ?"),
            {id, strDay});
        QVERIFY(query.next());
        const float fMax = *std::max_element(doses.cbegin(), doses.cend());
        QVERIFY(near(query.value(0).toDouble(), fMax));
        const QTime time = QTime::fromString(query.value(1).toString(), QStringLiteral("hh:mm:ss"));
        QVERIFY(time.isValid());
        QCOMPARE(doses[time.msecsSinceStartOfDay() / 2000], fMax);
        const int nAlarm = RRegionCatalogue::Shared().AlarmValue(id);
        QCOMPARE(query.value(2).toInt() > 0, fMax >= nAlarm);
        QVERIFY(!query.next());
    }

    // A second run of the tool, or a day the client recorded, must keep what
    // is there, and today belongs to the running client.
    void writesOnlyMissingPastDays()
    {
        const QDate yesterday = kToday.addDays(-1);
        PSqlExec::Exec(QStringLiteral("insert into MonthMinuteDose(Id, Month) values(1, ?)"),
            {yesterday.toString(QStringLiteral("yyyy-MM-dd"))});
        QCOMPARE(PDemoHistory::Write(kToday, 3), 14);

        QCOMPARE(rows(QStringLiteral("MonthMinuteDose"), yesterday), 5);
        QCOMPARE(rows(QStringLiteral("MonthData"), yesterday), 4 * 24);
        QCOMPARE(rows(QStringLiteral("RegionLinkDoseInfo"), yesterday), 4);
        QCOMPARE(PSqlExec::Scalar(QStringLiteral("select Sum from MonthMinuteDose where Id = 1 "
                                                 "and Month = ?"),
                     {yesterday.toString(QStringLiteral("yyyy-MM-dd"))})
                     .toDouble(),
            0.0);
        QCOMPARE(rows(QStringLiteral("MonthData"), kToday.addDays(-3)), 5 * 24);
        QCOMPARE(rows(QStringLiteral("MonthData"), kToday), 0);
        QCOMPARE(rows(QStringLiteral("MonthData"), kToday.addDays(-4)), 0);

        const QVariant total = PSqlExec::Scalar(QStringLiteral("select total(Sum) from MonthData"));
        QCOMPARE(PDemoHistory::Write(kToday, 3), 0);
        QCOMPARE(PSqlExec::Scalar(QStringLiteral("select total(Sum) from MonthData")), total);
        QCOMPARE(
            PSqlExec::Scalar(QStringLiteral("select count(*) from MonthData")).toInt(), 14 * 24);
    }
};

QTEST_GUILESS_MAIN(TestPDemoHistory)
#include "tst_pdemohistory.moc"
