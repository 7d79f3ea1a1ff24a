#include "algor/PDoseThread.h"
#include "database/PSqlExec.h"
#include "message/SMessage.h"

#include "BusRecorder.h"
#include "IdServerStub.h"
#include "PSimDataServer.h"
#include "PSimFrames.h"
#include "PSimIdServer.h"
#include "TestDb.h"
#include "algor/PSocketGetId.h"
#include "algor/RAdditionalDose.h"
#include "message/SBus.h"

#include <QTcpSocket>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString CONNECTING = QStringLiteral("Connecting to the host...");
const QString CONNECTED = QStringLiteral("Connected !");
const QString NO_ADDRESS = QStringLiteral("Not connected: no server address is set");
const QString INVALID = QStringLiteral("Not connected: the server address is not valid");
const QString NOT_FOUND = QStringLiteral("Not connected: server name not found");
const QString LOOKUP_FAILED = QStringLiteral("Not connected: server name lookup failed");
const QString REFUSED = QStringLiteral("Not connected: connection refused");
const QString TIMED_OUT = QStringLiteral("Not connected: connection timed out");
const QString CLOSED = QStringLiteral("Not connected: closed by the server");
const QString SILENT = QStringLiteral("Not connected: no data from the server");
// Only the test's own resolvers are asked for it.
const QString NAME = QStringLiteral("kestal-sim.test");

using Reading = QPair<qintptr, qintptr>;

void pointAt(quint16 nPort, const QString& strHost = QStringLiteral("127.0.0.1"), int nUnit = 0)
{
    PSqlExec::Exec(QStringLiteral("delete from SystemInfo"));
    PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Unit_P) values(?, ?, ?)"),
        {strHost, nPort, nUnit});
}

// A resolver that gives these addresses (or this error) and counts its calls.
PHostLookup::Resolver answering(const QList<QHostAddress>& addresses,
    PHostLookup::Error error = PHostLookup::NoError,
    std::shared_ptr<std::atomic<int>> pCalls = std::make_shared<std::atomic<int>>(0))
{
    return [addresses, error, pCalls](const QByteArray&) {
        ++*pCalls;
        PHostLookup::Result result;
        result.addresses = addresses;
        result.error = error;
        return result;
    };
}

} // namespace

class TestPDoseThread : public QObject
{
    Q_OBJECT

private:
    // Stand in for the main window and the alarm-threshold page.
    std::unique_ptr<BusRecorder> m_pWindow;
    std::unique_ptr<BusRecorder> m_pPage;
    QStringList m_status; // "1:" or "2:" by status line, then the text
    std::unique_ptr<PSimDataServer> m_pServer;
    std::unique_ptr<PDoseThread> m_pLink;

    // A link with short intervals; it reads the simulator's address when asked to connect.
    void makeLink(int nWatchdogMs = 60000, int nRetryMs = 20, int nConnectMs = 30000)
    {
        m_pLink = std::make_unique<PDoseThread>(nullptr);
        m_pLink->SetIntervals(nWatchdogMs, nRetryMs, nConnectMs);
    }
    // Started as the main window starts it.
    void startLink(int nWatchdogMs = 60000, int nRetryMs = 20)
    {
        makeLink(nWatchdogMs, nRetryMs);
        m_pLink->StartThread();
        m_pLink->RequestConnect();
    }
    QStringList firstLine() const
    {
        QStringList texts;
        for (const QString& strStatus : m_status) {
            if (strStatus.startsWith(QLatin1String("1:")))
                texts.append(strStatus.mid(2));
        }
        return texts;
    }
    // No retry, watchdog or connect timer is left to start anything.
    bool idle() const
    {
        const QList<QTimer*> timers
            = m_pLink->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
        return std::none_of(
            timers.cbegin(), timers.cend(), [](QTimer* p) { return p->isActive(); });
    }
    QList<Reading> readings() const
    {
        QList<Reading> list;
        for (const BusRecorder::Message& message : m_pWindow->Log()) {
            if (message.nType == SBus::RawReading)
                list.append({message.a, message.b});
        }
        return list;
    }

private slots:
    void initTestCase() { TestDb::Open(); }

