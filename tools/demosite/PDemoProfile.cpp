#include "PDemoProfile.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {

constexpr int SlotsPerMinute = 30;

// A background that wanders a little from reading to reading (±1 %) around a
// level of the day (±3 %), so no two days give the same bar.
quint32 background(QRandomGenerator& gen, quint32 nLevel)
{
    const quint32 nSpan = nLevel / 100;
    return nLevel - nSpan + gen.bounded(2 * nSpan + 1);
}

void fillBackground(QRandomGenerator& gen, QVector<quint32>& counts)
{
    const quint32 nLevel = PDemoProfile::Base - 30 + gen.bounded(61u);
    for (quint32& nCount : counts)
        nCount = background(gen, nLevel);
}

// Two or three slow rises a day, each dropped back at once to the background
// the way the simulator's ramp wraps. Peaks of 1.4 to 2.4 times the base: at
// the demo threshold (1000 µRad/h, about 1.8 times the base) some rises alarm
// and some do not. Each rise keeps to its own window between 05:00 and 19:30.
void addRamps(QRandomGenerator& gen, QVector<quint32>& counts)
{
    const int nRamps = 2 + gen.bounded(2);
    for (int k = 0; k < nRamps; ++k) {
        const int nStartMinute = (5 + 5 * k) * 60 + gen.bounded(180);
        const int nLength = (30 + gen.bounded(61)) * SlotsPerMinute;
        const double dPeak = 1.4 + gen.bounded(1.0);
        const int nFirst = nStartMinute * SlotsPerMinute;
        for (int i = 0; i < nLength; ++i) {
            const double dRise = 1.0 + (dPeak - 1.0) * i / nLength;
            quint32& nCount = counts[nFirst + i];
            nCount = quint32(nCount * dRise);
        }
    }
}

// A few short bursts of a hundred times the base, four readings long as the
// simulator sends them; kept away from midnight so every alarm episode ends
// on its own day.
void addBursts(QRandomGenerator& gen, QVector<quint32>& counts)
{
    const int nBursts = 3 + gen.bounded(6);
    const int nFirstSlot = 10 * SlotsPerMinute;
    const int nLastSlot = PDemoProfile::SlotsPerDay - 10 * SlotsPerMinute;
    for (int k = 0; k < nBursts; ++k) {
        const int nStart = nFirstSlot + gen.bounded(nLastSlot - nFirstSlot);
        for (int i = nStart; i < nStart + 4; ++i)
            counts[i] = PDemoProfile::Base * 100;
    }
}

// One or two stretches of 30 minutes to 4 hours without a reading, in whole
// minutes: a detector switched off or unplugged.
void addGaps(QRandomGenerator& gen, QVector<quint32>& counts)
{
    const int nGaps = 1 + gen.bounded(2);
    for (int k = 0; k < nGaps; ++k) {
        const int nLength = (30 + gen.bounded(211)) * SlotsPerMinute;
        const int nStart = gen.bounded((24 * 60 - nLength / SlotsPerMinute)) * SlotsPerMinute;
        std::fill(counts.begin() + nStart, counts.begin() + nStart + nLength, 0u);
    }
}

} // namespace

PDemoProfile::Profile PDemoProfile::ForRegion(int nId)
{
    // A big site repeats the five demo rooms' mix.
    switch (nId > 0 ? (nId - 1) % 5 + 1 : nId) {
    case 2:
        return Noisy;
    case 3:
        return Ramp;
    case 4:
        return Burst;
    case 5:
        return Silent;
    default:
        return Steady;
    }
}

QVector<quint32> PDemoProfile::DayCounts(int nId, Profile eProfile, const QDate& day)
{
    QRandomGenerator gen(quint32(nId) * 7919u + quint32(day.toJulianDay()));
    QVector<quint32> counts(SlotsPerDay);
    if (eProfile == Noisy) {
        // ±20 % from reading to reading, as the simulator's noisy region.
        const quint32 nSpan = Base / 5;
        for (quint32& nCount : counts)
            nCount = Base - nSpan + gen.bounded(2 * nSpan + 1);
        return counts;
    }
    fillBackground(gen, counts);
    if (eProfile == Ramp)
        addRamps(gen, counts);
    else if (eProfile == Burst)
        addBursts(gen, counts);
    else if (eProfile == Silent)
        addGaps(gen, counts);
    return counts;
}
