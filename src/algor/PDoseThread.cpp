#include "algor/PDoseThread.h"

#include "algor/PDoseProcThread.h"
#include "algor/RAdditionalDose.h"
#include "database/RSystemInfoStore.h"
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
const char* const CONNECTED_STANDBY
    = QT_TRANSLATE_NOOP("RFormStatus", "Connected to the standby server !");
// The second line, of the server not in use.
const char* const STANDBY_READY = QT_TRANSLATE_NOOP("RFormStatus", "Standby server: ready");
const char* const STANDBY_DOWN = QT_TRANSLATE_NOOP("RFormStatus", "Standby server: not reachable");
const char* const MAIN_BACK = QT_TRANSLATE_NOOP(
    "RFormStatus", "Standby server in use; the main server is back, returning once it is healthy");
const char* const MAIN_DOWN
    = QT_TRANSLATE_NOOP("RFormStatus", "Standby server in use; the main server is not reachable");

const char* reasonText(PDoseThread::Reason reason)
{
    using Reason = PDoseThread::Reason;
    switch (reason) {
    case Reason::NoAddress:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: no server address is set");
    case Reason::InvalidAddress:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: the server address is not valid");
    case Reason::HostNotFound:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: server name not found");
    case Reason::LookupFailed:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: server name lookup failed");
    case Reason::Refused:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: connection refused");
    case Reason::TimedOut:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: connection timed out");
    case Reason::Closed:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: closed by the server");
    case Reason::Silent:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: no data from the server");
    case Reason::NoReadings:
        return QT_TRANSLATE_NOOP("RFormStatus", "Not connected: no reading in the server's data");
    case Reason::None:
    case Reason::Other:
        break;
    }
    return "";
}

PDoseThread::Reason reasonOf(QAbstractSocket::SocketError socketError)
{
    switch (socketError) {
    case QAbstractSocket::ConnectionRefusedError:
        return PDoseThread::Reason::Refused;
    case QAbstractSocket::HostNotFoundError:
        return PDoseThread::Reason::HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return PDoseThread::Reason::TimedOut;
    case QAbstractSocket::RemoteHostClosedError:
        return PDoseThread::Reason::Closed;
    default:
        return PDoseThread::Reason::Other;
    }
}

// Neither an address (that parse failed already) nor anything a resolver
// could look up: not worth asking one, nor retrying.
bool isMalformedName(const QString& strHost)
{
    bool bOnlyDigitsAndDots = true;
    for (const QChar c : strHost) {
        if (c.isSpace() || !c.isPrint() || c == QLatin1Char(':') || c == QLatin1Char('/')
            || c == QLatin1Char('\\'))
            return true;
        if (!c.isDigit() && c != QLatin1Char('.'))
            bOnlyDigitsAndDots = false;
    }
    return bOnlyDigitsAndDots;
}

} // namespace

