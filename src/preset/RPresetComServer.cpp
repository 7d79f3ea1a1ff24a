#include "preset/RPresetComServer.h"

RPresetComServer::RPresetComServer()
    : SPresetObject(Id, QStringLiteral("User/"), QStringLiteral("ComServer.dat"))
{
    for (quint32 i = 0; i < ItemCount; ++i)
        AddItem(i, 4, &m_nItem[i]);
    Restore();
}

qintptr RPresetComServer::Command(int nCmd, qintptr nArg)
{
    return IntegerItemCommand(m_nItem, ItemCount, nCmd, nArg);
}
