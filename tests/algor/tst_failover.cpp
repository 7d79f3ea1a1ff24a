#include "BusRecorder.h"
#include "PSimDataServer.h"
#include "TestDb.h"

#include "algor/PDoseThread.h"
#include "database/PSqlExec.h"
#include "message/SBus.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// The two servers send region 1 with different raw values, so each reading
// says which server it came from.
constexpr quint32 kMainValue = 1000;
constexpr quint32 kStandbyValue = 3000;
constexpr int kWatchdogMs = 300;
constexpr int kHealthyMs = 800;
const QString STANDBY_IN_USE_MAIN_DOWN
    = QStringLiteral("Standby server in use; the main server is not reachable");
const QString STANDBY_READY = QStringLiteral("Standby server: ready");

} // namespace

// The link with a standby data server, against two simulators on loopback:
// the main one dropped, refusing, stalled, sending garbage, both down,
// flapping. Only one server ever feeds the decoder, each move is told once
// with its reason, and the link goes back only after the main one has been
// healthy for the healthy time.
class TestFailover : public QObject
{
    Q_OBJECT

    std::unique_ptr<BusRecorder> m_pWindow;
    std::unique_ptr<PSimDataServer> m_pMain;
    std::unique_ptr<PSimDataServer> m_pStandby;
    std::unique_ptr<PDoseThread> m_pLink;
    std::unique_ptr<QSignalSpy> m_pSwitches;
    QString m_strSources; // one letter per reading: m(ain) or s(tandby)
    QStringList m_second;
    int m_nSecondShown = 0;

    void Begin()
    {
        m_pLink = std::make_unique<PDoseThread>(nullptr);
        m_pLink->SetIntervals(kWatchdogMs, 50);
        m_pLink->SetHealthyMs(kHealthyMs);
        m_pSwitches = std::make_unique<QSignalSpy>(m_pLink.get(), &PDoseThread::ServerSwitched);
        m_pLink->StartThread();
        m_pLink->RequestConnect();
    }
    // The sources of the readings as runs: "msm" for main, standby, main.
    QString Runs() const
    {
        QString strRuns;
        for (const QChar c : m_strSources) {
            if (strRuns.isEmpty() || strRuns.back() != c)
                strRuns += c;
        }
        return strRuns;
    }
    // "unit reason" of each move.
    QStringList Moves() const
    {
        QStringList moves;
        for (const QList<QVariant>& move : qAsConst(*m_pSwitches))
            moves << QStringLiteral("%1 %2").arg(move.at(0).toInt()).arg(move.at(1).toString());
        return moves;
    }
    bool WaitFor(const std::function<bool()>& done, int nMs = 10000)
    {
        return QTest::qWaitFor(done, nMs);
    }
    bool ReadingsFrom(QChar source, int nCount)
    {
        const int nFrom = m_strSources.size();
        return WaitFor([&] {
            return m_strSources.mid(nFrom).count(source) >= nCount && m_strSources.endsWith(source);
        });
    }

private slots:
    void initTestCase() { TestDb::Open(); }

    void init()
    {
        m_strSources.clear();
        m_second.clear();
        m_nSecondShown = 0;
        m_pWindow = std::make_unique<BusRecorder>(SBus::MainWindow);
        m_pWindow->onMessage = [this](const SMessage& message) {
            if (message.MessageType() == SBus::RawReading) {
                m_strSources
                    += message.Second() == kMainValue ? QLatin1Char('m') : QLatin1Char('s');
                // As the station does with each decoded reading.
                if (m_pLink)
                    m_pLink->NoteReading();
            } else if (message.MessageType() == SBus::SecondText) {
                const QString strText
                    = QString::fromLocal8Bit(reinterpret_cast<const char*>(message.First()));
                if (m_second.isEmpty() || m_second.last() != strText)
                    m_second << strText;
            } else if (message.MessageType() == SBus::ShowSecondLine) {
                ++m_nSecondShown;
            }
        };
        m_pMain = std::make_unique<PSimDataServer>();
        m_pStandby = std::make_unique<PSimDataServer>();
        QVERIFY(m_pMain->Listen() && m_pStandby->Listen());
        m_pMain->SetRegions({{1, PSimRegion::Steady, kMainValue}});
        m_pStandby->SetRegions({{1, PSimRegion::Steady, kStandbyValue}});
        for (PSimDataServer* pServer : {m_pMain.get(), m_pStandby.get()}) {
            pServer->SetInterval(40);
            pServer->StartTicks();
        }
        PSqlExec::Exec(QStringLiteral("delete from SystemInfo"));
        PSqlExec::Exec(
            QStringLiteral("insert into SystemInfo(IP, Port, Unit_P) values('127.0.0.1', "
                           "?, 0), ('127.0.0.1', ?, 1)"),
            {m_pMain->Port(), m_pStandby->Port()});
    }
    void cleanup()
    {
        m_pSwitches.reset();
        m_pLink.reset();
        m_pMain.reset();
        m_pStandby.reset();
        m_pWindow.reset();
    }

