#include "algor/RAdditionalDose.h"

#include <QTcpSocket>

RAdditionalDose::RAdditionalDose()
    : QObject(nullptr)
{
}

QByteArray RAdditionalDose::EchoFrame(int id, int index, int tip)
{
    QByteArray frame(12, '\0');
    const quint32 nIndex = quint32(index);
    frame[0] = char(0xA4);
    frame[1] = char(0x09); // frame length - 3
    frame[2] = char(nIndex >> 24);
    frame[3] = char((nIndex >> 16) & 0xFF);
    frame[4] = char((nIndex >> 8) & 0xFF);
    frame[5] = char(nIndex & 0xFF);
    frame[6] = char(0xFF);
    frame[7] = char(0x21);
    frame[8] = char(id & 0xFF);
    frame[9] = char(tip & 0xFF);
    frame[10] = char(frame[7] ^ frame[8] ^ frame[9]);
    char nSum = 0;
    for (int i = 2; i <= 10; ++i)
        nSum ^= frame[i];
    frame[11] = nSum;
    return frame;
}

void RAdditionalDose::EchoTargeDose(int id, int index, int tip)
{
    // An echo for a closed socket is lost; the server does not ask again.
    if (m_pSocket && m_pSocket->state() == QAbstractSocket::ConnectedState)
        m_pSocket->write(EchoFrame(id, index, tip));
}

void RAdditionalDose::SetSocket(QTcpSocket* pSocket)
{
    m_pSocket = pSocket;
}
