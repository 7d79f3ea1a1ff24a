#include "realtime/RFormRegion.h"

#include "database/RRegionCatalogue.h"
#include "history/RDoseRatioDiagram.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "realtime/PAlarmCue.h"
#include "realtime/PColorLineDelegate.h"
#include "realtime/RAlarmJournalView.h"
#include "realtime/RAlarmState.h"
#include "realtime/RGroupBox.h"
#include "realtime/RRealRateCurve.h"
#include "realtime/RRegionDoseModel.h"
#include "realtime/RRegionPic.h"
#include "realtime/RWidget.h"
#include "station/RStation.h"
#include "widgets/SPrompt.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
// The operator's view choices are kept per user, not in the site's files.
const QString kOrganisation = QStringLiteral("Kestal");

// The ground of the live curve, its gauge and a pane without a plan.
const QColor kPanelGround(16, 38, 74);
} // namespace

RFormRegion::RFormRegion(RRegionCatalogue* pCatalogue, QWidget* parent, SClock* pClock)
    : QWidget(parent)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock)
    , m_pPrompt(SPrompt::Default())
{
    BuildWidgets();
    m_pSliceTimer = new QTimer(this);
    m_pSliceTimer->setSingleShot(true);
    m_pSliceTimer->setInterval(0);
    connect(m_pSliceTimer, &QTimer::timeout, this, &RFormRegion::OnReloadSlice);
    RegisterReceiver(this, SBus::RegionPage);
    SubscribeMessage(this, SBus::ReloadThresholds);

    m_pModel = new RRegionDoseModel(m_pCatalogue, 0, this, m_pClock);
    m_pPicture = new RRegionPic(m_pCatalogue, m_pPictureFrame, m_pClock);
    m_pColourDelegate = new PColorLineDelegate(this);
    m_pRegionTreeView->setItemDelegate(m_pColourDelegate);
    m_pRegionTreeView->setModel(m_pModel);
    FitColumns();
    InitRegions();
    connect(m_pColourDelegate, &PColorLineDelegate::ColorLineChangedColor, this,
        &RFormRegion::OnColorLineChangedColor);
    connect(m_pRegionTreeView, &QTreeView::clicked, this, &RFormRegion::OnDoubleClicked);
    connect(m_pPicture, &RRegionPic::ImageChanged, this, &RFormRegion::FitPictureToFrame);
    // The site plan shows as the operator left it; until then, whenever the
    // site has a plan.
    const QSettings settings(kOrganisation, kOrganisation);
    const bool bShown
        = settings.value(QLatin1String(kSettingPictureShown), !m_pPicture->ImageSize().isEmpty())
              .toBool();
    m_pButtonPicture->setChecked(bShown);
    ShowPicture(bShown);
    connect(m_pButtonPicture, &QPushButton::toggled, this, &RFormRegion::OnPictureToggled);
    connect(m_pButtonJournal, &QPushButton::clicked, this, &RFormRegion::ShowJournal);
}

RFormRegion::~RFormRegion()
{
    UnregisterReceiver(this);
    m_pRegionTreeView->setModel(nullptr);
    m_pRegionTreeView->setItemDelegate(nullptr);
}

