#pragma once

#include "web/RWebServer.h"

#include <QList>
#include <QPair>
#include <QString>

// The web view's settings, kept with the client's other settings. Off until
// an officer turns it on; the idle time is the console's.
struct RWebConfig
{
    bool bEnabled = false;
    RWebServer::Settings server;

    static RWebConfig Load();
    // Empty when the settings can be used, else what is wrong with them.
    QString Check() const;
    bool Save(QString* pError) const;
    // Each stored setting by its name, as text: what the trail compares.
    QList<QPair<const char*, QString>> Fields() const;
};
