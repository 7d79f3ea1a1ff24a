#include "station/RStation.h"

#include "PLockedFile.h"
#include "algor/PDoseProcThread.h"
#include "algor/PDoseThread.h"
#include "algor/RRegularSave.h"
#include "database/RAlarmJournal.h"
#include "database/RAuditTrail.h"
#include "database/RConnectDatabase.h"
#include "database/RInstrumentStore.h"
#include "database/RLoginSession.h"
#include "database/RRegionCatalogue.h"
#include "database/RSlotArchive.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "database/RSystemInfoStore.h"
#include "database/RUserSession.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "notify/RNotifier.h"
#include "plant/RPlantConfig.h"
#include "plant/RPlantModbus.h"
#include "plant/RPlantMqtt.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RInstrumentWatch.h"
#include "realtime/RRegionWatch.h"
#include "site/RSiteConfig.h"
#include "site/RSiteLink.h"
#include "web/RWebConfig.h"
#include "web/RWebServer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

namespace {

// The page check waits until start-up has read what it needs: on a cold
// disk both would otherwise compete for it.
constexpr int IntegrityCheckDelayMs = 10000;
constexpr int IdleCheckMs = 10 * 1000;
// Due dates change with the day; a minute finds a new day soon enough.
constexpr int InstrumentCheckMs = 60 * 1000;

QString regionObject(int nId)
{
    return nId ? QStringLiteral("region %1").arg(nId) : QStringLiteral("all regions");
}

} // namespace

RStation::RStation(const Options& options, QObject* pParent)
    : QObject(pParent)
    , m_options(options)
    , m_pClock(options.pClock ? options.pClock : SClock::System())
    , m_pWriter(std::make_unique<RStorageWriter>())
    , m_pCatalogue(std::make_unique<RRegionCatalogue>())
{
    qRegisterMetaType<RStationReading>();
    qRegisterMetaType<RStationRegion>();
    qRegisterMetaType<RStationSnapshot>();
}

RStation::~RStation()
{
    Stop(QStringLiteral("exit"));
    // Everything built here writes through the writer: it all goes first,
    // the later built before what it was built on.
    while (!children().isEmpty())
        delete children().last();
    if (m_options.bHeadless) {
        UnsubscribeMessage(this);
        UnregisterReceiver(this);
    }
}

void RStation::SetFailureReport(std::function<void(const QString&, const QString&)> report)
{
    m_report = std::move(report);
}

void RStation::Report(const QString& strTitle, const QString& strText)
{
    if (m_report)
        m_report(strTitle, strText);
}

bool RStation::IsRunningOn(const QString& strDatabaseFile, QString* pError)
{
    return !Lock(strDatabaseFile, pError);
}

std::unique_ptr<PLockedFile> RStation::Lock(const QString& strDatabaseFile, QString* pError)
{
    const QString strFile
        = QFileInfo(strDatabaseFile.isEmpty() ? QStringLiteral("DataBase.sqlite") : strDatabaseFile)
              .absoluteFilePath();
    // One station per file, window or headless, whoever runs it: two
    // writers would each hold alarms and minutes the other never sees.
    auto pLock = std::make_unique<PLockedFile>(strFile + QStringLiteral(".lock"));
    if (pLock->open(QIODevice::ReadWrite) && pLock->Lock(PLockedFile::WriteLock, false))
        return pLock;
    *pError = tr("Another Kestal station runs on %1.").arg(strFile);
    return nullptr;
}