void RFormRegion::BuildWidgets()
{
    // The theme gives the frames their pictures, the table and the day
    // curve their dark ground and the switches their look, by object name.
    auto* pRoot = new QGridLayout(this);
    auto* pColumn = new QVBoxLayout;
    pRoot->addLayout(pColumn, 0, 0);

    // The switch of the site plan, above the table.
    auto* pBar = new QHBoxLayout;
    m_pButtonPicture = new QPushButton(tr("Site plan"), this);
    m_pButtonPicture->setObjectName(QStringLiteral("m_pButtonPicture"));
    m_pButtonPicture->setCheckable(true);
    // The alarm controls: acknowledge the selected region or all, silence
    // the sound.
    m_pButtonAck = new QPushButton(tr("Acknowledge"), this);
    m_pButtonAck->setObjectName(QStringLiteral("m_pButtonAck"));
    m_pButtonAckAll = new QPushButton(tr("Acknowledge all"), this);
    m_pButtonAckAll->setObjectName(QStringLiteral("m_pButtonAckAll"));
    m_pButtonMute = new QPushButton(tr("Mute"), this);
    m_pButtonMute->setObjectName(QStringLiteral("m_pButtonMute"));
    m_pButtonMute->setCheckable(true);
    m_pButtonShelve = new QPushButton(tr("Shelve"), this);
    m_pButtonShelve->setObjectName(QStringLiteral("m_pButtonShelve"));
    m_pButtonShelve->setToolTip(tr("Take the selected region's alarm out of service for a "
                                   "while, or put a shelved one back"));
    m_pButtonJournal = new QPushButton(tr("Alarm journal"), this);
    m_pButtonJournal->setObjectName(QStringLiteral("m_pButtonJournal"));
    for (QPushButton* pButton : {m_pButtonAck, m_pButtonAckAll, m_pButtonMute, m_pButtonShelve}) {
        pButton->setEnabled(false);
        pBar->addWidget(pButton);
    }
    pBar->addWidget(m_pButtonJournal);
    pBar->addStretch(1);
    pBar->addWidget(m_pButtonPicture);
    pColumn->addLayout(pBar);
    // Above the table, where the eye goes first when alarms pile up.
    m_pFloodBanner = new QLabel(this);
    m_pFloodBanner->setObjectName(QStringLiteral("m_pFloodBanner"));
    m_pFloodBanner->setStyleSheet(QStringLiteral(
        "QLabel#m_pFloodBanner { background-color: #dc0000; color: white; font-weight: bold; "
        "padding: 4px; }"));
    m_pFloodBanner->setAlignment(Qt::AlignCenter);
    m_pFloodBanner->hide();
    pColumn->addWidget(m_pFloodBanner);

    auto* pTableFrame = new QFrame(this);
    pTableFrame->setObjectName(QStringLiteral("frame_2"));
    auto* pTableLayout = new QHBoxLayout(pTableFrame);
    m_pRegionTreeView = new QTreeView(pTableFrame);
    m_pRegionTreeView->setObjectName(QStringLiteral("m_pRegionTreeView"));
    m_pRegionTreeView->setAutoScroll(false);
    m_pRegionTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pRegionTreeView->setTextElideMode(Qt::ElideMiddle);
    m_pRegionTreeView->setRootIsDecorated(false);
    m_pRegionTreeView->setSortingEnabled(false);
    m_pRegionTreeView->setExpandsOnDoubleClick(false);
    // Every row holds the same check-box cell: one row height for all spares
    // the view measuring 255 rows at each layout.
    m_pRegionTreeView->setUniformRowHeights(true);
    m_pRegionTreeView->header()->setStretchLastSection(true);
    m_pRegionTreeView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pRegionTreeView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pRegionTreeView->installEventFilter(this);
    pTableLayout->addWidget(m_pRegionTreeView);
    pColumn->addWidget(pTableFrame, 1);

    // Gauge and curve on the curve's dark ground, edge to edge: the framed
    // picture's empty title bar and light margins only took their room.
    auto* pGaugeFrame = new QFrame(this);
    pGaugeFrame->setObjectName(QStringLiteral("frame_3"));
    auto* pGaugeLayout = new QHBoxLayout(pGaugeFrame);
    pGaugeLayout->setContentsMargins(0, 0, 0, 0);
    pGaugeLayout->setSpacing(0);
    m_pGroupBox = new RGroupBox(m_pCatalogue, pGaugeFrame);
    m_pGroupBox->setObjectName(QStringLiteral("groupBox"));
    m_pGroupBox->setMinimumSize(0, 0);
    m_pGroupBox->setMaximumSize(16777215, 16777215);
    pGaugeLayout->addWidget(m_pGroupBox, 1);
    m_pScrollArea = new QScrollArea(pGaugeFrame);
    m_pScrollArea->setObjectName(QStringLiteral("m_pScrollArea"));
    m_pScrollArea->setWidgetResizable(true);
    // The day curve is fitted to the area exactly; no frame or scroll bar
    // may take room from it.
    m_pScrollArea->setFrameShape(QFrame::NoFrame);
    m_pScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScrollArea->installEventFilter(this);
    auto* pContents = new QWidget;
    pContents->setObjectName(QStringLiteral("scrollAreaWidgetContents"));
    m_pLayout = new QGridLayout(pContents);
    m_pLayout->setObjectName(QStringLiteral("m_pLayout"));
    m_pLayout->setSpacing(0);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pScrollArea->setWidget(pContents);
    pGaugeLayout->addWidget(m_pScrollArea, 6);
    pColumn->addWidget(pGaugeFrame, 1);

    // The plan's pane takes the plan's ground (see FitPictureToFrame).
    m_pPictureFrame = new QFrame(this);
    m_pPictureFrame->setObjectName(QStringLiteral("frame"));
    m_pPictureFrame->installEventFilter(this);
    pRoot->addWidget(m_pPictureFrame, 0, 1);
    pRoot->setColumnStretch(0, 1);
    pRoot->setColumnStretch(1, 1);
}

