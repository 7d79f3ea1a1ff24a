#pragma once

#include <QColor>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

// One registered region as every page sees it.
struct RRegion
{
    int nSub = 0; // position in the list, from 1
    int nId = 0;
    QString strName;
    int nAlarmValue = 0; // µRad/h; 0: no alarm threshold
    QColor colour; // curve colour
    bool bCurveShown = false; // the curve selector's state
    // What of the stored configuration the client cannot honour (Problem
    // flags); 0 when nothing.
    int nProblems = 0;
    // With AnotherEntry: the position of the entry that is not shown.
    int nOtherSub = 0;
    // With SharedPosition: the region listed at the same position, not shown.
    int nOtherId = 0;
};

// The registered regions in position order, with what the pages need of
// each, read once from RegionInfo and RegionCurveColorInfo on the default
// connection. The pages read it instead of the tables; the station owns it
// and reloads it before them after a device update and when thresholds
// change.
//
// The list is positions 1..Num (Num of RegionInfo) in order. A position
// listed twice counts once (its first row), and so does a region listed at
// two positions (its first): a monitor is shown, stored and counted once.
// Such entries, and a region without an alarm threshold, are marked on the
// region shown and logged once at Warning.
class RRegionCatalogue final
{
public:
    enum Problem {
        // No alarm threshold (0 or less): the region can never alarm.
        NoThreshold = 1,
        // No display row (RegionCurveColorInfo): no threshold, no colour.
        NoDisplayRow = 2,
        // The id is registered again at another position, not shown.
        AnotherEntry = 4,
        // Another region is registered at the same position, not shown.
        SharedPosition = 8,
    };

    RRegionCatalogue() = default;

    void Reload();

    const QVector<RRegion>& Regions() const { return m_regions; }
    int Count() const { return m_regions.size(); }
    QVector<int> Ids() const;
    // Null when the id is not registered.
    const RRegion* Find(int nId) const;
    // A region's alarm threshold; 0 when it has none or is not registered.
    int AlarmValue(int nId) const;

    // Store a threshold (µRad/h) for one region or for all. The catalogues
    // read it at their next Reload(), which the thresholds broadcast asks for.
    static bool StoreAlarmValue(int nId, int nValue);
    static bool StoreAllAlarmValues(int nValue);
    // The curve selector's state of regions (id, check state as stored), in
    // the order given, through one prepared statement; false when any failed.
    static bool StoreCurveStates(const QVector<QPair<int, int>>& states);
    static bool StoreCurveColour(int nId, const QColor& colour);

private:
    void LogProblems() const;

    QVector<RRegion> m_regions;
    QHash<int, int> m_index; // id -> index in m_regions
};
