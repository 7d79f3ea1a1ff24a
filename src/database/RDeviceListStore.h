#pragma once

#include <QString>
#include <QVector>

class RStorageWriter;

// One row of a device list: the location shown to the operator and the
// device id (0..255).
struct RDeviceRow
{
    QString strName;
    int nId = 0;
};

// The registered region monitors (RegionInfo with their curve colours in
// RegionCurveColorInfo) or the inspection rooms (RoutingRoomInfo), read and
// rewritten on the default connection inside the long transaction.
class RDeviceListStore final
{
public:
    enum Mode { Regions = 0, Rooms = 1 };

    explicit RDeviceListStore(RStorageWriter* pWriter, Mode mode);

    QVector<RDeviceRow> Load() const;
    // Index of the first row whose id an earlier row has; -1 when none.
    static int FindConflict(const QVector<RDeviceRow>& rows);
    // A region's stored alarm threshold (µRad/h); 0 without a row.
    static int AlarmValue(int nId);
    // Ids stored now that rows no longer hold: saving rows deletes their history.
    QVector<int> RemovedIds(const QVector<RDeviceRow>& rows) const;

    // Rewrites the list in row order (positions from 1), gives the curve
    // colours and selector states to rows by position (new positions: dark
    // green, shown), keeps each remaining device's alarm threshold, and
    // deletes the stored history of every removed id. All or nothing: on
    // failure nothing changed and pError says why.
    bool Save(const QVector<RDeviceRow>& rows, QString* pError) const;

private:
    RStorageWriter* m_pWriter;
    QString Table() const;

    Mode m_mode;
};
