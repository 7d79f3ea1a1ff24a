#include "plant/RPlantModbusServer.h"

#include "plant/RPlantMap.h"

QModbusResponse RPlantModbusServer::processRequest(const QModbusPdu& request)
{
    switch (request.functionCode()) {
    case QModbusPdu::ReadDiscreteInputs:
    case QModbusPdu::ReadInputRegisters:
        return QModbusTcpServer::processRequest(request);
    default:
        return QModbusExceptionResponse(
            request.functionCode(), QModbusExceptionResponse::IllegalFunction);
    }
}

void RPlantModbusServer::Load(const RPlantMap& map)
{
    const QVector<quint16> registers = map.InputRegisters();
    const QVector<bool> inputs = map.DiscreteInputs();
    if (registers.size() != m_nRegisters) {
        // Only what the map holds: a read beyond it is an illegal address.
        QModbusDataUnitMap units;
        units.insert(QModbusDataUnit::InputRegisters,
            QModbusDataUnit(QModbusDataUnit::InputRegisters, 0, registers.size()));
        units.insert(QModbusDataUnit::DiscreteInputs,
            QModbusDataUnit(QModbusDataUnit::DiscreteInputs, 0, inputs.size()));
        setMap(units);
        m_nRegisters = registers.size();
    }
    setData(QModbusDataUnit(QModbusDataUnit::InputRegisters, 0, registers));
    QVector<quint16> bits(inputs.size());
    for (int i = 0; i < inputs.size(); ++i)
        bits[i] = inputs.at(i) ? 1 : 0;
    setData(QModbusDataUnit(QModbusDataUnit::DiscreteInputs, 0, bits));
}

void RPlantModbusServer::LoadRegion(const RPlantMap& map, int nPosition)
{
    if (nPosition < 0 || nPosition >= map.RegionCount())
        return;
    QVector<quint16> words(RPlantMap::RegionRegisters);
    map.RegionWords(nPosition, words.data());
    setData(QModbusDataUnit(QModbusDataUnit::InputRegisters,
        map.Base() + nPosition * RPlantMap::RegionRegisters, words));
    QVector<quint16> inputs(2);
    map.RegionInputs(nPosition, inputs.data());
    setData(QModbusDataUnit(QModbusDataUnit::DiscreteInputs, map.Base() + 2 * nPosition, inputs));
}
