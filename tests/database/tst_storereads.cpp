#include "database/RStaffListStore.h"
#include "database/RSystemInfoStore.h"

#include "TestDb.h"

#include <QtTest>

// What the pages, the gauge, the plan and the link read through the small
// stores instead of their own statements.
class TestStoreReads : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestDb::Open(); }

    // The gauge, the plan, the aggregator and the charts take the first row,
    // whatever its unit; the link takes the row of its own unit.
    void systemValuesAndAddresses()
    {
        QVERIFY(!RSystemInfoStore::Values().bFound);
        QVERIFY(!RSystemInfoStore::ServerAddress(0).bFound);
        PSqlExec::Exec("insert into SystemInfo(IP, Port, Unit_P, Thre_A, Thre_B, Thre_C, Ceff_P, "
                       "Ceff_R) values(' 10.0.0.1 ', 'x', 1, 1, 2, 3, 0.5, 0.25)");
        PSqlExec::Exec(
            "insert into SystemInfo(IP, Port, Unit_P, Thre_A) values('127.0.0.1', 9, 0, 7)");
        const RSystemValues values = RSystemInfoStore::Values();
        QVERIFY(values.bFound);
        QCOMPARE(values.dThreA, 1.0);
        QCOMPARE(values.dThreB, 2.0);
        QCOMPARE(values.dThreC, 3.0);
        QCOMPARE(values.dCeffP, 0.5);
        QCOMPARE(values.dCeffR, 0.25);

        const RServerAddress main = RSystemInfoStore::ServerAddress(0);
        QVERIFY(main.bFound);
        QCOMPARE(main.strHost, QStringLiteral("127.0.0.1"));
        QCOMPARE(main.port.toInt(), 9);
        // As stored: the link trims the host and refuses the port itself.
        const RServerAddress second = RSystemInfoStore::ServerAddress(1);
        QCOMPARE(second.strHost, QStringLiteral(" 10.0.0.1 "));
        bool bOk = true;
        second.port.toInt(&bOk);
        QVERIFY(!bOk);
        QVERIFY(!RSystemInfoStore::ServerAddress(2).bFound);
    }

    void staffLists_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("table");
        QTest::newRow("staff") << int(RStaffListStore::Staff) << "PersonalInfo";
        QTest::newRow("patrol dosimeters") << int(RStaffListStore::Routing) << "RoutingInfo";
    }

    // Positions 1..Num in order, the first row of each, gaps skipped.
    void staffLists()
    {
        QFETCH(int, list);
        QFETCH(QString, table);
        PSqlExec::Exec(QStringLiteral("insert into %1(Sub, Id, Name, Position, Sex, Num) values"
                                      "(3, 30, 'C', 'p3', 'm', 4), (1, 10, 'A', 'p1', 'f', 4), "
                                      "(1, 11, 'A2', '', '', 4), (5, 50, 'E', '', '', 4)")
                           .arg(table));
        const QVector<RStaffMember> members
            = RStaffListStore::Members(static_cast<RStaffListStore::List>(list));
        QCOMPARE(members.size(), 2);
        QCOMPARE(members[0].nId, 10);
        QCOMPARE(members[0].strName, QStringLiteral("A"));
        QCOMPARE(members[0].strPosition, QStringLiteral("p1"));
        QCOMPARE(members[0].strSex, QStringLiteral("f"));
        QCOMPARE(members[1].nId, 30);
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
};

QTEST_GUILESS_MAIN(TestStoreReads)
#include "tst_storereads.moc"
