#pragma once

#include "database/PSqlExec.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariantList>

// The test day of the aggregator tests and what the file holds for it.
namespace StoredRows {

const QDate Day(2026, 3, 7);

inline QDateTime at(int nHour, int nMinute, int nSecond, int nMs = 0, const QDate& date = Day)
{
    return QDateTime(date, QTime(nHour, nMinute, nSecond, nMs));
}

inline QString day(const QDate& date = Day)
{
    return date.toString("yyyy-MM-dd");
}

inline double num(const QString& strSql, const QVariantList& values = {})
{
    return PSqlExec::Scalar(strSql, values).toDouble();
}

// A 2-second slot of an hour row, µRad/h.
inline double slot(int nId, int nHour, int nColumn, const QDate& date = Day)
{
    return num(QString("select \"%1\" from MonthData where Id = ? and Month = ? and Hour = ?")
                   .arg(nColumn),
        {nId, day(date), nHour});
}

// A stored minute value (the minute's mean x 30).
inline double minute(int nId, int nMinute, const QDate& date = Day)
{
    return num(
        QString("select \"%1\" from MonthMinuteDose where Id = ? and Month = ?").arg(nMinute),
        {nId, day(date)});
}

} // namespace StoredRows
