#include "realtime/RPresetAlarmThresholdWidget.h"

#include "database/RAuditTrail.h"
#include "database/RRegionCatalogue.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/POptionPage.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>

namespace {

QSpinBox* thresholdSpinBox(const char* pName, QWidget* parent)
{
    auto* pSpinBox = new QSpinBox(parent);
    pSpinBox->setObjectName(QLatin1String(pName));
    // Only what a device can take: no sign, nothing above its range. What
    // it does with the rest (hundreds) is said beside the box.
    pSpinBox->setRange(0, RPresetAlarmThresholdWidget::MaxThreshold);
    pSpinBox->setSingleStep(100);
    pSpinBox->setSuffix(QStringLiteral(" μRad/h"));
    pSpinBox->setMinimumWidth(220);
    return pSpinBox;
}

} // namespace

RPresetAlarmThresholdWidget::RPresetAlarmThresholdWidget(
    RRegionCatalogue* pCatalogue, QWidget* parent)
    : QWidget(parent)
    , m_pCatalogue(pCatalogue)
{
    BuildWidgets();
    RegisterReceiver(this, SBus::ThresholdPage);
    // After the main window, which reloads the catalogue first.
    SubscribeMessage(this, SBus::ReloadAfterDeviceUpdate);
    m_pNoticeModel = new QStandardItemModel(0, 2, this);
    m_pTableView->setModel(m_pNoticeModel);
    m_pTableView->horizontalHeader()->setStretchLastSection(true);
    m_pNoticeTimer = new QTimer(this);
    m_pNoticeTimer->setInterval(5000);
    LoadRegionIds();
    connect(m_pNoticeTimer, &QTimer::timeout, this, &RPresetAlarmThresholdWidget::OnTimeout);
    connect(m_pPushButtonSet, &QPushButton::clicked, this, &RPresetAlarmThresholdWidget::OnClicked);
    connect(m_pPushButtonAll, &QPushButton::clicked, this,
        &RPresetAlarmThresholdWidget::OnAllButtonClicked);
    connect(m_pPushButtonPara, &QPushButton::clicked, this,
        &RPresetAlarmThresholdWidget::OnParaClicked);
    connect(m_regionFilter.pSet, &QPushButton::clicked, this,
        &RPresetAlarmThresholdWidget::OnFilterClicked);
    connect(m_allFilter.pSet, &QPushButton::clicked, this,
        &RPresetAlarmThresholdWidget::OnAllFilterClicked);
    connect(m_pComboBoxAlarm, qOverload<int>(&QComboBox::currentIndexChanged), this,
        [this]() { OnCurrentIndexChanged(QString::number(CurrentRegionId())); });
    OnCurrentIndexChanged(QString::number(CurrentRegionId()));
    m_pLabelPara->hide();
    m_pDoubleSpinBoxPara->hide();
    m_pPushButtonPara->hide();
    SetNoticeHeaders();
    m_pTableView->hide();
}

RPresetAlarmThresholdWidget::~RPresetAlarmThresholdWidget()
{
    UnsubscribeMessage(this);
    UnregisterReceiver(this);
}

