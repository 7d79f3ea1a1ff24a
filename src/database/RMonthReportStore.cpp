#include "database/RMonthReportStore.h"

#include "database/RConnectDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {

const char* const s_pDayFormat = "yyyy-MM-dd";

QString DayText(const QDate& day)
{
    return day.toString(QLatin1String(s_pDayFormat));
}

} // namespace

RMonthReportStore::~RMonthReportStore()
{
    if (m_bOwnTransaction)
        QSqlDatabase::database().rollback();
}

bool RMonthReportStore::Begin()
{
    // A reader of its own holds the file only while the report reads.
    m_bOwnTransaction = !RConnectDatabase::InTransaction();
    QSqlDatabase db = QSqlDatabase::database();
    if (m_bOwnTransaction && !db.transaction()) {
        m_strError = db.lastError().text();
        return false;
    }
    return true;
}

QSqlQuery RMonthReportStore::Run(const QString& strSql, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database());
    query.setForwardOnly(true);
    bool bOk = query.prepare(strSql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    bOk = bOk && query.exec();
    if (!bOk) {
        const QString strCode = query.lastError().nativeErrorCode();
        if (strCode == QString::number(SQLITE_BUSY) || strCode == QString::number(SQLITE_LOCKED))
            m_bBusy = true;
        else if (m_strError.isEmpty())
            m_strError = query.lastError().text();
        query.clear();
    }
    return query;
}

bool RMonthReportStore::RegionName(int nId, QVariant* pName)
{
    QSqlQuery query = Run(QStringLiteral("select Name from RegionInfo where Id = ?"), {nId});
    if (!query.next())
        return false;
    *pName = query.value(0);
    return true;
}

QVariant RMonthReportStore::RegionAlarmValue(int nId)
{
    QSqlQuery query
        = Run(QStringLiteral("select Alarmvalue from RegionCurveColorInfo where Id = ?"), {nId});
    return query.next() ? QVariant(query.value(0).toInt()) : QVariant();
}

bool RMonthReportStore::NextDay(QSqlQuery& query, QString* pPrevDay)
{
    // A day counts with its first row; the rows come in day order.
    while (query.next()) {
        const QString strDay = query.value(0).toString();
        if (strDay != *pPrevDay) {
            *pPrevDay = strDay;
            return true;
        }
    }
    return false;
}

QList<RMonthReportStore::LinkDay> RMonthReportStore::RegionLinkDays(
    int nId, const QDate& first, const QDate& last)
{
    QSqlQuery query = Run(QStringLiteral("select Month, AlarmOverCount, MaxDose, TimeInfo from "
                                         "RegionLinkDoseInfo where Id = ? and Month >= ? and "
                                         "Month <= ? order by Month, rowid"),
        {nId, DayText(first), DayText(last)});
    QList<LinkDay> days;
    QString strPrevDay;
    while (NextDay(query, &strPrevDay)) {
        const QString strDay = strPrevDay;
        days << LinkDay {
            strDay, query.value(1).toInt(), query.value(2).toDouble(), query.value(3).toString()};
    }
    return days;
}

QList<RMonthReportStore::DaySum> RMonthReportStore::DaySums(
    Table eTable, int nId, const QDate& first, const QDate& last)
{
    // Only the two day-sum tables reach the statement text.
    const QString strTable = eTable == RegionDays ? QStringLiteral("MonthMinuteDose")
                                                  : QStringLiteral("PersonalMonthDose");
    QSqlQuery query = Run(QStringLiteral("select Month, Sum from %1 where Id = ? and Month >= ? "
                                         "and Month <= ? order by Month, rowid")
                              .arg(strTable),
        {nId, DayText(first), DayText(last)});
    QList<DaySum> days;
    QString strPrevDay;
    while (query.next()) {
        const QString strDay = query.value(0).toString();
        const QDate day = QDate::fromString(strDay, QLatin1String(s_pDayFormat));
        if (strDay == strPrevDay || !day.isValid())
            continue;
        strPrevDay = strDay;
        days << DaySum {day, query.value(1).toDouble()};
    }
    return days;
}

RMonthReportStore::Minutes RMonthReportStore::StoredMinutes(
    int nId, const QDate& first, const QDate& last)
{
    QStringList columns;
    for (int nMinute = 0; nMinute < 1440; ++nMinute)
        columns << QStringLiteral("\"%1\"").arg(nMinute);
    QSqlQuery query = Run(QStringLiteral("select Month, %1 from MonthMinuteDose where Id = ? and "
                                         "Month >= ? and Month <= ? order by Month, rowid")
                              .arg(columns.join(QLatin1Char(','))),
        {nId, DayText(first), DayText(last)});
    Minutes minutes;
    QString strPrevDay;
    while (NextDay(query, &strPrevDay)) {
        for (int nMinute = 1; nMinute <= 1440; ++nMinute) {
            const double dValue = query.value(nMinute).toDouble();
            // A minute without a reading is stored as 0: no value, not a dose
            // rate of 0.
            if (dValue != 0.0) {
                ++minutes.nCount;
                minutes.dSum += dValue;
            }
        }
    }
    return minutes;
}

bool RMonthReportStore::StaffInfo(int nId, Staff* pStaff)
{
    QSqlQuery query
        = Run(QStringLiteral("select Name, Sex, Position from PersonalInfo where Id = ?"), {nId});
    if (!query.next())
        return false;
    *pStaff = Staff {query.value(0), query.value(1), query.value(2)};
    return true;
}

double RMonthReportStore::StaffTotal(int nId)
{
    QSqlQuery query
        = Run(QStringLiteral("select SumDose from PersonalSumDoseInfo where Id = ?"), {nId});
    return query.next() ? query.value(0).toDouble() : 0.0;
}

double RMonthReportStore::StaffSumOn(int nId, const QDate& day)
{
    QSqlQuery query
        = Run(QStringLiteral("select Sum from PersonalMonthDose where Month = ? and Id = ?"),
            {DayText(day), nId});
    return query.next() ? query.value(0).toDouble() : 0.0;
}
