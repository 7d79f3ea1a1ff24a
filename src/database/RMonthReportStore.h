#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

class QSqlQuery;

// What the monthly report reads, on the default connection; nothing here
// writes. Inside the client's open transaction the reads join it (its
// uncommitted minutes included); otherwise they run in one short read
// transaction of the store's own, from Begin() to the store's end.
//
// A failed read yields nothing and is noted: Busy() when another connection
// held the file longer than the busy timeout, Error() otherwise.
class RMonthReportStore final
{
public:
    enum Table { RegionDays, StaffDays }; // MonthMinuteDose, PersonalMonthDose

    // A day's first row.
    struct DaySum
    {
        QDate date;
        double dSum;
    };
    struct LinkDay
    {
        QString strDay;
        int nAlarms;
        double dMax; // µRad/h
        QString strTime; // of the maximum, hh:mm:ss
    };
    struct Staff
    {
        QVariant name;
        QVariant sex;
        QVariant position;
    };

    RMonthReportStore() = default;
    ~RMonthReportStore();

    // False, with Error() set, when the read transaction cannot begin.
    bool Begin();

    bool Busy() const { return m_bBusy; }
    const QString& Error() const { return m_strError; }

    // False when there is no such region (or the read failed).
    bool RegionName(int nId, QVariant* pName);
    // The region's alarm threshold (an int); invalid without a display row.
    QVariant RegionAlarmValue(int nId);
    // The link rows of first..last, the first of each day, in day order.
    QList<LinkDay> RegionLinkDays(int nId, const QDate& first, const QDate& last);
    // The day sums of first..last, the first row of each day, in day order.
    QList<DaySum> DaySums(Table eTable, int nId, const QDate& first, const QDate& last);

    // The minute values of first..last with a value (not 0), the first row of
    // each day: their count and sum (each the sum of its 2-second rates).
    struct Minutes
    {
        qint64 nCount = 0;
        double dSum = 0.0;
    };
    Minutes StoredMinutes(int nId, const QDate& first, const QDate& last);

    // False when there is no such staff member (or the read failed).
    bool StaffInfo(int nId, Staff* pStaff);
    // The cumulative dose of a staff member; 0 without a row.
    double StaffTotal(int nId);
    // The cumulative dose stored on one day; 0 without a row.
    double StaffSumOn(int nId, const QDate& day);

private:
    Q_DISABLE_COPY(RMonthReportStore)

    QSqlQuery Run(const QString& strSql, const QVariantList& values);
    // Steps query (day text in column 0) to the next day's first row.
    static bool NextDay(QSqlQuery& query, QString* pPrevDay);

    bool m_bOwnTransaction = false;
    bool m_bBusy = false;
    QString m_strError;
};
