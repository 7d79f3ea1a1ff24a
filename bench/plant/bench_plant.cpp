// The plant interface at 255 regions, against a real mosquitto broker:
//   latency  frame sent -> its region's Modbus registers, and -> its MQTT
//            message at a subscriber (p50, p99, worst);
//   clients  the GUI thread's CPU share with 32 Modbus clients reading the
//            whole map 10 times a second, against the same station without
//            them, both at the devices' rate (a reading every 2 s);
//   memory   the resident size while the broker is stalled (SIGSTOP), or
//            stopped, or healthy for comparison, readings flowing.
// Usage: bench_plant [latency|clients|memory] [stalled|stopped|healthy] [seconds]
#include "BenchStation.h"
#include "MqttBroker.h"
#include "plant/RPlantConfig.h"
#include "plant/RPlantModbus.h"
#include "plant/RPlantMqtt.h"
#include "station/RStation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <mosquitto.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int Regions = 255;
constexpr int FirstId = 100;
constexpr int Clients = 32;

QElapsedTimer s_clock;

// A subscriber of the region topics on libmosquitto's own thread: each
// message's region, dose and arrival.
class Subscriber
{
public:
    struct Message
    {
        int nId;
        double dDose;
        qint64 nNs;
    };
    explicit Subscriber(int nPort)
    {
        m_pMosq = mosquitto_new("bench-subscriber", true, this);
        mosquitto_message_callback_set(
            m_pMosq, [](mosquitto*, void* pSelf, const mosquitto_message* pMessage) {
                const qint64 nNs = s_clock.nsecsElapsed();
                const QByteArray topic(pMessage->topic);
                const QJsonObject object = QJsonDocument::fromJson(
                    QByteArray(static_cast<const char*>(pMessage->payload), pMessage->payloadlen))
                                               .object();
                auto* pThis = static_cast<Subscriber*>(pSelf);
                QMutexLocker lock(&pThis->m_mutex);
                pThis->m_messages.push_back(
                    {object.value("id").toInt(), object.value("dose").toDouble(), nNs});
            });
        mosquitto_connect(m_pMosq, "127.0.0.1", nPort, 30);
        mosquitto_subscribe(m_pMosq, nullptr, "kestal/site/region/+", 0);
        mosquitto_loop_start(m_pMosq);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(m_pMosq);
        mosquitto_loop_stop(m_pMosq, false);
        mosquitto_destroy(m_pMosq);
    }
    std::vector<Message> Take()
    {
        QMutexLocker lock(&m_mutex);
        std::vector<Message> messages;
        messages.swap(m_messages);
        return messages;
    }

private:
    mosquitto* m_pMosq;
    QMutex m_mutex;
    std::vector<Message> m_messages;
};

// Modbus TCP clients that each read the whole input-register map every
// 100 ms, 125 registers a request, on a thread of their own.
class Pollers final : public QObject
{
public:
    Pollers(int nPort, int nRegisters)
        : m_nPort(nPort)
        , m_nRegisters(nRegisters)
    {
    }
    void Start()
    {
        for (int i = 0; i < Clients; ++i) {
            auto* pSocket = new QTcpSocket(this);
            pSocket->connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
            connect(pSocket, &QTcpSocket::readyRead, this,
                [this, pSocket] { m_nBytes += pSocket->readAll().size(); });
            auto* pTimer = new QTimer(this);
            pTimer->setInterval(100);
            connect(pTimer, &QTimer::timeout, this, [this, pSocket] { Poll(pSocket); });
            // Spread over the period, as independent peers would be.
            QTimer::singleShot(i * 100 / Clients, pTimer, qOverload<>(&QTimer::start));
        }
    }
    qint64 Requests() const { return m_nRequests; }
    qint64 Bytes() const { return m_nBytes; }

private:
    void Poll(QTcpSocket* pSocket)
    {
        if (pSocket->state() != QAbstractSocket::ConnectedState)
            return;
        QByteArray requests;
        for (int nAt = 0; nAt < m_nRegisters; nAt += 125) {
            const int nCount = qMin(125, m_nRegisters - nAt);
            const quint16 nTransaction = quint16(++m_nRequests);
            const char adu[] = {char(nTransaction >> 8), char(nTransaction & 0xFF), 0, 0, 0, 6, 1,
                4, char(nAt >> 8), char(nAt & 0xFF), char(nCount >> 8), char(nCount & 0xFF)};
            requests.append(adu, sizeof adu);
        }
        pSocket->write(requests);
    }

