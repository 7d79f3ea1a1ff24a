#pragma once

#include "realtime/PColorLine.h"

#include <QWidget>

// Editor widget of a colour cell: shows the cell's colour line.
class PColorLineEditor final : public QWidget
{
    Q_OBJECT
public:
    explicit PColorLineEditor(QWidget* parent = nullptr);
    ~PColorLineEditor() override;

    void SetColorLine(const PColorLine& line);
    PColorLine ColorLine() const { return m_line; }

    // Paints line as a 5-pixel-thick stroke, vertically centred in rect.
    static void PaintLine(
        QPainter* pPainter, const QRect& rect, const PColorLine& line, const QBrush& brush);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Q_DISABLE_COPY(PColorLineEditor)

    PColorLine m_line;
};
