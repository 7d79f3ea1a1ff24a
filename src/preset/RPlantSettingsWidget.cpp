#include "preset/RPlantSettingsWidget.h"

#include "preset/PFieldGrid.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>

using PFieldGrid::Named;

RPlantSettingsWidget::RPlantSettingsWidget(const QString& strAuditKeyPath, QWidget* pParent)
    : QTabWidget(pParent)
    , m_strAuditKeyPath(strAuditKeyPath)
    , m_pGroupModbus(Named<QGroupBox>(this, "groupPlantModbus"))
    , m_pEditModbusAddress(Named<QLineEdit>(m_pGroupModbus, "m_pEditModbusAddress"))
    , m_pEditModbusPort(Named<QSpinBox>(m_pGroupModbus, "m_pEditModbusPort"))
    , m_pEditModbusAllowed(Named<QLineEdit>(m_pGroupModbus, "m_pEditModbusAllowed"))
    , m_pEditModbusBase(Named<QSpinBox>(m_pGroupModbus, "m_pEditModbusBase"))
    , m_pCheckLowWordFirst(Named<QCheckBox>(m_pGroupModbus, "m_pCheckLowWordFirst"))
    , m_pGroupMqtt(Named<QGroupBox>(this, "groupPlantMqtt"))
    , m_pEditMqttHost(Named<QLineEdit>(m_pGroupMqtt, "m_pEditMqttHost"))
    , m_pEditMqttPort(Named<QSpinBox>(m_pGroupMqtt, "m_pEditMqttPort"))
    , m_pEditMqttClient(Named<QLineEdit>(m_pGroupMqtt, "m_pEditMqttClient"))
    , m_pEditMqttSite(Named<QLineEdit>(m_pGroupMqtt, "m_pEditMqttSite"))
    , m_pEditMqttUser(Named<QLineEdit>(m_pGroupMqtt, "m_pEditMqttUser"))
    , m_pEditMqttPassword(Named<QLineEdit>(m_pGroupMqtt, "m_pEditMqttPassword"))
    , m_pEditMqttCaFile(Named<QLineEdit>(m_pGroupMqtt, "m_pEditMqttCaFile"))
{
    m_pGroupModbus->setTitle(tr("Serve the Modbus TCP map (read-only)"));
    m_pGroupMqtt->setTitle(tr("Publish to an MQTT broker"));
    for (QGroupBox* pGroup : {m_pGroupModbus, m_pGroupMqtt})
        pGroup->setCheckable(true);
    for (QSpinBox* pPort : {m_pEditModbusPort, m_pEditMqttPort})
        pPort->setRange(1, 65535);
    m_pEditModbusBase->setRange(RPlantMap::StationRegisters, RPlantMap::MaxBase);
    m_pEditModbusAllowed->setPlaceholderText(tr("any"));
    m_pEditModbusAllowed->setToolTip(tr("Client addresses that may connect, separated by commas."));
    m_pCheckLowWordFirst->setText(tr("Low word first"));
    m_pEditMqttPassword->setEchoMode(QLineEdit::Password);
    m_pEditMqttPassword->setPlaceholderText(tr("unchanged"));
    m_pEditMqttCaFile->setPlaceholderText(tr("none: no TLS"));
    PFieldGrid::LayOut(m_pGroupModbus,
        {{tr("Listen on:"), m_pEditModbusAddress}, {tr("Port:"), m_pEditModbusPort},
            {tr("Allowed clients:"), m_pEditModbusAllowed},
            {tr("Regions' first register:"), m_pEditModbusBase},
            {tr("Floats:"), m_pCheckLowWordFirst}});
    PFieldGrid::LayOut(m_pGroupMqtt,
        {{tr("Broker:"), m_pEditMqttHost}, {tr("Port:"), m_pEditMqttPort},
            {tr("Client id:"), m_pEditMqttClient}, {tr("Site in topics:"), m_pEditMqttSite},
            {tr("User:"), m_pEditMqttUser}, {tr("Password:"), m_pEditMqttPassword},
            {tr("CA file (TLS):"), m_pEditMqttCaFile}});
    addTab(m_pGroupModbus, tr("Modbus TCP"));
    addTab(m_pGroupMqtt, tr("MQTT"));
    Load();
}

