#pragma once

#include "message/SBus.h"
#include "preset/SPresetObject.h"

#include <QColor>

// The three colours of the history curves ("User/CurveColor.dat"): nine
// integers 0-255, red, green and blue of each colour in turn. This class is
// the one description of those items, for the holder and for the charts that
// ask the registered holder over the bus.
class RPresetCurveColor final : public SPresetObject
{
public:
    enum { Id = SBus::CurveColours, ItemCount = 9 };
    // The curve, the bars above the cursor and the bars at or below it.
    enum Colour { Curve = 0, Above = 1, Below = 2 };

    // Loads the file, writing a local copy when there is no usable one.
    RPresetCurveColor();

    // CmdSetItem0 + 2k sets item k to the argument and answers it;
    // CmdItem0 + 2k answers item k.
    qintptr Command(int nCmd, qintptr nArg) override;
    // Every item is usable as read and written as held.
    void AfterLoad() override { }
    void BeforeWrite() override { }

    qint32 Item(int k) const { return k >= 0 && k < ItemCount ? m_nItem[k] : 0; }
    // Colour 0..2, components clamped to 0-255, opaque.
    QColor Color(int nColor) const;

    // The holder's own defaults, shown until the holder has been asked.
    static QColor DefaultColor(Colour colour);
    // The colour as the registered holder answers it through the preset
    // store; an answer out of range (no store, a damaged file) is clamped.
    static QColor Ask(Colour colour);

private:
    qint32 m_nItem[ItemCount];
};
