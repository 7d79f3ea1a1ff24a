#pragma once

#include <QDate>
#include <QVector>

// The readings a demo region would have sent on a past day, in the
// simulator's raw counts (24-bit, base 1000): one per 2-second slot of the
// day, 0 where no reading came. The same region and day always give the same
// counts, so a demo site can be rebuilt and compared.
class PDemoProfile final
{
public:
    enum Profile { Steady, Noisy, Ramp, Burst, Silent };

    static constexpr int SlotsPerDay = 24 * 1800;
    static constexpr quint32 Base = 1000;

    // The profile the demo runs the simulator with for region nId (1 steady,
    // 2 noisy, 3 ramp, 4 burst, 5 silent, as scripts/run-demo.sh does); the
    // regions of a bigger site take the same five in turn.
    static Profile ForRegion(int nId);

    static QVector<quint32> DayCounts(int nId, Profile eProfile, const QDate& day);

private:
    PDemoProfile() = delete;
};
