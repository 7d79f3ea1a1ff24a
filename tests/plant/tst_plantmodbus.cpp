#include "message/SClock.h"
#include "plant/RPlantMap.h"
#include "plant/RPlantModbus.h"

#include <QModbusTcpClient>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

RStationRegion region(int nId, float fDose, int nThreshold, const QDateTime& time)
{
    RStationRegion r;
    r.nId = nId;
    r.strName = QStringLiteral("Room %1").arg(nId);
    r.fDose = fDose;
    r.time = time;
    r.bOnline = time.isValid();
    r.nThreshold = nThreshold;
    return r;
}

} // namespace

// The map against real peers: mbpoll as a control system reads it, Qt's own
// client for what a peer must not be able to do.
class TestPlantModbus : public QObject
{
    Q_OBJECT

    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 0, 0))};
    std::unique_ptr<RPlantModbus> m_pServer;
    int m_nPort = 0;

    void start(RPlantMap::WordOrder eOrder, const QStringList& allowed = {})
    {
        m_pServer = std::make_unique<RPlantModbus>(&m_clock);
        RStationSnapshot snapshot;
        snapshot.time = m_clock.Now();
        snapshot.bLinkUp = true;
        snapshot.regions = {region(7, 123.5f, 2000, m_clock.Now().addSecs(-3)),
            region(9, 2500.25f, 2000, m_clock.Now().addSecs(-45)),
            region(11, 0.0f, 0, QDateTime())};
        snapshot.regions[1].bActive = true;
        snapshot.regions[1].bUnacknowledged = true;
        m_pServer->Reset(snapshot);
        RPlantModbus::Settings settings;
        m_nPort = freePort();
        settings.nPort = m_nPort;
        settings.eOrder = eOrder;
        settings.allowed = allowed;
        QString strError;
        QVERIFY2(m_pServer->Start(settings, &strError), qPrintable(strError));
    }

    // mbpoll once, while this thread's event loop serves it.
    QString mbpoll(const QStringList& args)
    {
        QProcess process;
        process.start(QStringLiteral("mbpoll"),
            QStringList {QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"),
                QString::number(m_nPort), QStringLiteral("-0"), QStringLiteral("-1")}
                + args + QStringList {QStringLiteral("127.0.0.1")});
        if (!process.waitForStarted(5000))
            return QStringLiteral("mbpoll did not start");
        QElapsedTimer timer;
        timer.start();
        while (process.state() != QProcess::NotRunning && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            process.waitForFinished(5);
        }
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    // The values mbpoll printed, by reference, for its arguments apart from
    // the connection's.
    QMap<int, QString> poll(const QString& strArgs)
    {
        const QString strOutput = mbpoll(strArgs.split(QLatin1Char(' ')));
        QMap<int, QString> found;
        const QRegularExpression line(
            QStringLiteral("^\\[(\\d+)\\]:\\s+(\\S+)"), QRegularExpression::MultilineOption);
        auto it = line.globalMatch(strOutput);
        while (it.hasNext()) {
            const auto match = it.next();
            found.insert(match.captured(1).toInt(), match.captured(2));
        }
        return found;
    }

    // A request through Qt's client; the exception code, 0 when answered.
    int request(const QModbusRequest& pdu)
    {
        QModbusTcpClient client;
        client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, "127.0.0.1");
        client.setConnectionParameter(QModbusDevice::NetworkPortParameter, m_nPort);
        client.setTimeout(2000);
        client.setNumberOfRetries(0);
        client.connectDevice();
        if (!QTest::qWaitFor([&] { return client.state() == QModbusDevice::ConnectedState; }))
            return -1;
        std::unique_ptr<QModbusReply> pReply(client.sendRawRequest(pdu, 1));
        if (!pReply || !QTest::qWaitFor([&] { return pReply->isFinished(); }, 5000))
            return -2;
        if (pReply->error() == QModbusDevice::NoError)
            return 0;
        // An exception answer's one data byte is its code (read as a byte:
        // the PDU's function code enum cannot hold an exception's value).
        const QByteArray data = pReply->rawResult().data();
        return pReply->error() == QModbusDevice::ProtocolError && data.size() == 1
            ? int(quint8(data.at(0)))
            : -3;
    }

