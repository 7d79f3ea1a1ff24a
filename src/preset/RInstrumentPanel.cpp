#include "preset/RInstrumentPanel.h"

#include "database/RInstrumentStore.h"
#include "database/RRegionCatalogue.h"
#include "history/PInstrumentRegister.h"
#include "message/SClock.h"
#include "realtime/RAlarmState.h"
#include "realtime/RInstrumentWatch.h"
#include "station/RStation.h"
#include "widgets/SPrompt.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlError>
#include <QTableWidget>

#include <algorithm>

namespace {

const char* const s_pTime = "yyyy-MM-dd hh:mm";

struct Line
{
    QString strWhen; // sorts in time order
    QString strWhat;
    QString strDetail;
    QString strBy;
    bool bBad = false;
};

} // namespace

RInstrumentPanel::RInstrumentPanel(RStation* pStation, QWidget* pParent)
    : QWidget(pParent)
    , m_pStation(pStation)
    , m_pPrompt(SPrompt::Default())
    , m_pTitle(new QLabel(this))
    , m_pService(new QLabel(this))
    , m_pDue(new QLabel(this))
    , m_pRecords(new QTableWidget(0, 4, this))
    , m_pButtonCalibration(new QPushButton(tr("Record calibration..."), this))
    , m_pButtonTest(new QPushButton(tr("Record function test..."), this))
    , m_pButtonNote(new QPushButton(tr("Add note..."), this))
    , m_pButtonService(new QPushButton(tr("Take out of service..."), this))
    , m_pButtonExport(new QPushButton(tr("Register of the year..."), this))
    , m_pYear(new QSpinBox(this))
{
    setObjectName(QStringLiteral("instrumentPanel"));
    m_pTitle->setObjectName(QStringLiteral("labelInstrument"));
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    m_pTitle->setFont(bold);
    m_pService->setObjectName(QStringLiteral("labelService"));
    m_pDue->setObjectName(QStringLiteral("labelDue"));
    m_pDue->setWordWrap(true);
    m_pDue->setTextFormat(Qt::RichText);
    m_pRecords->setObjectName(QStringLiteral("tableRecords"));
    m_pRecords->setHorizontalHeaderLabels({tr("When"), tr("Record"), tr("Details"), tr("By")});
    m_pRecords->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_pRecords->verticalHeader()->hide();
    m_pRecords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pRecords->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A few records in sight, the latest first.
    m_pRecords->setMinimumHeight(110);
    m_pButtonCalibration->setObjectName(QStringLiteral("buttonCalibration"));
    m_pButtonTest->setObjectName(QStringLiteral("buttonTest"));
    m_pButtonNote->setObjectName(QStringLiteral("buttonNote"));
    m_pButtonService->setObjectName(QStringLiteral("buttonService"));
    m_pButtonExport->setObjectName(QStringLiteral("buttonRegister"));
    const int nYear = m_pStation ? m_pStation->Clock()->Now().date().year() : 2026;
    m_pYear->setRange(2000, 9999);
    m_pYear->setValue(nYear);

    auto* pLayout = new QGridLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pTitle, 0, 0, 1, 2);
    pLayout->addWidget(m_pService, 0, 2, 1, 4);
    pLayout->addWidget(m_pDue, 1, 0, 1, 6);
    pLayout->addWidget(m_pRecords, 2, 0, 1, 6);
    pLayout->addWidget(m_pButtonCalibration, 3, 0);
    pLayout->addWidget(m_pButtonTest, 3, 1);
    pLayout->addWidget(m_pButtonNote, 3, 2);
    pLayout->addWidget(m_pButtonService, 3, 3);
    pLayout->addWidget(m_pYear, 3, 4);
    pLayout->addWidget(m_pButtonExport, 3, 5);

    connect(
        m_pButtonCalibration, &QPushButton::clicked, this, &RInstrumentPanel::RecordCalibration);
    connect(m_pButtonTest, &QPushButton::clicked, this, &RInstrumentPanel::RecordTest);
    connect(m_pButtonNote, &QPushButton::clicked, this, &RInstrumentPanel::AddNote);
    connect(m_pButtonService, &QPushButton::clicked, this, &RInstrumentPanel::ToggleService);
    connect(m_pButtonExport, &QPushButton::clicked, this, &RInstrumentPanel::ExportRegister);
    if (m_pStation) {
        connect(m_pStation, &RStation::InstrumentsChanged, this, [this](int nId) {
            if (nId == m_nId)
                Refresh();
        });
        connect(m_pStation, &RStation::SessionChanged, this, &RInstrumentPanel::UpdateButtons);
        connect(m_pStation->Instruments(), &RInstrumentWatch::ProblemChanged, this,
            &RInstrumentPanel::Refresh);
    }
    Refresh();
}

void RInstrumentPanel::ShowMonitor(int nId)
{
    m_nId = nId;
    Refresh();
}

QString RInstrumentPanel::ServiceText() const
{
    return m_pService->text();
}

QString RInstrumentPanel::DueText() const
{
    return m_pDue->text();
}

