#include "history/PMonthReport.h"

#include "database/RConnectDatabase.h"
#include "io/SXlsxWorkbook.h"
#include "message/SBus.h"
#include "message/SClock.h"

#include <QSqlDatabase>
#include <QSqlError>

#include <sqlite3.h>

namespace {

const char* const s_pDayFormat = "yyyy-MM-dd";
constexpr double kTitleHeight = 40.0;
constexpr double kPairHeight = 20.0;
constexpr double kColumnWidth = 30.0;

// A region minute value is the sum of its 30 two-second dose rates, so a
// day's Sum ÷ 1800 is the day's dose (µRad) and Sum ÷ 43200 the day's mean
// dose rate (µRad/h). A staff sum is 60 times the dose shown.
constexpr double kRegionDayDivisor = 1800.0;
constexpr double kRegionRateDivisor = 43200.0;
constexpr double kStaffDivisor = 60.0;

QString DayText(const QDate& day)
{
    return day.toString(QLatin1String(s_pDayFormat));
}

} // namespace

PMonthReport::PMonthReport(int nKind, int nId, const QDate& date, const SClock* pClock)
    : m_nKind(nKind)
    , m_nId(nId)
    , m_date(date)
    , m_pClock(pClock ? pClock : SClock::System())
{
}

QSqlQuery PMonthReport::Run(const QString& strSql, const QVariantList& values)
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

PMonthReport::Status PMonthReport::Read(QString* pError)
{
    m_rows.clear();
    m_days.clear();
    m_bUnknown = false;
    m_bBusy = false;
    m_strError.clear();

    QSqlDatabase db = QSqlDatabase::database();
    // The client reads inside its own long transaction (its uncommitted
    // minutes included); a reader of its own holds the file only this long.
    const bool bOwnTransaction = !RConnectDatabase::InTransaction();
    if (bOwnTransaction && !db.transaction())
        m_strError = db.lastError().text();
    else if (m_nKind == SBus::RegionList)
        ReadRegion();
    else
        ReadStaff();
    if (bOwnTransaction)
        db.rollback();

    Status eStatus = Status::Ok;
    QString strError;
    if (m_bBusy) {
        eStatus = Status::Busy;
        strError = tr("database busy");
    } else if (!m_strError.isEmpty()) {
        eStatus = Status::Failed;
        strError = m_strError;
    } else if (m_bUnknown) {
        eStatus = Status::UnknownItem;
        strError = m_nKind == SBus::RegionList ? tr("no region with id %1").arg(m_nId)
                                               : tr("no staff member with id %1").arg(m_nId);
    }
    if (pError)
        *pError = strError;
    return eStatus;
}

