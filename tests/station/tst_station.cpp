#include "SqlRows.h"
#include "TestDb.h"

#include "XlsxSheet.h"

#include "algor/PDoseThread.h"
#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RAuditTrail.h"
#include "database/RConnectDatabase.h"
#include "database/RInstrumentStore.h"
#include "database/RLoginSession.h"
#include "database/RUserAccounts.h"
#include "history/PInstrumentRegister.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "plant/RPlantConfig.h"
#include "plant/RPlantModbus.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RInstrumentWatch.h"
#include "realtime/RRegionWatch.h"
#include "station/RStation.h"

#include "PQuitOnSignal.h"
#include "PSimDataServer.h"

#include <QFile>
#include <QSignalSpy>
#include <QSqlError>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <csignal>

namespace {

const QDateTime kStart(QDate(2026, 3, 7), QTime(10, 6, 30));
// A raw count of 20 is 1 µRad/h; the regions alarm from 100 µRad/h.
constexpr int kHigh = 4000;
constexpr int kLow = 200;

} // namespace

// The station without any widget: what it stores, raises and records, and
// who may do what through it.
class TestStation : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SManualClock m_clock {kStart};
    PSimDataServer m_server;
    std::unique_ptr<RStation> m_pStation;

    QString File() const { return m_dir.filePath(QStringLiteral("DataBase.sqlite")); }

    void Begin(bool bHeadless = false)
    {
        RStation::Options options;
        options.pClock = &m_clock;
        options.strDatabaseFile = File();
        options.strAuditKeyPath = m_dir.filePath(QStringLiteral("audit.key"));
        options.bHeadless = bHeadless;
        m_pStation = std::make_unique<RStation>(options);
        QString strError;
        QVERIFY2(m_pStation->Open(&strError), qPrintable(strError));
        m_pStation->Start();
    }
    void End() { m_pStation.reset(); }
    // The stored rows of the audit trail after the station's own start.
    static QString Trail(const char* pColumns, const char* pWhere = "1")
    {
        return SqlRows(
            QStringLiteral("select %1 from AuditTrail where Action not in ('start') and (%2) "
                           "order by Seq")
                .arg(QLatin1String(pColumns), QLatin1String(pWhere)));
    }
    void LogIn(const QString& strName, int nGrade)
    {
        RLoginSession* pSession = m_pStation->Session();
        QCOMPARE(pSession->Accounts().Create({}, strName, nGrade, strName + "-password"),
            RUserAccounts::Result::Ok);
        QCOMPARE(pSession->LogIn(strName, strName + "-password"), RUserAccounts::Result::Ok);
    }
    void LogInAgain(const QString& strName)
    {
        QCOMPARE(m_pStation->Session()->LogIn(strName, strName + "-password"),
            RUserAccounts::Result::Ok);
    }
    // The journal's rows of region nId after nSeq: "event detail", in order.
    static QString JournalAfter(qint64 nSeq, int nId)
    {
        return SqlRows(QStringLiteral("select Event || ' ' || ifnull(Detail, '') from "
                                      "AlarmJournal where Seq > %1 and Id = %2 order by Seq")
                           .arg(nSeq)
                           .arg(nId));
    }
    static RInstrumentCalibration Calibration(int nId, const QDate& day, const QDate& due)
    {
        RInstrumentCalibration calibration;
        calibration.nId = nId;
        calibration.date = day;
        calibration.nextDue = due;
        calibration.dFactor = 1.04;
        calibration.strCertificate = QStringLiteral("C-%1").arg(nId);
        calibration.strLaboratory = QStringLiteral("lab");
        return calibration;
    }
    static RInstrumentTest Test(int nId, const QDate& day, int nKind, bool bPass, const QDate& due)
    {
        RInstrumentTest test;
        test.nId = nId;
        test.date = day;
        test.nKind = nKind;
        test.bPass = bPass;
        test.dValue = 180;
        test.nextDue = due;
        return test;
    }
    void Reading(int nId, int nCount)
    {
        m_clock.Advance(2000);
        m_pStation->StoreReading(nId, nCount);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && m_server.Listen()); }

    void init()
    {
        m_clock.Set(kStart);
        QSqlDatabase::database().close();
        for (const char* pName : {"DataBase.sqlite", "audit.key"})
            QFile::remove(m_dir.filePath(QLatin1String(pName)));
        QVERIFY(TestDb::MakeStationFile(File(), m_server.Port()));
        // A site with its administrator: accounts can be made.
        PSqlExec::Exec("insert into UserAccount(Name, Grade, PasswordHash) values('site', 0, '-')");
        QVERIFY(TestDb::Writer().Commit());
        QSqlDatabase::database().close();
        Begin();
    }
    void cleanup() { End(); }

    // Every action through the station is checked against the session's
    // grade and, when taken, is in the trail under its account; nobody
    // logged in may take none of them.
    void actionsByGrade_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<QString>("trail");
        // Acknowledge, mute, shelve, unshelve, threshold, day delete, note,
        // function test, out of service.
        QTest::newRow("nobody") << -1 << "login login login login login login login login login"
                                << "";
        QTest::newRow("operator") << int(RUserRights::Operator)
                                  << "done done denied denied denied denied done denied denied"
                                  << "acknowledge region 1; mute ; instrument-note region 2";
        const char* pAll = "acknowledge region 1; mute ; shelve region 2; unshelve region 2; "
                           "threshold region 1; threshold region 2; day-delete region 1 "
                           "2026-03-06; instrument-note region 2; function-test region 2; "
                           "out-of-service region 2";
        QTest::newRow("officer") << int(RUserRights::Officer)
                                 << "done done done done done done done done done" << pAll;
        QTest::newRow("administrator") << int(RUserRights::Administrator)
                                       << "done done done done done done done done done" << pAll;
    }
    void actionsByGrade()
    {
        QFETCH(int, grade);
        if (grade >= 0)
            LogIn(QStringLiteral("ann"), grade);
        Reading(1, kHigh);
        QVERIFY(m_pStation->AlarmState()->IsUnacknowledged(1));
        const auto text = [](RStation::Outcome eOutcome) {
            switch (eOutcome) {
            case RStation::Outcome::Done:
                return QStringLiteral("done");
            case RStation::Outcome::NotLoggedIn:
                return QStringLiteral("login");
            case RStation::Outcome::NotAllowed:
                return QStringLiteral("denied");
            default:
                return QStringLiteral("refused");
            }
        };
        const QStringList outcomes {text(m_pStation->Acknowledge(1)),
            text(m_pStation->SetMuted(true)),
            text(m_pStation->Shelve(2, m_clock.Now().addSecs(3600), QStringLiteral("pump test"))),
            text(m_pStation->Unshelve(2, QStringLiteral("done"))),
            text(m_pStation->RecordThreshold(0, -1, 500)),
            text(m_pStation->RecordDayDelete(QStringLiteral("region 1 2026-03-06"), 3)),
            text(m_pStation->RecordNote(2, QStringLiteral("cable loose"))),
            text(m_pStation->RecordTest(Test(
                2, kStart.date(), RInstrumentTest::CheckSource, true, kStart.date().addMonths(3)))),
            text(m_pStation->TakeOutOfService(2, QStringLiteral("to the lab")))};
        QTEST(outcomes.join(' '), "outcomes");
        QTEST(Trail("Action || ' ' || Object",
                  "Action not in ('login', 'logout', 'account-create', 'account-add')"),
            "trail");
        // Refused actions change nothing.
        QCOMPARE(m_pStation->AlarmState()->IsUnacknowledged(1), grade < 0);
        QCOMPARE(m_pStation->Cue()->IsMuted(), grade >= 0);
        if (grade >= 0)
            QCOMPARE(SqlRows("select distinct AccountName from AuditTrail where Action in "
                             "('acknowledge', 'mute')"),
                QString("ann"));
    }

    // Out of service across a restart: no alarm row, no sound, no off-line
    // row, the readings still stored; back in service over the threshold:
    // an alarm at once. The journal and the trail have both.
    void outOfServiceAcrossRestart()
    {
        LogIn(QStringLiteral("olga"), RUserRights::Officer);
        Reading(1, kHigh);
        QVERIFY(m_pStation->AlarmState()->IsUnacknowledged(1));
        const qint64 nSeq = RAlarmJournal::LastSeq();
        QCOMPARE(m_pStation->TakeOutOfService(1, QStringLiteral(" ")), RStation::Outcome::Refused);
        QCOMPARE(m_pStation->TakeOutOfService(1, QStringLiteral("calibration")),
            RStation::Outcome::Done);
        QCOMPARE(
            m_pStation->TakeOutOfService(1, QStringLiteral("again")), RStation::Outcome::Refused);
        QCOMPARE(m_pStation->Shelve(1, m_clock.Now().addSecs(600), QStringLiteral("x")),
            RStation::Outcome::Refused);
        QVERIFY(!m_pStation->AlarmState()->IsUnacknowledged(1));
        QVERIFY(!m_pStation->Cue()->IsPending());
        QCOMPARE(m_pStation->RegionState(1).nLook, int(RAlarmState::OutOfService));
        QVERIFY(m_pStation->Snapshot().regions.at(0).bOutOfService);
        const double dBefore
            = PSqlExec::Scalar("select total(Sum) from MonthData where Id = 1").toDouble();
        Reading(1, kLow);
        Reading(1, kHigh);
        // Silent for longer than the off-line time.
        for (int i = 0; i < 30; ++i)
            Reading(2, kLow);
        m_pStation->Watch()->Supervise();
        End();
        Begin();
        QVERIFY(m_pStation->AlarmState()->IsOutOfService(1));
        Reading(1, kHigh);
        QVERIFY(!m_pStation->AlarmState()->IsActive(1));
        QVERIFY(!m_pStation->Cue()->IsPending());
        QVERIFY(
            PSqlExec::Scalar("select total(Sum) from MonthData where Id = 1").toDouble() > dBefore);
        LogInAgain(QStringLiteral("olga"));
        QCOMPARE(
            m_pStation->ReturnToService(1, QStringLiteral("calibrated")), RStation::Outcome::Done);
        QVERIFY(m_pStation->AlarmState()->IsActive(1));
        QVERIFY(m_pStation->AlarmState()->IsUnacknowledged(1));
        QCOMPARE(JournalAfter(nSeq, 1),
            QString("ack ; clear ; out-of-service reason=calibration; in-service "
                    "reason=calibrated; alarm in-service=1"));
        QCOMPARE(Trail("Action || ' ' || Object || ' ' || NewValue",
                     "Action in ('out-of-service', 'in-service')"),
            QString("out-of-service region 1 calibration; in-service region 1 calibrated"));
        QCOMPARE(SqlRows("select Id, Reason, Account, BackReason, BackAccount, Until is not null "
                         "from InstrumentOutage"),
            QString("1 calibration olga calibrated olga 1"));
    }

    // Due soon, due, overdue (across a month's and a year's end), a failed
    // test overdue at once: the status line, and one journal row per monitor
    // and kind a day, a restart included.
    void dueDatesAcrossMonthAndYearEnds()
    {
        LogIn(QStringLiteral("olga"), RUserRights::Officer);
        const QDate today = kStart.date();
        QCOMPARE(m_pStation->RecordCalibration(Calibration(1, today.addDays(1), QDate(2027, 3, 1))),
            RStation::Outcome::Refused);
        QCOMPARE(m_pStation->RecordCalibration(Calibration(1, today, today)),
            RStation::Outcome::Refused);
        QCOMPARE(m_pStation->RecordCalibration(Calibration(1, today, QDate(2027, 1, 31))),
            RStation::Outcome::Done);
        QCOMPARE(m_pStation->RecordTest(
                     Test(2, today, RInstrumentTest::CheckSource, true, QDate(2026, 3, 31))),
            RStation::Outcome::Done);
        RInstrumentWatch* pWatch = m_pStation->Instruments();
        const auto at = [this, &pWatch](const QDate& day) {
            m_clock.Set(QDateTime(day, QTime(0, 0, 5)));
            pWatch->Check();
            return pWatch->Problem();
        };
        const auto dueSoon = [&pWatch](int nId) {
            for (const RInstrumentDue& due : pWatch->Dues()) {
                if (due.nId == nId && due.IsDueWithin(pWatch->Today(), RInstrumentWatch::kSoonDays))
                    return true;
            }
            return false;
        };
        QVERIFY(at(QDate(2026, 3, 31)).isEmpty());
        QVERIFY(dueSoon(2) && !dueSoon(1));
        const qint64 nSeq = RAlarmJournal::LastSeq();
        QVERIFY(at(QDate(2026, 4, 1)).contains("check-source test of Room 2 (2) due 2026-03-31"));
        at(QDate(2026, 4, 1));
        End();
        Begin();
        pWatch = m_pStation->Instruments();
        QVERIFY(!at(QDate(2026, 4, 1)).isEmpty());
        at(QDate(2026, 4, 2));
        QCOMPARE(JournalAfter(nSeq, 2),
            QString("overdue kind=1;due=2026-03-31;days=1; overdue kind=1;due=2026-03-31;days=2"));
        // Tested again: nothing overdue; the next one falls due at the year's end.
        LogInAgain(QStringLiteral("olga"));
        QCOMPARE(m_pStation->RecordTest(Test(2, QDate(2026, 4, 2), RInstrumentTest::CheckSource,
                     true, QDate(2026, 12, 31))),
            RStation::Outcome::Done);
        QVERIFY(pWatch->Problem().isEmpty());
        QVERIFY(at(QDate(2026, 12, 31)).isEmpty());
        QVERIFY(dueSoon(2) && !dueSoon(1));
        QVERIFY(at(QDate(2027, 1, 1)).contains("check-source test of Room 2 (2) due 2026-12-31"));
        QVERIFY(dueSoon(1) && !dueSoon(2));
        QVERIFY(at(QDate(2027, 1, 31)).indexOf("calibration") < 0);
        QVERIFY(at(QDate(2027, 2, 1)).contains("calibration of Room 1 (1) due 2027-01-31"));
        // A failed alarm test is overdue the day it failed.
        QCOMPARE(m_pStation->RecordTest(Test(
                     1, QDate(2027, 2, 1), RInstrumentTest::AlarmTest, false, QDate(2028, 2, 1))),
            RStation::Outcome::Done);
        QVERIFY(pWatch->Problem().contains("alarm test of Room 1 (1) failed on 2027-02-01"));
    }

    // A calibration that sets the monitor's coefficient converts its
    // readings from then on and records the one it replaces; the others
    // keep the site's coefficient.
    void calibrationSetsTheCoefficient()
    {
        LogIn(QStringLiteral("olga"), RUserRights::Officer);
        RInstrumentCalibration calibration = Calibration(1, kStart.date(), QDate(2027, 3, 7));
        calibration.dCoefficient = 0.001;
        QCOMPARE(m_pStation->RecordCalibration(calibration), RStation::Outcome::Done);
        Reading(1, kLow);
        Reading(2, kLow);
        const RStationSnapshot snapshot = m_pStation->Snapshot();
        QCOMPARE(snapshot.regions.at(0).fDose, 20.0f);
        QCOMPARE(snapshot.regions.at(1).fDose, 10.0f);
        QCOMPARE(Trail("OldValue || ' / ' || NewValue", "Action = 'calibration'"),
            QString("coefficient 0.0005 / 2026-03-07 factor 1.04 certificate C-1 laboratory lab "
                    "next due 2027-03-07 coefficient 0.001"));
        QCOMPARE(SqlRows("select OldCoefficient, Coefficient, Account from InstrumentCalibration"),
            QString("0.0005 0.001 olga"));
    }

    // The year's register against a hand count: records of the year only,
    // time out of service clipped to the year, overdue days counted once.
    void instrumentRegister()
    {
        LogIn(QStringLiteral("olga"), RUserRights::Officer);
        // Region 1: calibrated in March, due 2026-06-30; a failed check on
        // 2026-05-10 passed again 2026-05-12; recalibrated 2026-07-05.
        m_clock.Set(QDateTime(QDate(2026, 12, 31), QTime(12, 0)));
        QCOMPARE(
            m_pStation->RecordCalibration(Calibration(1, QDate(2025, 6, 30), QDate(2026, 6, 30))),
            RStation::Outcome::Done);
        QCOMPARE(
            m_pStation->RecordCalibration(Calibration(1, QDate(2026, 7, 5), QDate(2027, 7, 5))),
            RStation::Outcome::Done);
        QCOMPARE(m_pStation->RecordTest(Test(1, QDate(2026, 5, 10), RInstrumentTest::CheckSource,
                     false, QDate(2026, 8, 10))),
            RStation::Outcome::Done);
        QCOMPARE(m_pStation->RecordTest(Test(1, QDate(2026, 5, 12), RInstrumentTest::CheckSource,
                     true, QDate(2027, 5, 12))),
            RStation::Outcome::Done);
        // Region 2 out of service from 2026-12-31 06:00 until now, 12:00.
        m_clock.Set(QDateTime(QDate(2026, 12, 31), QTime(6, 0)));
        QCOMPARE(m_pStation->TakeOutOfService(2, QStringLiteral("lab")), RStation::Outcome::Done);
        m_clock.Set(QDateTime(QDate(2026, 12, 31), QTime(12, 0)));
        PInstrumentRegister report(2026, &m_clock, m_pStation->Catalogue());
        QSqlError error;
        QVERIFY(report.Read(&error));
        QCOMPARE(report.Monitors().size(), 2);
        const PInstrumentRegister::Monitor one = report.Monitors().at(0);
        const PInstrumentRegister::Monitor two = report.Monitors().at(1);
        // Failed 05-10 and 05-11 (2 days), calibration overdue 07-01..07-04 (4).
        QCOMPARE(QList<qint64>({one.nCalibrations, one.nTests, one.nFailedTests, one.nOutSeconds,
                     one.nOverdueDays}),
            QList<qint64>({1, 2, 1, 0, 6}));
        QCOMPARE(QList<qint64>({two.nCalibrations, two.nTests, two.nOutSeconds, two.nOverdueDays}),
            QList<qint64>({0, 0, 6 * 3600, 0}));
        const QString strFile = m_dir.filePath(PInstrumentRegister::FileName(2026));
        QString strError;
        QVERIFY2(report.Write(strFile, &strError), qPrintable(strError));
        const XlsxSheet sheet = XlsxSheet::Read(strFile);
        QCOMPARE(sheet.values.value("A1"), QString("Instrument register 2026"));
        QCOMPARE(sheet.values.value("G6"), QString("6"));
        QCOMPARE(sheet.values.value("F7"), QString("6"));
        QVERIFY(QFile::remove(strFile));
    }

    // A move to the standby server is on record, and a region's reading of
    // the slot the old server already filled is not stored again.
    void serverSwitchIsJournalled()
    {
        Reading(1, kLow);
        const QString strBefore = SqlRows("select Sum from MonthData where Id = 1");
        emit m_pStation->Link()->ServerSwitched(1, QStringLiteral("silent"));
        m_clock.Advance(500);
        m_pStation->StoreReading(1, kLow);
        QCOMPARE(SqlRows("select Sum from MonthData where Id = 1"), strBefore);
        QCOMPARE(SqlRows("select Event || ' ' || Detail from AlarmJournal where Event = "
                         "'link-switch'"),
            QString("link-switch to=standby;reason=silent"));
    }

    // A consumer that starts late gets from the snapshot what the signals
    // told one that was there from the start.
    void snapshotAgreesWithSignals()
    {
        QSignalSpy states(m_pStation.get(), &RStation::AlarmStateChanged);
        QSignalSpy readings(m_pStation.get(), &RStation::ReadingStored);
        LogIn(QStringLiteral("olga"), RUserRights::Officer);
        Reading(1, kHigh);
        Reading(2, kLow);
        Reading(2, kHigh);
        QCOMPARE(m_pStation->Acknowledge(2), RStation::Outcome::Done);
        Reading(2, kLow);
        QCOMPARE(
            m_pStation->Shelve(1, m_clock.Now().addSecs(600), "swap"), RStation::Outcome::Done);
        Reading(1, kHigh);
        QHash<int, RStationRegion> told;
        for (const QList<QVariant>& signal : qAsConst(states))
            told.insert(signal.at(0).toInt(), signal.at(1).value<RStationRegion>());
        QHash<int, float> doses;
        for (const QList<QVariant>& signal : qAsConst(readings)) {
            const auto reading = signal.at(0).value<RStationReading>();
            doses.insert(reading.nId, reading.fDose);
        }
        const RStationSnapshot snapshot = m_pStation->Snapshot();
        QCOMPARE(snapshot.regions.size(), 2);
        QCOMPARE(snapshot.strAccount, QStringLiteral("olga"));
        for (const RStationRegion& region : snapshot.regions) {
            QVERIFY(told.contains(region.nId));
            const RStationRegion& last = told.value(region.nId);
            QCOMPARE(region.nLook, last.nLook);
            QCOMPARE(region.bUnacknowledged, last.bUnacknowledged);
            QCOMPARE(region.bShelved, last.bShelved);
            QCOMPARE(region.fDose, doses.value(region.nId));
            QVERIFY(region.bOnline);
            QCOMPARE(region.nThreshold, 100);
        }
        QCOMPARE(snapshot.regions.at(0).nLook, int(RAlarmState::Shelved));
        QCOMPARE(snapshot.regions.at(1).nLook, int(RAlarmState::NoAlarm));
        QCOMPARE(snapshot.regions.at(0).fDose, 200.0f);
    }

    // Turned on in the settings, the plant's map starts with the settings'
    // reload and follows readings and alarms as they happen.
    void plantMapFollowsTheStation()
    {
        QVERIFY(!m_pStation->Modbus()->IsRunning());
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        RPlantConfig config;
        config.bModbus = true;
        config.modbus.nPort = probe.serverPort();
        probe.close();
        QString strError;
        QVERIFY2(config.Save(&strError), qPrintable(strError));
        m_pStation->ReloadDevices();
        QVERIFY(m_pStation->Modbus()->IsRunning());
        Reading(1, kHigh);
        const RPlantMap& map = m_pStation->Modbus()->Map();
        const QVector<quint16> registers = map.InputRegisters();
        QCOMPARE(registers.at(4), quint16(2));
        const int nBase = config.modbus.nBase;
        QCOMPARE(RPlantMap::UnpackFloat(registers.constData() + nBase, map.Order()), 200.0f);
        QCOMPARE(registers.at(nBase + 6), quint16(1));
        QVERIFY(registers.at(nBase + 4) & RPlantMap::InAlarm);
        QVERIFY(map.DiscreteInputs().at(nBase));
        QVERIFY(!map.DiscreteInputs().at(nBase + 2));
        config.bModbus = false;
        QVERIFY(config.Save(&strError));
        m_pStation->ReloadDevices();
        QVERIFY(!m_pStation->Modbus()->IsRunning());
    }

    // The session ends after the idle time without input; input keeps it.
    // Both reach the door's signal and the trail.
    void idleLogout()
    {
        QSignalSpy sessions(m_pStation.get(), &RStation::SessionChanged);
        LogIn(QStringLiteral("ivo"), RUserRights::Operator);
        QCOMPARE(sessions.last().at(0).toString(), QStringLiteral("ivo"));
        m_clock.Advance(14 * 60 * 1000);
        m_pStation->Session()->Touch();
        m_clock.Advance(14 * 60 * 1000);
        m_pStation->Session()->CheckIdle();
        QVERIFY(m_pStation->Session()->IsLoggedIn());
        m_clock.Advance(60 * 1000);
        m_pStation->Session()->CheckIdle();
        QVERIFY(!m_pStation->Session()->IsLoggedIn());
        QCOMPARE(sessions.last().at(0).toString(), QString());
        QCOMPARE(Trail("Action || ' ' || Reason", "Action = 'logout'"), QString("logout idle"));
        QCOMPARE(m_pStation->Acknowledge(0), RStation::Outcome::NotLoggedIn);
    }

    // Headless, the station takes the bus's readings itself. Its end keeps
    // every reading, the logout record and its stop row, all in the file;
    // while it runs no second station opens the file.
    void headlessEndKeepsEverything()
    {
        End();
        Begin(true);
        QString strError;
        QVERIFY(RStation::IsRunningOn(File(), &strError));
        QVERIFY(strError.contains(File()));
        LogIn(QStringLiteral("kim"), RUserRights::Operator);
        for (int nCount : {1000, 1100, 1200})
            PostSMessage(SBus::MainWindow, SBus::RawReading, 1, nCount);
        PostSMessage(SBus::MainWindow, SBus::RawReading, 2, kHigh); // handled last
        QTRY_VERIFY(m_pStation->AlarmState()->IsActive(2));
        const double dStored = PSqlExec::Scalar("select total(Sum) from MonthData").toDouble();
        QVERIFY(dStored > 0);
        m_clock.Set(kStart.addSecs(3600));
        End();
        QVERIFY(!RStation::IsRunningOn(File(), &strError));
        QCOMPARE(CommittedRows(File(), "select total(Sum) from MonthData").toDouble(), dStored);
        QCOMPARE(CommittedRows(File(), "select Logouttime from UserLoginTimeInfo"),
            QString("2026-03-07T11:06:30"));
        QCOMPARE(CommittedRows(File(),
                     "select Event || ' ' || Detail from AlarmJournal order by Seq desc limit 1"),
            QString("stopped exit"));
        QCOMPARE(CommittedRows(
                     File(), "select group_concat(Action) from AuditTrail where Action = 'logout'"),
            QString("logout"));
        Begin();
    }

    // At the end, by the station's stop or by SIGTERM ending the event loop,
    // the latest session of the first account marked logged in gets the
    // logout time, in the file as another connection reads it; other
    // accounts and sessions, and a site without a logged-in account, are
    // left alone.
    void logoutAtTheEnd_data()
    {
        QTest::addColumn<QString>("accounts");
        QTest::addColumn<bool>("sigterm");
        QTest::addColumn<QString>("logouts");
        QTest::newRow("none logged in") << "(1, 0), (2, 0)" << false << "; ; ";
        QTest::newRow("first of two logged in")
            << "(2, 1), (1, 1)" << false << "; 2026-03-07T10:06:30; ";
        QTest::newRow("SIGTERM") << "(1, 1)" << true << "; ; 2026-03-07T10:06:30";
    }
    void logoutAtTheEnd()
    {
        QFETCH(QString, accounts);
        QFETCH(bool, sigterm);
        PSqlExec::Exec("insert into UserPermission(Id, state) values " + accounts);
        PSqlExec::Exec("insert into UserLoginTimeInfo(Id, Logintime, Logouttime) values "
                       "(2, '2026-03-06T08:00:00', ''), (2, '2026-03-07T08:00:00', ''), "
                       "(1, '2026-03-07T09:00:00', '')");
        if (sigterm) {
            PQuitOnSignal quitOnSignal;
            QVERIFY(quitOnSignal.IsInstalled());
            QSignalSpy received(&quitOnSignal, &PQuitOnSignal::SignalReceived);
            QTimer::singleShot(0, [] { ::raise(SIGTERM); });
            QCoreApplication::exec();
            QCOMPARE(received.count(), 1);
        }
        End();
        QTEST(CommittedRows(File(), "select Logouttime from UserLoginTimeInfo order by rowid"),
            "logouts");
        Begin();
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