PDoseThread::PDoseThread(QObject* pParent)
    : PDoseThreadInterface(pParent)
    , m_pSocket(new QTcpSocket(this))
    , m_pWatchdog(new QTimer(this))
    , m_pAdditionalDose(std::make_unique<RAdditionalDose>())
    , m_pRetry(new QTimer(this))
    , m_pLookup(new PHostLookup(this))
    , m_pConnectTimeout(new QTimer(this))
    , m_pProbe(new QTcpSocket(this))
    , m_pProbeRetry(new QTimer(this))
    , m_pProbeWatchdog(new QTimer(this))
    , m_pHealthy(new QTimer(this))
    , m_pNoReading(new QTimer(this))
    , m_pStayed(new QTimer(this))
{
    for (QTimer* pTimer : {m_pProbeRetry, m_pProbeWatchdog, m_pHealthy, m_pNoReading, m_pStayed})
        pTimer->setSingleShot(true);
    m_pProbeRetry->setInterval(1000);
    m_pProbeWatchdog->setInterval(6000);
    m_pNoReading->setInterval(6000);
    connect(m_pProbeRetry, &QTimer::timeout, this, &PDoseThread::StartProbe);
    connect(m_pProbeWatchdog, &QTimer::timeout, this, &PDoseThread::OnProbeLost);
    connect(m_pHealthy, &QTimer::timeout, this, &PDoseThread::OnHealthy);
    connect(m_pStayed, &QTimer::timeout, this, [this]() { m_nHealthyNeedMs = m_nHealthyMs; });
    connect(m_pNoReading, &QTimer::timeout, this, [this]() {
        if (m_state != State::Connected || !m_bStandby)
            return;
        Report(Reason::NoReadings);
        SwitchTo(1 - m_nInUse, QStringLiteral("no reading"));
        RequestConnect();
    });
    // The probe's bytes are dropped: only the server in use feeds the decoder.
    connect(m_pProbe, &QTcpSocket::readyRead, this, [this]() {
        m_pProbe->readAll();
        m_pProbeWatchdog->start();
        if (m_bProbeData)
            return;
        m_bProbeData = true;
        if (m_nInUse == 1)
            m_pHealthy->start(m_nHealthyNeedMs);
        ShowSecondStatus();
    });
    connect(m_pProbe, &QTcpSocket::disconnected, this, &PDoseThread::OnProbeLost);
    connect(m_pProbe, &QTcpSocket::errorOccurred, this, &PDoseThread::OnProbeLost);

    m_pWatchdog->setInterval(6000);
    m_pRetry->setInterval(1000);
    m_pRetry->setSingleShot(true);
    m_pConnectTimeout->setInterval(30000);
    m_pConnectTimeout->setSingleShot(true);
    m_pAdditionalDose->SetSocket(m_pSocket);

    connect(m_pWatchdog, &QTimer::timeout, this, &PDoseThread::OnSilence);
    connect(m_pRetry, &QTimer::timeout, this, &PDoseThread::RequestConnect);
    connect(m_pConnectTimeout, &QTimer::timeout, this, &PDoseThread::OnConnectTimeout);
    connect(m_pLookup, &PHostLookup::Finished, this, &PDoseThread::OnLookupFinished);
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
    m_pConnectTimeout->stop();
    // A lookup still running is left to finish on its own.
    m_pLookup->Abort();
    // The window that would show the status texts is going away.
    m_pProbe->disconnect(this);
    m_pProbe->abort();
    m_pSocket->disconnect(this);
    m_pSocket->abort();
    m_pSocket->close();
    StopWorkers();
}

void PDoseThread::SetIntervals(int nWatchdogMs, int nRetryMs, int nConnectMs)
{
    m_pWatchdog->setInterval(nWatchdogMs);
    m_pRetry->setInterval(nRetryMs);
    m_pConnectTimeout->setInterval(nConnectMs);
    m_pProbeRetry->setInterval(nRetryMs);
    m_pProbeWatchdog->setInterval(nWatchdogMs);
    m_pNoReading->setInterval(nWatchdogMs);
}

