#pragma once

#include "plant/RPlantModbus.h"

#include <QString>

// The plant interface's settings, kept with the client's other settings.
// Off until an officer turns it on.
struct RPlantConfig
{
    bool bModbus = false;
    RPlantModbus::Settings modbus;

    static RPlantConfig Load();
    // Empty when the settings can be used, else what is wrong with them.
    QString Check() const;
    bool Save(QString* pError) const;
};
