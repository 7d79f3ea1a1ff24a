#pragma once

#include "station/RStationSnapshot.h"

#include <QDateTime>
#include <QHash>
#include <QPair>
#include <QStringList>
#include <QVector>

// The read-only register map the plant's control system polls: the station's
// state laid out as Modbus input registers and discrete inputs, rebuilt from
// the snapshot and kept by the station's signals.
//
// Input registers:
//   0 heartbeat (steps once a second), 1 link (1 up), 2 storage (1 a fault),
//   3 flood (1 on), 4 regions in the map, 5 the map's version, 6-7 zero;
//   from the base, per region in position order, 8 registers:
//   +0/+1 dose rate (µRad/h) and +2/+3 threshold as 32-bit floats, +4 the
//   status word, +5 seconds since the last reading (65535: none or more),
//   +6 the region id, +7 zero.
// Discrete inputs, per region from the base: 2k in alarm, 2k + 1
// unacknowledged.
class RPlantMap final
{
public:
    static constexpr int Version = 1;
    static constexpr int StationRegisters = 8;
    static constexpr int RegionRegisters = 8;
    static constexpr int DefaultBase = 100;
    static constexpr int MaxBase = 65536 - 255 * RegionRegisters;

    // Status word bits.
    enum Status : quint16 {
        OnLine = 0x0001,
        InAlarm = 0x0002,
        Unacknowledged = 0x0004,
        Shelved = 0x0008,
        Chattering = 0x0010,
        Stale = 0x0020, // no reading for over the off-line time
        OutOfService = 0x0040,
    };

    // Float words: high word first (the default), or low word first.
    enum class WordOrder { HighFirst, LowFirst };

    explicit RPlantMap(int nBase = DefaultBase, WordOrder eOrder = WordOrder::HighFirst);

    int Base() const { return m_nBase; }
    WordOrder Order() const { return m_eOrder; }

    void Reset(const RStationSnapshot& snapshot);
    // Both give the region's position in the map, -1 for a region not in it.
    int SetRegion(const RStationRegion& region);
    int SetReading(int nId, float fDose, const QDateTime& time);
    void SetLink(bool bUp) { m_bLinkUp = bUp; }
    void SetStorageFault(bool bFault) { m_bStorageFault = bFault; }
    void SetFlood(bool bFlood) { m_bFlood = bFlood; }
    // Once a second: the heartbeat steps and the ages are taken against now.
    void Tick(const QDateTime& now);

    int RegionCount() const { return m_regions.size(); }
    // The input registers from the first station register to the last
    // region's, and the discrete inputs from the base.
    QVector<quint16> InputRegisters() const;
    QVector<bool> DiscreteInputs() const;
    // The RegionRegisters words of the region at nPosition, and its two
    // discrete inputs: what one change rewrites.
    void RegionWords(int nPosition, quint16* pWords) const;
    void RegionInputs(int nPosition, quint16* pInputs) const;

    // The map for these regions (id, name in position order), one line an
    // entry: table, first address, count, what it holds.
    static QStringList Describe(
        int nBase, WordOrder eOrder, const QVector<QPair<int, QString>>& regions);

    static void PackFloat(float fValue, WordOrder eOrder, quint16* pWords);
    static float UnpackFloat(const quint16* pWords, WordOrder eOrder);

private:
    quint16 StatusOf(const RStationRegion& region) const;
    quint16 AgeOf(const RStationRegion& region) const;

    int m_nBase;
    WordOrder m_eOrder;
    QVector<RStationRegion> m_regions;
    QHash<int, int> m_index; // id -> position in m_regions
    QDateTime m_now;
    quint16 m_nHeartbeat = 0;
    bool m_bLinkUp = false;
    bool m_bStorageFault = false;
    bool m_bFlood = false;
};
