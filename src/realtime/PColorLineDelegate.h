#pragma once

#include <QColor>
#include <QStyledItemDelegate>

#include <functional>

// Paints a region's curve colour as a short line and lets a click choose a
// new colour. Cells whose value is not a colour line get the default
// behaviour.
class PColorLineDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // Asks the user for a colour, starting from the current one; an invalid
    // colour means cancelled.
    using ColourChooser = std::function<QColor(const QColor& current)>;

    explicit PColorLineDelegate(QObject* parent = nullptr);
    ~PColorLineDelegate() override;

    // Replaces the colour dialog (tests answer it without a modal loop).
    void SetColourChooser(ColourChooser chooser) { m_chooser = std::move(chooser); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(
        QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    void ColorLineChangedColor(const QModelIndex& index, const QColor& color);

private:
    Q_DISABLE_COPY(PColorLineDelegate)

    ColourChooser m_chooser;
};
