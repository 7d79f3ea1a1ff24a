#include "SqlRows.h"
#include "TestDb.h"

#include "database/PSavepoint.h"
#include "database/RDayDataStore.h"
#include "database/RRoutingRecords.h"
#include "database/RSystemInfoStore.h"

#include <QSqlDatabase>
#include <QtTest>

namespace {

void refuse(const char* pWhen)
{
    PSqlExec::Exec(
        QStringLiteral("create trigger t %1 begin select raise(abort, 'refused'); end").arg(pWhen));
}

// The rows one day of region 4 or staff 7 keeps, with their day of the month.
QString dayRows()
{
    return SqlRows(
        "select 'M', Id, substr(Month, 9), Sum from MonthMinuteDose union all "
        "select 'D', Id, substr(Month, 9), count(*) from MonthData group by Id, Month "
        "union all select 'L', Id, substr(Month, 9), 0 from RegionLinkDoseInfo union all "
        "select 'P', Id, substr(Month, 9), Sum from PersonalMonthDose union all "
        "select 'R', Id, substr(Month, 9), 0 from PersonalRealTimeDose");
}

QList<QDate> sorted(QList<QDate> days)
{
    std::sort(days.begin(), days.end());
    return days;
}

} // namespace

// The stores the pages write and read through, each on its own.
class TestStores : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestDb::Open(); }

    // Inside the long transaction a unit is all or nothing: a statement a
    // trigger refuses undoes the unit's earlier statements and nothing
    // before it, and the long transaction stays open for the next unit.
    void savepoint_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("released");
        QTest::addColumn<QString>("rows");
        QTest::newRow("released") << false << true << "1; 2; 3";
        QTest::newRow("dropped unreleased") << false << false << "1";
        QTest::newRow("a statement refused") << true << false << "1";
    }
    void savepoint()
    {
        QFETCH(bool, refused);
        QFETCH(bool, released);
        if (refused)
            refuse("before insert on RegionInfo when new.Id = 3");
        QVERIFY(QSqlDatabase::database().transaction());
        PSqlExec::Exec("insert into RegionInfo(Id) values(1)");
        {
            PSavepoint unit("unit");
            QVERIFY(unit.IsOpen());
            QVERIFY(PSqlExec::Exec("insert into RegionInfo(Id) values(2)"));
            QCOMPARE(PSqlExec::Exec("insert into RegionInfo(Id) values(3)"), !refused);
            if (released)
                QVERIFY(unit.Release());
        }
        QTEST(SqlRows("select Id from RegionInfo"), "rows");
        QVERIFY(RConnectDatabase::InTransaction());
        PSavepoint next("unit");
        QVERIFY(PSqlExec::Exec("insert into RegionInfo(Id) values(4)"));
        QVERIFY(next.Release());
        QVERIFY(SqlRows("select Id from RegionInfo").endsWith("4"));
    }

    // A save replaces every row with the main row first and the second
    // server's after it, numbers to six significant digits; a refused
    // statement keeps the old rows and says why.
    void systemInfo()
    {
        RSystemInfo info = RSystemInfoStore::Load();
        QVERIFY(!info.bMainFound && !info.bSecondFound);
        double dCeffR = 0;
        QVERIFY(!RSystemInfoStore::StoredCeffR(&dCeffR));
        PSqlExec::Exec("insert into SystemInfo(Unit_P) values(0), (1), (0)");

        info.strIp = "data.site";
        info.nPort = 9000;
        info.dThreA = 0.1234567;
        info.dThreB = 20.5;
        info.dThreC = 300;
        info.dCeffP = 0.00049;
        info.dCeffR = 0.0061;
        info.strIp2 = "127.0.0.1";
        info.nPort2 = 6000;
        QString strError;
        QVERIFY(RSystemInfoStore::Save(info, &strError));
        QCOMPARE(SqlRows("select Unit_P, IP, Port, Thre_A, Thre_B, Thre_C, Ceff_P, Ceff_R from "
                         "SystemInfo where Unit_P = 0"),
            QStringLiteral("0 data.site 9000 0.123457 20.5 300 0.00049 0.0061"));
        QCOMPARE(SqlRows("select Unit_P, IP, Port from SystemInfo"),
            QStringLiteral("0 data.site 9000; 1 127.0.0.1 6000"));
        const RSystemInfo loaded = RSystemInfoStore::Load();
        QVERIFY(loaded.bMainFound && loaded.bSecondFound);
        QCOMPARE(loaded.dThreB, 20.5);
        QCOMPARE(loaded.nPort2, 6000);
        QVERIFY(RSystemInfoStore::StoredCeffR(&dCeffR));
        QCOMPARE(dCeffR, 0.0061);

        refuse("before insert on SystemInfo when new.Unit_P = 1");
        info.strIp = "elsewhere";
        QVERIFY(!RSystemInfoStore::Save(info, &strError));
        QVERIFY(strError.contains("refused"));
        QCOMPARE(SqlRows("select IP from SystemInfo"), QStringLiteral("data.site; 127.0.0.1"));
    }

    // A region's day counts once its minutes summed to more than 0 (rows
    // are made a day ahead, all zero); staff days count with any row; only
    // the month asked for.
    void daysWithData()
    {
        PSqlExec::Exec("insert into MonthMinuteDose(Id, Month, Sum) values(4, '2026-03-02', 30), "
                       "(4, '2026-03-03', 0), (4, '2026-02-28', 30), (4, '2026-04-01', 30), "
                       "(5, '2026-03-05', 30), (4, '2026-03-31', 1)");
        PSqlExec::Exec("insert into PersonalMonthDose(Id, Month, Sum) values(7, '2026-03-09', 0)");
        using Days = QList<QDate>;
        QCOMPARE(sorted(RDayDataStore::DaysWithData(RDayDataStore::Region, 4, 2026, 3)),
            (Days {QDate(2026, 3, 2), QDate(2026, 3, 31)}));
        QCOMPARE(RDayDataStore::DaysWithData(RDayDataStore::Staff, 7, 2026, 3),
            Days {QDate(2026, 3, 9)});
        QVERIFY(RDayDataStore::DaysWithData(RDayDataStore::Region, 4, 2026, 13).isEmpty());
    }

    // Deleting a day takes that item's rows of that day from every table
    // that keeps it, all or nothing; today's empty rows come back at once.
    void deleteDay_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("recreate");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("deleted");
        QTest::addColumn<QString>("left");
        const QString strStaff = "P 7 06 9; P 7 07 9; P 8 07 9; R 7 06 0; R 7 07 0; R 8 07 0";
        QTest::newRow("region") << int(RDayDataStore::Region) << false << "" << 3
                                << "M 4 06 9; M 5 07 9; D 4 06 1; D 5 07 1; L 4 06 0; L 5 07 0; "
                + strStaff;
        QTest::newRow("region, today")
            << int(RDayDataStore::Region) << true << "" << 3
            << "M 4 06 9; M 5 07 9; M 4 07 0; D 4 06 1; D 4 07 24; D 5 07 1; L 4 06 0; L 5 07 0; "
                + strStaff;
        QTest::newRow("staff") << int(RDayDataStore::Staff) << true << "" << 2
                               << "M 4 06 9; M 4 07 9; M 5 07 9; D 4 06 1; D 4 07 1; D 5 07 1; "
                                  "L 4 06 0; L 4 07 0; L 5 07 0; P 7 06 9; P 8 07 9; R 7 06 0; "
                                  "R 8 07 0";
        QTest::newRow("refused half-way") << int(RDayDataStore::Region) << false
                                          << "before delete on RegionLinkDoseInfo" << -1 << "";
    }
    void deleteDay()
    {
        QFETCH(int, kind);
        QFETCH(bool, recreate);
        QFETCH(QString, trigger);
        QFETCH(QString, left);
        for (const char* pRow : {"4, '2026-03-06'", "4, '2026-03-07'", "5, '2026-03-07'"}) {
            PSqlExec::Exec(
                QStringLiteral("insert into MonthMinuteDose(Id, Month, Sum) values(%1, 9)")
                    .arg(pRow));
            PSqlExec::Exec(QStringLiteral("insert into MonthData(Id, Month) values(%1)").arg(pRow));
            PSqlExec::Exec(
                QStringLiteral("insert into RegionLinkDoseInfo(Id, Month) values(%1)").arg(pRow));
        }
        for (const char* pRow : {"7, '2026-03-06'", "7, '2026-03-07'", "8, '2026-03-07'"}) {
            PSqlExec::Exec(
                QStringLiteral("insert into PersonalMonthDose(Id, Month, Sum) values(%1, 9)")
                    .arg(pRow));
            PSqlExec::Exec(
                QStringLiteral("insert into PersonalRealTimeDose(Id, Month) values(%1)").arg(pRow));
        }
        const QString strBefore = dayRows();
        if (!trigger.isEmpty())
            refuse(qPrintable(trigger));
        int nRows = -1;
        QString strError;
        const int nId = kind == RDayDataStore::Region ? 4 : 7;
        const bool bOk = RDayDataStore::DeleteDay(
            RDayDataStore::Kind(kind), nId, QDate(2026, 3, 7), recreate, &nRows, &strError);
        QCOMPARE(bOk, trigger.isEmpty());
        if (!bOk) {
            QVERIFY(strError.contains("refused"));
            QCOMPARE(dayRows(), strBefore);
            return;
        }
        QTEST(nRows, "deleted");
        QCOMPARE(dayRows(), left);
    }

    // The patrol readings of one staff member, day by day in time order
    // (not in the order stored), each with its half of the day and its dose
    // in hundredths; a name missing from the lists reads as the id.
    void routingLines_data()
    {
        QTest::addColumn<int>("staff");
        QTest::addColumn<QList<int>>("rooms");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("all rooms, two days")
            << 7 << QList<int>()
            << QStringList {"moring|2014-05-03T08:10:00|R|S|1.23",
                   "moring|2014-05-03T11:59:59|Lab \"2\", west|S|0.50",
                   "afternoon|2014-05-03T12:00|R|S|2.00", "moring|2014-05-04T10:00|R|S|0.10"};
        QTest::newRow("one room") << 7 << QList<int> {22}
                                  << QStringList {
                                         "moring|2014-05-03T11:59:59|Lab \"2\", west|S|0.50"};
        QTest::newRow("unlisted staff and room")
            << 9 << QList<int>() << QStringList {"afternoon|2014-05-04T13:00|23|9|1000.00"};
    }
    void routingLines()
    {
        QFETCH(int, staff);
        QFETCH(QList<int>, rooms);
        PSqlExec::Exec("insert into RoutingInfo(Sub, Id, Name, Num) values(2, 8, 'T', 2), "
                       "(1, 7, 'S', 2), (3, 10, 'Gone', 2)");
        PSqlExec::Exec("insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 21, 'R', 2), "
                       "(2, 22, 'Lab \"2\", west', 2)");
        PSqlExec::Exec(
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) values "
            "(7, 21, 200, '12:00', '2014-05-03'), (7, 22, 50, '11:59:59', '2014-05-03'), "
            "(7, 21, 123, '08:10:00', '2014-05-03'), (7, 21, 10, '10:00', '2014-05-04'), "
            "(9, 23, 100000, '13:00', '2014-05-04'), (7, 21, 1, '10:00', '2014-05-06')");
        RRoutingRecords records;
        QCOMPARE(records.Staff().size(), 2);
        QCOMPARE(records.Staff().at(1).strName, QStringLiteral("T"));
        QStringList lines;
        const QSet<int> roomSet(rooms.cbegin(), rooms.cend());
        for (const RRoutingRecords::Line& line : records.Lines(
                 staff, RRoutingRecords::RangeDays(QDate(2014, 5, 5), QDate(2014, 5, 3)), roomSet))
            lines << RRoutingRecords::CsvFields(line).join(QLatin1Char('|'));
        QTEST(lines, "lines");
        QCOMPARE(
            records.StaffWithReadings(QDate(2014, 5, 4), QDate(2014, 5, 6)), (QList<int> {7, 9}));
        QCOMPARE(sorted(records.DaysWithData(2014, 5)),
            (QList<QDate> {QDate(2014, 5, 3), QDate(2014, 5, 4), QDate(2014, 5, 6)}));
        QVERIFY(!records.Failed());
    }

    // A statement that fails is kept as the reader's error.
    void routingFailure()
    {
        PSqlExec::Exec("drop table RoutingMinuteDose");
        RRoutingRecords records;
        QVERIFY(records.Lines(7, {QDate(2014, 5, 3)}, {}).isEmpty());
        QVERIFY(records.Failed());
        QVERIFY(RRoutingRecords::RangeDays(QDate(), QDate(2014, 5, 3)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStores)
#include "tst_stores.moc"
