#include "algor/PSocketGetId.h"

#include "message/SBus.h"
#include "message/SMessage.h"

#include <QSignalBlocker>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr int RECORD_SIZE = 4;
constexpr int READ_CHUNK = 600;
constexpr int ADDRESS_SIZE = 32; // the holder's NUL-padded text item

} // namespace

PSocketGetId::PSocketGetId(QObject* pParent)
    : QObject(pParent)
    , m_pSocket(new QTcpSocket(this))
    , m_pTimeout(new QTimer(this))
    , m_pSettle(new QTimer(this))
{
    m_pTimeout->setSingleShot(true);
    m_pTimeout->setInterval(5000);
    m_pSettle->setSingleShot(true);
    m_pSettle->setInterval(200);
    connect(m_pSocket, &QTcpSocket::readyRead, this, &PSocketGetId::ReadData);
    connect(m_pSocket, &QTcpSocket::connected, this, &PSocketGetId::WriteHeadIds);
    // A server that closes after its reply ends the query at once.
    connect(m_pSocket, &QTcpSocket::disconnected, this, [this]() {
        if (!m_reply.isEmpty())
            Finish();
    });
    connect(m_pSettle, &QTimer::timeout, this, &PSocketGetId::Finish);
    connect(m_pTimeout, &QTimer::timeout, this, [this]() {
        if (!m_reply.isEmpty()) {
            Finish();
            return;
        }
        // No answer: give the query up quietly instead of leaving it open.
        QSignalBlocker blocker(m_pSocket);
        m_pSocket->abort();
    });
}

void PSocketGetId::SetIntervals(int nTimeoutMs, int nSettleMs)
{
    m_pTimeout->setInterval(nTimeoutMs);
    m_pSettle->setInterval(nSettleMs);
}

void PSocketGetId::ConnectSocket()
{
    // The reply word is process-wide; clear it so that a missing holder reads
    // as no address rather than as someone else's answer.
    SMessage::SetReply(0);
    const auto* pAddress = reinterpret_cast<const char*>(
        SendSMessage(SBus::PresetStore, SBus::NetServer, SBus::CmdAddress, 0));
    SMessage::SetReply(0);
    const qintptr nPort = SendSMessage(SBus::PresetStore, SBus::NetServer, SBus::CmdPort, 0);
    if (!pAddress || nPort <= 0 || nPort > 0xFFFF)
        return;
    ConnectToHost(
        QString::fromLatin1(pAddress, int(qstrnlen(pAddress, ADDRESS_SIZE))), quint16(nPort));
}

void PSocketGetId::ConnectToHost(const QString& strHost, quint16 nPort)
{
    {
        QSignalBlocker blocker(m_pSocket);
        m_pSocket->abort();
    }
    m_reply.clear();
    m_pSettle->stop();
    m_pSocket->connectToHost(strHost, nPort, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    m_pTimeout->start();
}

void PSocketGetId::WriteHeadIds()
{
    if (!m_pSocket->isValid())
        return;
    for (int i = 1; i <= 0xFF; ++i) {
        const char nByte = char(i);
        m_pSocket->write(&nByte, 1);
    }
}

void PSocketGetId::ReadData()
{
    const int nLimit = MAX_RECORDS * RECORD_SIZE;
    char chunk[READ_CHUNK];
    while (m_reply.size() < nLimit) {
        const qint64 nWant = qMin<qint64>(READ_CHUNK, nLimit - m_reply.size());
        const qint64 nGot = m_pSocket->read(chunk, nWant);
        if (nGot <= 0)
            break;
        m_reply.append(chunk, int(nGot));
    }
    if (m_reply.isEmpty())
        return;
    if (m_reply.size() >= nLimit)
        Finish();
    else
        m_pSettle->start(); // a reply may come in several segments
}

void PSocketGetId::Finish()
{
    m_pSettle->stop();
    m_pTimeout->stop();
    {
        QSignalBlocker blocker(m_pSocket);
        m_pSocket->abort();
    }
    const QByteArray reply = m_reply;
    m_reply.clear();
    emit ItemIdLists(ParseReply(reply));
}

QStringList PSocketGetId::ParseReply(const QByteArray& reply)
{
    QStringList ids;
    const int nRecords = qMin(MAX_RECORDS, reply.size() / RECORD_SIZE);
    for (int i = 0; i < nRecords; ++i)
        ids.append(QString::number(quint8(reply[i * RECORD_SIZE])));
    return ids;
}
