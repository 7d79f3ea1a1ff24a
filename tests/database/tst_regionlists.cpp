#include "SqlRows.h"
#include "TestDb.h"

#include "database/RDeviceListStore.h"
#include "database/RRegionCatalogue.h"

#include <QtTest>

namespace {

QString devices()
{
    return SqlRows(QString("select r.Sub, r.Id, r.Name, r.Num, c.R_Color, c.G_Color, "
                           "c.B_Color, c.ButtonCheck, c.Alarmvalue from RegionInfo r "
                           "left join RegionCurveColorInfo c on c.Id = r.Id"));
}

QString history()
{
    return SqlRows(QString("select 'D', Id from MonthData union all select 'M', Id from "
                           "MonthMinuteDose union all select 'L', Id from RegionLinkDoseInfo"));
}

// Regions 3, 5, 9 with distinct colours and thresholds, so that moves show,
// and a row of each in the three history tables.
void addDevices()
{
    TestDb::AddRegions({3, 5, 9});
    PSqlExec::Exec(QString("update RegionCurveColorInfo set R_Color = Id, "
                           "ButtonCheck = 0, Alarmvalue = Id * 100"));
    for (const char* pTable : {"MonthData", "MonthMinuteDose", "RegionLinkDoseInfo"})
        PSqlExec::Exec(QString("insert into %1(Id) select Id from RegionInfo").arg(pTable));
}

} // namespace

// The one list of registered regions every page reads, and the device list
// the settings write.
class TestRegionLists : public QObject
{
    Q_OBJECT

private:
    RDeviceListStore m_store {&TestDb::Writer(), RDeviceListStore::Regions};

private slots:
    void init() { TestDb::Open(); }

    void list_data()
    {
        QTest::addColumn<QString>("rows"); // Sub, Id pairs
        QTest::addColumn<int>("num");
        QTest::addColumn<QVector<int>>("ids");
        QTest::newRow("position order, not table order")
            << "(2, 20), (1, 10)" << 2 << QVector<int> {10, 20};
        QTest::newRow("Num bounds the list")
            << "(1, 10), (2, 20), (3, 30)" << 2 << QVector<int> {10, 20};
        QTest::newRow("missing position skipped")
            << "(1, 10), (3, 30)" << 3 << QVector<int> {10, 30};
        // The readers disagreed here once: the first row of a position wins.
        QTest::newRow("position listed twice")
            << "(1, 10), (1, 11), (2, 20)" << 2 << QVector<int> {10, 20};
        // A monitor is shown and stored once, at its first position.
        QTest::newRow("region at two positions")
            << "(1, 10), (2, 10), (3, 30)" << 3 << QVector<int> {10, 30};
        QTest::newRow("no Num, no regions") << "(1, 10)" << 0 << QVector<int> {};
    }

    void list()
    {
        QFETCH(QString, rows);
        QFETCH(int, num);
        PSqlExec::Exec(QString("insert into RegionInfo(Sub, Id) values %1").arg(rows));
        PSqlExec::Exec(QString("update RegionInfo set Num = ?"), {num});
        RRegionCatalogue catalogue;
        catalogue.Reload();
        QTEST(catalogue.Ids(), "ids");
    }

    // What of the stored list the client cannot honour is marked on the
    // region that is shown, naming the entry that is not.
    void problemsMarkedOnTheRegionShown()
    {
        PSqlExec::Exec("insert into RegionInfo(Sub, Id, Num) values (1, 10, 4), (2, 20, 4), "
                       "(3, 10, 4), (2, 21, 4), (4, 40, 4)");
        PSqlExec::Exec("insert into RegionCurveColorInfo(Id, Alarmvalue) values (10, 0), (20, 5), "
                       "(21, 5)");
        RRegionCatalogue catalogue;
        catalogue.Reload();
        QCOMPARE(catalogue.Ids(), (QVector<int> {10, 20, 40}));
        QCOMPARE(catalogue.Find(10)->nProblems,
            RRegionCatalogue::NoThreshold | RRegionCatalogue::AnotherEntry);
        QCOMPARE(catalogue.Find(10)->nOtherSub, 3);
        QCOMPARE(catalogue.Find(20)->nProblems, int(RRegionCatalogue::SharedPosition));
        QCOMPARE(catalogue.Find(20)->nOtherId, 21);
        QCOMPARE(catalogue.Find(40)->nProblems,
            RRegionCatalogue::NoDisplayRow | RRegionCatalogue::NoThreshold);
    }

