#include "preset/RPresetPersonal.h"

#include "message/SBus.h"

RPresetPersonal::RPresetPersonal(int nId, const QString& strFileName)
    : SPresetUserDef<PresetPersonal>(nId, strFileName)
{
    Restore();
}

qintptr RPresetPersonal::Field(int nCmd, int nIndex)
{
    switch (nCmd) {
    case SBus::CmdPersonalWord0:
        return Word(nIndex, 0);
    case SBus::CmdPersonalText8:
        return Address(nIndex, 8);
    case SBus::CmdPersonalWord72:
        return Word(nIndex, 72);
    case SBus::CmdPersonalWord4:
        return Word(nIndex, 4);
    default:
        return Command(nCmd, nIndex);
    }
}
