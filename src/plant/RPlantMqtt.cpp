#include "plant/RPlantMqtt.h"

#include "message/PLogRecord.h"
#include "plant/RPlantMqttLink.h"
#include "station/RStation.h"
#include "station/RStationJson.h"

#include <QThread>
#include <QTimer>

RPlantMqtt::RPlantMqtt(QObject* pParent)
    : QObject(pParent)
    , m_pRefresh(new QTimer(this))
{
    m_pRefresh->setInterval(RefreshMs);
    connect(m_pRefresh, &QTimer::timeout, this, [this] {
        if (m_pStation) {
            Reset(m_pStation->Snapshot());
            return;
        }
        for (int nId : qAsConst(m_order))
            MarkDirty(nId);
        Pump();
    });
}

RPlantMqtt::~RPlantMqtt()
{
    Stop();
}

QString RPlantMqtt::TopicLevel(const QString& strSite)
{
    QString strLevel = strSite.trimmed();
    for (QChar& c : strLevel) {
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.isNull())
            c = QLatin1Char('_');
    }
    return strLevel.isEmpty() ? QStringLiteral("site") : strLevel;
}

void RPlantMqtt::Reset(const RStationSnapshot& snapshot)
{
    m_order.clear();
    QHash<int, RStationRegion> regions;
    for (const RStationRegion& region : snapshot.regions) {
        regions.insert(region.nId, region);
        m_order.append(region.nId);
    }
    m_regions.swap(regions);
    m_dirty.clear();
    m_dirtyQueue.clear();
    for (int nId : qAsConst(m_order))
        MarkDirty(nId);
    Pump();
}

void RPlantMqtt::Attach(RStation* pStation)
{
    m_pStation = pStation;
    Reset(pStation->Snapshot());
    connect(pStation, &RStation::ReadingStored, this, [this](const RStationReading& reading) {
        auto it = m_regions.find(reading.nId);
        if (it == m_regions.end())
            return;
        it->fDose = reading.fDose;
        it->time = reading.time;
        it->bOnline = true;
        MarkDirty(reading.nId);
        Pump();
    });
    connect(pStation, &RStation::AlarmStateChanged, this,
        [this](int nId, const RStationRegion& region) {
            if (!m_regions.contains(nId))
                return;
            m_regions.insert(nId, region);
            MarkDirty(nId);
            Pump();
        });
    connect(pStation->Journal(), &RAlarmJournal::Written, this, [this] {
        m_bEventsWaiting = true;
        Pump();
    });
}

void RPlantMqtt::MarkDirty(int nId)
{
    if (m_dirty.contains(nId))
        return;
    m_dirty.insert(nId);
    m_dirtyQueue.push_back(nId);
}

bool RPlantMqtt::Start(const Settings& settings, qint64 nAckedSeq, QString* pError)
{
    Stop();
    m_settings = settings;
    m_prefix = QStringLiteral("kestal/%1/").arg(TopicLevel(settings.strSite)).toUtf8();
    RPlantMqttLink::Options options;
    options.strHost = settings.strHost;
    options.nPort = settings.nPort;
    options.strClientId = settings.strClientId;
    options.strUser = settings.strUser;
    options.strPassword = settings.strPassword;
    options.strCaFile = settings.strCaFile;
    options.willTopic = m_prefix + "station";
    options.nKeepAliveSeconds = settings.nKeepAliveSeconds;
    options.nFirstBackoffMs = settings.nFirstBackoffMs;
    auto* pLink = new RPlantMqttLink(options);
    if (!pLink->Problem().isEmpty()) {
        *pError = pLink->Problem();
        delete pLink;
        return false;
    }
    // A new journal (or none) has fewer rows than the last acknowledged.
    const qint64 nLast = RAlarmJournal::LastSeq();
    m_nAckedSeq = nAckedSeq < 0 ? nLast : qMin(nAckedSeq, nLast);
    Forget();
    m_pLink = pLink;
    m_pThread = new QThread(this);
    m_pThread->setObjectName(QStringLiteral("mqtt"));
    m_pLink->moveToThread(m_pThread);
    const int nGeneration = ++m_nGeneration;
    connect(m_pThread, &QThread::started, m_pLink, &RPlantMqttLink::Run);
    connect(m_pLink, &RPlantMqttLink::Connected, this, [this, nGeneration] {
        if (nGeneration == m_nGeneration)
            OnConnected();
    });
    connect(m_pLink, &RPlantMqttLink::Failed, this, [this, nGeneration](const QString& strReason) {
        if (nGeneration == m_nGeneration)
            OnFailed(strReason);
    });
    connect(m_pLink, &RPlantMqttLink::Published, this, [this, nGeneration](int nMessage) {
        if (nGeneration == m_nGeneration)
            OnPublished(nMessage);
    });
    SetStatus(QStringLiteral("connecting to %1 port %2").arg(settings.strHost).arg(settings.nPort));
    m_pThread->start();
    m_pRefresh->start();
    Log(LogLevel::Notice, "plant interface: MQTT to %s port %d\n",
        settings.strHost.toUtf8().constData(), settings.nPort);
    return true;
}

