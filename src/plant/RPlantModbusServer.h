#pragma once

#include <QModbusTcpServer>

class RPlantMap;

// The Modbus TCP server of the register map. The map is read-only: every
// write, of any kind, is refused with the standard exception (illegal
// function) rather than ignored, so a peer knows it was not done; a read
// past the map is an illegal address.
class RPlantModbusServer final : public QModbusTcpServer
{
    Q_OBJECT
public:
    using QModbusTcpServer::QModbusTcpServer;

    // The whole map; what is served grows and shrinks with it.
    void Load(const RPlantMap& map);
    // One region's words and inputs: what a reading changes.
    void LoadRegion(const RPlantMap& map, int nPosition);
    // The answer a peer gets to request.
    QModbusResponse Answer(const QModbusRequest& request) { return processRequest(request); }

protected:
    QModbusResponse processRequest(const QModbusPdu& request) override;

private:
    Q_DISABLE_COPY(RPlantModbusServer)
    int m_nRegisters = -1;
};
