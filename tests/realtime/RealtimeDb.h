#pragma once

#include "database/PSqlExec.h"

#include <QSqlDatabase>
#include <QString>

// The tables the real-time views read, created with the program's own
// statements on an in-memory default connection.
namespace RealtimeDb {

inline void Open()
{
    if (QSqlDatabase::contains(QSqlDatabase::defaultConnection))
        QSqlDatabase::database().close();
    QSqlDatabase db = QSqlDatabase::contains(QSqlDatabase::defaultConnection)
        ? QSqlDatabase::database(QSqlDatabase::defaultConnection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    PSqlExec::Exec(QStringLiteral(
        "create table RegionInfo(Sub int default 0, Id int default 0, Name varchar(64) default "
        "'name', Num int default 0, State int default 0)"));
    PSqlExec::Exec(QStringLiteral(
        "create table RegionLinkDoseInfo(Id int default 0, AlarmOverCount int default 0, MaxDose "
        "float default 0, Month varchar(20) default 0, TimeInfo varchar(20) default 0)"));
    PSqlExec::Exec(QStringLiteral(
        "create table RegionCurveColorInfo(Id int primary key, R_Color int default 38, G_Color "
        "int default 202, B_Color int default 87, ButtonCheck int default 2, ConnectTime "
        "varchar(20) default 0, TurnoffTime varchar(20) default 0, Alarmvalue int default 10)"));
    PSqlExec::Exec(QStringLiteral(
        "create table SystemInfo(IP varchar(15) default '127.0.0.1', Port int default 8888, "
        "Thre_A float default 0.1, Thre_B float default 10, Thre_C float default 200, Ceff_R "
        "float default 0.0056, Ceff_P float default 0.00049, Unit_R int default 0, Unit_P int "
        "default 0)"));
    QString strMinute = QStringLiteral("create table MonthMinuteDose(Id int default 0, State int "
                                       "default 0, Month varchar(20) default  '2014-03-07', ");
    for (int i = 0; i < 1440; ++i)
        strMinute += QStringLiteral("'%1' float default 0 ,").arg(i);
    strMinute += QStringLiteral("Maxindex int default 0, Sum float default 0)");
    PSqlExec::Exec(strMinute);
}

// Registers regions with ids in list order; Alarmvalue per region.
inline void AddRegions(const QList<int>& ids, const QList<int>& alarmValues = {})
{
    const int nNum = ids.size();
    for (int i = 0; i < nNum; ++i) {
        PSqlExec::Exec(
            QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values(?, ?, ?, ?)"),
            {i + 1, ids.at(i), QStringLiteral("Room %1").arg(ids.at(i)), nNum});
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo(Id, Alarmvalue) values(?, ?)"),
            {ids.at(i), i < alarmValues.size() ? alarmValues.at(i) : 10});
    }
}

} // namespace RealtimeDb
