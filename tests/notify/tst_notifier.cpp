#include "SmtpSink.h"
#include "TestDb.h"
#include "TestTls.h"

#include "database/RNotifyQueue.h"
#include "message/SClock.h"
#include "notify/RNotifier.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QString to(const QJsonObject& mail)
{
    QStringList list;
    for (const QJsonValue& value : mail.value(QStringLiteral("to")).toArray())
        list << value.toString();
    return list.join(QLatin1Char(','));
}

QString subject(const QJsonObject& mail)
{
    return mail.value(QStringLiteral("subject")).toString();
}

} // namespace

// The notifier against a real mail server on loopback, on the manual clock:
// who is told, escalation and its end, an outage of the server, a flood, a
// restart and a refused log-in.
class TestNotifier : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 0))};
    std::unique_ptr<SmtpSink> m_pSink;
    std::unique_ptr<RAlarmJournal> m_pJournal;
    std::unique_ptr<RNotifier> m_pNotifier;
    int m_nCase = 0;

    RNotifyConfig Config() const
    {
        RNotifyConfig config;
        config.bEnabled = true;
        config.nPort = m_pSink->Port();
        config.lists[0].addresses = QStringList {QStringLiteral("call@site.test")};
        config.lists[1].addresses = QStringList {QStringLiteral("officer@site.test")};
        config.lists[2].addresses = QStringList {QStringLiteral("chief@site.test")};
        return config;
    }
    void Restart(const RNotifyConfig& config)
    {
        m_pNotifier = std::make_unique<RNotifier>(m_pJournal.get(), nullptr, &m_clock);
        m_pNotifier->SetLinkUp(true);
        m_pNotifier->Start(config);
    }
    // Time passes in steps of a second, as the notifier's own timer would.
    void Pass(int nSeconds)
    {
        for (int i = 0; i < nSeconds; ++i) {
            m_clock.Advance(1000);
            m_pNotifier->Tick();
        }
    }
    bool WaitMails(int nCount)
    {
        return QTest::qWaitFor(
            [&] {
                m_pNotifier->Tick();
                return m_pSink->Mails().size() >= nCount;
            },
            10000);
    }

