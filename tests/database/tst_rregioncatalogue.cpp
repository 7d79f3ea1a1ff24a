#include "database/RRegionCatalogue.h"

#include "SqlRows.h"
#include "TestDb.h"

#include <QtTest>

// The one list of registered regions every page reads.
class TestRRegionCatalogue : public QObject
{
    Q_OBJECT

private slots:
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
        TestDb::Open();
        PSqlExec::Exec(QStringLiteral("insert into RegionInfo(Sub, Id) values %1").arg(rows));
        PSqlExec::Exec(QStringLiteral("update RegionInfo set Num = ?"), {num});
        RRegionCatalogue catalogue;
        catalogue.Reload();
        QTEST(catalogue.Ids(), "ids");
    }

    // What of the stored list the client cannot honour is marked on the
    // region that is shown, naming the entry that is not.
    void problemsMarkedOnTheRegionShown()
    {
        TestDb::Open();
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

    // A display row with only its id gives the defaults the pages rely on;
    // a region without one has no threshold and no colour.
    void displayRows()
    {
        TestDb::Open();
        TestDb::AddRegions({4, 5, 6});
        PSqlExec::Exec("delete from RegionCurveColorInfo where Id = 5");
        PSqlExec::Exec("update RegionCurveColorInfo set R_Color = 300, G_Color = -4, ButtonCheck "
                       "= 0, Alarmvalue = 0 where Id = 6");
        RRegionCatalogue catalogue;
        catalogue.Reload();
        const RRegion* pDefault = catalogue.Find(4);
        QVERIFY(pDefault);
        QCOMPARE(pDefault->strName, QStringLiteral("Room 4"));
        QCOMPARE(pDefault->colour, QColor(38, 202, 87));
        QVERIFY(pDefault->bCurveShown);
        QCOMPARE(catalogue.AlarmValue(4), 10);
        QVERIFY(!catalogue.Find(5)->colour.isValid());
        QCOMPARE(catalogue.AlarmValue(5), 0);
        QCOMPARE(catalogue.Find(6)->colour, QColor(255, 0, 87));
        QVERIFY(!catalogue.Find(6)->bCurveShown);
        QCOMPARE(catalogue.AlarmValue(99), 0);
    }

    // The curve selector and the colour are stored per region: each value to
    // its own region, the others left as they were.
    void curveChoicesStored()
    {
        TestDb::Open();
        TestDb::AddRegions({4, 5, 6});
        PSqlExec::Exec("update RegionCurveColorInfo set ButtonCheck = 0 where Id = 6");
        QVERIFY(RRegionCatalogue::StoreCurveStates({{4, Qt::Unchecked}, {6, Qt::Checked}}));
        QVERIFY(RRegionCatalogue::StoreCurveColour(5, QColor(1, 2, 3)));
        RRegionCatalogue catalogue;
        catalogue.Reload();
        QVERIFY(!catalogue.Find(4)->bCurveShown);
        QVERIFY(catalogue.Find(5)->bCurveShown);
        QVERIFY(catalogue.Find(6)->bCurveShown);
        QCOMPARE(catalogue.Find(5)->colour, QColor(1, 2, 3));
        QCOMPARE(catalogue.Find(4)->colour, QColor(38, 202, 87));
        QCOMPARE(SqlRows("select ButtonCheck from RegionCurveColorInfo order by Id"),
            QStringLiteral("0; 2; 2"));
    }
};

QTEST_GUILESS_MAIN(TestRRegionCatalogue)
#include "tst_rregioncatalogue.moc"
