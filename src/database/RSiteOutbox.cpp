#include "database/RSiteOutbox.h"

#include "database/PSqlExec.h"
#include "database/RClientSettings.h"
#include "database/RStorageWriter.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {

struct TriggerDef
{
    const char* pName;
    const char* pEvent;
    const char* pValues;
};

// The minute write always sets Maxindex to the minute it writes.
const TriggerDef s_triggers[] = {
    {"OutboxMinute", "after update of Maxindex on MonthMinuteDose",
        "1, new.Id, new.Month, new.Maxindex, null"},
    {"OutboxDayNew", "after insert on RegionLinkDoseInfo", "2, new.Id, new.Month, null, null"},
    {"OutboxDay", "after update on RegionLinkDoseInfo", "2, new.Id, new.Month, null, null"},
    {"OutboxAlarm", "after insert on AlarmJournal", "3, new.Id, null, null, new.Seq"},
    {"OutboxPatrolNew", "after insert on RoutingMinuteDose",
        "4, new.Id, new.Month, null, new.rowid"},
    {"OutboxPatrol", "after update on RoutingMinuteDose", "4, new.Id, new.Month, null, new.rowid"},
    {"OutboxSessionNew", "after insert on UserLoginTimeInfo", "5, new.Id, null, null, new.rowid"},
    {"OutboxSession", "after update on UserLoginTimeInfo", "5, new.Id, null, null, new.rowid"},
    {"OutboxAudit", "after insert on AuditTrail", "6, null, null, null, new.Seq"},
    {"OutboxRegionNew", "after insert on RegionInfo", "7, new.Id, null, null, null"},
    {"OutboxRegion", "after update on RegionInfo", "7, new.Id, null, null, null"},
    // Deletions travel in the same sequence as the rows, so the site
    // database drops a day, a region or a room where the station did.
    {"OutboxDayGone", "after delete on RegionLinkDoseInfo", "8, old.Id, old.Month, null, null"},
    {"OutboxMinutesGone", "after delete on MonthMinuteDose", "8, old.Id, old.Month, null, null"},
    {"OutboxPatrolGone", "after delete on RoutingMinuteDose",
        "9, old.Id, old.Month, null, old.RoomId"},
    {"OutboxRegionGone", "after delete on RegionInfo", "10, old.Id, null, null, null"},
};

const char* const s_pFileId = "SiteFileId";

} // namespace

QString RSiteOutbox::TableStatement()
{
    return QStringLiteral("create table if not exists Outbox(Seq integer primary key "
                          "autoincrement, Kind int not null, Id int, Day varchar(10), Minute int, "
                          "Ref int)");
}

QStringList RSiteOutbox::TriggerStatements()
{
    QStringList statements;
    for (const TriggerDef& trigger : s_triggers) {
        statements << QStringLiteral("create trigger if not exists %1 %2 begin insert into "
                                     "Outbox(Kind, Id, Day, Minute, Ref) values(%3); end")
                          .arg(QLatin1String(trigger.pName), QLatin1String(trigger.pEvent),
                              QLatin1String(trigger.pValues));
    }
    return statements;
}

QStringList RSiteOutbox::DropStatements()
{
    QStringList statements;
    for (const TriggerDef& trigger : s_triggers)
        statements << QStringLiteral("drop trigger if exists %1").arg(QLatin1String(trigger.pName));
    return statements;
}

void RSiteOutbox::Enable(RStorageWriter& writer)
{
    writer.Write(TableStatement());
    for (const QString& strSql : TriggerStatements())
        writer.Write(strSql);
    FileId();
}

void RSiteOutbox::Disable(RStorageWriter& writer)
{
    for (const QString& strSql : DropStatements())
        writer.Write(strSql);
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from sqlite_master where name = 'Outbox'"))
            .toInt()
        > 0)
        writer.Write(QStringLiteral("delete from Outbox"));
}

bool RSiteOutbox::IsEnabled()
{
    return PSqlExec::Scalar(
               QStringLiteral("select count(*) from sqlite_master where name = 'OutboxMinute'"))
               .toInt()
        > 0;
}

void RSiteOutbox::Trim(RStorageWriter& writer, qint64 nMark)
{
    writer.Write(QStringLiteral("delete from Outbox where Seq <= ?"), {nMark});
}

QDateTime RSiteOutbox::OldestPendingMinute(qint64 nMark)
{
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Day, Minute from Outbox where Seq > ? and Kind = 1 order by Seq "
                       "limit 1"),
        {nMark});
    if (!query.next())
        return {};
    const QDate day = QDate::fromString(query.value(0).toString(), Qt::ISODate);
    return QDateTime(day, QTime(0, 0)).addSecs(60LL * (query.value(1).toInt() + 1));
}

qint64 RSiteOutbox::PendingRows(qint64 nMark)
{
    return PSqlExec::Scalar(QStringLiteral("select count(*) from Outbox where Seq > ?"), {nMark})
        .toLongLong();
}

QString RSiteOutbox::FileId()
{
    QString strId = RClientSettings::Text(s_pFileId);
    if (!strId.isEmpty())
        return strId;
    strId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    RClientSettings::SetText(s_pFileId, strId, nullptr);
    return strId;
}
