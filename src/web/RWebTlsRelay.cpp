#include "web/RWebTlsRelay.h"

#include "message/PLogRecord.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <memory>

namespace {

// Bytes that may wait in either direction of one connection.
constexpr qint64 Chunk = 64 * 1024;

QString addressText(const QHostAddress& address)
{
    bool bV4 = false;
    const quint32 nV4 = address.toIPv4Address(&bV4);
    return bV4 ? QHostAddress(nV4).toString() : address.toString();
}

} // namespace

struct RWebTlsRelay::Pair
{
    QSslSocket* pClient = nullptr;
    QTcpSocket* pInner = nullptr;
    quint16 nInnerPort = 0; // the inner connection's own port once connected
    bool bInnerUp = false;
    bool bInnerDone = false; // the server has sent all it will
    bool bFinished = false;
};

RWebTlsRelay::RWebTlsRelay(const Settings& settings)
    : m_settings(settings)
{
}

bool RWebTlsRelay::Listen(QString* pError)
{
    if (listen(m_settings.address, m_settings.nPort))
        return true;
    *pError = errorString();
    return false;
}

void RWebTlsRelay::Shutdown()
{
    close();
    // Silenced first: a socket's end must not reach its partner, deleted
    // alongside it.
    const QList<QAbstractSocket*> sockets = findChildren<QAbstractSocket*>();
    for (QAbstractSocket* pSocket : sockets)
        pSocket->disconnect();
    qDeleteAll(sockets);
    QMutexLocker lock(&m_mutex);
    m_peers.clear();
    m_nPairs = 0;
}

bool RWebTlsRelay::PeerOf(quint16 nInnerLocalPort, QString* pPeer) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_peers.constFind(nInnerLocalPort);
    if (it == m_peers.constEnd())
        return false;
    *pPeer = *it;
    return true;
}

int RWebTlsRelay::Connections() const
{
    QMutexLocker lock(&m_mutex);
    return m_nPairs;
}

void RWebTlsRelay::incomingConnection(qintptr nDescriptor)
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_nPairs >= m_settings.nMaxConnections) {
            lock.unlock();
            QTcpSocket refused;
            refused.setSocketDescriptor(nDescriptor);
            refused.abort();
            Log(LogLevel::Warning, "web view: HTTPS connection refused, %d already open\n",
                m_settings.nMaxConnections);
            return;
        }
        ++m_nPairs;
    }
    auto pair = std::make_shared<Pair>();
    pair->pClient = new QSslSocket(this);
    pair->pInner = new QTcpSocket(this);
    QSslSocket* pClient = pair->pClient;
    QTcpSocket* pInner = pair->pInner;
    if (!pClient->setSocketDescriptor(nDescriptor)) {
        Close(pair.get());
        return;
    }
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setLocalCertificateChain(m_settings.chain);
    ssl.setPrivateKey(m_settings.key);
    ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
    ssl.setProtocol(QSsl::TlsV1_2OrLater);
    pClient->setSslConfiguration(ssl);
    pClient->setReadBufferSize(Chunk);
    pInner->setReadBufferSize(Chunk);

    connect(pClient, &QSslSocket::encrypted, pInner,
        [pInner, this] { pInner->connectToHost(QHostAddress::LocalHost, m_settings.nInnerPort); });
    connect(pInner, &QTcpSocket::connected, this, [this, pair] {
        pair->bInnerUp = true;
        pair->nInnerPort = pair->pInner->localPort();
        {
            QMutexLocker lock(&m_mutex);
            m_peers.insert(pair->nInnerPort, addressText(pair->pClient->peerAddress()));
        }
        Pump(pair.get());
    });
    const auto pump = [this, pair] { Pump(pair.get()); };
    connect(pClient, &QSslSocket::readyRead, this, pump);
    connect(pClient, &QSslSocket::bytesWritten, this, pump);
    connect(pClient, &QSslSocket::encryptedBytesWritten, this, pump);
    connect(pInner, &QTcpSocket::readyRead, this, pump);
    connect(pInner, &QTcpSocket::bytesWritten, this, pump);
    // The server has answered and closed: the rest goes to the viewer, who
    // has the grace time to take it.
    const auto innerDone = [this, pair] {
        if (pair->bFinished || pair->bInnerDone)
            return;
        pair->bInnerDone = true;
        Pump(pair.get());
        QSslSocket* pViewer = pair->pClient;
        pViewer->disconnectFromHost();
        if (pViewer->state() != QAbstractSocket::UnconnectedState)
            QTimer::singleShot(m_settings.nGraceMs, pViewer, [pViewer] { pViewer->abort(); });
    };
    connect(pInner, &QTcpSocket::readChannelFinished, this, innerDone);
    connect(pInner, &QTcpSocket::disconnected, this, innerDone);
    connect(pInner, &QTcpSocket::errorOccurred, this, [this, pair](QAbstractSocket::SocketError e) {
        // Refused or reset: the viewer gets nothing more.
        if (e != QAbstractSocket::RemoteHostClosedError)
            Close(pair.get());
    });
    connect(pClient, &QSslSocket::disconnected, this, [this, pair] { Close(pair.get()); });
    connect(pClient, &QSslSocket::errorOccurred, this,
        [this, pair](QAbstractSocket::SocketError) { Close(pair.get()); });
    // A handshake that does not finish in time holds a connection for nothing.
    QTimer::singleShot(m_settings.nGraceMs, pClient, [pClient] {
        if (!pClient->isEncrypted())
            pClient->abort();
    });
    pClient->startServerEncryption();
}

void RWebTlsRelay::Pump(Pair* pPair)
{
    if (pPair->bFinished)
        return;
    QSslSocket* pClient = pPair->pClient;
    QTcpSocket* pInner = pPair->pInner;
    while (pPair->bInnerUp && !pPair->bInnerDone && pClient->bytesAvailable() > 0
        && pInner->bytesToWrite() < Chunk)
        pInner->write(pClient->read(Chunk - pInner->bytesToWrite()));
    // Once the server is done, its last bytes (at most a chunk) go whatever
    // the viewer still holds.
    while (pInner->bytesAvailable() > 0
        && (pPair->bInnerDone
            || pClient->bytesToWrite() + pClient->encryptedBytesToWrite() < Chunk))
        pClient->write(pInner->read(Chunk));
}

void RWebTlsRelay::Close(Pair* pPair)
{
    if (pPair->bFinished)
        return;
    pPair->bFinished = true;
    {
        QMutexLocker lock(&m_mutex);
        if (pPair->nInnerPort)
            m_peers.remove(pPair->nInnerPort);
        --m_nPairs;
    }
    pPair->pClient->disconnect(this);
    pPair->pInner->disconnect(this);
    pPair->pClient->abort();
    pPair->pInner->abort();
    pPair->pClient->deleteLater();
    pPair->pInner->deleteLater();
}
