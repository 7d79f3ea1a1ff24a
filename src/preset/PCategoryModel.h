#pragma once

#include <QAbstractListModel>
#include <QVector>

class POptionPage;
class QWidget;

// The settings window's categories: one row per category of the registered
// option pages, in registration order, showing the category's name.
class PCategoryModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Category
    {
        int nCategory = 0;
        QString strName;
        POptionPage* pPage = nullptr;
        int nStackIndex = -1;
        QWidget* pWidget = nullptr;
    };

    explicit PCategoryModel(QObject* pParent = nullptr);
    ~PCategoryModel() override;

    // Rebuilds the rows from the registered pages; a later page of the same
    // category replaces the earlier one under the first one's name.
    void SetPages(const QList<POptionPage*>& pages);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;

    const QVector<Category>& Categories() const { return m_categories; }
    Category& At(int nRow) { return m_categories[nRow]; }

private:
    Q_DISABLE_COPY(PCategoryModel)

    QVector<Category> m_categories;
};
