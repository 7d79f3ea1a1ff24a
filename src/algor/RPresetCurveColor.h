#pragma once

#include "SPresetObject.h"
#include "message/SBus.h"

#include <QColor>

// Three RGB colours of the history curves, nine integers 0-255
// ("User/CurveColor.dat", holder 1516): curve, brush above the cursor, brush
// at or below it.
class RPresetCurveColor final : public SPresetObject
{
public:
    enum { Id = SBus::CurveColours, ItemCount = 9 };

    // Loads the file, writing a local copy when there is no usable one.
    RPresetCurveColor();

    // 20 + 2k sets item k to the argument and answers it; 21 + 2k answers item k.
    qintptr Command(int nCmd, qintptr nArg) override;
    void AfterLoad() override { }
    void BeforeWrite() override { }

    qint32 Item(int k) const { return k >= 0 && k < ItemCount ? m_nItem[k] : 0; }
    // Colour 0..2, components clamped to 0-255, opaque.
    QColor Color(int nColor) const;

private:
    qint32 m_nItem[ItemCount] = {0, 170, 0, 255, 200, 0, 0, 170, 0};
};
