#include "BusRecorder.h"
#include "SqlRows.h"
#include "StoredRows.h"
#include "TestDb.h"

#include "algor/RMinuteReduction.h"
#include "algor/RRegularSave.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "database/RStorageState.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QSqlDatabase>
#include <QtTest>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(std::vector<float>)

namespace {

using namespace StoredRows;

const QDate Next = Day.addDays(1);

using Slots = std::vector<float>;

// Slot index -> value, the rest 0.
Slots minuteSlots(std::initializer_list<std::pair<int, float>> values)
{
    Slots slotValues(RMinuteReduction::SlotCount, 0.0f);
    for (const auto& value : values)
        slotValues[value.first] = value.second;
    return slotValues;
}

void registerRegions(const QList<int>& ids, double dCeffR = 0.005)
{
    TestDb::AddRegions(ids);
    PSqlExec::Exec("insert into SystemInfo(Ceff_R) values(?)", {dCeffR});
}

} // namespace

class TestRRegularSave : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SManualClock> m_pClock;
    // Stand-ins for the region page and the main window.
    std::unique_ptr<BusRecorder> m_pPage;
    std::unique_ptr<BusRecorder> m_pWindow;

    std::unique_ptr<RRegularSave> start(const QDateTime& now)
    {
        m_pClock = std::make_unique<SManualClock>(now);
        // Timers far away: the tests tick by hand.
        return std::make_unique<RRegularSave>(
            &TestDb::Writer(), &TestDb::Catalogue(), m_pClock.get(), 3600000, 3600000);
    }

