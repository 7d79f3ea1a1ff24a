#include "algor/PDoseThread.h"
#include "database/PSqlExec.h"
#include "message/SMessage.h"

#include "PSimDataServer.h"
#include "PSimFrames.h"
#include "StdoutCapture.h"
#include "message/SBus.h"

#include <QSemaphore>
#include <QSqlDatabase>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>

namespace {

const QString CONNECTING = QStringLiteral("Connecting to the host...");
const QString CONNECTED = QStringLiteral("Connected !");
const QString NO_ADDRESS = QStringLiteral("Not connected: no server address is set");
const QString INVALID = QStringLiteral("Not connected: the server address is not valid");
const QString NOT_FOUND = QStringLiteral("Not connected: server name not found");
const QString REFUSED = QStringLiteral("Not connected: connection refused");
const QString TIMED_OUT = QStringLiteral("Not connected: connection timed out");
const QString CLOSED = QStringLiteral("Not connected: closed by the server");
const QString SILENT = QStringLiteral("Not connected: no data from the server");

// Stands in for the main window and the alarm-threshold page.
class Sink : public QObject
{
public:
    explicit Sink(int nId) { RegisterReceiver(this, nId); }
    ~Sink() override { UnregisterReceiver(this); }

    QStringList m_status; // "1:" or "2:" by status line, then the text
    QList<QPair<qintptr, qintptr>> m_readings;
    QList<qintptr> m_notices;

protected:
    bool event(QEvent* pEvent) override
    {
        const int nType = int(pEvent->type());
        if (nType < QEvent::User)
            return QObject::event(pEvent);
        const auto* pMessage = static_cast<SMessage*>(pEvent);
        if (nType == SBus::StatusText || nType == SBus::SecondText) {
            // The text lives only for the duration of the call.
            m_status.append(QLatin1String(nType == SBus::StatusText ? "1:" : "2:")
                + QString::fromLocal8Bit(reinterpret_cast<const char*>(pMessage->First())));
        } else if (nType == SBus::RawReading) {
            m_readings.append({pMessage->First(), pMessage->Second()});
        } else if (nType == SBus::ThresholdNotice) {
            m_notices.append(pMessage->First());
        }
        return true;
    }
};

void pointAt(quint16 nPort, const QString& strHost = QStringLiteral("127.0.0.1"))
{
    PSqlExec::Exec(QStringLiteral("delete from SystemInfo"));
    PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Unit_P) values(?, ?, 0)"),
        {strHost, nPort});
}

// Connection attempts the link's socket started.
int attempts(const QSignalSpy& states)
{
    int nCount = 0;
    for (const QList<QVariant>& args : states) {
        if (args.at(0).value<QAbstractSocket::SocketState>() == QAbstractSocket::ConnectingState)
            ++nCount;
    }
    return nCount;
}

// A resolver that answers 127.0.0.1 only once the test opens the gate.
struct HeldResolver
{
    std::shared_ptr<QSemaphore> pGate = std::make_shared<QSemaphore>();
    std::shared_ptr<std::atomic<int>> pEntered = std::make_shared<std::atomic<int>>(0);

    PHostLookup::Resolver Function() const
    {
        return [pGate = pGate, pEntered = pEntered](const QByteArray&) {
            ++*pEntered;
            pGate->acquire();
            PHostLookup::Result result;
            result.addresses = {QHostAddress(QHostAddress::LocalHost)};
            result.error = PHostLookup::NoError;
            return result;
        };
    }
};

} // namespace

class TestPDoseThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectsAndDeliversReadings();
    void refusedIsShownAndLoggedOnceWhileRetrying();
    void nameNotFoundIsShownAndLoggedOnce();
    void timedOutAttemptIsShown();
    void nameTriesEachOfItsAddresses();
    void stopDuringLookupDoesNotWaitForIt();
    void silenceAfterDataReconnects();
    void thresholdFrame_data();
    void thresholdFrame();
    void thresholdCommandReachesDevice();
    void echoAnsweredOnceAfterReconnection();
    void burstInOneWriteIsStoredCompletely();
    void starvedWorkerBacklogIsBounded();
    void everyFrameKindOfTheServerArrives();
    void disconnectStaysDisconnected();
    void secondUnitReportsOnSecondLine();
    void unusableAddressSaysWhyAndMakesNoAttempt_data();
    void unusableAddressSaysWhyAndMakesNoAttempt();

