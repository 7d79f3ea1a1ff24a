#include "HistoryDb.h"

#include "history/PDoseCurveView.h"
#include "history/PHistoryDoseStore.h"

#include <QtTest>

namespace {

const QDate kDay(2026, 3, 7);

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

private slots:
    void init() { HistoryDb::Open(); }

    void regionDayReadsMinuteColumns();
    void personalDayBackgroundAndMeans();
    void personalDayIgnoresBadRows();
    void regionFineReadsTwoHours();
    void personalFineSlotsAndMeans();
    void monthSums_data();
    void monthSums();
    void personalHoursDividedBySixty();
    void curveSelectorsAndColours();
};

void TestHistoryStore::regionDayReadsMinuteColumns()
{
    HistoryDb::InsertMinutes(7, kDay, {{0, 1.5}, {480, 3.25}, {1439, 2.5}});
    HistoryDb::InsertMinutes(8, kDay, {{0, 9.0}});
    QVector<float> samples(1440, 0.0f);
    PHistoryDoseStore::LoadRegionDay(7, kDay, samples);
    QCOMPARE(samples[0], 1.5f);
    QCOMPARE(samples[480], 3.25f);
    QCOMPARE(samples[1439], 2.5f);
    QCOMPARE(samples[1], 0.0f);
    // Another day of the same region has no row: nothing changes.
    QVector<float> other(1440, 0.0f);
    PHistoryDoseStore::LoadRegionDay(7, kDay.addDays(1), other);
    QCOMPARE(other, QVector<float>(1440, 0.0f));
    // A longer buffer than the row keeps its tail at 0.
    QVector<float> longer(2000, 0.0f);
    PHistoryDoseStore::LoadRegionDay(7, kDay, longer);
    QCOMPARE(longer[1439], 2.5f);
    QCOMPARE(longer[1999], 0.0f);
}

void TestHistoryStore::personalDayBackgroundAndMeans()
{
    HistoryDb::SetPersonalCoefficient(0.001);
    HistoryDb::InsertPersonalDay(5, kDay, {}, 0, 2);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("03:05"), {}, 3, 6.0);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("00:30"), {}, 2, 1.0);
    QVector<float> samples(1440, 0.0f);
    PHistoryDoseStore::LoadPersonalDay(5, kDay, samples);
    // The two hours before the latest hour written carry the background.
    QCOMPARE(samples[0], 0.245f);
    QCOMPARE(samples[119], 0.245f);
    QCOMPARE(samples[120], 0.0f);
    QCOMPARE(samples[30], 0.5f);
    QCOMPARE(samples[185], 2.0f);
}

void TestHistoryStore::personalDayIgnoresBadRows()
{
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("03:05"), {}, 0, 6.0);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("24:00"), {}, 1, 6.0);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("3:5:0"), {}, 1, 6.0);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("00:10"), {}, 1, 4.0);
    // A TimeIndex beyond the day and a minute at the buffer's end stay inside.
    HistoryDb::InsertPersonalDay(5, kDay, {}, 0, 99);
    QVector<float> samples(10, 0.0f);
    PHistoryDoseStore::LoadPersonalDay(5, kDay, samples);
    QCOMPARE(samples.size(), 10);
    QCOMPARE(samples[9], 0.0f); // no SystemInfo row: a background of 0
    QVector<float> day(1440, 0.0f);
    PHistoryDoseStore::LoadPersonalDay(5, kDay, day);
    QCOMPARE(day[185], 0.0f); // no readings, no mean
    QCOMPARE(day[10], 4.0f);
}

void TestHistoryStore::regionFineReadsTwoHours()
{
    HistoryDb::InsertHour(3, kDay, 9, {{0, 0.5}, {1799, 4.0}});
    HistoryDb::InsertHour(3, kDay, 10, {{15, 7.5}});
    HistoryDb::InsertHour(3, kDay, 11, {{0, 99.0}});
    QVector<float> fine(PDoseCurveView::kFineSlots, 0.0f);
    QCOMPARE(PHistoryDoseStore::LoadRegionFine(3, kDay, 9, fine), 7.5f);
    QCOMPARE(fine[0], 0.5f);
    QCOMPARE(fine[1799], 4.0f);
    QCOMPARE(fine[1815], 7.5f);
    QVector<float> empty(PDoseCurveView::kFineSlots, 0.0f);
    QCOMPARE(PHistoryDoseStore::LoadRegionFine(3, kDay, 20, empty), 0.0f);
}

