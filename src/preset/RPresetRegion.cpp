#include "preset/RPresetRegion.h"

#include "message/SBus.h"

RPresetRegion::RPresetRegion(int nId, const QString& strFileName)
    : SPresetUserDef<PresetRegion>(nId, strFileName)
{
    Restore();
}

qintptr RPresetRegion::Field(int nCmd, int nIndex)
{
    if (nCmd >= SBus::CmdRegionWord0 && nCmd <= SBus::CmdRegionWord16)
        return Word(nIndex, (nCmd - SBus::CmdRegionWord0) * 4);
    return Command(nCmd, nIndex);
}