private slots:
    void init()
    {
        // The schema of a new "DataBase.sqlite" in the working directory.
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QFile::remove("DataBase.sqlite");
        QVERIFY(RConnectDatabase(&TestDb::Writer()).OpenDatabase());
        m_pPage = std::make_unique<BusRecorder>(SBus::RegionPage);
        m_pWindow = std::make_unique<BusRecorder>(SBus::MainWindow);
    }

    void cleanup()
    {
        m_pPage.reset();
        m_pWindow.reset();
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }

    void reduce_data()
    {
        QTest::addColumn<Slots>("slotValues");
        QTest::addColumn<float>("storedMax");
        QTest::addColumn<double>("minuteValue");
        QTest::addColumn<float>("dayMax");
        QTest::addColumn<bool>("newMax");
        QTest::addColumn<int>("maxOffset");
        QTest::addColumn<int>("spikeSlot");
        QTest::addColumn<float>("replacement");

        // Zeros are missing readings, not values: they must not dilute the mean.
        QTest::newRow("mean of non-zero values, scaled to 30 slots")
            << minuteSlots({{0, 0.1f}, {1, 0.2f}, {7, 0.15f}}) << 0.25f << 4.5 << 0.25f << false
            << 0 << -1 << 0.0f;
        QTest::newRow("all zero keeps the maximum")
            << minuteSlots({}) << 0.2f << 0.0 << 0.2f << false << 0 << -1 << 0.0f;
        QTest::newRow("new maximum below the spike level")
            << minuteSlots({{4, 0.2f}, {9, 0.25f}}) << 0.1f << 6.75 << 0.25f << true << 18 << -1
            << 0.0f;
        // The removed spike leaves the stored maximum and its time untouched.
        QTest::newRow("lone spike that is the only value")
            << minuteSlots({{12, 0.5f}}) << 0.1f << 0.0 << 0.1f << false << 0 << 12 << 0.0f;
        // The float nearest 0.3 is a little above 0.3 in double precision.
        QTest::newRow("0.3 as a float is above 0.3")
            << minuteSlots({{0, 0.3f}}) << 0.0f << 0.0 << 0.0f << false << 0 << 0 << 0.0f;
        QTest::newRow("lone spike among low values is replaced by their mean")
            << minuteSlots({{0, 0.1f}, {1, 0.1f}, {2, 0.5f}}) << 0.05f << 3.0 << 0.1f << true << 0
            << 2 << 0.1f;
        // The maximum falls back to a value reached earlier in the same minute,
        // and takes that value's time.
        QTest::newRow("spike after an earlier rise")
            << minuteSlots({{1, 0.2f}, {5, 0.5f}}) << 0.1f << 6.0 << 0.2f << true << 2 << 5 << 0.2f;
        // Not the day's maximum: a real reading on a day that saw worse, kept as it is.
        QTest::newRow("lone high value below the stored maximum")
            << minuteSlots({{3, 0.1f}, {6, 0.5f}}) << 1.0f << 9.0 << 1.0f << false << 0 << -1
            << 0.0f;
        QTest::newRow("two values above the level are no spike")
            << minuteSlots({{3, 0.4f}, {6, 0.5f}}) << 0.1f << 13.5 << 0.5f << true << 12 << -1
            << 0.0f;
    }

    void reduce()
    {
        QFETCH(Slots, slotValues);
        QFETCH(float, storedMax);
        const RMinuteReduction::Result result
            = RMinuteReduction::Reduce(slotValues.data(), storedMax);
        QTEST(result.nSpikeSlot, "spikeSlot");
        QTEST(result.bNewMax, "newMax");
        QFETCH(double, minuteValue);
        QVERIFY2(qAbs(result.dMinuteValue - minuteValue) < 1e-5,
            qPrintable(QString::number(result.dMinuteValue)));
        QTEST(result.fDayMax, "dayMax");
        if (result.bNewMax)
            QTEST(result.nMaxOffset, "maxOffset");
        QTEST(result.fSpikeReplacement, "replacement");
    }

    void slotRule_data()
    {
        // Readings of region 1 with counts 1, 2, 3, ... (stored as 0.5, 1.0, 1.5, ...)
        // at these times; then (hour, column, value) that must hold.
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QList<QVariantList>>("expected");
        // The link moved to another server before this reading (-1: never),
        // and the dose of the readings that are then dropped.
        QTest::addColumn<int>("switchAt");
        QTest::addColumn<double>("dropped");

        QTest::newRow("own slots") << QStringList {"10:00:10.0", "10:00:12.5"}
                                   << QList<QVariantList> {{10, 5, 0.5}, {10, 6, 1.0}} << -1 << 0.0;
        QTest::newRow("second of a slot into the one before")
            << QStringList {"10:07:20.0", "10:07:21.5"}
            << QList<QVariantList> {{10, 220, 0.5}, {10, 219, 1.0}} << -1 << 0.0;
        QTest::newRow("third of a slot overwrites it")
            << QStringList {"10:07:20.0", "10:07:21.0", "10:07:21.5"}
            << QList<QVariantList> {{10, 220, 1.5}, {10, 219, 1.0}} << -1 << 0.0;
        // The same slot index a minute later is another slot, not a duplicate.
        QTest::newRow("same index a minute later")
            << QStringList {"10:00:10.0", "10:01:10.0"}
            << QList<QVariantList> {{10, 5, 0.5}, {10, 35, 1.0}, {10, 4, 0.0}} << -1 << 0.0;
        // Column -1 does not exist: the slot before is the hour before's last.
        QTest::newRow("duplicate in the first slot of the hour")
            << QStringList {"10:59:58.0", "11:00:00.0", "11:00:01.0"}
            << QList<QVariantList> {{11, 0, 1.0}, {10, 1799, 1.5}} << -1 << 0.0;
        // Both servers told the same moment: the second is dropped, not
        // moved into the slot before.
        QTest::newRow("same slot after a server switch")
            << QStringList {"10:07:20.0", "10:07:21.5"}
            << QList<QVariantList> {{10, 220, 0.5}, {10, 219, 0.0}} << 1 << 1.0;
        QTest::newRow("next slot after a server switch")
            << QStringList {"10:07:20.0", "10:07:22.5"}
            << QList<QVariantList> {{10, 220, 0.5}, {10, 221, 1.0}} << 1 << 0.0;
    }

    void slotRule()
    {
        QFETCH(QStringList, times);
        QFETCH(QList<QVariantList>, expected);
        QFETCH(int, switchAt);
        registerRegions({1});
        auto pSave = start(at(10, 0, 0));
        for (int i = 0; i < times.size(); ++i) {
            const QTime time = QTime::fromString(times[i], "hh:mm:ss.z");
            const bool bNewHour = time.hour() != m_pClock->Now().time().hour();
            m_pClock->Set(QDateTime(Day, time));
            if (bNewHour)
                pSave->MiniteTimeout();
            if (i == switchAt)
                pSave->SourceSwitched();
            pSave->StoreRegionReading(1, i + 1);
        }
        QFETCH(double, dropped);
        for (const QVariantList& cell : expected)
            QCOMPARE(slot(1, cell[0].toInt(), cell[1].toInt()), cell[2].toDouble());
        QCOMPARE(num("select sum(Sum) from MonthData"),
            times.size() * (times.size() + 1) / 4.0 - dropped);
    }

    // Unknown ids and negative counts are dropped; the rate sent to the page
    // lives at one address per region, which a receiver may keep: it holds the
    // region's latest rate, also across a reload (ASan checks the rest).
    void readingsReachThePage()
    {
        registerRegions({1, 2}, 0.0056);
        auto pSave = start(at(10, 0, 4));
        pSave->StoreRegionReading(3, 10);
        pSave->StoreRegionReading(1, -3);
        QVERIFY(m_pPage->Log().isEmpty());
        QCOMPARE(num("select count(*) from MonthData where Sum <> 0"), 0.0);

        pSave->StoreRegionReading(2, 1000);
        QCOMPARE(m_pPage->Firsts(SBus::RegionReading), QList<qintptr> {2});
        const float* pKept = reinterpret_cast<const float*>(m_pPage->Log().last().b);
        QCOMPARE(*pKept, 1000 * 0.0056f * 100.0f);
        pSave->StoreRegionReading(1, 10);
        pSave->LoadRegionIds();
        QCOMPARE(*pKept, 1000 * 0.0056f * 100.0f);
        pSave->StoreRegionReading(2, 500);
        QCOMPARE(m_pPage->Log().last().b, reinterpret_cast<qintptr>(pKept));
        QCOMPARE(*pKept, 500 * 0.0056f * 100.0f);
    }

    // A minute ends: its value, the day's maximum with its time, and the
    // index written last are stored before the page hears the tick.
    void reducesMinute()
    {
        registerRegions({1, 2});
        PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, MaxDose, TimeInfo) values(2, ?, "
                       "7.5, '08:00:00')",
            {day()});
        auto pSave = start(at(10, 6, 30));
        // 10, 10 and 30 µRad/h: several values above the spike level, no spike.
        for (int nSecond : {30, 34, 40}) {
            m_pClock->Set(at(10, 6, nSecond));
            pSave->StoreRegionReading(1, nSecond == 40 ? 60 : 20);
        }
        double dAtTick = -1;
        m_pWindow->onMessage = [&](const SMessage&) { dAtTick = minute(1, 606); };
        m_pClock->Set(at(10, 7, 0, 2));
        pSave->MiniteTimeout();
        // The page reloading on the tick already finds the minute.
        QCOMPARE(m_pWindow->Count(SBus::MinuteTick), 1);
        QCOMPARE(dAtTick, 500.0);
        QCOMPARE(num("select MaxDose from RegionLinkDoseInfo where Id = 1"), 30.0);
        QCOMPARE(
            PSqlExec::Scalar("select TimeInfo from RegionLinkDoseInfo where Id = 1").toString(),
            QString("10:06:40"));
        // Region 2's empty minute leaves its maximum.
        QCOMPARE(num("select MaxDose from RegionLinkDoseInfo where Id = 2"), 7.5);

        // An empty minute is still the one written last.
        m_pClock->Set(at(10, 8, 0));
        pSave->MiniteTimeout();
        QCOMPARE(num("select Maxindex from MonthMinuteDose where Id = 1"), 607.0);
        QCOMPARE(num("select Sum from MonthMinuteDose where Id = 1"), 500.0);
        // Woken before the minute ended: nothing is reduced.
        pSave->MiniteTimeout();
        QCOMPARE(pSave->TickCount(), 2);
    }

    // Many regions are reduced in slices between other events; the tick
    // waits for the last, and a stop or the end finishes the minute first.
    void reducesInSlices()
    {
        const QList<int> ids = TestDb::Ids(1, 70);
        registerRegions(ids);
        auto pSave = start(at(10, 6, 0));
        for (int nSecond : {8, 10}) {
            m_pClock->Set(at(10, 6, nSecond));
            for (int nId : ids)
                pSave->StoreRegionReading(nId, 2 * nId);
        }
        m_pClock->Set(at(10, 7, 0));
        pSave->MiniteTimeout();
        // The tick waits for the last region.
        QVERIFY(pSave->IsReducing());
        QCOMPARE(m_pWindow->Count(SBus::MinuteTick), 0);
        QTRY_VERIFY(!pSave->IsReducing());
        QCOMPARE(m_pWindow->Count(SBus::MinuteTick), 1);
        QCOMPARE(num("select count(*) from MonthMinuteDose where Maxindex = 606"), 70.0);
        QCOMPARE(minute(70, 606), 2100.0);

        // A reload (stop, commit) right after a tick finds the minute complete.
        m_pClock->Set(at(10, 8, 0));
        pSave->MiniteTimeout();
        pSave->StopTimers();
        QCOMPARE(num("select count(*) from MonthMinuteDose where Maxindex = 607"), 70.0);
        // Destroyed mid-reduction (the window shutting down): the minute is
        // written, and so is the minute in progress, but no tick goes to the
        // window.
        m_pClock->Set(at(10, 9, 0));
        pSave->MiniteTimeout();
        const int nTicks = m_pWindow->Count(SBus::MinuteTick);
        pSave.reset();
        QCOMPARE(m_pWindow->Count(SBus::MinuteTick), nTicks);
        QCOMPARE(num("select count(*) from MonthMinuteDose where Maxindex = 609"), 70.0);
        QCOMPARE(minute(70, 608), 0.0);
    }

    // A lone reading far above the day is a spike: it is taken out of the
    // minute and of its slot and does not become the day's maximum.
    void spikeOfTheDay()
    {
        registerRegions({1}, 0.001); // count n stores n / 10 µRad/h
        PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, MaxDose, TimeInfo) values(1, ?, "
                       "0.2, '08:00:00')",
            {day()});
        auto pSave = start(at(12, 30, 14));
        pSave->StoreRegionReading(1, 9);
        m_pClock->Set(at(12, 31, 0));
        pSave->MiniteTimeout();
        QCOMPARE(minute(1, 750), 0.0);
        QCOMPARE(slot(1, 12, 907), 0.0);
        QCOMPARE(num("select count(*) from RegionLinkDoseInfo"), 1.0);
        // The removed spike leaves the day's maximum and its time as they were.
        QCOMPARE(num("select MaxDose from RegionLinkDoseInfo"), 0.2);
        QCOMPARE(PSqlExec::Scalar("select TimeInfo from RegionLinkDoseInfo").toString(),
            QString("08:00:00"));
    }

    void midnightMinuteBelongsToOldDay()
    {
        registerRegions({1}, 0.0005); // count 4 stores 0.2 µRad/h
        auto pSave = start(at(23, 59, 10));
        pSave->StoreRegionReading(1, 4);
        m_pClock->Set(at(0, 0, 0, 5, Next));
        pSave->MiniteTimeout();
        QCOMPARE(minute(1, 1439), 6.0);
        QCOMPARE(num("select Maxindex from MonthMinuteDose where Month = ?", {day()}), 1439.0);
        QCOMPARE(minute(1, 1439, Next), 0.0);
        QCOMPARE(num("select count(*) from RegionLinkDoseInfo where Month = ?", {day(Next)}), 0.0);
        m_pClock->Set(at(0, 0, 3, 0, Next));
        pSave->StoreRegionReading(1, 4);
        QCOMPARE(slot(1, 0, 1, Next), 0.2);
    }

    void rowsAhead_data()
    {
        QTest::addColumn<QDateTime>("startAt");
        QTest::addColumn<QDateTime>("tickAt");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("hour");

        QTest::newRow("next hour at minute 59") << at(9, 30, 0) << at(9, 59, 0) << Day << 10;
        QTest::newRow("tomorrow before midnight") << at(23, 30, 0) << at(23, 59, 0) << Next << 0;
        // No tick falls into minute 59 after such a start.
        QTest::newRow("started in minute 59") << at(9, 59, 30) << QDateTime() << Day << 10;
        // A tick missed in minute 59 must not cost the whole next hour.
        QTest::newRow("minute 59 missed") << at(9, 58, 30) << at(10, 0, 30) << Day << 10;
        // Today deleted on the history page: the rows come back at the next tick.
        QTest::newRow("day deleted") << at(10, 0, 30) << at(10, 1, 0) << Day << 10;
    }

    void rowsAhead()
    {
        QFETCH(QDateTime, startAt);
        QFETCH(QDateTime, tickAt);
        QFETCH(QDate, date);
        QFETCH(int, hour);
        registerRegions({1, 2});
        const QString strRows = "select count(*) from MonthData where Month = ? and Hour = ?";
        auto pSave = start(startAt);
        if (tickAt.isValid()) {
            PSqlExec::Exec("delete from MonthData where Month = ? and Hour = ?", {day(date), hour});
            PSqlExec::Exec("delete from MonthMinuteDose where Month = ?", {day(date)});
            m_pClock->Set(tickAt);
            pSave->MiniteTimeout();
            pSave->MiniteTimeout();
        }
        QCOMPARE(num(strRows, {day(date), hour}), 2.0);
        QCOMPARE(num("select count(*) from MonthMinuteDose where Month = ?", {day(date)}), 2.0);
    }

    // Every reduced minute is committed: what another connection sees is what
    // a crash (kill -9) would leave in the file. A stop commits the rest.
    void commitsEveryMinute()
    {
        registerRegions({1}, 0.0005); // count n stores n / 20 µRad/h
        auto pSave = start(at(10, 0, 6));
        pSave->StoreRegionReading(1, 4);
        m_pClock->Set(at(10, 1, 0));
        pSave->MiniteTimeout();
        m_pClock->Set(at(10, 1, 10));
        pSave->StoreRegionReading(1, 2);
        QCOMPARE(CommittedRows(m_dir.filePath("DataBase.sqlite"),
                     "select \"3\", \"35\" from MonthData where Hour = 10"),
            QStringLiteral("0.2 0"));

        pSave->StopTimers();
        pSave.reset();
        QSqlDatabase::database().rollback();
        QCOMPARE(slot(1, 10, 35), 0.1);
    }

    // A storing statement that the file takes but refuses as wrong cannot
    // succeed later: it counts as a lost reading at once; the next good
    // commit clears the line.
    void failedStatementCountsAsLost()
    {
        registerRegions({1});
        PSqlExec::Exec("create trigger refuse before update on MonthData begin select "
                       "raise(abort, 'disk I/O error'); end");
        auto pSave = start(at(10, 0, 6));
        pSave->StoreRegionReading(1, 8);
        RStorageState& state = TestDb::Writer().State();
        QCOMPARE(state.LostReadings(), qint64(1));
        QVERIFY(state.ProblemText().contains("disk I/O error"));
        PSqlExec::Exec("drop trigger refuse");
        m_pClock->Set(at(10, 1, 0));
        pSave->MiniteTimeout();
        QVERIFY(state.ProblemText().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRRegularSave)
#include "tst_rregularsave.moc"
