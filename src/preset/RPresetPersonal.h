#pragma once

#include "preset/inc/PresetPersonal.h"
#include "preset/inc/SPresetUserDef.h"

// Personal list holder (the staff list "personal", the routing staff "rout").
class RPresetPersonal final : public SPresetUserDef<PresetPersonal>
{
public:
    // Loads the file, writing a local copy when there is no usable one.
    RPresetPersonal(int nId, const QString& strFileName);

    // 20: word at 0; 21: address of the 64 bytes at 8; 22: word at 72;
    // 23: word at 4 of record nIndex; other commands go to Command.
    qintptr Field(int nCmd, int nIndex);
};
