#include "PSimIdServer.h"

#include "PSimFrames.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

namespace {

QByteArray request()
{
    QByteArray bytes(255, '\0');
    for (int i = 0; i < 255; ++i)
        bytes[i] = char(i + 1);
    return bytes;
}

} // namespace

PSimIdServer::PSimIdServer(QObject* pParent)
    : QObject(pParent)
    , m_pServer(new QTcpServer(this))
{
    connect(m_pServer, &QTcpServer::newConnection, this, &PSimIdServer::OnNewConnection);
}

bool PSimIdServer::Listen(quint16 nPort)
{
    if (!m_pServer->listen(QHostAddress::LocalHost, nPort))
        return false;
    m_nPort = m_pServer->serverPort();
    return true;
}

void PSimIdServer::OnNewConnection()
{
    while (QTcpSocket* pClient = m_pServer->nextPendingConnection()) {
        m_received.insert(pClient, QByteArray());
        connect(pClient, &QTcpSocket::disconnected, this, [this, pClient]() {
            m_received.remove(pClient);
            pClient->deleteLater();
        });
        connect(pClient, &QTcpSocket::readyRead, this, [this, pClient]() { OnData(pClient); });
    }
}

void PSimIdServer::OnData(QTcpSocket* pClient)
{
    QByteArray& got = m_received[pClient];
    got += pClient->readAll();
    static const QByteArray s_request = request();
    if (got.size() < s_request.size())
        return;
    const bool bValid = got.startsWith(s_request);
    got.clear();
    ++m_nQueries;
    if (!bValid) {
        std::printf("id query: malformed request\n");
        std::fflush(stdout);
        return;
    }
    if (m_bSilent)
        return;
    QByteArray reply;
    for (int nId : qAsConst(m_ids))
        reply += PSimFrames::IdRecord(nId);
    for (int i = 0; i < m_nExtra; ++i)
        reply += PSimFrames::IdRecord(i);
    pClient->write(reply);
    std::printf("id query answered with %d records\n", reply.size() / 4);
    std::fflush(stdout);
    emit Answered(reply.size() / 4);
}
