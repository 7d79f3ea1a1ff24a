#include "history/PInstrumentRegister.h"

#include "database/RRegionCatalogue.h"
#include "io/SXlsxWorkbook.h"
#include "message/SClock.h"

#include <QMap>
#include <QSet>
#include <QSqlError>

#include <algorithm>

namespace {

constexpr double kTitleHeight = 36.0;
constexpr double kRowHeight = 20.0;
constexpr int kLastCol = 8;
const char* const s_pDay = "yyyy-mm-dd";
const char* const s_pTime = "yyyy-MM-dd hh:mm";

} // namespace

PInstrumentRegister::PInstrumentRegister(
    int nYear, const SClock* pClock, const RRegionCatalogue* pCatalogue)
    : m_nYear(nYear)
    , m_now((pClock ? pClock : SClock::System())->Now())
    , m_pCatalogue(pCatalogue)
{
}

QString PInstrumentRegister::FileName(int nYear)
{
    return QStringLiteral("instruments-%1.xlsx").arg(nYear);
}

QString PInstrumentRegister::NameOf(int nId) const
{
    const RRegion* pRegion = m_pCatalogue ? m_pCatalogue->Find(nId) : nullptr;
    return pRegion ? pRegion->strName : QString();
}

bool PInstrumentRegister::Read(QSqlError* pError)
{
    QSqlError error;
    const QVector<RInstrumentCalibration> calibrations = RInstrumentStore::Calibrations(0, &error);
    const QVector<RInstrumentTest> tests = RInstrumentStore::Tests(0, &error);
    const QVector<RInstrumentOutage> outages = RInstrumentStore::Outages(0, &error);
    const QVector<RInstrumentNote> notes = RInstrumentStore::Notes(0, &error);
    if (error.type() != QSqlError::NoError) {
        if (pError)
            *pError = error;
        return false;
    }
    const QDateTime yearStart(QDate(m_nYear, 1, 1), QTime(0, 0));
    const QDateTime yearEnd = qMin(QDateTime(QDate(m_nYear + 1, 1, 1), QTime(0, 0)), m_now);

    QMap<int, Monitor> monitors;
    if (m_pCatalogue) {
        for (const RRegion& region : m_pCatalogue->Regions())
            monitors[region.nId].nId = region.nId;
    }
    m_calibrations.clear();
    m_tests.clear();
    m_outages.clear();
    m_notes.clear();
    for (const RInstrumentCalibration& c : calibrations) {
        if (!InYear(c.date))
            continue;
        m_calibrations.append(c);
        monitors[c.nId].nId = c.nId;
        ++monitors[c.nId].nCalibrations;
    }
    for (const RInstrumentTest& t : tests) {
        if (!InYear(t.date))
            continue;
        m_tests.append(t);
        Monitor& monitor = monitors[t.nId];
        monitor.nId = t.nId;
        ++monitor.nTests;
        if (!t.bPass)
            ++monitor.nFailedTests;
    }
    for (const RInstrumentOutage& outage : outages) {
        const QDateTime until = outage.until.isValid() ? outage.until : m_now;
        const QDateTime from = qMax(outage.since, yearStart);
        const QDateTime to = qMin(until, yearEnd);
        if (from >= to && !(InYear(outage.since.date())))
            continue;
        m_outages.append(outage);
        Monitor& monitor = monitors[outage.nId];
        monitor.nId = outage.nId;
        if (from < to)
            monitor.nOutSeconds += from.secsTo(to);
    }
    for (const RInstrumentNote& note : notes) {
        if (InYear(note.time.date()))
            m_notes.append(note);
    }
    // A day counts once however much is overdue on it; records of earlier
    // years set what is due in this one.
    const QDate last = qMin(QDate(m_nYear, 12, 31), m_now.date());
    for (Monitor& monitor : monitors) {
        monitor.strName = NameOf(monitor.nId);
        QVector<RInstrumentCalibration> ownCalibrations;
        for (const RInstrumentCalibration& c : calibrations) {
            if (c.nId == monitor.nId)
                ownCalibrations.append(c);
        }
        QVector<RInstrumentTest> ownTests;
        for (const RInstrumentTest& t : tests) {
            if (t.nId == monitor.nId)
                ownTests.append(t);
        }
        if (ownCalibrations.isEmpty() && ownTests.isEmpty())
            continue;
        for (QDate day(m_nYear, 1, 1); day <= last; day = day.addDays(1)) {
            const QVector<RInstrumentDue> dues
                = RInstrumentStore::Dues(ownCalibrations, ownTests, day);
            if (std::any_of(dues.cbegin(), dues.cend(),
                    [&day](const RInstrumentDue& due) { return due.IsOverdue(day); }))
                ++monitor.nOverdueDays;
        }
    }
    m_monitors = monitors.values().toVector();
    return true;
}

