#include "algor/RPresetComServer.h"

RPresetComServer::RPresetComServer()
    : SPresetObject(Id, QStringLiteral("User/"), QStringLiteral("ComServer.dat"))
{
    for (quint32 i = 0; i < ItemCount; ++i)
        AddItem(i, 4, &m_nItem[i]);
    Restore();
}

qintptr RPresetComServer::Command(int nCmd, qintptr nArg)
{
    const int k = (nCmd - 20) / 2;
    if (nCmd < 20 || k >= ItemCount)
        return SPresetObject::Command(nCmd, nArg);
    if (nCmd % 2 == 0) {
        m_nItem[k] = static_cast<qint32>(nArg);
        return nArg;
    }
    return m_nItem[k];
}
