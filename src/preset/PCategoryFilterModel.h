#pragma once

#include <QSortFilterProxyModel>

// Filters the settings categories case-insensitively: a row stays when its
// name contains the pattern or its page's keywords match it.
class PCategoryFilterModel final : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit PCategoryFilterModel(QObject* pParent = nullptr);
    ~PCategoryFilterModel() override;

protected:
    bool filterAcceptsRow(int nSourceRow, const QModelIndex& sourceParent) const override;

private:
    Q_DISABLE_COPY(PCategoryFilterModel)
};
