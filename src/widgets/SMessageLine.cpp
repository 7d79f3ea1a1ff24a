#include "widgets/SMessageLine.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

SMessageLine::SMessageLine(QWidget* pParent)
    : QLabel(pParent)
    , m_pTimer(new QTimer(this))
{
    m_pTimer->setSingleShot(true);
    m_pTimer->setInterval(kMinMs);
    connect(m_pTimer, &QTimer::timeout, this, &SMessageLine::Expire);
    // Whatever the text, the layout gives the line what is left.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setWordWrap(false);
}

SMessageLine::~SMessageLine()
{
    if (m_bWatching)
        qApp->removeEventFilter(this);
}

void SMessageLine::ShowMessage(const QString& strText)
{
    m_strText = strText;
    m_bExpired = false;
    Elide();
    m_pTimer->start();
}

void SMessageLine::ShowLasting(const QString& strText)
{
    m_strText = strText;
    m_bExpired = false;
    m_pTimer->stop();
    Elide();
}

void SMessageLine::ClearMessage()
{
    m_pTimer->stop();
    m_bExpired = false;
    m_strText.clear();
    Elide();
    if (m_bWatching) {
        qApp->removeEventFilter(this);
        m_bWatching = false;
    }
}

void SMessageLine::Expire()
{
    m_pTimer->stop();
    m_bExpired = true;
    if (!m_bWatching) {
        qApp->installEventFilter(this);
        m_bWatching = true;
    }
}

bool SMessageLine::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (m_bExpired
        && (pEvent->type() == QEvent::KeyPress || pEvent->type() == QEvent::MouseButtonPress)) {
        auto* pWidget = qobject_cast<QWidget*>(pWatched);
        if (pWidget && pWidget->window() == window())
            // After this event's own handling: an action it starts may say
            // something new.
            QTimer::singleShot(0, this, [this]() {
                if (m_bExpired)
                    ClearMessage();
            });
    }
    return QLabel::eventFilter(pWatched, pEvent);
}

void SMessageLine::resizeEvent(QResizeEvent* pEvent)
{
    QLabel::resizeEvent(pEvent);
    Elide();
}

void SMessageLine::Elide()
{
    const QString strShown = fontMetrics().elidedText(m_strText, Qt::ElideRight, qMax(0, width()));
    QLabel::setText(strShown);
    setToolTip(strShown == m_strText ? QString() : m_strText);
}

QSize SMessageLine::sizeHint() const
{
    return QSize(0, QLabel::sizeHint().height());
}

QSize SMessageLine::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}