private:
    std::unique_ptr<Sink> m_pWindow;
    std::unique_ptr<Sink> m_pPage;
    std::unique_ptr<PSimDataServer> m_pServer;
    std::unique_ptr<PDoseThread> m_pLink;

    // A link with short intervals pointed at the simulator, started as the
    // main window starts it.
    void startLink(int nWatchdogMs = 60000, int nRetryMs = 20);
    QStringList firstLine() const;
};

void TestPDoseThread::initTestCase()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(db.open());
    QVERIFY(PSqlExec::Exec(QStringLiteral(
        "create table SystemInfo(IP varchar(15), Port int default 8888, Unit_P int default 0)")));
    QVERIFY(PSqlExec::Exec(QStringLiteral("create table RoutingMinuteDose(Id int, RoomId int, "
                                          "Dose int, Time varchar(8), Month varchar(10))")));
}

void TestPDoseThread::init()
{
    m_pWindow = std::make_unique<Sink>(SBus::MainWindow);
    m_pPage = std::make_unique<Sink>(SBus::ThresholdPage);
    m_pServer = std::make_unique<PSimDataServer>();
    QVERIFY(m_pServer->Listen());
    m_pServer->SetRegions({{1, PSimRegion::Steady, 1000}, {2, PSimRegion::Steady, 2000}});
    pointAt(m_pServer->Port());
}

void TestPDoseThread::cleanup()
{
    // The link first: its destructor must not report to a dead window.
    m_pLink.reset();
    m_pServer.reset();
    m_pPage.reset();
    m_pWindow.reset();
}

void TestPDoseThread::startLink(int nWatchdogMs, int nRetryMs)
{
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->SetIntervals(nWatchdogMs, nRetryMs);
    m_pLink->StartThread();
    m_pLink->RequestConnect();
}

QStringList TestPDoseThread::firstLine() const
{
    QStringList texts;
    for (const QString& strStatus : m_pWindow->m_status) {
        if (strStatus.startsWith(QLatin1String("1:")))
            texts.append(strStatus.mid(2));
    }
    return texts;
}

void TestPDoseThread::connectsAndDeliversReadings()
{
    startLink();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QTRY_COMPARE(firstLine(), (QStringList {CONNECTING, CONNECTED}));
    m_pServer->Tick();
    m_pServer->Tick();
    using Reading = QPair<qintptr, qintptr>;
    QTRY_COMPARE(
        m_pWindow->m_readings, (QList<Reading> {{1, 1000}, {2, 2000}, {1, 1000}, {2, 2000}}));
}

void TestPDoseThread::refusedIsShownAndLoggedOnceWhileRetrying()
{
    QVERIFY(m_pServer->Refuse(true));
    QByteArray log;
    {
        StdoutCapture capture;
        startLink(60000, 20);
        QSignalSpy states(m_pLink->findChild<QTcpSocket*>(), &QTcpSocket::stateChanged);
        QTRY_VERIFY(attempts(states) >= 3);
        log = capture.Text();
    }
    // The reason stays on screen between attempts, and is logged once.
    QCOMPARE(firstLine(), (QStringList {CONNECTING, REFUSED}));
    QCOMPARE(log.count(REFUSED.toLatin1()), 1);
    QVERIFY(m_pServer->Refuse(false));
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QTRY_COMPARE(firstLine().last(), CONNECTED);
}

void TestPDoseThread::nameNotFoundIsShownAndLoggedOnce()
{
    // A reserved name that never resolves; only the local resolver is asked.
    const QString strName = QStringLiteral("kestal-test.invalid");
    {
        PHostLookup probe;
        bool bDone = false;
        PHostLookup::Error error = PHostLookup::NoError;
        connect(&probe, &PHostLookup::Finished, this, [&](const PHostLookup::Result& result) {
            bDone = true;
            error = result.error;
        });
        probe.Start(strName);
        if (!QTest::qWaitFor([&]() { return bDone; }, 15000))
            QSKIP("the resolver here does not answer for a .invalid name");
        if (error != PHostLookup::NotFound)
            QSKIP("the resolver here fails instead of saying the name does not exist");
    }
    pointAt(m_pServer->Port(), strName);
    auto pLookups = std::make_shared<std::atomic<int>>(0);
    QByteArray log;
    {
        StdoutCapture capture;
        m_pLink = std::make_unique<PDoseThread>(nullptr);
        m_pLink->SetIntervals(60000, 20);
        m_pLink->SetResolver([pLookups](const QByteArray& name) {
            ++*pLookups;
            return PHostLookup::Resolve(name);
        });
        m_pLink->RequestConnect();
        QTRY_VERIFY(*pLookups >= 3);
        log = capture.Text();
    }
    QCOMPARE(firstLine(), (QStringList {CONNECTING, NOT_FOUND}));
    QCOMPARE(log.count(NOT_FOUND.toLatin1()), 1);
    QVERIFY(log.contains(strName.toLatin1()));
}

