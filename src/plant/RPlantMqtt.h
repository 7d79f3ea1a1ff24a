#pragma once

#include "database/RAlarmJournal.h"
#include "station/RStationSnapshot.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

#include <deque>
#include <set>

class QThread;
class QTimer;
class RPlantMqttLink;
class RStation;

// The MQTT publisher of the plant's historian and dashboards, on the GUI
// thread; the broker's link runs on a thread of its own. It publishes
//   kestal/<site>/region/<id>  retained, each region's state as JSON, on
//                              every change and every minute;
//   kestal/<site>/alarm        QoS 1, one message per journal row with its
//                              sequence number, read from the journal;
//   kestal/<site>/station      retained "online", "offline" as the last will.
// Nothing waits in memory for a broker that is gone or stalls: at most
// Window messages are in the library's hands, a region's state is kept once
// (its newest), and the journal keeps the events. After an outage the events
// go again from the one after the last the broker acknowledged, in order.
class RPlantMqtt final : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        QString strHost = QStringLiteral("127.0.0.1");
        int nPort = 1883;
        QString strClientId = QStringLiteral("kestal");
        QString strUser;
        QString strPassword;
        QString strCaFile; // set: TLS
        QString strSite = QStringLiteral("site"); // the topics' second level
        int nKeepAliveSeconds = 30;
        int nFirstBackoffMs = 1000;
    };
    // Messages handed to the library and not yet sent (states) or
    // acknowledged (events).
    static constexpr int Window = 100;
    static constexpr int RefreshMs = 60000;

    explicit RPlantMqtt(QObject* pParent = nullptr);
    ~RPlantMqtt() override;

    void Attach(RStation* pStation);
    void Reset(const RStationSnapshot& snapshot);
    // Links to the broker. Events after nAckedSeq go first; -1: only those
    // written from now on. False with the reason when the settings cannot
    // be used.
    bool Start(const Settings& settings, qint64 nAckedSeq, QString* pError);
    // Says "offline", closes the link and waits for its thread.
    void Stop();
    bool IsRunning() const { return m_pLink != nullptr; }
    bool IsConnected() const { return m_bConnected; }
    // For the status strip: connected, or why not.
    QString Status() const { return m_strStatus; }
    // Every event up to this one reached the broker.
    qint64 AcknowledgedSeq() const { return m_nAckedSeq; }

    // A topic level of strSite: MQTT's wildcards and separators replaced.
    static QString TopicLevel(const QString& strSite);

signals:
    void StatusChanged(const QString& strStatus);
    void Acknowledged(qint64 nSeq);

private:
    Q_DISABLE_COPY(RPlantMqtt)
    void OnConnected();
    void OnFailed(const QString& strReason);
    void OnPublished(int nMessage);
    void SetStatus(const QString& strStatus);
    void MarkDirty(int nId);
    // Hands the library what waits, events first, up to the window.
    void Pump();
    void Forget();

    RStation* m_pStation = nullptr;
    QThread* m_pThread = nullptr;
    RPlantMqttLink* m_pLink = nullptr;
    QTimer* m_pRefresh;
    Settings m_settings;
    QByteArray m_prefix; // "kestal/<site>/"
    QHash<int, RStationRegion> m_regions;
    QVector<int> m_order;
    std::deque<int> m_dirtyQueue;
    QSet<int> m_dirty;
    QHash<int, qint64> m_inflight; // message id → event's sequence (0: not an event)
    std::set<qint64> m_unacknowledged;
    qint64 m_nSentSeq = 0;
    qint64 m_nAckedSeq = 0;
    bool m_bEventsWaiting = false;
    bool m_bConnected = false;
    int m_nGeneration = 0; // a link's late signals are not the next one's
    QString m_strStatus;
    QString m_strLastFailure; // logged once until it changes
};