bool RStation::Open(QString* pError)
{
    m_pLock = Lock(m_options.strDatabaseFile, pError);
    if (!m_pLock)
        return false;
    if (m_options.bHeadless) {
        RegisterReceiver(this, SBus::MainWindow);
        SubscribeMessage(this, SBus::ReloadAfterDeviceUpdate);
        SubscribeMessage(this, SBus::ReloadThresholds);
    }
    // A file that cannot be opened has been reported; the station still
    // runs, so the link's state and the live values are there.
    m_pDatabase = new RConnectDatabase(m_pWriter.get(), this);
    if (!m_options.strDatabaseFile.isEmpty())
        m_pDatabase->SetFileName(m_options.strDatabaseFile);
    m_pDatabase->SetFailureReport(
        [this](const QString& strTitle, const QString& strText) { Report(strTitle, strText); });
    if (m_pDatabase->OpenDatabase()) {
        m_pDatabase->StartIntegrityCheck(IntegrityCheckDelayMs);
        m_pArchive = new RSlotArchive(m_pWriter.get(), m_pClock, this);
        m_pArchive->Start();
    }
    m_pCatalogue->Reload();
    const RStorageState& storage = m_pWriter->State();
    connect(&storage, &RStorageState::Changed, this,
        [this]() { emit StorageChanged(m_pWriter->State().ProblemText()); });

    m_pLink = new PDoseThread(this);
    m_pLink->ProcThread()->SetWriter(m_pWriter.get());
    connect(m_pLink, &PDoseThread::LinkChanged, this, &RStation::LinkChanged);
    m_pAggregator = std::make_unique<RRegularSave>(m_pWriter.get(), m_pCatalogue.get(), m_pClock);
    m_pAggregator->LoadRegionIds();
    m_pWatch = new RRegionWatch(m_pCatalogue.get(), m_pClock, this);

    m_pJournal = new RAlarmJournal(m_pWriter.get(), m_pClock, this);
    // A journal line is committed with the readings at once, not at the next
    // five-minute commit.
    m_pJournal->SetCommitter([this]() {
        if (m_pAggregator)
            m_pAggregator->SaveFile();
    });
    m_pAlarmState = new RAlarmState(m_pJournal, this, m_pClock);
    m_pCue = new PAlarmCue(this);
    m_pCue->SetAlarmState(m_pAlarmState);
    connect(m_pAggregator.get(), &RRegularSave::ReadingStored, this, [this](int nId, float fDose) {
        m_pWatch->Feed(nId, fDose);
        emit ReadingStored({nId, fDose, m_pClock->Now()});
    });
    connect(m_pAggregator.get(), &RRegularSave::MinuteClosed, this, &RStation::MinuteClosed);
    connect(m_pWatch, &RRegionWatch::AlarmChanged, m_pAlarmState, &RAlarmState::OnAlarmChanged);
    connect(m_pWatch, &RRegionWatch::AlarmReading, m_pAlarmState, &RAlarmState::OnAlarmReading);
    connect(m_pWatch, &RRegionWatch::OnlineChanged, m_pAlarmState, &RAlarmState::OnOnlineChanged);
    connect(m_pLink, &PDoseThread::LinkChanged, m_pAlarmState, &RAlarmState::OnLinkChanged);
    connect(m_pLink, &PDoseThread::ServerSwitched, this, [this](int nUnit, const QString& strWhy) {
        // Both servers may send a reading of the slot the switch falls in.
        if (m_pAggregator)
            m_pAggregator->SourceSwitched();
        m_pJournal->Write(QStringLiteral("link-switch"), RAlarmState::kLinkId, 0.0, 0, QString(),
            QStringLiteral("to=%1;reason=%2")
                .arg(QLatin1String(nUnit == 0 ? "main" : "standby"), strWhy));
    });
    connect(m_pAlarmState, &RAlarmState::UnacknowledgedChanged, m_pCue, &PAlarmCue::SetPending);
    connect(m_pAlarmState, &RAlarmState::NewAlarm, m_pCue, &PAlarmCue::OnNewAlarm);
    // An acknowledgement changes the look too, and is told once with it.
    connect(m_pAlarmState, &RAlarmState::LookChanged, this, &RStation::OnLookChanged);
    connect(m_pAlarmState, &RAlarmState::FloodChanged, this, &RStation::FloodChanged);

    m_pAudit = new RAuditTrail(m_pWriter.get(), m_options.strAuditKeyPath, m_pClock, this);
    // As the journal's lines: a row is in the file at once.
    m_pAudit->SetCommitter([this]() {
        if (m_pAggregator)
            m_pAggregator->SaveFile();
    });
    QString strError;
    if (!m_pAudit->Open(&strError))
        Report(tr("Audit trail"),
            tr("The audit trail cannot be written: changes and logins are not recorded.\n%1")
                .arg(strError));
    m_pSession = new RLoginSession(m_pWriter.get(), m_pAudit, m_pClock, this);
    connect(m_pAlarmState, &RAlarmState::ShelfChanged, this,
        [this](int nId, bool bShelved, const QString& strAccount, const QString& strText) {
            // A shelving whose time ran out is the program's own doing.
            const RAuditActor actor = strAccount.isEmpty() ? RAuditActor() : m_pSession->Actor();
            m_pAudit->Append(actor,
                QLatin1String(bShelved ? RAuditAction::Shelve : RAuditAction::Unshelve),
                regionObject(nId), QString(), strText);
        });
    connect(m_pSession, &RLoginSession::GradeChanged, this, [this](int nGrade) {
        // The journal's acknowledgements carry the account's name.
        if (m_pSession->IsLoggedIn())
            m_pAlarmState->SetOperator(m_pSession->Actor().strName);
        emit SessionChanged(
            m_pSession->IsLoggedIn() ? m_pSession->Actor().strName : QString(), nGrade);
    });
    connect(m_pAlarmState, &RAlarmState::ServiceChanged, this,
        [this](int nId, bool bOut, const QString& strReason) {
            m_pAudit->Append(m_pSession->Actor(),
                QLatin1String(bOut ? RAuditAction::OutOfService : RAuditAction::InService),
                regionObject(nId), QString(), strReason);
            emit InstrumentsChanged(nId);
        });
    m_pInstruments = new RInstrumentWatch(m_pJournal, m_pCatalogue.get(), m_pClock, this);
    if (m_options.bHeadless)
        connect(
            m_pInstruments, &RInstrumentWatch::ProblemChanged, this, [](const QString& strProblem) {
                if (!strProblem.isEmpty())
                    Log(LogLevel::Notice, "status: %s\n", qPrintable(strProblem));
            });
    m_pInstrumentTimer = new QTimer(this);
    m_pInstrumentTimer->setInterval(InstrumentCheckMs);
    connect(m_pInstrumentTimer, &QTimer::timeout, m_pInstruments, &RInstrumentWatch::Check);
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(IdleCheckMs);
    connect(m_pIdleTimer, &QTimer::timeout, m_pSession, &RLoginSession::CheckIdle);
    m_pIdleTimer->start();

    // Off unless System Settings enable it; the connection is made on the
    // sender's thread only.
    m_pSiteLink = new RSiteLink(m_pWriter.get(), m_pClock, this);
    if (m_options.bHeadless)
        connect(m_pSiteLink, &RSiteLink::HistoryOffered, this, []() {
            Log(LogLevel::Notice,
                "site database: this station's history can be uploaded from the window's "
                "System Settings\n");
        });
    // Off unless System Settings turn it on; on the station's own thread.
    m_pModbus = new RPlantModbus(m_pClock, this);
    m_pModbus->Attach(this);
    m_pMqtt = new RPlantMqtt(this);
    m_pMqtt->Attach(this);
    // What the broker acknowledged is kept a second later, not per event: a
    // flood must not turn into a write per alarm.
    m_pMqttKeep = new QTimer(this);
    m_pMqttKeep->setSingleShot(true);
    m_pMqttKeep->setInterval(1000);
    connect(m_pMqtt, &RPlantMqtt::Acknowledged, m_pMqttKeep, qOverload<>(&QTimer::start));
    connect(m_pMqttKeep, &QTimer::timeout, this,
        [this] { RPlantConfig::SetMqttAcknowledged(m_pMqtt->AcknowledgedSeq()); });
    // Off unless System Settings turn it on.
    m_pWeb = new RWebServer(m_pClock, this);
    m_pWeb->Attach(this);
    // Off unless System Settings turn it on; queues in the journal's
    // transactions, so it follows the journal from the start.
    m_pNotifier = new RNotifier(m_pJournal, m_pCatalogue.get(), m_pClock, this);
    connect(this, &RStation::StorageChanged, m_pNotifier, &RNotifier::SetStorageProblem);
    connect(m_pLink, &PDoseThread::LinkChanged, m_pNotifier, &RNotifier::SetLinkUp);
    m_bOpen = true;
    return true;
}

