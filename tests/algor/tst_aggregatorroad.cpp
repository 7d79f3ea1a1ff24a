// The monitoring road end to end: simulator -> link -> decoder -> bus ->
// aggregator -> SQLite, with the aggregator's clock moved by hand.
#include "algor/PDoseThread.h"
#include "algor/RRegularSave.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include "PSimDataServer.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QDate Day(2026, 3, 7);

// The main window's part of the road: 1003 to the aggregator.
class Window : public QObject
{
public:
    Window() { RegisterReceiver(this, 1000); }
    ~Window() override { UnregisterReceiver(this); }

    RRegularSave* pSave = nullptr;
    int nReadings = 0;

protected:
    bool event(QEvent* pEvent) override
    {
        if (int(pEvent->type()) < 1000)
            return QObject::event(pEvent);
        const auto* pMessage = static_cast<SMessage*>(pEvent);
        if (pMessage->MessageType() == 1003 && pSave) {
            pSave->StoreRegionReading(int(pMessage->First()), int(pMessage->Second()));
            ++nReadings;
        }
        return true;
    }
};

double value(const QString& strSql, const QVariantList& values = {})
{
    return PSqlExec::Scalar(strSql, values).toDouble();
}

} // namespace

class TestAggregatorRoad : public QObject
{
    Q_OBJECT

private slots:
    void readingsLandInSlotsAndMinutes();
};

void TestAggregatorRoad::readingsLandInSlotsAndMinutes()
{
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(RConnectDatabase().OpenDatabase());
    PSimDataServer server;
    QVERIFY(server.Listen());
    server.SetRegions({{1, PSimRegion::Steady, 1000}, {2, PSimRegion::Steady, 2000},
        {3, PSimRegion::Steady, 3000}});
    PSqlExec::Exec("insert into SystemInfo(IP, Port, Ceff_R, Unit_P) values(?, ?, 0.0056, 0)",
        {"127.0.0.1", server.Port()});
    // Region 3 is sent but not registered: dropped.
    PSqlExec::Exec("insert into RegionInfo(Sub, Id, Num) values(1, 1, 2), (2, 2, 2)");

    Window window;
    SManualClock clock(QDateTime(Day, QTime(10, 59, 0)));
    {
        RRegularSave save(&clock, 3600000, 3600000);
        save.LoadRegionIds();
        window.pSave = &save;
        PDoseThread link(nullptr);
        link.StartThread();
        link.RequestConnect();
        QTRY_COMPARE(server.ClientCount(), 1);

        // One minute of readings every two seconds, then a second reading in
        // the last slot.
        for (int nTick = 0; nTick <= 30; ++nTick) {
            clock.Set(QDateTime(Day, QTime(10, 59, qMin(nTick * 2, 59))));
            server.Tick();
            QTRY_COMPARE(window.nReadings, 3 * (nTick + 1));
        }
        clock.Set(QDateTime(Day, QTime(11, 0, 0, 10)));
        save.MiniteTimeout();
        QTRY_VERIFY(!save.IsReducing());
        window.pSave = nullptr;
        link.DisConnect();
    }

    const QString strDay = Day.toString("yyyy-MM-dd");
    // Raw 1000 x 0.0056 x 100 = 560 µRad/h. The 59th second's reading shares
    // the 58th second's slot and went into the slot before; the hour sum
    // counts all 31 readings.
    for (int nId : {1, 2}) {
        const double dDose = nId * 560.0;
        QCOMPARE(value("select \"1770\" from MonthData where Id = ? and Hour = 10", {nId}), dDose);
        QCOMPARE(value("select \"1798\" from MonthData where Id = ? and Hour = 10", {nId}), dDose);
        QCOMPARE(value("select Sum from MonthData where Id = ? and Hour = 10", {nId}), 31 * dDose);
        QCOMPARE(
            value("select \"659\" from MonthMinuteDose where Id = ? and Month = ?", {nId, strDay}),
            30 * dDose);
        QCOMPARE(value("select MaxDose from RegionLinkDoseInfo where Id = ?", {nId}), dDose);
    }
    QCOMPARE(value("select count(*) from MonthData where Id = 3"), 0.0);
    // The next hour's rows were there before it began; the stop committed.
    QCOMPARE(value("select count(*) from MonthData where Hour = 11"), 2.0);
    QVERIFY(!QSqlDatabase::database().rollback());
    {
        QSqlDatabase db = QSqlDatabase::database();
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

QTEST_GUILESS_MAIN(TestAggregatorRoad)
#include "tst_aggregatorroad.moc"