    int m_nPort;
    int m_nRegisters;
    std::atomic<qint64> m_nRequests {0};
    std::atomic<qint64> m_nBytes {0};
};

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString strMode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("all");
    const QString strBroker = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("stalled");
    const int nSeconds = argc > 3 ? QString::fromLatin1(argv[3]).toInt() : 600;
    s_clock.start();
    mosquitto_lib_init();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    PSimDataServer server;
    server.Listen();
    bench::MakeSite(server, Regions, FirstId);
    MqttBroker broker;
    if (!broker.Start()) {
        std::printf("mosquitto did not start\n");
        return 1;
    }
    RPlantConfig config;
    config.bModbus = true;
    config.modbus.nPort = freePort();
    config.bMqtt = true;
    config.mqtt.nPort = broker.Port();
    QString strError;
    if (!config.Save(&strError)) {
        std::printf("settings: %s\n", qPrintable(strError));
        return 1;
    }
    StorageFixture::Writer().Commit();

    RStation::Options options;
    options.bHeadless = true;
    options.strAuditKeyPath = dir.filePath("audit.key");
    RStation station(options);
    if (!station.Open(&strError)) {
        std::printf("station: %s\n", qPrintable(strError));
        return 1;
    }
    station.Start();
    bench::RunFor(10000, [&] { return server.ClientCount() > 0 && station.Mqtt()->IsConnected(); });
    if (!station.Modbus()->IsRunning() || !station.Mqtt()->IsConnected()) {
        std::printf("the plant interface did not start\n");
        return 1;
    }

    // Each tick's sending time, and what each region's readings were.
    std::vector<qint64> sentNs;
    std::map<int, std::vector<std::pair<double, size_t>>> readings;
    std::vector<double> registerMs;
    qint64 nReadings = 0;
    // The memory run keeps nothing of its own per reading.
    const bool bRecord = strMode != "memory";
    QObject::connect(&station, &RStation::ReadingStored, [&](const RStationReading& reading) {
        // After the map's own handler: the registers hold the reading now.
        const size_t nTick = size_t(nReadings++ / Regions);
        if (bRecord && nTick < sentNs.size()) {
            registerMs.push_back(double(s_clock.nsecsElapsed() - sentNs[nTick]) / 1e6);
            readings[reading.nId].push_back(
                {QString::number(reading.fDose, 'g', 7).toDouble(), nTick});
        }
    });
    const auto tick = [&] {
        if (bRecord)
            sentNs.push_back(s_clock.nsecsElapsed());
        server.Tick();
    };

    if (strMode == "all" || strMode == "latency") {
        Subscriber subscriber(broker.Port());
        bench::RunFor(2000);
        subscriber.Take();
        constexpr int Ticks = 50;
        for (int i = 0; i < Ticks; ++i) {
            tick();
            bench::RunFor(500);
        }
        bench::RunFor(2000);
        // The first message of each region with each reading's dose, in order.
        std::map<int, std::vector<Subscriber::Message>> byRegion;
        for (const Subscriber::Message& message : subscriber.Take())
            byRegion[message.nId].push_back(message);
        std::vector<double> mqttMs;
        qint64 nMissing = 0;
        for (const auto& [nId, list] : readings) {
            const std::vector<Subscriber::Message>& got = byRegion[nId];
            size_t nAt = 0;
            for (const auto& [dDose, nTick] : list) {
                while (nAt < got.size() && got[nAt].dDose != dDose)
                    ++nAt;
                if (nAt == got.size()) {
                    ++nMissing;
                    nAt = 0;
                    continue;
                }
                mqttMs.push_back(double(got[nAt].nNs - sentNs[nTick]) / 1e6);
            }
        }
        std::printf(
            "%d regions, %zu readings in %d ticks of 500 ms\n", Regions, registerMs.size(), Ticks);
        std::printf("frame sent -> Modbus registers: p50 %.2f ms, p99 %.2f ms, worst %.2f ms\n",
            bench::percentile(registerMs, 0.5), bench::percentile(registerMs, 0.99),
            bench::percentile(registerMs, 1.0));
        std::printf("frame sent -> MQTT message at a subscriber: p50 %.2f ms, p99 %.2f ms, worst "
                    "%.2f ms (%zu matched, %lld not seen)\n",
            bench::percentile(mqttMs, 0.5), bench::percentile(mqttMs, 0.99),
            bench::percentile(mqttMs, 1.0), mqttMs.size(), nMissing);
    }

    if (strMode == "all" || strMode == "clients") {
        // At the devices' rate: a tick every 2 s.
        QTimer ticker;
        ticker.setInterval(2000);
        QObject::connect(&ticker, &QTimer::timeout, tick);
        ticker.start();
        const auto share = [&](int nMs) {
            const qint64 nCpu = bench::threadCpuNs();
            const qint64 nWall = s_clock.nsecsElapsed();
            bench::RunFor(nMs);
            return double(bench::threadCpuNs() - nCpu) / double(s_clock.nsecsElapsed() - nWall);
        };
        bench::RunFor(2000);
        const double dAlone = share(20000);
        QThread thread;
        Pollers pollers(config.modbus.nPort, station.Modbus()->Map().InputRegisters().size());
        pollers.moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(&pollers, [&] { pollers.Start(); });
        bench::RunFor(3000);
        const qint64 nRequests = pollers.Requests();
        const double dPolled = share(20000);
        const qint64 nServed = pollers.Requests() - nRequests;
        std::printf("GUI thread at a reading every 2 s: %.2f %% of a core without Modbus clients, "
                    "%.2f %% with %d clients reading the whole map (%d registers) 10 times a "
                    "second (%lld requests in 20 s, %d connected): %.2f %% more\n",
            100 * dAlone, 100 * dPolled, Clients,
            int(station.Modbus()->Map().InputRegisters().size()), nServed,
            station.Modbus()->ClientCount(), 100 * (dPolled - dAlone));
        QMetaObject::invokeMethod(&pollers, [&] {
            // The sockets and timers go on their own thread.
            qDeleteAll(pollers.children());
            thread.quit();
        });
        thread.wait();
        ticker.stop();
    }

    if (strMode == "memory") {
        QTimer ticker;
        ticker.setInterval(500);
        QObject::connect(&ticker, &QTimer::timeout, tick);
        ticker.start();
        bench::RunFor(10000);
        // "healthy": the same run with the broker answering, for comparison.
        if (strBroker == "stalled")
            ::kill(pid_t(broker.ProcessId()), SIGSTOP);
        else if (strBroker == "stopped")
            broker.Stop();
        std::printf("broker %s; a tick of 255 readings every 500 ms\n", qPrintable(strBroker));
        const qint64 nStartKb = bench::ResidentKb();
        for (int nAt = 0; nAt <= nSeconds; nAt += 30) {
            std::printf("  %4d s: %lld kB resident, %s\n", nAt, bench::ResidentKb(),
                qPrintable(station.Mqtt()->Status()));
            std::fflush(stdout);
            if (nAt < nSeconds)
                bench::RunFor(30000);
        }
        std::printf("growth over %d s: %lld kB\n", nSeconds, bench::ResidentKb() - nStartKb);
        if (strBroker == "stalled")
            ::kill(pid_t(broker.ProcessId()), SIGCONT);
        ticker.stop();
    }
    station.Stop(QStringLiteral("exit"));
    return 0;
}