void RPlantSettingsWidget::Load()
{
    const RPlantConfig config = RPlantConfig::Load(m_strAuditKeyPath);
    m_pGroupModbus->setChecked(config.bModbus);
    m_pEditModbusAddress->setText(config.modbus.strAddress);
    m_pEditModbusPort->setValue(config.modbus.nPort);
    m_pEditModbusAllowed->setText(config.modbus.allowed.join(QStringLiteral(", ")));
    m_pEditModbusBase->setValue(config.modbus.nBase);
    m_pCheckLowWordFirst->setChecked(config.modbus.eOrder == RPlantMap::WordOrder::LowFirst);
    m_pGroupMqtt->setChecked(config.bMqtt);
    m_pEditMqttHost->setText(config.mqtt.strHost);
    m_pEditMqttPort->setValue(config.mqtt.nPort);
    m_pEditMqttClient->setText(config.mqtt.strClientId);
    m_pEditMqttSite->setText(config.mqtt.strSite);
    m_pEditMqttUser->setText(config.mqtt.strUser);
    m_pEditMqttCaFile->setText(config.mqtt.strCaFile);
    m_pEditMqttPassword->clear();
}

RPlantConfig RPlantSettingsWidget::Config() const
{
    RPlantConfig config;
    config.bModbus = m_pGroupModbus->isChecked();
    config.modbus.strAddress = m_pEditModbusAddress->text().trimmed();
    config.modbus.nPort = m_pEditModbusPort->value();
    for (const QString& strPeer :
        m_pEditModbusAllowed->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!strPeer.trimmed().isEmpty())
            config.modbus.allowed << strPeer.trimmed();
    }
    config.modbus.nBase = m_pEditModbusBase->value();
    config.modbus.eOrder = m_pCheckLowWordFirst->isChecked() ? RPlantMap::WordOrder::LowFirst
                                                             : RPlantMap::WordOrder::HighFirst;
    config.bMqtt = m_pGroupMqtt->isChecked();
    config.mqtt.strHost = m_pEditMqttHost->text().trimmed();
    config.mqtt.nPort = m_pEditMqttPort->value();
    config.mqtt.strClientId = m_pEditMqttClient->text().trimmed();
    config.mqtt.strSite = m_pEditMqttSite->text().trimmed();
    config.mqtt.strUser = m_pEditMqttUser->text().trimmed();
    config.mqtt.strCaFile = m_pEditMqttCaFile->text().trimmed();
    return config;
}

bool RPlantSettingsWidget::Prepare(QString* pError, bool* pbPassword)
{
    *pbPassword = false;
    const RPlantConfig config = Config();
    const QString strModbus = config.bModbus ? config.CheckModbus() : QString();
    const QString strMqtt = config.bMqtt ? config.CheckMqtt() : QString();
    if (!strModbus.isEmpty() || !strMqtt.isEmpty()) {
        *pError = strModbus.isEmpty() ? tr("MQTT: %1.").arg(strMqtt)
                                      : tr("Modbus TCP: %1.").arg(strModbus);
        return false;
    }
    if (m_pEditMqttPassword->text().isEmpty())
        return true;
    QString strError;
    if (!RPlantConfig::StoreMqttPassword(
            m_strAuditKeyPath, m_pEditMqttPassword->text(), &strError)) {
        *pError = tr("The password file %1 could not be written: %2")
                      .arg(RPlantConfig::MqttPasswordPath(m_strAuditKeyPath), strError);
        return false;
    }
    m_pEditMqttPassword->clear();
    *pbPassword = true;
    return true;
}