void RStation::ApplyNotify()
{
    const RNotifyConfig config = m_pWriter->State().IsUsable()
        ? RNotifyConfig::Load(m_options.strAuditKeyPath)
        : RNotifyConfig();
    const QString strProblem = config.bEnabled ? config.Check() : QString();
    QStringList applied;
    if (config.bEnabled && strProblem.isEmpty()) {
        for (const auto& field : config.Fields())
            applied << field.second;
        applied << config.strPassword;
    }
    const QString strApplied = applied.join(QLatin1Char('\n'));
    if (strApplied == m_strNotifyApplied && m_pNotifier->IsRunning() == !strApplied.isEmpty())
        return;
    m_strNotifyApplied = strApplied;
    m_pNotifier->Stop();
    if (!strProblem.isEmpty())
        Log(LogLevel::Alert, "notifications not started: %s\n", strProblem.toUtf8().constData());
    else if (config.bEnabled)
        m_pNotifier->Start(config);
}

void RStation::ApplyWeb()
{
    const RWebConfig config = m_pWriter->State().IsUsable() ? RWebConfig::Load() : RWebConfig();
    const QString strProblem = config.Check();
    QStringList applied;
    if (config.bEnabled && strProblem.isEmpty()) {
        for (const auto& field : config.Fields())
            applied << field.second;
        applied << QString::number(config.server.nIdleMinutes);
    }
    const QString strApplied = applied.join(QLatin1Char('\n'));
    if (strApplied == m_strWebApplied)
        return;
    m_strWebApplied = strApplied;
    m_pWeb->Stop();
    if (strApplied.isEmpty()) {
        if (config.bEnabled)
            Log(LogLevel::Alert, "web view not started: %s\n", strProblem.toUtf8().constData());
        return;
    }
    QString strError;
    if (!m_pWeb->Start(config.server, &strError))
        Log(LogLevel::Alert, "web view on %s port %d not started: %s\n",
            config.server.strAddress.toUtf8().constData(), config.server.nPort,
            strError.toUtf8().constData());
}

