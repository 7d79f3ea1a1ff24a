#include "plant/RPlantConfig.h"

#include "database/RClientSettings.h"

#include <QHostAddress>

namespace {

const char* const s_pModbus = "PlantModbusEnabled";
const char* const s_pAddress = "PlantModbusAddress";
const char* const s_pPort = "PlantModbusPort";
const char* const s_pAllowed = "PlantModbusAllowed";
const char* const s_pBase = "PlantModbusBase";
const char* const s_pLowFirst = "PlantModbusLowWordFirst";

} // namespace

RPlantConfig RPlantConfig::Load()
{
    RPlantConfig config;
    config.bModbus = RClientSettings::Int(s_pModbus, 0) != 0;
    const QString strAddress = RClientSettings::Text(s_pAddress);
    if (!strAddress.isEmpty())
        config.modbus.strAddress = strAddress;
    config.modbus.nPort = RClientSettings::Int(s_pPort, config.modbus.nPort);
    config.modbus.allowed
        = RClientSettings::Text(s_pAllowed).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& strPeer : config.modbus.allowed)
        strPeer = strPeer.trimmed();
    config.modbus.nBase = RClientSettings::Int(s_pBase, config.modbus.nBase);
    config.modbus.eOrder = RClientSettings::Int(s_pLowFirst, 0) != 0
        ? RPlantMap::WordOrder::LowFirst
        : RPlantMap::WordOrder::HighFirst;
    return config;
}

QString RPlantConfig::Check() const
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

bool RPlantConfig::Save(QString* pError) const
{
    const QString strProblem = Check();
    if (!strProblem.isEmpty()) {
        *pError = strProblem;
        return false;
    }
    return RClientSettings::SetInt(s_pModbus, bModbus ? 1 : 0, pError)
        && RClientSettings::SetText(s_pAddress, modbus.strAddress, pError)
        && RClientSettings::SetInt(s_pPort, modbus.nPort, pError)
        && RClientSettings::SetText(s_pAllowed, modbus.allowed.join(QLatin1Char(',')), pError)
        && RClientSettings::SetInt(s_pBase, modbus.nBase, pError)
        && RClientSettings::SetInt(
            s_pLowFirst, modbus.eOrder == RPlantMap::WordOrder::LowFirst ? 1 : 0, pError);
}
