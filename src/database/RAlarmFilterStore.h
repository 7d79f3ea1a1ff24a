#pragma once

#include <QHash>
#include <QString>

class RRegionCatalogue;

// When a region's alarm is raised and cleared, on top of its threshold.
struct RAlarmFilterSettings
{
    // Readings in a row at or above the threshold before the alarm is raised.
    int nOnDelay = 1;
    // Percent of the threshold: a raised alarm clears only below
    // threshold * (1 - dDeadband / 100).
    double dDeadband = 5.0;
    // Readings in a row below that level before the alarm clears.
    int nOffDelay = 1;

    static constexpr int kMaxDelay = 30;
    static constexpr double kMaxDeadband = 50.0;

    bool operator==(const RAlarmFilterSettings& other) const;
    bool operator!=(const RAlarmFilterSettings& other) const { return !(*this == other); }
    // "on 1, deadband 5 %, off 1", for the audit trail.
    QString Text() const;
    // The same settings within their ranges.
    RAlarmFilterSettings Bounded() const;
};

// The per-region alarm filter settings (table AlarmFilter). A region without
// a row has the defaults. Default connection.
class RAlarmFilterStore final
{
public:
    static QString TableStatement();
    static QHash<int, RAlarmFilterSettings> Load();
    static RAlarmFilterSettings Of(int nId);
    static bool Store(int nId, const RAlarmFilterSettings& settings);
    // Every region of the catalogue.
    static bool StoreAll(const RRegionCatalogue& catalogue, const RAlarmFilterSettings& settings);

private:
    RAlarmFilterStore() = delete;
};
