#pragma once

#include "algor/PDoseThreadInterface.h"

#include <QAbstractSocket>

#include <memory>

class QTcpSocket;
class QTimer;
class RAdditionalDose;

// The link to the data server. Main thread: the socket, its timers and the
// database query for the server address; the worker of the base stores what
// ReadData() has read. Status texts go to the main window as the first
// (unit 0) or second (unit 1) status line.
class PDoseThread final : public PDoseThreadInterface
{
    Q_OBJECT
    Q_DISABLE_COPY(PDoseThread)
public:
    explicit PDoseThread(QObject* pParent);
    ~PDoseThread() override;

    // Silence after data that counts as a lost connection (6000 ms) and the
    // pause before a new attempt after a failure (1000 ms).
    void SetIntervals(int nWatchdogMs, int nRetryMs);

    void SetUnit(int nIndex) override { m_nUnit = nIndex; }
    int Unit() const { return m_nUnit; }

    // The 13-byte set-alarm-threshold command.
    static QByteArray ThresholdFrame(int nId, int nThreshold);

    bool IsLinkUp() const { return m_bLinkUp; }

signals:
    // A connection to the data server was established, or an established
    // one was lost; failed attempts say nothing.
    void LinkChanged(bool bUp);

public slots:
    void DisConnect() override;
    void RequestConnect() override;
    void SetThreshold(int nId, int nThreshold) override;
    void Start() override;
    void ReadData() override;
    void DisplayError(QAbstractSocket::SocketError socketError);
    void StateChanged(QAbstractSocket::SocketState socketState);

private:
    void ShowStatus(const char* pText);

    QTcpSocket* m_pSocket;
    QTimer* m_pWatchdog;
    int m_nUnit = 0;
    // No parent: the decoder refers to it until the base stops it.
    std::unique_ptr<RAdditionalDose> m_pAdditionalDose;
    QTimer* m_pRetry;
    bool m_bEchoConnected = false;
    bool m_bLinkUp = false;
};
