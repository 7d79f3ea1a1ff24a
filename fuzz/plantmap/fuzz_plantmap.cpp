// libFuzzer target: requests of any function, address and count against the
// plant's Modbus map of an input-chosen size. A read inside the map answers
// the map's own values; one outside it, or of a count Modbus does not
// allow, is an exception; anything but a read of input registers or
// discrete inputs is refused as an illegal function. Nothing may crash.
//   fuzz_plantmap [corpus dir] -max_total_time=N
#include "plant/RPlantMap.h"
#include "plant/RPlantModbusServer.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool bOk)
{
    if (!bOk)
        std::abort();
}

quint16 word(const QByteArray& data, int nAt)
{
    return quint16((quint8(data.at(nAt)) << 8) | quint8(data.at(nAt + 1)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    static int s_argc = 1;
    static char s_name[] = "fuzz_plantmap";
    static char* s_argv[] = {s_name, nullptr};
    static QCoreApplication s_app(s_argc, s_argv);
    if (nSize < 4)
        return 0;
    const int nRegions = pData[0];
    const int nBase = RPlantMap::StationRegisters
        + (((pData[1] << 8) | pData[2]) % (RPlantMap::MaxBase - RPlantMap::StationRegisters + 1));
    const auto eOrder
        = pData[3] & 1 ? RPlantMap::WordOrder::LowFirst : RPlantMap::WordOrder::HighFirst;
    RStationSnapshot snapshot;
    snapshot.time = QDateTime(QDate(2026, 3, 7), QTime(10, 0));
    for (int i = 0; i < nRegions; ++i) {
        RStationRegion region;
        region.nId = i + 1;
        region.fDose = float(i) * 1.5f;
        region.time = i % 2 ? snapshot.time.addSecs(-i) : QDateTime();
        region.bOnline = i % 2;
        region.bActive = i % 3 == 0;
        region.bUnacknowledged = i % 5 == 0;
        snapshot.regions.append(region);
    }
    RPlantMap map(nBase, eOrder);
    map.Reset(snapshot);
    map.Tick(snapshot.time);
    RPlantModbusServer server;
    server.Load(map);
    const QVector<quint16> registers = map.InputRegisters();
    const QVector<bool> inputs = map.DiscreteInputs();

    // Then requests: a length byte, the function code, that many data bytes.
    std::size_t nAt = 4;
    while (nAt + 2 <= nSize) {
        const std::size_t nLength = pData[nAt];
        const auto eFunction = QModbusPdu::FunctionCode(pData[nAt + 1] & 0x7F);
        nAt += 2;
        const QByteArray data(
            reinterpret_cast<const char*>(pData + nAt), int(qMin(nLength, nSize - nAt)));
        nAt += std::size_t(data.size());
        const QModbusResponse response = server.Answer(QModbusRequest(eFunction, data));
        const bool bRead = eFunction == QModbusPdu::ReadInputRegisters
            || eFunction == QModbusPdu::ReadDiscreteInputs;
        if (!bRead) {
            check(
                response.isException() && response.exceptionCode() == QModbusPdu::IllegalFunction);
            continue;
        }
        if (data.size() != 4) {
            check(response.isException());
            continue;
        }
        const int nAddress = word(data, 0);
        const int nCount = word(data, 2);
        const bool bRegisters = eFunction == QModbusPdu::ReadInputRegisters;
        const int nLimit = bRegisters ? 125 : 2000;
        const int nEnd = bRegisters ? registers.size() : inputs.size();
        if (nCount < 1 || nCount > nLimit || nAddress + nCount > nEnd) {
            check(response.isException());
            continue;
        }
        check(!response.isException());
        const QByteArray answer = response.data();
        if (bRegisters) {
            check(answer.size() == 1 + 2 * nCount && quint8(answer.at(0)) == 2 * nCount);
            for (int i = 0; i < nCount; ++i)
                check(word(answer, 1 + 2 * i) == registers.at(nAddress + i));
        } else {
            check(answer.size() == 1 + (nCount + 7) / 8);
            for (int i = 0; i < nCount; ++i)
                check(
                    bool((quint8(answer.at(1 + i / 8)) >> (i % 8)) & 1) == inputs.at(nAddress + i));
        }
    }
    return 0;
}