    // A region without a display row has no threshold and no colour; colour
    // parts out of range are clamped. (The defaults of a row with only its id
    // show on the pages that use them.)
    void displayRows()
    {
        TestDb::AddRegions({5, 6});
        PSqlExec::Exec("delete from RegionCurveColorInfo where Id = 5");
        PSqlExec::Exec("update RegionCurveColorInfo set R_Color = 300, G_Color = -4, ButtonCheck "
                       "= 0, Alarmvalue = 0 where Id = 6");
        RRegionCatalogue catalogue;
        catalogue.Reload();
        QVERIFY(!catalogue.Find(5)->colour.isValid());
        QCOMPARE(catalogue.AlarmValue(5), 0);
        QCOMPARE(catalogue.Find(6)->colour, QColor(255, 0, 87));
        QVERIFY(!catalogue.Find(6)->bCurveShown);
        QCOMPARE(catalogue.AlarmValue(99), 0);
    }

    // Removing the first device: colours follow positions, thresholds follow
    // devices, and only the removed id loses its history.
    void removeShiftsColoursAndDeletesHistory()
    {
        addDevices();
        QCOMPARE(m_store.RemovedIds({{"B", 5}, {"C", 9}}), QVector<int> {3});
        QString strError;
        QVERIFY(m_store.Save({{"B", 5}, {"C", 9}}, &strError));
        QCOMPARE(devices(), QString("1 5 B 2 3 202 87 0 500; 2 9 C 2 5 202 87 0 900"));
        QCOMPARE(history(), QString("D 5; D 9; M 5; M 9; L 5; L 9"));
    }

    // A device added after the stored ones is dark green and shown; a
    // location with a quote and a comma is stored as typed.
    void addedDeviceAndQuotedName()
    {
        addDevices();
        QString strError;
        QVERIFY(m_store.Save(
            {{"Room 3", 3}, {"Room 5", 5}, {"Room 9", 9}, {"O'Brien's lab, east", 200}},
            &strError));
        QCOMPARE(m_store.Load().last().strName, QString("O'Brien's lab, east"));
        QVERIFY(devices().endsWith(QString("4 200 O'Brien's lab, east 4 0 128 0 2 10")));
        QCOMPARE(history(), QString("D 3; D 5; D 9; M 3; M 5; M 9; L 3; L 5; L 9"));
    }

    // A statement failing half-way leaves devices, colours and history as
    // they were, and says why.
    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("colour insert") << "before insert on RegionCurveColorInfo";
        QTest::newRow("history delete") << "before delete on RegionLinkDoseInfo";
    }

    void failedSaveChangesNothing()
    {
        QFETCH(QString, trigger);
        addDevices();
        PSqlExec::Exec(
            QString("create trigger t %1 begin select raise(abort, 'refused'); end").arg(trigger));
        const QString strDevices = devices();
        const QString strHistory = history();
        QString strError;
        QVERIFY(!m_store.Save({{"B", 5}, {"New", 11}}, &strError));
        QVERIFY(strError.contains(QString("refused")));
        QCOMPARE(devices(), strDevices);
        QCOMPARE(history(), strHistory);
    }

    // The inspection rooms keep their own list; a removed room loses its
    // patrol readings and the region monitors are untouched.
    void roomsModeDeletesPatrolReadings()
    {
        addDevices();
        PSqlExec::Exec(QString("insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 3, "
                               "'Pump room', 2), (2, 4, 'Stairs', 2)"));
        PSqlExec::Exec(QString("insert into RoutingMinuteDose(Id, RoomId) values(1, 3), (1, 4)"));
        RDeviceListStore rooms(&TestDb::Writer(), RDeviceListStore::Rooms);
        QString strError;
        QVERIFY(rooms.Save({{"Stairs", 4}}, &strError));
        QCOMPARE(
            SqlRows("select Sub, Id, Name, Num from RoutingRoomInfo"), QString("1 4 Stairs 1"));
        QCOMPARE(SqlRows("select RoomId from RoutingMinuteDose"), QString("4"));
        QCOMPARE(history(), QString("D 3; D 5; D 9; M 3; M 5; M 9; L 3; L 5; L 9"));
    }
};

QTEST_GUILESS_MAIN(TestRegionLists)
#include "tst_regionlists.moc"