void TestHistoryStore::personalFineSlotsAndMeans()
{
    HistoryDb::SetPersonalCoefficient(0.002);
    HistoryDb::InsertPersonalDay(5, kDay, {}, 0, 8);
    // Slot columns where the writer stored them; a sum-only row spreads its mean.
    HistoryDb::InsertPersonalMinute(
        5, kDay, QStringLiteral("08:01"), {{0, 1.0}, {29, 2.0}}, 2, 3.0);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("07:59"), {}, 4, 8.0);
    HistoryDb::InsertPersonalMinute(5, kDay, QStringLiteral("10:00"), {{0, 50.0}}, 1, 50.0);
    QVector<float> fine(PDoseCurveView::kFineSlots, 0.0f);
    const float fMax = PHistoryDoseStore::LoadPersonalFine(5, kDay, 7, fine);
    QCOMPARE(fMax, 2.0f);
    QCOMPARE(fine[0], 0.49f); // hour 7 lies before the latest hour written
    QCOMPARE(fine[59 * 30], 2.0f);
    QCOMPARE(fine[59 * 30 + 29], 2.0f);
    QCOMPARE(fine[1800], 0.0f);
    QCOMPARE(fine[1800 + 30], 1.0f);
    QCOMPARE(fine[1800 + 59], 2.0f);
    QCOMPARE(fine[1800 + 31], 0.0f);
}

void TestHistoryStore::monthSums_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<float>("divisor");
    QTest::addColumn<int>("length");
    QTest::newRow("region histogram") << QStringLiteral("MonthMinuteDose") << 1800.0f << 31;
    QTest::newRow("staff month") << QStringLiteral("PersonalMonthDose") << 60.0f << 31;
    QTest::newRow("shorter buffer than the month")
        << QStringLiteral("MonthMinuteDose") << 1800.0f << 2;
}

void TestHistoryStore::monthSums()
{
    QFETCH(QString, table);
    QFETCH(float, divisor);
    QFETCH(int, length);
    const QDate first(2026, 3, 1);
    for (int d : {0, 1, 30}) {
        PSqlExec::Exec(QStringLiteral("insert into %1 (Id, Month, Sum) values (4, '%2', %3)")
                           .arg(table, HistoryDb::Day(first.addDays(d)))
                           .arg(divisor * (d + 1)));
    }
    PSqlExec::Exec(
        QStringLiteral("insert into %1 (Id, Month, Sum) values (4, '2026-04-01', 1e6)").arg(table));
    QVector<float> values(length, -1.0f);
    PHistoryDoseStore::LoadMonthSums(table, 4, QDate(2026, 3, 18), divisor, values);
    QCOMPARE(values.size(), length);
    QCOMPARE(values[0], 1.0f);
    QCOMPARE(values[1], 2.0f);
    if (length == 31) {
        QCOMPARE(values[2], 0.0f);
        QCOMPARE(values[30], 31.0f);
    }
}

void TestHistoryStore::personalHoursDividedBySixty()
{
    HistoryDb::InsertPersonalDay(6, kDay, {{0, 60.0}, {23, 300.0}}, 0, 23);
    QVector<float> values(24, -1.0f);
    PHistoryDoseStore::LoadPersonalHours(6, kDay, values);
    QCOMPARE(values[0], 1.0f);
    QCOMPARE(values[1], 0.0f);
    QCOMPARE(values[23], 5.0f);
}

void TestHistoryStore::curveSelectorsAndColours()
{
    HistoryDb::AddRegion(1, 11, 3, 2, 10, 20, 30);
    HistoryDb::AddRegion(2, 12, 3, 0, 300, -4, 40);
    // Sub 3 is missing: the walk skips it.
    const QHash<int, bool> enabled = PHistoryDoseStore::LoadCurveEnabled();
    QCOMPARE(enabled.size(), 2);
    QCOMPARE(enabled.value(11), true);
    QCOMPARE(enabled.value(12), false);
    const QHash<int, QColor> colours = PHistoryDoseStore::LoadCurveColours();
    QCOMPARE(colours.value(11), QColor(10, 20, 30));
    QCOMPARE(colours.value(12), QColor(255, 0, 40));
}

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
