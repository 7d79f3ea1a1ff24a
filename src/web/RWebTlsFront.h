#pragma once

#include <QObject>
#include <QString>

class QThread;
class RWebTlsRelay;

// HTTPS for the web view. This system's HTTP library cannot use the system's
// OpenSSL, so the front ends TLS itself (Qt's, on a thread of its own) and
// hands the decrypted bytes to the HTTP server on a loopback port that only
// the front uses. The server asks the front who is behind each of that
// port's connections: the viewer's address for the trail, and the proof
// that the request came encrypted.
class RWebTlsFront final : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        QString strAddress;
        int nPort = 0;
        QString strCertFile; // PEM: the certificate, then its chain
        QString strKeyFile; // PEM, without a passphrase
        int nInnerPort = 0;
        int nMaxConnections = 0;
        int nGraceMs = 5000;
    };

    explicit RWebTlsFront(QObject* pParent = nullptr);
    ~RWebTlsFront() override;

    // GUI thread. Reads the certificate and key and listens; false with
    // the reason when either fails.
    bool Start(const Settings& settings, QString* pError);
    void Stop();
    bool IsRunning() const { return m_pRelay != nullptr; }

    // Any thread while running.
    bool PeerOf(quint16 nInnerLocalPort, QString* pPeer) const;
    int Connections() const;

private:
    Q_DISABLE_COPY(RWebTlsFront)

    QThread* m_pThread = nullptr;
    RWebTlsRelay* m_pRelay = nullptr;
};
