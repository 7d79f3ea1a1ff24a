#pragma once

#include "realtime/RRealDoseModel.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QVariant>

class RAlarmState;

// The region table: ID, Location, H*(10), Show Curve, Curve Color. Shows
// each region's latest reading and the look the alarm state gives it; it
// decides no alarm.
class RRegionDoseModel final : public RRealDoseModel
{
    Q_OBJECT
public:
    // The look of the row's alarm (an RAlarmState::Look); the delegate draws
    // it over every cell so that neither selection nor colour hides it.
    static constexpr int AlarmLookRole = Qt::UserRole + 1;
    // The selection's mark over an alarm colour.
    static QColor SelectionMark();
    // A region whose configuration the client cannot honour.
    static QColor ProblemColour();

    RRegionDoseModel(
        RRegionCatalogue* pCatalogue, int kind, QObject* parent, SClock* pClock = nullptr);
    ~RRegionDoseModel() override;

    void UpdateDose(int id, float dose);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    void LoadRegionColours() override;

    // Display text of a dose rate in µRad/h, switching to mRad/h and Rad/h.
    static QString DoseText(float dose);

    // The alarms shown: active ones fill their row (flashing until
    // acknowledged), cleared unacknowledged ones outline it. Without one no
    // alarm is shown. Not owned; may be null. Held weakly: at shut-down the
    // window's pages, and this model with the region page, may go after it.
    void SetAlarmState(const RAlarmState* pAlarmState);
    int LookAt(int row) const;
    // What of the row's stored configuration the client cannot honour, for
    // the operator; empty when nothing.
    QString ProblemText(int row) const;
    // While the link is down every value is stale: greyed, with the time of
    // its reading. Off-line regions' values are greyed too.
    void SetLinkUp(bool bUp);
    bool IsStale(int row) const;
    bool IsOutOfService(int row) const;

private:
    Q_DISABLE_COPY(RRegionDoseModel)

    // What the on-line lamp (column 3) or the alarm lamp (column 4) says.
    QVariant LampTip(int row, int nColumn) const;
    QVariant AlarmData(int row, int column, int role) const;

    QList<QVariant> m_colours;
    // Local time of each row's last reading.
    QHash<int, QDateTime> m_readingTimes;
    QPointer<const RAlarmState> m_pAlarmState;
    bool m_bLinkUp = true;
};