void RStation::ApplyPlant()
{
    const RPlantConfig config = m_pWriter->State().IsUsable()
        ? RPlantConfig::Load(m_options.strAuditKeyPath)
        : RPlantConfig();
    const QString strModbusProblem = config.CheckModbus();
    const RPlantModbus::Settings& modbus = config.modbus;
    const QString strModbus = !config.bModbus || !strModbusProblem.isEmpty()
        ? QString()
        : QStringLiteral("%1 %2 %3 %4 %5")
              .arg(modbus.strAddress)
              .arg(modbus.nPort)
              .arg(modbus.allowed.join(QLatin1Char(',')))
              .arg(modbus.nBase)
              .arg(modbus.eOrder == RPlantMap::WordOrder::LowFirst ? 1 : 0);
    // A settings change elsewhere must not cut the control system off.
    if (strModbus != m_strPlantApplied || (!strModbus.isEmpty() && !m_pModbus->IsRunning())) {
        m_strPlantApplied = strModbus;
        QString strError;
        if (strModbus.isEmpty()) {
            if (config.bModbus)
                Log(LogLevel::Alert, "plant interface: Modbus TCP not started: %s\n",
                    strModbusProblem.toUtf8().constData());
            m_pModbus->Stop();
        } else if (!m_pModbus->Start(modbus, &strError)) {
            Log(LogLevel::Alert, "plant interface: Modbus TCP on %s port %d not started: %s\n",
                modbus.strAddress.toUtf8().constData(), modbus.nPort,
                strError.toUtf8().constData());
        }
    }

    const QString strMqttProblem = config.CheckMqtt();
    const RPlantMqtt::Settings& mqtt = config.mqtt;
    // The password counts as a change too, without ever being written out.
    const QString strMqtt = !config.bMqtt || !strMqttProblem.isEmpty()
        ? QString()
        : QStringList {mqtt.strHost, QString::number(mqtt.nPort), mqtt.strClientId, mqtt.strUser,
            mqtt.strCaFile, mqtt.strSite, QString::number(qHash(mqtt.strPassword))}
              .join(QLatin1Char('\n'));
    if (strMqtt == m_strMqttApplied)
        return;
    m_strMqttApplied = strMqtt;
    m_pMqtt->Stop();
    if (strMqtt.isEmpty()) {
        if (config.bMqtt)
            Log(LogLevel::Alert, "plant interface: MQTT not started: %s\n",
                strMqttProblem.toUtf8().constData());
        return;
    }
    // Never acknowledged: from the station's own start, its row included.
    const qint64 nAcknowledged = RPlantConfig::MqttAcknowledged();
    QString strError;
    if (!m_pMqtt->Start(mqtt, nAcknowledged < 0 ? m_nJournalAtStart : nAcknowledged, &strError))
        Log(LogLevel::Alert, "plant interface: MQTT to %s port %d not started: %s\n",
            mqtt.strHost.toUtf8().constData(), mqtt.nPort, strError.toUtf8().constData());
}

