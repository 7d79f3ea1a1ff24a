#pragma once

#include <QStyledItemDelegate>

// Whole-number cells edited in a spin box limited to [min, max].
class PSpinBoxDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    PSpinBoxDelegate(int nMinimum, int nMaximum, QObject* parent = nullptr);
    ~PSpinBoxDelegate() override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(
        QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;

private:
    Q_DISABLE_COPY(PSpinBoxDelegate)

    int m_nMinimum;
    int m_nMaximum;
};