int RFormRegion::IdAtSub(int nSub, bool* pFound) const
{
    const QVector<RRegion>& regions = m_pCatalogue->Regions();
    const bool bFound = nSub >= 1 && nSub <= regions.size();
    if (pFound)
        *pFound = bFound;
    return bFound ? regions.at(nSub - 1).nId : 0;
}

void RFormRegion::InitRegions()
{
    m_pendingCurves.clear();
    m_pModel->Reload();
    BuildCurves();
    BuildCheckBoxes();
    m_pPicture->SetClickable(true);
    // Settings applied (the main window re-initialises the page) may bring
    // new band thresholds as well as a new region list.
    m_pPicture->LoadThresholds();
    m_pPicture->LoadRegions();
    connect(m_pPicture, &RRegionPic::RegionClicked, this, &RFormRegion::OnRegionClicked,
        Qt::UniqueConnection);
    m_pRegionTreeView->viewport()->update();
    m_pGroupBox->LoadRegions();
    m_pGroupBox->LoadThresholds();
}

void RFormRegion::SetAlarmHandling(RAlarmState* pAlarmState, PAlarmCue* pCue)
{
    // Handing over to another state and cue: the controls answer once, to
    // the new ones.
    disconnect(m_pButtonAck, &QPushButton::clicked, this, &RFormRegion::AcknowledgeCurrent);
    disconnect(m_pButtonShelve, &QPushButton::clicked, this, &RFormRegion::ShelveCurrent);
    disconnect(m_pRegionTreeView, &QWidget::customContextMenuRequested, this, nullptr);
    if (m_pAlarmState) {
        disconnect(m_pButtonAckAll, nullptr, this, nullptr);
        disconnect(m_pAlarmState, nullptr, this, nullptr);
    }
    if (m_pCue) {
        disconnect(m_pButtonMute, nullptr, this, nullptr);
        disconnect(m_pCue, nullptr, m_pButtonMute, nullptr);
    }
    m_pAlarmState = pAlarmState;
    m_pCue = pCue;
    // The one alarm state, painted alike by the table, the plan and the gauge.
    m_pModel->SetAlarmState(pAlarmState);
    m_pPicture->SetAlarmState(pAlarmState);
    m_pGroupBox->SetAlarmState(pAlarmState);
    m_pModel->SetLinkUp(pAlarmState->IsLinkUp());
    OnLinkChanged(pAlarmState->IsLinkUp());
    for (QPushButton* pButton : {m_pButtonAck, m_pButtonAckAll, m_pButtonMute, m_pButtonShelve})
        pButton->setEnabled(true);
    connect(m_pButtonAck, &QPushButton::clicked, this, &RFormRegion::AcknowledgeCurrent);
    connect(m_pButtonShelve, &QPushButton::clicked, this, &RFormRegion::ShelveCurrent);
    connect(pAlarmState, &RAlarmState::FloodChanged, this, &RFormRegion::OnFloodChanged);
    OnFloodChanged(pAlarmState->IsFlood(), pAlarmState->RecentAlarms());
    connect(m_pButtonAckAll, &QPushButton::clicked, this, &RFormRegion::AcknowledgeAll);
    connect(m_pButtonMute, &QPushButton::toggled, this, &RFormRegion::OnMuteToggled);
    // A new alarm ends the mute; the button follows.
    connect(pCue, &PAlarmCue::MutedChanged, m_pButtonMute, &QPushButton::setChecked);
    connect(pAlarmState, &RAlarmState::LinkChanged, this, &RFormRegion::OnLinkChanged);
    m_pRegionTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(
        m_pRegionTreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
            const QModelIndex index = m_pRegionTreeView->indexAt(pos);
            if (!index.isValid() || !m_pAlarmState)
                return;
            const int nId = m_pModel->IdAt(index.row());
            m_pRegionTreeView->setCurrentIndex(index);
            QMenu menu(this);
            if (m_pAlarmState->IsUnacknowledged(nId))
                menu.addAction(tr("Acknowledge"), this, &RFormRegion::AcknowledgeCurrent);
            menu.addAction(m_pAlarmState->IsShelved(nId) ? tr("Unshelve") : tr("Shelve..."), this,
                &RFormRegion::ShelveCurrent);
            menu.exec(m_pRegionTreeView->viewport()->mapToGlobal(pos));
        });
}

