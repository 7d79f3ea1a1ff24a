#include "realtime/PStaleOverlay.h"

#include <QPainter>

void PStaleOverlay::Paint(QPainter& painter, const QRect& area, const QString& strNote)
{
    painter.save();
    painter.resetTransform();
    painter.fillRect(area, QColor(96, 96, 96, 210));
    painter.setPen(QColor(235, 235, 235));
    painter.drawText(area.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, strNote);
    painter.restore();
}
