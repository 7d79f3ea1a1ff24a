#include "preset/RPresetRegion.h"

RPresetRegion::RPresetRegion(int nId, const QString& strFileName)
    : SPresetUserDef<PresetRegion>(nId, strFileName)
{
    Restore();
}

qintptr RPresetRegion::Field(int nCmd, int nIndex)
{
    if (nCmd >= 20 && nCmd <= 24)
        return Word(nIndex, (nCmd - 20) * 4);
    return Command(nCmd, nIndex);
}
