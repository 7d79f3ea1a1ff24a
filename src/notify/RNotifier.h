#pragma once

#include "database/RAlarmJournal.h"
#include "notify/RNotifyConfig.h"
#include "notify/RNotifyPost.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <deque>

class QTimer;
class RRegionCatalogue;
class SClock;
struct RNotifyRow;

// Tells the people on call by mail what the journal records: an alarm
// raised, an alarm nobody acknowledged (escalated list by list), its
// acknowledgement to everyone told, the link lost for long, a storage
// fault, a flood (summaries, never a mail per region), the station back
// after a stop or crash. Every mail is queued in the station file in the
// transaction of the journal row that causes it and marked when the server
// took it, so a restart or a server that is down delays mails and loses
// none; late ones say so. GUI thread; the mails go out on a worker thread.
class RNotifier final : public QObject
{
    Q_OBJECT
public:
    // Alarm mails wait this long, so that a flood's first alarms go into
    // its summary instead of a mail each.
    static constexpr qint64 GatherMs = 10000;
    // A mail sent this long after its event is marked late.
    static constexpr qint64 LateMs = 60000;
    // Tries after a failure: this, doubling, up to MaxRetryMs.
    static constexpr qint64 FirstRetryMs = 5000;
    static constexpr qint64 MaxRetryMs = 300000;

    RNotifier(RAlarmJournal* pJournal, RRegionCatalogue* pCatalogue, SClock* pClock,
        QObject* pParent = nullptr);
    ~RNotifier() override;

    // Runs with config (stops when it is off); the alarms told and not
    // acknowledged come back from the file.
    void Start(const RNotifyConfig& config);
    void Stop();
    bool IsRunning() const { return m_pPost->IsRunning(); }
    // The station's storage: a fault is mailed from memory, the file may
    // be what fails.
    void SetStorageProblem(const QString& strProblem);
    // The data server's link as the station sees it: a station that starts
    // without one mails it as lost like a link that drops.
    void SetLinkUp(bool bUp);
    // Escalations, the link's delay, the flood's summaries and the sending;
    // every second by itself, the tests call it on their clock.
    void Tick();
    // Empty while mail goes out (or is off); else why it cannot.
    QString Status() const { return m_strStatus; }

signals:
    void StatusChanged(const QString& strStatus);

private:
    Q_DISABLE_COPY(RNotifier)
    struct Open
    {
        QDateTime raised;
        int nLevel = 0;
        QStringList told;
        // Told in a flood's summary rather than a mail of its own.
        bool bSummarised = false;
    };

    void OnJournal(const RAlarmEvent& event);
    void OnSent(const RNotifySent& sent);
    void SendNext();
    // Queues a mail to list nLevel (or the next that covers the hour);
    // the addresses it went to.
    QStringList Queue(const QString& strKind, int nId, int nLevel, const QString& strSubject,
        const QString& strBody, int nState = 0, const QStringList& to = QStringList());
    QStringList ListFor(int nLevel) const;
    QString RegionText(int nId) const;
    QString FloodSummary(qint64 nAfterSeq) const;
    void SetStatus(const QString& strStatus);

    RAlarmJournal* m_pJournal;
    RRegionCatalogue* m_pCatalogue;
    SClock* m_pClock;
    QTimer* m_pTimer;
    RNotifyConfig m_config;
    RNotifyPost* m_pPost;
    bool m_bBusy = false;
    qint64 m_nRetryAtMs = 0; // station time (ms since the epoch)
    qint64 m_nRetryMs = FirstRetryMs;
    QString m_strStatus;
    QHash<int, Open> m_open; // alarms told and not acknowledged
    QHash<int, QDateTime> m_lastRegionMail;
    bool m_bFlood = false;
    QDateTime m_lastFloodMail;
    qint64 m_nFloodSeq = 0; // the last flood summary's row
    bool m_bLinkUp = false;
    QDateTime m_linkDown; // invalid while the link is up
    bool m_bLinkMailed = false;
    std::deque<qint64> m_sentMs; // sends of the last hour
    QStringList m_hourHeld; // subjects kept back by the hourly limit
    QVector<RNotifyMail> m_memory; // mails that do not go through the file
};