void RPlantMqtt::Stop()
{
    m_pRefresh->stop();
    if (!m_pLink)
        return;
    ++m_nGeneration;
    m_pLink->RequestStop();
    m_pThread->quit();
    m_pThread->wait();
    delete m_pLink;
    m_pLink = nullptr;
    delete m_pThread;
    m_pThread = nullptr;
    m_bConnected = false;
    Forget();
    m_strLastFailure.clear();
    SetStatus(QString());
}

void RPlantMqtt::Forget()
{
    // What the library had is gone with its link; the journal still has
    // the events, and the states are sent whole again.
    m_inflight.clear();
    m_unacknowledged.clear();
    m_nSentSeq = m_nAckedSeq;
    m_bEventsWaiting = true;
}

void RPlantMqtt::OnConnected()
{
    m_bConnected = true;
    m_strLastFailure.clear();
    Forget();
    const int nMessage
        = m_pLink->Publish(m_prefix + "station", QByteArrayLiteral("online"), 1, true);
    if (nMessage >= 0)
        m_inflight.insert(nMessage, 0);
    for (int nId : qAsConst(m_order))
        MarkDirty(nId);
    SetStatus(
        QStringLiteral("connected to %1 port %2").arg(m_settings.strHost).arg(m_settings.nPort));
    Log(LogLevel::Notice, "plant interface: MQTT broker %s port %d connected\n",
        m_settings.strHost.toUtf8().constData(), m_settings.nPort);
    Pump();
}

void RPlantMqtt::OnFailed(const QString& strReason)
{
    m_bConnected = false;
    Forget();
    SetStatus(QStringLiteral("not connected to %1 port %2: %3")
                  .arg(m_settings.strHost)
                  .arg(m_settings.nPort)
                  .arg(strReason));
    if (strReason != m_strLastFailure) {
        m_strLastFailure = strReason;
        Log(LogLevel::Warning, "plant interface: MQTT broker %s port %d: %s; trying again\n",
            m_settings.strHost.toUtf8().constData(), m_settings.nPort,
            strReason.toUtf8().constData());
    }
}

void RPlantMqtt::OnPublished(int nMessage)
{
    const auto it = m_inflight.find(nMessage);
    if (it == m_inflight.end())
        return;
    const qint64 nSeq = it.value();
    m_inflight.erase(it);
    if (nSeq > 0) {
        m_unacknowledged.erase(nSeq);
        const qint64 nAcked = m_unacknowledged.empty() ? m_nSentSeq : *m_unacknowledged.begin() - 1;
        if (nAcked > m_nAckedSeq) {
            m_nAckedSeq = nAcked;
            emit Acknowledged(nAcked);
        }
    }
    Pump();
}

void RPlantMqtt::SetStatus(const QString& strStatus)
{
    if (strStatus == m_strStatus)
        return;
    m_strStatus = strStatus;
    emit StatusChanged(strStatus);
}

void RPlantMqtt::Pump()
{
    if (!m_bConnected)
        return;
    while (m_bEventsWaiting && m_inflight.size() < Window) {
        const int nAsked = Window - m_inflight.size();
        const QVector<RAlarmEvent> events = RAlarmJournal::ReadAfter(m_nSentSeq, nAsked);
        m_bEventsWaiting = events.size() == nAsked;
        for (const RAlarmEvent& event : events) {
            const int nMessage
                = m_pLink->Publish(m_prefix + "alarm", RStationJson::Event(event), 1, false);
            if (nMessage < 0) {
                // The link went; its failure comes and the journal has them.
                m_bEventsWaiting = true;
                return;
            }
            m_inflight.insert(nMessage, event.nSeq);
            m_unacknowledged.insert(event.nSeq);
            m_nSentSeq = event.nSeq;
        }
    }
    const QByteArray regionTopic = m_prefix + "region/";
    while (!m_dirtyQueue.empty() && m_inflight.size() < Window) {
        const int nId = m_dirtyQueue.front();
        const auto it = m_regions.constFind(nId);
        if (it != m_regions.constEnd()) {
            const int nMessage = m_pLink->Publish(
                regionTopic + QByteArray::number(nId), RStationJson::Region(*it), 0, true);
            if (nMessage < 0)
                return;
            m_inflight.insert(nMessage, 0);
        }
        m_dirtyQueue.pop_front();
        m_dirty.remove(nId);
    }
}
