#include "widgets/RCalendarWidget.h"

#include "message/SClock.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPainter>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

namespace {

// Chinese writes year, then month, each with its unit: 2026年12月.
bool yearFirst(const QLocale& locale)
{
    return locale.language() == QLocale::Chinese;
}

} // namespace

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
    // The month menu's arrow reads as a comma between month and year.
    setStyleSheet(QStringLiteral(
        "QToolButton#qt_calendar_monthbutton::menu-indicator { image: none; width: 0px; }"));
    connect(this, &QCalendarWidget::currentPageChanged, this, &RCalendarWidget::ApplyHeading);
    // The year editor writes its own text back when closed, after any signal.
    if (auto* pYearEdit = findChild<QSpinBox*>(QStringLiteral("qt_calendar_yearedit")))
        connect(pYearEdit, &QSpinBox::editingFinished, this, &RCalendarWidget::ApplyHeading,
            Qt::QueuedConnection);
    ApplyHeading();
}

void RCalendarWidget::ApplyHeading()
{
    auto* pMonth = findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    auto* pYear = findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
    auto* pBar = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    auto* pLayout = pBar ? qobject_cast<QBoxLayout*>(pBar->layout()) : nullptr;
    if (!pMonth || !pYear || !pLayout)
        return;
    const bool bYearFirst = yearFirst(locale());
    const int nMonth = pLayout->indexOf(pMonth);
    const int nYear = pLayout->indexOf(pYear);
    auto* pYearEdit = findChild<QSpinBox*>(QStringLiteral("qt_calendar_yearedit"));
    if (nMonth >= 0 && nYear >= 0 && bYearFirst != (nYear < nMonth)) {
        pLayout->removeWidget(pYear);
        const int nAt = pLayout->indexOf(pMonth);
        pLayout->insertWidget(bYearFirst ? nAt : nAt + 1, pYear);
        // The year's editor opens where the year stands.
        if (pYearEdit && pLayout->indexOf(pYearEdit) >= 0) {
            pLayout->removeWidget(pYearEdit);
            pLayout->insertWidget(pLayout->indexOf(pYear) + 1, pYearEdit);
        }
    }
    if (bYearFirst) {
        pYear->setText(QString::number(yearShown()) + QStringLiteral("年"));
        pMonth->setText(QString::number(monthShown()) + QStringLiteral("月"));
    }
    // The toolkit pads each button by a space on both sides (and the month's
    // by its menu arrow too), which split "2026年 12月" in two: each button
    // is as wide as its text, so the two read as one ("December 2026" keeps
    // a space between them).
    for (QToolButton* pButton : {pYear, pMonth}) {
        const QFontMetrics metrics = pButton->fontMetrics();
        const int nSpace = bYearFirst ? 0 : metrics.horizontalAdvance(QLatin1Char(' '));
        pButton->setFixedWidth(metrics.horizontalAdvance(pButton->text()) + nSpace);
    }
}

QString RCalendarWidget::HeadingText() const
{
    QToolButton* pFirst = findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    QToolButton* pSecond = findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
    auto* pBar = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    if (!pFirst || !pSecond || !pBar || !pBar->layout())
        return QString();
    if (pBar->layout()->indexOf(pSecond) < pBar->layout()->indexOf(pFirst))
        std::swap(pFirst, pSecond);
    if (yearFirst(locale()))
        return pFirst->text() + pSecond->text();
    return pFirst->text() + QLatin1Char(' ') + pSecond->text();
}

void RCalendarWidget::showEvent(QShowEvent* event)
{
    QCalendarWidget::showEvent(event);
    // A pop-up's calendar takes its window's font only once it is shown.
    ApplyHeading();
}

void RCalendarWidget::changeEvent(QEvent* event)
{
    QCalendarWidget::changeEvent(event);
    // The toolkit has written its texts for the new locale by now; a new
    // font or style changes the texts' widths.
    const QEvent::Type type = event->type();
    if (type == QEvent::LocaleChange || type == QEvent::FontChange || type == QEvent::StyleChange)
        ApplyHeading();
}

RCalendarWidget::~RCalendarWidget() = default;

void RCalendarWidget::SetMarkedDates(const QList<QDate>& listDates)
{
    m_listMarked = listDates;
    updateCells();
}

void RCalendarWidget::SetRange(const QDate& first, const QDate& last)
{
    m_rangeFirst = first;
    m_rangeLast = last;
    updateCells();
}

bool RCalendarWidget::IsShownSelected(const QDate& date) const
{
    if (m_rangeFirst.isValid() && m_rangeLast.isValid())
        return date >= m_rangeFirst && date <= m_rangeLast;
    return date == selectedDate();
}

void RCalendarWidget::paintCell(QPainter* painter, const QRect& rect, const QDate& date) const
{
    const bool bSelected = IsShownSelected(date);
    const bool bOtherMonth = date.month() != monthShown() || date.year() != yearShown();
    const bool bMarked = m_listMarked.contains(date);
    QColor fill;
    QColor text = Qt::white;
    if (bSelected) {
        fill = Qt::darkBlue;
    } else if (date == m_pClock->Now().date()) {
        fill = Qt::darkGreen;
    } else if (bMarked) {
        fill = QColor(255, 255, 127, 200);
        text = Qt::black;
    } else if (bOtherMonth) {
        fill = QColor(20, 22, 30, 60);
        text = QColor(150, 150, 160);
    } else {
        fill = QColor(64, 70, 92, 100);
    }

    painter->save();
    painter->fillRect(rect, fill);
    if (!bOtherMonth || bSelected) {
        painter->setPen(bSelected ? Qt::darkBlue : Qt::darkGreen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    // The mark stays visible on a selected day or today, whose fill hides the yellow.
    if (bMarked && (bSelected || fill == Qt::darkGreen)) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(255, 230, 60));
        const int nR = qMax(2, rect.height() / 10);
        painter->drawEllipse(QPoint(rect.center().x(), rect.bottom() - nR - 2), nR, nR);
    }
    QFont font = painter->font();
    font.setItalic(bOtherMonth);
    painter->setFont(font);
    painter->setPen(text);
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
