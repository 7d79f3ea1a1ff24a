#include "preset/PCategoryFilterModel.h"

#include "preset/PCategoryModel.h"
#include "preset/POptionPage.h"

PCategoryFilterModel::PCategoryFilterModel(QObject* pParent)
    : QSortFilterProxyModel(pParent)
{
    setFilterCaseSensitivity(Qt::CaseInsensitive);
}

PCategoryFilterModel::~PCategoryFilterModel() = default;

bool PCategoryFilterModel::filterAcceptsRow(int nSourceRow, const QModelIndex& sourceParent) const
{
    if (QSortFilterProxyModel::filterAcceptsRow(nSourceRow, sourceParent))
        return true;
    const auto* pModel = qobject_cast<const PCategoryModel*>(sourceModel());
    if (!pModel || nSourceRow < 0 || nSourceRow >= pModel->Categories().size())
        return false;
    const POptionPage* pPage = pModel->Categories().at(nSourceRow).pPage;
    if (!pPage)
        return false;
    const QString strPattern = filterRegExp().pattern();
    return pPage->GetName().contains(strPattern, Qt::CaseInsensitive) || pPage->IsMatch(strPattern);
}