private slots:
    void init()
    {
        TestDb::Open();
        const QString strDir = m_dir.filePath(QString::number(++m_nCase));
        m_pSink = std::make_unique<SmtpSink>(strDir);
        m_pJournal = std::make_unique<RAlarmJournal>(&TestDb::Writer(), &m_clock);
    }
    void cleanup()
    {
        m_pNotifier.reset();
        m_pJournal.reset();
        m_pSink.reset();
    }

    // Raised: the on-call list; unacknowledged for the delay: the officers,
    // then the last list; acknowledged: everyone told, and no more.
    void escalatesUntilAcknowledged()
    {
        QVERIFY(m_pSink->Start());
        Restart(Config());
        m_pJournal->Write(QStringLiteral("alarm"), 4, 600.5, 500);
        Pass(RNotifier::GatherMs / 1000 + 1);
        QVERIFY(WaitMails(1));
        const QJsonObject alarm = m_pSink->Mails().at(0);
        QCOMPARE(to(alarm), QString("call@site.test"));
        QVERIFY2(subject(alarm).startsWith("ALARM 4: 600.5"), qPrintable(subject(alarm)));
        const QString strBody = alarm.value(QStringLiteral("body")).toString();
        QVERIFY(strBody.contains("Threshold: 500") && strBody.contains("2026-03-07 10:00:00"));
        Pass(10 * 60);
        QVERIFY(WaitMails(2));
        QCOMPARE(to(m_pSink->Mails().at(1)), QString("officer@site.test"));
        QVERIFY(subject(m_pSink->Mails().at(1)).startsWith("NOT ACKNOWLEDGED"));
        m_pJournal->Write(QStringLiteral("ack"), 4, 0, 0, QStringLiteral("ann"));
        QVERIFY(WaitMails(3));
        QCOMPARE(to(m_pSink->Mails().at(2)), QString("call@site.test,officer@site.test"));
        QCOMPARE(subject(m_pSink->Mails().at(2)), QString("Acknowledged 4 by ann"));
        Pass(30 * 60);
        QTest::qWait(200);
        QCOMPARE(m_pSink->Mails().size(), 3);
        // Raised again within its episode: unacknowledged again, so told and
        // escalated anew.
        m_pJournal->Write(
            QStringLiteral("alarm"), 4, 720, 500, QString(), QStringLiteral("continued=1"));
        Pass(RNotifier::GatherMs / 1000 + 1);
        QVERIFY(WaitMails(4));
        QCOMPARE(to(m_pSink->Mails().at(3)), QString("call@site.test"));
        QVERIFY(m_pSink->Mails().at(3).value("body").toString().contains("raised again"));
        // Acknowledged and raised again within the per-region limit: held
        // back, then told once the limit lets it, as it is still not
        // acknowledged, and escalated again.
        m_pJournal->Write(QStringLiteral("ack"), 4, 0, 0, QStringLiteral("ann"));
        QVERIFY(WaitMails(5));
        m_pJournal->Write(
            QStringLiteral("alarm"), 4, 720, 500, QString(), QStringLiteral("continued=1"));
        Pass(RNotifier::GatherMs / 1000 + 1);
        QTest::qWait(200);
        QCOMPARE(m_pSink->Mails().size(), 5);
        Pass(10 * 60);
        QVERIFY(WaitMails(7));
        QStringList late;
        for (int i = 5; i < 7; ++i)
            late << to(m_pSink->Mails().at(i)) + " " + subject(m_pSink->Mails().at(i));
        late.sort();
        QCOMPARE(late.join('|'),
            QString("call@site.test ALARM 4 (held back)|officer@site.test NOT ACKNOWLEDGED 4"));
    }

    // The server down for the length of an alarm: nothing is lost, each
    // mail arrives once, in order, marked late; a restart with mails queued
    // sends them once.
    void serverDownThenBackAndRestart()
    {
        Restart(Config());
        const QString strRaised = m_clock.Now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        m_pJournal->Write(QStringLiteral("alarm"), 2, 700, 500);
        m_pJournal->Write(QStringLiteral("alarm"), 3, 800, 500);
        Pass(30);
        QTRY_VERIFY(!m_pNotifier->Status().isEmpty());
        m_pJournal->Write(QStringLiteral("ack"), 2, 0, 0, QStringLiteral("ann"));
        // A restart while the server is still down keeps everything queued.
        Restart(Config());
        // Short of the escalation's ten minutes in all.
        Pass(4 * 60);
        QVERIFY(m_pSink->Start());
        Pass(RNotifier::MaxRetryMs / 1000);
        QVERIFY(WaitMails(3));
        QTest::qWait(300);
        const QList<QJsonObject> mails = m_pSink->Mails();
        QCOMPARE(mails.size(), 3);
        QVERIFY(subject(mails.at(0)).startsWith("[late] ALARM 2"));
        QVERIFY(subject(mails.at(1)).startsWith("[late] ALARM 3"));
        QVERIFY(subject(mails.at(2)).startsWith("[late] Acknowledged 2"));
        const QString strLate = mails.at(0).value(QStringLiteral("body")).toString();
        QVERIFY2(strLate.startsWith("Sent late: this happened at " + strRaised + '.'),
            qPrintable(strLate));
        QTRY_COMPARE(m_pNotifier->Status(), QString());
        Restart(Config());
        Pass(15);
        QTest::qWait(300);
        QCOMPARE(m_pSink->Mails().size(), 3);
    }

    // 255 regions at once: the flood's summary, not a mail each; their
    // escalations go into the next summary too.
    void floodSummarised()
    {
        QVERIFY(m_pSink->Start());
        RNotifyConfig config = Config();
        config.nPerHour = 1000;
        Restart(config);
        for (int nId = 1; nId <= 255; ++nId) {
            m_pJournal->Write(QStringLiteral("alarm"), nId, 900, 500);
            if (nId == 11)
                m_pJournal->Write(
                    QStringLiteral("flood"), 0, 0, 0, QString(), QStringLiteral("alarms=11"));
        }
        Pass(60);
        QVERIFY(WaitMails(1));
        QTest::qWait(300);
        QCOMPARE(m_pSink->Mails().size(), 1);
        const QJsonObject flood = m_pSink->Mails().at(0);
        QVERIFY2(subject(flood).startsWith("ALARM FLOOD"), qPrintable(subject(flood)));
        QVERIFY(flood.value(QStringLiteral("body")).toString().contains("ALARM 11: 900"));
        Pass(30 * 60);
        QVERIFY(WaitMails(2));
        QTest::qWait(300);
        QCOMPARE(m_pSink->Mails().size(), 2);
        QVERIFY(subject(m_pSink->Mails().at(1)).startsWith("ALARM FLOOD goes on"));
    }

    // The link lost for longer than its delay and back, a storage fault
    // (mailed from memory), the station back after a crash with how long
    // it was down; an overdue record to the officers.
    void stationEvents()
    {
        QVERIFY(m_pSink->Start());
        RNotifyConfig config = Config();
        config.nLinkSeconds = 120;
        // A start without the link: lost once its delay has passed.
        m_pNotifier = std::make_unique<RNotifier>(m_pJournal.get(), nullptr, &m_clock);
        m_pNotifier->Start(config);
        Pass(119);
        QTest::qWait(100);
        QCOMPARE(m_pSink->Mails().size(), 0);
        Pass(1);
        QVERIFY(WaitMails(1));
        QCOMPARE(subject(m_pSink->Mails().at(0)), QString("Data server link lost"));
        m_pJournal->Write(QStringLiteral("link-up"), 0);
        m_pNotifier->SetLinkUp(true);
        QVERIFY(WaitMails(2));
        QCOMPARE(subject(m_pSink->Mails().at(1)), QString("Data server link back"));
        // A drop shorter than the delay mails nobody.
        m_pJournal->Write(QStringLiteral("link-down"), 0);
        Pass(60);
        m_pJournal->Write(QStringLiteral("link-up"), 0);
        m_pJournal->Write(QStringLiteral("link-down"), 0);
        Pass(120);
        QVERIFY(WaitMails(3));
        QCOMPARE(subject(m_pSink->Mails().at(2)), QString("Data server link lost"));
        m_pJournal->Write(QStringLiteral("link-up"), 0);
        QVERIFY(WaitMails(4));
        m_pNotifier->SetStorageProblem(QStringLiteral("disk full"));
        QVERIFY(WaitMails(5));
        QVERIFY(m_pSink->Mails().at(4).value("body").toString().contains("disk full"));
        m_pJournal->Write(QStringLiteral("started"), 0, 0, 0, QString(),
            QStringLiteral("crash=1;since=2026-03-07T09:50:00;seconds=600"));
        QVERIFY(WaitMails(6));
        const QJsonObject back = m_pSink->Mails().at(5);
        QCOMPARE(subject(back), QString("Station back after a crash"));
        QVERIFY2(back.value("body").toString().contains("down from 2026-03-07 09:50:00, for 10 "
                                                        "minutes"),
            qPrintable(back.value("body").toString()));
        // An overdue calibration is the officers' news.
        m_pJournal->Write(QStringLiteral("overdue"), 4, 0, 0, QString(),
            QStringLiteral("kind=0;due=2026-03-01;days=6"));
        QVERIFY(WaitMails(7));
        QCOMPARE(to(m_pSink->Mails().at(6)), QString("officer@site.test"));
        QCOMPARE(subject(m_pSink->Mails().at(6)), QString("OVERDUE 4: calibration"));
        QCOMPARE(m_pSink->Mails().size(), 7);
    }

    // STARTTLS and SMTPS with a log-in: a server the station cannot trust
    // gets nothing and the status says why; with the site's authority the
    // mail that waited goes.
    void encryptedServers_data()
    {
        QTest::addColumn<int>("security");
        QTest::addColumn<QString>("option");
        QTest::newRow("STARTTLS") << int(RNotifyConfig::Security::StartTls) << "--starttls";
        QTest::newRow("SMTPS") << int(RNotifyConfig::Security::Tls) << "--tls";
    }
    void encryptedServers()
    {
        QFETCH(int, security);
        QFETCH(QString, option);
        QVERIFY(TestTls::MakeCertificate(m_dir.path()));
        QVERIFY(m_pSink->Start(QStringLiteral("kestal"), QStringLiteral("pw"),
            {option, m_dir.filePath("server.pem"), m_dir.filePath("server.key")}));
        RNotifyConfig config = Config();
        config.eSecurity = static_cast<RNotifyConfig::Security>(security);
        config.strUser = QStringLiteral("kestal");
        config.strPassword = QStringLiteral("pw");
        Restart(config);
        m_pJournal->Write(QStringLiteral("alarm"), 6, 650, 500);
        Pass(RNotifier::GatherMs / 1000 + 1);
        QTRY_VERIFY(m_pNotifier->Status().contains("certificate"));
        config.strCaFile = m_dir.filePath("ca.pem");
        Restart(config);
        QVERIFY(WaitMails(1));
        QVERIFY(subject(m_pSink->Mails().at(0)).startsWith("ALARM 6: 650"));
        QCOMPARE(m_pSink->Logins(), 1);
    }

    // A wrong password: the status says so, and the tries keep to the
    // back-off instead of a loop.
    void wrongPasswordBacksOff()
    {
        QVERIFY(m_pSink->Start(QStringLiteral("kestal"), QStringLiteral("right")));
        RNotifyConfig config = Config();
        config.strUser = QStringLiteral("kestal");
        config.strPassword = QStringLiteral("wrong");
        Restart(config);
        m_pJournal->Write(QStringLiteral("alarm"), 5, 600, 500);
        Pass(RNotifier::GatherMs / 1000 + 1);
        QTRY_VERIFY(m_pNotifier->Status().contains("Login denied"));
        // 5 s, then 10 s, then 20 s: four tries in 36 s, not one a second.
        for (int i = 0; i < 36; ++i) {
            Pass(1);
            QTest::qWait(20);
        }
        // The answer's arrival on the real clock can shift a try by a step.
        QTRY_VERIFY(m_pSink->Logins() >= 3);
        QVERIFY2(m_pSink->Logins() <= 5, qPrintable(QString::number(m_pSink->Logins())));
        QCOMPARE(m_pSink->Mails().size(), 0);
        QCOMPARE(RNotifyQueue::Read(QDate(2026, 3, 7), QDate(2026, 3, 7)).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
