#include "history/PAlarmFiguresReport.h"

#include "database/RAlarmJournal.h"
#include "database/RRegionCatalogue.h"
#include "io/SXlsxWorkbook.h"
#include "message/SClock.h"

#include <QSqlError>

#include <algorithm>

namespace {

constexpr double kTitleHeight = 40.0;
constexpr double kSectionHeight = 30.0;
constexpr double kRowHeight = 20.0;
// Five columns: a label or region name, then id and figures.
constexpr int kLastCol = 4;
constexpr double kLabelWidth = 36.0;
constexpr double kFigureWidth = 18.0;

const char* const s_pTimeFormat = "yyyy-MM-ddThh:mm:ss";

} // namespace

PAlarmFiguresReport::PAlarmFiguresReport(
    const QDate& month, const SClock* pClock, const RRegionCatalogue* pCatalogue)
    : m_first(month.year(), month.month(), 1)
    , m_now((pClock ? pClock : SClock::System())->Now())
    , m_pCatalogue(pCatalogue)
    , m_figures(month, m_now)
{
}

QString PAlarmFiguresReport::FileName(const QDate& month)
{
    return QStringLiteral("alarm-figures-%1.xlsx").arg(month.toString(QStringLiteral("yyyy-MM")));
}

bool PAlarmFiguresReport::Read(QSqlError* pError)
{
    QSqlError error;
    QVector<RAlarmEvent> events
        = RAlarmJournal::Read(m_first.addMonths(-1), m_first.addMonths(2).addDays(-1), 0, &error);
    if (error.type() != QSqlError::NoError) {
        if (pError)
            *pError = error;
        return false;
    }
    // Read() lists the newest first.
    std::reverse(events.begin(), events.end());
    m_figures.Compute(events);
    m_names.clear();
    for (const RRegion& region : m_pCatalogue->Regions())
        m_names.insert(region.nId, region.strName);
    return true;
}

QString PAlarmFiguresReport::RegionName(int nId) const
{
    const QString strName = m_names.value(nId);
    return strName.isEmpty() ? QString::number(nId) : strName;
}

int PAlarmFiguresReport::WriteTitle(SXlsxWorkbook& book, int nRow, const QString& strTitle) const
{
    book.MergeRow(nRow, 0, kLastCol, strTitle);
    book.SetRowHeight(nRow, kSectionHeight);
    return nRow + 1;
}

int PAlarmFiguresReport::WriteHeader(SXlsxWorkbook& book, int nRow, const QStringList& labels) const
{
    for (int nCol = 0; nCol < labels.size(); ++nCol)
        book.SetText(nRow, nCol, labels.at(nCol));
    book.SetRowHeight(nRow, kRowHeight);
    return nRow + 1;
}

int PAlarmFiguresReport::WriteNone(SXlsxWorkbook& book, int nRow) const
{
    book.SetText(nRow, 0, tr("None"));
    book.SetRowHeight(nRow, kRowHeight);
    return nRow + 1;
}

