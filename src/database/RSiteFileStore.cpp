#include "database/RSiteFileStore.h"

#include "database/PSqlExec.h"

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

namespace {

constexpr int MinutesPerDay = 1440;

} // namespace

QSqlQuery RSiteFileStore::OutboxIssued(QSqlDatabase& file)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select (select seq from sqlite_sequence where name = 'Outbox'), (select "
                       "min(Seq) - 1 from Outbox)"));
}

QSqlQuery RSiteFileStore::Outbox(QSqlDatabase& file, qint64 nMark, int nLimit)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Seq, Kind, Id, Day, Minute, Ref from Outbox where Seq > ? order "
                       "by Seq limit %1")
            .arg(nLimit),
        {nMark});
}

QSqlQuery RSiteFileStore::Alarm(QSqlDatabase& file, qint64 nSeq)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Seq, Time, Id, Event, Dose, Threshold, Operator, Detail from "
                       "AlarmJournal where Seq = ?"),
        {nSeq});
}

QSqlQuery RSiteFileStore::Patrol(QSqlDatabase& file, qint64 nRowId)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral(
            "select Id, RoomId, Month, Time, Dose from RoutingMinuteDose where rowid = ?"),
        {nRowId});
}

QSqlQuery RSiteFileStore::Session(QSqlDatabase& file, qint64 nRowId)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Id, Logintime, Logouttime from UserLoginTimeInfo where rowid = ?"),
        {nRowId});
}

QSqlQuery RSiteFileStore::Audit(QSqlDatabase& file, qint64 nSeq)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Seq, Time, AccountId, AccountName, Action, Object, OldValue, "
                       "NewValue, Reason, Mac from AuditTrail where Seq = ?"),
        {nSeq});
}

QSqlQuery RSiteFileStore::Region(QSqlDatabase& file, int nId)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Id, Name, Sub from RegionInfo where Id = ? order by rowid limit 1"),
        {nId});
}

QSqlQuery RSiteFileStore::RegionEntries(QSqlDatabase& file, int nId)
{
    return PSqlExec::SelectOn(
        file, QStringLiteral("select count(*) from RegionInfo where Id = ?"), {nId});
}

QSqlQuery RSiteFileStore::RegionIds(QSqlDatabase& file)
{
    return PSqlExec::SelectOn(file, QStringLiteral("select distinct Id from RegionInfo"), {});
}

QSqlQuery RSiteFileStore::SessionRowIds(QSqlDatabase& file)
{
    return PSqlExec::SelectOn(file, QStringLiteral("select rowid from UserLoginTimeInfo"), {});
}

QSqlQuery RSiteFileStore::AuditSeqs(QSqlDatabase& file)
{
    return PSqlExec::SelectOn(file, QStringLiteral("select Seq from AuditTrail"), {});
}

bool RSiteFileStore::PrepareMinutes(QSqlQuery* pQuery, const QList<int>& minutes)
{
    QStringList columns;
    for (int nMinute : minutes)
        columns << QStringLiteral("\"%1\"").arg(nMinute);
    pQuery->setForwardOnly(true);
    return pQuery->prepare(QStringLiteral("select %1 from MonthMinuteDose where Id = ? and "
                                          "Month = ? order by rowid limit 1")
                               .arg(columns.join(QLatin1String(", "))));
}

QSqlQuery RSiteFileStore::DaySummary(QSqlDatabase& file, int nId, const QString& strDay)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select MaxDose, TimeInfo, AlarmOverCount from RegionLinkDoseInfo where "
                       "Id = ? and Month = ? order by rowid limit 1"),
        {nId, strDay});
}

QSqlQuery RSiteFileStore::DayMinutes(QSqlDatabase& file, const QString& strDay)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select * from MonthMinuteDose where Month = ? order by rowid"), {strDay});
}

QSqlQuery RSiteFileStore::DaySummaries(QSqlDatabase& file, const QString& strDay)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Id, MaxDose, TimeInfo, AlarmOverCount from RegionLinkDoseInfo "
                       "where Month = ? order by rowid desc"),
        {strDay});
}

QSqlQuery RSiteFileStore::DayAlarms(QSqlDatabase& file, const QString& strDay)
{
    return PSqlExec::SelectOn(file,
        QStringLiteral("select Seq from AlarmJournal where Time >= ? and Time < ?"),
        {strDay, QDate::fromString(strDay, Qt::ISODate).addDays(1).toString(Qt::ISODate)});
}

QSqlQuery RSiteFileStore::DayPatrols(QSqlDatabase& file, const QString& strDay)
{
    return PSqlExec::SelectOn(
        file, QStringLiteral("select rowid from RoutingMinuteDose where Month = ?"), {strDay});
}

QSqlQuery RSiteFileStore::NextDay(QSqlDatabase& file, const QString& strDay)
{
    return PSqlExec::SelectOn(
        file, QStringLiteral("select min(Month) from MonthMinuteDose where Month > ?"), {strDay});
}

void RSiteFileStore::AddRegion(int nPosition, int nId, const QString& strName)
{
    PSqlExec::Exec(QStringLiteral("insert into RegionInfo(Sub, Id, Name) values(?, ?, ?)"),
        {nPosition, nId, strName});
    PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo(Id) values(?)"), {nId});
}

bool RSiteFileStore::PrepareDay(QSqlQuery* pQuery)
{
    QString strColumns;
    QString strMarks;
    for (int m = 0; m < MinutesPerDay; ++m) {
        strColumns += QStringLiteral(", \"%1\"").arg(m);
        strMarks += QStringLiteral(", ?");
    }
    return pQuery->prepare(
        QStringLiteral("insert into MonthMinuteDose(Id, Month%1, Sum) values(?, ?%2, ?)")
            .arg(strColumns, strMarks));
}

void RSiteFileStore::AddDaySummary(int nId, const QString& strDay, const QVariant& max,
    const QVariant& time, const QVariant& alarms)
{
    PSqlExec::Exec(QStringLiteral("insert into RegionLinkDoseInfo(Id, Month, MaxDose, TimeInfo, "
                                  "AlarmOverCount) values(?, ?, ?, ?, ?)"),
        {nId, strDay, max, time, alarms});
}

void RSiteFileStore::AddAlarm(const QVariantList& row)
{
    PSqlExec::Exec(QStringLiteral("insert into AlarmJournal(Time, Id, Event, Dose, Threshold, "
                                  "Operator, Detail) values(?, ?, ?, ?, ?, ?, ?)"),
        row);
}

void RSiteFileStore::AddPatrol(
    int nStaff, int nRoom, const QString& strDay, const QVariant& time, const QVariant& dose)
{
    PSqlExec::Exec(QStringLiteral("insert into RoutingMinuteDose(Id, RoomId, Month, Time, Dose) "
                                  "values(?, ?, ?, ?, ?)"),
        {nStaff, nRoom, strDay, time, dose});
}
