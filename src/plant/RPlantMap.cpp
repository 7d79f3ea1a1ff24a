#include "plant/RPlantMap.h"

#include "realtime/RRegionWatch.h"

#include <QtGlobal>

#include <cstring>

RPlantMap::RPlantMap(int nBase, WordOrder eOrder)
    : m_nBase(qBound(StationRegisters, nBase, MaxBase))
    , m_eOrder(eOrder)
{
}

void RPlantMap::Reset(const RStationSnapshot& snapshot)
{
    m_regions = snapshot.regions;
    m_index.clear();
    for (int i = 0; i < m_regions.size(); ++i)
        m_index.insert(m_regions.at(i).nId, i);
    m_bLinkUp = snapshot.bLinkUp;
    m_bStorageFault = !snapshot.strStorageProblem.isEmpty();
    m_bFlood = snapshot.bFlood;
    m_now = snapshot.time;
}

int RPlantMap::SetRegion(const RStationRegion& region)
{
    const auto it = m_index.constFind(region.nId);
    if (it == m_index.constEnd())
        return -1;
    m_regions[it.value()] = region;
    return it.value();
}

int RPlantMap::SetReading(int nId, float fDose, const QDateTime& time)
{
    const auto it = m_index.constFind(nId);
    if (it == m_index.constEnd())
        return -1;
    RStationRegion& region = m_regions[it.value()];
    region.fDose = fDose;
    region.time = time;
    region.bOnline = true;
    return it.value();
}

void RPlantMap::Tick(const QDateTime& now)
{
    m_now = now;
    ++m_nHeartbeat;
}

QStringList RPlantMap::Describe(
    int nBase, WordOrder eOrder, const QVector<QPair<int, QString>>& regions)
{
    const QString strFloat = eOrder == WordOrder::HighFirst
        ? QStringLiteral("32-bit float, high word first")
        : QStringLiteral("32-bit float, low word first");
    QStringList lines;
    const auto add
        = [&lines](const char* pTable, int nAddress, int nCount, const QString& strWhat) {
              lines << QStringLiteral("%1\t%2\t%3\t%4")
                           .arg(QLatin1String(pTable))
                           .arg(nAddress)
                           .arg(nCount)
                           .arg(strWhat);
          };
    add("input", 0, 1, QStringLiteral("heartbeat, steps every second"));
    add("input", 1, 1, QStringLiteral("link to the data server: 1 up, 0 down"));
    add("input", 2, 1, QStringLiteral("storage: 0 well, 1 a fault"));
    add("input", 3, 1, QStringLiteral("alarm flood: 1 on"));
    add("input", 4, 1, QStringLiteral("regions in the map: %1").arg(regions.size()));
    add("input", 5, 1, QStringLiteral("map version: %1").arg(Version));
    for (int i = 0; i < regions.size(); ++i) {
        const int nAt = nBase + i * RegionRegisters;
        const QString strRegion
            = QStringLiteral("region %1 (%2)").arg(regions.at(i).first).arg(regions.at(i).second);
        add("input", nAt, 2, strRegion + QStringLiteral(": dose rate, µRad/h, ") + strFloat);
        add("input", nAt + 2, 2, strRegion + QStringLiteral(": threshold, µRad/h, ") + strFloat);
        add("input", nAt + 4, 1,
            strRegion
                + QStringLiteral(": status, bits 0 on line, 1 in alarm, 2 unacknowledged, "
                                 "3 shelved, 4 chattering, 5 stale, 6 out of service"));
        add("input", nAt + 5, 1,
            strRegion + QStringLiteral(": seconds since its last reading (65535: none)"));
        add("input", nAt + 6, 1, strRegion + QStringLiteral(": region id"));
        add("discrete", nBase + 2 * i, 1, strRegion + QStringLiteral(": in alarm"));
        add("discrete", nBase + 2 * i + 1, 1, strRegion + QStringLiteral(": unacknowledged"));
    }
    return lines;
}

