#pragma once

#include <QCoreApplication>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

class RMonthReportStore;
class SClock;
class SXlsxWorkbook;

// The monthly report of one region or one staff member as a two-column
// sheet: title, information block, statistics block, one row per day and a
// line chart of the daily values. The Export button and kestal-report both
// write it through this class, so the two give the same cells.
//
// Region values are dose rates in µRad/h (a day's value is the mean of its
// minute values); a staff sum is 60 times the dose the report shows.
class PMonthReport final
{
    Q_DECLARE_TR_FUNCTIONS(PMonthReport)

public:
    enum class Status { Ok, UnknownItem, Busy, Failed };

    // nKind is the list the item comes from: SBus::RegionList for a region,
    // any other holder id for a staff member. date is the selected day: the
    // region statistics run from the 1st to it, the daily rows cover its
    // whole month. "Now" (report time, the current year's quarters) comes
    // from pClock, the system clock when null.
    PMonthReport(int nKind, int nId, const QDate& date, const SClock* pClock = nullptr);

    // Reads everything the report shows from the default connection (through
    // RMonthReportStore). Busy: another connection held the file longer than
    // the connection's busy timeout.
    Status Read(QString* pError);

    // Writes what Read() found to strFile, whose name is the report's title;
    // no file under that name is made or changed when this fails.
    bool Write(const QString& strFile, QString* pError) const;

    // The annual limit the staff percentage refers to (µSv).
    static constexpr double AnnualLimit = 20000.0;

private:
    struct Cell
    {
        QVariant value; // invalid: the cell stays empty
        QString strNumFormat;
    };
    struct Row
    {
        enum Type { Pair, Title, Empty };
        Type eType;
        QString strLabel;
        Cell value;
    };
    struct Day
    {
        QDate date;
        double dValue;
    };

    void ReadRegion(RMonthReportStore& store);
    void ReadStaff(RMonthReportStore& store);
    // The last day of the selected day's month.
    QDate MonthEnd() const;

    void AddPair(const QString& strLabel, const Cell& value);
    void AddTitle(const QString& strLabel);
    void WriteRow(SXlsxWorkbook& book, int nRow, const Row& row) const;

    const int m_nKind;
    const int m_nId;
    const QDate m_date;
    const SClock* const m_pClock;

    QList<Row> m_rows;
    QList<Day> m_days;
    QString m_strClosing;
    bool m_bUnknown = false;
};
