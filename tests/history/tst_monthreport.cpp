#include "history/PMonthReport.h"
#include "message/SBus.h"
#include "message/SClock.h"

#include "TestDb.h"
#include "XlsxSheet.h"

#include <QtTest>

namespace {

// Rows of (Id, Month, Sum) in pTable.
void addDaySums(const char* pTable, const char* pRows)
{
    QVERIFY2(PSqlExec::Exec(QStringLiteral("insert into %1(Id, Month, Sum) values %2")
                                .arg(QLatin1String(pTable), QLatin1String(pRows))),
        pRows);
}

// A day of region 3 whose minutes from nFirst on, nCount of them, read a
// steady dDose µRad/h (each minute value the sum of its 30 rates).
void addMinutes(const char* pDay, int nFirst, int nCount, double dDose)
{
    QStringList columns;
    QVariantList values {3, QLatin1String(pDay)};
    for (int nMinute = nFirst; nMinute < nFirst + nCount; ++nMinute) {
        columns << QStringLiteral("\"%1\"").arg(nMinute);
        values << dDose * 30;
    }
    values << dDose * 30 * nCount;
    QVERIFY(PSqlExec::Exec(QStringLiteral("insert into MonthMinuteDose(Id, Month, %1, Sum) "
                                          "values(?, ?, %2?)")
                               .arg(columns.join(','), QString("?, ").repeated(nCount)),
        values));
}

// The cells of the sheet, "A1=value", in row order.
QMap<QString, QString> cells(const XlsxSheet& sheet, const QStringList& names)
{
    QMap<QString, QString> values;
    for (const QString& strName : names)
        values.insert(strName, sheet.values.value(strName));
    return values;
}

} // namespace

