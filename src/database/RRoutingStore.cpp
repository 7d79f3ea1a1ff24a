#include "database/RRoutingStore.h"

#include "database/PSqlExec.h"

void RRoutingStore::Store(int nRoutId, int nRoomId, const QDate& date, const QTime& time, int nDose)
{
    const QString strDate = date.toString(QStringLiteral("yyyy-MM-dd"));
    const QString strTime = time.toString(QStringLiteral("hh:mm"));
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Month, Time from RoutingMinuteDose where Month = ? and Time = ? "
                       "and Id = ? and RoomId = ?"),
        {strDate, strTime, nRoutId, nRoomId});
    const bool bExists = query.next();
    query.finish();
    if (bExists) {
        PSqlExec::Exec(QStringLiteral("update RoutingMinuteDose set Dose = ? where RoomId = ? and "
                                      "Month = ? and Time = ? and Id = ?"),
            {nDose, nRoomId, strDate, strTime, nRoutId});
    } else {
        PSqlExec::Exec(QStringLiteral("insert into RoutingMinuteDose(Id, RoomId, Dose, Time, "
                                      "Month) values(?, ?, ?, ?, ?)"),
            {nRoutId, nRoomId, nDose, strTime, strDate});
    }
}
