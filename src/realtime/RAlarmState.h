#pragma once

#include "database/RAlarmShelfStore.h"
#include "database/RInstrumentStore.h"
#include "realtime/RAlarmChatter.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

class QTimer;
class RAlarmJournal;
class SClock;
struct RAlarmEvent;

// The operator's side of the alarms: each alarm stays unacknowledged, and
// visible, until acknowledged, whatever the dose does meanwhile; the journal
// gets every transition of the alarms, the regions and the link. This is the
// one alarm state every view paints (table row, plan room, gauge marker): a
// look per region, and one flash phase shared by all views so that they
// blink together. A lost link is an alarm of its own (id kLinkId): no region
// can raise one while it is down. The readings' alarm rule (threshold and
// filter) stays the region model's; here are what the raises and clears mean
// to the operator:
// - chattering: a region raised more than RAlarmChatter's limit times within
//   a minute gets a "chattering" row, then neither rows nor sounds for its
//   raises and clears until it has gone a whole minute without a raise
//   ("chatter-end"); it stays shown in alarm meanwhile;
// - shelving: a region taken out of service until a time (8 hours at most)
//   shows shelved, never sounds and writes no alarm rows; its open alarm is
//   closed with a "clear" row, and a region still raised when the shelving
//   ends alarms again at once;
// - flood: more than kFloodLimit new alarms within kFloodWindowMs; the flood
//   ends when the window holds kFloodEndAt or fewer.
// An alarm episode is what one count stands for, in the day's count, the
// journal and every report: it begins with an "alarm" row, takes in every
// raise until the alarm has been cleared for kEpisodeMs after its last
// raised reading (such a raise's row says "continued=1"), and a chattering
// spell is within it. A region raised again without a clear between (back
// on line, a new connection, a restart) goes on with its episode and writes
// nothing. The whole state is kept in the file with the journal rows that
// change it (RAlarmStateStore) and taken up again at start.
// GUI thread.
class RAlarmState final : public QObject
{
    Q_OBJECT
public:
    // What a view shows of a region's alarm.
    enum Look {
        NoAlarm = 0,
        ActiveUnacknowledged = 1, // flashing
        ActiveAcknowledged = 2, // steady alarm colour
        ClearedUnacknowledged = 3, // outline only
        Shelved = 4, // grey hatching: out of service, whatever the dose
        OutOfService = 5, // the monitor taken out for service: no alarm at all
    };

    // Half a period of the flashing.
    static constexpr int kFlashMs = 500;
    static constexpr qint64 kMaxShelfSecs = 8 * 3600;
    static constexpr qint64 kFloodWindowMs = 10 * 60000;
    static constexpr int kFloodLimit = 10;
    static constexpr int kFloodEndAt = kFloodLimit / 2;
    // Chattering, shelving ends and floods are looked at this often besides
    // with every change.
    static constexpr int kPollMs = 1000;
    // How long after its last raised reading a cleared alarm's episode may
    // be taken up again by a new raise.
    static constexpr qint64 kEpisodeMs = 60000;
    // The last raised reading is written at most this often while an alarm
    // lasts (exactly at a clean stop).
    static constexpr qint64 kLastAlarmSaveMs = 10000;

    // The alarm colour of every view; a flashing alarm's dark phase.
    static QColor AlarmColour(bool bBright = true);
    // The colour of a shelved region in every view.
    static QColor ShelvedColour();
    // The colour of a monitor out of service.
    static QColor OutOfServiceColour();

    // The id the link's events and its alarm go by; no region has it.
    static constexpr int kLinkId = 0;

    // pJournal: where events are written; not owned, may be null. pClock:
    // "now" of the chattering, shelving and flood rules (the system clock
    // when null); not owned. The shelved regions are read from the file.
    explicit RAlarmState(
        RAlarmJournal* pJournal, QObject* pParent = nullptr, SClock* pClock = nullptr);
    ~RAlarmState() override;

