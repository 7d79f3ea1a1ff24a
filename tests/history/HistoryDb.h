#pragma once

#include "database/PSqlExec.h"

#include <QDate>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tables the history charts read, created with the program's own
// statements on an in-memory default connection, and rows to fill them.
namespace HistoryDb {

inline QString SlotColumns(const QString& strEach, int nCount)
{
    QString strColumns;
    for (int i = 0; i < nCount; ++i)
        strColumns += strEach.arg(i);
    return strColumns;
}

inline void Open()
{
    if (QSqlDatabase::contains(QSqlDatabase::defaultConnection))
        QSqlDatabase::database().close();
    QSqlDatabase db = QSqlDatabase::contains(QSqlDatabase::defaultConnection)
        ? QSqlDatabase::database(QSqlDatabase::defaultConnection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    PSqlExec::Exec(
        QStringLiteral("create table MonthData (Id int  default 0, State int default "
                       "0, Month varchar(20) default  '2014-03-07', Hour int default 0, ")
        + SlotColumns(QStringLiteral("'%1' float default 0, "), 1800)
        + QStringLiteral("Sum float default 0)"));
    PSqlExec::Exec(QStringLiteral("create table PersonalRealTimeDose(Id int default 0, State int "
                                  "default 0, Month varchar(20) default '2014-03-01', Time "
                                  "varchar(10) default '02:01', ")
        + SlotColumns(QStringLiteral("'%1' float default 0, "), 30)
        + QStringLiteral("Count int default 0, Sum float default 0)"));
    PSqlExec::Exec(QStringLiteral("create table MonthMinuteDose(Id int default 0, State int "
                                  "default 0, Month varchar(20) default  '2014-03-07', ")
        + SlotColumns(QStringLiteral("'%1' float default 0 ,"), 1440)
        + QStringLiteral("Maxindex int default 0, Sum float default 0)"));
    PSqlExec::Exec(QStringLiteral(
        "create table RegionInfo(Sub int default 0, Id int default 0, Name varchar(64) default "
        "'name', Num int default 0, State int default 0)"));
    PSqlExec::Exec(QStringLiteral(
        "create table RegionCurveColorInfo(Id int primary key, R_Color int default 38, G_Color "
        "int default 202, B_Color int default 87, ButtonCheck int default 2, ConnectTime "
        "varchar(20) default 0, TurnoffTime varchar(20) default 0, Alarmvalue int default 10)"));
    PSqlExec::Exec(QStringLiteral(
        "create table SystemInfo(IP varchar(15) default '127.0.0.1', Port int default 8888, "
        "Thre_A float default 0.1, Thre_B float default 10, Thre_C float default 200, Ceff_R "
        "float default 0.0056, Ceff_P float default 0.00049, Unit_R int default 0, Unit_P int "
        "default 0)"));
    PSqlExec::Exec(QStringLiteral("create table PersonalMonthDose (Id int  default 0, State int "
                                  "default 0, Month varchar(20) default  '2014-03-01', ")
        + SlotColumns(QStringLiteral("'%1' flaot default 0, "), 24)
        + QStringLiteral("Sum float default 0, TimeIndex int default 0)"));
}

inline QString Day(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

// A row with its key columns and the given numbered columns set.
inline void InsertRow(const QString& strTable, const QString& strKeys, const QString& strKeyValues,
    const QMap<int, double>& cells)
{
    QStringList columns {strKeys};
    QStringList values {strKeyValues};
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        columns << QStringLiteral("\"%1\"").arg(it.key());
        values << QString::number(it.value(), 'g', 9);
    }
    PSqlExec::Exec(
        QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(strTable, columns.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
}

inline void InsertMinutes(
    int nId, const QDate& day, const QMap<int, double>& minutes, double dSum = 0)
{
    InsertRow(QStringLiteral("MonthMinuteDose"), QStringLiteral("Id,Month,Sum"),
        QStringLiteral("%1,'%2',%3").arg(nId).arg(Day(day)).arg(dSum), minutes);
}

inline void InsertHour(int nId, const QDate& day, int nHour, const QMap<int, double>& cells)
{
    InsertRow(QStringLiteral("MonthData"), QStringLiteral("Id,Month,Hour"),
        QStringLiteral("%1,'%2',%3").arg(nId).arg(Day(day)).arg(nHour), cells);
}

inline void InsertPersonalDay(
    int nId, const QDate& day, const QMap<int, double>& hours, double dSum, int nTimeIndex)
{
    InsertRow(QStringLiteral("PersonalMonthDose"), QStringLiteral("Id,Month,Sum,TimeIndex"),
        QStringLiteral("%1,'%2',%3,%4").arg(nId).arg(Day(day)).arg(dSum).arg(nTimeIndex), hours);
}

inline void InsertPersonalMinute(int nId, const QDate& day, const QString& strTime,
    const QMap<int, double>& cells, int nCount, double dSum)
{
    InsertRow(QStringLiteral("PersonalRealTimeDose"), QStringLiteral("Id,Month,Time,Count,Sum"),
        QStringLiteral("%1,'%2','%3',%4,%5").arg(nId).arg(Day(day), strTime).arg(nCount).arg(dSum),
        cells);
}

inline void AddRegion(int nSub, int nId, int nNum, int nCheck, int r, int g, int b)
{
    PSqlExec::Exec(QStringLiteral("insert into RegionInfo (Sub,Id,Num) values (%1,%2,%3)")
                       .arg(nSub)
                       .arg(nId)
                       .arg(nNum));
    PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo (Id,R_Color,G_Color,B_Color,"
                                  "ButtonCheck) values (%1,%2,%3,%4,%5)")
                       .arg(nId)
                       .arg(r)
                       .arg(g)
                       .arg(b)
                       .arg(nCheck));
}

inline void SetPersonalCoefficient(double dCeff)
{
    PSqlExec::Exec(QStringLiteral("insert into SystemInfo (Ceff_P, Unit_P) values (%1, 0)")
                       .arg(dCeff, 0, 'g', 6));
}

} // namespace HistoryDb
