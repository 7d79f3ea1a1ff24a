#include "database/RDeviceListStore.h"

#include "database/PSavepoint.h"
#include "database/PSqlExec.h"
#include "database/RArchiveChange.h"
#include "database/RConnectDatabase.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace {

struct CurveColour
{
    int nRed = 0;
    int nGreen = 128;
    int nBlue = 0;
    int nButtonCheck = 2;
};

QVector<int> storedIds(const QString& strTable)
{
    QVector<int> ids;
    QSqlQuery query = PSqlExec::Select(QStringLiteral("select Id from %1").arg(strTable));
    while (query.next())
        ids.append(query.value(0).toInt());
    return ids;
}

} // namespace

RDeviceListStore::RDeviceListStore(RStorageWriter* pWriter, Mode mode)
    : m_pWriter(pWriter)
    , m_mode(mode)
{
}

QString RDeviceListStore::Table() const
{
    return m_mode == Regions ? QStringLiteral("RegionInfo") : QStringLiteral("RoutingRoomInfo");
}

QVector<RDeviceRow> RDeviceListStore::Load() const
{
    QVector<RDeviceRow> rows;
    QSqlQuery query = PSqlExec::Select(QStringLiteral("select Name, Id from %1").arg(Table()));
    while (query.next())
        rows.append({query.value(0).toString(), query.value(1).toInt()});
    return rows;
}

int RDeviceListStore::AlarmValue(int nId)
{
    return PSqlExec::Scalar(
        QStringLiteral("select Alarmvalue from RegionCurveColorInfo where Id = ?"), {nId})
        .toInt();
}

int RDeviceListStore::FindConflict(const QVector<RDeviceRow>& rows)
{
    QSet<int> seen;
    for (int i = 0; i < rows.size(); ++i) {
        if (seen.contains(rows.at(i).nId))
            return i;
        seen.insert(rows.at(i).nId);
    }
    return -1;
}

QVector<int> RDeviceListStore::RemovedIds(const QVector<RDeviceRow>& rows) const
{
    QSet<int> kept;
    for (const RDeviceRow& row : rows)
        kept.insert(row.nId);
    QVector<int> removed;
    for (int nId : storedIds(Table())) {
        if (!kept.contains(nId) && !removed.contains(nId))
            removed.append(nId);
    }
    return removed;
}

bool RDeviceListStore::Save(const QVector<RDeviceRow>& rows, QString* pError) const
{
    // Held to the end: no archive step copies a removed region's slots back
    // before its deletion is in the file.
    RArchiveChange archive;
    PSavepoint savepoint(QStringLiteral("device_list"));
    if (!savepoint.IsOpen()) {
        *pError = QStringLiteral("cannot start the change");
        return false;
    }
    const QString strTable = Table();

    // Colours belong to positions, thresholds to devices.
    QVector<CurveColour> colours;
    QHash<int, QVariant> alarmValues;
    if (m_mode == Regions) {
        QSqlQuery query = PSqlExec::Select(
            QStringLiteral("select R_Color, G_Color, B_Color, ButtonCheck, Id, Alarmvalue from "
                           "RegionCurveColorInfo"));
        while (query.next()) {
            colours.append({query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt(),
                query.value(3).toInt()});
            alarmValues.insert(query.value(4).toInt(), query.value(5));
        }
        if (!PSqlExec::Exec(
                QStringLiteral("delete from RegionCurveColorInfo where 1=1"), {}, pError))
            return false;
    }
    const QVector<int> removed = RemovedIds(rows);
    if (!PSqlExec::Exec(QStringLiteral("delete from %1 where 1=1").arg(strTable), {}, pError))
        return false;

    const QString strInsert
        = QStringLiteral("insert into %1(Sub, Id, Name) values(?, ?, ?)").arg(strTable);
    for (int i = 0; i < rows.size(); ++i) {
        const RDeviceRow& row = rows.at(i);
        if (!PSqlExec::Exec(strInsert, {i + 1, row.nId, row.strName}, pError))
            return false;
        if (m_mode != Regions)
            continue;
        const CurveColour colour = i < colours.size() ? colours.at(i) : CurveColour();
        // A device that stays keeps its threshold; a new one gets the table's default.
        const QVariant alarm = alarmValues.value(row.nId);
        const bool bOk = alarm.isValid()
            ? PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo(Id, R_Color, "
                                            "G_Color, B_Color, ButtonCheck, Alarmvalue) values(?, "
                                            "?, ?, ?, ?, ?)"),
                {row.nId, colour.nRed, colour.nGreen, colour.nBlue, colour.nButtonCheck, alarm},
                pError)
            : PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo(Id, R_Color, "
                                            "G_Color, B_Color, ButtonCheck) values(?, ?, ?, ?, ?)"),
                {row.nId, colour.nRed, colour.nGreen, colour.nBlue, colour.nButtonCheck}, pError);
        if (!bOk)
            return false;
    }
    if (!PSqlExec::Exec(
            QStringLiteral("update %1 set Num = ? where 1=1").arg(strTable), {rows.size()}, pError))
        return false;

    const QStringList history = m_mode == Regions
        ? QStringList {QStringLiteral("delete from MonthData where Id = ?"),
            QStringLiteral("delete from MonthMinuteDose where Id = ?"),
            QStringLiteral("delete from RegionLinkDoseInfo where Id = ?")}
        : QStringList {QStringLiteral("delete from RoutingMinuteDose where RoomId = ?")};
    for (int nId : removed) {
        for (const QString& strDelete : history) {
            if (!PSqlExec::Exec(strDelete, {nId}, pError))
                return false;
        }
        if (m_mode == Regions && !archive.DeleteRegion(nId, pError))
            return false;
    }
    if (!archive.Commit(pError))
        return false;
    if (!savepoint.Release()) {
        *pError = QStringLiteral("cannot keep the change");
        return false;
    }
    if (!removed.isEmpty())
        m_pWriter->Commit();
    // Written once the deletion is kept, so the log never claims one that was undone.
    for (int nId : removed) {
        Log(LogLevel::Notice, "%s %d removed, its stored history deleted\n",
            m_mode == Regions ? "region" : "inspection room", nId);
    }
    return true;
}
