#pragma once

#include "realtime/RRealDoseModel.h"

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QVariant>

class QTimer;
class RAlarmState;
class RTimer;

// The region table: ID, Location, H*(10), Show Curve, Curve Color. Applies
// each reading against the region's alarm threshold and counts alarm
// episodes per region and day in RegionLinkDoseInfo.
class RRegionDoseModel final : public RRealDoseModel
{
    Q_OBJECT
public:
    RRegionDoseModel(int kind, QObject* parent, SClock* pClock = nullptr);
    ~RRegionDoseModel() override;

    void UpdateDose(int id, float dose);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    void LoadRegionColours() override;

    // Display text of a dose rate in µRad/h, switching to mRad/h and Rad/h.
    static QString DoseText(float dose);

    RTimer* EpisodeTimer(int id) const { return m_episodeTimers.value(id); }

    // Unacknowledged alarms highlight their row and flash their alarm lamp.
    // Not owned; may be null. Held weakly: at shut-down the window's pages,
    // and this model with the region page, may go after it.
    void SetAlarmState(const RAlarmState* pAlarmState);
    // While the link is down every value is stale: greyed, with the time of
    // its reading. Off-line regions' values are greyed too.
    void SetLinkUp(bool bUp);
    bool IsStale(int row) const;
    // The alarm lamp's phase while flashing; a step switches it.
    void FlashStep();

signals:
    // A region's alarm state changed with this reading (µRad/h).
    void AlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold);

public slots:
    void OnTimeStarted(int id);

private:
    Q_DISABLE_COPY(RRegionDoseModel)

    // What the on-line lamp (column 3) or the alarm lamp (column 4) says.
    QVariant LampTip(int row, int nColumn, bool bUnacknowledged) const;

    QList<QVariant> m_colours;
    QHash<int, RTimer*> m_episodeTimers;
    // Local time of each row's last reading.
    QHash<int, QDateTime> m_readingTimes;
    QPointer<const RAlarmState> m_pAlarmState;
    QTimer* m_pFlashTimer;
    bool m_bLinkUp = true;
    bool m_bFlashOn = true;
};
