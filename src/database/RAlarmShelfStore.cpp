#include "database/RAlarmShelfStore.h"

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RStorageWriter.h"

QString RAlarmShelfStore::TableStatement()
{
    return QStringLiteral("create table if not exists AlarmShelf(Id int primary key, Until "
                          "varchar(20), Reason text, Account varchar(64))");
}

QHash<int, RAlarmShelf> RAlarmShelfStore::Load()
{
    QHash<int, RAlarmShelf> shelves;
    QSqlQuery query
        = PSqlExec::Select(QStringLiteral("select Id, Until, Reason, Account from AlarmShelf"));
    while (query.next()) {
        RAlarmShelf shelf;
        shelf.until = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
        shelf.strReason = query.value(2).toString();
        shelf.strAccount = query.value(3).toString();
        // A row whose end cannot be read would shelve the region for ever:
        // it ends now instead.
        if (!shelf.until.isValid())
            shelf.until = QDateTime::fromMSecsSinceEpoch(0);
        shelves.insert(query.value(0).toInt(), shelf);
    }
    return shelves;
}

bool RAlarmShelfStore::Store(RStorageWriter& writer, int nId, const RAlarmShelf& shelf)
{
    return writer.Write(
        QStringLiteral(
            "insert or replace into AlarmShelf(Id, Until, Reason, Account) values(?, ?, ?, ?)"),
        {nId, RAlarmJournal::TimeText(shelf.until), shelf.strReason, shelf.strAccount});
}

bool RAlarmShelfStore::Remove(RStorageWriter& writer, int nId)
{
    return writer.Write(QStringLiteral("delete from AlarmShelf where Id = ?"), {nId});
}
