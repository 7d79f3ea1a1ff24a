#pragma once

#include "PSimFrames.h"

#include <QObject>
#include <QVector>

class QTcpServer;
class QTcpSocket;
class QTimer;

// How one simulated area monitor's raw reading moves from tick to tick.
struct PSimRegion
{
    enum Profile { Steady, Noisy, Ramp, Burst, Silent, Alternate };
    int nId = 0;
    Profile eProfile = Steady;
    quint32 nBase = 1000; // raw 24-bit value

    // The raw value for tick nTick; Silent regions are never asked.
    quint32 Value(quint64 nTick) const;

    // "id[:profile[:base]]", profile one of steady, noisy, ramp, burst, silent.
    static bool Parse(const QString& strItem, PSimRegion* pRegion);
};

// The data server's side of the link: listens on 127.0.0.1 only, sends frames
// to every connected client and records the commands they send back.
class PSimDataServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PSimDataServer)
public:
    struct Threshold
    {
        int nId;
        int nWord; // threshold / 100 as sent
    };
    struct Echo
    {
        quint32 nIndex;
        int nId;
        int nTip;
    };

    explicit PSimDataServer(QObject* pParent = nullptr);
    ~PSimDataServer() override;

    // nPort 0 picks a free port; a later Listen(0) after Refuse(true) reuses it.
    bool Listen(quint16 nPort = 0);
    quint16 Port() const { return m_nPort; }
    int ClientCount() const { return m_clients.size(); }

    void SetRegions(const QVector<PSimRegion>& regions) { m_regions = regions; }
    void SetInterval(int nMs);
    // Every nTicks ticks also send one frame of each other kind (0: never).
    void SetExtrasEvery(int nTicks) { m_nExtrasEvery = nTicks; }
    // Patrol rounds: every nTicks ticks the next staff member (in turn) walks
    // on to the next room of his round and his dosimeter sends a routing
    // frame stamped now. Each member starts at a different room.
    void SetPatrol(const QVector<int>& staff, const QVector<int>& rooms, int nTicks);
    // The routing frame of the next patrol step.
    QByteArray PatrolStep();
    void StartTicks();
    void StopTicks();
    // One period's frames, now, in one write.
    void Tick();

    // Sends bytes to every client in a single write.
    void Send(const QByteArray& bytes);
    // The first nSplitAt bytes now, the rest nDelayMs later.
    void SendSplit(const QByteArray& frame, int nSplitAt, int nDelayMs);
    void SendGarbage(int nCount);
    void SendExtras();

    // Faults.
    void SetStalled(bool bStalled) { m_bStalled = bStalled; }
    bool IsStalled() const { return m_bStalled; }
    void DropClients();
    // Stops listening so that connections are refused; false listens again.
    bool Refuse(bool bRefuse);

    QVector<Threshold> Thresholds() const { return m_thresholds; }
    QVector<Echo> Echoes() const { return m_echoes; }
    int JunkBytes() const { return m_nJunkBytes; }
    quint64 TickCount() const { return m_nTick; }

signals:
    void ClientConnected();
    void ClientDropped();
    void ThresholdReceived(int nId, int nWord);
    void EchoReceived(quint32 nIndex, int nId, int nTip);

private:
    void OnNewConnection();
    void OnClientData(QTcpSocket* pClient);

    QTcpServer* m_pServer;
    QTimer* m_pTimer;
    QVector<QTcpSocket*> m_clients;
    QVector<QByteArray> m_pending; // per client, parallel to m_clients
    QVector<PSimRegion> m_regions;
    QVector<Threshold> m_thresholds;
    QVector<Echo> m_echoes;
    quint16 m_nPort = 0;
    quint64 m_nTick = 0;
    int m_nExtrasEvery = 0;
    QVector<int> m_patrolStaff;
    QVector<int> m_patrolRooms;
    int m_nPatrolEvery = 0;
    quint64 m_nPatrolSteps = 0;
    int m_nJunkBytes = 0;
    quint8 m_nCounter = 0;
    bool m_bStalled = false;
};
