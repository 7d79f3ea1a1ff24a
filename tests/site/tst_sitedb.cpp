#include "PgTestServer.h"
#include "StdoutCapture.h"
#include "TestDb.h"
#include "TestFiles.h"

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RConnectDatabase.h"
#include "database/RDayDataStore.h"
#include "database/RDeviceListStore.h"
#include "database/RRegionDataStore.h"
#include "database/RRoutingStore.h"
#include "database/RSiteOutbox.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"
#include "site/RSiteLink.h"
#include "site/RSiteSchema.h"
#include "site/RSiteSender.h"

#include <QFile>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const char* const s_pPassword = "Gr4nite-kestrel-71";
const QDate s_day(2026, 3, 14);

} // namespace

class TestSiteDb : public QObject
{
    Q_OBJECT

private:
    // A new station file (m_strFile) as the default connection, its outbox
    // enabled.
    void OpenStation(const QString& strName, bool bOutbox = true)
    {
        RConnectDatabase connect(&TestDb::Writer());
        m_strFile = m_dir.filePath(strName + QStringLiteral(".sqlite"));
        connect.SetFileName(m_strFile);
        QVERIFY(connect.OpenDatabase());
        TestDb::Writer().Begin();
        if (bOutbox) {
            RSiteOutbox::Enable(TestDb::Writer());
            QVERIFY(TestDb::Writer().Commit());
        }
    }
    // The settings of a station sending to m_strDb.
    RSiteConfig Config(const QString& strSite = QStringLiteral("North")) const
    {
        RSiteConfig config;
        config.bEnabled = true;
        config.nPort = m_pServer->Port();
        config.strDatabase = m_strDb;
        config.strUser = QStringLiteral("kestal_sender");
        config.strSslMode = QStringLiteral("disable");
        config.strSite = strSite;
        config.strPassFile = m_strPassFile;
        if (QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen())
            config.strFileId = RSiteOutbox::FileId();
        return config;
    }
    static void WriteMinute(int nId, int nMinute, double dValue)
    {
        RRegionDataStore store(TestDb::Writer(), s_day, nMinute);
        store.WriteMinute(nId, dValue);
    }
    // One value of a query on m_strDb.
    QVariant Pg(const QString& strSql) { return m_pServer->Scalar(strSql, m_strDb); }
    // A fresh database owned by the sender's role, as m_strDb.
    QString NewDatabase()
    {
        m_strDb = QStringLiteral("site%1").arg(++m_nDatabases);
        m_pServer->Exec({QStringLiteral("create database %1 owner kestal_sender").arg(m_strDb)});
        return m_strDb;
    }

    std::unique_ptr<PgTestServer> m_pServer;
    QTemporaryDir m_dir;
    QString m_strPassFile;
    QString m_strFile;
    QString m_strDb;
    int m_nDatabases = 0;

private slots:
    void initTestCase()
    {
        if (!PgTestServer::IsInstalled())
            QSKIP("PostgreSQL 15 or Qt's QPSQL driver is not installed (scripts/install-deps.sh)");
        m_pServer = std::make_unique<PgTestServer>();
        QVERIFY2(m_pServer->Start(), qPrintable(m_pServer->Error()));
        QVERIFY2(m_pServer->CreateDatabase(QStringLiteral("kestal"),
                     QStringLiteral("kestal_sender"), QLatin1String(s_pPassword)),
            qPrintable(m_pServer->Error()));
        m_strPassFile = m_dir.filePath(QStringLiteral("pgpass"));
        RSiteConfig config = Config();
        config.strDatabase = config.strHost = QStringLiteral("*");
        QString strError;
        QVERIFY2(config.StorePassword(QLatin1String(s_pPassword), &strError), qPrintable(strError));
    }
    void cleanupTestCase()
    {
        PgTestServer::CloseAdmin();
        m_pServer.reset();
    }
    void init()
    {
        QVERIFY(m_pServer);
        m_pServer->Resume();
        m_strDb = QStringLiteral("kestal");
    }