void TestPDoseThread::timedOutAttemptIsShown()
{
    // A listener whose accept queue (backlog 0) one connection fills: the
    // kernel drops further handshakes, so the next attempt never completes.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(address);
    QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&address), nLength) == 0);
    QVERIFY(::listen(fd, 0) == 0);
    QVERIFY(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &nLength) == 0);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, ntohs(address.sin_port));
    QVERIFY(filler.waitForConnected(5000));

    pointAt(ntohs(address.sin_port));
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->SetIntervals(60000, 60000, 50);
    m_pLink->RequestConnect();
    QTRY_COMPARE(firstLine(), (QStringList {CONNECTING, TIMED_OUT}));
    QCOMPARE(m_pLink->LinkState(), PDoseThread::State::Waiting);
    m_pLink.reset();
    ::close(fd);
}

void TestPDoseThread::nameTriesEachOfItsAddresses()
{
    // The simulator listens on 127.0.0.1 only: ::1 fails, the next one serves.
    pointAt(m_pServer->Port(), QStringLiteral("kestal-sim.test"));
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->SetIntervals(60000, 60000);
    m_pLink->SetResolver([](const QByteArray&) {
        PHostLookup::Result result;
        result.addresses
            = {QHostAddress(QHostAddress::LocalHostIPv6), QHostAddress(QHostAddress::LocalHost)};
        result.error = PHostLookup::NoError;
        return result;
    });
    m_pLink->StartThread();
    m_pLink->RequestConnect();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QTRY_COMPARE(firstLine(), (QStringList {CONNECTING, CONNECTED}));
    m_pServer->Tick();
    QTRY_COMPARE(m_pWindow->m_readings.size(), 2);
}

void TestPDoseThread::stopDuringLookupDoesNotWaitForIt()
{
    pointAt(m_pServer->Port(), QStringLiteral("kestal-sim.test"));
    HeldResolver resolver;
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->SetIntervals(60000, 20);
    m_pLink->SetResolver(resolver.Function());
    m_pLink->StartThread();
    m_pLink->RequestConnect();
    QTRY_COMPARE(int(*resolver.pEntered), 1);
    QCOMPARE(m_pLink->LinkState(), PDoseThread::State::LookingUp);
    // The lookup is still held when the stop returns.
    m_pLink->DisConnect();
    QCOMPARE(m_pLink->LinkState(), PDoseThread::State::Idle);
    resolver.pGate->release();
    // Its late answer starts nothing.
    QTest::qWait(100);
    QCOMPARE(m_pServer->ClientCount(), 0);
    QCOMPARE(m_pLink->LinkState(), PDoseThread::State::Idle);

    // Destroying the link (the end of the program) returns with a lookup
    // held: were it waited for, the gate below would never be reached.
    m_pLink->RequestConnect();
    QTRY_COMPARE(int(*resolver.pEntered), 2);
    m_pLink.reset();
    resolver.pGate->release();
}

void TestPDoseThread::silenceAfterDataReconnects()
{
    QSignalSpy connected(m_pServer.get(), &PSimDataServer::ClientConnected);
    QSignalSpy dropped(m_pServer.get(), &PSimDataServer::ClientDropped);
    startLink(200, 20);
    QTRY_COMPARE(connected.size(), 1);
    // Connected but silent before any data: the watchdog is not armed yet.
    QTest::qWait(400);
    QCOMPARE(dropped.size(), 0);
    m_pServer->Tick();
    QTRY_COMPARE(m_pWindow->m_readings.size(), 2);
    // Then the server stalls with the connection kept open.
    QTRY_VERIFY(dropped.size() >= 1);
    QTRY_VERIFY(connected.size() >= 2);
    QVERIFY(firstLine().contains(SILENT));
    // The new connection carries data again.
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    m_pServer->Tick();
    QTRY_COMPARE(m_pWindow->m_readings.size(), 4);
}

