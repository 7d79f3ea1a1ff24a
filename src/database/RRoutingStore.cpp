#include "database/RRoutingStore.h"

#include "database/RStorageWriter.h"

void RRoutingStore::Store(RStorageWriter& writer, int nRoutId, int nRoomId, const QDate& date,
    const QTime& time, int nDose)
{
    const QString strDate = date.toString(QStringLiteral("yyyy-MM-dd"));
    const QString strTime = time.toString(QStringLiteral("hh:mm"));
    // A later reading of the same minute replaces the earlier one. A patrol
    // reading is a reading: kept and written again when the file refuses it.
    writer.Write(
        QStringLiteral("update RoutingMinuteDose set Dose = ? where RoomId = ? and Month = ? and "
                       "Time = ? and Id = ?"),
        {nDose, nRoomId, strDate, strTime, nRoutId},
        QStringLiteral(
            "insert into RoutingMinuteDose(Id, RoomId, Dose, Time, Month) values(?, ?, ?, ?, ?)"),
        {nRoutId, nRoomId, nDose, strTime, strDate});
}
