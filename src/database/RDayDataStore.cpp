#include "database/RDayDataStore.h"

#include "database/PSavepoint.h"
#include "database/PSqlExec.h"
#include "database/RArchiveChange.h"
#include "database/RConnectDatabase.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QList<QDate> RDayDataStore::DaysWithData(Kind kind, int nId, int nYear, int nMonth)
{
    const QDate first(nYear, nMonth, 1);
    QList<QDate> days;
    if (!first.isValid())
        return days;
    const QString strSql = kind == Region
        ? QStringLiteral("select distinct Month from MonthMinuteDose where Id = ? and Month >= ? "
                         "and Month <= ? and Sum <> 0")
        : QStringLiteral("select distinct Month from PersonalMonthDose where Id = ? and Month >= ? "
                         "and Month <= ?");
    QSqlQuery query = PSqlExec::Select(strSql,
        {nId, SClock::DayText(first), SClock::DayText(first.addDays(first.daysInMonth() - 1))});
    while (query.next()) {
        const QDate day
            = QDate::fromString(query.value(0).toString(), QStringLiteral("yyyy-MM-dd"));
        if (day.isValid())
            days.append(day);
    }
    return days;
}

bool RDayDataStore::DeleteDay(RStorageWriter& writer, Kind kind, int nId, const QDate& date,
    bool bRecreate, int* pRows, QString* pError)
{
    const QStringList tables = kind == Region
        ? QStringList {QStringLiteral("MonthMinuteDose"), QStringLiteral("MonthData"),
            QStringLiteral("RegionLinkDoseInfo")}
        : QStringList {QStringLiteral("PersonalMonthDose"), QStringLiteral("PersonalRealTimeDose")};
    RArchiveChange archive;
    PSavepoint savepoint(QStringLiteral("delete_day"));
    if (!savepoint.IsOpen()) {
        *pError = QStringLiteral("cannot start the change");
        return false;
    }
    const QString strDay = SClock::DayText(date);
    int nRows = 0;
    for (const QString& strTable : tables) {
        QSqlQuery query(QSqlDatabase::database());
        if (!query.prepare(
                QStringLiteral("delete from %1 where Id = ? and Month = ?").arg(strTable))) {
            *pError = query.lastError().text();
            return false;
        }
        query.addBindValue(nId);
        query.addBindValue(strDay);
        if (!query.exec()) {
            *pError = query.lastError().text();
            return false;
        }
        nRows += query.numRowsAffected();
    }
    if (bRecreate && kind == Region) {
        bool bOk
            = PSqlExec::Exec(QStringLiteral("insert into MonthMinuteDose(Id, Month) values(?, ?)"),
                {nId, strDay}, pError);
        for (int nHour = 0; bOk && nHour < 24; ++nHour) {
            bOk = PSqlExec::Exec(
                QStringLiteral("insert into MonthData(Id, Month, Hour) values(?, ?, ?)"),
                {nId, strDay, nHour}, pError);
        }
        if (!bOk)
            return false;
    }
    // An archived day goes from its month's file too; the archive commits
    // first, and a failure there keeps the day everywhere.
    if (kind == Region
        && (!archive.DeleteDay(nId, strDay, &nRows, pError) || !archive.Commit(pError)))
        return false;
    if (!savepoint.Release()) {
        *pError = QStringLiteral("cannot keep the change");
        return false;
    }
    // Into the file at once: a rollback of the long transaction later (a
    // full disk) must not bring the deleted day back.
    writer.Commit();
    Log(LogLevel::Notice, "%s %d: stored data of %s deleted, %d rows\n",
        kind == Region ? "region" : "staff", nId, strDay.toUtf8().constData(), nRows);
    *pRows = nRows;
    return true;
}
