#include "history/RFormHistory.h"

#include "database/RDayDataStore.h"
#include "database/RRegionCatalogue.h"
#include "database/RUserRights.h"
#include "history/ExportTable.h"
#include "history/RDialogStaffHistoryDose.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "preset/RItemModelPresetPersonal.h"
#include "preset/RItemModelPresetRegion.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"
#include "widgets/SMessageLine.h"
#include "widgets/SPrompt.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QTreeView* itemTree(const char* pName, QWidget* parent)
{
    auto* pTree = new QTreeView(parent);
    pTree->setObjectName(QLatin1String(pName));
    pTree->setFixedWidth(340);
    QFont font;
    font.setPointSize(16);
    pTree->setFont(font);
    pTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pTree->setRootIsDecorated(false);
    return pTree;
}

} // namespace

RFormHistory::RFormHistory(
    RStorageWriter* pWriter, RRegionCatalogue* pCatalogue, QWidget* parent, SClock* pClock)
    : QWidget(parent)
    , m_pWriter(pWriter)
    , m_pCatalogue(pCatalogue)
    , m_pRegionModel(new RItemModelPresetRegion(m_pWriter, 0, this))
    , m_pStaffModel(new RItemModelPresetPersonal(0, this))
    , m_pDialog(new RDialogStaffHistoryDose(nullptr, pClock))
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pPrompt(SPrompt::Default())
    , m_nCurrentKind(SBus::RegionList)
{
    BuildWidgets();
    m_pLayout->addWidget(m_pDialog);
    m_pTreeViewRegion->setModel(m_pRegionModel->Model());
    m_pTreeViewPersonal->setModel(m_pStaffModel->Model());

    connect(m_pButtonLine, &QPushButton::clicked, this, &RFormHistory::ShowLine);
    connect(m_pButtonRect, &QPushButton::clicked, this, &RFormHistory::ShowRect);
    connect(m_pButtonExport, &QPushButton::clicked, this, &RFormHistory::Export);
    connect(m_pButtonFigures, &QPushButton::clicked, this, &RFormHistory::ExportAlarmFigures);
    connect(m_pDialog, &RDialogStaffHistoryDose::MonthChange, this, &RFormHistory::MonthChange);
    connect(m_pDialog, &RDialogStaffHistoryDose::DayChange, this, &RFormHistory::DayChange);
    connect(m_pDialog, &RDialogStaffHistoryDose::ClearData, this, &RFormHistory::OnClearData);
    connect(
        m_pDialog, &RDialogStaffHistoryDose::CalendarPageChanged, this, &RFormHistory::UpdateMarks);
    connect(m_pTreeViewRegion, &QTreeView::clicked, this, &RFormHistory::StaffChanged);
    connect(m_pTreeViewPersonal, &QTreeView::clicked, this, &RFormHistory::StaffChangedPersonal);
    ReloadTrees();
    // Staff doses are not recorded by this client.
    m_pTreeViewPersonal->hide();
}

RFormHistory::~RFormHistory() = default;

void RFormHistory::BuildWidgets()
{
    // The theme gives the lists and the chart frame their pictures and the
    // message its colour, by object name.
    auto* pRow = new QHBoxLayout(this);
    auto* pLeft = new QVBoxLayout;
    m_pTreeViewRegion = itemTree("m_pTreeViewRegion", this);
    m_pTreeViewPersonal = itemTree("m_pTreeViewPersonal", this);
    pLeft->addWidget(m_pTreeViewRegion, 1);
    pLeft->addWidget(m_pTreeViewPersonal, 1);
    pRow->addLayout(pLeft);

    auto* pChartFrame = new QWidget(this);
    pChartFrame->setObjectName(QStringLiteral("frameChart"));
    pChartFrame->setAttribute(Qt::WA_StyledBackground);
    auto* pRight = new QVBoxLayout(pChartFrame);
    auto* pButtons = new QHBoxLayout;
    m_pButtonLine = new QPushButton(tr("Daily cumulative dose"), pChartFrame);
    m_pButtonLine->setObjectName(QStringLiteral("m_pButtonLine"));
    m_pButtonRect = new QPushButton(tr("Monthly cumulative dose"), pChartFrame);
    m_pButtonRect->setObjectName(QStringLiteral("m_pButtonRect"));
    m_pButtonExport = new QPushButton(tr("Export"), pChartFrame);
    m_pButtonExport->setObjectName(QStringLiteral("m_pButtonExport"));
    m_pButtonFigures = new QPushButton(tr("Alarm figures"), pChartFrame);
    m_pButtonFigures->setObjectName(QStringLiteral("m_pButtonFigures"));
    m_pButtonFigures->setToolTip(tr("Export the alarm figures of the selected day's month"));
    m_pLabel = new SMessageLine(pChartFrame);
    m_pLabel->setObjectName(QStringLiteral("m_pLabel"));
    for (QPushButton* pButton : {m_pButtonLine, m_pButtonRect, m_pButtonExport, m_pButtonFigures}) {
        pButton->setMinimumHeight(36);
        pButtons->addWidget(pButton);
    }
    pButtons->addWidget(m_pLabel, 1);
    pRight->addLayout(pButtons);
    m_pLayout = new QVBoxLayout;
    m_pLayout->setObjectName(QStringLiteral("m_pLayout"));
    pRight->addLayout(m_pLayout, 1);
    pRow->addWidget(pChartFrame, 1);
}