    // Only what the writer committed is sent, every kind of row the outbox
    // carries arrives, and a row sent is not sent again.
    void committedRowsArriveOnce()
    {
        OpenStation(QStringLiteral("once"));
        NewDatabase();
        RSiteSender sender(Config(), m_strFile);
        QVERIFY2(sender.Connect(), qPrintable(sender.Report().strError));

        WriteMinute(7, 600, 0.25);
        RRegionDataStore::DayMaxima(TestDb::Writer(), {7}, s_day);
        RRegionDataStore(TestDb::Writer(), s_day, 600)
            .WriteDayMax(7, 0.5, QStringLiteral("10:00:12"));
        RAlarmJournal journal(&TestDb::Writer());
        QVERIFY(journal.Write(
            QStringLiteral("alarm"), 7, 12.5, 10, QString(), QStringLiteral("it's \"odd\"")));
        RRoutingStore::Store(TestDb::Writer(), 21, 3, s_day, QTime(9, 5), 40);
        RStorageWriter& writer = TestDb::Writer();
        writer.Write(QStringLiteral("insert into UserLoginTimeInfo(Id, Logintime) values(2, ?)"),
            {QStringLiteral("2026-03-14 08:00:00")});
        writer.Write(QStringLiteral("update UserLoginTimeInfo set Logouttime = ? where Id = 2"),
            {QStringLiteral("2026-03-14 09:00:00")});
        writer.Write(QStringLiteral("insert into AuditTrail(Time, AccountId, AccountName, Action, "
                                    "NewValue, Mac) values(?, 2, 'ann', 'login', '{x,\\y}', 'ab')"),
            {QStringLiteral("2026-03-14T08:00:00")});
        QCOMPARE(sender.SendBatch(), 0); // not committed yet
        QVERIFY(TestDb::Writer().Commit());
        QVERIFY(sender.SendBatch() > 0);

        QCOMPARE(Pg("select value from minute_value where region = 7 and minute = 600").toDouble(),
            0.25);
        QCOMPARE(Pg("select max_time from day_summary where region = 7").toString(), "10:00:12");
        QCOMPARE(Pg("select detail from alarm_event").toString(), "it's \"odd\"");
        QCOMPARE(Pg("select staff || '/' || room || ' ' || day || ' ' || time || ' ' || dose from "
                    "patrol_record")
                     .toString(),
            "21/3 2026-03-14 09:05 40");
        QCOMPARE(Pg("select count(*) || ' ' || max(logout_time) from session_row").toString(),
            "1 2026-03-14 09:00:00");
        QCOMPARE(
            Pg("select new_value from audit_row where action = 'login'").toString(), "{x,\\y}");
        QCOMPARE(sender.SendBatch(), 0);

        // A rewritten minute replaces its value; nothing is added.
        WriteMinute(7, 600, 0.75);
        QVERIFY(TestDb::Writer().Commit());
        QCOMPARE(sender.SendBatch(), 1);
        QCOMPARE(Pg("select count(*), max(value) from minute_value").toInt(), 1);
        QCOMPARE(Pg("select value from minute_value").toDouble(), 0.75);
        QCOMPARE(Pg("select count(*) from alarm_event").toInt(), 1);
    }

    // A station file put back from a backup numbers its new rows from below the
    // mark: they still arrive, and nothing is doubled.
    void restoredFileStillSends()
    {
        OpenStation(QStringLiteral("restored"));
        NewDatabase();
        {
            RSiteSender sender(Config(), m_strFile);
            QVERIFY(sender.Connect());
            for (int m = 600; m < 603; ++m)
                WriteMinute(4, m, m / 100.0);
            QVERIFY(TestDb::Writer().Commit());
            QCOMPARE(sender.SendBatch(), 3);
        }
        // The backup was taken after the first minute.
        PSqlExec::Exec(QStringLiteral("update sqlite_sequence set seq = 1 where name = 'Outbox'"));
        PSqlExec::Exec(QStringLiteral("delete from Outbox"));
        WriteMinute(4, 610, 6.1);
        QVERIFY(TestDb::Writer().Commit());
        RSiteSender sender(Config(), m_strFile);
        QVERIFY(sender.Connect());
        QCOMPARE(sender.SendBatch(), 1);
        QCOMPARE(Pg("select count(*) || ' ' || round(sum(value)::numeric, 2) from minute_value")
                     .toString(),
            "4 24.13");
    }

