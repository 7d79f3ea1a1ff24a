#include "history/PMonthReport.h"

#include "database/RMonthReportStore.h"

#include "io/SXlsxWorkbook.h"
#include "message/SBus.h"
#include "message/SClock.h"

namespace {

constexpr double kTitleHeight = 40.0;
constexpr double kPairHeight = 20.0;
constexpr double kColumnWidth = 30.0;

// A region minute value is the sum of its 30 two-second dose rates, so a
// day's Sum ÷ 1800 is the day's dose (µRad) and a minute value ÷ 30 the
// minute's mean dose rate (µRad/h). A staff sum is 60 times the dose shown.
constexpr double kRegionDayDivisor = 1800.0;
constexpr double kSlotsPerMinute = 30.0;
constexpr double kStaffDivisor = 60.0;

} // namespace

PMonthReport::PMonthReport(int nKind, int nId, const QDate& date, const SClock* pClock)
    : m_nKind(nKind)
    , m_nId(nId)
    , m_date(date)
    , m_pClock(pClock ? pClock : SClock::System())
{
}

PMonthReport::Status PMonthReport::Read(QString* pError)
{
    m_rows.clear();
    m_days.clear();
    m_bUnknown = false;

    bool bBusy = false;
    QString strFailure;
    {
        RMonthReportStore store;
        if (store.Begin()) {
            if (m_nKind == SBus::RegionList)
                ReadRegion(store);
            else
                ReadStaff(store);
        }
        bBusy = store.Busy();
        strFailure = store.Error();
    }

    Status eStatus = Status::Ok;
    QString strError;
    if (bBusy) {
        eStatus = Status::Busy;
        strError = tr("database busy");
    } else if (!strFailure.isEmpty()) {
        eStatus = Status::Failed;
        strError = strFailure;
    } else if (m_bUnknown) {
        eStatus = Status::UnknownItem;
        strError = m_nKind == SBus::RegionList ? tr("no region with id %1").arg(m_nId)
                                               : tr("no staff member with id %1").arg(m_nId);
    }
    if (pError)
        *pError = strError;
    return eStatus;
}

void PMonthReport::ReadRegion(RMonthReportStore& store)
{
    QVariant name;
    if (!store.RegionName(m_nId, &name)) {
        m_bUnknown = true;
        return;
    }
    const QVariant alarm = store.RegionAlarmValue(m_nId);

    // Statistics from the 1st to the selected day; a day counts with its
    // first row.
    const QDate first(m_date.year(), m_date.month(), 1);
    int nAlarms = 0;
    double dHighest = 0.0;
    QString strHighestTime;
    for (const RMonthReportStore::LinkDay& day : store.RegionLinkDays(m_nId, first, m_date)) {
        nAlarms += day.nAlarms;
        if (day.dMax > dHighest) {
            dHighest = day.dMax;
            strHighestTime = day.strDay + QLatin1Char('T') + day.strTime;
        }
    }

    for (const RMonthReportStore::DaySum& day :
        store.DaySums(RMonthReportStore::RegionDays, m_nId, first, MonthEnd())) {
        // A day whose minutes were all 0 has no reading to show.
        if (day.dSum != 0.0)
            m_days << Day {day.date, day.dSum / kRegionDayDivisor};
    }
    // The mean of the minutes stored up to the report's day: a day only
    // begun, or a gap in the readings, weighs what it holds, not a day.
    const RMonthReportStore::Minutes minutes = store.StoredMinutes(m_nId, first, m_date);
    const double dAverage
        = minutes.nCount > 0 ? minutes.dSum / minutes.nCount / kSlotsPerMinute : 0.0;

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

void PMonthReport::ReadStaff(RMonthReportStore& store)
{
    RMonthReportStore::Staff staff;
    if (!store.StaffInfo(m_nId, &staff)) {
        m_bUnknown = true;
        return;
    }
    const double dTotal = store.StaffTotal(m_nId);
    const auto sumOn = [&store, this](const QDate& day) { return store.StaffSumOn(m_nId, day); };

    // The quarters of the current year, from the cumulative values at each
    // quarter's last day; the quarter we are in runs up to the total.
    const QDate today = m_pClock->Now().date();
    const int nYear = today.year();
    const int nMonth = today.month();
    double dBase = sumOn(QDate(nYear - 1, 12, 31));
    if (dBase > dTotal)
        dBase = 0.0;
    double q[4] = {};
    q[0] = (nMonth <= 3 ? dTotal : sumOn(QDate(nYear, 3, 31))) - dBase;
    if (nMonth > 3)
        q[1] = (nMonth > 6 ? sumOn(QDate(nYear, 6, 30)) : dTotal) - q[0] - dBase;
    if (nMonth > 6)
        q[2] = (nMonth > 9 ? sumOn(QDate(nYear, 9, 30)) : dTotal) - q[0] - q[1] - dBase;
    if (nMonth >= 10)
        q[3] = dTotal - q[0] - q[1] - q[2] - dBase;

    const QDate first(m_date.year(), m_date.month(), 1);
    for (const RMonthReportStore::DaySum& day :
        store.DaySums(RMonthReportStore::StaffDays, m_nId, first, MonthEnd()))
        m_days << Day {day.date, day.dSum / kStaffDivisor};

    AddTitle(tr("PersonalInfo"));
    AddPair(tr("Id"), {m_nId, QString()});
    AddPair(tr("Name"), {staff.name, QString()});
    AddPair(tr("Sex"), {staff.sex, QString()});
    AddPair(tr("Position"), {staff.position, QString()});
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

QDate PMonthReport::MonthEnd() const
{
    return QDate(m_date.year(), m_date.month(), 1).addDays(m_date.daysInMonth() - 1);
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
