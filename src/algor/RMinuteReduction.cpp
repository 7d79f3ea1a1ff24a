#include "algor/RMinuteReduction.h"

RMinuteReduction::Result RMinuteReduction::Reduce(const float* pSlots, float fDayMax)
{
    Result result;
    float fMax = fDayMax;
    float fPreviousMax = 0.0f;
    int nOffset = 0;
    int nPreviousOffset = 0;
    bool bPreviousFromMinute = false;
    double dSum = 0.0;
    int nCount = 0;
    int nSpikes = 0;
    int nSpikeSlot = -1;
    float fSpike = 0.0f;

    for (int i = 0; i < SlotCount; ++i) {
        const float fValue = pSlots[i];
        if (fValue == 0.0f)
            continue;
        dSum += fValue;
        ++nCount;
        if (fValue > fMax) {
            bPreviousFromMinute = result.bNewMax;
            fPreviousMax = fMax;
            nPreviousOffset = nOffset;
            fMax = fValue;
            nOffset = i * 2;
            result.bNewMax = true;
        }
        if (static_cast<double>(fValue) > SpikeLevel) {
            ++nSpikes;
            nSpikeSlot = i;
            fSpike = fValue;
        }
    }

    int nDivisor = nCount;
    // Only a lone high value that has just become the day's maximum is taken
    // for a glitch. A lone high value below a higher stored maximum is a real
    // reading of a day that has seen worse, and is kept.
    if (nSpikes == 1 && result.bNewMax && fSpike == fMax) {
        const int nRest = nCount > 1 ? nCount - 1 : 1;
        const double dMean = (dSum - fMax) / nRest;
        result.nSpikeSlot = nSpikeSlot;
        result.fSpikeReplacement = static_cast<float>(dMean);
        dSum = dMean + (dSum - fMax);
        nDivisor = nRest + 1;
        fMax = fPreviousMax;
        // The maximum falls back. When it was reached earlier in this minute
        // its own time is the one to keep; when it is the stored one, the
        // stored row (its time included) stays as it was: the removed spike's
        // time would name a reading that no longer counts.
        if (bPreviousFromMinute)
            nOffset = nPreviousOffset;
        else
            result.bNewMax = false;
    }

    result.dMinuteValue = nDivisor != 0 ? dSum / nDivisor * SlotCount : 0.0;
    result.fDayMax = fMax;
    result.nMaxOffset = nOffset;
    return result;
}
