#include "algor/RRegularSave.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QDate Day(2026, 3, 7);

QDateTime at(int nHour, int nMinute, int nSecond, int nMs = 0, const QDate& date = Day)
{
    return QDateTime(date, QTime(nHour, nMinute, nSecond, nMs));
}

void registerRegions(const QList<int>& ids, double dCeffR = 0.005)
{
    int nSub = 0;
    for (int nId : ids)
        PSqlExec::Exec(
            "insert into RegionInfo(Sub, Id, Num) values(?, ?, ?)", {++nSub, nId, ids.size()});
    if (dCeffR > 0)
        PSqlExec::Exec("insert into SystemInfo(Ceff_R) values(?)", {dCeffR});
}

QString day(const QDate& date = Day)
{
    return date.toString("yyyy-MM-dd");
}

QVariant slotValue(int nId, int nHour, int nColumn, const QDate& date = Day)
{
    return PSqlExec::Scalar(
        QStringLiteral("select \"%1\" from MonthData where Id = ? and Month = ? and Hour = ?")
            .arg(nColumn),
        {nId, day(date), nHour});
}

QVariant minuteValue(int nId, int nMinute, const QDate& date = Day)
{
    return PSqlExec::Scalar(
        QStringLiteral("select \"%1\" from MonthMinuteDose where Id = ? and Month = ?")
            .arg(nMinute),
        {nId, day(date)});
}

int rowCount(const QString& strSql, const QVariantList& values)
{
    return PSqlExec::Scalar(strSql, values).toInt();
}

// Stands in for the region page (1004) and the main window (1000).
class Receiver : public QObject
{
public:
    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Type(1002)) {
            auto* pMessage = static_cast<SMessage*>(pEvent);
            nId = int(pMessage->First());
            pDose = reinterpret_cast<const float*>(pMessage->Second());
            fDose = *pDose;
            ++nReadings;
            return true;
        }
        if (pEvent->type() == QEvent::Type(1020)) {
            ++nTicks;
            if (onTick)
                onTick();
            return true;
        }
        return QObject::event(pEvent);
    }

    int nId = 0;
    const float* pDose = nullptr;
    float fDose = -1.0f;
    int nReadings = 0;
    int nTicks = 0;
    std::function<void()> onTick;
};

} // namespace

class TestRRegularSave : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadsRegionsAndCoefficient();
    void slotRule_data();
    void slotRule();
    void dropsUnknownAndNegative();
    void sendsDoseAddressThatStaysValid();
    void slotStatementsAreCachedAndBounded();
    void reducesMinute();
    void reducesInSlices();
    void spikeOfTheDay();
    void zeroMinuteKeepsMaximum();
    void midnightMinuteBelongsToOldDay();
    void rowsAhead_data();
    void rowsAhead();
    void commitsEveryFiveMinutes();
    void stopCommits();

private:
    std::unique_ptr<RRegularSave> start(const QDateTime& now);

    QTemporaryDir m_dir;
    std::unique_ptr<SManualClock> m_pClock;
    Receiver m_page;
    Receiver m_window;
};

void TestRRegularSave::init()
{
    // The schema of a new "DataBase.sqlite" in the working directory.
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QFile::remove("DataBase.sqlite");
    QVERIFY(RConnectDatabase().OpenDatabase());
    RegisterReceiver(&m_page, 1004);
    RegisterReceiver(&m_window, 1000);
    m_page.nId = 0;
    m_page.pDose = nullptr;
    m_page.fDose = -1.0f;
    m_page.nReadings = 0;
    m_window.nTicks = 0;
    m_window.onTick = nullptr;
}

