#pragma once

#include "algor/PDoseThreadInterface.h"
#include "algor/PHostLookup.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>
#include <QMap>

#include <memory>

class QTcpSocket;
class QTimer;
class RAdditionalDose;

// The link to the data server. Main thread: the socket, its timers, the
// name lookup and the database query for the server address; the worker of
// the base stores what ReadData() has read. Status texts go to the main
// window as the first (unit 0) or second (unit 1) status line; while not
// connected they say why, and the log gets one line each time that changes.
//
// With a standby server (the Unit_P = 1 row holds an address) the link
// fails over: a connection that fails, falls silent or brings no reading
// for the watchdog's time is replaced at once by one to the other server.
// A probe connection to the server not in use reads and drops its bytes,
// so only one server ever feeds the decoder; the link goes back to the
// main server once the probe has seen it healthy for the healthy time
// (doubled after each return that did not last, so it cannot flap). The
// first status line tells of the server in use, the second of the other.
class PDoseThread final : public PDoseThreadInterface
{
    Q_OBJECT
    Q_DISABLE_COPY(PDoseThread)
public:
    enum class State { Idle, LookingUp, Connecting, Connected, Waiting };
    // Why the link is not connected; None while connected or not yet known.
    enum class Reason {
        None,
        NoAddress,
        InvalidAddress,
        HostNotFound,
        LookupFailed,
        Refused,
        TimedOut,
        Closed,
        Silent,
        NoReadings, // bytes, but no reading in them (with a standby only)
        Other
    };

    explicit PDoseThread(QObject* pParent);
    ~PDoseThread() override;

    // Silence after data that counts as a lost connection (6000 ms), the
    // pause before a new attempt after a failure (1000 ms) and the time one
    // address may take to accept (30000 ms, as Qt's own limit).
    // The main server must be seen healthy for nHealthyMs (60000) before the
    // link goes back to it.
    void SetIntervals(int nWatchdogMs, int nRetryMs, int nConnectMs = 30000);
    void SetHealthyMs(int nHealthyMs) { m_nHealthyMs = m_nHealthyNeedMs = nHealthyMs; }
    // For tests: stands in for the system resolver.
    void SetResolver(PHostLookup::Resolver resolver);

    State LinkState() const { return m_state; }
    Reason LastReason() const { return m_reason; }

    void SetUnit(int nIndex) override { m_nUnit = nIndex; }
    int Unit() const { return m_nUnit; }

    // The 13-byte set-alarm-threshold command.
    static QByteArray ThresholdFrame(int nId, int nThreshold);

    bool IsLinkUp() const { return m_bLinkUp; }
    // 0: the main server is in use, 1: the standby.
    int ServerInUse() const { return m_nInUse; }
    bool HasStandby() const { return m_bStandby; }
    // Whether the probe sees the server not in use sending.
    bool IsOtherServerSending() const { return m_bProbeData; }
    // Threshold commands waiting for a connection (device id 0: all).
    int PendingThresholds() const { return m_pendingThresholds.size(); }

signals:
    // A connection to the data server was established, or an established
    // one was lost; failed attempts say nothing.
    void LinkChanged(bool bUp);
    // The link is connected to another server than before: nUnit's (0 main,
    // 1 standby), strWhy saying why it left the other.
    void ServerSwitched(int nUnit, const QString& strWhy);

public slots:
    void DisConnect() override;
    void RequestConnect() override;
    void SetThreshold(int nId, int nThreshold) override;
    void Start() override;
    void ReadData() override;
    void DisplayError(QAbstractSocket::SocketError socketError);
    void StateChanged(QAbstractSocket::SocketState socketState);
    // A reading was decoded from the server in use: with a standby, bytes
    // that bring none for the watchdog's time count as a failure.
    void NoteReading();

private:
    void SendPendingThresholds();
    void ShowStatus(const char* pText);
    void OnLookupFinished(const PHostLookup::Result& result);
    void ConnectToAddress();
    void OnConnectTimeout();
    void OnSilence();
    // A failed address: the next one of the name, or the whole attempt fails.
    void NextAddressOrFail(Reason reason, const QString& strOther = QString());
    // Ends the attempt; with bRetry a new one follows after the pause.
    void Fail(Reason reason, bool bRetry, const QString& strOther = QString());
    // Shows and logs the reason when it differs from the last one.
    void Report(Reason reason, const QString& strOther = QString());
    // Failover: whether a standby is set (read with each attempt), the move
    // to the other server, and the probe of the server not in use.
    void ReadStandby();
    void SwitchTo(int nUnit, const QString& strWhy);
    void StartProbe();
    void StopProbe();
    void OnProbeLost();
    void OnHealthy();
    void ShowSecondStatus();

    QTcpSocket* m_pSocket;
    QTimer* m_pWatchdog;
    int m_nUnit = 0;
    // No parent: the decoder refers to it until the base stops it.
    std::unique_ptr<RAdditionalDose> m_pAdditionalDose;
    QTimer* m_pRetry;
    bool m_bEchoConnected = false;
    bool m_bLinkUp = false;
    PHostLookup* m_pLookup;
    QTimer* m_pConnectTimeout;
    State m_state = State::Idle;
    Reason m_reason = Reason::None;
    QString m_strOther; // the socket's own text for Reason::Other
    QString m_strHost;
    quint16 m_nPort = 0;
    QList<QHostAddress> m_addresses; // of m_strHost, tried in turn
    int m_nAddress = 0;
    // Counts attempts, so a deferred step of an abandoned one does nothing.
    quint64 m_nAttempt = 0;
    // Device id to threshold (µRad/h), sent when the link is up again: a
    // command is never dropped for want of a connection.
    QMap<int, int> m_pendingThresholds;

    bool m_bStandby = false;
    bool m_bSecondShown = false;
    int m_nInUse = 0;
    QTcpSocket* m_pProbe;
    QTimer* m_pProbeRetry;
    QTimer* m_pProbeWatchdog;
    QTimer* m_pHealthy;
    QTimer* m_pNoReading;
    QTimer* m_pStayed;
    bool m_bProbeData = false;
    int m_nHealthyMs = 60000;
    // The healthy time asked for now: doubled after a return that failed
    // within it, back to m_nHealthyMs once one lasted.
    int m_nHealthyNeedMs = 60000;
    // The server last connected to, and why the attempts left it.
    int m_nLastConnected = 0;
    QString m_strSwitchWhy;
};