void RStation::Start()
{
    if (!m_bOpen || m_bStarted)
        return;
    m_bStarted = true;
    m_nJournalAtStart = m_pWriter->State().IsUsable() ? RAlarmJournal::LastSeq() : -1;
    // Before the start's row: the station back is mailed.
    ApplyNotify();
    // Before the link starts: the first reading meets the state of the stop.
    m_pAlarmState->Start();
    m_pWatch->Reload(m_pAlarmState->RaisedIds());
    m_pInstruments->Check();
    m_pInstrumentTimer->start();
    if (m_pWriter->State().IsUsable())
        m_pSiteLink->Apply(RSiteConfig::Load());
    m_pLink->StartThread();
    m_pLink->RequestConnect();
    ApplyPlant();
    ApplyWeb();
}

void RStation::Stop(const QString& strHow)
{
    if (!m_bOpen || m_bStopped)
        return;
    m_bStopped = true;
    // Who stopped it is the account logged in at the time, else the desktop.
    const QString strStoppedBy
        = m_pSession->IsLoggedIn() ? m_pSession->Actor().strName : RAlarmState::DesktopUser();
    // The session ends with the program, in the trail too; its row goes with
    // the last commit below.
    {
        const QSignalBlocker blocker(m_pSession);
        m_pSession->LogOut(QStringLiteral("shut-down"));
    }
    m_pIdleTimer->stop();
    m_pInstrumentTimer->stop();
    // The control system sees the station go, not a map that stops moving.
    m_pModbus->Stop();
    m_pWeb->Stop();
    m_pMqtt->Stop();
    m_pNotifier->Stop();
    if (m_pMqttKeep->isActive()) {
        m_pMqttKeep->stop();
        RPlantConfig::SetMqttAcknowledged(m_pMqtt->AcknowledgedSeq());
    }
    // No reading may arrive after the last commit: the link stops first (its
    // decoder delivers what it decoded before the stop), then the aggregator
    // finishes its minute, releases its statements and commits.
    delete m_pLink;
    m_pLink = nullptr;
    // After the last reading, before the last commit: the state as it stands
    // and the stop itself reach the file.
    if (m_bStarted)
        m_pAlarmState->Stop(strStoppedBy, strHow);
    m_pAggregator.reset();
    m_pWriter->Commit();
    // After the last commit, so the logout record is written at once.
    RUserSession::CloseLastLogin(m_pClock->Now());
    // The site sender reads the file: it stops before the file closes.
    delete m_pSiteLink;
    m_pSiteLink = nullptr;
    m_pWriter->ReleaseStatements();
    m_nLostAtClose = m_pWriter->LostAtClose();
}

void RStation::StoreReading(int nId, int nCount)
{
    if (m_pLink)
        m_pLink->NoteReading();
    if (m_pAggregator)
        m_pAggregator->StoreRegionReading(nId, nCount);
}