void TestRRegularSave::cleanup()
{
    UnregisterReceiver(&m_page);
    UnregisterReceiver(&m_window);
    {
        QSqlDatabase db = QSqlDatabase::database();
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

std::unique_ptr<RRegularSave> TestRRegularSave::start(const QDateTime& now)
{
    m_pClock = std::make_unique<SManualClock>(now);
    // Timers far away: the tests tick by hand.
    return std::make_unique<RRegularSave>(m_pClock.get(), 3600000, 3600000);
}

void TestRRegularSave::loadsRegionsAndCoefficient()
{
    // Position 2 listed twice: only its first row counts; Num bounds the list.
    PSqlExec::Exec("insert into RegionInfo(Sub, Id, Num) values(1, 11, 3), (2, 12, 3), "
                   "(2, 99, 3), (3, 13, 3), (4, 14, 3)");
    auto pSave = start(at(10, 0, 30));
    QCOMPARE(pSave->RegionCount(), 3);
    QCOMPARE(pSave->CeffR(), 0.0f);
    // No settings row: a reading is accepted with dose 0.
    pSave->StoreRegionReading(12, 500);
    QCOMPARE(m_page.fDose, 0.0f);
    pSave->StoreRegionReading(99, 500);
    QCOMPARE(m_page.nReadings, 1);

    PSqlExec::Exec("insert into SystemInfo(Ceff_R) values(0.0056)");
    pSave->LoadRegionIds();
    QCOMPARE(pSave->CeffR(), 0.0056f);
    QCOMPARE(rowCount("select count(*) from MonthData where Hour = 10 and Month = ?", {day()}), 3);
    QCOMPARE(rowCount("select count(*) from MonthMinuteDose where Month = ?", {day()}), 3);
}

void TestRRegularSave::slotRule_data()
{
    // Readings of region 1, each "hh:mm:ss.zzz" on Day (or "+" for the next day),
    // and the expected (hour, column, value) afterwards; a reading of count n stores n/2.
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QList<QVariantList>>("expected");

    QTest::newRow("own slots") << QStringList {"10:00:10", "10:00:12.5"}
                               << QList<QVariantList> {{10, 5, 0.5}, {10, 6, 1.0}};
    QTest::newRow("second of a slot into the slot before") << QStringList {
        "10:07:20", "10:07:21.5"} << QList<QVariantList> {{10, 220, 0.5}, {10, 219, 1.0}};
    QTest::newRow("third of a slot overwrites it") << QStringList {"10:07:20", "10:07:21",
        "10:07:21.5"} << QList<QVariantList> {{10, 220, 1.5}, {10, 219, 1.0}};
    // The same slot index a minute later is another slot, not a duplicate.
    QTest::newRow("same index a minute later") << QStringList {
        "10:00:10", "10:01:10"} << QList<QVariantList> {{10, 5, 0.5}, {10, 35, 1.0}, {10, 4, 0.0}};
    QTest::newRow("duplicate in the first slot of a minute") << QStringList {
        "10:05:00", "10:05:01"} << QList<QVariantList> {{10, 150, 0.5}, {10, 149, 1.0}};
    // No column -1: the slot before is the last one of the hour before.
    QTest::newRow("duplicate in the first slot of the hour") << QStringList {
        "10:59:58", "11:00:00", "11:00:01"} << QList<QVariantList> {{11, 0, 1.0}, {10, 1799, 1.5}};
}

void TestRRegularSave::slotRule()
{
    QFETCH(QStringList, times);
    QFETCH(QList<QVariantList>, expected);
    registerRegions({1});
    auto pSave = start(at(10, 0, 0));
    int nCount = 0;
    for (const QString& strTime : times) {
        const QTime time
            = QTime::fromString(strTime, strTime.contains('.') ? "hh:mm:ss.z" : "hh:mm:ss");
        const bool bNewHour = time.hour() != m_pClock->Now().time().hour();
        m_pClock->Set(QDateTime(Day, time));
        if (bNewHour)
            pSave->MiniteTimeout();
        pSave->StoreRegionReading(1, ++nCount);
    }
    for (const QVariantList& slot : expected)
        QCOMPARE(slotValue(1, slot[0].toInt(), slot[1].toInt()).toDouble(), slot[2].toDouble());
}

void TestRRegularSave::dropsUnknownAndNegative()
{
    registerRegions({1});
    auto pSave = start(at(10, 0, 0));
    m_pClock->Set(at(10, 0, 4));
    pSave->StoreRegionReading(2, 10);
    pSave->StoreRegionReading(1, -3);
    QCOMPARE(m_page.nReadings, 0);
    QCOMPARE(rowCount("select count(*) from MonthData where Sum <> 0", {}), 0);
    // The count is printed as a number, not as the bits of an int read as a double.
    QCOMPARE(RRegularSave::UnknownReadingText(1, -3),
        QString("has no nId, nCount = -3.000000, nId = 1\n"));
}

void TestRRegularSave::sendsDoseAddressThatStaysValid()
{
    registerRegions({1, 2}, 0.0056);
    auto pSave = start(at(10, 0, 0));
    pSave->StoreRegionReading(2, 1000);
    QCOMPARE(m_page.nId, 2);
    QCOMPARE(m_page.fDose, 1000.0f * 0.0056f * 100.0f);
    const float* pFirst = m_page.pDose;
    // A receiver that keeps the address still finds a live float: the
    // region's latest rate (ASan would report a stale stack address).
    m_pClock->Set(at(10, 0, 5));
    pSave->StoreRegionReading(1, 10);
    pSave->LoadRegionIds();
    QCOMPARE(*pFirst, 1000.0f * 0.0056f * 100.0f);
    pSave->StoreRegionReading(2, 500);
    QCOMPARE(m_page.pDose, pFirst);
    QCOMPARE(*pFirst, 500.0f * 0.0056f * 100.0f);
}

void TestRRegularSave::slotStatementsAreCachedAndBounded()
{
    QList<int> ids;
    for (int i = 1; i <= 20; ++i)
        ids << i;
    registerRegions(ids);
    auto pSave = start(at(10, 0, 0));
    for (int nId : ids)
        pSave->StoreRegionReading(nId, 2);
    QCOMPARE(pSave->SlotStatements().Misses(), 1);
    for (int nSecond = 2; nSecond < 40; nSecond += 2) {
        m_pClock->Set(at(10, 0, nSecond));
        pSave->StoreRegionReading(1, 2);
    }
    QVERIFY(pSave->SlotStatements().Size() <= 4);
    QCOMPARE(slotValue(1, 10, 19).toDouble(), 1.0);
}

void TestRRegularSave::reducesMinute()
{
    registerRegions({1, 2});
    auto pSave = start(at(10, 6, 30));
    for (int nSecond : {30, 34, 40}) {
        m_pClock->Set(at(10, 6, nSecond));
        pSave->StoreRegionReading(1, nSecond == 40 ? 60 : 20); // 0.1, 0.1, 0.3 doses... x0.5
    }
    // Counts 20, 20, 60 store 10, 10, 30 µRad/h, all far above the spike
    // level, so no spike rule; the minute value is 30 x their mean.
    int nMinuteInTick = -1;
    m_window.onTick = [&] { nMinuteInTick = int(minuteValue(1, 10 * 60 + 6).toDouble()); };
    m_pClock->Set(at(10, 7, 0, 2));
    pSave->MiniteTimeout();
    QCOMPARE(pSave->TickCount(), 1);
    QCOMPARE(m_window.nTicks, 1);
    // The page reloading on the tick already finds the minute.
    QCOMPARE(nMinuteInTick, 500);
    QCOMPARE(minuteValue(2, 10 * 60 + 6).toDouble(), 0.0);
    QCOMPARE(
        PSqlExec::Scalar("select MaxDose from RegionLinkDoseInfo where Id = 1").toDouble(), 30.0);
    QCOMPARE(PSqlExec::Scalar("select TimeInfo from RegionLinkDoseInfo where Id = 1").toString(),
        QString("10:06:40"));

    // An empty minute is still written last: Maxindex follows it.
    m_pClock->Set(at(10, 8, 0));
    pSave->MiniteTimeout();
    QCOMPARE(PSqlExec::Scalar("select Maxindex from MonthMinuteDose where Id = 1").toInt(), 607);
    QCOMPARE(PSqlExec::Scalar("select Sum from MonthMinuteDose where Id = 1").toDouble(), 500.0);
    // A tick woken before the minute ended reduces nothing.
    pSave->MiniteTimeout();
    QCOMPARE(pSave->TickCount(), 2);
}

void TestRRegularSave::reducesInSlices()
{
    QList<int> ids;
    for (int i = 1; i <= 70; ++i)
        ids << i;
    registerRegions(ids);
    auto pSave = start(at(10, 6, 0));
    // Two readings each: no lone spike.
    for (int nSecond : {8, 10}) {
        m_pClock->Set(at(10, 6, nSecond));
        for (int nId : ids)
            pSave->StoreRegionReading(nId, 2 * nId);
    }
    m_pClock->Set(at(10, 7, 0));
    pSave->MiniteTimeout();
    // The tick waits for the last region.
    QVERIFY(pSave->IsReducing());
    QCOMPARE(m_window.nTicks, 0);
    QTRY_VERIFY(!pSave->IsReducing());
    QCOMPARE(m_window.nTicks, 1);
    QCOMPARE(rowCount("select count(*) from MonthMinuteDose where Maxindex = 606", {}), 70);
    QCOMPARE(minuteValue(70, 606).toDouble(), 2100.0);

    // A reload (stop, commit) right after a tick finds the minute complete.
    m_pClock->Set(at(10, 8, 0));
    pSave->MiniteTimeout();
    pSave->StopTimers();
    QVERIFY(!pSave->IsReducing());
    QCOMPARE(rowCount("select count(*) from MonthMinuteDose where Maxindex = 607", {}), 70);

    // Destroyed mid-reduction (the window shutting down): the minute is
    // written, but no tick goes to the window.
    const int nTicks = m_window.nTicks;
    m_pClock->Set(at(10, 9, 0));
    pSave->MiniteTimeout();
    QVERIFY(pSave->IsReducing());
    pSave.reset();
    QCOMPARE(m_window.nTicks, nTicks);
    QCOMPARE(rowCount("select count(*) from MonthMinuteDose where Maxindex = 608", {}), 70);
}

void TestRRegularSave::spikeOfTheDay()
{
    registerRegions({1}, 0.001); // count n stores n / 10 µRad/h
    PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, MaxDose, TimeInfo) values(1, ?, "
                   "0.2, '08:00:00')",
        {day()});
    auto pSave = start(at(12, 30, 0));
    m_pClock->Set(at(12, 30, 14));
    pSave->StoreRegionReading(1, 9);
    m_pClock->Set(at(12, 31, 0));
    pSave->MiniteTimeout();
    QCOMPARE(minuteValue(1, 12 * 60 + 30).toDouble(), 0.0);
    QCOMPARE(slotValue(1, 12, 30 * 30 + 7).toDouble(), 0.0);
    QSqlQuery query = PSqlExec::Select("select MaxDose, TimeInfo from RegionLinkDoseInfo");
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toFloat(), 0.2f);
    QCOMPARE(query.value(1).toString(), QString("12:30:14"));
    QVERIFY(!query.next());
}