bool RFormHistory::IsRegionKind() const
{
    return m_nCurrentKind == SBus::RegionList;
}

int RFormHistory::ItemId() const
{
    const bool bRegion = IsRegionKind();
    if (!bRegion && m_nCurrentKind != SBus::PersonalList)
        return 0;
    const QTreeView* pTree = bRegion ? m_pTreeViewRegion : m_pTreeViewPersonal;
    const QStandardItemModel* pModel = bRegion ? m_pRegionModel->Model() : m_pStaffModel->Model();
    // The id shown in the row, which is the one the operator chose.
    const QStandardItem* pItem = pModel->item(pTree->currentIndex().row(), 1);
    return pItem ? pItem->data(Qt::EditRole).toInt() : 0;
}

QString RFormHistory::ItemName() const
{
    const bool bRegion = IsRegionKind();
    const QTreeView* pTree = bRegion ? m_pTreeViewRegion : m_pTreeViewPersonal;
    const QStandardItemModel* pModel = bRegion ? m_pRegionModel->Model() : m_pStaffModel->Model();
    const QStandardItem* pItem = pModel->item(pTree->currentIndex().row(), 0);
    return pItem ? pItem->text() : QString();
}

void RFormHistory::MonthChange(QDate date)
{
    const int nId = ItemId();
    m_pDialog->SetChartMode(IsRegionKind() ? 1 : 0);
    m_pDialog->LoadMonth(nId, date.daysInMonth(), date);
    m_loadedMonth = QDate(date.year(), date.month(), 1);
    m_nLoadedId = nId;
}

void RFormHistory::DayChange(QDate date)
{
    if (!IsRegionKind()) {
        PersonalDayChange(date);
        return;
    }
    const int nId = ItemId();
    m_pDialog->LoadDoseRateDay(date, nId, false, 1440);
    m_pDialog->SetChartMode(1);
    m_loadedDay = date;
}

void RFormHistory::PersonalDayChange(QDate date)
{
    const int nId = ItemId();
    m_pDialog->LoadDayChart(nId, 24, date);
    m_pDialog->LoadDoseRateDay(date, nId, true, 1440);
    m_pDialog->SetChartMode(0);
    m_loadedDay = date;
}

void RFormHistory::Refresh()
{
    const QDate date = m_pDialog->CurrentDate();
    MonthChange(date);
    DayChange(date);
    m_nCurrentId = ItemId();
    m_pDialog->SetCurrentStaffID(m_nCurrentId);
    UpdateMarks();
}

void RFormHistory::DenySelection()
{
    const QWidget* pFrame = m_pTreeViewRegion;
    QToolTip::showText(
        pFrame->mapToGlobal(pFrame->rect().center()), tr("Without Permission!"), this);
}

void RFormHistory::StaffChanged(const QModelIndex& cur)
{
    Q_UNUSED(cur);
    m_nCurrentKind = SBus::RegionList;
    if (!m_bRegionCurves) {
        DenySelection();
        return;
    }
    m_pTreeViewPersonal->clearSelection();
    Refresh();
    m_pDialog->HideDailyChart();
}

