#include "SqlRows.h"
#include "TestDb.h"

#include "database/RDeviceListStore.h"

#include <QtTest>

namespace {

// One row per id in the three history tables.
void addHistory(const QList<int>& ids)
{
    for (int nId : ids) {
        PSqlExec::Exec(
            QStringLiteral("insert into MonthData(Id, Month) values(?, '2026-12-01')"), {nId});
        PSqlExec::Exec(
            QStringLiteral("insert into MonthMinuteDose(Id, Month) values(?, '2026-12-01')"),
            {nId});
        PSqlExec::Exec(QStringLiteral("insert into RegionLinkDoseInfo(Id) values(?)"), {nId});
    }
}

QString devices()
{
    return SqlRows(QStringLiteral("select r.Sub, r.Id, r.Name, r.Num, c.R_Color, c.G_Color, "
                                  "c.B_Color, c.ButtonCheck, c.Alarmvalue from RegionInfo r "
                                  "left join RegionCurveColorInfo c on c.Id = r.Id"));
}

QString history()
{
    return SqlRows(
        QStringLiteral("select 'D', Id from MonthData union all select 'M', Id from "
                       "MonthMinuteDose union all select 'L', Id from RegionLinkDoseInfo"));
}

} // namespace

class tst_DeviceList : public QObject
{
    Q_OBJECT

private:
    RDeviceListStore m_store {RDeviceListStore::Regions};

private slots:
    void init()
    {
        TestDb::Open();
        TestDb::AddRegions({3, 5, 9});
        // Distinct colours and thresholds so that moves show.
        PSqlExec::Exec(QStringLiteral("update RegionCurveColorInfo set R_Color = Id, "
                                      "ButtonCheck = 0, Alarmvalue = Id * 100"));
        addHistory({3, 5, 9});
    }

    // Removing the first device: colours follow positions, thresholds follow
    // devices, and only the removed id loses its history.
    void removeShiftsColoursAndDeletesHistory()
    {
        QCOMPARE(m_store.RemovedIds({{"B", 5}, {"C", 9}}), QVector<int> {3});
        QString strError;
        QVERIFY(m_store.Save({{"B", 5}, {"C", 9}}, &strError));
        QCOMPARE(devices(), QStringLiteral("1 5 B 2 3 202 87 0 500; 2 9 C 2 5 202 87 0 900"));
        QCOMPARE(history(), QStringLiteral("D 5; D 9; M 5; M 9; L 5; L 9"));
    }

    // A device added after the stored ones is dark green and shown; a
    // location with a quote and a comma is stored as typed.
    void addedDeviceAndQuotedName()
    {
        QString strError;
        QVERIFY(m_store.Save(
            {{"Room 3", 3}, {"Room 5", 5}, {"Room 9", 9}, {"O'Brien's lab, east", 200}},
            &strError));
        QCOMPARE(m_store.Load().last().strName, QStringLiteral("O'Brien's lab, east"));
        QVERIFY(devices().endsWith(QStringLiteral("4 200 O'Brien's lab, east 4 0 128 0 2 10")));
        QCOMPARE(history(), QStringLiteral("D 3; D 5; D 9; M 3; M 5; M 9; L 3; L 5; L 9"));
    }

    void conflict_data()
    {
        QTest::addColumn<QVector<int>>("ids");
        QTest::addColumn<int>("conflict");
        QTest::newRow("rows 2 and 5") << QVector<int> {1, 2, 7, 3, 4, 7} << 5;
        QTest::newRow("first two") << QVector<int> {0, 0} << 1;
        QTest::newRow("none") << QVector<int> {0, 255, 1} << -1;
    }

    void conflict()
    {
        QFETCH(QVector<int>, ids);
        QFETCH(int, conflict);
        QVector<RDeviceRow> rows;
        for (int nId : ids)
            rows.append({QStringLiteral("x"), nId});
        QCOMPARE(RDeviceListStore::FindConflict(rows), conflict);
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
        PSqlExec::Exec(
            QStringLiteral("create trigger t %1 begin select raise(abort, 'refused'); end")
                .arg(trigger));
        const QString strDevices = devices();
        const QString strHistory = history();
        QString strError;
        QVERIFY(!m_store.Save({{"B", 5}, {"New", 11}}, &strError));
        QVERIFY(strError.contains(QStringLiteral("refused")));
        QCOMPARE(devices(), strDevices);
        QCOMPARE(history(), strHistory);
    }

    // The inspection rooms keep their own list; a removed room loses its
    // patrol readings and the region monitors are untouched.
    void roomsModeDeletesPatrolReadings()
    {
        PSqlExec::Exec(
            QStringLiteral("insert into RoutingRoomInfo(Sub, Id, Name, Num) values(1, 3, "
                           "'Pump room', 2), (2, 4, 'Stairs', 2)"));
        PSqlExec::Exec(
            QStringLiteral("insert into RoutingMinuteDose(Id, RoomId) values(1, 3), (1, 4)"));
        RDeviceListStore rooms(RDeviceListStore::Rooms);
        QString strError;
        QVERIFY(rooms.Save({{"Stairs", 4}}, &strError));
        QCOMPARE(SqlRows("select Sub, Id, Name, Num from RoutingRoomInfo"),
            QStringLiteral("1 4 Stairs 1"));
        QCOMPARE(SqlRows("select RoomId from RoutingMinuteDose"), QStringLiteral("4"));
        QCOMPARE(history(), QStringLiteral("D 3; D 5; D 9; M 3; M 5; M 9; L 3; L 5; L 9"));
    }
};

QTEST_MAIN(tst_DeviceList)
#include "tst_devicelist.moc"