void RPlantMap::PackFloat(float fValue, WordOrder eOrder, quint16* pWords)
{
    quint32 nBits = 0;
    std::memcpy(&nBits, &fValue, sizeof nBits);
    const quint16 nHigh = static_cast<quint16>(nBits >> 16);
    const quint16 nLow = static_cast<quint16>(nBits & 0xFFFF);
    pWords[0] = eOrder == WordOrder::HighFirst ? nHigh : nLow;
    pWords[1] = eOrder == WordOrder::HighFirst ? nLow : nHigh;
}

float RPlantMap::UnpackFloat(const quint16* pWords, WordOrder eOrder)
{
    const quint32 nHigh = eOrder == WordOrder::HighFirst ? pWords[0] : pWords[1];
    const quint32 nLow = eOrder == WordOrder::HighFirst ? pWords[1] : pWords[0];
    const quint32 nBits = (nHigh << 16) | nLow;
    float fValue = 0.0f;
    std::memcpy(&fValue, &nBits, sizeof fValue);
    return fValue;
}

quint16 RPlantMap::AgeOf(const RStationRegion& region) const
{
    if (!region.time.isValid() || !m_now.isValid())
        return 0xFFFF;
    const qint64 nSeconds = qMax<qint64>(0, region.time.secsTo(m_now));
    return static_cast<quint16>(qMin<qint64>(nSeconds, 0xFFFF));
}

quint16 RPlantMap::StatusOf(const RStationRegion& region) const
{
    quint16 nStatus = 0;
    if (region.bOnline)
        nStatus |= OnLine;
    if (region.bActive)
        nStatus |= InAlarm;
    if (region.bUnacknowledged)
        nStatus |= Unacknowledged;
    if (region.bShelved)
        nStatus |= Shelved;
    if (region.bChattering)
        nStatus |= Chattering;
    if (region.bOutOfService)
        nStatus |= OutOfService;
    // A value the control system must not take for a current one.
    if (AgeOf(region) > RRegionWatch::SilenceMs / 1000)
        nStatus |= Stale;
    return nStatus;
}

QVector<quint16> RPlantMap::InputRegisters() const
{
    QVector<quint16> registers(m_nBase + m_regions.size() * RegionRegisters, 0);
    registers[0] = m_nHeartbeat;
    registers[1] = m_bLinkUp ? 1 : 0;
    registers[2] = m_bStorageFault ? 1 : 0;
    registers[3] = m_bFlood ? 1 : 0;
    registers[4] = static_cast<quint16>(m_regions.size());
    registers[5] = Version;
    for (int i = 0; i < m_regions.size(); ++i)
        RegionWords(i, registers.data() + m_nBase + i * RegionRegisters);
    return registers;
}

void RPlantMap::RegionWords(int nPosition, quint16* pWords) const
{
    const RStationRegion& region = m_regions.at(nPosition);
    PackFloat(region.time.isValid() ? region.fDose : 0.0f, m_eOrder, pWords);
    PackFloat(static_cast<float>(region.nThreshold), m_eOrder, pWords + 2);
    pWords[4] = StatusOf(region);
    pWords[5] = AgeOf(region);
    pWords[6] = static_cast<quint16>(region.nId);
    pWords[7] = 0;
}

void RPlantMap::RegionInputs(int nPosition, quint16* pInputs) const
{
    pInputs[0] = m_regions.at(nPosition).bActive ? 1 : 0;
    pInputs[1] = m_regions.at(nPosition).bUnacknowledged ? 1 : 0;
}

QVector<bool> RPlantMap::DiscreteInputs() const
{
    QVector<bool> inputs(m_nBase + m_regions.size() * 2, false);
    for (int i = 0; i < m_regions.size(); ++i) {
        inputs[m_nBase + 2 * i] = m_regions.at(i).bActive;
        inputs[m_nBase + 2 * i + 1] = m_regions.at(i).bUnacknowledged;
    }
    return inputs;
}
