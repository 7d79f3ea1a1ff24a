#pragma once

#include "database/PSqlExec.h"

#include <QDate>
#include <QMap>
#include <QSqlDatabase>
#include <QStringList>

// The tables the history charts read, created with the program's own
// statements on an in-memory default connection, and rows to fill them.
namespace HistoryDb {

inline QString Columns(const char* pEach, int nCount)
{
    QString strColumns;
    for (int i = 0; i < nCount; ++i)
        strColumns += QString::fromLatin1(pEach).arg(i);
    return strColumns;
}

inline void Open()
{
    // Closing drops the in-memory database: every test starts empty.
    static QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    const QStringList statements {
        "create table MonthData (Id int  default 0, State int default 0, Month varchar(20) default "
        " '2014-03-07', Hour int default 0, "
            + Columns("'%1' float default 0, ", 1800) + "Sum float default 0)",
        "create table PersonalRealTimeDose(Id int default 0, State int default 0, Month "
        "varchar(20) default '2014-03-01', Time varchar(10) default '02:01', "
            + Columns("'%1' float default 0, ", 30) + "Count int default 0, Sum float default 0)",
        "create table MonthMinuteDose(Id int default 0, State int default 0, Month varchar(20) "
        "default  '2014-03-07', "
            + Columns("'%1' float default 0 ,", 1440)
            + "Maxindex int default 0, Sum float default 0)",
        "create table RegionInfo(Sub int default 0, Id int default 0, Name varchar(64) default "
        "'name', Num int default 0, State int default 0)",
        "create table RegionCurveColorInfo(Id int primary key, R_Color int default 38, G_Color int "
        "default 202, B_Color int default 87, ButtonCheck int default 2, ConnectTime varchar(20) "
        "default 0, TurnoffTime varchar(20) default 0, Alarmvalue int default 10)",
        "create table SystemInfo(IP varchar(15) default '127.0.0.1', Port int default 8888, Thre_A "
        "float default 0.1, Thre_B float default 10, Thre_C float default 200, Ceff_R float "
        "default 0.0056, Ceff_P float default 0.00049, Unit_R int default 0, Unit_P int default 0)",
        "create table PersonalMonthDose (Id int  default 0, State int default 0, Month varchar(20) "
        "default  '2014-03-01', "
            + Columns("'%1' flaot default 0, ", 24)
            + "Sum float default 0, TimeIndex int default 0)"};
    for (const QString& strStatement : statements)
        PSqlExec::Exec(strStatement);
}

inline QString Day(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

// A row: key columns and their SQL values, then the numbered columns set.
inline void Insert(const char* pTable, const QString& strKeys, const QString& strValues,
    const QMap<int, double>& cells = {})
{
    QStringList columns {strKeys};
    QStringList values {strValues};
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        columns << QStringLiteral("\"%1\"").arg(it.key());
        values << QString::number(it.value(), 'g', 9);
    }
    PSqlExec::Exec(QStringLiteral("insert into %1 (%2) values (%3)")
                       .arg(QLatin1String(pTable), columns.join(','), values.join(',')));
}

inline QString Keys(int nId, const QDate& day, const QString& strMore = QString())
{
    return QStringLiteral("%1,'%2'").arg(nId).arg(Day(day)) + strMore;
}

inline void AddRegion(int nSub, int nId, int nNum, int nCheck, const QString& strRgb)
{
    Insert("RegionInfo", "Sub,Id,Num", QStringLiteral("%1,%2,%3").arg(nSub).arg(nId).arg(nNum));
    Insert("RegionCurveColorInfo", "Id,ButtonCheck,R_Color,G_Color,B_Color",
        QStringLiteral("%1,%2,").arg(nId).arg(nCheck) + strRgb);
}

} // namespace HistoryDb
