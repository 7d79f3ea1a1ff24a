#pragma once

#include <QObject>
#include <QPointer>

class QTcpSocket;

// Answers every accepted target-dose frame with a 12-byte echo on the link's
// socket. Lives on the main thread; the decoder reaches it through a queued
// connection.
class RAdditionalDose final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RAdditionalDose)
public:
    RAdditionalDose();

    // Not owned: the link's socket.
    void SetSocket(QTcpSocket* pSocket);

    // The echo frame for one target-dose frame.
    static QByteArray EchoFrame(int id, int index, int tip);

signals:
    void StartTime();

public slots:
    // id = the frame's byte 6, index = its bytes 2..5, tip = its byte 10.
    void EchoTargeDose(int id, int index, int tip);

private:
    QPointer<QTcpSocket> m_pSocket;
};