    // The name written with acknowledgements and shelvings: the desktop user
    // by default.
    void SetOperator(const QString& strOperator) { m_strOperator = strOperator; }
    static QString DesktopUser();
    // More than nLimit raises within a minute make a region chatter; 0: never.
    void SetChatterLimit(int nLimit) { m_chatter.SetLimit(nLimit); }

    bool IsUnacknowledged(int nId) const { return m_unacknowledged.contains(nId); }
    bool AnyUnacknowledged() const { return !m_unacknowledged.isEmpty(); }
    bool IsActive(int nId) const { return m_active.contains(nId); }
    // Regions whose alarm rule holds them raised, shown or not.
    QSet<int> RaisedIds() const { return m_raised; }
    // An episode of nId is running: raised, or cleared less than kEpisodeMs
    // after its last raised reading.
    bool InEpisode(int nId) const;
    bool IsChattering(int nId) const { return m_chatter.IsChattering(nId); }
    bool IsShelved(int nId) const { return m_shelves.contains(nId); }
    RAlarmShelf ShelfOf(int nId) const { return m_shelves.value(nId); }
    QList<int> ShelvedIds() const { return m_shelves.keys(); }
    bool IsOutOfService(int nId) const { return m_outages.contains(nId); }
    RInstrumentOutage OutageOf(int nId) const { return m_outages.value(nId); }
    // Every id with something to show: active or unacknowledged.
    QSet<int> AlarmIds() const { return m_active + m_unacknowledged; }
    // The clock of the events and of the time checks.
    SClock* Clock() const { return m_pClock; }
    Look LookOf(int nId) const;
    // The phase of every flashing alarm: true shows the full alarm colour.
    bool FlashOn() const { return m_bFlashOn; }
    // Some alarm is active and unacknowledged: the phase turns every kFlashMs.
    bool IsFlashing() const;
    bool IsLinkUp() const { return m_bLinkUp; }
    bool IsFlood() const { return m_bFlood; }
    // New alarms within the last kFloodWindowMs.
    int RecentAlarms() const { return m_recentRaises.size(); }
    RAlarmJournal* Journal() const { return m_pJournal; }

    // The order alarms are seen in during a flood: a lost link first, then
    // alarms by how far over the threshold (10 times, twice, at all), then
    // chattering and floods, then the rest; lower is first.
    static int Priority(const RAlarmEvent& event);
    // By priority, the earliest first within one.
    static void SortByPriority(QVector<RAlarmEvent>* pEvents);

signals:
    // nId 0: several regions at once.
    void AcknowledgementChanged(int nId);
    void UnacknowledgedChanged(bool bAny);
    // A region's look changed (nId 0: several at once).
    void LookChanged(int nId);
    void FlashChanged(bool bOn);
    // A region entered alarm, or the link was lost: the audible cue sounds.
    void NewAlarm(int nId);
    void LinkChanged(bool bUp);
    // A flood began, its count changed, or it ended (bFlood false).
    void FloodChanged(bool bFlood, int nAlarms);
    // A shelving began or ended; strAccount empty when its time ran out.
    void ShelfChanged(int nId, bool bShelved, const QString& strAccount, const QString& strText);
    // A monitor was taken out of service or returned to it.
    void ServiceChanged(int nId, bool bOut, const QString& strReason);

public slots:
    // One reading of a region that the alarm rule holds raised (µRad/h).
    void OnAlarmReading(int nId, float fDose);
    void OnAlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold);
    void OnOnlineChanged(int nId, bool bOnline);
    void OnLinkChanged(bool bUp);
    // The program closes the link itself (a stop, new settings): on record
    // with its reason, but no alarm to acknowledge; the drop it causes is
    // then no news.
    void CloseLink(const QString& strReason);
    void Acknowledge(int nId);
    void AcknowledgeAll();
    // One flash step: the phase turns over (the timer's step, or a test's).
    void FlashStep();
    // Ends chattering, shelvings and a flood whose time is up.
    void Poll();

