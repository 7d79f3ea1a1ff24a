#pragma once

#include "BusRecorder.h"
#include "PSimIdServer.h"
#include "message/SBus.h"

// The network server's id list on loopback, and the preset store answering
// its address (a pointer to NUL-padded text) and port as the network-server
// holder does, so that a query finds the server the way the program does.
class IdServerStub final
{
public:
    explicit IdServerStub(const QVector<int>& ids)
    {
        m_server.SetIds(ids);
        m_bListening = m_server.Listen();
        m_store.onMessage = [this](const SMessage& message) {
            if (message.First() == SBus::CmdAddress)
                SMessage::SetReply(reinterpret_cast<qintptr>(s_address));
            else if (message.First() == SBus::CmdPort)
                SMessage::SetReply(m_server.Port());
        };
    }

    bool IsListening() const { return m_bListening; }
    PSimIdServer& Server() { return m_server; }
    // What the preset store was asked.
    const BusRecorder& Store() const { return m_store; }

private:
    static constexpr char s_address[32] = "127.0.0.1";
    PSimIdServer m_server;
    BusRecorder m_store {SBus::PresetStore};
    bool m_bListening = false;
};