void RFormHistory::StaffChangedPersonal(const QModelIndex& cur)
{
    Q_UNUSED(cur);
    m_nCurrentKind = SBus::PersonalList;
    const int nId = ItemId();
    if (!m_bStaffCurves && nId != m_nOwnStaffId) {
        DenySelection();
        return;
    }
    m_pTreeViewRegion->clearSelection();
    Refresh();
    m_pDialog->ShowDailyChart();
}

void RFormHistory::RegionCurveEnable(bool bEnable)
{
    m_bRegionCurves = bEnable;
}

void RFormHistory::PersonCurveEnable(bool bEnable, int nId)
{
    m_bStaffCurves = bEnable;
    m_nOwnStaffId = nId;
}

void RFormHistory::ShowLine()
{
    m_pDialog->SetCurrentIndex(1);
    // A month step changes the day silently; show the day the edit names.
    if (m_loadedDay != m_pDialog->CurrentDate() || m_nLoadedId != ItemId())
        DayChange(m_pDialog->CurrentDate());
}

void RFormHistory::ShowRect()
{
    m_pDialog->SetCurrentIndex(0);
    const QDate date = m_pDialog->CurrentDate();
    if (m_loadedMonth != QDate(date.year(), date.month(), 1) || m_nLoadedId != ItemId())
        MonthChange(date);
}

void RFormHistory::SetPrompt(SPrompt* pPrompt)
{
    m_pPrompt = pPrompt;
    if (m_pExport)
        m_pExport->SetPrompt(pPrompt);
}

bool RFormHistory::MayExport()
{
    // The gate may log someone in, and so change the grade asked next.
    if ((m_exportGate && !m_exportGate(tr("Log in to export the report.")))
        || !RUserRights::May(m_nGrade, RUserRights::Action::Export)) {
        m_pLabel->ShowMessage(tr("Without Permission!"));
        return false;
    }
    return true;
}

ExportTable* RFormHistory::Exporter()
{
    if (!m_pExport) {
        m_pExport = new ExportTable(m_pCatalogue, this, m_pClock);
        m_pExport->SetPrompt(m_pPrompt);
        connect(m_pExport, &ExportTable::StartExport, this, &RFormHistory::ShowProgress);
        connect(m_pExport, &ExportTable::EndExport, this, &RFormHistory::HideProgress);
    }
    return m_pExport;
}

void RFormHistory::Export()
{
    if (!MayExport())
        return;
    ExportTable* pExport = Exporter();
    m_pLabel->ShowLasting(tr("Exporting"));
    pExport->Export(this, m_nCurrentKind, m_nCurrentId, m_pDialog->CurrentDate());
}

void RFormHistory::ExportAlarmFigures()
{
    if (!MayExport())
        return;
    ExportTable* pExport = Exporter();
    m_pLabel->ShowLasting(tr("Exporting"));
    pExport->ExportAlarmFigures(this, m_pDialog->CurrentDate());
}

void RFormHistory::ShowProgress()
{
    m_pLabel->ShowLasting(tr("Exporting"));
}

void RFormHistory::HideProgress()
{
    m_pLabel->ClearMessage();
}

QString RFormHistory::Message() const
{
    return m_pLabel->Message();
}

