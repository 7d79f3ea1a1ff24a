#include "widgets/RPushButton.h"

#include <QMouseEvent>

RPushButton::RPushButton(QWidget* parent, SClock* pClock)
    : QPushButton(parent)
    , m_respond(700, pClock)
{
}

RPushButton::RPushButton(const QString& strText, QWidget* parent, SClock* pClock)
    : QPushButton(strText, parent)
    , m_respond(700, pClock)
{
}

RPushButton::~RPushButton() = default;

void RPushButton::mousePressEvent(QMouseEvent* event)
{
    // A refused press leaves the button up, so the release that follows
    // clicks nothing.
    if (m_respond.CheckInterval())
        QPushButton::mousePressEvent(event);
    else
        event->accept();
}
