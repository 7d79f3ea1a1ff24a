#include "realtime/PColorLineEditor.h"

#include <QPainter>

PColorLineEditor::PColorLineEditor(QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
}

PColorLineEditor::~PColorLineEditor() = default;

void PColorLineEditor::SetColorLine(const PColorLine& line)
{
    m_line = line;
    update();
}

void PColorLineEditor::PaintLine(
    QPainter* pPainter, const QRect& rect, const PColorLine& line, const QBrush& brush)
{
    pPainter->save();
    pPainter->setRenderHint(QPainter::Antialiasing, true);
    pPainter->setPen(QPen(line.Color(), 1));
    pPainter->setBrush(brush);
    pPainter->translate(rect.x(), rect.y() + (rect.height() - 5) / 2);
    pPainter->scale(5, 5);
    pPainter->drawLine(line.Line());
    pPainter->restore();
}

void PColorLineEditor::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintLine(&painter, rect(), m_line, palette().highlight());
}
