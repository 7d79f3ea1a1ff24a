#include "SqlRows.h"
#include "TestDb.h"
#include "history/HistoryDb.h"

#include "database/PHistoryDoseStore.h"
#include "database/PSavepoint.h"
#include "database/RDayDataStore.h"
#include "database/RMonthReportStore.h"
#include "database/RRegionDataStore.h"
#include "database/RRoutingRecords.h"
#include "database/RStaffListStore.h"
#include "database/RSystemInfoStore.h"
#include "history/PDoseCurveView.h"

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

const QDate kDay(2026, 3, 7);
const QString kDayText = QStringLiteral("2026-03-07");

// An hour row of region nId with the given slot columns set; Sum is theirs.
void addHourRow(int nId, int nHour, const QMap<int, double>& cells, const QDate& day = kDay)
{
    double dSum = 0.0;
    for (double dCell : cells)
        dSum += dCell;
    HistoryDb::Insert("MonthData", "Id,Month,Hour,Sum",
        HistoryDb::Keys(nId, day, QStringLiteral(",%1,%2").arg(nHour).arg(dSum)), cells);
}

using Minutes = QMap<int, QList<int>>;
using HistoryDb::Insert;
using HistoryDb::Keys;

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

        // The gauge, the plan and the charts take the first row whatever its
        // unit; the link the row of its own unit, as stored (it trims the host
        // and refuses the port itself).
        PSqlExec::Exec("drop trigger t");
        PSqlExec::Exec("delete from SystemInfo");
        QVERIFY(!RSystemInfoStore::Values().bFound && !RSystemInfoStore::ServerAddress(0).bFound);
        PSqlExec::Exec("insert into SystemInfo(IP, Port, Unit_P, Thre_A, Thre_B, Thre_C, Ceff_P, "
                       "Ceff_R) values(' 127.0.0.9 ', 'x', 1, 1, 2, 3, 0.5, 0.25), "
                       "('127.0.0.1', 9, 0, 7, 7, 7, 7, 7)");
        const RSystemValues values = RSystemInfoStore::Values();
        QCOMPARE((QList<double> {
                     values.dThreA, values.dThreB, values.dThreC, values.dCeffP, values.dCeffR}),
            (QList<double> {1, 2, 3, 0.5, 0.25}));
        const auto address = [](int nUnit) {
            const RServerAddress server = RSystemInfoStore::ServerAddress(nUnit);
            return server.bFound ? server.strHost + '|' + server.port.toString() : QString();
        };
        QCOMPARE(address(0), QStringLiteral("127.0.0.1|9"));
        QCOMPARE(address(1), QStringLiteral(" 127.0.0.9 |x"));
        QCOMPARE(address(2), QString());
    }

    // The real-time staff view counts Num and shows every stored name.
    void staffNamesAndCount()
    {
        QCOMPARE(RStaffListStore::StaffCount(), 0);
        PSqlExec::Exec("insert into PersonalInfo(Sub, Id, Name, Num) values(2, 20, 'B', 1), "
                       "(1, 10, 'A', 1)");
        QCOMPARE(RStaffListStore::StaffCount(), 1);
        QCOMPARE(RStaffListStore::StaffNames(), (QStringList {"B", "A"}));
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
        const char* pDays
            = "values(%1, '2026-03-06', 9), (%1, '2026-03-07', 9), (%2, '2026-03-07', 9)";
        PSqlExec::Exec(
            QString("insert into MonthMinuteDose(Id, Month, Sum) ") + QString(pDays).arg(4).arg(5));
        PSqlExec::Exec(QString("insert into PersonalMonthDose(Id, Month, Sum) ")
            + QString(pDays).arg(7).arg(8));
        for (const char* pTable : {"MonthData", "RegionLinkDoseInfo"})
            PSqlExec::Exec(
                QString("insert into %1(Id, Month) select Id, Month from MonthMinuteDose")
                    .arg(pTable));
        PSqlExec::Exec(
            "insert into PersonalRealTimeDose(Id, Month) select Id, Month from PersonalMonthDose");
        const QString strBefore = dayRows();
        if (!trigger.isEmpty())
            refuse(qPrintable(trigger));
        int nRows = -1;
        QString strError;
        const int nId = kind == RDayDataStore::Region ? 4 : 7;
        const bool bOk = RDayDataStore::DeleteDay(TestDb::Writer(), RDayDataStore::Kind(kind), nId,
            QDate(2026, 3, 7), recreate, &nRows, &strError);
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

    // Only the regions without a row of that day (and hour) get one, in the
    // order given; rows of other days or hours do not count; nothing is
    // written when the check cannot run.
    void aggregatorRowsMadeOnlyWhereMissing()
    {
        PSqlExec::Exec(
            "insert into MonthMinuteDose(Id, Month) values(2, ?), (3, '2026-03-06')", {kDayText});
        PSqlExec::Exec("insert into MonthData(Id, Month, Hour) values(1, ?, 5), (2, ?, 6)",
            {kDayText, kDayText});
        for (int i = 0; i < 2; ++i) {
            QVERIFY(RRegionDataStore::EnsureDayRows(TestDb::Writer(), {3, 2, 1}, kDay));
            QVERIFY(RRegionDataStore::EnsureHourRows(TestDb::Writer(), {1, 2}, kDay, 5));
        }
        QCOMPARE(
            SqlRows("select Id from MonthMinuteDose where Month = ? order by rowid", {kDayText}),
            QStringLiteral("2; 3; 1"));
        QCOMPARE(SqlRows("select Id, Hour from MonthData order by rowid"),
            QStringLiteral("1 5; 2 6; 2 5"));

        // A day's first link row holds its maximum; regions without one get
        // a row and 0.
        PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, MaxDose) values(1, ?, 5), "
                       "(1, ?, 9), (2, '2026-03-06', 7)",
            {kDayText, kDayText});
        QCOMPARE(RRegionDataStore::DayMaxima(TestDb::Writer(), {3, 1, 2}, kDay),
            (QHash<int, float> {{1, 5.0f}, {2, 0.0f}, {3, 0.0f}}));
        QCOMPARE(
            SqlRows("select Id from RegionLinkDoseInfo where Month = ? order by rowid", {kDayText}),
            QStringLiteral("1; 1; 3; 2"));
        PSqlExec::Exec("drop table MonthData");
        QVERIFY(!RRegionDataStore::EnsureHourRows(TestDb::Writer(), {1}, kDay, 7));
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

    // The slots of a minute are the 30 columns of its hour row, no more; the
    // minute's value replaces its share of the day's sum when rewritten.
    void aggregatorMinute()
    {
        addHourRow(1, 1, {{29, 9.0}, {30, 1.5}, {59, 3.0}, {60, 9.0}});
        PSqlExec::Exec("insert into MonthMinuteDose(Id, Month, Sum) values(1, ?, 100)", {kDayText});
        RRegionDataStore store(TestDb::Writer(), kDay, 61);
        QVERIFY(store.IsReady());
        float fSlots[RRegionDataStore::SlotsPerMinute];
        qint64 nRow = 0;
        store.ReadSlots(1, fSlots, &nRow);
        QCOMPARE((QList<float> {fSlots[0], fSlots[1], fSlots[29]}), (QList<float> {1.5f, 0, 3}));
        store.WriteSlot(nRow, 29, 0.5);
        store.WriteMinute(1, 6.0);
        store.WriteMinute(1, 4.0);
        store.WriteMinute(2, 7.0);
        QCOMPARE(SqlRows("select \"59\", \"60\", \"29\" from MonthData union all select \"61\", "
                         "Sum, Maxindex from MonthMinuteDose"),
            QStringLiteral("0.5 9 9; 4 104 61; 7 7 61"));
        // A region without an hour row reads nothing.
        store.ReadSlots(2, fSlots, &nRow);
        QCOMPARE(nRow, qint64(-1));
        QCOMPARE(fSlots[0], 0.0f);
    }

    // The report's day sums: days of the range in day order, the first row
    // of each; another item, days outside and a Month that is no date stay
    // out.
    void reportDaySums()
    {
        for (const char* pTable : {"MonthMinuteDose", "PersonalMonthDose"})
            PSqlExec::Exec(QStringLiteral("insert into %1(Id, Month, Sum) values(3, '2014-05-20', "
                                          "4), (3, '2014-05-02', 2), (3, '2014-05-20', 9), (4, "
                                          "'2014-05-03', 1), (3, '2014-04-30', 1), (3, "
                                          "'2014-06-01', 1), (3, '2014-05-3', 1), (3, "
                                          "'2014-05-31', 0)")
                               .arg(QLatin1String(pTable)));
        RMonthReportStore store;
        QVERIFY(store.Begin());
        for (auto table : {RMonthReportStore::RegionDays, RMonthReportStore::StaffDays}) {
            QStringList days;
            for (const auto& sum : store.DaySums(table, 3, QDate(2014, 5, 1), QDate(2014, 5, 31)))
                days << sum.date.toString(QStringLiteral("MM-dd=")) + QString::number(sum.dSum);
            QCOMPARE(days, (QStringList {"05-02=2", "05-20=4", "05-31=0"}));
        }
        QVERIFY(store.Error().isEmpty());
    }

    // A failed read is noted, not taken for busy; the read transaction of
    // the store's own ends with it, and one the client holds stays open.
    void reportReadFailuresAndTransactions()
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

    // The history charts' reads. Staff: the hours before the latest hour
    // written carry the background; rows that are not a minute, or have no
    // readings, are skipped; a short buffer or a TimeIndex past the day
    // stays inside.
    void historyStaffDay()
    {
        Insert("SystemInfo", "Ceff_P", "0.001");
        Insert("PersonalMonthDose", "Id,Month,TimeIndex", Keys(5, kDay, ",2"));
        const char* pKeys = "Id,Month,Time,Count,Sum";
        for (const char* pRow : {",'03:05',3,6", ",'00:30',2,1", ",'04:00',0,6", ",'24:00',1,6",
                 ",'3:5:0',1,6", ",'x:10',1,6"})
            Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, pRow));
        QVector<float> samples(1440, 0.0f);
        PHistoryDoseStore::LoadPersonalDay(5, kDay, samples);
        QCOMPARE((QList<float> {samples[0], samples[10], samples[119], samples[120], samples[30],
                     samples[185], samples[240]}),
            (QList<float> {0.245f, 0.245f, 0.245f, 0, 0.5f, 2, 0}));
        Insert("PersonalMonthDose", "Id,Month,TimeIndex", Keys(6, kDay, ",99"));
        Insert("PersonalRealTimeDose", pKeys, Keys(6, kDay, ",'00:10',1,4"));
        QVector<float> shortDay(10, 0.0f);
        PHistoryDoseStore::LoadPersonalDay(6, kDay, shortDay);
        QCOMPARE(shortDay, QVector<float>(10, 0.245f));
    }

    // Two hours of 2-second slots: a region's from its hour rows; a staff
    // member's from slot columns where stored, a sum-only row spreading its
    // mean, the hours before the latest written carrying the background.
    void historyFineBuffers()
    {
        Insert("MonthData", "Id,Month,Hour", Keys(3, kDay, ",9"), {{0, 0.5}, {1799, 4.0}});
        Insert("MonthData", "Id,Month,Hour", Keys(3, kDay, ",10"), {{15, 7.5}});
        Insert("MonthData", "Id,Month,Hour", Keys(3, kDay, ",11"), {{0, 99.0}});
        QVector<float> fine(PDoseCurveView::kFineSlots, 0.0f);
        QCOMPARE(PHistoryDoseStore::LoadRegionFine(3, kDay, 9, fine), 7.5f);
        QCOMPARE((QList<float> {fine[0], fine[1799], fine[1815]}), (QList<float> {0.5f, 4, 7.5f}));

        Insert("SystemInfo", "Ceff_P", "0.002");
        Insert("PersonalMonthDose", "Id,Month,TimeIndex", Keys(5, kDay, ",8"));
        const char* pKeys = "Id,Month,Time,Count,Sum";
        Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, ",'08:01',2,3"), {{0, 1.0}, {29, 2.0}});
        Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, ",'07:59',4,8"));
        Insert("PersonalRealTimeDose", pKeys, Keys(5, kDay, ",'10:00',1,50"), {{0, 50.0}});
        QVector<float> staff(PDoseCurveView::kFineSlots, 0.0f);
        QCOMPARE(PHistoryDoseStore::LoadPersonalFine(5, kDay, 7, staff), 2.0f);
        QCOMPARE((QList<float> {staff[0], staff[59 * 30], staff[59 * 30 + 29], staff[1800],
                     staff[1800 + 30], staff[1800 + 31], staff[1800 + 59]}),
            (QList<float> {0.49f, 2, 2, 0, 1, 0, 2}));
    }

    // A region minute holds 30 times its rate, a staff hour 60 times its
    // dose, a day's sum 1800 times the bar; each value comes from its own
    // item, day and column; a buffer shorter than the month bounds the walk.
    void historyMinutesHoursAndMonths()
    {
        Insert("MonthMinuteDose", "Id,Month", Keys(3, kDay), {{0, 30.0}, {1439, 60.0}});
        Insert("MonthMinuteDose", "Id,Month", Keys(4, kDay), {{5, 90.0}});
        Insert("MonthMinuteDose", "Id,Month", Keys(3, kDay.addDays(1)), {{1, 90.0}});
        QVector<float> day(1440, 0.0f);
        PHistoryDoseStore::LoadRegionDay(3, kDay, day);
        QCOMPARE((QList<float> {day[0], day[1], day[1439]}), (QList<float> {1, 0, 2}));
        QHash<int, QVector<float>> curves {{4, QVector<float>(1440, -1.0f)}};
        PHistoryDoseStore::LoadRegionMinutes(kDay, 4, 6, curves);
        QCOMPARE(curves[4].mid(3, 5), (QVector<float> {-1.0f, 0.0f, 3.0f, 0.0f, -1.0f}));
        Insert("PersonalMonthDose", "Id,Month", Keys(5, kDay), {{0, 60.0}, {23, 120.0}});
        QVector<float> hours(24, -1.0f);
        PHistoryDoseStore::LoadPersonalHours(5, kDay, hours);
        QCOMPARE((QList<float> {hours[0], hours[1], hours[23]}), (QList<float> {1, 0, 2}));

        for (int d : {1, 2, 31})
            Insert("MonthMinuteDose", "Id,Month,Sum",
                Keys(8, QDate(2026, 3, d), QStringLiteral(",%1").arg(1800 * d)));
        Insert("MonthMinuteDose", "Id,Month,Sum", Keys(8, QDate(2026, 4, 1), ",1e6"));
        QVector<float> values(31, -1.0f);
        PHistoryDoseStore::LoadMonthSums("MonthMinuteDose", 8, QDate(2026, 3, 18), 1800.0f, values);
        QCOMPARE(values.mid(0, 3) << values[30], (QVector<float> {1, 2, 0, 31}));
        QVector<float> shortMonth(2, -1.0f);
        PHistoryDoseStore::LoadMonthSums(
            "MonthMinuteDose", 8, QDate(2026, 3, 18), 1800.0f, shortMonth);
        QCOMPARE(shortMonth, (QVector<float> {1.0f, 2.0f}));
    }
};

QTEST_GUILESS_MAIN(TestStores)
#include "tst_stores.moc"
