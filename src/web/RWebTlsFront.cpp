#include "web/RWebTlsFront.h"

#include "web/RWebTlsRelay.h"

#include <QFile>
#include <QThread>

namespace {

bool readKey(const QString& strFile, QSslKey* pKey, QString* pError)
{
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *pError
            = QStringLiteral("cannot read the key file %1: %2").arg(strFile, file.errorString());
        return false;
    }
    const QByteArray pem = file.read(1 << 20);
    for (const QSsl::KeyAlgorithm eAlgorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        const QSslKey key(pem, eAlgorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull()) {
            *pKey = key;
            return true;
        }
    }
    *pError = QStringLiteral("no private key in %1 (PEM, without a passphrase)").arg(strFile);
    return false;
}

} // namespace

RWebTlsFront::RWebTlsFront(QObject* pParent)
    : QObject(pParent)
{
}

RWebTlsFront::~RWebTlsFront()
{
    Stop();
}

bool RWebTlsFront::Start(const Settings& settings, QString* pError)
{
    Stop();
    RWebTlsRelay::Settings relay;
    relay.address = QHostAddress(settings.strAddress);
    relay.nPort = quint16(settings.nPort);
    relay.nInnerPort = quint16(settings.nInnerPort);
    relay.nMaxConnections = settings.nMaxConnections;
    relay.nGraceMs = settings.nGraceMs;
    if (!QFile::exists(settings.strCertFile)) {
        *pError = QStringLiteral("no certificate file %1").arg(settings.strCertFile);
        return false;
    }
    relay.chain = QSslCertificate::fromPath(settings.strCertFile, QSsl::Pem);
    if (relay.chain.isEmpty()) {
        *pError = QStringLiteral("no PEM certificate in %1").arg(settings.strCertFile);
        return false;
    }
    if (!readKey(settings.strKeyFile, &relay.key, pError))
        return false;
    if (relay.chain.first().publicKey().algorithm() != relay.key.algorithm()) {
        *pError = QStringLiteral("the key in %1 is not the certificate's").arg(settings.strKeyFile);
        return false;
    }

    m_pRelay = new RWebTlsRelay(relay);
    m_pThread = new QThread(this);
    m_pThread->setObjectName(QStringLiteral("web-tls"));
    m_pRelay->moveToThread(m_pThread);
    m_pThread->start();
    bool bListening = false;
    QString strError;
    QMetaObject::invokeMethod(
        m_pRelay, [this, &bListening, &strError] { bListening = m_pRelay->Listen(&strError); },
        Qt::BlockingQueuedConnection);
    if (!bListening) {
        Stop();
        *pError = QStringLiteral("cannot listen on %1 port %2: %3")
                      .arg(settings.strAddress)
                      .arg(settings.nPort)
                      .arg(strError);
        return false;
    }
    return true;
}

void RWebTlsFront::Stop()
{
    if (!m_pThread)
        return;
    QMetaObject::invokeMethod(
        m_pRelay, [this] { m_pRelay->Shutdown(); }, Qt::BlockingQueuedConnection);
    m_pThread->quit();
    m_pThread->wait();
    delete m_pRelay;
    m_pRelay = nullptr;
    delete m_pThread;
    m_pThread = nullptr;
}

bool RWebTlsFront::PeerOf(quint16 nInnerLocalPort, QString* pPeer) const
{
    return m_pRelay && m_pRelay->PeerOf(nInnerLocalPort, pPeer);
}

int RWebTlsFront::Connections() const
{
    return m_pRelay ? m_pRelay->Connections() : 0;
}
