#include "history/PChartAxes.h"

#include <QPainter>

void PChartAxes::Draw(QPainter& painter, int nWidth, int nHeight)
{
    const QColor axisColour(139, 133, 128);
    painter.setPen(QPen(axisColour, 2, Qt::SolidLine));
    painter.setBrush(axisColour);
    painter.drawLine(0, 0, nWidth, 0);
    painter.drawLine(0, 0, 0, -nHeight);
    const QPoint up[3] = {{-2, 2 - nHeight}, {0, -nHeight}, {2, 2 - nHeight}};
    const QPoint right[3] = {{nWidth - 2, 2}, {nWidth, 0}, {nWidth - 2, -2}};
    painter.drawPolygon(up, 3);
    painter.drawPolygon(right, 3);
}
