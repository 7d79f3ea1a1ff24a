#include "widgets/PSpinBoxDelegate.h"

#include <QSpinBox>

PSpinBoxDelegate::PSpinBoxDelegate(int nMinimum, int nMaximum, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_nMinimum(nMinimum)
    , m_nMaximum(nMaximum)
{
}

PSpinBoxDelegate::~PSpinBoxDelegate() = default;

QWidget* PSpinBoxDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    QSpinBox* pSpin = new QSpinBox(parent);
    pSpin->setFrame(false);
    pSpin->setRange(m_nMinimum, m_nMaximum);
    return pSpin;
}

void PSpinBoxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<QSpinBox*>(editor)->setValue(index.data(Qt::EditRole).toInt());
}

void PSpinBoxDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    QSpinBox* pSpin = static_cast<QSpinBox*>(editor);
    // Text typed but not yet confirmed with Enter still counts.
    pSpin->interpretText();
    model->setData(index, pSpin->value(), Qt::EditRole);
}

void PSpinBoxDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
