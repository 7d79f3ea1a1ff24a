#include "algor/PServerConnect.h"

#include <cstring>

PServerConnect::PServerConnect()
    : SPresetObject(Id, QStringLiteral("User/"), QStringLiteral("ServerAddr.dat"))
{
    std::memset(m_szAddress, 0, sizeof m_szAddress);
    std::strcpy(m_szAddress, "127.0.0.1");
    AddItem(0, AddressSize, m_szAddress);
    AddItem(1, 4, &m_nPort);
    Restore();
}

void PServerConnect::AfterLoad()
{
    // The text is used as a C string: a file must not be able to take away
    // its terminator.
    m_szAddress[AddressSize - 1] = '\0';
}

qintptr PServerConnect::Command(int nCmd, qintptr nArg)
{
    switch (nCmd) {
    case 20:
        return reinterpret_cast<qintptr>(m_szAddress);
    case 21:
        return m_nPort;
    case 22:
        m_nPort = static_cast<qint32>(nArg);
        return nArg;
    default:
        return SPresetObject::Command(nCmd, nArg);
    }
}
