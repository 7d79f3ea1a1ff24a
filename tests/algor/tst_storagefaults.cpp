#include "BusRecorder.h"
#include "SqlRows.h"
#include "StdoutCapture.h"
#include "StoredRows.h"
#include "TestDb.h"

#include "algor/RRegularSave.h"
#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RConnectDatabase.h"
#include "database/RRoutingStore.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "realtime/RAlarmState.h"
#include "realtime/RRegionWatch.h"

#include <QSqlDatabase>
#include <QtTest>

#include <memory>

// What the file holds after a full disk, a writer that holds the file, a stop
// in the middle of a minute and a jump of the clock: every reading that fits
// the bound, and the same minute values, maxima and episodes as a run that
// met none of them.
namespace {

using namespace StoredRows;

// Every row of the tables the readings reach, in a fixed order.
QStringList snapshot()
{
    return SqlRows("select * from MonthData order by Id, Month, Hour").split("; ")
        + SqlRows("select * from MonthMinuteDose order by Id, Month").split("; ")
        + SqlRows("select Id, Month, AlarmOverCount, MaxDose, TimeInfo from RegionLinkDoseInfo "
                  "order by Id, Month")
              .split("; ")
        + SqlRows("select Time, Id, Event from AlarmJournal order by Seq").split("; ");
}

QStringList lines(const QByteArray& text, const char* pNeedle)
{
    QStringList found;
    for (const QByteArray& line : text.split('\n'))
        if (line.contains(pNeedle))
            found << QString::fromUtf8(line);
    return found;
}

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SManualClock> m_pClock;
    std::unique_ptr<BusRecorder> m_pPage;
    std::unique_ptr<BusRecorder> m_pWindow;
    // The region page's model, fed as the page feeds it, and the alarm state
    // that counts its episodes.
    std::unique_ptr<RAlarmJournal> m_pJournal;
    std::unique_ptr<RAlarmState> m_pState;
    std::unique_ptr<RRegionWatch> m_pModel;

    void open(const QString& strName)
    {
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QDir().mkpath(strName);
        QVERIFY(QDir::setCurrent(m_dir.filePath(strName)));
        QFile::remove("DataBase.sqlite");
        QVERIFY(RConnectDatabase(&TestDb::Writer()).OpenDatabase());
    }

    std::unique_ptr<RRegularSave> start(const QList<int>& ids, const QDateTime& now)
    {
        if (m_pClock)
            m_pClock->Set(now);
        else
            m_pClock = std::make_unique<SManualClock>(now);
        if (!ids.isEmpty()) {
            TestDb::AddRegions(ids);
            // Count n stores n / 20 µRad/h; regions alarm from 5 µRad/h.
            PSqlExec::Exec("insert into SystemInfo(Ceff_R) values(0.0005)");
            PSqlExec::Exec("update RegionCurveColorInfo set Alarmvalue = 5");
            TestDb::Catalogue().Reload();
        }
        m_pModel.reset();
        m_pState.reset();
        m_pJournal = std::make_unique<RAlarmJournal>(&TestDb::Writer(), m_pClock.get());
        m_pState = std::make_unique<RAlarmState>(m_pJournal.get(), nullptr, m_pClock.get());
        m_pModel = std::make_unique<RRegionWatch>(&TestDb::Catalogue(), m_pClock.get());
        m_pModel->Reload(m_pState->RaisedIds());
        QObject::connect(m_pModel.get(), &RRegionWatch::AlarmChanged, m_pState.get(),
            &RAlarmState::OnAlarmChanged);
        m_pPage->onMessage = [this](const SMessage& message) {
            if (message.MessageType() == SBus::RegionReading)
                m_pModel->Feed(static_cast<int>(message.First()),
                    *reinterpret_cast<const float*>(message.Second()));
        };
        return std::make_unique<RRegularSave>(
            &TestDb::Writer(), &TestDb::Catalogue(), m_pClock.get(), 3600000, 3600000);
    }

    // The file refuses to grow from now on; it is full.
    static void fill()
    {
        const int nPages = PSqlExec::Scalar("pragma page_count").toInt();
        PSqlExec::Select(QString("pragma max_page_count = %1").arg(nPages)).next();
    }
    static void free() { PSqlExec::Select("pragma max_page_count = 1000000").next(); }

    // A reading of every region, a rising dose that alarms now and then, and
    // the minute tick on each whole minute.
    void readAll(RRegularSave& save, const QList<int>& ids, int nStep)
    {
        m_pClock->Set(at(10, 0, 0).addSecs(2 * nStep));
        if (m_pClock->Now().time().second() == 0 && nStep > 0)
            save.MiniteTimeout();
        for (int nId : ids)
            save.StoreRegionReading(nId, nStep % 40 == 0 ? 400 : 10 + nId + nStep % 5);
        QTRY_VERIFY(!save.IsReducing());
    }