void RFormRegion::AcknowledgeCurrent()
{
    if (!m_pAlarmState)
        return;
    const QModelIndex current = m_pRegionTreeView->currentIndex();
    if (!current.isValid()) {
        m_pPrompt->Tell(this,
            tr("Select the region to acknowledge in the table first, or use \"Acknowledge "
               "all\"."),
            tr("OK"));
        return;
    }
    const int nId = m_pModel->IdAt(current.row());
    if (!m_pAlarmState->IsUnacknowledged(nId)) {
        m_pPrompt->Tell(this,
            tr("%1 (ID %2) has no alarm to acknowledge.")
                .arg(m_pModel->index(current.row(), 1).data().toString())
                .arg(nId),
            tr("OK"));
        return;
    }
    if (!Allowed(tr("Log in to acknowledge the alarm.")))
        return;
    if (m_pStation)
        m_pStation->Acknowledge(nId);
    else
        m_pAlarmState->Acknowledge(nId);
    emit Acknowledged(nId);
}

void RFormRegion::ShelveCurrent()
{
    if (!m_pAlarmState)
        return;
    const QModelIndex current = m_pRegionTreeView->currentIndex();
    if (!current.isValid()) {
        m_pPrompt->Tell(this, tr("Select the region to shelve in the table first."), tr("OK"));
        return;
    }
    const int nId = m_pModel->IdAt(current.row());
    const QString strRegion = QStringLiteral("%1 (ID %2)")
                                  .arg(m_pModel->index(current.row(), 1).data().toString())
                                  .arg(nId);
    if (m_pAlarmState->IsShelved(nId)) {
        if (!MayShelve(tr("Log in as an officer to put the alarm back in service.")))
            return;
        QString strReason;
        if (m_pPrompt->AskReason(this,
                tr("Put the alarm of %1 back in service (shelved until %2)?")
                    .arg(strRegion,
                        m_pAlarmState->ShelfOf(nId).until.toString(
                            QStringLiteral("yyyy-MM-dd hh:mm"))),
                &strReason)) {
            if (m_pStation)
                m_pStation->Unshelve(nId, strReason);
            else
                m_pAlarmState->Unshelve(nId, strReason);
        }
        return;
    }
    if (!MayShelve(tr("Log in as an officer to shelve the alarm.")))
        return;
    const QDateTime now = (m_pClock ? m_pClock : SClock::System())->Now();
    QString strReason;
    QDateTime until = now.addSecs(3600);
    if (!m_pPrompt->AskShelve(this,
            tr("Take the alarm of %1 out of service: it is neither sounded nor journaled until "
               "then (8 hours at most).")
                .arg(strRegion),
            now, RAlarmState::kMaxShelfSecs, &strReason, &until))
        return;
    const bool bShelved = m_pStation
        ? m_pStation->Shelve(nId, until, strReason) == RStation::Outcome::Done
        : !strReason.trimmed().isEmpty() && m_pAlarmState->Shelve(nId, until, strReason.trimmed());
    if (!bShelved)
        m_pPrompt->Tell(
            this, tr("Not shelved: a reason and an end in the future are needed."), tr("OK"));
}

void RFormRegion::OnFloodChanged(bool bFlood, int nAlarms)
{
    m_pFloodBanner->setVisible(bFlood);
    if (bFlood)
        m_pFloodBanner->setText(tr("Alarm flood: %1 alarms in 10 minutes").arg(nAlarms));
}