    void init()
    {
        m_status.clear();
        m_pWindow = std::make_unique<BusRecorder>(SBus::MainWindow);
        // The text lives only for the duration of the call.
        m_pWindow->onMessage = [this](const SMessage& message) {
            const int nType = message.MessageType();
            if (nType == SBus::StatusText || nType == SBus::SecondText)
                m_status.append(QLatin1String(nType == SBus::StatusText ? "1:" : "2:")
                    + QString::fromLocal8Bit(reinterpret_cast<const char*>(message.First())));
        };
        m_pPage = std::make_unique<BusRecorder>(SBus::ThresholdPage);
        m_pServer = std::make_unique<PSimDataServer>();
        QVERIFY(m_pServer->Listen());
        m_pServer->SetRegions({{1, PSimRegion::Steady, 1000}, {2, PSimRegion::Steady, 2000}});
        pointAt(m_pServer->Port());
    }

    void cleanup()
    {
        // The link first: its destructor must not report to a dead window.
        m_pLink.reset();
        m_pServer.reset();
        m_pPage.reset();
        m_pWindow.reset();
    }

    void connects_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("unit");
        QTest::newRow("address") << "127.0.0.1" << 0;
        // The simulator listens on 127.0.0.1 only: ::1 fails, the next one serves.
        QTest::newRow("name, first address fails") << NAME << 0;
        QTest::newRow("second unit, second line") << "127.0.0.1" << 1;
    }

    // Connected on the first attempt (no retry comes in time), the status
    // line of the unit says so, and readings arrive in order. A threshold
    // command without a connection waits for it, and goes out once.
    void connects()
    {
        QFETCH(QString, host);
        QFETCH(int, unit);
        pointAt(m_pServer->Port(), host, unit);
        makeLink(60000, 60000);
        m_pLink->SetResolver(answering(
            {QHostAddress(QHostAddress::LocalHostIPv6), QHostAddress(QHostAddress::LocalHost)}));
        m_pLink->SetUnit(unit);
        m_pLink->StartThread();
        m_pLink->SetThreshold(9, 900);
        m_pLink->RequestConnect();
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        const QString strLine = QString::number(unit + 1) + ':';
        QTRY_COMPARE(m_status, (QStringList {strLine + CONNECTING, strLine + CONNECTED}));
        m_pServer->Tick();
        m_pServer->Tick();
        QTRY_COMPARE(readings(), (QList<Reading> {{1, 1000}, {2, 2000}, {1, 1000}, {2, 2000}}));
        QTRY_COMPARE(m_pServer->Thresholds().size(), 1);
        QCOMPARE(m_pServer->Thresholds().first().nId, 9);
        QCOMPARE(m_pServer->Thresholds().first().nWord, 9);
        QCOMPARE(m_pLink->PendingThresholds(), 0);
    }

    void failureShownWhileRetrying_data()
    {
        QTest::addColumn<int>("lookup");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << int(PHostLookup::NoError) << REFUSED;
        QTest::newRow("name not found") << int(PHostLookup::NotFound) << NOT_FOUND;
        QTest::newRow("lookup failed") << int(PHostLookup::Failed) << LOOKUP_FAILED;
    }

    // The reason stays on screen between attempts.
    void failureShownWhileRetrying()
    {
        QFETCH(int, lookup);
        QFETCH(QString, reason);
        QVERIFY(m_pServer->Refuse(true));
        pointAt(m_pServer->Port(), NAME);
        auto pLookups = std::make_shared<std::atomic<int>>(0);
        makeLink(60000, 20);
        m_pLink->SetResolver(answering(
            {QHostAddress(QHostAddress::LocalHost)}, PHostLookup::Error(lookup), pLookups));
        m_pLink->StartThread();
        m_pLink->RequestConnect();
        QTRY_VERIFY(*pLookups >= 3);
        QCOMPARE(firstLine(), (QStringList {CONNECTING, reason}));
        if (lookup != PHostLookup::NoError)
            return;
        QVERIFY(m_pServer->Refuse(false));
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        QTRY_COMPARE(firstLine().last(), CONNECTED);
    }

    void timedOutAttemptIsShown()
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
        makeLink(60000, 60000, 50);
        m_pLink->RequestConnect();
        QTRY_COMPARE(firstLine(), (QStringList {CONNECTING, TIMED_OUT}));
        QCOMPARE(m_pLink->LinkState(), PDoseThread::State::Waiting);
        m_pLink.reset();
        ::close(fd);
    }

    void stopDuringLookupDoesNotWaitForIt()
    {
        pointAt(m_pServer->Port(), NAME);
        // A resolver that answers 127.0.0.1 only once the test opens the gate.
        auto pGate = std::make_shared<QSemaphore>();
        auto pEntered = std::make_shared<std::atomic<int>>(0);
        makeLink(60000, 20);
        m_pLink->SetResolver([pGate, pEntered](const QByteArray&) {
            ++*pEntered;
            pGate->acquire();
            return answering({QHostAddress(QHostAddress::LocalHost)})(QByteArray());
        });
        m_pLink->StartThread();
        m_pLink->RequestConnect();
        QTRY_COMPARE(int(*pEntered), 1);
        QCOMPARE(m_pLink->LinkState(), PDoseThread::State::LookingUp);
        // The lookup is still held when the stop returns.
        m_pLink->DisConnect();
        QCOMPARE(m_pLink->LinkState(), PDoseThread::State::Idle);
        QVERIFY(idle());
        pGate->release();

        // Destroying the link (the end of the program) returns with a lookup
        // held: were it waited for, the gate below would never be reached.
        m_pLink->RequestConnect();
        QTRY_COMPARE(int(*pEntered), 2);
        m_pLink.reset();
        pGate->release();
    }

    void silenceAfterDataReconnects()
    {
        QSignalSpy connected(m_pServer.get(), &PSimDataServer::ClientConnected);
        QSignalSpy dropped(m_pServer.get(), &PSimDataServer::ClientDropped);
        startLink(200, 20);
        QTRY_COMPARE(connected.size(), 1);
        // Connected but silent before any data: the watchdog is not armed yet.
        QTRY_COMPARE(m_pLink->LinkState(), PDoseThread::State::Connected);
        QVERIFY(idle());
        m_pServer->Tick();
        QTRY_COMPARE(m_pWindow->Count(SBus::RawReading), 2);
        // Then the server stalls with the connection kept open.
        QTRY_VERIFY(dropped.size() >= 1);
        QTRY_VERIFY(connected.size() >= 2);
        QVERIFY(firstLine().contains(SILENT));
        // The new connection carries data again.
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        m_pServer->Tick();
        QTRY_COMPARE(m_pWindow->Count(SBus::RawReading), 4);
    }

    void echoAnsweredOnceAfterReconnection()
    {
        const auto echo = [this](int i) {
            const PSimDataServer::Echo seen = m_pServer->Echoes().at(i);
            return QList<qint64> {seen.nIndex, seen.nId, seen.nTip};
        };
        startLink(60000, 20);
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        m_pServer->Send(PSimFrames::TargetDose(0x102, 5, 3));
        QTRY_COMPARE(m_pServer->Echoes().size(), 1);
        QCOMPARE(echo(0), (QList<qint64> {0x102, 5, 3}));

        m_pServer->DropClients();
        QTRY_COMPARE(m_pServer->ClientCount(), 0);
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        QTRY_COMPARE(firstLine().last(), CONNECTED);
        QVERIFY(firstLine().contains(CLOSED));
        // 0xEE in byte 10 stands for 0.
        m_pServer->Send(PSimFrames::TargetDose(7, 1, 0xEE));
        QTRY_COMPARE(m_pServer->Echoes().size(), 2);
        QCOMPARE(echo(1), (QList<qint64> {7, 1, 0}));
    }

    void burstInOneWriteIsStoredCompletely()
    {
        startLink();
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        const int nFrames = 5000; // 45,000 bytes: about twenty worker rounds
        QByteArray burst;
        for (int i = 0; i < nFrames; ++i)
            burst += PSimFrames::Reading(quint8(i), quint16(100 + i % 7), quint32(i));
        m_pServer->Send(burst);
        // Nothing else arrives: the tail must not wait for a later packet.
        QTRY_COMPARE_WITH_TIMEOUT(m_pWindow->Count(SBus::RawReading), nFrames, 20000);
        QCOMPARE(readings().last(), (Reading {100 + (nFrames - 1) % 7, nFrames - 1}));
        QCOMPARE(m_pLink->PendingBytes(), 0);
    }

    void starvedWorkerBacklogIsBounded()
    {
        // The worker not running stands for one starved at low priority.
        makeLink(60000, 20);
        m_pLink->RequestConnect();
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        const int nSent = int(PDoseThreadInterface::MAX_PENDING) + 0x100000;
        m_pServer->SendGarbage(nSent);
        // Filled to the bound, and no further.
        QTRY_COMPARE(m_pLink->PendingBytes(), PDoseThreadInterface::MAX_PENDING);
        // Once the worker runs, the backlog drains and readings flow again.
        m_pLink->StartThread();
        QTRY_COMPARE(m_pLink->PendingBytes(), 0);
        m_pServer->Tick();
        QTRY_COMPARE(m_pWindow->Count(SBus::RawReading), 2);
    }

    void disconnectStaysDisconnected()
    {
        startLink(50, 10);
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        m_pServer->Tick(); // arms the watchdog
        QTRY_COMPARE(m_pWindow->Count(SBus::RawReading), 2);
        m_pLink->DisConnect();
        // After a disconnection neither the retry nor the watchdog may start
        // an attempt on its own.
        QVERIFY(idle());
        QCOMPARE(m_pLink->LinkState(), PDoseThread::State::Idle);
        QTRY_COMPARE(m_pServer->ClientCount(), 0);
        // The reload path connects again.
        m_pLink->RequestConnect();
        QTRY_COMPARE(m_pServer->ClientCount(), 1);
        QTRY_COMPARE(firstLine().last(), CONNECTED);
    }

    void unusableAddressSaysWhyAndMakesNoAttempt_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no row") << "delete from SystemInfo" << NO_ADDRESS;
        QTest::newRow("only the second server") << "update SystemInfo set Unit_P = 1" << NO_ADDRESS;
        QTest::newRow("blank address") << "update SystemInfo set IP = '  '" << NO_ADDRESS;
        // Not an address, yet a resolver would be asked for it as a name.
        QTest::newRow("octet beyond 255") << "update SystemInfo set IP = '127.0.0.256'" << INVALID;
        // 65536 + port would otherwise wrap onto the simulator's port.
        QTest::newRow("port beyond 16 bits")
            << "update SystemInfo set Port = Port + 65536" << INVALID;
    }

    void unusableAddressSaysWhyAndMakesNoAttempt()
    {
        QFETCH(QString, sql);
        QFETCH(QString, reason);
        QVERIFY(PSqlExec::Exec(sql));
        startLink(60000, 10);
        QVERIFY(idle());
        // A second request (the watchdog's) shows nothing new.
        m_pLink->RequestConnect();
        QCOMPARE(m_pServer->ClientCount(), 0);
        QCOMPARE(firstLine(), (QStringList {CONNECTING, reason}));
    }

    // The frames the link sends, byte for byte: a threshold (in hundreds)
    // and the echo of a target dose, whose index byte order and checksum
    // span show here.
    void outgoingFrames_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("threshold 250 -> 2") << PDoseThread::ThresholdFrame(3, 250)
                                            << QByteArray::fromHex("A40A00000000FF0103000200FF");
        QTest::newRow("threshold 99 -> 0") << PDoseThread::ThresholdFrame(3, 99)
                                           << QByteArray::fromHex("A40A00000000FF0103000002FF");
        QTest::newRow("threshold big, id low byte") << PDoseThread::ThresholdFrame(
            0x1FE, 6553500) << QByteArray::fromHex("A40A00000000FF01FEFFFFFFFF");
        QTest::newRow("echo") << RAdditionalDose::EchoFrame(5, 0x102, 3)
                              << QByteArray::fromHex("A40900000102FF21050327FC");
        // Sums: 21^AB^00 = 8A; 89^AB^CD^EF^FF^21^AB^00^8A = FF.
        QTest::newRow("echo, high index, wide id") << RAdditionalDose::EchoFrame(
            0x1AB, int(0x89ABCDEF), 0) << QByteArray::fromHex("A40989ABCDEFFF21AB008AFF");
    }
    void outgoingFrames()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, frame);
        QCOMPARE(built.toHex(' '), frame.toHex(' '));
    }

    void replyParsing_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("two records")
            << QByteArray::fromHex("0102000003020000") << QStringList {"1", "3"};
        QTest::newRow("id above 127") << QByteArray::fromHex("90000000") << QStringList {"144"};
        QTest::newRow("partial record dropped")
            << QByteArray::fromHex("07000000ff00") << QStringList {"7"};
        QTest::newRow("empty") << QByteArray() << QStringList {};
    }

    void replyParsing()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, ids);
        QCOMPARE(PSocketGetId::ParseReply(reply), ids);
    }

    void queryAsksHolderAndListsIds()
    {
        IdServerStub stub({4, 17, 144, 120});
        QVERIFY(stub.IsListening());
        PSimIdServer& server = stub.Server();
        QObject page;
        auto* pQuery = new PSocketGetId(&page);
        pQuery->SetIntervals(5000, 20);
        QSignalSpy spy(pQuery, &PSocketGetId::ItemIdLists);
        pQuery->ConnectSocket();
        QCOMPARE(stub.Store().Firsts(SBus::NetServer),
            (QList<qintptr> {SBus::CmdAddress, SBus::CmdPort}));
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toStringList(), (QStringList {"4", "17", "144", "120"}));
        // The server saw exactly one well-formed 255-byte request, and the reply ended the query.
        QCOMPARE(server.Queries(), 1);
        QTRY_COMPARE(server.OpenConnections(), 0);
    }

    void badServerEndsTheQuery_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("lists");
        QTest::newRow("oversized reply") << false << 1;
        QTest::newRow("no reply") << true << 0;
    }

    // The socket is closed instead of being left open; an oversized reply
    // gives one list of bounded length, no reply no list at all.
    void badServerEndsTheQuery()
    {
        QFETCH(bool, silent);
        QFETCH(int, lists);
        PSimIdServer server;
        server.SetExtraRecords(1000);
        server.SetSilent(silent);
        QVERIFY(server.Listen());
        PSocketGetId query(nullptr);
        query.SetIntervals(2000, 20);
        QSignalSpy spy(&query, &PSocketGetId::ItemIdLists);
        query.ConnectToHost(QStringLiteral("127.0.0.1"), server.Port());
        QTRY_COMPARE(server.Queries(), 1);
        QTRY_COMPARE(server.OpenConnections(), 0);
        // The rest of the reply must not come back as a second list.
        QCoreApplication::processEvents();
        QCOMPARE(spy.size(), lists);
        if (lists)
            QCOMPARE(spy[0][0].toStringList().size(), PSocketGetId::MAX_RECORDS);
    }
};

QTEST_GUILESS_MAIN(TestPDoseThread)
#include "tst_pdosethread.moc"
