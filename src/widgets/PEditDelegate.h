#pragma once

#include <QStyledItemDelegate>

// Text cells edited in a plain line edit; a read-only delegate lets the
// operator mark and copy the text but never writes it back.
class PEditDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit PEditDelegate(bool bReadOnly, QObject* parent = nullptr);
    ~PEditDelegate() override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(
        QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;

private:
    Q_DISABLE_COPY(PEditDelegate)

    bool m_bReadOnly;
};