void TestRRegularSave::zeroMinuteKeepsMaximum()
{
    registerRegions({1});
    PSqlExec::Exec("insert into RegionLinkDoseInfo(Id, Month, MaxDose, TimeInfo) values(1, ?, "
                   "7.5, '08:00:00')",
        {day()});
    auto pSave = start(at(12, 30, 0));
    m_pClock->Set(at(12, 31, 0));
    pSave->MiniteTimeout();
    QCOMPARE(PSqlExec::Scalar("select MaxDose from RegionLinkDoseInfo").toDouble(), 7.5);
    QCOMPARE(PSqlExec::Scalar("select TimeInfo from RegionLinkDoseInfo").toString(),
        QString("08:00:00"));
    QCOMPARE(PSqlExec::Scalar("select Maxindex from MonthMinuteDose").toInt(), 750);
}

void TestRRegularSave::midnightMinuteBelongsToOldDay()
{
    registerRegions({1}, 0.0005); // count 4 stores 0.2 µRad/h
    auto pSave = start(at(23, 59, 10));
    QCOMPARE(rowCount("select count(*) from MonthData where Month = ? and Hour = 0",
                 {day(Day.addDays(1))}),
        1);
    pSave->StoreRegionReading(1, 4);
    m_pClock->Set(at(0, 0, 0, 5, Day.addDays(1)));
    pSave->MiniteTimeout();
    QCOMPARE(minuteValue(1, 1439).toDouble(), 6.0);
    QCOMPARE(
        PSqlExec::Scalar("select Maxindex from MonthMinuteDose where Month = ?", {day()}).toInt(),
        1439);
    // The new day's minute row is untouched and its maximum row not yet made.
    QCOMPARE(minuteValue(1, 1439, Day.addDays(1)).toDouble(), 0.0);
    QCOMPARE(
        rowCount("select count(*) from RegionLinkDoseInfo where Month = ?", {day(Day.addDays(1))}),
        0);
    // Readings of the new day land in its own rows.
    m_pClock->Set(at(0, 0, 3, 0, Day.addDays(1)));
    pSave->StoreRegionReading(1, 4);
    QCOMPARE(slotValue(1, 0, 1, Day.addDays(1)).toDouble(), 0.2);
}