void RFormRegion::AcknowledgeAll()
{
    if (!m_pAlarmState || !Allowed(tr("Log in to acknowledge the alarms.")))
        return;
    if (m_pStation)
        m_pStation->Acknowledge(0);
    else
        m_pAlarmState->AcknowledgeAll();
    emit Acknowledged(0);
}

void RFormRegion::OnMuteToggled(bool bMuted)
{
    // Already so: the cue told the button.
    if (!m_pCue || m_pCue->IsMuted() == bMuted)
        return;
    // Sound back on needs no one.
    if (bMuted && !Allowed(tr("Log in to mute the alarm sound."))) {
        const QSignalBlocker blocker(m_pButtonMute);
        m_pButtonMute->setChecked(false);
        return;
    }
    if (m_pStation)
        m_pStation->SetMuted(bMuted);
    else
        m_pCue->SetMuted(bMuted);
    if (bMuted)
        emit Muted();
}

void RFormRegion::OnLinkChanged(bool bUp)
{
    m_pModel->SetLinkUp(bUp);
    QString strNote;
    if (!bUp) {
        strNote = m_lastReading.isValid()
            ? tr("No link to the data server: values as read at %1")
                  .arg(m_lastReading.toString(QStringLiteral("hh:mm:ss")))
            : tr("No link to the data server");
    }
    m_pGroupBox->SetStaleNote(strNote);
    m_pPicture->SetStaleNote(strNote);
}

void RFormRegion::SetPrompt(SPrompt* pPrompt)
{
    m_pPrompt = pPrompt;
    if (m_pJournalView)
        m_pJournalView->SetPrompt(pPrompt);
}

void RFormRegion::ShowJournal()
{
    if (!m_pJournalView) {
        auto* pView = new RAlarmJournalView(m_pCatalogue, this, m_pClock);
        pView->setAttribute(Qt::WA_DeleteOnClose);
        if (m_pAlarmState && m_pAlarmState->Journal())
            pView->Follow(m_pAlarmState->Journal());
        m_pJournalView = pView;
    }
    m_pJournalView->SetPrompt(m_pPrompt);
    // Any account may export; no session asks for one, as acknowledging does.
    m_pJournalView->SetExportGate(m_gate);
    m_pJournalView->show();
    m_pJournalView->raise();
    // The keyboard goes with it, so Escape closes it at once.
    m_pJournalView->activateWindow();
}

void RFormRegion::BuildCurves()
{
    if (m_pCurve)
        m_pCurve->Clear();
    m_curveIds.clear();
    m_nRegionCount = m_pCatalogue->Count();
    for (int nSub = 1; nSub <= m_nRegionCount; ++nSub) {
        bool bFound = false;
        const int nId = IdAtSub(nSub, &bFound);
        if (!bFound)
            continue;
        if (!m_pCurve) {
            m_pCurve = new RRealRateCurve(m_pCatalogue, nId, nullptr, 0, 0, m_pClock);
            m_pLayout->addWidget(m_pCurve);
        }
        m_pCurve->AddCurve(nId);
        m_pCurve->ShowCurve(nId);
        m_curveIds.append(nId);
    }
    const QDateTime now = (m_pClock ? m_pClock : SClock::System())->Now();
    m_curveDay = now.date();
    m_nRefreshedMinute = now.time().hour() * 60 + now.time().minute();
    if (m_pCurve) {
        // Colours and check states are read after the curves exist, so the
        // first build already shows the checked regions in their colours.
        m_pCurve->LoadCurveColours();
        m_pCurve->LoadCurveEnabled();
        FitCurve();
    }
}

void RFormRegion::BuildCheckBoxes()
{
    const QVector<RRegion>& regions = m_pCatalogue->Regions();
    // Rows beyond the model's cannot hold a cell.
    const int nRows = qMin(regions.size(), m_pModel->rowCount());
    for (int i = 0; i < nRows; ++i) {
        auto* pCell = new RWidget(regions.at(i).bCurveShown ? Qt::Checked : Qt::Unchecked);
        m_pRegionTreeView->setIndexWidget(m_pModel->index(i, 3), pCell);
        connect(pCell, &RWidget::ChangeCheckState, this, &RFormRegion::OnStateChanged);
    }
}

