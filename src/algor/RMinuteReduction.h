#pragma once

// The reduction of one region's minute, kept apart from the database so the
// rule can be checked value by value. Values are dose rates in µRad/h; 0 marks
// a slot without a reading.
class RMinuteReduction final
{
public:
    static constexpr int SlotCount = 30;
    // A value above this, widened to double, is a candidate spike.
    static constexpr double SpikeLevel = 0.3;

    struct Result
    {
        double dMinuteValue = 0.0; // mean of the non-zero values, scaled to 30 slots
        float fDayMax = 0.0f; // the day's maximum after this minute
        bool bNewMax = false; // fDayMax and nMaxOffset must be stored
        int nMaxOffset = 0; // seconds into the minute of the maximum
        int nSpikeSlot = -1; // slot (0-29) to overwrite, or -1
        float fSpikeReplacement = 0.0f;
    };

    // pSlots holds SlotCount values; fDayMax is the stored maximum of the day.
    static Result Reduce(const float* pSlots, float fDayMax);

private:
    RMinuteReduction() = delete;
};