void PDoseThread::SetResolver(PHostLookup::Resolver resolver)
{
    m_pLookup->SetResolver(std::move(resolver));
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

void PDoseThread::Report(Reason reason, const QString& strOther)
{
    if (reason == m_reason && (reason != Reason::Other || strOther == m_strOther))
        return;
    m_reason = reason;
    m_strOther = strOther;
    if (reason == Reason::None)
        return;
    const QByteArray text
        = reason == Reason::Other ? strOther.toLocal8Bit() : QByteArray(reasonText(reason));
    ShowStatus(text.constData());
    if (m_strHost.isEmpty())
        Log(LogLevel::Warning, "data-server link, unit %d: %s\n", m_nUnit, text.constData());
    else
        Log(LogLevel::Warning, "data-server link to %s port %u: %s\n",
            m_strHost.toLocal8Bit().constData(), unsigned(m_nPort), text.constData());
}

void PDoseThread::RequestConnect()
{
    m_bReconnect = true;
    ++m_nAttempt;
    // This attempt replaces any retry still waiting.
    m_pRetry->stop();
    m_pConnectTimeout->stop();
    // While a reason stands, retries leave it shown rather than flicker.
    if (m_reason == Reason::None)
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
    ReadStandby();
    const RServerAddress stored = RSystemInfoStore::ServerAddress(m_nUnit + m_nInUse);
    if (!stored.bFound) {
        m_strHost.clear();
        Fail(Reason::NoAddress, false);
        return;
    }
    const QString strHost = stored.strHost.trimmed();
    // A port outside 1..65535 would wrap into some other port: no attempt.
    bool bOk = false;
    const int nPort = stored.port.toInt(&bOk);
    m_strHost = strHost;
    m_nPort = bOk && nPort > 0 && nPort <= 0xFFFF ? quint16(nPort) : 0;
    if (strHost.isEmpty()) {
        Fail(Reason::NoAddress, false);
        return;
    }
    if (m_nPort == 0) {
        Fail(Reason::InvalidAddress, false);
        return;
    }
    const QHostAddress address(strHost);
    if (!address.isNull()) {
        m_pLookup->Abort();
        m_addresses = {address};
        m_nAddress = 0;
        ConnectToAddress();
        return;
    }
    if (isMalformedName(strHost)) {
        Fail(Reason::InvalidAddress, false);
        return;
    }
    m_state = State::LookingUp;
    // A watchdog or a retry while the same name is being looked up waits for
    // that lookup rather than pile up another.
    if (!m_pLookup->IsPending() || m_pLookup->Name() != strHost)
        m_pLookup->Start(strHost);
}

void PDoseThread::OnLookupFinished(const PHostLookup::Result& result)
{
    if (m_state != State::LookingUp)
        return;
    if (result.error != PHostLookup::NoError) {
        Fail(result.error == PHostLookup::NotFound ? Reason::HostNotFound : Reason::LookupFailed,
            true);
        return;
    }
    m_addresses = result.addresses;
    m_nAddress = 0;
    ConnectToAddress();
}

void PDoseThread::ConnectToAddress()
{
    m_state = State::Connecting;
    m_pConnectTimeout->start();
    m_pSocket->connectToHost(m_addresses.at(m_nAddress), m_nPort, QIODevice::ReadWrite);
}

void PDoseThread::NextAddressOrFail(Reason reason, const QString& strOther)
{
    m_pConnectTimeout->stop();
    if (m_nAddress + 1 >= m_addresses.size()) {
        Fail(reason, true, strOther);
        return;
    }
    ++m_nAddress;
    // Not from inside the socket's own signal.
    const quint64 nAttempt = m_nAttempt;
    QTimer::singleShot(0, this, [this, nAttempt]() {
        if (nAttempt == m_nAttempt && m_state == State::Connecting)
            ConnectToAddress();
    });
}

void PDoseThread::OnConnectTimeout()
{
    if (m_state != State::Connecting)
        return;
    {
        QSignalBlocker blocker(m_pSocket);
        m_pSocket->abort();
    }
    NextAddressOrFail(Reason::TimedOut);
}

void PDoseThread::Fail(Reason reason, bool bRetry, const QString& strOther)
{
    const bool bWasConnected = m_state == State::Connected;
    m_pLookup->Abort();
    m_pConnectTimeout->stop();
    m_pNoReading->stop();
    m_state = bRetry && m_bReconnect ? State::Waiting : State::Idle;
    Report(reason, strOther);
    if (m_state != State::Waiting)
        return;
    // The retry takes over from the watchdog until data flows again.
    m_pWatchdog->stop();
    if (m_bStandby) {
        SwitchTo(1 - m_nInUse,
            reason == Reason::Other ? strOther : QString::fromLatin1(reasonText(reason)));
        // A connection that was feeding readings is replaced at once; a
        // failed attempt waits the pause, so two servers that are both down
        // are not tried in a tight loop.
        if (bWasConnected) {
            const quint64 nAttempt = m_nAttempt;
            QTimer::singleShot(0, this, [this, nAttempt]() {
                if (nAttempt == m_nAttempt && m_state == State::Waiting)
                    RequestConnect();
            });
            return;
        }
    }
    m_pRetry->start();
}

void PDoseThread::OnSilence()
{
    if (m_state == State::Connected) {
        Report(Reason::Silent);
        if (m_bStandby)
            SwitchTo(1 - m_nInUse, QStringLiteral("silent"));
    }
    RequestConnect();
}

void PDoseThread::NoteReading()
{
    if (m_pNoReading->isActive())
        m_pNoReading->start();
}

void PDoseThread::ReadStandby()
{
    bool bStandby = false;
    if (m_nUnit == 0) {
        const RServerAddress standby = RSystemInfoStore::ServerAddress(1);
        bool bOk = false;
        const int nPort = standby.port.toInt(&bOk);
        bStandby = standby.bFound && !standby.strHost.trimmed().isEmpty() && bOk && nPort > 0
            && nPort <= 0xFFFF;
    }
    if (bStandby == m_bStandby) {
        if (m_bStandby && m_pProbe->state() == QAbstractSocket::UnconnectedState
            && !m_pProbeRetry->isActive())
            StartProbe();
        return;
    }
    m_bStandby = bStandby;
    if (!m_bStandby) {
        StopProbe();
        m_nInUse = 0;
        m_nLastConnected = 0;
        m_strSwitchWhy.clear();
    } else {
        StartProbe();
    }
    ShowSecondStatus();
}

void PDoseThread::SwitchTo(int nUnit, const QString& strWhy)
{
    if (nUnit == m_nInUse)
        return;
    // Back to the standby before the main server's return had lasted: the
    // next return asks for twice the health, up to sixteen times.
    if (nUnit == 1 && m_pStayed->isActive())
        m_nHealthyNeedMs = qMin(m_nHealthyNeedMs * 2, m_nHealthyMs * 16);
    m_pStayed->stop();
    m_nInUse = nUnit;
    // The first reason the server connected last was left for; attempts
    // that alternate while both are down add nothing.
    if (m_strSwitchWhy.isEmpty())
        m_strSwitchWhy = strWhy;
    // The other server's reason is not this one's.
    m_reason = Reason::None;
    StopProbe();
    StartProbe();
    ShowSecondStatus();
}

void PDoseThread::StartProbe()
{
    if (!m_bStandby || !m_bReconnect)
        return;
    const RServerAddress other = RSystemInfoStore::ServerAddress(m_nUnit + 1 - m_nInUse);
    bool bOk = false;
    const int nPort = other.port.toInt(&bOk);
    if (!other.bFound || other.strHost.trimmed().isEmpty() || !bOk || nPort <= 0 || nPort > 0xFFFF)
        return;
    {
        QSignalBlocker blocker(m_pProbe);
        m_pProbe->abort();
    }
    m_pProbe->connectToHost(other.strHost.trimmed(), quint16(nPort), QIODevice::ReadOnly);
}

void PDoseThread::StopProbe()
{
    m_pProbeRetry->stop();
    m_pProbeWatchdog->stop();
    m_pHealthy->stop();
    m_bProbeData = false;
    QSignalBlocker blocker(m_pProbe);
    m_pProbe->abort();
}

void PDoseThread::OnProbeLost()
{
    const bool bWasSending = m_bProbeData;
    m_bProbeData = false;
    m_pHealthy->stop();
    m_pProbeWatchdog->stop();
    // Not from inside the socket's own signal: the retry aborts it first.
    if (m_bStandby && m_bReconnect && !m_pProbeRetry->isActive())
        m_pProbeRetry->start();
    if (bWasSending)
        ShowSecondStatus();
}

void PDoseThread::OnHealthy()
{
    if (m_nInUse != 1 || !m_bProbeData)
        return;
    SwitchTo(0, QStringLiteral("main server healthy for %1 s").arg(m_nHealthyNeedMs / 1000));
    RequestConnect();
}

void PDoseThread::ShowSecondStatus()
{
    if (!m_bStandby) {
        if (m_bSecondShown)
            SendSMessage(SBus::MainWindow, SBus::HideSecondLine, 0, 0);
        m_bSecondShown = false;
        return;
    }
    if (!m_bSecondShown)
        SendSMessage(SBus::MainWindow, SBus::ShowSecondLine, 0, 0);
    m_bSecondShown = true;
    const char* pText = m_nInUse == 0 ? (m_bProbeData ? STANDBY_READY : STANDBY_DOWN)
                                      : (m_bProbeData ? MAIN_BACK : MAIN_DOWN);
    SendSMessage(SBus::MainWindow, SBus::SecondText, reinterpret_cast<qintptr>(pText), 0);
}

void PDoseThread::DisConnect()
{
    m_bReconnect = false;
    ++m_nAttempt;
    // A settings reload must not be undone by a pending retry or watchdog.
    m_pRetry->stop();
    m_pWatchdog->stop();
    m_pConnectTimeout->stop();
    m_pNoReading->stop();
    m_pLookup->Abort();
    StopProbe();
    m_state = State::Idle;
    // The next address may fail for another reason, or the same one: say it.
    m_reason = Reason::None;
    m_pSocket->abort();
    m_pSocket->close();
}

void PDoseThread::StateChanged(QAbstractSocket::SocketState socketState)
{
    if (socketState == QAbstractSocket::ConnectedState) {
        m_pConnectTimeout->stop();
        m_state = State::Connected;
        Report(Reason::None);
        ShowStatus(m_nInUse == 1 ? CONNECTED_STANDBY : CONNECTED);
        if (m_bStandby)
            m_pNoReading->start();
        if (m_nInUse != m_nLastConnected) {
            Log(LogLevel::Warning, "data-server link: moved to the %s server (%s)\n",
                m_nInUse == 0 ? "main" : "standby", m_strSwitchWhy.toLocal8Bit().constData());
            // A return to the main server must last, or the next asks for longer.
            if (m_nInUse == 0)
                m_pStayed->start(m_nHealthyNeedMs);
            m_nLastConnected = m_nInUse;
            emit ServerSwitched(m_nInUse, m_strSwitchWhy);
        }
        m_strSwitchWhy.clear();
        Log(LogLevel::Notice, "data-server link to %s port %u: connected\n",
            m_strHost.toLocal8Bit().constData(), unsigned(m_nPort));
        m_bLinkUp = true;
        SendPendingThresholds();
        emit LinkChanged(true);
    } else if (socketState == QAbstractSocket::UnconnectedState) {
        if (m_bLinkUp) {
            m_bLinkUp = false;
            emit LinkChanged(false);
        }
        // A connection lost without an error of its own; failed attempts
        // are handled by DisplayError, which Qt may emit after this.
        if (m_state == State::Connected)
            Fail(Reason::Closed, true);
    }
}

void PDoseThread::DisplayError(QAbstractSocket::SocketError socketError)
{
    const Reason reason = reasonOf(socketError);
    const QString strOther = reason == Reason::Other ? m_pSocket->errorString() : QString();
    if (m_state == State::Connecting)
        NextAddressOrFail(reason, strOther);
    else if (m_state == State::Connected)
        Fail(reason, true, strOther);
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
    if (m_state == State::Connected && m_pSocket->isValid()) {
        m_pSocket->write(ThresholdFrame(nId, nThreshold));
        return;
    }
    // A command to all supersedes what was waiting for single devices.
    if (nId == 0)
        m_pendingThresholds.clear();
    m_pendingThresholds.insert(nId, nThreshold);
    Log(LogLevel::Notice, "threshold %d for device %d waits for the data-server link\n", nThreshold,
        nId);
}

void PDoseThread::SendPendingThresholds()
{
    // The command to all first, then the devices set after it.
    for (auto it = m_pendingThresholds.cbegin(); it != m_pendingThresholds.cend(); ++it)
        m_pSocket->write(ThresholdFrame(it.key(), it.value()));
    m_pendingThresholds.clear();
}
