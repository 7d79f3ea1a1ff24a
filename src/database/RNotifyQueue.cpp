#include "database/RNotifyQueue.h"

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RStorageWriter.h"

#include <QSqlQuery>
#include <QStringList>

namespace {

const char* const s_pColumns
    = "Seq, Time, Kind, Id, Level, Recipients, Subject, Body, State, SentTime, Answer";

RNotifyRow rowOf(const QSqlQuery& query)
{
    RNotifyRow row;
    row.nSeq = query.value(0).toLongLong();
    row.time = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
    row.strKind = query.value(2).toString();
    row.nId = query.value(3).toInt();
    row.nLevel = query.value(4).toInt();
    row.strTo = query.value(5).toString();
    row.strSubject = query.value(6).toString();
    row.strBody = query.value(7).toString();
    row.nState = query.value(8).toInt();
    row.sentTime = QDateTime::fromString(query.value(9).toString(), Qt::ISODate);
    row.strAnswer = query.value(10).toString();
    return row;
}

QVector<RNotifyRow> rows(const QString& strWhere, const QVariantList& values)
{
    QVector<RNotifyRow> list;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select %1 from NotifyQueue ").arg(QLatin1String(s_pColumns)) + strWhere,
        values);
    while (query.next())
        list.append(rowOf(query));
    return list;
}

} // namespace

QString RNotifyQueue::TableStatement()
{
    return QStringLiteral(
        "create table if not exists NotifyQueue(Seq integer primary key autoincrement, "
        "Time varchar(23) not null, Kind varchar(16) not null, Id int default 0, Level int "
        "default 0, Recipients text, Subject text, Body text, State int default 0, SentTime "
        "varchar(23), Answer text)");
}

bool RNotifyQueue::Add(RStorageWriter& writer, const RNotifyRow& row)
{
    return writer.Write(QStringLiteral("insert into NotifyQueue(Time, Kind, Id, Level, Recipients, "
                                       "Subject, Body, State) values(?, ?, ?, ?, ?, ?, ?, ?)"),
        {RAlarmJournal::TimeText(row.time), row.strKind, row.nId, row.nLevel, row.strTo,
            row.strSubject, row.strBody, row.nState});
}

bool RNotifyQueue::Next(RNotifyRow* pRow)
{
    const QVector<RNotifyRow> next
        = rows(QStringLiteral("where State = 0 order by Seq limit 1"), {});
    if (next.isEmpty())
        return false;
    *pRow = next.first();
    return true;
}

void RNotifyQueue::Mark(RStorageWriter& writer, qint64 nSeq, int nState, const QDateTime& time,
    const QString& strAnswer)
{
    writer.Write(
        QStringLiteral("update NotifyQueue set State = ?, SentTime = ?, Answer = ? where Seq = ?"),
        {nState, RAlarmJournal::TimeText(time), strAnswer, nSeq});
}

int RNotifyQueue::HoldQueued(RStorageWriter& writer, const QStringList& kinds)
{
    QStringList marks;
    QVariantList values {int(RNotifyRow::Held)};
    for (const QString& strKind : kinds) {
        marks << QStringLiteral("?");
        values << strKind;
    }
    const QString strWhere
        = QStringLiteral(" where State = 0 and Kind in (%1)").arg(marks.join(QLatin1Char(',')));
    const int nCount = PSqlExec::Scalar(
        QStringLiteral("select count(*) from NotifyQueue") + strWhere, values.mid(1))
                           .toInt();
    if (nCount > 0)
        writer.Write(QStringLiteral("update NotifyQueue set State = ?") + strWhere, values);
    return nCount;
}

QVector<RNotifyRow> RNotifyQueue::HeldAfter(qint64 nAfterSeq)
{
    return rows(QStringLiteral("where State = 2 and Seq > ? order by Seq"), {nAfterSeq});
}

qint64 RNotifyQueue::LastSeq()
{
    return PSqlExec::Scalar(QStringLiteral("select max(Seq) from NotifyQueue")).toLongLong();
}

QVector<RNotifyRow> RNotifyQueue::OpenAlarms()
{
    QVector<RNotifyRow> open;
    QSqlQuery query = PSqlExec::Select(QStringLiteral(
        "select q.Id, min(q.Time), max(q.Level), group_concat(q.Recipients, ',') from "
        "NotifyQueue q where q.Kind in ('alarm', 'escalation') and q.State != 2 and q.Seq > "
        "coalesce((select max(a.Seq) from NotifyQueue a where a.Id = q.Id and a.Kind = 'ack'), "
        "0) group by q.Id order by q.Id"));
    while (query.next()) {
        RNotifyRow row;
        row.nId = query.value(0).toInt();
        row.time = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
        row.nLevel = query.value(2).toInt();
        row.strTo = query.value(3).toString();
        open.append(row);
    }
    return open;
}

QVector<RNotifyRow> RNotifyQueue::Read(const QDate& from, const QDate& to)
{
    return rows(QStringLiteral("where Time >= ? and Time < ? order by Seq"),
        {from.toString(QStringLiteral("yyyy-MM-dd")),
            to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))});
}