class TstMonthReport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    XlsxSheet Write(int nKind, int nId, const QDate& date, const QDateTime& now)
    {
        SManualClock clock(now);
        PMonthReport report(nKind, nId, date, &clock);
        QString strError;
        const QString strFile = m_dir.filePath(QStringLiteral("r.xlsx"));
        if (report.Read(&strError) != PMonthReport::Status::Ok || !report.Write(strFile, &strError))
            qWarning("%s", qPrintable(strError));
        return XlsxSheet::Read(strFile);
    }

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({3});
    }

    // Title, blocks, daily rows and chart of a region; days after the
    // selected one count in the rows only, a day whose minutes were all 0
    // has no row, and the months around stay out.
    void regionReport()
    {
        addDaySums("MonthMinuteDose",
            "(3, '2014-04-30', 99999), (3, '2014-05-01', 43200), "
            "(3, '2014-05-02', 86400), (3, '2014-05-03', 0), (3, "
            "'2014-05-20', 3600), (4, '2014-05-04', 3600), (3, "
            "'2014-06-01', 1800)");
        PSqlExec::Exec(
            "insert into RegionLinkDoseInfo(Id, Month, AlarmOverCount, MaxDose, TimeInfo) "
            "values(3, '2014-05-02', 2, 7.5, '10:11:12'), (3, '2014-05-05', 1, 3, "
            "'01:00:00'), (3, '2014-05-15', 4, 99, '23:00:00')");
        const XlsxSheet sheet = Write(
            SBus::RegionList, 3, QDate(2014, 5, 10), QDateTime(QDate(2014, 6, 2), QTime(8, 0)));
        QCOMPARE(sheet.values.value("A1"), m_dir.filePath("r.xlsx"));
        QCOMPARE(cells(sheet, {"B3", "B4", "B7", "B8", "B9", "B10", "B11", "B12", "A5", "B5"}),
            (QMap<QString, QString> {{"B3", "3"}, {"B4", "Room 3"}, {"B7", "0"}, {"B8", "7.5"},
                {"B9", "10"}, {"B10", "3"}, {"B11", "2014-05-02T10:11:12"},
                {"B12", "2014-06-02T08:00:00"}, {"A5", ""}, {"B5", ""}}));
        QCOMPARE(cells(sheet, {"A15", "A16", "A17", "A18", "B17"}),
            (QMap<QString, QString> {{"A15", XlsxSheet::Serial(QDate(2014, 5, 1))},
                {"A16", XlsxSheet::Serial(QDate(2014, 5, 2))},
                {"A17", XlsxSheet::Serial(QDate(2014, 5, 20))},
                {"A18", "Cumulative dose rate curve."}, {"B17", "2"}}));
        QCOMPARE(sheet.formats.value("B7"), QString("0.00"));
        QCOMPARE(sheet.formats.value("A15"), QString("yyyy-mm-dd"));
        QCOMPARE(sheet.formats.value("B17"), QString("0.00"));
        QCOMPARE(sheet.merges, QStringList({"A1:B1", "A2:B2", "A6:B6", "A13:B13", "A18:B18"}));

        // The series covers exactly the daily rows and is named by the header.
        QVERIFY(sheet.chart.contains("<c:lineChart>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$A$15:$A$17</c:f>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$15:$B$17</c:f>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$14</c:f>"));
    }

    // The average is the mean rate of the minutes stored up to the report's
    // day: a day only begun and a gap weigh their minutes, not a whole day,
    // and neither the days after nor the month before count.
    void regionAverage_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<double>("average");
        QTest::newRow("the 1st: steady") << QDate(2014, 5, 1) << 560.0;
        // 60 minutes at 560, 10 at 100, 5 at 560 (the 8th, only begun).
        QTest::newRow("the 8th, with a gap and a partial day")
            << QDate(2014, 5, 8) << (65 * 560.0 + 10 * 100) / 75;
        QTest::newRow("the month past")
            << QDate(2014, 5, 31) << (65 * 560.0 + 1000 + 20 * 200) / 95;
    }
    void regionAverage()
    {
        QFETCH(QDate, date);
        addMinutes("2014-04-30", 0, 100, 9000);
        addMinutes("2014-05-01", 0, 60, 560);
        addMinutes("2014-05-02", 600, 10, 100);
        addMinutes("2014-05-08", 0, 5, 560);
        addMinutes("2014-05-20", 1420, 20, 200);
        addMinutes("2014-06-01", 0, 10, 9000);
        const XlsxSheet sheet = Write(SBus::RegionList, 3, date, QDate(2014, 6, 2).startOfDay());
        QTEST(sheet.values.value("B7").toDouble(), "average");
    }

    // On the 1st the average is that day's own; with no kept day there are
    // no daily rows and no chart (its range would be empty).
    void regionMonthWithoutDays()
    {
        addDaySums("MonthMinuteDose", "(3, '2014-05-01', 0)");
        const XlsxSheet sheet = Write(
            SBus::RegionList, 3, QDate(2014, 5, 1), QDateTime(QDate(2014, 6, 2), QTime(8, 0)));
        QCOMPARE(sheet.values.value("B7"), QString("0"));
        QCOMPARE(sheet.values.value("A15"), QString("Cumulative dose rate curve."));
        QVERIFY(!sheet.values.contains("B11"));
        QVERIFY(sheet.chart.isEmpty());
    }

    void staffQuarters_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<double>("previousYearEnd");
        QTest::addColumn<QList<double>>("quarters");
        // Cumulative 180, 300, 420 at the ends of March, June, September;
        // total 600.
        QTest::newRow("February: only Q1, from the year's start")
            << QDate(2015, 2, 10) << 60.0 << QList<double>({9, 0, 0, 0});
        QTest::newRow("November: each quarter from its end value")
            << QDate(2015, 11, 10) << 60.0 << QList<double>({2, 2, 2, 3});
        QTest::newRow("last year's value above the total counts as 0")
            << QDate(2015, 2, 10) << 900.0 << QList<double>({10, 0, 0, 0});
    }

    // The quarters follow today's date, not the report's; the percentage is
    // a fraction under a percent format, the doses numbers under "0.00"
    // (SumDose 600: 10.00 and 0.05%); a day whose Sum is 0 keeps its row.
    void staffQuarters()
    {
        QFETCH(QDate, today);
        QFETCH(double, previousYearEnd);
        QFETCH(QList<double>, quarters);
        PSqlExec::Exec("insert into PersonalInfo(Id, Name, Sex, Position) values(12, 'Ann', 1, "
                       "'Operator')");
        PSqlExec::Exec("insert into PersonalSumDoseInfo(Id, SumDose) values(12, 600)");
        PSqlExec::Exec("insert into PersonalMonthDose(Id, Month, Sum) values(12, '2014-12-31', ?)",
            {previousYearEnd});
        addDaySums("PersonalMonthDose",
            "(12, '2015-03-31', 180), (12, '2015-06-30', 300), "
            "(12, '2015-09-30', 420), (12, '2014-05-03', 0), (12, "
            "'2014-05-04', 30)");
        const XlsxSheet sheet
            = Write(SBus::PersonalList, 12, QDate(2014, 5, 31), QDateTime(today, QTime(9, 0)));

        QCOMPARE(cells(sheet, {"A2", "B4", "B6", "B9", "A18", "B18", "B19", "A20"}),
            (QMap<QString, QString> {{"A2", "PersonalInfo"}, {"B4", "Ann"}, {"B6", "Operator"},
                {"B9", "10"}, {"A18", XlsxSheet::Serial(QDate(2014, 5, 3))}, {"B18", "0"},
                {"B19", "0.5"}, {"A20", "That month cumulative dose curve."}}));
        QCOMPARE(sheet.formats.value("B9"), QString("0.00"));
        QCOMPARE(sheet.values.value("B10").toDouble(), 0.0005);
        QCOMPARE(sheet.formats.value("B10"), QString("0.00%"));
        for (int i = 0; i < 4; ++i) {
            const QString strCell = QStringLiteral("B%1").arg(11 + i);
            QCOMPARE(sheet.values.value(strCell).toDouble(), quarters.at(i));
            QCOMPARE(sheet.formats.value(strCell), QString("0.00\"uSv\""));
        }
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$18:$B$19</c:f>"));
    }
};

QTEST_GUILESS_MAIN(TstMonthReport)
#include "tst_monthreport.moc"
