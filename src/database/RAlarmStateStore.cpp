#include "database/RAlarmStateStore.h"

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RStorageWriter.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {

QString TimeOrEmpty(const QDateTime& time)
{
    return time.isValid() ? RAlarmJournal::TimeText(time) : QString();
}

QDateTime TimeOf(const QVariant& value)
{
    return QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}

} // namespace

QStringList RAlarmStateStore::TableStatements()
{
    return {QStringLiteral("create table if not exists AlarmState(Id int primary key, Active int "
                           "default 0, Unacknowledged int default 0, Raised int default 0, "
                           "Chattering int default 0, ChatterStart varchar(20), EpisodeStart "
                           "varchar(20), LastAlarm varchar(20), Dose float default 0, Threshold "
                           "int default 0)"),
        QStringLiteral(
            "create table if not exists StationState(Name varchar(32) primary key, Value text)")};
}

QHash<int, RAlarmRecord> RAlarmStateStore::Load()
{
    QHash<int, RAlarmRecord> records;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select Id, Active, Unacknowledged, Raised, Chattering, ChatterStart, "
                       "EpisodeStart, LastAlarm, Dose, Threshold from AlarmState"));
    while (query.next()) {
        RAlarmRecord record;
        record.bActive = query.value(1).toInt() != 0;
        record.bUnacknowledged = query.value(2).toInt() != 0;
        record.bRaised = query.value(3).toInt() != 0;
        record.bChattering = query.value(4).toInt() != 0;
        record.chatterStart = TimeOf(query.value(5));
        record.episodeStart = TimeOf(query.value(6));
        record.lastAlarm = TimeOf(query.value(7));
        record.dDose = query.value(8).toDouble();
        record.nThreshold = query.value(9).toInt();
        records.insert(query.value(0).toInt(), record);
    }
    return records;
}

bool RAlarmStateStore::Store(RStorageWriter& writer, int nId, const RAlarmRecord& record)
{
    return writer.Write(
        QStringLiteral("insert or replace into AlarmState(Id, Active, Unacknowledged, Raised, "
                       "Chattering, ChatterStart, EpisodeStart, LastAlarm, Dose, Threshold) "
                       "values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {nId, int(record.bActive), int(record.bUnacknowledged), int(record.bRaised),
            int(record.bChattering), TimeOrEmpty(record.chatterStart),
            TimeOrEmpty(record.episodeStart), TimeOrEmpty(record.lastAlarm), record.dDose,
            record.nThreshold});
}

QString RAlarmStateStore::Value(const QString& strName)
{
    return PSqlExec::Scalar(
        QStringLiteral("select Value from StationState where Name = ?"), {strName})
        .toString();
}

bool RAlarmStateStore::StoreValue(
    RStorageWriter& writer, const QString& strName, const QString& strValue)
{
    return writer.Write(
        QStringLiteral("insert or replace into StationState(Name, Value) values(?, ?)"),
        {strName, strValue});
}

RFloodRecord RAlarmStateStore::LoadFlood()
{
    RFloodRecord flood;
    flood.bFlood = Value(QStringLiteral("flood")) == QLatin1String("1");
    flood.start = TimeOf(Value(QStringLiteral("flood-start")));
    flood.nAlarms = Value(QStringLiteral("flood-alarms")).toInt();
    // A flood whose start cannot be read began now, rather than never end.
    if (flood.bFlood && !flood.start.isValid())
        flood.bFlood = false;
    return flood;
}

bool RAlarmStateStore::StoreFlood(RStorageWriter& writer, const RFloodRecord& flood)
{
    return StoreValue(writer, QStringLiteral("flood"),
               flood.bFlood ? QStringLiteral("1") : QStringLiteral("0"))
        && StoreValue(writer, QStringLiteral("flood-start"), TimeOrEmpty(flood.start))
        && StoreValue(writer, QStringLiteral("flood-alarms"), QString::number(flood.nAlarms));
}

bool RAlarmStateStore::WasRunning()
{
    return Value(QStringLiteral("running")) == QLatin1String("1");
}

bool RAlarmStateStore::StoreRunning(RStorageWriter& writer, bool bRunning, const QDateTime& time)
{
    return StoreValue(writer, QStringLiteral("running"),
               bRunning ? QStringLiteral("1") : QStringLiteral("0"))
        && (bRunning || StoreValue(writer, QStringLiteral("stopped"), TimeOrEmpty(time)));
}

QDateTime RAlarmStateStore::StoppedAt()
{
    return TimeOf(Value(QStringLiteral("stopped")));
}

QDateTime RAlarmStateStore::LastCommit()
{
    return TimeOf(Value(QStringLiteral("last-commit")));
}

void RAlarmStateStore::StampCommit(const QDateTime& time)
{
    // Straight into the open transaction, not kept by the writer: a stamp
    // that fails is only a less precise "down since" after a crash.
    QSqlQuery query(QSqlDatabase::database());
    if (query.prepare(QStringLiteral(
            "insert or replace into StationState(Name, Value) values('last-commit', ?)"))) {
        query.addBindValue(RAlarmJournal::TimeText(time));
        query.exec();
    }
}
