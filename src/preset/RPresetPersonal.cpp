#include "preset/RPresetPersonal.h"

RPresetPersonal::RPresetPersonal(int nId, const QString& strFileName)
    : SPresetUserDef<PresetPersonal>(nId, strFileName)
{
    Restore();
}

qintptr RPresetPersonal::Field(int nCmd, int nIndex)
{
    switch (nCmd) {
    case 20:
        return Word(nIndex, 0);
    case 21:
        return Address(nIndex, 8);
    case 22:
        return Word(nIndex, 72);
    case 23:
        return Word(nIndex, 4);
    default:
        return Command(nCmd, nIndex);
    }
}
