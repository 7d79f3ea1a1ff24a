#include "database/RMonthReportStore.h"

#include "TestDb.h"

#include <QtTest>

namespace {

const QDate kFirst(2014, 5, 1);
const QDate kLast(2014, 5, 31);

QString days(const QList<RMonthReportStore::DaySum>& sums)
{
    QStringList parts;
    for (const RMonthReportStore::DaySum& sum : sums)
        parts << sum.date.toString(QStringLiteral("MM-dd=")) + QString::number(sum.dSum);
    return parts.join(QLatin1Char(' '));
}

} // namespace

// The monthly report's reads, without the sheet.
class TestMonthReportStore : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestDb::Open(); }

    void daySums_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<QString>("tableName");
        QTest::newRow("region") << int(RMonthReportStore::RegionDays) << "MonthMinuteDose";
        QTest::newRow("staff") << int(RMonthReportStore::StaffDays) << "PersonalMonthDose";
    }

    // Days of the range in day order, the first row of each; another item,
    // days outside and a Month that is no date stay out.
    void daySums()
    {
        QFETCH(int, table);
        QFETCH(QString, tableName);
        PSqlExec::Exec(QStringLiteral("insert into %1(Id, Month, Sum) values(3, '2014-05-20', 4), "
                                      "(3, '2014-05-02', 2), (3, '2014-05-20', 9), (4, "
                                      "'2014-05-03', 1), (3, '2014-04-30', 1), (3, '2014-06-01', "
                                      "1), (3, '2014-05-3', 1), (3, '2014-05-31', 0)")
                           .arg(tableName));
        RMonthReportStore store;
        QVERIFY(store.Begin());
        QCOMPARE(
            days(store.DaySums(static_cast<RMonthReportStore::Table>(table), 3, kFirst, kLast)),
            QStringLiteral("05-02=2 05-20=4 05-31=0"));
        QVERIFY(store.Error().isEmpty());
    }

    // The link rows up to the selected day, the first of each day.
    void regionReads()
    {
        TestDb::AddRegions({3});
        PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, AlarmOverCount, MaxDose, "
                       "TimeInfo) values(3, '2014-05-05', 1, 3, '01:00:00'), (3, '2014-05-02', 2, "
                       "7.5, '10:11:12'), (3, '2014-05-02', 9, 99, '00:00:00'), (3, '2014-05-11', "
                       "4, 1, '02:00:00')");
        RMonthReportStore store;
        QVERIFY(store.Begin());
        QVariant name;
        QVERIFY(store.RegionName(3, &name));
        QCOMPARE(name.toString(), QStringLiteral("Room 3"));
        QCOMPARE(store.RegionAlarmValue(3), QVariant(10));
        QVERIFY(!store.RegionName(4, &name));
        QVERIFY(!store.RegionAlarmValue(4).isValid());
        const QList<RMonthReportStore::LinkDay> link
            = store.RegionLinkDays(3, kFirst, QDate(2014, 5, 10));
        QCOMPARE(link.size(), 2);
        QCOMPARE(link[0].strDay, QStringLiteral("2014-05-02"));
        QCOMPARE(link[0].nAlarms, 2);
        QCOMPARE(link[0].dMax, 7.5);
        QCOMPARE(link[0].strTime, QStringLiteral("10:11:12"));
        QCOMPARE(link[1].strDay, QStringLiteral("2014-05-05"));
    }

    void staffReads()
    {
        PSqlExec::Exec("insert into PersonalInfo(Id, Name, Sex, Position) values(12, 'Ann', 1, "
                       "'Operator')");
        PSqlExec::Exec("insert into PersonalSumDoseInfo(Id, SumDose) values(12, 600)");
        PSqlExec::Exec("insert into PersonalMonthDose(Id, Month, Sum) values(12, '2015-03-31', "
                       "180), (13, '2015-06-30', 5)");
        RMonthReportStore store;
        QVERIFY(store.Begin());
        RMonthReportStore::Staff staff;
        QVERIFY(store.StaffInfo(12, &staff));
        QCOMPARE(staff.name.toString(), QStringLiteral("Ann"));
        QCOMPARE(staff.sex.toInt(), 1);
        QCOMPARE(staff.position.toString(), QStringLiteral("Operator"));
        QVERIFY(!store.StaffInfo(13, &staff));
        QCOMPARE(store.StaffTotal(12), 600.0);
        QCOMPARE(store.StaffTotal(13), 0.0);
        QCOMPARE(store.StaffSumOn(12, QDate(2015, 3, 31)), 180.0);
        QCOMPARE(store.StaffSumOn(12, QDate(2015, 6, 30)), 0.0);
    }

    // A failed read is noted, not taken for busy; the read transaction of
    // the store's own ends with it, and one the client holds stays open.
    void failuresAndTransactions()
    {
        PSqlExec::Exec("drop table PersonalSumDoseInfo");
        {
            RMonthReportStore store;
            QVERIFY(store.Begin());
            QVERIFY(RConnectDatabase::InTransaction());
            QCOMPARE(store.StaffTotal(12), 0.0);
            QVERIFY(!store.Error().isEmpty());
            QVERIFY(!store.Busy());
        }
        QVERIFY(!RConnectDatabase::InTransaction());
        PSqlExec::Exec("begin");
        {
            RMonthReportStore store;
            QVERIFY(store.Begin());
        }
        QVERIFY(RConnectDatabase::InTransaction());
    }
};

QTEST_GUILESS_MAIN(TestMonthReportStore)
#include "tst_monthreportstore.moc"
