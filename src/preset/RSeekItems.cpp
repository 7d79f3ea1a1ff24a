#include "preset/RSeekItems.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

RSeekItems::RSeekItems(QWidget* parent)
    : QDialog(parent)
    , m_pModel(new QStandardItemModel(0, 2, this))
    , m_pView(new QTreeView(this))
{
    setWindowTitle(tr("Search"));
    setModal(false);
    m_pModel->setHorizontalHeaderLabels({tr("Check"), tr("Id")});
    m_pView->setObjectName(QStringLiteral("m_pSeekList"));
    m_pView->setModel(m_pModel);
    m_pView->setRootIsDecorated(false);
    m_pView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* pOk = new QPushButton(tr("Ok"), this);
    pOk->setObjectName(QStringLiteral("m_pButtonOk"));
    auto* pCancel = new QPushButton(tr("Cancel"), this);
    pCancel->setObjectName(QStringLiteral("m_pButtonCancel"));
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(pOk);
    pButtons->addWidget(pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pView);
    pLayout->addLayout(pButtons);
    resize(360, 420);

    connect(pOk, &QPushButton::clicked, this, &RSeekItems::OkButtonClicked);
    connect(pCancel, &QPushButton::clicked, this, &RSeekItems::CancelButtonClicked);
}

RSeekItems::~RSeekItems() = default;

void RSeekItems::AddId(int nId)
{
    auto* pCheck = new QStandardItem;
    pCheck->setCheckable(true);
    pCheck->setCheckState(Qt::Unchecked);
    auto* pId = new QStandardItem(QString::number(nId));
    pId->setData(nId, Qt::UserRole);
    m_pModel->appendRow({pCheck, pId});
}

void RSeekItems::SetChecked(int nRow, bool bChecked)
{
    if (QStandardItem* pItem = m_pModel->item(nRow, 0))
        pItem->setCheckState(bChecked ? Qt::Checked : Qt::Unchecked);
}

QVector<int> RSeekItems::Ids() const
{
    QVector<int> ids;
    for (int nRow = 0; nRow < m_pModel->rowCount(); ++nRow)
        ids.append(m_pModel->item(nRow, 1)->data(Qt::UserRole).toInt());
    return ids;
}

QVector<int> RSeekItems::CheckedIds() const
{
    QVector<int> ids;
    for (int nRow = 0; nRow < m_pModel->rowCount(); ++nRow) {
        if (m_pModel->item(nRow, 0)->checkState() == Qt::Checked)
            ids.append(m_pModel->item(nRow, 1)->data(Qt::UserRole).toInt());
    }
    return ids;
}

void RSeekItems::Clear()
{
    m_pModel->removeRows(0, m_pModel->rowCount());
}

void RSeekItems::reject()
{
    emit CancelButtonClicked();
}
