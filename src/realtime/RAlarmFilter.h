#pragma once

#include "database/RAlarmFilterStore.h"

#include <QHash>

// Raises and clears each region's alarm from its readings: an on-delay of
// readings in a row at or above the threshold, a deadband below it that a
// raised alarm must pass, and an off-delay of readings in a row below that.
// It decides when the alarm changes, never what is stored of a reading. The
// region model holds one and feeds it every reading, so the table, the plan
// and the gauge all follow the one filtered state. GUI thread.
class RAlarmFilter final
{
public:
    // Per region; a region without settings has the defaults. The counters
    // run on: new settings apply from the next reading.
    void SetSettings(const QHash<int, RAlarmFilterSettings>& settings) { m_settings = settings; }
    RAlarmFilterSettings SettingsOf(int nId) const { return m_settings.value(nId); }

    // One reading of nId (µRad/h) against its threshold (µRad/h, > 0);
    // true while the region's alarm is raised.
    bool Feed(int nId, float fDose, int nThreshold);
    bool IsRaised(int nId) const { return m_counters.value(nId).bRaised; }
    // nId's alarm is raised already (it was at a stop, or before a new
    // region list): readings go on from there.
    void SetRaised(int nId);
    // A new region list: every region starts unraised.
    void Clear() { m_counters.clear(); }

private:
    struct Counter
    {
        bool bRaised = false;
        int nInRow = 0; // readings in a row that point to the other state
    };
    QHash<int, RAlarmFilterSettings> m_settings;
    QHash<int, Counter> m_counters;
};
