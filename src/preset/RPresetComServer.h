#pragma once

#include "message/SBus.h"
#include "preset/SPresetObject.h"

// Six integer settings of the serial-port server ("User/ComServer.dat").
class RPresetComServer final : public SPresetObject
{
public:
    enum { Id = SBus::ComServer, ItemCount = 6 };

    // Loads the file, writing a local copy when there is no usable one.
    RPresetComServer();

    // CmdSetItem0 + 2k sets item k to the argument and answers it;
    // CmdItem0 + 2k answers item k.
    qintptr Command(int nCmd, qintptr nArg) override;
    // Every item is usable as read and written as held.
    void AfterLoad() override { }
    void BeforeWrite() override { }

    qint32 Item(int k) const { return k >= 0 && k < ItemCount ? m_nItem[k] : 0; }

private:
    qint32 m_nItem[ItemCount] = {2, 12, 0, 0, 3, 0};
};
