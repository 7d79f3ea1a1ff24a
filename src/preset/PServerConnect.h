#pragma once

#include "message/SBus.h"
#include "preset/SPresetObject.h"

// Data-server address and port of the link ("User/ServerAddr.dat").
class PServerConnect final : public SPresetObject
{
public:
    enum { Id = SBus::ServerConnection, AddressSize = 32, DefaultPort = 8000 };

    // Loads the file, writing a local copy when there is no usable one.
    PServerConnect();

    // The address of the NUL-terminated address text, the port, a new port
    // (SBus::ServerCommand).
    qintptr Command(int nCmd, qintptr nArg) override;
    void AfterLoad() override;
    // Items are written as held.
    void BeforeWrite() override { }

    const char* Address() const { return m_szAddress; }
    qint32 Port() const { return m_nPort; }

private:
    char m_szAddress[AddressSize];
    qint32 m_nPort = DefaultPort;
};
