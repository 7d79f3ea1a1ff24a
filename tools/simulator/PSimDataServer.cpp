#include "PSimDataServer.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

quint32 PSimRegion::Value(quint64 nTick) const
{
    const quint32 nMax = 0xFFFFFF;
    switch (eProfile) {
    case Noisy: {
        // Deterministic per id and tick, so runs can be compared.
        QRandomGenerator gen(quint32(nId) * 7919u + quint32(nTick));
        const quint32 nSpan = qMax<quint32>(1, nBase / 5);
        const quint32 nOffset = gen.bounded(2 * nSpan + 1);
        const qint64 nValue = qint64(nBase) + qint64(nOffset) - qint64(nSpan);
        return quint32(qBound<qint64>(0, nValue, nMax));
    }
    case Ramp:
        // A rise over two minutes (to 6.9 times the base) and back at once:
        // an alarm that is raised and then clears, again and again.
        return quint32((nBase + (nTick % 60) * qMax<quint32>(1, nBase / 10)) % (nMax + 1));
    case Burst:
        // Four ticks in every twenty read a hundred times the base: an alarm episode.
        return nTick % 20 >= 10 && nTick % 20 < 14 ? qMin<quint64>(nMax, quint64(nBase) * 100)
                                                   : nBase;
    case Alternate:
        // A tenth above and below the base, turn about: a region whose
        // threshold is the base raises and clears at every reading.
        return nTick % 2 == 0 ? nBase + nBase / 10 : nBase - nBase / 10;
    case Steady:
    case Silent:
        break;
    }
    return nBase & nMax;
}

bool PSimRegion::Parse(const QString& strItem, PSimRegion* pRegion)
{
    const QStringList parts = strItem.trimmed().split(':');
    if (parts.isEmpty() || parts.size() > 3)
        return false;
    bool bOk = false;
    PSimRegion region;
    region.nId = parts[0].toInt(&bOk);
    if (!bOk || region.nId < 0 || region.nId > 0xFFFF)
        return false;
    if (parts.size() > 1) {
        static const QStringList names
            = {"steady", "noisy", "ramp", "burst", "silent", "alternate"};
        const int nProfile = names.indexOf(parts[1].toLower());
        if (nProfile < 0)
            return false;
        region.eProfile = Profile(nProfile);
    }
    if (parts.size() > 2) {
        const uint nBase = parts[2].toUInt(&bOk);
        if (!bOk || nBase > 0xFFFFFF)
            return false;
        region.nBase = nBase;
    }
    *pRegion = region;
    return true;
}

PSimDataServer::PSimDataServer(QObject* pParent)
    : QObject(pParent)
    , m_pServer(new QTcpServer(this))
    , m_pTimer(new QTimer(this))
{
    m_pTimer->setInterval(2000);
    connect(m_pServer, &QTcpServer::newConnection, this, &PSimDataServer::OnNewConnection);
    connect(m_pTimer, &QTimer::timeout, this, &PSimDataServer::Tick);
}

PSimDataServer::~PSimDataServer()
{
    for (QTcpSocket* pClient : qAsConst(m_clients))
        pClient->disconnect(this);
}

bool PSimDataServer::Listen(quint16 nPort)
{
    if (nPort == 0)
        nPort = m_nPort;
    if (!m_pServer->listen(QHostAddress::LocalHost, nPort))
        return false;
    m_nPort = m_pServer->serverPort();
    return true;
}

void PSimDataServer::SetInterval(int nMs)
{
    m_pTimer->setInterval(nMs);
}

void PSimDataServer::StartTicks()
{
    m_pTimer->start();
}

void PSimDataServer::StopTicks()
{
    m_pTimer->stop();
}

void PSimDataServer::Tick()
{
    if (m_bStalled)
        return;
    QByteArray bytes;
    for (const PSimRegion& region : qAsConst(m_regions)) {
        if (region.eProfile != PSimRegion::Silent)
            bytes += PSimFrames::Reading(m_nCounter++, quint16(region.nId), region.Value(m_nTick));
    }
    ++m_nTick;
    if (m_nExtrasEvery > 0 && m_nTick % quint64(m_nExtrasEvery) == 0)
        SendExtras();
    if (m_nPatrolEvery > 0 && !m_patrolStaff.isEmpty() && !m_patrolRooms.isEmpty()
        && m_nTick % quint64(m_nPatrolEvery) == 0)
        bytes += PatrolStep();
    if (!bytes.isEmpty())
        Send(bytes);
}

void PSimDataServer::SetPatrol(const QVector<int>& staff, const QVector<int>& rooms, int nTicks)
{
    m_patrolStaff = staff;
    m_patrolRooms = rooms;
    m_nPatrolEvery = nTicks;
    m_nPatrolSteps = 0;
}

