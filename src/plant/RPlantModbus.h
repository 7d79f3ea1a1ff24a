#pragma once

#include "plant/RPlantMap.h"

#include <QObject>
#include <QStringList>

class QHostAddress;
class RPlantModbusServer;
class QTimer;
class RStation;
class SClock;

// The Modbus TCP server of the plant's control system, on the GUI thread's
// event loop: it serves the register map read-only (every write is refused
// with "illegal function"), keeps it from the station's signals and steps
// its heartbeat every second. Off until Start().
class RPlantModbus final : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        QString strAddress = QStringLiteral("127.0.0.1");
        int nPort = 1502;
        // Client addresses that may connect; empty: any.
        QStringList allowed;
        int nBase = RPlantMap::DefaultBase;
        RPlantMap::WordOrder eOrder = RPlantMap::WordOrder::HighFirst;
    };
    // Connections beyond this are closed at once: a peer opening hundreds
    // must not take the station's descriptors.
    static constexpr int MaxClients = 64;
    // Answers a client has not read, beyond which it is dropped.
    static constexpr qint64 MaxUnreadBytes = 64 * 1024;

    explicit RPlantModbus(SClock* pClock = nullptr, QObject* pParent = nullptr);
    ~RPlantModbus() override;

    // Takes the station's state now and follows its signals from here.
    void Attach(RStation* pStation);
    // The whole state at once (Attach takes the station's snapshot).
    void Reset(const RStationSnapshot& snapshot);
    // One heartbeat: the counter steps and the ages move on (every second).
    void Beat();
    // Listens; false with the reason in pError (the port taken, say).
    bool Start(const Settings& settings, QString* pError);
    void Stop();
    bool IsRunning() const;
    int ClientCount() const { return m_nClients; }
    const RPlantMap& Map() const { return m_map; }

signals:
    void ClientsChanged(int nClients);

private:
    Q_DISABLE_COPY(RPlantModbus)
    void Publish();
    void PublishRegion(int nPosition);
    void OnClientGone();
    bool Accept(const QHostAddress& peer);

    SClock* m_pClock;
    RStation* m_pStation = nullptr;
    RPlantModbusServer* m_pServer = nullptr;
    QTimer* m_pHeartbeat;
    RPlantMap m_map;
    RStationSnapshot m_snapshot;
    Settings m_settings;
    int m_nClients = 0;
};
