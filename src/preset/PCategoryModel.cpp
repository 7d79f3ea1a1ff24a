#include "preset/PCategoryModel.h"

#include "preset/POptionPage.h"

PCategoryModel::PCategoryModel(QObject* pParent)
    : QAbstractListModel(pParent)
{
}

PCategoryModel::~PCategoryModel() = default;

void PCategoryModel::SetPages(const QList<POptionPage*>& pages)
{
    beginResetModel();
    m_categories.clear();
    for (POptionPage* pPage : pages) {
        const int nCategory = pPage->GetCategory();
        auto it = std::find_if(m_categories.begin(), m_categories.end(),
            [nCategory](const Category& entry) { return entry.nCategory == nCategory; });
        if (it == m_categories.end()) {
            m_categories.append(Category());
            it = m_categories.end() - 1;
            it->nCategory = nCategory;
        }
        if (it->strName.isEmpty())
            it->strName = pPage->GetName();
        it->pPage = pPage;
    }
    endResetModel();
}

int PCategoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_categories.size();
}

QVariant PCategoryModel::data(const QModelIndex& index, int nRole) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || nRole != Qt::DisplayRole)
        return QVariant();
    return m_categories.at(index.row()).strName;
}
