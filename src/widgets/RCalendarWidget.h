#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QCalendarWidget>
#include <QList>

class SClock;

// The pop-up calendar of the date edit: marked dates (days that hold data)
// stand out in yellow on a translucent dark grid; days of the months before
// and after are dimmed. A range, when set, shows as selected instead of the
// selected date alone. The heading follows the locale's order: "2026年12月"
// in Chinese, where the toolkit writes month before year.
class RCalendarWidget final : public QCalendarWidget
{
    Q_OBJECT
public:
    // pClock decides "today" and times the year button's debouncer; null means
    // the system clock.
    explicit RCalendarWidget(QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RCalendarWidget() override;

    QList<QDate> MarkedDates() const { return m_listMarked; }
    void SetMarkedDates(const QList<QDate>& listDates);
    // Days first..last show as selected; invalid dates: the selected date.
    void SetRange(const QDate& first, const QDate& last);
    bool IsShownSelected(const QDate& date) const;
    // The heading as shown, left to right; Chinese shows no space.
    QString HeadingText() const;

protected:
    void paintCell(QPainter* painter, const QRect& rect, const QDate& date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    Q_DISABLE_COPY(RCalendarWidget)

    // Puts the year before the month, with their units, where the locale
    // writes dates that way; the toolkit resets both texts at each turn.
    void ApplyHeading();

    SClock* m_pClock;
    QList<QDate> m_listMarked;
    QDate m_rangeFirst;
    QDate m_rangeLast;
    RespondButtonClicked m_respond;
};
