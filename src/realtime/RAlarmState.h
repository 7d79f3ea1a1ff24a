#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class RAlarmJournal;

// The operator's side of the alarms: each alarm stays unacknowledged, and
// visible, until acknowledged, whatever the dose does meanwhile; the journal
// gets every transition of the alarms, the regions and the link. A lost link
// is an alarm of its own (id kLinkId): no region can raise one while it is
// down. The alarm states themselves (and their episodes) stay the region
// model's. GUI thread.
class RAlarmState final : public QObject
{
    Q_OBJECT
public:
    // pJournal: where events are written; not owned, may be null.
    // The id the link's events and its alarm go by; no region has it.
    static constexpr int kLinkId = 0;

    explicit RAlarmState(RAlarmJournal* pJournal, QObject* pParent = nullptr);
    ~RAlarmState() override;

    // The name written with acknowledgements: the desktop user by default.
    void SetOperator(const QString& strOperator) { m_strOperator = strOperator; }
    static QString DesktopUser();

    bool IsUnacknowledged(int nId) const { return m_unacknowledged.contains(nId); }
    bool AnyUnacknowledged() const { return !m_unacknowledged.isEmpty(); }
    bool IsLinkUp() const { return m_bLinkUp; }
    RAlarmJournal* Journal() const { return m_pJournal; }

signals:
    void AcknowledgementChanged(int nId);
    void UnacknowledgedChanged(bool bAny);
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

private:
    Q_DISABLE_COPY(RAlarmState)

    void Raise(int nId);
    void Write(const QString& strEvent, int nId, double dDose = 0.0, int nThreshold = 0,
        const QString& strOperator = QString());

    RAlarmJournal* m_pJournal;
    QSet<int> m_unacknowledged;
    QString m_strOperator;
    bool m_bLinkUp = false;
};