void RFormHistory::OnClearData(QDate date)
{
    if (!RUserRights::May(m_nGrade, RUserRights::Action::DayDelete)) {
        m_pLabel->ShowMessage(tr("Without Permission!"));
        return;
    }
    const int nId = ItemId();
    const QString strDay = date.toString(QStringLiteral("yyyy-MM-dd"));
    if (!m_pPrompt->AskWarning(this,
            tr("The readings of %1 (ID %2) on %3 will be deleted.")
                .arg(ItemName(), QString::number(nId), strDay),
            tr("This cannot be undone. Do you want to delete them?"), tr("Remove"), tr("Cancel")))
        return;
    // Today's rows are being written to: deleting them takes a second yes.
    const bool bToday = date == m_pClock->Now().date();
    if (bToday
        && !m_pPrompt->AskWarning(this, tr("%1 is the day being recorded now.").arg(strDay),
            tr("The readings stored so far today will be deleted; recording goes on. Delete them?"),
            tr("Delete today"), tr("Cancel")))
        return;
    if (m_confirm
        && !m_confirm(
            tr("the readings of %1 (ID %2) on %3").arg(ItemName(), QString::number(nId), strDay)))
        return;
    const RDayDataStore::Kind kind = IsRegionKind() ? RDayDataStore::Region : RDayDataStore::Staff;
    int nRows = 0;
    QString strError;
    if (!RDayDataStore::DeleteDay(*m_pWriter, kind, nId, date, bToday, &nRows, &strError)) {
        const QString strText
            = tr("The data of %1 on %2 could not be deleted: %3").arg(nId).arg(strDay, strError);
        m_pLabel->ShowMessage(strText);
        m_pPrompt->Tell(this, strText, tr("Ok"));
        return;
    }
    emit DayDeleted(
        QStringLiteral("%1 %2 %3")
            .arg(kind == RDayDataStore::Region ? QStringLiteral("region") : QStringLiteral("staff"))
            .arg(nId)
            .arg(strDay),
        nRows);
    DayChange(date);
    if (date.year() == m_loadedMonth.year() && date.month() == m_loadedMonth.month())
        MonthChange(m_pDialog->CurrentDate());
    UpdateMarks();
}

void RFormHistory::UpdateMarks()
{
    const RCalendarWidget* pCalendar = m_pDialog->DayEdit()->Calendar();
    const RDayDataStore::Kind kind = IsRegionKind() ? RDayDataStore::Region : RDayDataStore::Staff;
    m_pDialog->SetMarkedDates(RDayDataStore::DaysWithData(
        kind, ItemId(), pCalendar->yearShown(), pCalendar->monthShown()));
}

void RFormHistory::ReloadTrees()
{
    m_pRegionModel->LoadFromDatabase();
    m_pStaffModel->LoadFromDatabase();
    m_pDialog->LoadColours();
    for (int nColumn = 0; nColumn < 4; ++nColumn)
        m_pTreeViewRegion->resizeColumnToContents(nColumn);
    m_nCurrentKind = SBus::RegionList;
    // The first region is shown, as if chosen.
    if (m_pRegionModel->Model()->rowCount() > 0)
        m_pTreeViewRegion->setCurrentIndex(m_pRegionModel->Model()->index(0, 0));
    const RRegionCatalogue& catalogue = *m_pCatalogue;
    m_nCurrentId = catalogue.Count() > 0 ? catalogue.Regions().first().nId : 0;
    m_pDialog->SetCurrentStaffID(m_nCurrentId);
    const QDate date = m_pDialog->CurrentDate();
    MonthChange(date);
    DayChange(date);
    m_pDialog->HideDailyChart();
    UpdateMarks();
}

bool RFormHistory::event(QEvent* pEvent)
{
    if (static_cast<int>(pEvent->type()) == SBus::MinuteTick) {
        OnMinuteTick();
        return true;
    }
    return QWidget::event(pEvent);
}

void RFormHistory::OnMinuteTick()
{
    const QDateTime now = m_pClock->Now();
    const QDate today = now.date();
    const bool bEarly = now.time().hour() == 0 && now.time().minute() < 2;
    const auto isLive
        = [&](const QDate& day) { return day == today || (bEarly && day == today.addDays(-1)); };
    if (m_loadedDay.isValid() && isLive(m_loadedDay))
        DayChange(m_loadedDay);
    // Today's sum grows with every minute reduced.
    const QDate shown = m_pDialog->CurrentDate();
    const QDate month
        = shown.year() == m_loadedMonth.year() && shown.month() == m_loadedMonth.month()
        ? shown
        : m_loadedMonth;
    const bool bLiveMonth = month.isValid()
        && ((month.year() == today.year() && month.month() == today.month())
            || (bEarly && month.month() == today.addDays(-1).month()
                && month.year() == today.addDays(-1).year()));
    if (bLiveMonth) {
        MonthChange(month);
        UpdateMarks();
    }
}

void RFormHistory::showEvent(QShowEvent* pEvent)
{
    QWidget::showEvent(pEvent);
    const QDate date = m_pDialog->CurrentDate();
    MonthChange(date);
    DayChange(date);
    UpdateMarks();
    m_pTreeViewRegion->setFocus(Qt::OtherFocusReason);
}