private slots:
    void cleanup()
    {
        // Every peer is gone and the server has let go of its connection.
        if (m_pServer)
            QTRY_COMPARE(m_pServer->ClientCount(), 0);
        m_pServer.reset();
        // The server's closed connections go with deleteLater: gone before
        // the next case, and before the process ends.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void floatsInBothWordOrders_data()
    {
        QTest::addColumn<bool>("bHighFirst");
        QTest::newRow("high word first") << true;
        QTest::newRow("low word first") << false;
    }

    // mbpoll's -B reads the high word first; without it the low one.
    void floatsInBothWordOrders()
    {
        QFETCH(bool, bHighFirst);
        start(bHighFirst ? RPlantMap::WordOrder::HighFirst : RPlantMap::WordOrder::LowFirst);
        const int b = RPlantMap::DefaultBase;
        const QMap<int, QString> read
            = poll(QStringLiteral("-t 3:float -r %1 -c 12").arg(b) + (bHighFirst ? " -B" : ""));
        QCOMPARE(read.value(b), QStringLiteral("123.5"));
        QCOMPARE(read.value(b + 2), QStringLiteral("2000"));
        QCOMPARE(read.value(b + 8), QStringLiteral("2500.25"));
    }

    // The station's words and each region's status, age and id, as a
    // control system reads them; the heartbeat steps with every second.
    void statusAgeAndHeartbeat()
    {
        start(RPlantMap::WordOrder::HighFirst);
        m_clock.Advance(1000);
        m_pServer->Beat();
        m_pServer->Beat();
        QMap<int, QString> read = poll(QStringLiteral("-t 3 -r 0 -c 6"));
        QCOMPARE(read.value(0), QStringLiteral("3"));
        QCOMPARE(read.value(1), QStringLiteral("1")); // link up
        QCOMPARE(read.value(2), QStringLiteral("0")); // storage well
        QCOMPARE(read.value(4), QStringLiteral("3")); // regions
        const int b = RPlantMap::DefaultBase;
        read = poll(QStringLiteral("-t 3 -r %1 -c 24").arg(b));
        QCOMPARE(read.value(b + 4).toInt(), int(RPlantMap::OnLine));
        QCOMPARE(read.value(b + 5).toInt(), 4); // seconds since its reading
        QCOMPARE(read.value(b + 6).toInt(), 7);
        // In alarm, unacknowledged, and its value too old to pass for current.
        QCOMPARE(read.value(b + 8 + 4).toInt(),
            int(RPlantMap::OnLine | RPlantMap::InAlarm | RPlantMap::Unacknowledged
                | RPlantMap::Stale));
        QCOMPARE(read.value(b + 16 + 5).toInt(), 65535); // never read
        read = poll(QStringLiteral("-t 1 -r %1 -c 6").arg(b));
        QCOMPARE(read.value(b + 2), QStringLiteral("1"));
        QCOMPARE(read.value(b + 3), QStringLiteral("1"));
        QCOMPARE(read.value(b + 0), QStringLiteral("0"));
    }

    // Nothing a peer sends changes the station: writes of every kind are
    // refused as functions the server does not have, reads past the map as
    // illegal addresses.
    void writesAndStrayReadsRefused()
    {
        start(RPlantMap::WordOrder::HighFirst);
        constexpr int IllegalFunction = QModbusExceptionResponse::IllegalFunction;
        constexpr int IllegalAddress = QModbusExceptionResponse::IllegalDataAddress;
        QCOMPARE(
            request(QModbusRequest(QModbusRequest::WriteSingleRegister, quint16(100), quint16(1))),
            IllegalFunction);
        QCOMPARE(
            request(QModbusRequest(QModbusRequest::WriteSingleCoil, quint16(0), quint16(0xFF00))),
            IllegalFunction);
        QCOMPARE(request(QModbusRequest(QModbusRequest::WriteMultipleRegisters, quint16(100),
                     quint16(1), quint8(2), quint16(5))),
            IllegalFunction);
        QCOMPARE(
            request(QModbusRequest(QModbusRequest::ReadHoldingRegisters, quint16(0), quint16(1))),
            IllegalFunction);
        QCOMPARE(
            request(QModbusRequest(QModbusRequest::ReadInputRegisters, quint16(0), quint16(8))), 0);
        const quint16 nEnd = RPlantMap::DefaultBase + 3 * RPlantMap::RegionRegisters;
        QCOMPARE(request(QModbusRequest(
                     QModbusRequest::ReadInputRegisters, quint16(nEnd - 4), quint16(8))),
            IllegalAddress);
    }

    // A client that connects and never sends holds nothing up; past the
    // limit connections are closed; an address not allowed is closed at once.
    void clientsBoundedAndFiltered()
    {
        start(RPlantMap::WordOrder::HighFirst);
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < RPlantModbus::MaxClients; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
        }
        QTRY_COMPARE(m_pServer->ClientCount(), RPlantModbus::MaxClients);
        QTcpSocket extra;
        extra.connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
        QTRY_COMPARE(extra.state(), QAbstractSocket::UnconnectedState);
        idle.pop_back();
        QTRY_COMPARE(m_pServer->ClientCount(), RPlantModbus::MaxClients - 1);
        QCOMPARE(poll(QStringLiteral("-t 3 -r 4")).value(4), QStringLiteral("3"));
        idle.clear();
        QTRY_COMPARE(m_pServer->ClientCount(), 0);

        start(RPlantMap::WordOrder::HighFirst, {QStringLiteral("127.0.0.2")});
        QTcpSocket refused;
        refused.connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
        QTRY_COMPARE(refused.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(m_pServer->ClientCount(), 0);
        start(
            RPlantMap::WordOrder::HighFirst, {QStringLiteral("::1"), QStringLiteral("127.0.0.1")});
        QCOMPARE(poll(QStringLiteral("-t 3 -r 4")).value(4), QStringLiteral("3"));
    }

    // Garbage, a crowd of connections and a client that asks without ever
    // reading its answers: the last is dropped, the map serves on.
    void misbehavingPeersChangeNothing()
    {
        start(RPlantMap::WordOrder::HighFirst);
        QTcpSocket garbage;
        garbage.connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
        QVERIFY(garbage.waitForConnected(5000));
        QByteArray noise(64 * 1024, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) >> 3);
        garbage.write(noise);

        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 300; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
        }
        QTRY_COMPARE(m_pServer->ClientCount(), RPlantModbus::MaxClients);
        crowd.clear();
        QTRY_VERIFY(m_pServer->ClientCount() <= 1);

        QTcpSocket deaf;
        deaf.setReadBufferSize(1);
        deaf.connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
        QVERIFY(deaf.waitForConnected(5000));
        const char read[] = {0, 1, 0, 0, 0, 6, 1, 4, 0, char(RPlantMap::DefaultBase), 0, 24};
        QByteArray requests;
        for (int i = 0; i < 1000; ++i)
            requests.append(read, sizeof read);
        for (int i = 0; i < 60 && deaf.state() == QAbstractSocket::ConnectedState; ++i) {
            deaf.write(requests);
            QTest::qWait(20);
        }
        QTRY_COMPARE(deaf.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(poll(QStringLiteral("-t 3 -r 4")).value(4), QStringLiteral("3"));
        garbage.abort();
    }
};

QTEST_GUILESS_MAIN(TestPlantModbus)
#include "tst_plantmodbus.moc"
