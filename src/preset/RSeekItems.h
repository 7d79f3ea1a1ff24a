#pragma once

#include <QDialog>
#include <QVector>

class QStandardItemModel;
class QTreeView;

// The picker of item ids offered by the network server: one checkable row
// per id, "Ok" and "Cancel". Not modal: the ids arrive while it is open.
class RSeekItems final : public QDialog
{
    Q_OBJECT
public:
    explicit RSeekItems(QWidget* parent = nullptr);
    ~RSeekItems() override;

    void AddId(int nId);
    void SetChecked(int nRow, bool bChecked);
    QVector<int> Ids() const;
    QVector<int> CheckedIds() const;
    void Clear();

signals:
    void OkButtonClicked();
    void CancelButtonClicked();

protected:
    // Closing the window counts as "Cancel".
    void reject() override;

private:
    Q_DISABLE_COPY(RSeekItems)

    QStandardItemModel* m_pModel;
    QTreeView* m_pView;
};
