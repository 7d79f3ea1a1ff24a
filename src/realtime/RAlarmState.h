#pragma once

#include <QColor>
#include <QObject>
#include <QSet>
#include <QString>

class QTimer;
class RAlarmJournal;

// The operator's side of the alarms: each alarm stays unacknowledged, and
// visible, until acknowledged, whatever the dose does meanwhile; the journal
// gets every transition of the alarms, the regions and the link. This is the
// one alarm state every view paints (table row, plan room, gauge marker): a
// look per region, and one flash phase shared by all views so that they
// blink together. A lost link is an alarm of its own (id kLinkId): no region
// can raise one while it is down. The readings' alarm rule stays the region
// model's. GUI thread.
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
    };

    // Half a period of the flashing.
    static constexpr int kFlashMs = 500;

    // The alarm colour of every view; a flashing alarm's dark phase.
    static QColor AlarmColour(bool bBright = true);

    // The id the link's events and its alarm go by; no region has it.
    static constexpr int kLinkId = 0;

    // pJournal: where events are written; not owned, may be null.
    explicit RAlarmState(RAlarmJournal* pJournal, QObject* pParent = nullptr);
    ~RAlarmState() override;

    // The name written with acknowledgements: the desktop user by default.
    void SetOperator(const QString& strOperator) { m_strOperator = strOperator; }
    static QString DesktopUser();

    bool IsUnacknowledged(int nId) const { return m_unacknowledged.contains(nId); }
    bool AnyUnacknowledged() const { return !m_unacknowledged.isEmpty(); }
    bool IsActive(int nId) const { return m_active.contains(nId); }
    Look LookOf(int nId) const;
    // The phase of every flashing alarm: true shows the full alarm colour.
    bool FlashOn() const { return m_bFlashOn; }
    // Some alarm is active and unacknowledged: the phase turns every kFlashMs.
    bool IsFlashing() const;
    bool IsLinkUp() const { return m_bLinkUp; }
    RAlarmJournal* Journal() const { return m_pJournal; }

signals:
    // nId 0: several regions at once.
    void AcknowledgementChanged(int nId);
    void UnacknowledgedChanged(bool bAny);
    // A region's look changed (nId 0: several at once).
    void LookChanged(int nId);
    void FlashChanged(bool bOn);
    // A region entered alarm, or the link was lost: the audible cue sounds
    // again even when muted.
    void NewAlarm(int nId);
    void LinkChanged(bool bUp);

public slots:
    void OnAlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold);
    void OnOnlineChanged(int nId, bool bOnline);
    void OnLinkChanged(bool bUp);
    void Acknowledge(int nId);
    void AcknowledgeAll();
    // One flash step: the phase turns over (the timer's step, or a test's).
    void FlashStep();

private:
    Q_DISABLE_COPY(RAlarmState)

    // A new alarm to be acknowledged (a region's, or the lost link's).
    void Raise(int nId);
    void Write(const QString& strEvent, int nId, double dDose = 0.0, int nThreshold = 0,
        const QString& strOperator = QString());
    // Flashing runs while some alarm is active and unacknowledged.
    void UpdateFlashing();

    RAlarmJournal* m_pJournal;
    QSet<int> m_unacknowledged;
    // Regions whose latest alarm has no clear in the journal yet.
    QSet<int> m_active;
    QString m_strOperator;
    QTimer* m_pFlashTimer;
    bool m_bFlashOn = true;
    bool m_bLinkUp = false;
};