void RPresetAlarmThresholdWidget::BuildWidgets()
{
    QFont font;
    font.setPointSize(14);
    setFont(font);
    auto* pGrid = new QGridLayout(this);
    pGrid->setObjectName(QStringLiteral("gridLayout"));
    const auto label = [this](const char* pName, const QString& strText) {
        auto* pLabel = new QLabel(strText, this);
        // Dark text: the settings page is light.
        pLabel->setObjectName(QLatin1String(pName));
        return pLabel;
    };
    m_pComboBoxAlarm = new QComboBox(this);
    m_pComboBoxAlarm->setObjectName(QStringLiteral("m_pComboBoxAlarm"));
    m_pComboBoxAlarm->setMinimumWidth(120);
    m_pSpinBoxAlarm = thresholdSpinBox("m_pSpinBoxAlarm", this);
    m_pPushButtonSet = new QPushButton(tr("Set"), this);
    m_pPushButtonSet->setObjectName(QStringLiteral("m_pPushButtonSet"));
    pGrid->addWidget(label("label", tr("Alarm Threshold:")), 0, 0);
    pGrid->addWidget(m_pComboBoxAlarm, 0, 1);
    pGrid->addWidget(m_pSpinBoxAlarm, 0, 2);
    pGrid->addWidget(m_pPushButtonSet, 0, 3);
    m_pLabelRoundAlarm = label("m_pLabelRoundAlarm", QString());
    // Wrapped in what the grid has left: a note never widens the window.
    m_pLabelRoundAlarm->setWordWrap(true);
    m_pLabelRoundAlarm->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pGrid->addWidget(m_pLabelRoundAlarm, 0, 4);

    m_pLabelPara = label("label_2", tr("Parameters:"));
    m_pDoubleSpinBoxPara = new QDoubleSpinBox(this);
    m_pDoubleSpinBoxPara->setObjectName(QStringLiteral("m_pDoubleSpinBoxPara"));
    m_pPushButtonPara = new QPushButton(tr("Set"), this);
    m_pPushButtonPara->setObjectName(QStringLiteral("m_pPushButtonPara"));
    pGrid->addWidget(m_pLabelPara, 1, 0);
    pGrid->addWidget(m_pDoubleSpinBoxPara, 1, 2);
    pGrid->addWidget(m_pPushButtonPara, 1, 3);

    m_pSpinBoxAll = thresholdSpinBox("m_pSpinBoxAll", this);
    m_pPushButtonAll = new QPushButton(tr("Set"), this);
    m_pPushButtonAll->setObjectName(QStringLiteral("m_pPushButtonAll"));
    pGrid->addWidget(label("label_3", tr("SetAll:")), 2, 0);
    pGrid->addWidget(m_pSpinBoxAll, 2, 2);
    pGrid->addWidget(m_pPushButtonAll, 2, 3);
    m_pLabelRoundAll = label("m_pLabelRoundAll", QString());
    m_pLabelRoundAll->setWordWrap(true);
    m_pLabelRoundAll->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pGrid->addWidget(m_pLabelRoundAll, 2, 4);
    connect(m_pSpinBoxAlarm, qOverload<int>(&QSpinBox::valueChanged), m_pLabelRoundAlarm,
        [this](int nValue) { m_pLabelRoundAlarm->setText(SetAsText(nValue)); });
    connect(m_pSpinBoxAll, qOverload<int>(&QSpinBox::valueChanged), m_pLabelRoundAll,
        [this](int nValue) { m_pLabelRoundAll->setText(SetAsText(nValue)); });

    // When an alarm is raised and cleared: the region chosen above, or all.
    m_regionFilter = BuildFilterRow(3, tr("Alarm filter:"), "m_pFilterRegion");
    m_allFilter = BuildFilterRow(4, tr("Filter of all:"), "m_pFilterAll");
    auto* pHelp = label("m_pLabelFilterHelp",
        tr("On-delay: readings in a row at or above the threshold before the alarm is raised. "
           "Deadband: a raised alarm clears only below the threshold less this percentage. "
           "Off-delay: readings in a row below that before the alarm clears."));
    pHelp->setWordWrap(true);
    QFont helpFont = pHelp->font();
    helpFont.setPointSize(10);
    pHelp->setFont(helpFont);
    pGrid->addWidget(pHelp, 5, 0, 1, 4);

    m_pTableView = new QTableView(this);
    m_pTableView->setObjectName(QStringLiteral("m_pTableView"));
    m_pTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTableView->verticalHeader()->hide();
    pGrid->addWidget(label("label_4", QString()), 6, 0);
    pGrid->addWidget(m_pTableView, 7, 0, 1, 4);
    pGrid->setColumnStretch(4, 1);
    pGrid->setRowStretch(8, 1);
}

RPresetAlarmThresholdWidget::FilterEditors RPresetAlarmThresholdWidget::BuildFilterRow(
    int nRow, const QString& strLabel, const char* pName)
{
    auto* pGrid = static_cast<QGridLayout*>(layout());
    FilterEditors editors;
    auto* pBox = new QWidget(this);
    pBox->setObjectName(QLatin1String(pName));
    auto* pRow = new QHBoxLayout(pBox);
    pRow->setContentsMargins(0, 0, 0, 0);
    editors.pOnDelay = new QSpinBox(pBox);
    editors.pOnDelay->setRange(1, RAlarmFilterSettings::kMaxDelay);
    editors.pDeadband = new QDoubleSpinBox(pBox);
    editors.pDeadband->setRange(0.0, RAlarmFilterSettings::kMaxDeadband);
    editors.pDeadband->setDecimals(1);
    editors.pDeadband->setSuffix(QStringLiteral(" %"));
    editors.pOffDelay = new QSpinBox(pBox);
    editors.pOffDelay->setRange(1, RAlarmFilterSettings::kMaxDelay);
    pRow->addWidget(new QLabel(tr("On-delay"), pBox));
    pRow->addWidget(editors.pOnDelay);
    pRow->addWidget(new QLabel(tr("Deadband"), pBox));
    pRow->addWidget(editors.pDeadband);
    pRow->addWidget(new QLabel(tr("Off-delay"), pBox));
    pRow->addWidget(editors.pOffDelay);
    editors.pSet = new QPushButton(tr("Set"), this);
    editors.pSet->setObjectName(QLatin1String(pName) + QStringLiteral("Set"));
    auto* pLabel = new QLabel(strLabel, this);
    pLabel->setObjectName(QLatin1String(pName) + QStringLiteral("Label"));
    pGrid->addWidget(pLabel, nRow, 0);
    pGrid->addWidget(pBox, nRow, 1, 1, 2);
    pGrid->addWidget(editors.pSet, nRow, 3);
    ShowFilter(editors, RAlarmFilterSettings());
    return editors;
}