void RInstrumentPanel::UpdateButtons()
{
    const bool bKnown = m_pStation && m_nId > 0 && m_pStation->Catalogue()->Find(m_nId);
    const bool bOfficer = bKnown && m_pStation->May(RUserRights::Action::Instruments);
    m_pButtonCalibration->setEnabled(bOfficer);
    m_pButtonTest->setEnabled(bOfficer);
    m_pButtonService->setEnabled(bOfficer);
    m_pButtonNote->setEnabled(bKnown && m_pStation->May(RUserRights::Action::InstrumentNote));
    m_pButtonExport->setEnabled(m_pStation != nullptr);
    const bool bOut = bKnown && m_pStation->AlarmState()->IsOutOfService(m_nId);
    m_pButtonService->setText(bOut ? tr("Return to service...") : tr("Take out of service..."));
}

void RInstrumentPanel::Refresh()
{
    UpdateButtons();
    m_pRecords->setRowCount(0);
    const RRegion* pRegion
        = m_pStation && m_nId > 0 ? m_pStation->Catalogue()->Find(m_nId) : nullptr;
    if (!pRegion) {
        m_strMonitor.clear();
        m_pTitle->setText(m_nId > 0 ? tr("ID %1: records once the device is applied").arg(m_nId)
                                    : tr("Choose a device for its instrument records"));
        m_pService->clear();
        m_pDue->clear();
        return;
    }
    m_strMonitor = QStringLiteral("%1 (%2)").arg(pRegion->strName).arg(m_nId);
    m_pTitle->setText(tr("Instrument records of %1").arg(m_strMonitor));
    RAlarmState* pState = m_pStation->AlarmState();
    if (pState->IsOutOfService(m_nId)) {
        const RInstrumentOutage outage = pState->OutageOf(m_nId);
        m_pService->setText(tr("Out of service since %1 by %2: %3")
                                .arg(outage.since.toString(QLatin1String(s_pTime)),
                                    outage.strAccount, outage.strReason));
        m_pService->setStyleSheet(QStringLiteral("color: rgb(70, 110, 170); font-weight: bold;"));
    } else {
        m_pService->setText(tr("In service"));
        m_pService->setStyleSheet(QString());
    }

    // What falls due: overdue in red, within the month in orange.
    const RInstrumentWatch* pWatch = m_pStation->Instruments();
    const QDate today = m_pStation->Clock()->Now().date();
    QStringList dues;
    for (const RInstrumentDue& due : pWatch->Dues()) {
        if (due.nId != m_nId)
            continue;
        const QString strKind = RInstrumentStore::KindText(due.nKind);
        QString strLine;
        if (due.failed.isValid())
            strLine = QStringLiteral("<span style=\"color:#c00000\"><b>%1</b></span>")
                          .arg(tr("%1 failed on %2: due again now")
                                   .arg(strKind, due.failed.toString(Qt::ISODate))
                                   .toHtmlEscaped());
        else if (due.IsOverdue(today))
            strLine
                = QStringLiteral("<span style=\"color:#c00000\"><b>%1</b></span>")
                      .arg(tr("%1 overdue since %2 (%n day(s))", "", int(due.DaysOverdue(today)))
                               .arg(strKind, due.due.toString(Qt::ISODate))
                               .toHtmlEscaped());
        else if (due.IsDueWithin(today, RInstrumentWatch::kSoonDays))
            strLine = QStringLiteral("<span style=\"color:#c06000\"><b>%1</b></span>")
                          .arg(tr("%1 due %2 (in %n day(s))", "", int(today.daysTo(due.due)))
                                   .arg(strKind, due.due.toString(Qt::ISODate))
                                   .toHtmlEscaped());
        else
            strLine = tr("%1 due %2").arg(strKind, due.due.toString(Qt::ISODate)).toHtmlEscaped();
        dues << strLine;
    }
    m_pDue->setText(dues.isEmpty() ? tr("No calibration or function test recorded yet")
                                   : dues.join(QStringLiteral("<br>")));

    QVector<Line> lines;
    for (const RInstrumentCalibration& c : RInstrumentStore::Calibrations(m_nId)) {
        QString strDetail
            = tr("factor %1, certificate %2, %3, next due %4")
                  .arg(c.dFactor)
                  .arg(c.strCertificate, c.strLaboratory, c.nextDue.toString(Qt::ISODate));
        if (c.dCoefficient > 0.0)
            strDetail += tr("; coefficient %1 → %2").arg(c.dOldCoefficient).arg(c.dCoefficient);
        lines.append({c.date.toString(Qt::ISODate), tr("Calibration"), strDetail, c.strAccount});
    }
    for (const RInstrumentTest& t : RInstrumentStore::Tests(m_nId)) {
        lines.append({t.date.toString(Qt::ISODate),
            t.nKind == RInstrumentTest::AlarmTest ? tr("Alarm test") : tr("Check-source test"),
            t.bPass ? tr("pass, %1 µRad/h seen, next due %2")
                          .arg(t.dValue)
                          .arg(t.nextDue.toString(Qt::ISODate))
                    : tr("FAIL, %1 µRad/h seen: due again now").arg(t.dValue),
            t.strAccount, !t.bPass});
    }
    for (const RInstrumentNote& note : RInstrumentStore::Notes(m_nId))
        lines.append({note.time.toString(QLatin1String(s_pTime)), tr("Note"), note.strText,
            note.strAccount});
    for (const RInstrumentOutage& outage : RInstrumentStore::Outages(m_nId)) {
        lines.append({outage.since.toString(QLatin1String(s_pTime)), tr("Out of service"),
            outage.strReason, outage.strAccount});
        if (outage.until.isValid())
            lines.append({outage.until.toString(QLatin1String(s_pTime)), tr("Back in service"),
                outage.strBackReason, outage.strBackAccount});
    }
    // Newest first.
    std::stable_sort(lines.begin(), lines.end(),
        [](const Line& a, const Line& b) { return a.strWhen > b.strWhen; });
    m_pRecords->setRowCount(lines.size());
    for (int nRow = 0; nRow < lines.size(); ++nRow) {
        const Line& line = lines.at(nRow);
        const QStringList cells {line.strWhen, line.strWhat, line.strDetail, line.strBy};
        for (int nCol = 0; nCol < cells.size(); ++nCol) {
            auto* pItem = new QTableWidgetItem(cells.at(nCol));
            if (line.bBad)
                pItem->setForeground(QColor(192, 0, 0));
            m_pRecords->setItem(nRow, nCol, pItem);
        }
    }
    m_pRecords->resizeColumnToContents(0);
    m_pRecords->resizeColumnToContents(1);
}