    // The same readings with the file full for a while (or not at all):
    // what the file holds in the end.
    void fullDiskRun(const QString& strName, bool bFull, QStringList* pRows)
    {
        open(strName);
        const QList<int> ids = TestDb::Ids(1, 10);
        auto pSave = start(ids, at(10, 0, 0));
        RStorageWriter& writer = TestDb::Writer();
        RStorageState& state = TestDb::Writer().State();
        int nHeldAt = -1;
        bool bShown = false;
        for (int nStep = 0; nStep < 150; ++nStep) {
            if (bFull && nStep == 5)
                fill();
            readAll(*pSave, ids, nStep);
            if (bFull && nHeldAt < 0 && !writer.IsHealthy())
                nHeldAt = nStep;
            bShown = bShown || state.IsFailing();
            // Freed after 25 s; the retry writes everything kept.
            if (nHeldAt >= 0 && nStep == nHeldAt + 13) {
                free();
                writer.Retry();
                QTRY_VERIFY(writer.IsHealthy());
            }
        }
        if (bFull) {
            // Full within the run, shown while full, cleared after.
            QVERIFY(nHeldAt > 5 && nHeldAt < 120);
            QVERIFY(bShown);
            QVERIFY(!state.IsFailing());
            QCOMPARE(state.LostReadings(), qint64(0));
        }
        m_pClock->Set(at(10, 5, 0));
        pSave->MiniteTimeout();
        QTRY_VERIFY(!pSave->IsReducing());
        pSave.reset();
        *pRows = snapshot();
        QSqlDatabase::database().close();
    }

    // The run of heldReadingsReplayedAsWritten, held or not.
    void rowsRun(bool bHeld, QString* pRows)
    {
        open(bHeld ? "rows-held" : "rows-free");
        RStorageWriter& writer = TestDb::Writer();
        writer.Begin();
        PSqlExec::Exec("insert into MonthData(Id, Month, Hour) values(1, '2026-03-07', 10)");
        QVERIFY(writer.Commit());
        if (bHeld)
            fill();
        for (int n = 0; n < 2500; ++n) {
            writer.StoreSlot(1, Day, 10, n % 1800, 0.1 + n % 7 * 0.37);
            if (n == 1000)
                writer.Write(
                    "update MonthData set \"800\" = 99, \"1200\" = 77 where Id = 1 and Hour = 10");
        }
        writer.StoreSlot(2, Day, 11, 3, 1.25);
        if (bHeld) {
            QVERIFY(!writer.IsHealthy());
            QCOMPARE(writer.KeptReadings(), qint64(2501));
            free();
            writer.Retry();
            QTRY_VERIFY(writer.IsHealthy());
            QCOMPARE(writer.KeptReadings(), qint64(0));
        }
        QVERIFY(writer.Commit());
        *pRows = SqlRows("select * from MonthData order by Id, Hour");
    }

private slots:
    void init()
    {
        m_pPage = std::make_unique<BusRecorder>(SBus::RegionPage);
        m_pWindow = std::make_unique<BusRecorder>(SBus::MainWindow);
    }

    void cleanup()
    {
        m_pModel.reset();
        m_pState.reset();
        m_pJournal.reset();
        m_pPage.reset();
        m_pWindow.reset();
        m_pClock.reset();
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        TestDb::Writer().SetMaxReadings(RStorageWriter::DefaultMaxReadings);
    }

    // Full for 25 s across minute boundaries: the file ends up exactly as
    // after an undisturbed run (slots, hour sums, minute values, maxima,
    // episodes, journal), and the fault was logged at Alert.
    void fullDiskLosesNothing()
    {
        QStringList undisturbed;
        fullDiskRun("calm", false, &undisturbed);
        QVERIFY(undisturbed.size() > 30);
        StdoutCapture out;
        QStringList full;
        fullDiskRun("full", true, &full);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(full.size(), undisturbed.size());
        for (int i = 0; i < full.size(); ++i)
            QCOMPARE(full.at(i), undisturbed.at(i));
        QCOMPARE(lines(out.Text(), "[Alert]").size(), 1);
    }