    // Dropped and refusing, stalled with the connection open, or sending
    // bytes with no frame in them: the standby takes over at once, and the
    // main server back and healthy takes over again.
    void mainFailsAndComesBack_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("dropped, refusing") << "refuse"
                                           << "Not connected: closed by the server";
        QTest::newRow("stalled") << "stall"
                                 << "silent";
        QTest::newRow("garbage") << "garbage"
                                 << "no reading";
    }
    void mainFailsAndComesBack()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        Begin();
        QVERIFY(ReadingsFrom('m', 5));
        QVERIFY(m_pLink->HasStandby());
        QVERIFY(WaitFor([&] { return m_second.contains(STANDBY_READY); }));
        QTimer garbage;
        if (fault == "refuse") {
            m_pMain->Refuse(true);
            m_pMain->DropClients();
        } else if (fault == "stall") {
            m_pMain->SetStalled(true);
        } else {
            m_pMain->StopTicks();
            connect(
                &garbage, &QTimer::timeout, m_pMain.get(), [this] { m_pMain->SendGarbage(64); });
            garbage.start(40);
        }
        QVERIFY(ReadingsFrom('s', 5));
        QCOMPARE(m_pLink->ServerInUse(), 1);
        QCOMPARE(Moves(), QStringList({"1 " + reason}));
        QVERIFY(m_second.contains(STANDBY_IN_USE_MAIN_DOWN));
        // Back: the probe sees it, the link returns after the healthy time.
        garbage.stop();
        m_pMain->Refuse(false);
        m_pMain->SetStalled(false);
        m_pMain->StartTicks();
        QVERIFY2(ReadingsFrom('m', 5),
            qPrintable(Runs() + " | " + Moves().join(",") + " | " + m_second.join(",")));
        QCOMPARE(Runs(), QString("msm"));
        QCOMPARE(Moves().size(), 2);
        QVERIFY(Moves().at(1).startsWith("0 main server healthy for"));
        QCOMPARE(m_nSecondShown, 1);
    }

    // Both down: the attempts alternate without a move on record; the
    // standby back first takes over, the main one later takes it back.
    void bothDownThenStandbyFirst()
    {
        m_pMain->Refuse(true);
        m_pStandby->Refuse(true);
        Begin();
        QTest::qWait(600);
        QVERIFY(m_strSources.isEmpty());
        QVERIFY(Moves().isEmpty());
        m_pStandby->Refuse(false);
        QVERIFY(ReadingsFrom('s', 3));
        QCOMPARE(Moves().size(), 1);
        QVERIFY(Moves().at(0).startsWith("1 Not connected: connection refused"));
        m_pMain->Refuse(false);
        QVERIFY(ReadingsFrom('m', 3));
        QCOMPARE(Runs(), QString("sm"));
    }

    // A main server that keeps dropping before it has been healthy long
    // enough never takes the link back.
    void flappingMainStaysOff()
    {
        Begin();
        QVERIFY(ReadingsFrom('m', 3));
        QTimer flap;
        bool bUp = false;
        connect(&flap, &QTimer::timeout, this, [&] {
            bUp = !bUp;
            m_pMain->Refuse(!bUp);
            if (!bUp)
                m_pMain->DropClients();
        });
        m_pMain->Refuse(true);
        m_pMain->DropClients();
        flap.start(kHealthyMs / 2);
        QVERIFY(ReadingsFrom('s', 3));
        QTest::qWait(4 * kHealthyMs);
        flap.stop();
        QCOMPARE(Runs(), QString("ms"));
        QCOMPARE(Moves().size(), 1);
    }

    // One address: no probe, no second line, no move.
    void withoutStandbyNothingChanges()
    {
        PSqlExec::Exec(QStringLiteral("update SystemInfo set IP = '' where Unit_P = 1"));
        Begin();
        QVERIFY(ReadingsFrom('m', 3));
        QVERIFY(!m_pLink->HasStandby());
        m_pMain->DropClients();
        QVERIFY(ReadingsFrom('m', 3));
        QCOMPARE(m_pStandby->ClientCount(), 0);
        QVERIFY(Moves().isEmpty());
        QCOMPARE(m_nSecondShown, 0);
        QVERIFY(m_second.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFailover)
#include "tst_failover.moc"
