#pragma once

#include "plant/RPlantModbus.h"
#include "plant/RPlantMqtt.h"

#include <QList>
#include <QPair>
#include <QString>

// The plant interface's settings, kept with the client's other settings,
// except the broker's password: that lives in a file of the user's own
// beside the audit key, never in the database or the log. Off until an
// officer turns them on.
struct RPlantConfig
{
    bool bModbus = false;
    RPlantModbus::Settings modbus;
    bool bMqtt = false;
    RPlantMqtt::Settings mqtt;

    // strAuditKeyPath: where the station's audit key is (empty: its
    // default place); the password file is beside it.
    static RPlantConfig Load(const QString& strAuditKeyPath = QString());
    // Empty when the settings can be used, else what is wrong with them.
    QString CheckModbus() const;
    QString CheckMqtt() const;
    // The settings, not the password; refused when an interface that is on
    // has entries that cannot be used.
    bool Save(QString* pError) const;

    // Each stored setting by its name, as text: what the trail compares.
    QList<QPair<const char*, QString>> Fields() const;

    static QString MqttPasswordPath(const QString& strAuditKeyPath);
    // Writes the password file, readable by the user alone from the start.
    static bool StoreMqttPassword(
        const QString& strAuditKeyPath, const QString& strPassword, QString* pError);

    // The last alarm event the broker acknowledged, kept across restarts so
    // that what it missed goes when it is back; -1 when none is kept.
    static qint64 MqttAcknowledged();
    static void SetMqttAcknowledged(qint64 nSeq);
};
