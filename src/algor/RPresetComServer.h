#pragma once

#include "SPresetObject.h"
#include "message/SBus.h"

// Six integer settings of the serial-port server ("User/ComServer.dat",
// holder 1515).
class RPresetComServer final : public SPresetObject
{
public:
    enum { Id = SBus::ComServer, ItemCount = 6 };

    // Loads the file, writing a local copy when there is no usable one.
    RPresetComServer();

    // 20 + 2k sets item k to the argument and answers it; 21 + 2k answers item k.
    qintptr Command(int nCmd, qintptr nArg) override;
    void AfterLoad() override { }
    void BeforeWrite() override { }

    qint32 Item(int k) const { return k >= 0 && k < ItemCount ? m_nItem[k] : 0; }

private:
    qint32 m_nItem[ItemCount] = {2, 12, 0, 0, 3, 0};
};