    // Beyond the bound the oldest readings go, exactly as many as are
    // counted; the newest are all in the file.
    void fullBeyondTheBoundLosesTheOldest()
    {
        open("bound");
        auto pSave = start({1}, at(0, 0, 0));
        RStorageWriter& writer = TestDb::Writer();
        writer.SetMaxReadings(20);
        fill();
        // One reading an hour: each needs a row of its own, which the full
        // file soon cannot take.
        const auto read = [&](int n) {
            m_pClock->Set(at(0, 0, 0).addSecs(3600 * n));
            pSave->StoreRegionReading(1, 20 * (n + 1));
        };
        int n = 0;
        for (; writer.IsHealthy() && n < 10; ++n)
            read(n);
        QVERIFY(!writer.IsHealthy());
        const int nFirstHeld = n - static_cast<int>(writer.KeptReadings());
        for (; n < nFirstHeld + 30; ++n)
            read(n);
        const int nLost = n - nFirstHeld - 20;
        QCOMPARE(TestDb::Writer().State().LostReadings(), qint64(nLost));
        QCOMPARE(writer.LostReadings(), qint64(nLost));
        free();
        writer.Retry();
        QTRY_VERIFY(writer.IsHealthy());
        for (int i = 0; i < n; ++i) {
            const QDateTime time = at(0, 0, 0).addSecs(3600 * i);
            const double dStored = num("select \"0\" from MonthData where Id = 1 and Month = ? "
                                       "and Hour = ?",
                {day(time.date()), time.time().hour()});
            QCOMPARE(dStored, i >= nFirstHeld && i < nFirstHeld + nLost ? 0.0 : i + 1.0);
        }
    }

    // Another connection holding the write lock: the readings are kept (no
    // statement waits more than the short lock wait), written when it lets
    // go; a stop while it still holds the file says how many are lost.
    void writerHoldingTheFile()
    {
        open("held");
        auto pSave = start({1, 2}, at(10, 0, 0));
        RStorageWriter& writer = TestDb::Writer();
        QCOMPARE(PSqlExec::Scalar("pragma busy_timeout").toInt(), RStorageWriter::LockWaitMs);
        QCOMPARE(PSqlExec::Scalar("pragma journal_mode").toString(), QString("wal"));
        // The transaction begun after a commit holds no lock until it writes.
        QVERIFY(writer.Commit());
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(QDir::current().filePath("DataBase.sqlite"));
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec("begin immediate"));
            for (int n = 0; n < 10; ++n) {
                m_pClock->Set(at(10, 0, 2 * n));
                pSave->StoreRegionReading(1, 20);
                pSave->StoreRegionReading(2, 40);
            }
            QVERIFY(!writer.IsHealthy());
            QCOMPARE(writer.KeptReadings(), qint64(20));
            // A patrol reading is kept the same way.
            RRoutingStore::Store(TestDb::Writer(), 7, 21, Day, QTime(10, 0, 20), 123);
            writer.Retry();
            QVERIFY(!writer.IsHealthy());
            QVERIFY(hold.exec("commit"));
            writer.Retry();
            QTRY_VERIFY(writer.IsHealthy());
            QCOMPARE(CommittedRows("DataBase.sqlite",
                         "select \"9\", Sum from MonthData where Id = 2 and Hour = 10 union all "
                         "select Dose, Time from RoutingMinuteDose where Id = 7"),
                QStringLiteral("2 20; 123 10:00"));

