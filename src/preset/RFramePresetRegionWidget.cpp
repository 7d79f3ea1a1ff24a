#include "preset/RFramePresetRegionWidget.h"

#include "algor/PSocketGetId.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "preset/RInstrumentPanel.h"
#include "preset/RItemModelPresetRegion.h"
#include "preset/RSeekItems.h"
#include "widgets/PEditDelegate.h"
#include "widgets/PSpinBoxDelegate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

RFramePresetRegionWidget::RFramePresetRegionWidget(
    RStorageWriter* pWriter, int nMode, QWidget* parent, SClock* pClock, RStation* pStation)
    : QWidget(parent)
    , m_pWriter(pWriter)
    , m_pTableView(new QTableView(this))
    , m_pButtonSearch(new QPushButton(tr("Search"), this))
    , m_pButtonAdd(new QPushButton(tr("Add"), this))
    , m_pButtonDelete(new QPushButton(tr("Delete"), this))
    , m_pItemModel(new RItemModelPresetRegion(m_pWriter, nMode, this))
    , m_respond(300, pClock)
    , m_pSeekItems(new RSeekItems(this))
    , m_pGetId(new PSocketGetId(this))
{
    setWindowTitle(tr("Form"));
    QFont font;
    font.setPointSize(14);
    setFont(font);
    m_pTableView->setObjectName(QStringLiteral("m_pTableView"));
    m_pTableView->setModel(m_pItemModel->Model());
    m_pTableView->setItemDelegateForColumn(0, new PEditDelegate(false, m_pTableView));
    m_pTableView->setItemDelegateForColumn(
        1, new PSpinBoxDelegate(0, RItemModelPresetRegion::MaxId, m_pTableView));
    m_pTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTableView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTableView->horizontalHeader()->setStretchLastSection(true);
    m_pTableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pTableView->verticalHeader()->hide();
    m_pTableView->setMinimumHeight(120);
    m_pButtonSearch->setObjectName(QStringLiteral("m_pButtonSearch"));
    m_pButtonAdd->setObjectName(QStringLiteral("m_pButtonAdd"));
    m_pButtonDelete->setObjectName(QStringLiteral("m_pButtonDelete"));

    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    for (QPushButton* pButton : {m_pButtonSearch, m_pButtonAdd, m_pButtonDelete}) {
        pButton->setMinimumSize(100, 36);
        pButtons->addWidget(pButton);
    }
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pTableView, 1);
    pLayout->addLayout(pButtons);
    if (pStation) {
        m_pInstruments = new RInstrumentPanel(pStation, this);
        QFont small = m_pInstruments->font();
        small.setPointSize(11);
        m_pInstruments->setFont(small);
        pLayout->addWidget(m_pInstruments, 1);
        // The chosen row's device, as stored: a row not applied yet has none.
        connect(m_pTableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const QModelIndex id = current.sibling(current.row(), 1);
                m_pInstruments->ShowMonitor(id.isValid() ? id.data().toInt() : 0);
            });
    }

    m_pSeekItems->hide();
    connect(m_pButtonSearch, &QPushButton::clicked, this, &RFramePresetRegionWidget::Search);
    connect(m_pButtonAdd, &QPushButton::clicked, this, &RFramePresetRegionWidget::Add);
    connect(m_pButtonDelete, &QPushButton::clicked, this, &RFramePresetRegionWidget::Delete);
    connect(m_pGetId, &PSocketGetId::ItemIdLists, this, &RFramePresetRegionWidget::OnItemIdLists);
    connect(m_pSeekItems, &RSeekItems::OkButtonClicked, this,
        &RFramePresetRegionWidget::OnOkButtonClicked);
    connect(m_pSeekItems, &RSeekItems::CancelButtonClicked, this,
        &RFramePresetRegionWidget::OnCancelButtonClicked);
}

RFramePresetRegionWidget::~RFramePresetRegionWidget() = default;

void RFramePresetRegionWidget::Add()
{
    if (m_respond.CheckInterval())
        m_pItemModel->AddDefaultRow();
}

void RFramePresetRegionWidget::Delete()
{
    if (!m_respond.CheckInterval())
        return;
    const QModelIndex current = m_pTableView->currentIndex();
    if (current.isValid())
        m_pItemModel->Model()->removeRow(current.row());
}

void RFramePresetRegionWidget::SetAsDefault()
{
    // The device list has no factory contents.
}

void RFramePresetRegionWidget::Reset()
{
    m_pItemModel->LoadFromDatabase();
    // The reloaded list has no row chosen.
    if (m_pInstruments)
        m_pInstruments->ShowMonitor(0);
}

void RFramePresetRegionWidget::Search()
{
    if (!m_pSeekItems || !m_respond.CheckInterval())
        return;
    SendSMessage(SBus::MainWindow, SBus::DeviceSearchStarted, 0, 0);
    m_pSeekItems->Clear();
    m_pSeekItems->show();
    m_pGetId->ConnectSocket();
}

void RFramePresetRegionWidget::OnItemIdLists(const QStringList& list)
{
    for (const QString& strId : list) {
        bool bOk = false;
        const int nId = strId.toInt(&bOk);
        // Offered once, and only what the list can hold and does not hold yet.
        if (bOk && nId >= 0 && nId <= RItemModelPresetRegion::MaxId && !m_pItemModel->HasId(nId)
            && !m_pSeekItems->Ids().contains(nId))
            m_pSeekItems->AddId(nId);
    }
}

void RFramePresetRegionWidget::OnOkButtonClicked()
{
    m_pSeekItems->hide();
    for (int nId : m_pSeekItems->CheckedIds())
        m_pItemModel->AddRow(nId);
    m_pSeekItems->Clear();
    SendSMessage(SBus::MainWindow, SBus::DevicePickerClosed, 0, 0);
}

void RFramePresetRegionWidget::OnCancelButtonClicked()
{
    m_pSeekItems->hide();
    m_pSeekItems->Clear();
    SendSMessage(SBus::MainWindow, SBus::DevicePickerClosed, 0, 0);
}