RAlarmFilterSettings RPresetAlarmThresholdWidget::FilterOf(const FilterEditors& editors)
{
    RAlarmFilterSettings settings;
    settings.nOnDelay = editors.pOnDelay->value();
    settings.dDeadband = editors.pDeadband->value();
    settings.nOffDelay = editors.pOffDelay->value();
    return settings;
}

void RPresetAlarmThresholdWidget::ShowFilter(
    const FilterEditors& editors, const RAlarmFilterSettings& settings)
{
    editors.pOnDelay->setValue(settings.nOnDelay);
    editors.pDeadband->setValue(settings.dDeadband);
    editors.pOffDelay->setValue(settings.nOffDelay);
}

void RPresetAlarmThresholdWidget::OnFilterClicked()
{
    if (m_pComboBoxAlarm->currentIndex() < 0) {
        emit SendMessage(tr("No region is registered."));
        return;
    }
    const int nId = CurrentRegionId();
    const RAlarmFilterSettings before = RAlarmFilterStore::Of(nId);
    const RAlarmFilterSettings after = FilterOf(m_regionFilter);
    if (after == before)
        return;
    // A filter can hold an alarm back as surely as a threshold can.
    if (m_confirm && !m_confirm(tr("the alarm filter of region %1").arg(nId)))
        return;
    if (!RAlarmFilterStore::Store(nId, after)) {
        emit SendMessage(tr("The alarm filter could not be stored."));
        return;
    }
    FilterStored(QStringLiteral("region %1").arg(nId), before.Text(), after);
}

void RPresetAlarmThresholdWidget::OnAllFilterClicked()
{
    const RAlarmFilterSettings after = FilterOf(m_allFilter);
    if (m_confirm && !m_confirm(tr("the alarm filter of all regions")))
        return;
    QList<QPair<int, RAlarmFilterSettings>> before;
    for (const RRegion& region : m_pCatalogue->Regions())
        before.append({region.nId, RAlarmFilterStore::Of(region.nId)});
    if (!RAlarmFilterStore::StoreAll(*m_pCatalogue, after)) {
        emit SendMessage(tr("The alarm filter could not be stored."));
        return;
    }
    // Each region's change, with what it had.
    for (const auto& region : qAsConst(before))
        POptionPage::RecordChange(RAuditAction::AlarmFilter,
            QStringLiteral("region %1").arg(region.first), region.second.Text(), after.Text());
    BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
    OnCurrentIndexChanged(QString::number(CurrentRegionId()));
}

void RPresetAlarmThresholdWidget::FilterStored(
    const QString& strObject, const QString& strOld, const RAlarmFilterSettings& settings)
{
    POptionPage::RecordChange(RAuditAction::AlarmFilter, strObject, strOld, settings.Text());
    BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
}

int RPresetAlarmThresholdWidget::RoundThreshold(int nValue)
{
    return (nValue + 50) / 100 * 100;
}

QString RPresetAlarmThresholdWidget::SetAsText(int nTyped)
{
    const int nValue = RoundThreshold(nTyped);
    if (nValue == nTyped)
        return QString();
    return tr("%1 is set as %2: the devices take hundreds").arg(nTyped).arg(nValue);
}

QString RPresetAlarmThresholdWidget::ThresholdProblem(int nTyped)
{
    const int nValue = RoundThreshold(nTyped);
    if (nTyped < 0)
        return tr("A threshold cannot be negative (%1).").arg(nTyped);
    if (nTyped == 0)
        return tr("A threshold of 0 would never raise the alarm.");
    if (nValue == 0)
        return tr("%1 is set as 0 (the devices take hundreds), which would never raise the "
                  "alarm: enter 50 or more.")
            .arg(nTyped);
    if (nValue > MaxThreshold)
        return tr("A threshold of %1 is above the top of the range (%2): the alarm would never "
                  "be raised.")
            .arg(nValue)
            .arg(MaxThreshold);
    return QString();
}