void TestRRegularSave::rowsAhead_data()
{
    QTest::addColumn<QDateTime>("startAt");
    QTest::addColumn<QDateTime>("tickAt");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("hour");

    QTest::newRow("next hour at minute 59") << at(9, 30, 0) << at(9, 59, 0) << Day << 10;
    QTest::newRow("tomorrow before midnight")
        << at(23, 30, 0) << at(23, 59, 0) << Day.addDays(1) << 0;
    // No tick falls into minute 59 after such a start.
    QTest::newRow("started in minute 59") << at(9, 59, 30) << QDateTime() << Day << 10;
    // A tick missed in minute 59 must not cost the whole next hour.
    QTest::newRow("minute 59 missed") << at(9, 58, 30) << at(10, 0, 30) << Day << 10;
}

void TestRRegularSave::rowsAhead()
{
    QFETCH(QDateTime, startAt);
    QFETCH(QDateTime, tickAt);
    QFETCH(QDate, date);
    QFETCH(int, hour);
    registerRegions({1, 2});
    auto pSave = start(startAt);
    if (tickAt.isValid()) {
        QCOMPARE(rowCount("select count(*) from MonthData where Month = ? and Hour = ?",
                     {day(date), hour}),
            0);
        m_pClock->Set(tickAt);
        pSave->MiniteTimeout();
        pSave->MiniteTimeout();
    }
    QCOMPARE(
        rowCount("select count(*) from MonthData where Month = ? and Hour = ?", {day(date), hour}),
        2);
    QCOMPARE(rowCount("select count(*) from MonthMinuteDose where Month = ?", {day(date)}), 2);
}