void RStation::ReloadDevices(const std::function<void()>& reloadPages)
{
    if (!m_bOpen || m_bStopped)
        return;
    m_pAlarmState->CloseLink(QStringLiteral("settings"));
    m_pLink->DisConnect();
    m_pAggregator->StopTimers();
    m_pWriter->Commit();
    // The catalogue first: the pages and the aggregator read it.
    m_pCatalogue->Reload();
    m_pWatch->Reload(m_pAlarmState->RaisedIds());
    if (reloadPages)
        reloadPages();
    m_pAggregator->LoadRegionIds();
    // The site database's settings are saved with the others; a sender
    // that failed (a wrong password, say) starts again with them.
    if (m_pWriter->State().IsUsable())
        m_pSiteLink->Apply(RSiteConfig::Load());
    // The map, the publisher and the web view follow the region list
    // without dropping their clients.
    const RStationSnapshot snapshot = Snapshot();
    m_pModbus->Reset(snapshot);
    m_pMqtt->Reset(snapshot);
    m_pWeb->Feed().Reset(snapshot);
    ApplyPlant();
    ApplyWeb();
    ApplyNotify();
    m_pLink->RequestConnect();
}

void RStation::ReloadThresholds()
{
    m_pCatalogue->Reload();
    if (m_pWatch)
        m_pWatch->LoadFilters();
}

bool RStation::May(RUserRights::Action eAction) const
{
    return m_pSession && m_pSession->IsLoggedIn() && RUserRights::May(m_pSession->Grade(), eAction);
}

RStation::Outcome RStation::Check(RUserRights::Action eAction) const
{
    if (!m_pSession || !m_pSession->IsLoggedIn())
        return Outcome::NotLoggedIn;
    return RUserRights::May(m_pSession->Grade(), eAction) ? Outcome::Done : Outcome::NotAllowed;
}

RStation::Outcome RStation::Acknowledge(int nId)
{
    const Outcome eOutcome = Check(RUserRights::Action::Acknowledge);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    if (nId == 0)
        m_pAlarmState->AcknowledgeAll();
    else if (m_pAlarmState->IsUnacknowledged(nId))
        m_pAlarmState->Acknowledge(nId);
    else
        return Outcome::Refused;
    m_pAudit->Append(
        m_pSession->Actor(), QLatin1String(RAuditAction::Acknowledge), regionObject(nId));
    return Outcome::Done;
}

RStation::Outcome RStation::SetMuted(bool bMuted)
{
    if (m_pCue->IsMuted() == bMuted)
        return Outcome::Done;
    // Sound back on needs no one.
    if (bMuted) {
        const Outcome eOutcome = Check(RUserRights::Action::Mute);
        if (eOutcome != Outcome::Done)
            return eOutcome;
    }
    m_pCue->SetMuted(bMuted);
    if (bMuted)
        m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::Mute));
    return Outcome::Done;
}

RStation::Outcome RStation::Shelve(int nId, const QDateTime& until, const QString& strReason)
{
    const Outcome eOutcome = Check(RUserRights::Action::Shelve);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    if (strReason.trimmed().isEmpty() || !m_pAlarmState->Shelve(nId, until, strReason.trimmed()))
        return Outcome::Refused;
    return Outcome::Done;
}

RStation::Outcome RStation::Unshelve(int nId, const QString& strReason)
{
    const Outcome eOutcome = Check(RUserRights::Action::Shelve);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    return m_pAlarmState->Unshelve(nId, strReason) ? Outcome::Done : Outcome::Refused;
}

RStation::Outcome RStation::TakeOutOfService(int nId, const QString& strReason)
{
    const Outcome eOutcome = Check(RUserRights::Action::Instruments);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    if (!m_pCatalogue->Find(nId) || !m_pAlarmState->TakeOutOfService(nId, strReason))
        return Outcome::Refused;
    return Outcome::Done;
}

RStation::Outcome RStation::ReturnToService(int nId, const QString& strReason)
{
    const Outcome eOutcome = Check(RUserRights::Action::Instruments);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    return m_pAlarmState->ReturnToService(nId, strReason) ? Outcome::Done : Outcome::Refused;
}