bool RPresetAlarmThresholdWidget::MaySend(int nId, int nOld, int nTyped)
{
    const QString strProblem = ThresholdProblem(nTyped);
    if (!strProblem.isEmpty()) {
        emit SendMessage(strProblem);
        return false;
    }
    // What will be set is said before the password is asked for.
    const QString strSetAs = SetAsText(nTyped);
    if (!strSetAs.isEmpty())
        emit SendMessage(strSetAs);
    return !m_authorize || m_authorize(nId, nOld, RoundThreshold(nTyped));
}

void RPresetAlarmThresholdWidget::LoadRegionIds()
{
    const int nCurrent = CurrentRegionId();
    m_pComboBoxAlarm->clear();
    // By name, with the id the devices go by.
    for (const RRegion& region : m_pCatalogue->Regions())
        m_pComboBoxAlarm->addItem(
            QStringLiteral("%1 (%2)").arg(region.strName).arg(region.nId), region.nId);
    // Stay on the region being edited when it is still registered.
    const int nIndex = m_pComboBoxAlarm->findData(nCurrent);
    if (nIndex >= 0)
        m_pComboBoxAlarm->setCurrentIndex(nIndex);
}

int RPresetAlarmThresholdWidget::CurrentRegionId() const
{
    return m_pComboBoxAlarm->currentIndex() < 0 ? -1 : m_pComboBoxAlarm->currentData().toInt();
}

void RPresetAlarmThresholdWidget::OnCurrentIndexChanged(const QString& strText)
{
    const RRegion* pRegion = m_pCatalogue->Find(strText.toInt());
    if (pRegion && !strText.isEmpty()) {
        m_pSpinBoxAlarm->setValue(pRegion->nAlarmValue);
        ShowFilter(m_regionFilter, RAlarmFilterStore::Of(pRegion->nId));
    }
}

void RPresetAlarmThresholdWidget::OnClicked()
{
    // Without a region the command would go to device 0, which means every
    // device: refuse instead.
    if (m_pComboBoxAlarm->currentIndex() < 0) {
        emit SendMessage(tr("No region is registered."));
        return;
    }
    const int nId = CurrentRegionId();
    const int nValue = RoundThreshold(m_pSpinBoxAlarm->value());
    if (!MaySend(nId, m_pCatalogue->AlarmValue(nId), m_pSpinBoxAlarm->value()))
        return;
    PostSMessage(SBus::MainWindow, SBus::SendThreshold, nId, nValue);
    RRegionCatalogue::StoreAlarmValue(nId, nValue);
    BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
}

void RPresetAlarmThresholdWidget::OnAllButtonClicked()
{
    const int nValue = RoundThreshold(m_pSpinBoxAll->value());
    if (!MaySend(0, -1, m_pSpinBoxAll->value()))
        return;
    PostSMessage(SBus::MainWindow, SBus::SendThreshold, 0, nValue);
    RRegionCatalogue::StoreAllAlarmValues(nValue);
    BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
    OnCurrentIndexChanged(QString::number(CurrentRegionId()));
}

void RPresetAlarmThresholdWidget::OnParaClicked()
{
    // The parameter row is never shown.
}

void RPresetAlarmThresholdWidget::SetNoticeHeaders()
{
    m_pNoticeModel->setHorizontalHeaderLabels(
        {tr("Id"), tr("AlarmDose(") + QStringLiteral("μRad/h)")});
}

void RPresetAlarmThresholdWidget::ShowNotice(int nId)
{
    if (m_pTableView->isHidden()) {
        m_pTableView->show();
        m_pNoticeTimer->start();
    }
    // Device 0 answers the command to all: every region took the value.
    QList<int> ids {nId};
    if (nId == 0) {
        ids.clear();
        for (const RRegion& region : m_pCatalogue->Regions())
            ids << region.nId;
    }
    for (int nRegion : qAsConst(ids))
        m_pNoticeModel->appendRow({new QStandardItem(QString::number(nRegion)),
            new QStandardItem(QString::number(m_pCatalogue->AlarmValue(nRegion)))});
}

void RPresetAlarmThresholdWidget::OnTimeout()
{
    m_pNoticeModel->clear();
    m_pNoticeModel->setColumnCount(2);
    SetNoticeHeaders();
    m_pTableView->hide();
    m_pNoticeTimer->stop();
}

bool RPresetAlarmThresholdWidget::event(QEvent* pEvent)
{
    const int nType = static_cast<int>(pEvent->type());
    if (!SBus::IsAccepted(nType))
        return QWidget::event(pEvent);
    const auto* pMessage = static_cast<const SMessage*>(pEvent);
    if (nType == SBus::ThresholdNotice)
        ShowNotice(static_cast<int>(pMessage->First()));
    else if (nType == SBus::ReloadAfterDeviceUpdate)
        LoadRegionIds();
    return true;
}