void TestPDoseThread::thresholdFrame_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("250 -> 2") << 3 << 250 << QByteArray::fromHex("A40A00000000FF0103000200FF");
    QTest::newRow("99 -> 0") << 3 << 99 << QByteArray::fromHex("A40A00000000FF0103000002FF");
    QTest::newRow("big, id low byte")
        << 0x1FE << 6553500 << QByteArray::fromHex("A40A00000000FF01FEFFFFFFFF");
}

void TestPDoseThread::thresholdFrame()
{
    QFETCH(int, id);
    QFETCH(int, threshold);
    QFETCH(QByteArray, frame);
    QCOMPARE(PDoseThread::ThresholdFrame(id, threshold).toHex(' '), frame.toHex(' '));
}

void TestPDoseThread::thresholdCommandReachesDevice()
{
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->StartThread();
    // Without a socket the command is skipped, not kept for later.
    m_pLink->SetThreshold(9, 900);
    m_pLink->RequestConnect();
    QTRY_COMPARE(firstLine().value(1), CONNECTED);
    m_pLink->SetThreshold(3, 250);
    QTRY_COMPARE(m_pServer->Thresholds().size(), 1);
    QCOMPARE(m_pServer->Thresholds()[0].nId, 3);
    QCOMPARE(m_pServer->Thresholds()[0].nWord, 2);
    // The simulated device confirms; the decoder hands that to the threshold page.
    QTRY_COMPARE(m_pPage->m_notices, QList<qintptr> {3});
}

void TestPDoseThread::echoAnsweredOnceAfterReconnection()
{
    startLink(60000, 20);
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    m_pServer->Send(PSimFrames::TargetDose(0x102, 5, 3));
    QTRY_COMPARE(m_pServer->Echoes().size(), 1);
    QCOMPARE(m_pServer->Echoes()[0].nIndex, 0x102u);
    QCOMPARE(m_pServer->Echoes()[0].nId, 5);
    QCOMPARE(m_pServer->Echoes()[0].nTip, 3);

    m_pServer->DropClients();
    QTRY_COMPARE(m_pServer->ClientCount(), 0);
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QTRY_COMPARE(firstLine().last(), CONNECTED);
    QVERIFY(firstLine().contains(CLOSED));
    // 0xEE in byte 10 stands for 0.
    m_pServer->Send(PSimFrames::TargetDose(7, 1, 0xEE));
    QTRY_COMPARE(m_pServer->Echoes().size(), 2);
    QTest::qWait(100);
    QCOMPARE(m_pServer->Echoes().size(), 2);
    QCOMPARE(m_pServer->Echoes()[1].nIndex, 7u);
    QCOMPARE(m_pServer->Echoes()[1].nTip, 0);
}

void TestPDoseThread::burstInOneWriteIsStoredCompletely()
{
    startLink();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    const int nFrames = 5000; // 45,000 bytes: about twenty worker rounds
    QByteArray burst;
    for (int i = 0; i < nFrames; ++i)
        burst += PSimFrames::Reading(quint8(i), quint16(100 + i % 7), quint32(i));
    m_pServer->Send(burst);
    // Nothing else arrives: the tail must not wait for a later packet.
    QTRY_COMPARE_WITH_TIMEOUT(m_pWindow->m_readings.size(), nFrames, 20000);
    QCOMPARE(m_pWindow->m_readings.last(),
        (QPair<qintptr, qintptr> {100 + (nFrames - 1) % 7, nFrames - 1}));
    QCOMPARE(m_pLink->PendingBytes(), 0);
}

void TestPDoseThread::starvedWorkerBacklogIsBounded()
{
    // The worker not running stands for one starved at low priority.
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->SetIntervals(60000, 20);
    m_pLink->RequestConnect();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    const int nSent = int(PDoseThreadInterface::MAX_PENDING) + 0x100000;
    m_pServer->SendGarbage(nSent);
    // Filled to the bound, and no further.
    QTRY_COMPARE(m_pLink->PendingBytes(), PDoseThreadInterface::MAX_PENDING);
    QTest::qWait(100);
    QCOMPARE(m_pLink->PendingBytes(), PDoseThreadInterface::MAX_PENDING);
    // Once the worker runs, the backlog drains and readings flow again.
    m_pLink->StartThread();
    QTRY_COMPARE(m_pLink->PendingBytes(), 0);
    m_pServer->Tick();
    QTRY_COMPARE(m_pWindow->m_readings.size(), 2);
}

