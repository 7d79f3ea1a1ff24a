#pragma once

#include "message/SBus.h"
#include "preset/SPresetObject.h"

// Network server address, port and five float settings ("User/NetServer.dat"):
// the server the device page asks for item ids.
class RPresetNetServer final : public SPresetObject
{
public:
    enum { Id = SBus::NetServer, AddressSize = 32, DefaultPort = 13141 };

    // Loads the file, writing a local copy when there is no usable one.
    RPresetNetServer();

    // The address of the NUL-terminated address text, the port, a new port;
    // the address of setting 2..6 and a new setting 2..6 from the float at the
    // argument (SBus::ServerCommand).
    qintptr Command(int nCmd, qintptr nArg) override;
    void AfterLoad() override;
    // Items are written as held.
    void BeforeWrite() override { }

    const char* Address() const { return m_szAddress; }
    qint32 Port() const { return m_nPort; }
    float Setting(int nItem) const;

private:
    char m_szAddress[AddressSize];
    qint32 m_nPort = DefaultPort;
    float m_fSetting[5] = {10.0f, 20.0f, 30.0f, 2.0f, 2.0f};
};
