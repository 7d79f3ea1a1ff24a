#include "realtime/PColorLineDelegate.h"

#include "realtime/PColorLine.h"
#include "realtime/PColorLineEditor.h"
#include "realtime/RAlarmState.h"
#include "realtime/RRegionDoseModel.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

namespace {

bool isColourCell(const QModelIndex& index)
{
    return index.isValid() && index.data(Qt::DisplayRole).canConvert<PColorLine>();
}

// A state lamp: a cell that shows no text but has a foreground colour (the
// row's on-line or alarm state) carries that colour as a small disc, so the
// state stays visible under the check box and beside the colour line. A ring
// (outline only) is an alarm that cleared before it was acknowledged. On a
// row filled with the alarm colour the lamp gets a wider rim to stand out.
void paintLamp(QPainter* painter, const QModelIndex& index, int nX, const QRect& rect, bool bRing,
    bool bOnFill)
{
    const QVariant colour = index.data(Qt::ForegroundRole);
    if (!colour.canConvert<QColor>())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(nX, rect.center().y() + 0.5);
    if (bRing) {
        painter->setPen(QPen(colour.value<QColor>(), 3));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(centre, 4, 4);
    } else {
        painter->setPen(QPen(QColor(20, 20, 20), bOnFill ? 2 : 1));
        painter->setBrush(colour.value<QColor>());
        painter->drawEllipse(centre, 5, 5);
    }
    painter->restore();
}

// A frame around the whole row, drawn cell by cell, a pixel inside the row so
// that it stays apart from a neighbour filled with the alarm colour: an
// alarm cleared but not acknowledged, or the selection over a filled row.
void paintRowFrame(QPainter* painter, const QModelIndex& index, const QRect& cell,
    const QColor& colour, int nWidth)
{
    const bool bFirst = index.column() == 0;
    const bool bLast = index.column() == index.model()->columnCount(index.parent()) - 1;
    const QRect rect = cell.adjusted(bFirst ? 1 : 0, 1, bLast ? -1 : 0, -1);
    painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), nWidth), colour);
    painter->fillRect(QRect(rect.left(), rect.bottom() - nWidth + 1, rect.width(), nWidth), colour);
    if (bFirst)
        painter->fillRect(QRect(rect.left(), rect.top(), nWidth, rect.height()), colour);
    if (bLast)
        painter->fillRect(
            QRect(rect.right() - nWidth + 1, rect.top(), nWidth, rect.height()), colour);
}

} // namespace

PColorLineDelegate::PColorLineDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_chooser(
          [](const QColor& current) { return QColorDialog::getColor(current, nullptr, QString()); })
{
    PColorLine::Register();
}

PColorLineDelegate::~PColorLineDelegate() = default;

void PColorLineDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int nLook = index.data(RRegionDoseModel::AlarmLookRole).toInt();
    const QVariant fill = index.data(Qt::BackgroundRole);
    const bool bFilled = fill.canConvert<QColor>();
    const bool bSelected = option.state & QStyle::State_Selected;
    QStyleOptionViewItem opt(option);
    if (bFilled) {
        // Selection never hides an alarm: the row keeps the alarm colour and
        // the selection is marked over it.
        painter->fillRect(option.rect, fill.value<QColor>());
        // Out of service: hatched, unlike any alarm or normal row.
        if (nLook == RAlarmState::Shelved)
            painter->fillRect(option.rect, QBrush(QColor(90, 90, 90), Qt::BDiagPattern));
        else if (nLook == RAlarmState::OutOfService)
            painter->fillRect(option.rect, QBrush(QColor(40, 60, 100), Qt::FDiagPattern));
        opt.state &= ~QStyle::State_Selected;
    }
    if (!isColourCell(index)) {
        QStyledItemDelegate::paint(painter, opt, index);
        if (index.isValid() && !index.data(Qt::DisplayRole).isValid())
            paintLamp(painter, index, option.rect.x() + 10, option.rect, false, bFilled);
    } else {
        const QPalette::ColorGroup group = option.state & QStyle::State_Enabled
            ? (option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive)
            : QPalette::Disabled;
        PColorLineEditor::PaintLine(painter, option.rect, index.data().value<PColorLine>(),
            option.palette.brush(group, QPalette::Highlight));
        paintLamp(painter, index, option.rect.x() + 38, option.rect,
            nLook == RAlarmState::ClearedUnacknowledged, bFilled);
    }
    if (bFilled && bSelected)
        paintRowFrame(painter, index, option.rect, RRegionDoseModel::SelectionMark(), 3);
    if (nLook == RAlarmState::ClearedUnacknowledged)
        paintRowFrame(painter, index, option.rect, RAlarmState::AlarmColour(), 2);
}

QSize PColorLineDelegate::sizeHint(
    const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isColourCell(index))
        return QStyledItemDelegate::sizeHint(option, index);
    return QSize(5, 5);
}

bool PColorLineDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
    const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!isColourCell(index))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (event->type() != QEvent::MouseButtonPress)
        return true;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    const QColor current = index.data().value<PColorLine>().Color();
    // The index may not survive the dialog's event loop (a reload can reset
    // the model meanwhile), so keep a persistent one.
    const QPersistentModelIndex cell(index);
    const QColor chosen = m_chooser(current);
    if (!chosen.isValid() || !cell.isValid())
        return false;
    model->setData(cell, QVariant::fromValue(PColorLine(chosen)), Qt::EditRole);
    emit ColorLineChangedColor(cell, chosen);
    return false;
}

QWidget* PColorLineDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isColourCell(index))
        return QStyledItemDelegate::createEditor(parent, option, index);
    return new PColorLineEditor(parent);
}

void PColorLineDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* pEditor = qobject_cast<PColorLineEditor*>(editor);
    if (!isColourCell(index) || !pEditor) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    pEditor->SetColorLine(index.data().value<PColorLine>());
}

void PColorLineDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* pEditor = qobject_cast<PColorLineEditor*>(editor);
    if (!isColourCell(index) || !pEditor) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    model->setData(index, QVariant::fromValue(pEditor->ColorLine()), Qt::EditRole);
}
