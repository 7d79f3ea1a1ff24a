#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QCalendarWidget>
#include <QList>

class SClock;

// The pop-up calendar of the date edit: marked dates (days that hold data)
// stand out in yellow on a translucent dark grid.
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

protected:
    void paintCell(QPainter* painter, const QRect& rect, const QDate& date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Q_DISABLE_COPY(RCalendarWidget)

    SClock* m_pClock;
    QList<QDate> m_listMarked;
    RespondButtonClicked m_respond;
};
