#pragma once

#include "widgets/RespondButtonClicked.h"

#include <QDate>
#include <QDialog>

class QDateEdit;
class QLabel;
class QStackedWidget;
class QToolButton;
class RDateEdit;
class RDoseRatioDiagram;
class RStaffDoseDiagram;
class SClock;

// The history charts of one item: a month page (the days of a month) and a
// day page (the hours of a day and the dose-rate curve), a shared date in
// two linked date edits, and month and day steps. Embedded in the history
// page.
class RDialogStaffHistoryDose final : public QDialog
{
    Q_OBJECT
public:
    // pClock decides "today" and paces the step buttons (system clock when
    // null). Not owned.
    explicit RDialogStaffHistoryDose(QWidget* parent = nullptr, SClock* pClock = nullptr);
    ~RDialogStaffHistoryDose() override;

    QDate CurrentDate() const { return m_date; }
    int CurrentIndex() const;

    // 1 for regions, 0 for staff.
    void SetChartMode(int nMode);
    void LoadMonth(int nId, int nDays, const QDate& date);
    void LoadDayChart(int nId, int nLength, const QDate& date);
    void LoadDoseRateDay(const QDate& date, int nId, bool bPersonal, int nLength);
    void ShowDailyChart();
    void HideDailyChart();
    // Marks the days that hold data in the day edit's calendar.
    void SetMarkedDates(const QList<QDate>& dates);
    // Reads the chart colours from the curve-colour preset.
    void LoadColours();

    RStaffDoseDiagram* MonthChart() const { return m_pMonthChart; }
    RStaffDoseDiagram* DayChart() const { return m_pDayChart; }
    RDoseRatioDiagram* DoseRateChart() const { return m_pDoseRateChart; }
    RDateEdit* DayEdit() const { return m_pDateEditDay; }
    QDateEdit* MonthEdit() const { return m_pDateEditMonth; }

signals:
    void MonthChange(QDate date);
    void DayChange(QDate date);
    void ClearData(QDate date);
    // The day edit's calendar now shows another month.
    void CalendarPageChanged(int nYear, int nMonth);

public slots:
    void SetCurrentIndex(int i);
    void ShowNextMonth();
    void ShowPrevMonth();
    void ShowClearData();
    void OnDayDateChanged(QDate date);
    void ShowNextDay();
    void ShowPrevDay();
    void SetCurrentStaffID(int id);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    // A new month may have begun while the page was hidden.
    void showEvent(QShowEvent* pEvent) override;

private:
    Q_DISABLE_COPY(RDialogStaffHistoryDose)

    QWidget* BuildMonthPage();
    QWidget* BuildDayPage();
    void FitDayCharts();

    // "Next month" ends at the month of today: no data lies beyond.
    void UpdateNextMonth();

    SClock* m_pClock;
    QStackedWidget* m_pStackedWidget;
    QLabel* m_pLabelStaffIdMonth = nullptr;
    QLabel* m_pLabelStaffIdDay = nullptr;
    QToolButton* m_pButtonPrevMonth = nullptr;
    QToolButton* m_pButtonNextMonth = nullptr;
    QToolButton* m_pButtonPrevDay = nullptr;
    QToolButton* m_pButtonNextDay = nullptr;
    QToolButton* m_pToolButton = nullptr;
    QDateEdit* m_pDateEditMonth = nullptr;
    RDateEdit* m_pDateEditDay = nullptr;
    RStaffDoseDiagram* m_pMonthChart = nullptr;
    RStaffDoseDiagram* m_pDayChart = nullptr;
    RDoseRatioDiagram* m_pDoseRateChart = nullptr;
    QDate m_date;
    RespondButtonClicked m_respond;
};