            QVERIFY(hold.exec("begin immediate"));
            m_pClock->Set(at(10, 0, 30));
            pSave->StoreRegionReading(1, 20);
            pSave->StoreRegionReading(2, 20);
            StdoutCapture out;
            QCOMPARE(writer.Close(0), qint64(2));
            QCOMPARE(writer.LostAtClose(), qint64(2));
            QCOMPARE(lines(out.Text(), "[Alert]").size(), 1);
            hold.exec("rollback");
        }
        QSqlDatabase::removeDatabase("other");
        pSave.reset();
    }

    // Minutes put off while the file refused writes are reduced after it
    // takes them again one slice per pass of the event loop, not in chains
    // that multiply with every minute done.
    void deferredMinutesTakeOneChain()
    {
        open("deferred");
        const QList<int> ids = TestDb::Ids(1, 64);
        auto pSave = start(ids, at(10, 0, 0));
        fill();
        for (int nStep = 0; nStep <= 6 * 30; ++nStep)
            readAll(*pSave, ids, nStep);
        const int nMinutes = pSave->DeferredMinutes();
        QVERIFY(nMinutes >= 5);
        free();
        TestDb::Writer().Retry();
        int nPasses = 0;
        while (!TestDb::Writer().IsHealthy() && nPasses++ < 1000)
            QCoreApplication::processEvents();
        // A minute takes two slices of 32 regions: one pass never closes two.
        QSignalSpy closed(pSave.get(), &RRegularSave::MinuteClosed);
        int nMostInOnePass = 0;
        for (nPasses = 0; (pSave->DeferredMinutes() > 0 || pSave->IsReducing()) && nPasses < 10000;
             ++nPasses) {
            const int nBefore = closed.count();
            QCoreApplication::processEvents();
            nMostInOnePass = qMax(nMostInOnePass, closed.count() - nBefore);
        }
        QCOMPARE(closed.count(), nMinutes);
        QCOMPARE(nMostInOnePass, 1);
        QCOMPARE(
            PSqlExec::Scalar("select count(*) from MonthMinuteDose where \"605\" > 0").toInt(), 64);
    }

    // Readings kept while the file is held are written again a row at a time;
    // the file ends up the same to the byte as if each had been written at
    // once: a row with more readings than one update takes, two readings of
    // one slot (the later wins), a reading into an hour with no row yet, and
    // another write between them, which keeps its place.
    void heldReadingsReplayedAsWritten()
    {
        QString strFree;
        QString strHeld;
        rowsRun(false, &strFree);
        rowsRun(true, &strHeld);
        // The write between keeps what came before it and loses what came after.
        QVERIFY(strFree.contains(" 99 ") && !strFree.contains(" 77 "));
        QCOMPARE(strHeld, strFree);
    }

    // Stopped at second 29, started two minutes later: the stopped minute
    // has its value and the day's maximum its spike-free high. A minute left
    // without value by a crash is reduced at the start.
    void stopsAndCrashesMidMinute()
    {
        open("stop");
        auto pSave = start({1}, at(10, 5, 0));
        for (int nSecond = 0; nSecond < 29; nSecond += 2) {
            m_pClock->Set(at(10, 5, nSecond));
            pSave->StoreRegionReading(1, nSecond == 10 ? 56000 : 200); // 2800 once
        }
        m_pClock->Set(at(10, 5, 29));
        pSave.reset();
        // A crash in minute 3: slots written and committed, no value.
        PSqlExec::Exec("update MonthData set \"100\" = 4, \"101\" = 6 where Id = 1 and Hour = 10");
        QCOMPARE(minute(1, 603), 0.0);

        pSave = start({}, at(10, 7, 10));
        QCOMPARE(minute(1, 603), 150.0);
        const double dMean = (14 * 10.0 + 2800) / 15;
        QCOMPARE(minute(1, 605), PSqlExec::Number(dMean * 30).toDouble());
        QCOMPARE(num("select MaxDose from RegionLinkDoseInfo where Id = 1"), 2800.0);
        QCOMPARE(PSqlExec::Scalar("select TimeInfo from RegionLinkDoseInfo").toString(),
            QString("10:05:10"));
        // The minute reduced again changes nothing, the day's sum included.
        QCOMPARE(num("select Sum from MonthMinuteDose where Id = 1"),
            150.0 + PSqlExec::Number(dMean * 30).toDouble());
        m_pClock->Set(at(10, 8, 0));
        pSave->MiniteTimeout();
        QTRY_VERIFY(!pSave->IsReducing());
        pSave.reset();
        QCOMPARE(num("select Sum from MonthMinuteDose where Id = 1"),
            150.0 + PSqlExec::Number(dMean * 30).toDouble());
        // An alarm at 2800 counted its episode when it began.
        QCOMPARE(num("select AlarmOverCount from RegionLinkDoseInfo where Id = 1"), 1.0);
    }

    // The wall clock jumps 45 minutes ahead, into an hour without rows: no
    // reading is dropped, the minute left and the minute landed in both get
    // values.
    void clockJumpIntoNewHour()
    {
        open("jump");
        auto pSave = start({1}, at(10, 30, 8));
        pSave->StoreRegionReading(1, 200);
        m_pClock->Set(at(10, 30, 10));
        pSave->StoreRegionReading(1, 200);
        m_pClock->Jump(45 * 60 * 1000);
        m_pClock->Advance(2000);
        pSave->StoreRegionReading(1, 400); // 11:15:12
        QTRY_VERIFY(!pSave->IsReducing());
        m_pClock->Advance(2000);
        pSave->StoreRegionReading(1, 400);
        QCOMPARE(slot(1, 11, 15 * 30 + 6), 20.0);
        QCOMPARE(minute(1, 630), 300.0);
        m_pClock->Set(at(11, 16, 0));
        pSave->MiniteTimeout();
        QTRY_VERIFY(!pSave->IsReducing());
        QCOMPARE(minute(1, 675), 600.0);
    }
};

QTEST_GUILESS_MAIN(TestStorageFaults)
#include "tst_storagefaults.moc"
