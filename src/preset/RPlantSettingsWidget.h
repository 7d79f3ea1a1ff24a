#pragma once

#include "plant/RPlantConfig.h"

#include <QTabWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QSpinBox;

// The plant interface's part of System Settings, a tab for each of its two
// servers: the Modbus TCP map the control system reads, and the MQTT broker
// the historian subscribes to. Each is checked to run. The broker's password
// typed here goes to its owner-only file, never to the database; left empty,
// the file stays as it is.
class RPlantSettingsWidget final : public QTabWidget
{
    Q_OBJECT
public:
    // strAuditKeyPath: the station's audit key (empty: its default place);
    // the password file is beside it.
    explicit RPlantSettingsWidget(
        const QString& strAuditKeyPath = QString(), QWidget* pParent = nullptr);

    void Load();
    RPlantConfig Config() const;
    // Checks the entries and stores a typed password; the settings go with
    // the page's other values. False, with the reason, when refused.
    // pbPassword: whether a new password was stored.
    bool Prepare(QString* pError, bool* pbPassword);

private:
    Q_DISABLE_COPY(RPlantSettingsWidget)

    QString m_strAuditKeyPath;
    QGroupBox* m_pGroupModbus;
    QLineEdit* m_pEditModbusAddress;
    QSpinBox* m_pEditModbusPort;
    QLineEdit* m_pEditModbusAllowed;
    QSpinBox* m_pEditModbusBase;
    QCheckBox* m_pCheckLowWordFirst;
    QGroupBox* m_pGroupMqtt;
    QLineEdit* m_pEditMqttHost;
    QSpinBox* m_pEditMqttPort;
    QLineEdit* m_pEditMqttClient;
    QLineEdit* m_pEditMqttSite;
    QLineEdit* m_pEditMqttUser;
    QLineEdit* m_pEditMqttPassword;
    QLineEdit* m_pEditMqttCaFile;
};
