#include "widgets/RLabel.h"

RLabel::RLabel(QWidget* parent)
    : QLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

RLabel::~RLabel() = default;

void RLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    emit LabelClicked();
}