    // The threaded road: the server goes away for two minutes of the station's
    // clock; the strip says so, and when it is back every minute arrives once
    // and the outbox is trimmed.
    void serverAwayThenBack()
    {
        OpenStation(QStringLiteral("away"));
        NewDatabase();
        SManualClock clock(QDateTime(s_day, QTime(10, 0)));
        RSiteLink link(&TestDb::Writer(), &clock);
        link.SetRetry(50, 200);
        link.Apply(Config());
        WriteMinute(3, 599, 1.0);
        QVERIFY(TestDb::Writer().Commit());
        QTRY_COMPARE(Pg("select count(*) from minute_value").toInt(), 1);

        m_pServer->Stop();
        for (int m = 600; m < 602; ++m) {
            WriteMinute(3, m, m / 100.0);
            QVERIFY(TestDb::Writer().Commit());
            clock.Advance(60000);
        }
        clock.Advance(60000);
        QTRY_COMPARE(link.Report().eState, RSiteReport::State::Unreachable);
        link.Refresh();
        QCOMPARE(link.MinutesBehind(), 2);
        QVERIFY(link.StatusText().contains(QLatin1String("2 minutes behind")));
        QVERIFY(TestDb::Writer().IsHealthy());

        QVERIFY(m_pServer->Resume());
        QTRY_COMPARE(Pg("select count(*) from minute_value").toInt(), 3);
        QTRY_COMPARE(link.Report().eState, RSiteReport::State::Sending);
        QTRY_VERIFY(link.StatusText().isEmpty());
        QCOMPARE(Pg("select sum(value) from minute_value").toDouble(), 1.0 + 6.0 + 6.01);
        QVERIFY(TestDb::Writer().Commit());
        QCOMPARE(RSiteOutbox::PendingRows(0), 0);
    }
    void connectionLostAroundCommit_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("resent");
        QTest::newRow("before the commit") << int(RSiteSender::Fault::LostBeforeCommit) << 5;
        QTest::newRow("after the commit") << int(RSiteSender::Fault::LostAfterCommit) << 0;
    }

    // A batch and its mark commit together: whichever side of the commit the
    // connection is lost on, the next connection neither repeats nor skips.
    void connectionLostAroundCommit()
    {
        QFETCH(int, fault);
        QFETCH(int, resent);
        OpenStation(QStringLiteral("lost%1").arg(fault));
        NewDatabase();
        RSiteSender sender(Config(), m_strFile);
        QVERIFY2(sender.Connect(), qPrintable(sender.Report().strError));
        RAlarmJournal journal(&TestDb::Writer());
        for (int i = 0; i < 5; ++i)
            journal.Write(QStringLiteral("alarm"), i + 1, 20.0, 10);
        QVERIFY(TestDb::Writer().Commit());
        const qint64 nLast
            = PSqlExec::Scalar(QStringLiteral("select max(Seq) from Outbox")).toLongLong();

        sender.SetFault(RSiteSender::Fault(fault));
        QCOMPARE(sender.SendBatch(), -1);
        QVERIFY(sender.Connect());
        QCOMPARE(sender.SendBatch(), resent);
        QCOMPARE(sender.Mark(), nLast);
        QCOMPARE(Pg("select count(*) from alarm_event").toInt(), 5);
        QCOMPARE(Pg("select last_seq from sources").toLongLong(), nLast);
    }

    // Two stations, two sites: each one's rows stay its own, and each file has
    // its own mark.
    void twoStationsOneDatabase()
    {
        NewDatabase();
        OpenStation(QStringLiteral("north"));
        WriteMinute(1, 10, 1.5);
        QVERIFY(TestDb::Writer().Commit());
        const RSiteConfig north = Config();
        OpenStation(QStringLiteral("south"));
        WriteMinute(1, 10, 2.5);
        WriteMinute(1, 11, 2.5);
        QVERIFY(TestDb::Writer().Commit());
        const RSiteConfig south = Config(QStringLiteral("South"));
        QVERIFY(north.strFileId != south.strFileId);

        RSiteSender a(north, m_dir.filePath("north.sqlite"));
        RSiteSender b(south, m_strFile);
        QVERIFY(a.Connect());
        QVERIFY(b.Connect());
        QVERIFY(b.SendBatch() > 0);
        QVERIFY(a.SendBatch() > 0);
        QCOMPARE(Pg("select string_agg(s.name || ':' || m.value, ',' order by s.name, m.minute) "
                    "from minute_value m join sites s on s.id = m.site_id")
                     .toString(),
            "North:1.5,South:2.5,South:2.5");
        QCOMPARE(Pg("select count(distinct last_seq) from sources").toInt(), 2);
    }

    // What the file held before the site database was enabled goes up only
    // when the operator says so, a day at a time, and is offered once.
    void historyUploadedOnRequest()
    {
        OpenStation(QStringLiteral("history"), false);
        for (int d = 0; d < 3; ++d) {
            RRegionDataStore(TestDb::Writer(), s_day.addDays(-d), 100).WriteMinute(4, 0.5 + d);
        }
        QVERIFY(TestDb::Writer().Commit());
        RSiteOutbox::Enable(TestDb::Writer());
        QVERIFY(TestDb::Writer().Commit());
        NewDatabase();
        const RSiteConfig config = Config();
        {
            RSiteSender sender(config, m_strFile);
            QVERIFY(sender.Connect());
            QVERIFY(sender.Report().bHistoryOffer);
            QCOMPARE(sender.SendBatch(), 0);
            QVERIFY(sender.SetHistoryAnswer(true));
            QCOMPARE(sender.UploadHistoryDay(), 1);
        }
        // Stopped after the first day: the next run goes on from there.
        RSiteSender sender(config, m_strFile);
        QVERIFY(sender.Connect());
        QVERIFY(!sender.Report().bHistoryOffer);
        int nDays = 1;
        while (sender.UploadHistoryDay() == 1)
            ++nDays;
        QCOMPARE(nDays, 3);
        QCOMPARE(Pg("select count(*) from minute_value where region = 4").toInt(), 3);
        QVERIFY(Pg("select count(*) from minute_value_202603").toInt() == 3);
    }

    // kestal-report writes the same lines from the site database as from the
    // station's own file.
    void reportsMatchTheFile()
    {
        OpenStation(QStringLiteral("report"));
        PSqlExec::Exec(
            QStringLiteral("insert into RegionInfo(Sub, Id, Name) values(1, 5, 'Hall')"));
        for (int m = 0; m < 3; ++m)
            WriteMinute(5, 480 + m, 30.0 * (m + 1));
        SManualClock clock(QDateTime(s_day, QTime(8, 1, 30)));
        RAlarmJournal journal(&TestDb::Writer(), &clock);
        journal.Write(QStringLiteral("alarm"), 5, 31.5, 30, QString(), QStringLiteral("a, \"b\""));
        QVERIFY(TestDb::Writer().Commit());
        const QString strDb = NewDatabase();
        RSiteSender sender(Config(QStringLiteral("West")), m_strFile);
        QVERIFY(sender.Connect());
        QVERIFY(sender.SendBatch() > 0);

        const QString strConninfo = QStringLiteral("host=%1 port=%2 dbname=%3 user=postgres")
                                        .arg(m_pServer->SocketDir())
                                        .arg(m_pServer->Port())
                                        .arg(strDb);
        const QString strDay = s_day.toString(Qt::ISODate);
        const auto run = [&](const QStringList& args) {
            QProcess report;
            report.start(QStringLiteral(KESTAL_REPORT), args);
            report.waitForFinished(60000);
            return report.exitCode() == 0 ? report.readAllStandardOutput() : QByteArray("failed");
        };
        const auto file = [&](const char* pName) { return TestFiles::Get(m_dir.filePath(pName)); };
        const QStringList site {QStringLiteral("--site-db"), strConninfo, QStringLiteral("--site"),
            QStringLiteral("West")};
        const QStringList local {QStringLiteral("--db"), m_strFile};
        for (const QString& strCommand : {QStringLiteral("minutes"), QStringLiteral("alarms")}) {
            QStringList args {strCommand};
            if (strCommand == QLatin1String("minutes"))
                args << QStringLiteral("5");
            args << strDay << strDay << QStringLiteral("-o");
            QCOMPARE(run(args + QStringList {m_dir.filePath("local.csv")} + local), QByteArray());
            QCOMPARE(run(args + QStringList {m_dir.filePath("site.csv")} + site), QByteArray());
            QVERIFY(file("local.csv").count('\n') >= 2);
            QCOMPARE(file("site.csv"), file("local.csv"));
        }
        QVERIFY(run({QStringLiteral("sites"), QStringLiteral("--site-db"), strConninfo})
                    .startsWith("West\t1\t"));
    }
    void schemaVersions_data()
    {
        QTest::addColumn<int>("found");
        QTest::addColumn<bool>("ready");
        QTest::newRow("older, migrated") << 1 << true;
        QTest::newRow("newer, refused") << RSiteSchema::CurrentVersion + 1 << false;
    }
    void schemaVersions()
    {
        QFETCH(int, found);
        QFETCH(bool, ready);
        const QString strDb = NewDatabase();
        {
            // The older schema as the sender's role made it.
            QSqlDatabase old
                = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("old"));
            old.setHostName(QStringLiteral("127.0.0.1"));
            old.setPort(m_pServer->Port());
            old.setDatabaseName(strDb);
            old.setUserName(QStringLiteral("kestal_sender"));
            old.setPassword(QLatin1String(s_pPassword));
            QVERIFY(old.open());
            int nVersion = 0;
            QString strError;
            QCOMPARE(
                RSiteSchema::Migrate(old, &nVersion, &strError, 1), RSiteSchema::Result::Ready);
            QSqlQuery(old).exec(QStringLiteral("insert into sites(name) values('Old')"));
            if (found > 1)
                QSqlQuery(old).exec(
                    QStringLiteral("insert into schema_version(version) values(%1)").arg(found));
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));

        OpenStation(QStringLiteral("schema%1").arg(found));
        RSiteSender sender(Config(), m_strFile);
        QCOMPARE(sender.Connect(), ready);
        QCOMPARE(Pg("select max(version) from schema_version").toInt(),
            ready ? RSiteSchema::CurrentVersion : found);
        QCOMPARE(Pg("select to_regclass('audit_row') is not null").toBool(), ready);
        QCOMPARE(Pg("select count(*) from sites where name = 'Old'").toInt(), 1);
        if (!ready) {
            QCOMPARE(sender.Report().eState, RSiteReport::State::TooNew);
            QVERIFY(sender.Report().strError.contains(QString::number(found)));
        }
    }
    void badSettingsLeaveAcquisitionAlone_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("nobody listening") << "port"
                                          << "1";
        QTest::newRow("wrong password") << "user"
                                        << "kestal_other";
        QTest::newRow("no such database") << "database"
                                          << "nosuch";
    }

    // A station whose site database cannot be reached says why, starts at once
    // and stores its readings as before; the password is in no file of the
    // station and not in the log.
    void badSettingsLeaveAcquisitionAlone()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        m_pServer->Exec({QStringLiteral(
            "do $$ begin if not exists (select from pg_roles where rolname = 'kestal_other') then "
            "create role kestal_other login password 'other'; end if; end $$")});
        const QString strFile = QStringLiteral("bad-%1").arg(field);
        OpenStation(strFile);
        RSiteConfig config = Config();
        if (field == QLatin1String("port"))
            config.nPort = value.toInt();
        else if (field == QLatin1String("user"))
            config.strUser = value;
        else
            config.strDatabase = value;
        QVERIFY(config.Save(nullptr));
        StdoutCapture capture;
        {
            SManualClock clock(QDateTime(s_day, QTime(12, 0)));
            RSiteLink link(&TestDb::Writer(), &clock);
            link.SetRetry(50, 100);
            link.Apply(config);
            QVERIFY(link.IsRunning());
            WriteMinute(9, 700, 3.0);
            QVERIFY(TestDb::Writer().Commit());
            QTRY_VERIFY(link.StatusText().contains(QLatin1String("not reached")));
            clock.Advance(3600 * 1000);
            link.Refresh();
            QVERIFY(link.StatusText().contains(QLatin1String("minutes behind")));
            QVERIFY(TestDb::Writer().IsHealthy());
            QCOMPARE(
                PSqlExec::Scalar(QStringLiteral("select \"700\" from MonthMinuteDose where Id = 9"))
                    .toDouble(),
                3.0);
        }
        const QByteArray log = capture.Text();
        QVERIFY(log.contains("minutes behind"));
        QVERIFY(!log.contains(s_pPassword));
        TestDb::Writer().Commit();
        for (const QString& strName :
            QDir(m_dir.path()).entryList({strFile + QStringLiteral(".sqlite*")})) {
            QFile file(m_dir.filePath(strName));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(!file.readAll().contains(s_pPassword));
        }
        QCOMPARE(
            QFile(m_strPassFile).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
            QFileDevice::Permissions());
    }

    // A day deleted, a device or a room removed at the station is gone from
    // the site database too, and a day written again after its deletion in the
    // same batch keeps only what was written after.
    void deletionsFollowTheStation()
    {
        OpenStation(QStringLiteral("gone"));
        NewDatabase();
        RSiteSender sender(Config(), m_strFile);
        QVERIFY2(sender.Connect(), qPrintable(sender.Report().strError));
        QString strError;
        const auto save
            = [&strError](RDeviceListStore::Mode eMode, const QVector<RDeviceRow>& rows) {
                  return RDeviceListStore(&TestDb::Writer(), eMode).Save(rows, &strError);
              };
        QVERIFY2(save(RDeviceListStore::Regions, {{"Hall", 7}, {"Lab", 8}}), qPrintable(strError));
        QVERIFY2(save(RDeviceListStore::Rooms, {{"R3", 3}, {"R4", 4}}), qPrintable(strError));
        for (int nId : {7, 8}) {
            WriteMinute(nId, 600, 0.25);
            RRegionDataStore::DayMaxima(TestDb::Writer(), {nId}, s_day);
            RRegionDataStore(TestDb::Writer(), s_day, 600)
                .WriteDayMax(nId, 0.5, QStringLiteral("10:00:12"));
        }
        WriteMinute(7, 600, 0.25);
        RRoutingStore::Store(TestDb::Writer(), 21, 3, s_day, QTime(9, 5), 40);
        RRoutingStore::Store(TestDb::Writer(), 21, 4, s_day, QTime(9, 6), 41);
        QVERIFY(TestDb::Writer().Commit());
        QVERIFY(sender.SendBatch() > 0);
        QCOMPARE(Pg("select count(*) from minute_value").toInt(), 2);

        int nRows = 0;
        QVERIFY2(RDayDataStore::DeleteDay(
                     TestDb::Writer(), RDayDataStore::Region, 7, s_day, true, &nRows, &strError),
            qPrintable(strError));
        QVERIFY2(save(RDeviceListStore::Regions, {{"Hall", 7}}), qPrintable(strError));
        QVERIFY2(save(RDeviceListStore::Rooms, {{"R3", 3}}), qPrintable(strError));
        // Written again after the deletion: only this minute is the day now.
        WriteMinute(7, 601, 0.125);
        QVERIFY(TestDb::Writer().Commit());
        QVERIFY(sender.SendBatch() > 0);

        QCOMPARE(Pg("select string_agg(region || '/' || minute || '=' || value, ' ' "
                    "order by region, minute) from minute_value")
                     .toString(),
            "7/601=0.125");
        QCOMPARE(Pg("select count(*) from day_summary where region = 8").toInt(), 0);
        QCOMPARE(Pg("select string_agg(region::text, ',') from regions").toString(), "7");
        QCOMPARE(Pg("select string_agg(room::text, ',') from patrol_record").toString(), "3");
        QCOMPARE(sender.SendBatch(), 0);
    }

    // A settings change, or the end, while the sender waits on a server that
    // accepts and never answers stops it at once: the driver's connect, which
    // nothing can cut short, was never started (the server saw only the probe).
    void stopDuringConnectDoesNotWait()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        OpenStation(QStringLiteral("stop"));
        RSiteConfig config = Config();
        config.nPort = silent.serverPort();
        auto pLink = std::make_unique<RSiteLink>(&TestDb::Writer());
        for (const bool bEnd : {false, true}) {
            pLink->Apply(config);
            QTRY_VERIFY(silent.hasPendingConnections());
            QTcpSocket* pSocket = silent.nextPendingConnection();
            QTRY_COMPARE(pSocket->bytesAvailable(), qint64(8));
            if (bEnd) {
                pLink.reset();
            } else {
                RSiteConfig off = config;
                off.bEnabled = false;
                pLink->Apply(off);
                QVERIFY(!pLink->IsRunning());
            }
            QVERIFY(pSocket->state() == QAbstractSocket::UnconnectedState
                || pSocket->waitForDisconnected(1000));
            QCOMPARE(pSocket->readAll().toHex(), QByteArray("0000000804d2162f"));
        }
        QVERIFY(!silent.hasPendingConnections());
    }
};

QTEST_GUILESS_MAIN(TestSiteDb)
#include "tst_sitedb.moc"
