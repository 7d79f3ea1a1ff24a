#include "widgets/PEditDelegate.h"

#include <QLineEdit>

PEditDelegate::PEditDelegate(bool bReadOnly, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_bReadOnly(bReadOnly)
{
}

PEditDelegate::~PEditDelegate() = default;

QWidget* PEditDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    QLineEdit* pEdit = new QLineEdit(parent);
    pEdit->setReadOnly(m_bReadOnly);
    return pEdit;
}

void PEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
}

void PEditDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    // Writing back an untouched text would still turn a number cell into a
    // string cell.
    if (m_bReadOnly)
        return;
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void PEditDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
