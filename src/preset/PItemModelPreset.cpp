#include "preset/PItemModelPreset.h"

#include <QStandardItemModel>

PItemModelPreset::PItemModelPreset(int nPresetId, int nOtherPresetId, QObject* pParent)
    : QObject(pParent)
    , m_pModel(new QStandardItemModel(this))
    , m_nPresetId(nPresetId)
    , m_nOtherPresetId(nOtherPresetId)
{
    const auto modified = [this]() { m_bModified = true; };
    connect(m_pModel, &QStandardItemModel::itemChanged, this, modified);
    connect(m_pModel, &QStandardItemModel::rowsInserted, this, modified);
    connect(m_pModel, &QStandardItemModel::rowsRemoved, this, modified);
}

PItemModelPreset::~PItemModelPreset() = default;

void PItemModelPreset::ResetRows()
{
    m_pModel->clear();
    m_pModel->setColumnCount(ColumnCount());
    m_pModel->setHorizontalHeaderLabels(ColumnTitles());
}
