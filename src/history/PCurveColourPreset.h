#pragma once

#include "message/SBus.h"

#include <QColor>

// The chart colours kept by the curve-colour preset holder, asked for over the
// message bus; every colour is three items (red, green, blue, 0-255).
class PCurveColourPreset final
{
public:
    static constexpr int kStoreId = SBus::PresetStore;
    static constexpr int kHolderId = SBus::CurveColours;
    // First items of the curve colour, the bars above the cursor and the bars
    // at or below it; the green and blue items follow in steps of two.
    static constexpr int kCurveItem = SBus::CmdItem0;
    static constexpr int kAboveItem = SBus::CmdItem0 + 2 * 3;
    static constexpr int kBelowItem = SBus::CmdItem0 + 2 * 6;

    // The holder's own defaults, shown until the holder has been asked.
    static QColor DefaultCurve() { return QColor(0, 170, 0); }
    static QColor DefaultAbove() { return QColor(255, 200, 0); }
    static QColor DefaultBelow() { return QColor(0, 170, 0); }

    static QColor Read(int nFirstItem);

private:
    PCurveColourPreset() = delete;
};