void RFormRegion::OnStateChanged(int)
{
    QVector<QPair<int, int>> states;
    for (int i = 0; i < m_pModel->rowCount(); ++i) {
        auto* pCell = qobject_cast<RWidget*>(m_pRegionTreeView->indexWidget(m_pModel->index(i, 3)));
        bool bFound = false;
        const int nId = IdAtSub(i + 1, &bFound);
        if (pCell && bFound)
            states.append({nId, static_cast<int>(pCell->CheckState())});
    }
    RRegionCatalogue::StoreCurveStates(states);
    m_pCatalogue->Reload();
    if (m_pCurve)
        m_pCurve->LoadCurveEnabled();
}

void RFormRegion::OnColorLineChangedColor(const QModelIndex& index, const QColor& color)
{
    bool bFound = false;
    const int nId = IdAtSub(index.row() + 1, &bFound);
    if (!bFound)
        return;
    RRegionCatalogue::StoreCurveColour(nId, color);
    m_pCatalogue->Reload();
    SendSMessage(SBus::PresetStore, SBus::RegionList, SBus::CmdSave, 0);
    // Every reader of the catalogue, this page included, takes the change.
    BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
}

void RFormRegion::OnReloadThresholds()
{
    m_pPicture->LoadThresholds();
    if (m_pCurve)
        m_pCurve->LoadCurveColours();
    m_pGroupBox->LoadRegions();
    m_pRegionTreeView->viewport()->update();
}

void RFormRegion::OnDoubleClicked(const QModelIndex&)
{
    // A click on a row selects it and nothing more.
}

void RFormRegion::OnRegionClicked(int nId)
{
    const int nRow = m_pModel->RowOfId(nId);
    if (nRow < 0)
        return;
    const QModelIndex index = m_pModel->index(nRow, 0);
    m_pRegionTreeView->setCurrentIndex(index);
    m_pRegionTreeView->scrollTo(index);
}

void RFormRegion::ShowPicture(bool bShown)
{
    m_pPictureFrame->setVisible(bShown);
    // Without the plan the table, gauge and curve take the whole width.
    if (auto* pRoot = qobject_cast<QGridLayout*>(layout()))
        pRoot->setColumnStretch(1, bShown ? 1 : 0);
}

void RFormRegion::OnPictureToggled(bool bShown)
{
    ShowPicture(bShown);
    QSettings settings(kOrganisation, kOrganisation);
    settings.setValue(QLatin1String(kSettingPictureShown), bShown);
}

void RFormRegion::FitPictureToFrame()
{
    m_pPicture->setGeometry(FitPicture(m_pPictureFrame->size(), m_pPicture->ImageSize()));
    // A pane of another shape than the plan leaves strips beside it; they
    // continue the plan's ground, so the plan reads as filling its pane.
    const QColor ground = m_pPicture->GroundColour();
    const QColor paneGround = ground.isValid() ? ground : kPanelGround;
    if (paneGround != m_planGround) {
        m_planGround = paneGround;
        m_pPictureFrame->setStyleSheet(
            QStringLiteral("QFrame#frame { background-color: %1; border: none; }")
                .arg(paneGround.name()));
    }
}

void RFormRegion::OnMinuteTick()
{
    if (!m_pCurve)
        return;
    const QDateTime now = (m_pClock ? m_pClock : SClock::System())->Now();
    const int nMinute = now.time().hour() * 60 + now.time().minute();
    if (now.date() == m_curveDay && m_pendingCurves.isEmpty()) {
        // Within a day only the latest minutes change: the reduction writes
        // the minute that just ended, possibly after this tick, so the last
        // few are read again.
        m_pCurve->Diagram()->RefreshCurves(qMax(0, qMin(m_nRefreshedMinute, nMinute) - 2), nMinute);
        m_nRefreshedMinute = nMinute;
        return;
    }
    // A new day: every curve in full, a slice per event-loop pass. A tick
    // arriving while that still runs starts it afresh.
    m_curveDay = now.date();
    m_nRefreshedMinute = nMinute;
    m_pendingCurves.clear();
    for (int nSub = 1; nSub <= m_nRegionCount; ++nSub) {
        bool bFound = false;
        const int nId = IdAtSub(nSub, &bFound);
        if (bFound)
            m_pendingCurves.append(nId);
    }
    OnReloadSlice();
}