bool PInstrumentRegister::Write(const QString& strFile, QString* pError) const
{
    SXlsxWorkbook book(strFile);
    book.SetColumnWidth(0, 0, 28.0);
    book.SetColumnWidth(1, kLastCol, 16.0);
    book.MergeRow(0, 0, kLastCol, tr("Instrument register %1").arg(m_nYear));
    book.SetRowHeight(0, kTitleHeight);
    int nRow = 1;
    book.MergeRow(
        nRow++, 0, kLastCol, tr("Written %1").arg(m_now.toString(QLatin1String(s_pTime))));
    const auto header = [&book, &nRow](const QString& strTitle, const QStringList& labels) {
        ++nRow;
        book.MergeRow(nRow++, 0, kLastCol, strTitle);
        for (int nCol = 0; nCol < labels.size(); ++nCol)
            book.SetText(nRow, nCol, labels.at(nCol));
        book.SetRowHeight(nRow++, kRowHeight);
    };
    const auto none = [&book, &nRow](bool bEmpty) {
        if (bEmpty)
            book.SetText(nRow++, 0, tr("None"));
    };
    const QString strDay = QLatin1String(s_pDay);
    const QString strMonitor = tr("Monitor");
    const QString strId = tr("Id");

    header(tr("Monitors"),
        {strMonitor, strId, tr("Calibrations"), tr("Function tests"), tr("Failed tests"),
            tr("Out of service (h)"), tr("Days overdue")});
    for (const Monitor& monitor : m_monitors) {
        book.SetText(nRow, 0, monitor.strName);
        book.SetNumber(nRow, 1, monitor.nId);
        book.SetNumber(nRow, 2, monitor.nCalibrations);
        book.SetNumber(nRow, 3, monitor.nTests);
        book.SetNumber(nRow, 4, monitor.nFailedTests);
        book.SetNumber(nRow, 5, monitor.nOutSeconds / 3600.0, QStringLiteral("0.00"));
        book.SetNumber(nRow, 6, monitor.nOverdueDays);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    none(m_monitors.isEmpty());

    header(tr("Calibrations"),
        {strMonitor, strId, tr("Date"), tr("Factor"), tr("Certificate"), tr("Laboratory"),
            tr("Next due"), tr("Coefficient (old → new)"), tr("Entered by")});
    for (const RInstrumentCalibration& c : m_calibrations) {
        book.SetText(nRow, 0, NameOf(c.nId));
        book.SetNumber(nRow, 1, c.nId);
        book.SetDate(nRow, 2, c.date, strDay);
        book.SetNumber(nRow, 3, c.dFactor);
        book.SetText(nRow, 4, c.strCertificate);
        book.SetText(nRow, 5, c.strLaboratory);
        book.SetDate(nRow, 6, c.nextDue, strDay);
        book.SetText(nRow, 7,
            c.dCoefficient > 0.0
                ? QStringLiteral("%1 → %2").arg(c.dOldCoefficient).arg(c.dCoefficient)
                : tr("unchanged"));
        book.SetText(nRow, 8, c.strAccount);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    none(m_calibrations.isEmpty());

    header(tr("Function tests"),
        {strMonitor, strId, tr("Date"), tr("Kind"), tr("Result"), tr("Value seen (µRad/h)"),
            tr("Next due"), tr("Entered by")});
    for (const RInstrumentTest& t : m_tests) {
        book.SetText(nRow, 0, NameOf(t.nId));
        book.SetNumber(nRow, 1, t.nId);
        book.SetDate(nRow, 2, t.date, strDay);
        book.SetText(nRow, 3,
            RInstrumentStore::KindText(t.nKind == RInstrumentTest::AlarmTest
                    ? RInstrumentDue::AlarmTest
                    : RInstrumentDue::CheckSource));
        book.SetText(nRow, 4, t.bPass ? tr("pass") : tr("FAIL"));
        book.SetNumber(nRow, 5, t.dValue);
        book.SetDate(nRow, 6, t.nextDue, strDay);
        book.SetText(nRow, 7, t.strAccount);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    none(m_tests.isEmpty());

    header(tr("Out of service"),
        {strMonitor, strId, tr("From"), tr("Until"), tr("Reason"), tr("By"), tr("Back by"),
            tr("Reason for the return")});
    for (const RInstrumentOutage& outage : m_outages) {
        book.SetText(nRow, 0, NameOf(outage.nId));
        book.SetNumber(nRow, 1, outage.nId);
        book.SetText(nRow, 2, outage.since.toString(QLatin1String(s_pTime)));
        book.SetText(nRow, 3,
            outage.until.isValid() ? outage.until.toString(QLatin1String(s_pTime))
                                   : tr("still out of service"));
        book.SetText(nRow, 4, outage.strReason);
        book.SetText(nRow, 5, outage.strAccount);
        book.SetText(nRow, 6, outage.strBackAccount);
        book.SetText(nRow, 7, outage.strBackReason);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    none(m_outages.isEmpty());

    header(tr("Notes"), {strMonitor, strId, tr("Time"), tr("Note"), tr("By")});
    for (const RInstrumentNote& note : m_notes) {
        book.SetText(nRow, 0, NameOf(note.nId));
        book.SetNumber(nRow, 1, note.nId);
        book.SetText(nRow, 2, note.time.toString(QLatin1String(s_pTime)));
        book.SetText(nRow, 3, note.strText);
        book.SetText(nRow, 4, note.strAccount);
        book.SetRowHeight(nRow++, kRowHeight);
    }
    none(m_notes.isEmpty());
    return book.Save(pError);
}