bool RInstrumentPanel::Done(int nOutcome)
{
    switch (static_cast<RStation::Outcome>(nOutcome)) {
    case RStation::Outcome::Done:
        return true;
    case RStation::Outcome::NotLoggedIn:
        m_pPrompt->Tell(this, tr("Log in first."), tr("OK"));
        return false;
    case RStation::Outcome::NotAllowed:
        m_pPrompt->Tell(this, tr("Your account may not change the instrument records."), tr("OK"));
        return false;
    default:
        m_pPrompt->Tell(this,
            tr("Not recorded: check the dates (not in the future, the next due after the "
               "date), the factor and the certificate number."),
            tr("OK"));
        return false;
    }
}

void RInstrumentPanel::RecordCalibration()
{
    if (!m_pStation || m_nId <= 0)
        return;
    RInstrumentCalibration calibration;
    calibration.nId = m_nId;
    calibration.date = m_pStation->Clock()->Now().date();
    calibration.nextDue = calibration.date.addYears(1);
    calibration.dFactor = 1.0;
    if (m_pPrompt->AskCalibration(this, m_pTitle->text(), &calibration))
        Done(int(m_pStation->RecordCalibration(calibration)));
}

void RInstrumentPanel::RecordTest()
{
    if (!m_pStation || m_nId <= 0)
        return;
    RInstrumentTest test;
    test.nId = m_nId;
    test.date = m_pStation->Clock()->Now().date();
    // Check sources are held to the detector more often than the alarm is driven.
    test.nextDue = test.date.addMonths(3);
    test.bPass = true;
    if (m_pPrompt->AskFunctionTest(this, m_pTitle->text(), &test))
        Done(int(m_pStation->RecordTest(test)));
}

void RInstrumentPanel::AddNote()
{
    if (!m_pStation || m_nId <= 0)
        return;
    QString strText;
    if (m_pPrompt->AskReason(this, tr("A note on %1").arg(m_strMonitor), &strText))
        Done(int(m_pStation->RecordNote(m_nId, strText)));
}

void RInstrumentPanel::ToggleService()
{
    if (!m_pStation || m_nId <= 0)
        return;
    const bool bOut = m_pStation->AlarmState()->IsOutOfService(m_nId);
    QString strReason;
    if (!m_pPrompt->AskReason(this,
            bOut ? tr("Return %1 to service: it alarms again, at once if over its threshold.")
                       .arg(m_strMonitor)
                 : tr("Take %1 out of service: it raises no alarm until it is returned.")
                       .arg(m_strMonitor),
            &strReason))
        return;
    Done(int(bOut ? m_pStation->ReturnToService(m_nId, strReason)
                  : m_pStation->TakeOutOfService(m_nId, strReason)));
}

void RInstrumentPanel::ExportRegister()
{
    if (!m_pStation)
        return;
    const int nYear = m_pYear->value();
    const QString strFile = m_pPrompt->AskSaveFileName(this, tr("Instrument register"),
        PInstrumentRegister::FileName(nYear), tr("Workbooks (*.xlsx)"));
    if (strFile.isEmpty())
        return;
    PInstrumentRegister report(nYear, m_pStation->Clock(), m_pStation->Catalogue());
    QSqlError error;
    QString strError;
    if (!report.Read(&error))
        strError = error.text();
    else if (!report.Write(strFile, &strError) && strError.isEmpty())
        strError = tr("the file could not be written");
    m_pPrompt->Tell(this,
        strError.isEmpty() ? tr("The register of %1 is written to %2.").arg(nYear).arg(strFile)
                           : tr("The register was not written: %1").arg(strError),
        tr("OK"));
}