void RFormRegion::OnReloadSlice()
{
    for (int n = 0; n < kCurvesPerSlice && !m_pendingCurves.isEmpty() && m_pCurve; ++n)
        m_pCurve->ShowCurve(m_pendingCurves.takeFirst());
    if (!m_pendingCurves.isEmpty())
        m_pSliceTimer->start();
}

bool RFormRegion::event(QEvent* pEvent)
{
    const int nType = static_cast<int>(pEvent->type());
    if (!SBus::IsAccepted(nType))
        return QWidget::event(pEvent);
    const auto* pMessage = static_cast<const SMessage*>(pEvent);
    if (nType == SBus::RegionReading && pMessage->Second() != 0) {
        // The aggregator's own float of the region (RRegularSave): it lives
        // as long as the aggregator and holds the region's latest rate.
        const int nId = static_cast<int>(pMessage->First());
        const float dose = *reinterpret_cast<const float*>(pMessage->Second());
        m_lastReading = (m_pClock ? m_pClock : SClock::System())->Now();
        m_pModel->UpdateDose(nId, dose);
        m_pPicture->ShowRegion(nId, dose);
        m_pGroupBox->SetLevel(nId, dose);
    } else if (nType == SBus::MinuteTick) {
        OnMinuteTick();
    } else if (nType == SBus::ReloadThresholds) {
        OnReloadThresholds();
    }
    return true;
}

QRect RFormRegion::FitPicture(const QSize& frame, const QSize& image)
{
    const double FW = frame.width();
    const double FH = frame.height();
    const double IW = qMax(0, image.width());
    const double IH = qMax(0, image.height());
    const double s = image.isEmpty() ? 1.0 : qMin(FW / IW, FH / IH);
    if (IW <= IH) {
        const int nWidth = static_cast<int>(IW * s);
        return QRect(static_cast<int>((FW - IW * s) / 2), 0, nWidth, frame.height());
    }
    const int nHeight = static_cast<int>(IH * s);
    return QRect(0, static_cast<int>((FH - IH * s) / 2), frame.width(), nHeight);
}

void RFormRegion::FitCurve()
{
    if (!m_pCurve)
        return;
    const QSize area = m_pScrollArea->size();
    m_pCurve->SetDiagramHeight(area.height());
    m_pCurve->SetDiagramWidth(area.width());
    m_pCurve->SetCurveFixedHeight(area.height());
    m_pCurve->SetCurveFixedWidth(area.width());
}

void RFormRegion::FitColumns()
{
    // Shares of the width by what the columns hold: a short id, a room
    // name, the dose with its unit in the header (and a stale value's time),
    // two lamps and a check box, the colour line. The dose column never
    // gets narrower than its header, so its unit is never cut.
    static const double kShares[] = {0.08, 0.25, 0.27, 0.20};
    const int nWidth = m_pRegionTreeView->width();
    QHeaderView* pHeader = m_pRegionTreeView->header();
    int nUsed = 0;
    for (int c = 0; c < 4; ++c) {
        int nColumn = static_cast<int>(nWidth * kShares[c]);
        if (c == 2) {
            const QString strTitle = m_pModel->headerData(c, Qt::Horizontal).toString();
            nColumn = qMax(nColumn, pHeader->fontMetrics().horizontalAdvance(strTitle) + 24);
        }
        m_pRegionTreeView->setColumnWidth(c, nColumn);
        nUsed += nColumn;
    }
    m_pRegionTreeView->setColumnWidth(4, qMax(40, nWidth - nUsed));
}

bool RFormRegion::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // The layouts settle the scroll area's and the table's sizes after the
    // form's own resize, so their sizes are followed here.
    if (pEvent->type() == QEvent::Resize) {
        if (pWatched == m_pScrollArea)
            FitCurve();
        else if (pWatched == m_pPictureFrame)
            FitPictureToFrame();
        else if (pWatched == m_pRegionTreeView)
            FitColumns();
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void RFormRegion::showEvent(QShowEvent* pEvent)
{
    QWidget::showEvent(pEvent);
    OnMinuteTick();
}

void RFormRegion::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    FitCurve();
    if (m_pPicture)
        FitPictureToFrame();
}
