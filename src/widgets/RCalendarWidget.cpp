#include "widgets/RCalendarWidget.h"

#include "message/SClock.h"

#include <QEvent>
#include <QPainter>
#include <QToolButton>

RCalendarWidget::RCalendarWidget(QWidget* parent, SClock* pClock)
    : QCalendarWidget(parent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_respond(400, m_pClock)
{
    setAttribute(Qt::WA_TranslucentBackground);
    // A quick double click on the year opens and at once leaves the toolkit's
    // year editor; let one press in 400 ms through.
    if (QToolButton* pYear = findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton")))
        pYear->installEventFilter(this);
}

RCalendarWidget::~RCalendarWidget() = default;

void RCalendarWidget::SetMarkedDates(const QList<QDate>& listDates)
{
    m_listMarked = listDates;
    updateCells();
}

void RCalendarWidget::paintCell(QPainter* painter, const QRect& rect, const QDate& date) const
{
    const bool bSelected = date == selectedDate();
    QColor fill;
    if (bSelected)
        fill = Qt::darkBlue;
    else if (date == m_pClock->Now().date())
        fill = Qt::darkGreen;
    else if (m_listMarked.contains(date))
        fill = QColor(255, 255, 127, 200);
    else
        fill = QColor(64, 70, 92, 100);

    painter->save();
    painter->fillRect(rect, fill);
    painter->setPen(bSelected ? Qt::darkBlue : Qt::darkGreen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(1, 1, -2, -2));
    painter->setPen(Qt::white);
    painter->drawText(rect, Qt::AlignCenter, QString::number(date.day()));
    painter->restore();
}

bool RCalendarWidget::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        && !m_respond.CheckInterval())
        return true;
    return QCalendarWidget::eventFilter(watched, event);
}
