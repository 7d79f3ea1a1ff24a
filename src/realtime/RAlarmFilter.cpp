#include "realtime/RAlarmFilter.h"

bool RAlarmFilter::Feed(int nId, float fDose, int nThreshold)
{
    Counter& counter = m_counters[nId];
    const RAlarmFilterSettings settings = m_settings.value(nId);
    const double dDose = static_cast<double>(fDose);
    const bool bOther = counter.bRaised ? dDose < nThreshold * (1.0 - settings.dDeadband / 100.0)
                                        : dDose >= nThreshold;
    // A reading that does not point the other way starts the count again.
    counter.nInRow = bOther ? counter.nInRow + 1 : 0;
    if (counter.nInRow >= (counter.bRaised ? settings.nOffDelay : settings.nOnDelay)) {
        counter.bRaised = !counter.bRaised;
        counter.nInRow = 0;
    }
    return counter.bRaised;
}

void RAlarmFilter::SetRaised(int nId)
{
    Counter& counter = m_counters[nId];
    counter.bRaised = true;
    counter.nInRow = 0;
}
