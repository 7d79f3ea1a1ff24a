#include "plant/RPlantConfig.h"

#include "database/RClientSettings.h"
#include "io/PSecretFile.h"
#include "message/PLogRecord.h"

#include <QFileInfo>
#include <QHostAddress>

namespace {

const char* const s_pModbus = "PlantModbusEnabled";
const char* const s_pAddress = "PlantModbusAddress";
const char* const s_pPort = "PlantModbusPort";
const char* const s_pAllowed = "PlantModbusAllowed";
const char* const s_pBase = "PlantModbusBase";
const char* const s_pLowFirst = "PlantModbusLowWordFirst";
const char* const s_pMqtt = "PlantMqttEnabled";
const char* const s_pMqttHost = "PlantMqttHost";
const char* const s_pMqttPort = "PlantMqttPort";
const char* const s_pMqttClient = "PlantMqttClientId";
const char* const s_pMqttUser = "PlantMqttUser";
const char* const s_pMqttCa = "PlantMqttCaFile";
const char* const s_pMqttSite = "PlantMqttSite";
const char* const s_pMqttAcked = "PlantMqttAcknowledged";

} // namespace

RPlantConfig RPlantConfig::Load(const QString& strAuditKeyPath)
{
    RPlantConfig config;
    config.bModbus = RClientSettings::Int(s_pModbus, 0) != 0;
    config.modbus.strAddress = RClientSettings::Text(s_pAddress, config.modbus.strAddress);
    config.modbus.nPort = RClientSettings::Int(s_pPort, config.modbus.nPort);
    config.modbus.allowed
        = RClientSettings::Text(s_pAllowed).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& strPeer : config.modbus.allowed)
        strPeer = strPeer.trimmed();
    config.modbus.nBase = RClientSettings::Int(s_pBase, config.modbus.nBase);
    config.modbus.eOrder = RClientSettings::Int(s_pLowFirst, 0) != 0
        ? RPlantMap::WordOrder::LowFirst
        : RPlantMap::WordOrder::HighFirst;

    config.bMqtt = RClientSettings::Int(s_pMqtt, 0) != 0;
    config.mqtt.strHost = RClientSettings::Text(s_pMqttHost, config.mqtt.strHost);
    config.mqtt.nPort = RClientSettings::Int(s_pMqttPort, config.mqtt.nPort);
    config.mqtt.strClientId = RClientSettings::Text(s_pMqttClient, config.mqtt.strClientId);
    config.mqtt.strUser = RClientSettings::Text(s_pMqttUser);
    config.mqtt.strCaFile = RClientSettings::Text(s_pMqttCa);
    config.mqtt.strSite = RClientSettings::Text(s_pMqttSite, config.mqtt.strSite);
    config.mqtt.strPassword = PSecretFile::Read(MqttPasswordPath(strAuditKeyPath));
    return config;
}

QString RPlantConfig::CheckModbus() const
{
    if (QHostAddress(modbus.strAddress).isNull())
        return QStringLiteral("not an address to listen on: %1").arg(modbus.strAddress);
    if (modbus.nPort < 1 || modbus.nPort > 65535)
        return QStringLiteral("not a port: %1").arg(modbus.nPort);
    for (const QString& strPeer : modbus.allowed) {
        if (QHostAddress(strPeer).isNull())
            return QStringLiteral("not a client address: %1").arg(strPeer);
    }
    if (modbus.nBase < RPlantMap::StationRegisters || modbus.nBase > RPlantMap::MaxBase)
        return QStringLiteral("the regions' first register must be %1 to %2")
            .arg(RPlantMap::StationRegisters)
            .arg(RPlantMap::MaxBase);
    return QString();
}

QString RPlantConfig::CheckMqtt() const
{
    if (mqtt.strHost.trimmed().isEmpty() || mqtt.strHost.contains(QLatin1Char(' ')))
        return QStringLiteral("not a broker host: %1").arg(mqtt.strHost);
    if (mqtt.nPort < 1 || mqtt.nPort > 65535)
        return QStringLiteral("not a port: %1").arg(mqtt.nPort);
    if (mqtt.strClientId.trimmed().isEmpty() || mqtt.strClientId.toUtf8().size() > 65535)
        return QStringLiteral("the client id must not be empty");
    if (!mqtt.strCaFile.isEmpty() && !QFileInfo(mqtt.strCaFile).isReadable())
        return QStringLiteral("no CA file to read at %1").arg(mqtt.strCaFile);
    return QString();
}

bool RPlantConfig::Save(QString* pError) const
{
    QString strProblem = bModbus ? CheckModbus() : QString();
    if (strProblem.isEmpty() && bMqtt)
        strProblem = CheckMqtt();
    if (!strProblem.isEmpty()) {
        *pError = strProblem;
        return false;
    }
    return RClientSettings::SetAll(Fields(), pError);
}

QList<QPair<const char*, QString>> RPlantConfig::Fields() const
{
    const auto flag = [](bool bOn) { return QString::number(bOn ? 1 : 0); };
    return {{s_pModbus, flag(bModbus)}, {s_pAddress, modbus.strAddress},
        {s_pPort, QString::number(modbus.nPort)},
        {s_pAllowed, modbus.allowed.join(QLatin1Char(','))},
        {s_pBase, QString::number(modbus.nBase)},
        {s_pLowFirst, flag(modbus.eOrder == RPlantMap::WordOrder::LowFirst)},
        {s_pMqtt, flag(bMqtt)}, {s_pMqttHost, mqtt.strHost.trimmed()},
        {s_pMqttPort, QString::number(mqtt.nPort)}, {s_pMqttClient, mqtt.strClientId.trimmed()},
        {s_pMqttUser, mqtt.strUser}, {s_pMqttCa, mqtt.strCaFile},
        {s_pMqttSite, mqtt.strSite.trimmed()}};
}

QString RPlantConfig::MqttPasswordPath(const QString& strAuditKeyPath)
{
    return PSecretFile::PathBeside(strAuditKeyPath, QStringLiteral("mqtt.password"));
}

bool RPlantConfig::StoreMqttPassword(
    const QString& strAuditKeyPath, const QString& strPassword, QString* pError)
{
    return PSecretFile::Write(MqttPasswordPath(strAuditKeyPath), strPassword, pError);
}

qint64 RPlantConfig::MqttAcknowledged()
{
    bool bOk = false;
    const qint64 nSeq = RClientSettings::Text(s_pMqttAcked).toLongLong(&bOk);
    return bOk ? nSeq : -1;
}

void RPlantConfig::SetMqttAcknowledged(qint64 nSeq)
{
    QString strError;
    if (!RClientSettings::SetText(s_pMqttAcked, QString::number(nSeq), &strError))
        Log(LogLevel::Warning, "plant interface: the MQTT broker's last event not kept: %s\n",
            strError.toUtf8().constData());
}
