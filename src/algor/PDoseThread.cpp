#include "algor/PDoseThread.h"

#include "algor/PDoseProcThread.h"
#include "algor/RAdditionalDose.h"
#include "database/PSqlExec.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SMessage.h"

#include <QSignalBlocker>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Sent untranslated as constant texts; the status strip translates them in
// its own context when it shows them.
const char* const CONNECTING = QT_TRANSLATE_NOOP("RFormStatus", "Connecting to the host...");
const char* const CONNECTED = QT_TRANSLATE_NOOP("RFormStatus", "Connected !");

} // namespace

PDoseThread::PDoseThread(QObject* pParent)
    : PDoseThreadInterface(pParent)
    , m_pSocket(new QTcpSocket(this))
    , m_pWatchdog(new QTimer(this))
    , m_pAdditionalDose(std::make_unique<RAdditionalDose>())
    , m_pRetry(new QTimer(this))
{
    m_pWatchdog->setInterval(6000);
    m_pRetry->setInterval(1000);
    m_pRetry->setSingleShot(true);
    m_pAdditionalDose->SetSocket(m_pSocket);

    connect(m_pWatchdog, &QTimer::timeout, this, &PDoseThread::RequestConnect);
    connect(m_pRetry, &QTimer::timeout, this, &PDoseThread::RequestConnect);
    connect(m_pSocket, &QTcpSocket::readyRead, this, &PDoseThread::ReadData);
    connect(m_pSocket, &QTcpSocket::errorOccurred, this, &PDoseThread::DisplayError);
    connect(m_pSocket, &QTcpSocket::connected, this, &PDoseThread::Start);
    connect(m_pSocket, &QTcpSocket::stateChanged, this, &PDoseThread::StateChanged);

    m_pProcThread->SetExtendedProtocol(true);
    m_pProcThread->SetAdditionalDose(m_pAdditionalDose.get());
    Start();
}

PDoseThread::~PDoseThread()
{
    m_pRetry->stop();
    m_pWatchdog->stop();
    // The window that would show the status texts is going away.
    m_pSocket->disconnect(this);
    m_pSocket->abort();
    m_pSocket->close();
    StopWorkers();
}

void PDoseThread::SetIntervals(int nWatchdogMs, int nRetryMs)
{
    m_pWatchdog->setInterval(nWatchdogMs);
    m_pRetry->setInterval(nRetryMs);
}

QByteArray PDoseThread::ThresholdFrame(int nId, int nThreshold)
{
    const int nWord = nThreshold / 100; // truncates toward zero
    QByteArray frame(13, '\0');
    frame[0] = char(0xA4);
    frame[1] = char(0x0A); // frame length - 3
    frame[6] = char(0xFF);
    frame[7] = char(0x01); // set alarm threshold
    frame[8] = char(nId & 0xFF);
    frame[9] = char((nWord >> 8) & 0xFF);
    frame[10] = char(nWord & 0xFF);
    frame[11] = char(frame[7] ^ frame[8] ^ frame[9] ^ frame[10]);
    frame[12] = char(0xFF);
    return frame;
}

void PDoseThread::ShowStatus(const char* pText)
{
    if (m_nUnit == 0)
        SendSMessage(SBus::MainWindow, SBus::StatusText, reinterpret_cast<qintptr>(pText), 0);
    else if (m_nUnit == 1)
        SendSMessage(SBus::MainWindow, SBus::SecondText, reinterpret_cast<qintptr>(pText), 0);
}

void PDoseThread::RequestConnect()
{
    m_bReconnect = true;
    // This attempt replaces any retry still waiting.
    m_pRetry->stop();
    ShowStatus(CONNECTING);
    {
        QSignalBlocker blocker(m_pSocket);
        m_pSocket->abort();
    }
    // The quiet abort drops a connection all the same.
    if (m_bLinkUp) {
        m_bLinkUp = false;
        emit LinkChanged(false);
    }
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select IP, Port from SystemInfo where Unit_P = %1").arg(m_nUnit));
    if (!query.next())
        return;
    // A port outside 1..65535 would wrap into some other port: no attempt.
    bool bOk = false;
    const int nPort = query.value(1).toInt(&bOk);
    if (!bOk || nPort <= 0 || nPort > 0xFFFF) {
        LogDebug("data-server port %s is not a port\n",
            query.value(1).toString().toLocal8Bit().constData());
        return;
    }
    m_pSocket->connectToHost(query.value(0).toString(), quint16(nPort), QIODevice::ReadWrite,
        QAbstractSocket::AnyIPProtocol);
}

void PDoseThread::DisConnect()
{
    m_bReconnect = false;
    // A settings reload must not be undone by a pending retry or watchdog.
    m_pRetry->stop();
    m_pWatchdog->stop();
    m_pSocket->abort();
    m_pSocket->close();
}

void PDoseThread::StateChanged(QAbstractSocket::SocketState socketState)
{
    if (socketState == QAbstractSocket::ConnectedState) {
        ShowStatus(CONNECTED);
        m_bLinkUp = true;
        emit LinkChanged(true);
    } else if (socketState == QAbstractSocket::UnconnectedState) {
        ShowStatus(CONNECTING);
        if (m_bLinkUp) {
            m_bLinkUp = false;
            emit LinkChanged(false);
        }
        if (m_bReconnect)
            m_pRetry->start();
    }
}

void PDoseThread::DisplayError(QAbstractSocket::SocketError socketError)
{
    switch (socketError) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::HostNotFoundError:
        ShowStatus(CONNECTING);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        break;
    default: {
        const QByteArray text = m_pSocket->errorString().toLocal8Bit();
        ShowStatus(text.constData());
        break;
    }
    }
}

void PDoseThread::Start()
{
    if (!m_pSocket->isOpen())
        return;
    m_pProcThread->Start();
    // Reconnections run Start() again; the echo must still answer once per frame.
    if (!m_bEchoConnected) {
        connect(m_pProcThread.get(), &PDoseProcThread::StartEchoTargeDose, m_pAdditionalDose.get(),
            &RAdditionalDose::EchoTargeDose, Qt::QueuedConnection);
        m_bEchoConnected = true;
    }
}

void PDoseThread::ReadData()
{
    // The socket belongs to this (main) thread: read it here and hand the
    // bytes over, so the worker never touches it.
    Enqueue(m_pSocket->readAll());
    m_pWatchdog->start();
}

void PDoseThread::SetThreshold(int nId, int nThreshold)
{
    if (m_pSocket->isValid())
        m_pSocket->write(ThresholdFrame(nId, nThreshold));
}