void TestRRegularSave::commitsEveryFiveMinutes()
{
    registerRegions({1});
    m_pClock = std::make_unique<SManualClock>(at(10, 0, 0));
    RRegularSave save(m_pClock.get(), 3600000, 20);
    m_pClock->Set(at(10, 0, 6));
    save.StoreRegionReading(1, 8);
    // Another connection sees only committed data.
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "reader");
    other.setDatabaseName(m_dir.filePath("DataBase.sqlite"));
    QVERIFY(other.open());
    auto committed = [&] {
        QSqlQuery query(other);
        return query.exec("select \"3\" from MonthData where Id = 1 and Hour = 10") && query.next()
            && query.value(0).toDouble() == 4.0;
    };
    QTRY_VERIFY(committed());
    QVERIFY(save.IsSaveTimerActive());
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("reader");
}

void TestRRegularSave::stopCommits()
{
    registerRegions({1});
    auto pSave = start(at(10, 0, 0));
    m_pClock->Set(at(10, 0, 6));
    pSave->StoreRegionReading(1, 8);
    pSave->StopTimers();
    QVERIFY(!pSave->IsMinuteTimerActive() && !pSave->IsSaveTimerActive());
    pSave.reset();
    // A rollback now would lose the reading if the stop had not committed.
    QSqlDatabase::database().rollback();
    QCOMPARE(slotValue(1, 10, 3).toDouble(), 4.0);
}

QTEST_GUILESS_MAIN(TestRRegularSave)
#include "tst_rregularsave.moc"
