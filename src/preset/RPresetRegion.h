#pragma once

#include "preset/inc/PresetRegion.h"
#include "preset/inc/SPresetUserDef.h"

// Region list holder (the region list "region", the routing rooms "room").
class RPresetRegion final : public SPresetUserDef<PresetRegion>
{
public:
    // Loads the file, writing a local copy when there is no usable one.
    RPresetRegion(int nId, const QString& strFileName);

    // 20-24: the words at offsets 0, 4, 8, 12, 16 of record nIndex; other
    // commands go to Command.
    qintptr Field(int nCmd, int nIndex);
};
