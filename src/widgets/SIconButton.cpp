#include "widgets/SIconButton.h"

#include <QPainter>
#include <QPropertyAnimation>

SIconButton::SIconButton(QWidget* parent)
    : QAbstractButton(parent)
    , m_pFade(new QPropertyAnimation(this, "iconOpacity", this))
{
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    m_pFade->setDuration(160);
}

SIconButton::~SIconButton() = default;

void SIconButton::setIconOpacity(float fValue)
{
    m_fIconOpacity = qBound(0.0f, fValue, 1.0f);
    update();
}

void SIconButton::setPixmap(const QPixmap& pixmap)
{
    m_pixmap = pixmap;
    updateGeometry();
    update();
}

void SIconButton::animateShow(bool bVisible)
{
    m_pFade->stop();
    m_pFade->setStartValue(m_fIconOpacity);
    m_pFade->setEndValue(bVisible ? 1.0f : 0.0f);
    m_pFade->start();
}

QSize SIconButton::sizeHint() const
{
    const qreal dRatio = m_pixmap.devicePixelRatio();
    return QSize(qRound(m_pixmap.width() / dRatio) + 4, qRound(m_pixmap.height() / dRatio) + 4);
}

void SIconButton::paintEvent(QPaintEvent*)
{
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    const QSize size = m_pixmap.size() / m_pixmap.devicePixelRatio();
    QRect target(QPoint(), size);
    target.moveCenter(rect().center());
    painter.setOpacity(m_fIconOpacity);
    painter.drawPixmap(target, m_pixmap);
}
