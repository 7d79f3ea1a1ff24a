#include "preset/PServerConnect.h"

#include "message/SBus.h"

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
    case SBus::CmdAddress:
        return reinterpret_cast<qintptr>(m_szAddress);
    case SBus::CmdPort:
        return m_nPort;
    case SBus::CmdSetPort:
        m_nPort = static_cast<qint32>(nArg);
        return nArg;
    default:
        return SPresetObject::Command(nCmd, nArg);
    }
}
