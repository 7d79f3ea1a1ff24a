#include "history/HistoryDb.h"

#include "database/PHistoryDoseStore.h"
#include "history/PDoseCurveView.h"

#include <QtTest>

using HistoryDb::Insert;
using HistoryDb::Keys;

namespace {

const QDate kDay(2026, 3, 7);

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestDb::Open(); }

    void personalDayBackgroundAndMeans()
    {
        Insert("SystemInfo", "Ceff_P", "0.001");
        Insert("PersonalMonthDose", "Id,Month,TimeIndex", Keys(5, kDay, ",2"));
        Insert("PersonalRealTimeDose", "Id,Month,Time,Count,Sum", Keys(5, kDay, ",'03:05',3,6"));
        Insert("PersonalRealTimeDose", "Id,Month,Time,Count,Sum", Keys(5, kDay, ",'00:30',2,1"));
        // Rows that are not a minute, or have no readings, are skipped.
        for (const char* pRow : {",'04:00',0,6", ",'24:00',1,6", ",'3:5:0',1,6", ",'x:10',1,6"})
            Insert("PersonalRealTimeDose", "Id,Month,Time,Count,Sum", Keys(5, kDay, pRow));
        QVector<float> samples(1440, 0.0f);
        PHistoryDoseStore::LoadPersonalDay(5, kDay, samples);
        // The two hours before the latest hour written carry the background.
        QCOMPARE(samples[0], 0.245f);
        QCOMPARE(samples[119], 0.245f);
        QCOMPARE(samples[120], 0.0f);
        QCOMPARE(samples[30], 0.5f);
        QCOMPARE(samples[185], 2.0f);
        QCOMPARE(samples[240], 0.0f);
        QCOMPARE(samples[10], 0.245f);
        // A minute at the buffer's end and a TimeIndex past the day stay inside.
        Insert("PersonalMonthDose", "Id,Month,TimeIndex", Keys(6, kDay, ",99"));
        Insert("PersonalRealTimeDose", "Id,Month,Time,Count,Sum", Keys(6, kDay, ",'00:10',1,4"));
        QVector<float> shortDay(10, 0.0f);
        PHistoryDoseStore::LoadPersonalDay(6, kDay, shortDay);
        QCOMPARE(shortDay, QVector<float>(10, 0.245f));
    }

    void fineBuffersOfTwoHours()
    {
        Insert("MonthData", "Id,Month,Hour", Keys(3, kDay, ",9"), {{0, 0.5}, {1799, 4.0}});
        Insert("MonthData", "Id,Month,Hour", Keys(3, kDay, ",10"), {{15, 7.5}});
        Insert("MonthData", "Id,Month,Hour", Keys(3, kDay, ",11"), {{0, 99.0}});
        QVector<float> fine(PDoseCurveView::kFineSlots, 0.0f);
        QCOMPARE(PHistoryDoseStore::LoadRegionFine(3, kDay, 9, fine), 7.5f);
        QCOMPARE(fine[0], 0.5f);
        QCOMPARE(fine[1799], 4.0f);
        QCOMPARE(fine[1815], 7.5f);

        // Staff: slot columns where stored, a sum-only row spreads its mean, the
        // hours before the latest hour written carry the background.
        Insert("SystemInfo", "Ceff_P", "0.002");
        Insert("PersonalMonthDose", "Id,Month,TimeIndex", Keys(5, kDay, ",8"));
        const char* pKeys = "Id,Month,Time,Count,Sum";
        Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, ",'08:01',2,3"), {{0, 1.0}, {29, 2.0}});
        Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, ",'07:59',4,8"));
        Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, ",'10:00',1,50"), {{0, 50.0}});
        QVector<float> staff(PDoseCurveView::kFineSlots, 0.0f);
        QCOMPARE(PHistoryDoseStore::LoadPersonalFine(5, kDay, 7, staff), 2.0f);
        QCOMPARE(staff[0], 0.49f);
        QCOMPARE(staff[59 * 30], 2.0f);
        QCOMPARE(staff[59 * 30 + 29], 2.0f);
        QCOMPARE(staff[1800] + staff[1800 + 31], 0.0f);
        QCOMPARE(staff[1800 + 30], 1.0f);
        QCOMPARE(staff[1800 + 59], 2.0f);
    }

    // A region minute holds 30 times its rate, a staff hour 60 times its
    // dose; each value comes from its own item, day and column.
    void regionMinutesAndStaffHours()
    {
        Insert("MonthMinuteDose", "Id,Month", Keys(3, kDay), {{0, 30.0}, {1439, 60.0}});
        Insert("MonthMinuteDose", "Id,Month", Keys(4, kDay), {{5, 90.0}});
        Insert("MonthMinuteDose", "Id,Month", Keys(3, kDay.addDays(1)), {{1, 90.0}});
        QVector<float> day(1440, 0.0f);
        PHistoryDoseStore::LoadRegionDay(3, kDay, day);
        QCOMPARE(day[0], 1.0f);
        QCOMPARE(day[1], 0.0f);
        QCOMPARE(day[1439], 2.0f);
        QHash<int, QVector<float>> curves {{4, QVector<float>(1440, -1.0f)}};
        PHistoryDoseStore::LoadRegionMinutes(kDay, 4, 6, curves);
        QCOMPARE(curves[4].mid(3, 5), (QVector<float> {-1.0f, 0.0f, 3.0f, 0.0f, -1.0f}));

        Insert("PersonalMonthDose", "Id,Month", Keys(5, kDay), {{0, 60.0}, {23, 120.0}});
        QVector<float> hours(24, -1.0f);
        PHistoryDoseStore::LoadPersonalHours(5, kDay, hours);
        QCOMPARE(hours[0], 1.0f);
        QCOMPARE(hours[1], 0.0f);
        QCOMPARE(hours[23], 2.0f);
    }

    void monthSums()
    {
        for (int d : {1, 2, 31})
            Insert("MonthMinuteDose", "Id,Month,Sum",
                Keys(4, QDate(2026, 3, d), QStringLiteral(",%1").arg(1800 * d)));
        Insert("MonthMinuteDose", "Id,Month,Sum", Keys(4, QDate(2026, 4, 1), ",1e6"));
        QVector<float> values(31, -1.0f);
        PHistoryDoseStore::LoadMonthSums("MonthMinuteDose", 4, QDate(2026, 3, 18), 1800.0f, values);
        QCOMPARE(values.mid(0, 3), (QVector<float> {1.0f, 2.0f, 0.0f}));
        QCOMPARE(values[30], 31.0f);
        // A buffer shorter than the month bounds the walk.
        QVector<float> shortMonth(2, -1.0f);
        PHistoryDoseStore::LoadMonthSums(
            "MonthMinuteDose", 4, QDate(2026, 3, 18), 1800.0f, shortMonth);
        QCOMPARE(shortMonth, (QVector<float> {1.0f, 2.0f}));
    }

    void curveSelectorsAndColours()
    {
        HistoryDb::AddRegion(1, 11, 3, 2, "10,20,30");
        HistoryDb::AddRegion(2, 12, 3, 0, "300,-4,40");
        // Sub 3 is missing: the walk skips it.
        const QHash<int, bool> enabled = PHistoryDoseStore::LoadCurveEnabled();
        QCOMPARE(enabled, (QHash<int, bool> {{11, true}, {12, false}}));
        const QHash<int, QColor> colours = PHistoryDoseStore::LoadCurveColours();
        QCOMPARE(colours.value(11), QColor(10, 20, 30));
        QCOMPARE(colours.value(12), QColor(255, 0, 40));
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
