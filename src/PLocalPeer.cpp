#include "PLocalPeer.h"

#include "message/PLogRecord.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

PLocalPeer::PLocalPeer(QObject* parent, const QString& appId)
    : QObject(parent)
    , m_strId(appId.isEmpty() ? QCoreApplication::applicationFilePath() : appId)
    , m_strSocketName(SocketNameFor(m_strId))
    , m_pServer(new QLocalServer(this))
{
    // Only this user may connect: a message from another account must not
    // reach the running instance.
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    m_lockFile.setFileName(QDir(QDir::tempPath()).absolutePath() + QLatin1Char('/')
        + m_strSocketName + QLatin1String("-lockfile"));
    m_lockFile.open(QIODevice::ReadWrite);
}

QString PLocalPeer::SocketNameFor(const QString& appId)
{
    const QByteArray id = appId.toUtf8();
    return QLatin1String("TALMERIC-SYS-")
        + QString::number(qChecksum(id.constData(), static_cast<uint>(id.size())), 16)
        + QLatin1Char('-') + QString::number(static_cast<qulonglong>(::getuid()), 16);
}

bool PLocalPeer::IsClient()
{
    if (m_lockFile.IsLocked())
        return false;
    if (!m_lockFile.Lock(PLockedFile::WriteLock, false))
        return true;

    if (!QLocalServer::removeServer(m_strSocketName))
        Log(LogLevel::Warning, "PLocalPeer::IsClient(): could not cleanup socket\n");
    if (!m_pServer->listen(m_strSocketName)) {
        Log(LogLevel::Warning, "PLocalPeer::IsClient(): listen on local socket failed, %s\n",
            m_pServer->errorString().toLocal8Bit().constData());
    }
    connect(m_pServer, &QLocalServer::newConnection, this, &PLocalPeer::ReceiveConnection);
    return false;
}

bool PLocalPeer::SendMessage(const QString& strMsg, int nTimeout)
{
    if (!IsClient())
        return false;

    QLocalSocket socket;
    bool bConnected = false;
    for (int nAttempt = 0; nAttempt < 2; ++nAttempt) {
        socket.connectToServer(m_strSocketName, QIODevice::ReadWrite);
        bConnected = socket.waitForConnected(nTimeout / 2);
        if (bConnected || nAttempt == 1)
            break;
        QThread::msleep(250);
    }
    if (!bConnected)
        return false;

    const QByteArray bytes = strMsg.toUtf8();
    QDataStream stream(&socket);
    stream.writeBytes(bytes.constData(), static_cast<uint>(bytes.size()));
    bool bResult = socket.waitForBytesWritten(nTimeout);
    bResult &= socket.waitForReadyRead(nTimeout);
    bResult &= socket.read(3) == "ACK";
    return bResult;
}

void PLocalPeer::ReceiveConnection()
{
    QLocalSocket* pSocket = m_pServer->nextPendingConnection();
    if (!pSocket)
        return;

    // A peer that stops sending must not hold the caller forever: every wait
    // below gives up when it fails.
    bool bFailed = false;
    while (pSocket->bytesAvailable() < static_cast<qint64>(sizeof(quint32))) {
        if (!pSocket->waitForReadyRead()) {
            bFailed = true;
            break;
        }
    }
    QByteArray buffer;
    if (!bFailed) {
        QDataStream stream(pSocket);
        quint32 nCount = 0;
        stream >> nCount;
        if (nCount > MaxMessageBytes) {
            bFailed = true;
        } else {
            buffer.resize(static_cast<int>(nCount));
            qint64 nGot = 0;
            while (nGot < nCount) {
                const qint64 nRead = pSocket->read(buffer.data() + nGot, nCount - nGot);
                if (nRead < 0) {
                    bFailed = true;
                    break;
                }
                nGot += nRead;
                if (nGot < nCount && !pSocket->waitForReadyRead(2000)) {
                    bFailed = true;
                    break;
                }
            }
        }
    }
    if (bFailed) {
        Log(LogLevel::Debug, "PLocalPeer: Message reception failed: %s\n",
            pSocket->errorString().toLocal8Bit().constData());
        delete pSocket;
        return;
    }

    const QString strMsg = QString::fromUtf8(buffer);
    pSocket->write("ACK", 3);
    pSocket->waitForBytesWritten(1000);
    delete pSocket;
    emit MessageReceived(strMsg);
}
