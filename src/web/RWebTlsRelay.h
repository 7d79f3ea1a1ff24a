#pragma once

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

class QSslSocket;
class QTcpSocket;

// The worker of the web view's TLS front, on the front's thread: takes the
// encrypted connections and passes each one's bytes, decrypted, to the HTTP
// server's inner port, and its answers back. At most Chunk bytes wait on
// either side: a viewer that stops reading stops its own answers at the
// server, which drops it by its own time-out, and the front then drops the
// viewer.
class RWebTlsRelay final : public QTcpServer
{
    Q_OBJECT
public:
    struct Settings
    {
        QHostAddress address;
        quint16 nPort = 0;
        QList<QSslCertificate> chain; // the station's certificate first
        QSslKey key;
        quint16 nInnerPort = 0;
        int nMaxConnections = 0;
        // A viewer must finish the handshake, and take the last of its
        // answers after the server closed, within this.
        int nGraceMs = 5000;
    };

    explicit RWebTlsRelay(const Settings& settings);

    // On the relay's thread.
    bool Listen(QString* pError);
    void Shutdown();

    // Any thread: the viewer behind the server's connection from
    // nInnerLocalPort, as an address; false when none is.
    bool PeerOf(quint16 nInnerLocalPort, QString* pPeer) const;
    int Connections() const;

protected:
    void incomingConnection(qintptr nDescriptor) override;

private:
    Q_DISABLE_COPY(RWebTlsRelay)
    struct Pair;

    void Pump(Pair* pPair);
    void Close(Pair* pPair);

    Settings m_settings;
    mutable QMutex m_mutex; // m_peers and m_nPairs
    QHash<quint16, QString> m_peers;
    int m_nPairs = 0;
};