void TestPDoseThread::everyFrameKindOfTheServerArrives()
{
    startLink();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QSignalSpy routed(m_pLink.get(), &PDoseThread::RoutDataUpdate);
    // Four-value, short, routing, target-dose, block frame and notice, in one write.
    m_pServer->SendExtras();
    using Reading = QPair<qintptr, qintptr>;
    QTRY_COMPARE(m_pWindow->m_readings,
        (QList<Reading> {{1001, 100}, {2001, 200}, {3001, 300}, {4001, 400}, {1, 500}}));
    QTRY_COMPARE(routed.size(), 1);
    QTRY_COMPARE(m_pServer->Echoes().size(), 1);
    QTRY_COMPARE(m_pPage->m_notices, QList<qintptr> {1});
}

void TestPDoseThread::disconnectStaysDisconnected()
{
    startLink(50, 10);
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    m_pServer->Tick(); // arms the watchdog
    QTRY_COMPARE(m_pWindow->m_readings.size(), 2);
    m_pLink->DisConnect();
    // Every attempt shows a status text; after a disconnection neither the
    // retry nor the watchdog may start one on its own.
    const int nTexts = m_pWindow->m_status.size();
    QTest::qWait(300);
    QCOMPARE(m_pWindow->m_status.size(), nTexts);
    QTRY_COMPARE(m_pServer->ClientCount(), 0);
    // The reload path connects again.
    m_pLink->RequestConnect();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QTRY_COMPARE(firstLine().last(), CONNECTED);
}

void TestPDoseThread::secondUnitReportsOnSecondLine()
{
    PSqlExec::Exec(QStringLiteral("update SystemInfo set Unit_P = 1"));
    m_pLink = std::make_unique<PDoseThread>(nullptr);
    m_pLink->SetIntervals(60000, 20);
    m_pLink->SetUnit(1);
    m_pLink->StartThread();
    m_pLink->RequestConnect();
    QTRY_COMPARE(m_pServer->ClientCount(), 1);
    QTRY_COMPARE(m_pWindow->m_status, (QStringList {"2:" + CONNECTING, "2:" + CONNECTED}));
}

void TestPDoseThread::unusableAddressSaysWhyAndMakesNoAttempt_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no row") << "delete from SystemInfo" << NO_ADDRESS;
    QTest::newRow("only the second server") << "update SystemInfo set Unit_P = 1" << NO_ADDRESS;
    QTest::newRow("empty address") << "update SystemInfo set IP = ''" << NO_ADDRESS;
    QTest::newRow("blank address") << "update SystemInfo set IP = '  '" << NO_ADDRESS;
    // Not an address, yet a resolver would be asked for it as a name.
    QTest::newRow("octet beyond 255") << "update SystemInfo set IP = '127.0.0.256'" << INVALID;
    // 65536 + port would otherwise wrap onto the simulator's port.
    QTest::newRow("port beyond 16 bits") << "update SystemInfo set Port = Port + 65536" << INVALID;
}

void TestPDoseThread::unusableAddressSaysWhyAndMakesNoAttempt()
{
    QFETCH(QString, sql);
    QFETCH(QString, reason);
    QVERIFY(PSqlExec::Exec(sql));
    QByteArray log;
    {
        StdoutCapture capture;
        startLink(60000, 10);
        QCOMPARE(firstLine(), (QStringList {CONNECTING, reason}));
        QTest::qWait(100);
        // A second request (the watchdog's) shows and logs nothing new.
        m_pLink->RequestConnect();
        log = capture.Text();
    }
    QCOMPARE(m_pServer->ClientCount(), 0);
    QCOMPARE(firstLine(), (QStringList {CONNECTING, reason}));
    QCOMPARE(log.count(reason.toLatin1()), 1);
}

QTEST_GUILESS_MAIN(TestPDoseThread)
#include "tst_pdosethread.moc"
