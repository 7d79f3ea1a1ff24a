#include "plant/RPlantModbus.h"

#include "plant/RPlantModbusServer.h"

#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "station/RStation.h"

#include <QHostAddress>
#include <QModbusTcpConnectionObserver>
#include <QModbusTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int HeartbeatMs = 1000;

class Gate final : public QModbusTcpConnectionObserver
{
public:
    explicit Gate(std::function<bool(const QHostAddress&)> accept)
        : m_accept(std::move(accept))
    {
    }
    bool acceptNewConnection(QTcpSocket* pClient) override
    {
        if (!m_accept(pClient->peerAddress()))
            return false;
        // A peer that asks and never reads would have its answers pile up in
        // the station's memory: past a bound it is dropped. Before the
        // server's own handler of the request, and not inside it.
        QObject::connect(pClient, &QTcpSocket::readyRead, pClient, [pClient] {
            if (pClient->bytesToWrite() > RPlantModbus::MaxUnreadBytes) {
                Log(LogLevel::Warning,
                    "plant interface: Modbus client %s dropped: it does not read its answers\n",
                    pClient->peerAddress().toString().toUtf8().constData());
                QTimer::singleShot(0, pClient, [pClient] { pClient->abort(); });
            }
        });
        return true;
    }

private:
    std::function<bool(const QHostAddress&)> m_accept;
};

} // namespace

RPlantModbus::RPlantModbus(SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pHeartbeat(new QTimer(this))
{
    m_pHeartbeat->setInterval(HeartbeatMs);
    connect(m_pHeartbeat, &QTimer::timeout, this, &RPlantModbus::Beat);
}

RPlantModbus::~RPlantModbus()
{
    Stop();
}

void RPlantModbus::Beat()
{
    m_map.Tick(m_pClock->Now());
    Publish();
}

void RPlantModbus::Reset(const RStationSnapshot& snapshot)
{
    m_snapshot = snapshot;
    m_map.Reset(snapshot);
    Publish();
}

void RPlantModbus::Attach(RStation* pStation)
{
    m_pStation = pStation;
    Reset(pStation->Snapshot());
    connect(pStation, &RStation::ReadingStored, this, [this](const RStationReading& reading) {
        PublishRegion(m_map.SetReading(reading.nId, reading.fDose, reading.time));
    });
    connect(pStation, &RStation::AlarmStateChanged, this,
        [this](int, const RStationRegion& region) { PublishRegion(m_map.SetRegion(region)); });
    connect(pStation, &RStation::LinkChanged, this, [this](bool bUp) {
        m_map.SetLink(bUp);
        Publish();
    });
    connect(pStation, &RStation::StorageChanged, this, [this](const QString& strProblem) {
        m_map.SetStorageFault(!strProblem.isEmpty());
        Publish();
    });
    connect(pStation, &RStation::FloodChanged, this, [this](bool bFlood, int) {
        m_map.SetFlood(bFlood);
        Publish();
    });
}

bool RPlantModbus::Accept(const QHostAddress& peer)
{
    const QByteArray name = peer.toString().toUtf8();
    if (m_nClients >= MaxClients) {
        Log(LogLevel::Warning, "plant interface: Modbus client %s refused, %d connected\n",
            name.constData(), m_nClients);
        return false;
    }
    // An IPv4 peer on a dual-stack socket comes as ::ffff:a.b.c.d.
    const bool bAllowed = m_settings.allowed.isEmpty()
        || std::any_of(m_settings.allowed.cbegin(), m_settings.allowed.cend(),
            [&peer](const QString& strAllowed) {
                return QHostAddress(strAllowed).isEqual(peer, QHostAddress::ConvertV4MappedToIPv4);
            });
    if (!bAllowed) {
        Log(LogLevel::Warning, "plant interface: Modbus client %s is not allowed\n",
            name.constData());
        return false;
    }
    ++m_nClients;
    emit ClientsChanged(m_nClients);
    return true;
}

void RPlantModbus::OnClientGone()
{
    m_nClients = qMax(0, m_nClients - 1);
    emit ClientsChanged(m_nClients);
}

bool RPlantModbus::Start(const Settings& settings, QString* pError)
{
    Stop();
    m_settings = settings;
    if (m_pStation)
        m_snapshot = m_pStation->Snapshot();
    m_map = RPlantMap(settings.nBase, settings.eOrder);
    m_map.Reset(m_snapshot);
    m_map.Tick(m_pClock->Now());
    m_pServer = new RPlantModbusServer(this);
    // Any unit id: a TCP peer addresses this station by its address.
    m_pServer->setServerAddress(1);
    m_pServer->setConnectionParameter(QModbusDevice::NetworkAddressParameter, settings.strAddress);
    m_pServer->setConnectionParameter(QModbusDevice::NetworkPortParameter, settings.nPort);
    m_pServer->installConnectionObserver(
        new Gate([this](const QHostAddress& peer) { return Accept(peer); }));
    connect(
        m_pServer, &QModbusTcpServer::modbusClientDisconnected, this, &RPlantModbus::OnClientGone);
    Publish();
    if (!m_pServer->connectDevice()) {
        *pError = m_pServer->errorString();
        delete m_pServer;
        m_pServer = nullptr;
        return false;
    }
    m_pHeartbeat->start();
    emit ClientsChanged(0);
    Log(LogLevel::Notice, "plant interface: Modbus TCP on %s port %d\n",
        settings.strAddress.toUtf8().constData(), settings.nPort);
    return true;
}

void RPlantModbus::Stop()
{
    m_pHeartbeat->stop();
    if (!m_pServer)
        return;
    m_pServer->disconnectDevice();
    delete m_pServer;
    m_pServer = nullptr;
    m_nClients = 0;
    emit ClientsChanged(0);
}

bool RPlantModbus::IsRunning() const
{
    return m_pServer && m_pServer->state() == QModbusDevice::ConnectedState;
}

void RPlantModbus::PublishRegion(int nPosition)
{
    // One region's words, not the map: a reading must not cost a rewrite
    // of every register.
    if (m_pServer)
        m_pServer->LoadRegion(m_map, nPosition);
}

void RPlantModbus::Publish()
{
    if (m_pServer)
        m_pServer->Load(m_map);
}
