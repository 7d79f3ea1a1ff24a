#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QCalendarWidget>
#include <QList>

class SClock;

// The pop-up calendar of the date edit: marked dates (days that hold data)
// stand out in yellow on a translucent dark grid; days of the months before
// and after are dimmed. A range, when set, shows as selected instead of the
// selected date alone.
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

protected:
    void paintCell(QPainter* painter, const QRect& rect, const QDate& date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Q_DISABLE_COPY(RCalendarWidget)

    SClock* m_pClock;
    QList<QDate> m_listMarked;
    QDate m_rangeFirst;
    QDate m_rangeLast;
    RespondButtonClicked m_respond;
};