public:
    // At start, before the first reading: the state of the last stop or
    // crash back from the file, and a "started" row that says which it was
    // and since when the station was down. Nothing without a journal.
    void Start();
    // A clean stop: the link's end, every state exact in the file, and a
    // "stopped" row by strWho (strHow: what stopped it). Nothing is written
    // after it.
    void Stop(const QString& strWho, const QString& strHow);
    bool IsStopped() const { return m_bStopped; }

    // Takes nId's alarm out of service until until (at most kMaxShelfSecs
    // from now). False when until is not in the future.
    bool Shelve(int nId, const QDateTime& until, const QString& strReason);
    // Puts nId's alarm back in service; false when it was not shelved.
    bool Unshelve(int nId, const QString& strReason);
    // Reads the shelved regions from the file again.
    void LoadShelves();
    // Takes nId out of service for as long as it takes: no alarm, no sound,
    // no off-line row, its open alarm closed and a shelving ended. False
    // when it is out already or strReason is empty.
    bool TakeOutOfService(int nId, const QString& strReason);
    // Back in service: raised now, it alarms at once. False when it was not
    // out of service.
    bool ReturnToService(int nId, const QString& strReason);

private:
    Q_DISABLE_COPY(RAlarmState)

    struct Reading
    {
        double dDose = 0.0;
        int nThreshold = 0;
    };

    // A new alarm to be acknowledged (a region's, or the lost link's), in
    // two steps around its journal row: marked (and so saved with the row),
    // then told. Mark returns whether no alarm was waiting before.
    bool MarkUnacknowledged(int nId);
    void Announce(int nId, bool bFirst);
    // A region's alarm raised (written, shown and sounded unless chattering).
    void RaiseRegion(int nId, const QString& strDetail = QString());
    // Closes a region's shown alarm with a clear row.
    void ClearRegion(int nId, const QString& strDetail = QString());
    void EndChatter(const RAlarmChatter::Episode& episode);
    // The file's copy of nId's state (or the link's, kLinkId).
    void Save(int nId);
    void SaveFlood();
    void Restore();
    void EndShelf(int nId, const QString& strAccount, const QString& strDetail);
    // Shelved or out of service: no episode runs.
    bool IsSilenced(int nId) const { return m_shelves.contains(nId) || m_outages.contains(nId); }
    void CountFloodAlarm();
    void UpdateFlood();
    void Write(const QString& strEvent, int nId, double dDose = 0.0, int nThreshold = 0,
        const QString& strOperator = QString(), const QString& strDetail = QString());
    // Flashing runs while some alarm is active and unacknowledged.
    void UpdateFlashing();

    RAlarmJournal* m_pJournal;
    SClock* m_pClock;
    QSet<int> m_unacknowledged;
    // Regions whose latest alarm has no clear in the journal yet.
    QSet<int> m_active;
    // Regions the model holds raised, shown or not; with their last change.
    QSet<int> m_raised;
    QHash<int, Reading> m_readings;
    // Per region: the current (or last) episode's start, and its last
    // raised reading, local time; when that was last written (ElapsedMs).
    QHash<int, QDateTime> m_episodeStart;
    QHash<int, QDateTime> m_lastAlarm;
    QHash<int, qint64> m_lastAlarmSavedMs;
    bool m_bStopped = false;
    RAlarmChatter m_chatter;
    QHash<int, RAlarmShelf> m_shelves;
    QHash<int, RInstrumentOutage> m_outages;
    // Monotonic times of the new alarms within the flood window.
    QVector<qint64> m_recentRaises;
    bool m_bFlood = false;
    qint64 m_nFloodStartMs = 0;
    QDateTime m_floodStart;
    int m_nFloodAlarms = 0;
    // The count the flood's watchers were last told.
    int m_nFloodShown = 0;
    QString m_strOperator;
    QTimer* m_pFlashTimer;
    QTimer* m_pPollTimer;
    bool m_bFlashOn = true;
    bool m_bLinkUp = false;
};
