#include "widgets/RDateEdit.h"

#include "widgets/RCalendarWidget.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>

RDateEdit::RDateEdit(QWidget* parent)
    : QDateEdit(parent)
    , m_pCalendar(new RCalendarWidget(this))
    , m_pTextField(findChild<QLineEdit*>(QStringLiteral("qt_spinbox_lineedit")))
{
    if (m_pTextField)
        m_pTextField->installEventFilter(this);
    m_pCalendar->setWindowFlags(Qt::Popup);
    m_pCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_pCalendar->hide();
    connect(m_pCalendar, &QCalendarWidget::clicked, this, &RDateEdit::OnClicked);
}

RDateEdit::~RDateEdit() = default;

QPoint RDateEdit::PopupPosition(const QRect& editRect, const QSize& popupSize, const QRect& screen)
{
    QPoint pos(editRect.left(), editRect.top() + editRect.height());
    if (pos.y() + popupSize.height() > screen.top() + screen.height())
        pos.setY(editRect.top() - popupSize.height());
    if (pos.x() + popupSize.width() > screen.left() + screen.width())
        pos.setX(screen.left() + screen.width() - popupSize.width());
    // On a desk of several monitors the left and top screen edges are not at
    // zero; keep the pop-up from crossing them too.
    pos.setX(qMax(pos.x(), screen.left()));
    pos.setY(qMax(pos.y(), screen.top()));
    return pos;
}

void RDateEdit::OnClicked(const QDate& date)
{
    emit dateChanged(date);
    setDate(date);
    m_pCalendar->hide();
}

bool RDateEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pTextField && event->type() == QEvent::MouseButtonPress) {
        if (m_bTextPressed) {
            ShowCalendar();
            m_bTextPressed = false;
        } else {
            m_bTextPressed = true;
        }
        return true;
    }
    return QDateEdit::eventFilter(watched, event);
}

void RDateEdit::mousePressEvent(QMouseEvent* event)
{
    if (m_bEditPressed) {
        m_bEditPressed = false;
        QDateEdit::mousePressEvent(event);
    } else {
        m_bEditPressed = true;
        event->accept();
    }
}

void RDateEdit::ShowCalendar()
{
    QRect screen = m_screenArea;
    if (screen.isEmpty()) {
        const QScreen* pScreen = this->screen();
        screen = pScreen ? pScreen->availableGeometry() : QRect(0, 0, 1920, 1017);
    }
    const QRect editRect(mapToGlobal(QPoint(0, 0)), size());
    m_pCalendar->adjustSize();
    m_pCalendar->move(PopupPosition(editRect, m_pCalendar->size(), screen));
    m_pCalendar->show();
    // The window frame is only known once the pop-up is shown; place it again
    // so the frame too stays on the screen.
    m_pCalendar->move(PopupPosition(editRect, m_pCalendar->frameGeometry().size(), screen));
}
