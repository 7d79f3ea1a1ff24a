#include "preset/RPresetNetServer.h"

#include "message/SBus.h"

#include <cstring>

RPresetNetServer::RPresetNetServer()
    : SPresetObject(Id, QStringLiteral("User/"), QStringLiteral("NetServer.dat"))
{
    std::memset(m_szAddress, 0, sizeof m_szAddress);
    std::strcpy(m_szAddress, "127.0.0.1");
    AddItem(0, AddressSize, m_szAddress);
    AddItem(1, 4, &m_nPort);
    for (quint32 i = 0; i < 5; ++i)
        AddItem(2 + i, 4, &m_fSetting[i]);
    Restore();
}

float RPresetNetServer::Setting(int nItem) const
{
    return nItem >= 2 && nItem <= 6 ? m_fSetting[nItem - 2] : 0.0f;
}

void RPresetNetServer::AfterLoad()
{
    // The text is used as a C string: a file must not be able to take away
    // its terminator.
    m_szAddress[AddressSize - 1] = '\0';
}

qintptr RPresetNetServer::Command(int nCmd, qintptr nArg)
{
    // Setting index (0..4) for the get and set commands.
    static const int s_getCommands[5] = {SBus::CmdSetting0, SBus::CmdSetting1, SBus::CmdSetting2,
        SBus::CmdSetting3, SBus::CmdSetting4};
    static const int s_setCommands[5] = {SBus::CmdSetSetting0, SBus::CmdSetSetting1,
        SBus::CmdSetSetting2, SBus::CmdSetSetting3, SBus::CmdSetSetting4};
    switch (nCmd) {
    case SBus::CmdAddress:
        return reinterpret_cast<qintptr>(m_szAddress);
    case SBus::CmdPort:
        return m_nPort;
    case SBus::CmdSetPort:
        m_nPort = static_cast<qint32>(nArg);
        return nArg;
    default:
        break;
    }
    for (int i = 0; i < 5; ++i) {
        if (nCmd == s_getCommands[i])
            return reinterpret_cast<qintptr>(&m_fSetting[i]);
        if (nCmd == s_setCommands[i]) {
            if (!nArg)
                return 0;
            m_fSetting[i] = *reinterpret_cast<const float*>(nArg);
            return nCmd == SBus::CmdSetSetting1 ? static_cast<qintptr>(m_fSetting[i]) : 0;
        }
    }
    return SPresetObject::Command(nCmd, nArg);
}