QByteArray PSimDataServer::PatrolStep()
{
    const int nStaffCount = m_patrolStaff.size();
    const quint64 nStep = m_nPatrolSteps++;
    const int nWho = int(nStep % quint64(nStaffCount));
    const quint64 nRound = nStep / quint64(nStaffCount);
    const int nRoom
        = m_patrolRooms.at(int((nRound + quint64(nWho)) % quint64(m_patrolRooms.size())));
    // Stored doses are hundredths: 1.00 to 4.99 as shown.
    const quint32 nDose = 100 + quint32((nStep * 137) % 400);
    return PSimFrames::Routing(
        quint8(m_patrolStaff.at(nWho)), quint8(nRoom), QDateTime::currentDateTime(), nDose);
}

void PSimDataServer::SendExtras()
{
    const int nFirst = m_regions.isEmpty() ? 1 : m_regions.first().nId;
    QByteArray bytes;
    bytes += PSimFrames::FourValue(m_nCounter++, quint16(nFirst), {100, 200, 300, 400});
    bytes += PSimFrames::Short(quint8(nFirst), 500);
    bytes += PSimFrames::Routing(1, 1, QDateTime::currentDateTime(), 250);
    bytes += PSimFrames::TargetDose(quint32(m_nTick), quint8(nFirst), 1);
    bytes += PSimFrames::Block(quint32(nFirst), 1, {1, 2, 3, 4, 5, 6, 7, 8});
    bytes += PSimFrames::AlarmNotice(quint8(nFirst));
    Send(bytes);
}

void PSimDataServer::Send(const QByteArray& bytes)
{
    for (QTcpSocket* pClient : qAsConst(m_clients))
        pClient->write(bytes);
}

void PSimDataServer::SendSplit(const QByteArray& frame, int nSplitAt, int nDelayMs)
{
    nSplitAt = qBound(0, nSplitAt, frame.size());
    Send(frame.left(nSplitAt));
    const QByteArray tail = frame.mid(nSplitAt);
    QTimer::singleShot(nDelayMs, this, [this, tail]() { Send(tail); });
}

void PSimDataServer::SendGarbage(int nCount)
{
    QByteArray bytes(nCount, '\0');
    for (int i = 0; i < nCount; ++i) {
        // Never a start byte, so the garbage cannot pose as a frame.
        bytes[i] = char(QRandomGenerator::global()->bounded(0xFF));
    }
    Send(bytes);
}

void PSimDataServer::DropClients()
{
    const QVector<QTcpSocket*> clients = m_clients;
    for (QTcpSocket* pClient : clients)
        pClient->abort();
}

bool PSimDataServer::Refuse(bool bRefuse)
{
    if (bRefuse) {
        m_pServer->close();
        return true;
    }
    return m_pServer->isListening() || Listen(m_nPort);
}

void PSimDataServer::OnNewConnection()
{
    while (QTcpSocket* pClient = m_pServer->nextPendingConnection()) {
        m_clients.append(pClient);
        m_pending.append(QByteArray());
        connect(
            pClient, &QTcpSocket::readyRead, this, [this, pClient]() { OnClientData(pClient); });
        connect(pClient, &QTcpSocket::disconnected, this, [this, pClient]() {
            const int nAt = m_clients.indexOf(pClient);
            if (nAt >= 0) {
                m_clients.remove(nAt);
                m_pending.remove(nAt);
            }
            pClient->deleteLater();
            emit ClientDropped();
        });
        emit ClientConnected();
    }
}

void PSimDataServer::OnClientData(QTcpSocket* pClient)
{
    const int nAt = m_clients.indexOf(pClient);
    if (nAt < 0)
        return;
    QByteArray& pending = m_pending[nAt];
    pending += pClient->readAll();
    const QVector<PSimFrames::Command> commands = PSimFrames::TakeCommands(pending);
    for (const PSimFrames::Command& c : commands) {
        switch (c.eKind) {
        case PSimFrames::Kind::Threshold:
            std::printf("threshold command 0x%02x: device %d, threshold %d\n", c.nCode, c.nId,
                c.nArgument * 100);
            m_thresholds.append({c.nId, c.nArgument});
            // The device confirms the new threshold.
            pClient->write(PSimFrames::AlarmNotice(quint8(c.nId)));
            emit ThresholdReceived(c.nId, c.nArgument);
            break;
        case PSimFrames::Kind::Echo:
            std::printf("target-dose echo: index %u, id %d, tip %d\n", c.nIndex, c.nId, c.nTip);
            m_echoes.append({c.nIndex, c.nId, c.nTip});
            emit EchoReceived(c.nIndex, c.nId, c.nTip);
            break;
        case PSimFrames::Kind::Junk:
            std::printf("%d unrecognised bytes\n", c.raw.size());
            m_nJunkBytes += c.raw.size();
            break;
        }
    }
    std::fflush(stdout);
}
