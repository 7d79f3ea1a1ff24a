#pragma once

#include <QDate>

// Writes past days of the registered regions of a demo site into the rows the
// running client keeps: the 2-second slots and hour sums (MonthData), the
// minute values (MonthMinuteDose), and each day's maximum and alarm-episode
// count (RegionLinkDoseInfo), value for value as the aggregator and the region
// model would have stored the readings of PDemoProfile. A region's day that
// already has a row in any of the three tables is left alone: the client, or
// an earlier run, wrote it.
class PDemoHistory final
{
public:
    static constexpr int DefaultDays = 7;

    // The nDays days before today; today is left to the running client.
    // Needs the default connection open with the program's schema. All or
    // nothing: returns the number of region-days written, -1 when it failed
    // and nothing was written.
    static int Write(const QDate& today, int nDays);
    // The days from first to last, both included, in the same way.
    static int WriteRange(const QDate& first, const QDate& last);

private:
    PDemoHistory() = delete;
};
