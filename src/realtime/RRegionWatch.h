#pragma once

#include "realtime/RAlarmFilter.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QVector>

class QTimer;
class RRegionCatalogue;
class SClock;

// What the station knows of each region from its readings: the latest dose
// rate and its time, on line or silent, and whether the alarm rule holds
// its alarm raised. It decides alarms; the pages only show them, so alarms
// are found with no page open and with no window at all. GUI thread.
class RRegionWatch final : public QObject
{
    Q_OBJECT

public:
    static constexpr int SupervisionMs = 5000;
    static constexpr qint64 SilenceMs = 30000;

    struct Region
    {
        int nId = 0;
        float fDose = 0.0f; // µRad/h
        QDateTime time; // of the latest reading; invalid before the first
        bool bOnline = false;
        int nAlarm = 0; // an RRealDoseModel::AlarmState
    };

    // Not owned; both outlive the watch.
    RRegionWatch(const RRegionCatalogue* pCatalogue, SClock* pClock, QObject* pParent = nullptr);
    ~RRegionWatch() override;

    // A new region list; nIds raised at the stop or before the list changed
    // stay raised, so a reload neither clears nor raises them again.
    void Reload(const QSet<int>& raised);
    // The alarm filters stored, from the next reading.
    void LoadFilters();
    const RAlarmFilter& Filter() const { return m_filter; }

    // One converted reading of nId (µRad/h).
    void Feed(int nId, float fDose);
    // Regions silent for longer than SilenceMs go off line (the timer calls it).
    void Supervise();

    QVector<Region> Regions() const { return m_regions; }
    const Region* Find(int nId) const;

signals:
    void AlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold);
    // A reading (µRad/h) that the alarm rule holds raised.
    void AlarmReading(int nId, float fDose);
    void OnlineChanged(int nId, bool bOnline);

private:
    Q_DISABLE_COPY(RRegionWatch)

    const RRegionCatalogue* m_pCatalogue;
    SClock* m_pClock;
    QTimer* m_pTimer;
    RAlarmFilter m_filter;
    QVector<Region> m_regions;
    QHash<int, int> m_index;
    // Clock time (ElapsedMs) of each row's last reading; -1 until its first.
    QVector<qint64> m_lastMs;
    // Regions the silence rule took off line; their next reading brings them back.
    QSet<int> m_wentOffline;
};