bool PAlarmFiguresReport::Write(const QString& strFile, QString* pError) const
{
    const QString strHours = QStringLiteral("0.00");
    const QString strMinutes = QStringLiteral("0.0");
    SXlsxWorkbook book(strFile);
    book.SetColumnWidth(0, 0, kLabelWidth);
    book.SetColumnWidth(1, kLastCol, kFigureWidth);

    const QString strMonth = m_first.toString(QStringLiteral("yyyy-MM"));
    book.MergeRow(0, 0, kLastCol, tr("Alarm figures of %1").arg(strMonth));
    book.SetRowHeight(0, kTitleHeight);
    int nRow = 1;
    const auto pair = [&book, &nRow](const QString& strLabel) {
        book.SetText(nRow, 0, strLabel);
        book.SetRowHeight(nRow, kRowHeight);
        return nRow++;
    };
    book.SetText(pair(tr("Month")), 1, strMonth);
    book.SetText(pair(tr("Report time")), 1, m_now.toString(QLatin1String(s_pTimeFormat)));
    // The current month is counted up to now only.
    const QDateTime end = qMin(m_first.addMonths(1).startOfDay(), m_now);
    book.SetText(pair(tr("Counted up to")), 1, end.toString(QLatin1String(s_pTimeFormat)));
    const QVector<int>& days = m_figures.AlarmsPerDay();
    int nTotal = 0;
    for (int nAlarms : days)
        nTotal += nAlarms;
    book.SetNumber(pair(tr("Alarm episodes begun in the month")), 1, nTotal);
    // What one count stands for, in this sheet, the day counts and the
    // region reports alike.
    book.SetText(pair(tr("An alarm episode")), 1,
        tr("from a raise until the alarm has been cleared for a minute; chattering is within it"));
    ++nRow;

    const QString strEpisodes = tr("Alarm episodes");
    nRow = WriteTitle(book, nRow, tr("Alarm episodes per day"));
    nRow = WriteHeader(book, nRow, {tr("Day"), strEpisodes});
    for (int nDay = 0; nDay < days.size(); ++nDay) {
        book.SetDate(nRow, 0, m_first.addDays(nDay), QStringLiteral("yyyy-mm-dd"));
        book.SetNumber(nRow, 1, days.at(nDay));
        book.SetRowHeight(nRow++, kRowHeight);
    }
    ++nRow;

    const QString strRegion = tr("Region");
    const QString strId = tr("ID");
    nRow = WriteTitle(book, nRow, tr("Alarm episodes per region"));
    nRow = WriteHeader(book, nRow, {strRegion, strId, strEpisodes});
    for (const PAlarmFigures::RegionCount& region : m_figures.TopRegions()) {
        book.SetText(nRow, 0, RegionName(region.nId));
        book.SetNumber(nRow, 1, region.nId);
        book.SetNumber(nRow, 2, region.nAlarms);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    if (m_figures.TopRegions().isEmpty())
        nRow = WriteNone(book, nRow);
    ++nRow;

    nRow = WriteTitle(book, nRow, tr("Time in alarm"));
    nRow = WriteHeader(book, nRow, {strRegion, strId, tr("Time in alarm (h)")});
    for (const PAlarmFigures::RegionTime& region : m_figures.TimeInAlarm()) {
        book.SetText(nRow, 0, RegionName(region.nId));
        book.SetNumber(nRow, 1, region.nId);
        book.SetNumber(nRow, 2, region.nSeconds / 3600.0, strHours);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    if (m_figures.TimeInAlarm().isEmpty())
        nRow = WriteNone(book, nRow);
    ++nRow;

    nRow = WriteTitle(book, nRow, tr("Chattering regions"));
    nRow = WriteHeader(book, nRow,
        {strRegion, strId, tr("Chattering spells"), tr("Time chattering (s)"),
            tr("Raises while chattering")});
    for (const PAlarmFigures::Chatter& region : m_figures.Chattering()) {
        book.SetText(nRow, 0, RegionName(region.nId));
        book.SetNumber(nRow, 1, region.nId);
        book.SetNumber(nRow, 2, region.nEpisodes);
        book.SetNumber(nRow, 3, double(region.nSeconds));
        book.SetNumber(nRow, 4, region.nAlarms);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    if (m_figures.Chattering().isEmpty())
        nRow = WriteNone(book, nRow);
    ++nRow;

    nRow = WriteTitle(book, nRow, tr("Acknowledgement of the month's alarm episodes"));
    const int nBegunRow = pair(tr("Episodes begun"));
    book.SetNumber(nBegunRow, 1, nTotal);
    book.SetText(nBegunRow, 2,
        tr("= acknowledged + never acknowledged; acknowledged late is part of acknowledged"));
    book.SetNumber(pair(tr("Episodes acknowledged")), 1, m_figures.Acknowledged());
    book.SetNumber(pair(tr("Of them acknowledged after more than %1 minutes")
                            .arg(PAlarmFigures::kLateAckSeconds / 60)),
        1, m_figures.AcknowledgedLate());
    book.SetNumber(pair(tr("Episodes never acknowledged")), 1, m_figures.Unacknowledged());
    const int nMedianRow = pair(tr("Median time to acknowledge (min)"));
    const int nWorstRow = pair(tr("Longest time to acknowledge (min)"));
    // Without an acknowledgement there is no time to show.
    if (m_figures.Acknowledged() > 0) {
        book.SetNumber(nMedianRow, 1, m_figures.MedianAckSeconds() / 60.0, strMinutes);
        book.SetNumber(nWorstRow, 1, m_figures.WorstAckSeconds() / 60.0, strMinutes);
    }
    ++nRow;

    nRow = WriteTitle(book, nRow, tr("Floods"));
    book.SetNumber(pair(tr("Number of floods")), 1, m_figures.Floods());
    book.SetNumber(pair(tr("Time in flood (min)")), 1, m_figures.FloodSeconds() / 60.0, strMinutes);
    ++nRow;

    nRow = WriteTitle(book, nRow, tr("Shelved regions"));
    nRow = WriteHeader(book, nRow, {strRegion, strId, tr("Shelved (h)")});
    for (const PAlarmFigures::RegionTime& region : m_figures.Shelved()) {
        book.SetText(nRow, 0, RegionName(region.nId));
        book.SetNumber(nRow, 1, region.nId);
        book.SetNumber(nRow, 2, region.nSeconds / 3600.0, strHours);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    if (m_figures.Shelved().isEmpty())
        WriteNone(book, nRow);
    return book.Save(pError);
}
