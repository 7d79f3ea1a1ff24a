#include "MqttBroker.h"
#include "TestDb.h"

#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "message/SClock.h"
#include "plant/RPlantConfig.h"
#include "plant/RPlantMqtt.h"
#include "station/RStation.h"

#include "PSimDataServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

const QDateTime kStart(QDate(2026, 3, 7), QTime(10, 6, 30));
// A raw count of 20 is 1 µRad/h; the regions alarm from 100 µRad/h.
constexpr int kHigh = 4000;
constexpr int kLow = 200;
const char* const kChildPort = "KESTAL_MQTT_CHILD_PORT";

QJsonObject json(const QString& strPayload)
{
    return QJsonDocument::fromJson(strPayload.toUtf8()).object();
}

using Messages = QList<QPair<QString, QString>>;

// The sequence numbers of the alarm topic's messages, in arrival order.
QList<qint64> seqs(const Messages& messages)
{
    QList<qint64> found;
    for (const auto& message : messages) {
        if (message.first.endsWith(QLatin1String("/alarm")))
            found << json(message.second).value(QStringLiteral("seq")).toVariant().toLongLong();
    }
    return found;
}

} // namespace

// The publisher against a real broker and its own subscriber tool.
class TestPlantMqtt : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SManualClock m_clock {kStart};
    PSimDataServer m_server;
    std::unique_ptr<MqttBroker> m_pBroker;
    std::unique_ptr<RStation> m_pStation;

    QString File() const { return m_dir.filePath(QStringLiteral("DataBase.sqlite")); }
    QString KeyPath() const { return m_dir.filePath(QStringLiteral("audit.key")); }

    void Begin()
    {
        RStation::Options options;
        options.pClock = &m_clock;
        options.strDatabaseFile = File();
        options.strAuditKeyPath = KeyPath();
        m_pStation = std::make_unique<RStation>(options);
        QString strError;
        QVERIFY2(m_pStation->Open(&strError), qPrintable(strError));
        m_pStation->Start();
    }
    // MQTT on, to this test's broker, as an officer would set it.
    void TurnOn(const QString& strUser = QString())
    {
        RPlantConfig config = RPlantConfig::Load(KeyPath());
        config.bMqtt = true;
        config.mqtt.nPort = m_pBroker->Port();
        config.mqtt.strUser = strUser;
        QString strError;
        QVERIFY2(config.Save(&strError), qPrintable(strError));
        m_pStation->ReloadDevices();
        QVERIFY(m_pStation->Mqtt()->IsRunning());
    }
    void Reading(int nId, int nCount)
    {
        m_clock.Advance(2000);
        m_pStation->StoreReading(nId, nCount);
    }
    static QList<qint64> JournalSeqs()
    {
        QList<qint64> found;
        QSqlQuery query(QStringLiteral("select Seq from AlarmJournal order by Seq"));
        while (query.next())
            found << query.value(0).toLongLong();
        return found;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && m_server.Listen()); }

    void init()
    {
        m_clock.Set(kStart);
        QSqlDatabase::database().close();
        for (const char* pName : {"DataBase.sqlite", "audit.key", "mqtt.password"})
            QFile::remove(m_dir.filePath(QLatin1String(pName)));
        QVERIFY(TestDb::MakeStationFile(File(), m_server.Port()));
        QVERIFY(TestDb::Writer().Commit());
        QSqlDatabase::database().close();
        m_pBroker = std::make_unique<MqttBroker>();
    }
    void cleanup()
    {
        m_pStation.reset();
        m_pBroker.reset();
    }

    // Each region's state is retained for whoever subscribes later; each
    // journal row goes once with its sequence number; the station says it
    // is on line.
    void statesAndEventsReachSubscribers()
    {
        QVERIFY(m_pBroker->Start());
        MqttSubscriber subscriber(m_pBroker->Port(), QStringLiteral("kestal/site/#"));
        QVERIFY(subscriber.WaitSubscribed());
        Begin();
        TurnOn();
        QTRY_VERIFY(m_pStation->Mqtt()->IsConnected());
        Reading(1, kHigh);
        Reading(2, kLow);
        QVERIFY(subscriber.WaitFor([](const Messages& messages) {
            for (const auto& message : messages) {
                if (message.first == QLatin1String("kestal/site/region/1")
                    && json(message.second).value(QStringLiteral("alarm")).toBool())
                    return true;
            }
            return false;
        }));
        const Messages messages = subscriber.Messages();
        QVERIFY(
            messages.contains({QStringLiteral("kestal/site/station"), QStringLiteral("online")}));
        const QList<qint64> journal = JournalSeqs();
        // Every row from the first start on, the start's own included.
        QTRY_COMPARE(seqs(subscriber.Messages()), journal);
        QSqlQuery alarm(QStringLiteral("select Seq from AlarmJournal where Event = 'alarm'"));
        QVERIFY(alarm.next());
        QVERIFY(seqs(subscriber.Messages()).contains(alarm.value(0).toLongLong()));

        // A subscriber that comes later has every region's last state.
        MqttSubscriber late(m_pBroker->Port(), QStringLiteral("kestal/site/region/+"));
        QVERIFY(late.WaitFor([](const Messages& got) { return got.size() >= 2; }));
        const QJsonObject one = json(late.Messages().value(0).first.endsWith(QLatin1Char('1'))
                ? late.Messages().value(0).second
                : late.Messages().value(1).second);
        QCOMPARE(one.value(QStringLiteral("id")).toInt(), 1);
        QCOMPARE(one.value(QStringLiteral("dose")).toDouble(), 200.0);
        QCOMPARE(one.value(QStringLiteral("unit")).toString(), QStringLiteral("µRad/h"));
        QCOMPARE(one.value(QStringLiteral("threshold")).toInt(), 100);
        QVERIFY(one.value(QStringLiteral("online")).toBool());
        QVERIFY(!one.value(QStringLiteral("acknowledged")).toBool());
        QVERIFY(one.value(QStringLiteral("time"))
                    .toString()
                    .startsWith(QLatin1String("2026-03-07T10:06:32")));
    }

    // The broker gone while alarms come and go: when it is back, every
    // event arrives, in order; a repeat only ever carries a number already
    // seen. The station keeps what the broker acknowledged across a restart.
    void outageLosesNoEvent()
    {
        QVERIFY(m_pBroker->Start());
        Begin();
        TurnOn();
        QTRY_VERIFY(m_pStation->Mqtt()->IsConnected());
        Messages before;
        {
            MqttSubscriber subscriber(m_pBroker->Port(), QStringLiteral("kestal/site/alarm"));
            QVERIFY(subscriber.WaitSubscribed());
            Reading(1, kHigh);
            Reading(1, kLow);
            QTRY_VERIFY(m_pStation->Mqtt()->AcknowledgedSeq() == JournalSeqs().last());
            before = subscriber.Messages();
            m_pBroker->Stop();
        }
        QTRY_VERIFY(!m_pStation->Mqtt()->IsConnected());
        for (int i = 0; i < 5; ++i) {
            Reading(1, kHigh);
            Reading(2, kHigh);
            Reading(1, kLow);
            Reading(2, kLow);
        }
        QVERIFY(m_pBroker->Start());
        MqttSubscriber after(m_pBroker->Port(), QStringLiteral("kestal/site/alarm"));
        QVERIFY(after.WaitSubscribed());
        const QList<qint64> journal = JournalSeqs();
        QVERIFY(after.WaitFor(
            [&](const Messages& got) { return seqs(got).contains(journal.last()); }, 30000));
        QList<qint64> arrived = seqs(before) + seqs(after.Messages());
        QList<qint64> first;
        for (qint64 nSeq : arrived) {
            if (!first.contains(nSeq)) {
                QVERIFY2(first.isEmpty() || nSeq > first.last(), "out of order");
                first << nSeq;
            }
        }
        QCOMPARE(first, journal.mid(journal.indexOf(first.value(0))));
        QVERIFY(journal.indexOf(first.value(0)) >= 0);
        // Those during the outage too, not only the two before it.
        QVERIFY(first.size() > seqs(before).size() + 10);

        // A restart with the broker gone: what it missed goes when it is back.
        QTRY_COMPARE(m_pStation->Mqtt()->AcknowledgedSeq(), journal.last());
        m_pStation.reset();
        m_pBroker->Stop();
        Begin();
        Reading(1, kHigh);
        QVERIFY(m_pBroker->Start());
        MqttSubscriber restarted(m_pBroker->Port(), QStringLiteral("kestal/site/alarm"));
        QVERIFY(restarted.WaitSubscribed());
        const QList<qint64> now = JournalSeqs();
        QVERIFY(restarted.WaitFor(
            [&](const Messages& got) { return seqs(got).contains(now.last()); }, 30000));
        QVERIFY(!seqs(restarted.Messages()).contains(journal.value(journal.size() - 2)));
        QCOMPARE(seqs(restarted.Messages()).value(0), journal.last() + 1);
    }

    // The password from its owner-only file: a wrong one gives a status
    // that says so; the right one links.
    void passwordFromItsFile()
    {
        QVERIFY(m_pBroker->AddUser(QStringLiteral("plant"), QStringLiteral("right one")));
        QVERIFY(m_pBroker->Start());
        QString strError;
        QVERIFY(RPlantConfig::StoreMqttPassword(KeyPath(), QStringLiteral("wrong"), &strError));
        QCOMPARE(QFile(RPlantConfig::MqttPasswordPath(KeyPath())).permissions()
                & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFile::Permissions());
        Begin();
        TurnOn(QStringLiteral("plant"));
        QTRY_VERIFY(m_pStation->Mqtt()->Status().contains(QLatin1String("not authorised")));
        QVERIFY(!m_pStation->Mqtt()->IsConnected());
        QVERIFY(RPlantConfig::StoreMqttPassword(KeyPath(), QStringLiteral("right one"), &strError));
        m_pStation->ReloadDevices();
        QTRY_VERIFY_WITH_TIMEOUT(m_pStation->Mqtt()->IsConnected(), 10000);
    }

    // TLS: the broker's certificate is checked against the CA file set; a
    // broker that another CA signed is not taken.
    void tlsAgainstTheCaFile()
    {
        const QString strCa = m_pBroker->UseTls();
        QVERIFY(!strCa.isEmpty());
        QVERIFY(m_pBroker->Start());
        RPlantMqtt::Settings settings;
        settings.nPort = m_pBroker->Port();
        settings.strCaFile = strCa;
        RPlantMqtt publisher;
        QString strError;
        QVERIFY2(publisher.Start(settings, 0, &strError), qPrintable(strError));
        QTRY_VERIFY(publisher.IsConnected());
        publisher.Stop();

        MqttBroker other;
        settings.strCaFile = other.UseTls();
        QVERIFY(publisher.Start(settings, 0, &strError));
        QTRY_VERIFY(publisher.Status().startsWith(QLatin1String("not connected")));
        QVERIFY(!publisher.IsConnected());
    }

    // Killed without a goodbye, the station is marked off line by the
    // broker's last will.
    void lastWillWhenKilled()
    {
        QVERIFY(m_pBroker->Start());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kChildPort), QString::number(m_pBroker->Port()));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForStarted());
        MqttSubscriber subscriber(m_pBroker->Port(), QStringLiteral("kestal/site/station"));
        QVERIFY(subscriber.WaitFor([](const Messages& got) {
            return got.contains({QStringLiteral("kestal/site/station"), QStringLiteral("online")});
        }));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
        QVERIFY(subscriber.WaitFor([](const Messages& got) {
            return got.last()
                == qMakePair(QStringLiteral("kestal/site/station"), QStringLiteral("offline"));
        }));
    }
};

// The child of lastWillWhenKilled: a publisher and nothing else, until it
// is killed.
static int runChild(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RPlantMqtt publisher;
    RPlantMqtt::Settings settings;
    settings.nPort = qEnvironmentVariableIntValue(kChildPort);
    QString strError;
    if (!publisher.Start(settings, 0, &strError))
        return 1;
    return app.exec();
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet(kChildPort))
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestPlantMqtt test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_plantmqtt.moc"