RStation::Outcome RStation::RecordCalibration(const RInstrumentCalibration& calibration)
{
    const Outcome eOutcome = Check(RUserRights::Action::Instruments);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    const QDate today = m_pClock->Now().date();
    if (!m_pCatalogue->Find(calibration.nId) || !calibration.date.isValid()
        || calibration.date > today || !calibration.nextDue.isValid()
        || calibration.nextDue <= calibration.date || !(calibration.dFactor > 0.0)
        || calibration.dCoefficient < 0.0 || calibration.strCertificate.trimmed().isEmpty())
        return Outcome::Refused;
    RInstrumentCalibration record = calibration;
    record.strAccount = m_pSession->Actor().strName;
    record.entered = m_pClock->Now();
    QString strNew = QStringLiteral("%1 factor %2 certificate %3 laboratory %4 next due %5")
                         .arg(record.date.toString(Qt::ISODate))
                         .arg(record.dFactor)
                         .arg(record.strCertificate, record.strLaboratory,
                             record.nextDue.toString(Qt::ISODate));
    QString strOld;
    if (record.dCoefficient > 0.0) {
        const QHash<int, double> own = RInstrumentStore::Coefficients();
        record.dOldCoefficient = own.value(record.nId, RSystemInfoStore::Values().dCeffR);
        strOld = QStringLiteral("coefficient %1").arg(record.dOldCoefficient);
        strNew += QStringLiteral(" coefficient %1").arg(record.dCoefficient);
    }
    if (!RInstrumentStore::AddCalibration(*m_pWriter, record))
        return Outcome::Refused;
    m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::Calibration),
        regionObject(record.nId), strOld, strNew);
    if (record.dCoefficient > 0.0 && m_pAggregator)
        m_pAggregator->LoadCoefficients();
    m_pInstruments->Check();
    emit InstrumentsChanged(record.nId);
    return Outcome::Done;
}

RStation::Outcome RStation::RecordTest(const RInstrumentTest& test)
{
    const Outcome eOutcome = Check(RUserRights::Action::Instruments);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    if (!m_pCatalogue->Find(test.nId) || !test.date.isValid() || test.date > m_pClock->Now().date()
        || !test.nextDue.isValid() || test.nextDue <= test.date
        || (test.nKind != RInstrumentTest::CheckSource && test.nKind != RInstrumentTest::AlarmTest)
        || test.dValue < 0.0)
        return Outcome::Refused;
    RInstrumentTest record = test;
    record.strAccount = m_pSession->Actor().strName;
    record.entered = m_pClock->Now();
    if (!RInstrumentStore::AddTest(*m_pWriter, record))
        return Outcome::Refused;
    m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::FunctionTest),
        regionObject(record.nId), QString(),
        QStringLiteral("%1 %2 %3 value %4 next due %5")
            .arg(record.date.toString(Qt::ISODate),
                QLatin1String(record.nKind == RInstrumentTest::AlarmTest ? "alarm" : "source"),
                QLatin1String(record.bPass ? "pass" : "fail"))
            .arg(record.dValue)
            .arg(record.nextDue.toString(Qt::ISODate)));
    m_pInstruments->Check();
    emit InstrumentsChanged(record.nId);
    return Outcome::Done;
}

RStation::Outcome RStation::RecordNote(int nId, const QString& strText)
{
    const Outcome eOutcome = Check(RUserRights::Action::InstrumentNote);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    if (!m_pCatalogue->Find(nId) || strText.trimmed().isEmpty())
        return Outcome::Refused;
    const RInstrumentNote note {
        0, nId, m_pClock->Now(), strText.trimmed(), m_pSession->Actor().strName};
    if (!RInstrumentStore::AddNote(*m_pWriter, note))
        return Outcome::Refused;
    m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::InstrumentNote),
        regionObject(nId), QString(), note.strText);
    emit InstrumentsChanged(nId);
    return Outcome::Done;
}

RStation::Outcome RStation::RecordThreshold(int nId, int nOld, int nNew)
{
    const Outcome eOutcome = Check(RUserRights::Action::Thresholds);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    if (nId != 0) {
        m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::Threshold),
            regionObject(nId), nOld < 0 ? QString() : QString::number(nOld), QString::number(nNew));
        return Outcome::Done;
    }
    // All at once is each region's change, with the value it had.
    for (const RRegion& region : m_pCatalogue->Regions())
        m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::Threshold),
            regionObject(region.nId), QString::number(region.nAlarmValue), QString::number(nNew));
    return Outcome::Done;
}

