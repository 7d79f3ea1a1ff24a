#include "SqlRows.h"
#include "TestDb.h"

#include "database/PSqlExec.h"
#include "database/RAuditTrail.h"
#include "database/RConnectDatabase.h"
#include "database/RLoginSession.h"
#include "database/RUserAccounts.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "plant/RPlantConfig.h"
#include "plant/RPlantModbus.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "station/RStation.h"

#include "PQuitOnSignal.h"
#include "PSimDataServer.h"

#include <QFile>
#include <QSignalSpy>
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
        // Acknowledge, mute, shelve, unshelve, threshold, day delete.
        QTest::newRow("nobody") << -1 << "login login login login login login"
                                << "";
        QTest::newRow("operator") << int(RUserRights::Operator)
                                  << "done done denied denied denied denied"
                                  << "acknowledge region 1; mute ";
        const char* pAll = "acknowledge region 1; mute ; shelve region 2; unshelve region 2; "
                           "threshold region 1; threshold region 2; day-delete region 1 2026-03-06";
        QTest::newRow("officer") << int(RUserRights::Officer) << "done done done done done done"
                                 << pAll;
        QTest::newRow("administrator")
            << int(RUserRights::Administrator) << "done done done done done done" << pAll;
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
            text(m_pStation->RecordDayDelete(QStringLiteral("region 1 2026-03-06"), 3))};
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