void PMonthReport::ReadRegion()
{
    QSqlQuery info = Run(QStringLiteral("select Name from RegionInfo where Id = ?"), {m_nId});
    if (!info.next()) {
        m_bUnknown = true;
        return;
    }
    const QVariant name = info.value(0);
    info.finish();
    QVariant alarm;
    QSqlQuery colour
        = Run(QStringLiteral("select Alarmvalue from RegionCurveColorInfo where Id = ?"), {m_nId});
    if (colour.next())
        alarm = colour.value(0).toInt();
    colour.finish();

    // Statistics from the 1st to the selected day; a day counts with its
    // first row.
    const QDate first(m_date.year(), m_date.month(), 1);
    int nAlarms = 0;
    double dHighest = 0.0;
    QString strHighestTime;
    QSqlQuery link = Run(QStringLiteral("select Month, AlarmOverCount, MaxDose, TimeInfo from "
                                        "RegionLinkDoseInfo where Id = ? and Month >= ? and "
                                        "Month <= ? order by Month, rowid"),
        {m_nId, DayText(first), DayText(m_date)});
    QString strPrevDay;
    while (link.next()) {
        const QString strDay = link.value(0).toString();
        if (strDay == strPrevDay)
            continue;
        strPrevDay = strDay;
        nAlarms += link.value(1).toInt();
        const double dMax = link.value(2).toDouble();
        if (dMax > dHighest) {
            dHighest = dMax;
            strHighestTime = strDay + QLatin1Char('T') + link.value(3).toString();
        }
    }
    link.finish();

    double dTotal = 0.0;
    for (const Day& day : MonthSums(QStringLiteral("MonthMinuteDose"))) {
        if (day.date <= m_date)
            dTotal += day.dValue;
        // A day whose minutes were all 0 has no reading to show.
        if (day.dValue != 0.0)
            m_days << Day {day.date, day.dValue / kRegionDayDivisor};
    }
    // Every day summed counts, with or without a row.
    const double dAverage = dTotal / (first.daysTo(m_date) + 1) / kRegionRateDivisor;

    AddTitle(tr("Device Information"));
    AddPair(tr("ID"), {m_nId, QString()});
    AddPair(tr("Loaction"), {name, QString()});
    m_rows << Row {Row::Empty, QString(), {}};
    AddTitle(tr("Statistics"));
    AddPair(tr("Monthy Average Dose Rate:"), {dAverage, QStringLiteral("0.00")});
    AddPair(tr("Monthy Highest Dose Rate:"), {dHighest, QStringLiteral("0.00")});
    AddPair(tr("Alarm Dose Rate Threshold:"), {alarm, QString()});
    AddPair(tr("Monthy Alarm Times:"), {nAlarms, QString()});
    AddPair(tr("Monthy Highest Dose Rate time:"),
        {strHighestTime.isEmpty() ? QVariant() : QVariant(strHighestTime), QString()});
    AddPair(tr("Report Time:"),
        {m_pClock->Now().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")), QString()});
    AddTitle(tr("Statistics"));
    AddPair(tr("Time"), {tr("Dose"), QString()});
    m_strClosing = tr("Cumulative dose rate curve.");
}

void PMonthReport::ReadStaff()
{
    QSqlQuery info
        = Run(QStringLiteral("select Name, Sex, Position from PersonalInfo where Id = ?"), {m_nId});
    if (!info.next()) {
        m_bUnknown = true;
        return;
    }
    const QVariant name = info.value(0);
    const QVariant sex = info.value(1);
    const QVariant position = info.value(2);
    info.finish();
    double dTotal = 0.0;
    QSqlQuery sum
        = Run(QStringLiteral("select SumDose from PersonalSumDoseInfo where Id = ?"), {m_nId});
    if (sum.next())
        dTotal = sum.value(0).toDouble();
    sum.finish();

    // The quarters of the current year, from the cumulative values at each
    // quarter's last day; the quarter we are in runs up to the total.
    const QDate today = m_pClock->Now().date();
    const int nYear = today.year();
    const int nMonth = today.month();
    double dBase = StaffSumOn(QDate(nYear - 1, 12, 31));
    if (dBase > dTotal)
        dBase = 0.0;
    double q[4] = {};
    q[0] = (nMonth <= 3 ? dTotal : StaffSumOn(QDate(nYear, 3, 31))) - dBase;
    if (nMonth > 3)
        q[1] = (nMonth > 6 ? StaffSumOn(QDate(nYear, 6, 30)) : dTotal) - q[0] - dBase;
    if (nMonth > 6)
        q[2] = (nMonth > 9 ? StaffSumOn(QDate(nYear, 9, 30)) : dTotal) - q[0] - q[1] - dBase;
    if (nMonth >= 10)
        q[3] = dTotal - q[0] - q[1] - q[2] - dBase;

    for (const Day& day : MonthSums(QStringLiteral("PersonalMonthDose")))
        m_days << Day {day.date, day.dValue / kStaffDivisor};

    AddTitle(tr("PersonalInfo"));
    AddPair(tr("Id"), {m_nId, QString()});
    AddPair(tr("Name"), {name, QString()});
    AddPair(tr("Sex"), {sex, QString()});
    AddPair(tr("Position"), {position, QString()});
    m_rows << Row {Row::Empty, QString(), {}};
    AddTitle(tr("Basic information"));
    AddPair(tr("Dose"), {dTotal / kStaffDivisor, QStringLiteral("0.00")});
    // A fraction, so the spreadsheet's percent format shows it.
    AddPair(tr("Percentage of annual maximum absorbed dose."),
        {dTotal / AnnualLimit / kStaffDivisor, QStringLiteral("0.00%")});
    const QString strLabels[4] = {tr("Q1"), tr("Q2"), tr("Q3"), tr("Q4")};
    for (int i = 0; i < 4; ++i) {
        // A quarter above the total comes from a damaged cumulative value.
        const double dQuarter = q[i] > dTotal ? 0.0 : q[i];
        AddPair(strLabels[i], {dQuarter / kStaffDivisor, QStringLiteral("0.00\"uSv\"")});
    }
    AddPair(tr("Report Generation Time:"),
        {m_pClock->Now().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")), QString()});
    AddTitle(tr("Statistics"));
    AddPair(tr("Time"), {tr("Dose"), QString()});
    m_strClosing = tr("That month cumulative dose curve.");
}

QList<PMonthReport::Day> PMonthReport::MonthSums(const QString& strTable)
{
    // Only the two day-sum tables reach the SQL text.
    const QDate first(m_date.year(), m_date.month(), 1);
    const QDate last = first.addDays(first.daysInMonth() - 1);
    QSqlQuery query = Run(QStringLiteral("select Month, Sum from %1 where Id = ? and Month >= ? "
                                         "and Month <= ? order by Month, rowid")
                              .arg(strTable),
        {m_nId, DayText(first), DayText(last)});
    QList<Day> days;
    QString strPrevDay;
    while (query.next()) {
        const QString strDay = query.value(0).toString();
        const QDate day = QDate::fromString(strDay, QLatin1String(s_pDayFormat));
        if (strDay == strPrevDay || !day.isValid())
            continue;
        strPrevDay = strDay;
        days << Day {day, query.value(1).toDouble()};
    }
    return days;
}

double PMonthReport::StaffSumOn(const QDate& day)
{
    QSqlQuery query
        = Run(QStringLiteral("select Sum from PersonalMonthDose where Month = ? and Id = ?"),
            {DayText(day), m_nId});
    return query.next() ? query.value(0).toDouble() : 0.0;
}

void PMonthReport::AddPair(const QString& strLabel, const Cell& value)
{
    m_rows << Row {Row::Pair, strLabel, value};
}

void PMonthReport::AddTitle(const QString& strLabel)
{
    m_rows << Row {Row::Title, strLabel, {}};
}

void PMonthReport::WriteRow(SXlsxWorkbook& book, int nRow, const Row& row) const
{
    switch (row.eType) {
    case Row::Empty:
        return;
    case Row::Title:
        book.MergeRow(nRow, 0, 1, row.strLabel);
        book.SetRowHeight(nRow, kTitleHeight);
        return;
    case Row::Pair:
        book.SetText(nRow, 0, row.strLabel);
        book.SetRowHeight(nRow, kPairHeight);
        break;
    }
    const QVariant& value = row.value.value;
    if (!value.isValid() || value.isNull())
        return;
    if (value.type() == QVariant::String)
        book.SetText(nRow, 1, value.toString());
    else
        book.SetNumber(nRow, 1, value.toDouble(), row.value.strNumFormat);
}

bool PMonthReport::Write(const QString& strFile, QString* pError) const
{
    SXlsxWorkbook book(strFile);
    book.SetCentred(true);
    book.SetColumnWidth(0, 1, kColumnWidth);
    int nRow = 0;
    WriteRow(book, nRow++, Row {Row::Title, strFile, {}});
    for (const Row& row : m_rows)
        WriteRow(book, nRow++, row);
    const int nFirstDay = nRow;
    const QString strDayFormat = QStringLiteral("yyyy-mm-dd");
    for (const Day& day : m_days) {
        book.SetDate(nRow, 0, day.date, strDayFormat);
        book.SetNumber(nRow, 1, day.dValue, QStringLiteral("0.00"));
        book.SetRowHeight(nRow, kPairHeight);
        ++nRow;
    }
    const int nClosing = nRow;
    WriteRow(book, nClosing, Row {Row::Title, m_strClosing, {}});
    // The header row above the days names the series; an empty month has
    // nothing to draw.
    if (!m_days.isEmpty())
        book.AddLineChart(nFirstDay, nClosing - 1, 0, strDayFormat, 1, nFirstDay - 1, nClosing + 1);
    return book.Save(pError);
}