RStation::Outcome RStation::RecordDayDelete(const QString& strObject, int nRows)
{
    const Outcome eOutcome = Check(RUserRights::Action::DayDelete);
    if (eOutcome != Outcome::Done)
        return eOutcome;
    m_pAudit->Append(m_pSession->Actor(), QLatin1String(RAuditAction::DayDelete), strObject,
        QStringLiteral("%1 rows").arg(nRows));
    return Outcome::Done;
}

void RStation::RecordChange(const QString& strAction, const QString& strObject,
    const QString& strOld, const QString& strNew)
{
    m_pAudit->Append(m_pSession->Actor(), strAction, strObject, strOld, strNew);
}

void RStation::OnLookChanged(int nId)
{
    if (nId == 0) {
        for (const RRegion& region : m_pCatalogue->Regions())
            emit AlarmStateChanged(region.nId, RegionState(region.nId));
        return;
    }
    emit AlarmStateChanged(nId, RegionState(nId));
}

RStationRegion RStation::RegionState(int nId) const
{
    RStationRegion region;
    region.nId = nId;
    if (const RRegion* pRegion = m_pCatalogue->Find(nId)) {
        region.strName = pRegion->strName;
        region.nThreshold = pRegion->nAlarmValue;
    }
    if (m_pWatch) {
        if (const RRegionWatch::Region* pLive = m_pWatch->Find(nId)) {
            region.fDose = pLive->fDose;
            region.time = pLive->time;
            region.bOnline = pLive->bOnline;
        }
    }
    if (m_pAlarmState) {
        region.nLook = m_pAlarmState->LookOf(nId);
        region.bActive = m_pAlarmState->IsActive(nId);
        region.bUnacknowledged = m_pAlarmState->IsUnacknowledged(nId);
        region.bShelved = m_pAlarmState->IsShelved(nId);
        region.bOutOfService = m_pAlarmState->IsOutOfService(nId);
        region.bChattering = m_pAlarmState->IsChattering(nId);
    }
    return region;
}

RStationSnapshot RStation::Snapshot() const
{
    RStationSnapshot snapshot;
    snapshot.time = m_pClock->Now();
    snapshot.bLinkUp = m_pAlarmState && m_pAlarmState->IsLinkUp();
    snapshot.strStorageProblem = m_pWriter->State().ProblemText();
    if (m_pAlarmState) {
        snapshot.bFlood = m_pAlarmState->IsFlood();
        snapshot.nFloodAlarms = m_pAlarmState->RecentAlarms();
    }
    if (m_pSession && m_pSession->IsLoggedIn()) {
        snapshot.strAccount = m_pSession->Actor().strName;
        snapshot.nGrade = m_pSession->Grade();
    }
    for (const RRegion& region : m_pCatalogue->Regions())
        snapshot.regions.append(RegionState(region.nId));
    return snapshot;
}

bool RStation::event(QEvent* pEvent)
{
    const int nType = static_cast<int>(pEvent->type());
    if (!m_options.bHeadless || !SBus::IsAccepted(nType))
        return QObject::event(pEvent);
    const auto* pMessage = static_cast<const SMessage*>(pEvent);
    const qintptr a = pMessage->First();
    const qintptr b = pMessage->Second();
    switch (nType) {
    case SBus::RawReading:
        StoreReading(static_cast<int>(a), static_cast<int>(b));
        break;
    case SBus::StatusText:
    case SBus::SecondText:
        // What the window's status strip would show.
        if (a != 0)
            Log(LogLevel::Notice, "status: %s\n", reinterpret_cast<const char*>(a));
        break;
    case SBus::SendThreshold:
        if (m_pLink)
            m_pLink->SetThreshold(static_cast<int>(a), static_cast<int>(b));
        break;
    case SBus::ReloadAfterDeviceUpdate:
        ReloadDevices();
        break;
    case SBus::ReloadThresholds:
        ReloadThresholds();
        break;
    default:
        break;
    }
    return true;
}
