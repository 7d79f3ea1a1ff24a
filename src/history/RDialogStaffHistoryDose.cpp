#include "history/RDialogStaffHistoryDose.h"

#include "history/RDoseRatioDiagram.h"
#include "history/RStaffDoseDiagram.h"
#include "message/SClock.h"
#include "widgets/RCalendarWidget.h"
#include "widgets/RDateEdit.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* stepButton(const char* pName, const QString& strText, QWidget* parent)
{
    auto* pButton = new QToolButton(parent);
    pButton->setObjectName(QLatin1String(pName));
    pButton->setText(strText);
    pButton->setMinimumSize(110, 34);
    return pButton;
}

// The charts fill the page whatever the window size (they scale their plot
// to their own size).
void letGrow(QWidget* pChart)
{
    pChart->setMinimumSize(400, 200);
    pChart->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    pChart->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QLabel* idLabel(const char* pName, QWidget* parent)
{
    auto* pLabel = new QLabel(QStringLiteral("1234"), parent);
    pLabel->setObjectName(QLatin1String(pName));
    pLabel->setMinimumWidth(60);
    return pLabel;
}

} // namespace

RDialogStaffHistoryDose::RDialogStaffHistoryDose(QWidget* parent, SClock* pClock)
    : QDialog(parent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pStackedWidget(new QStackedWidget(this))
    , m_date(m_pClock->Now().date())
    , m_respond(300, pClock)
{
    // A page of the history form, not a window of its own.
    setWindowFlags(Qt::Widget);
    // The charts draw white labels and lines: the theme gives the page and
    // its stack (by these object names) a dark ground.
    setObjectName(QStringLiteral("RDialogStaffHistoryDose"));
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(tr("Employee dose equivalent distribution history"));
    m_pStackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    m_pStackedWidget->addWidget(BuildMonthPage());
    m_pStackedWidget->addWidget(BuildDayPage());
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_pStackedWidget);

    m_pDateEditMonth->setDate(m_date);
    m_pDateEditDay->setDate(m_date);
    m_pMonthChart->SetDay(m_date);
    UpdateNextMonth();

    connect(
        m_pButtonPrevMonth, &QToolButton::clicked, this, &RDialogStaffHistoryDose::ShowPrevMonth);
    connect(
        m_pButtonNextMonth, &QToolButton::clicked, this, &RDialogStaffHistoryDose::ShowNextMonth);
    connect(m_pToolButton, &QToolButton::clicked, this, &RDialogStaffHistoryDose::ShowClearData);
    connect(m_pButtonPrevDay, &QToolButton::clicked, this, &RDialogStaffHistoryDose::ShowPrevDay);
    connect(m_pButtonNextDay, &QToolButton::clicked, this, &RDialogStaffHistoryDose::ShowNextDay);
    connect(m_pDateEditMonth, &QDateEdit::dateChanged, this, &RDialogStaffHistoryDose::MonthChange);
    connect(m_pDateEditMonth, &QDateEdit::dateChanged, this,
        &RDialogStaffHistoryDose::OnDayDateChanged);
    connect(m_pDateEditDay, &QDateEdit::dateChanged, this, &RDialogStaffHistoryDose::DayChange);
    connect(
        m_pDateEditDay, &QDateEdit::dateChanged, this, &RDialogStaffHistoryDose::OnDayDateChanged);
    connect(m_pDateEditDay->Calendar(), &QCalendarWidget::currentPageChanged, this,
        &RDialogStaffHistoryDose::CalendarPageChanged);
}

RDialogStaffHistoryDose::~RDialogStaffHistoryDose() = default;

QWidget* RDialogStaffHistoryDose::BuildMonthPage()
{
    auto* pPage = new QWidget(m_pStackedWidget);
    auto* pBar = new QHBoxLayout;
    m_pLabelStaffIdMonth = idLabel("label_StaffIDMonth", pPage);
    m_pButtonPrevMonth = stepButton("toolButton_PrevMonth", tr("Last month"), pPage);
    m_pButtonNextMonth = stepButton("toolButton_NextMonth", tr("Next month"), pPage);
    m_pDateEditMonth = new QDateEdit(pPage);
    m_pDateEditMonth->setObjectName(QStringLiteral("dateEdit_Month"));
    m_pDateEditMonth->setDisplayFormat(QStringLiteral("yyyy-MM"));
    m_pDateEditMonth->setCalendarPopup(false);
    pBar->addWidget(new QLabel(tr("Current ID:"), pPage));
    pBar->addWidget(m_pLabelStaffIdMonth);
    pBar->addStretch(1);
    pBar->addWidget(m_pButtonPrevMonth);
    pBar->addWidget(m_pButtonNextMonth);
    pBar->addWidget(new QLabel(tr("Date:"), pPage));
    pBar->addWidget(m_pDateEditMonth);

    m_pMonthChart = new RStaffDoseDiagram(pPage);
    m_pMonthChart->setObjectName(QStringLiteral("monthChart"));
    m_pMonthChart->SetPersonal(false);
    letGrow(m_pMonthChart);
    auto* pColumn = new QVBoxLayout(pPage);
    pColumn->addLayout(pBar);
    pColumn->addWidget(m_pMonthChart, 1);
    return pPage;
}

QWidget* RDialogStaffHistoryDose::BuildDayPage()
{
    auto* pPage = new QWidget(m_pStackedWidget);
    auto* pBar = new QHBoxLayout;
    m_pLabelStaffIdDay = idLabel("label_StaffIDDay", pPage);
    m_pButtonPrevDay = stepButton("toolButton_PrevDay", tr("Previous Day"), pPage);
    m_pButtonNextDay = stepButton("toolButton_NextDay", tr("Next Day"), pPage);
    m_pToolButton = stepButton("m_pToolButton", tr("Calibration"), pPage);
    m_pDateEditDay = new RDateEdit(pPage);
    m_pDateEditDay->setObjectName(QStringLiteral("dateEdit_Day"));
    m_pDateEditDay->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    m_pDateEditDay->Calendar()->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    pBar->addWidget(new QLabel(tr("Current ID:"), pPage));
    pBar->addWidget(m_pLabelStaffIdDay);
    pBar->addStretch(1);
    pBar->addWidget(m_pButtonPrevDay);
    pBar->addWidget(m_pButtonNextDay);
    pBar->addWidget(m_pToolButton);
    pBar->addWidget(new QLabel(tr("Date:"), pPage));
    pBar->addWidget(m_pDateEditDay);

    m_pDayChart = new RStaffDoseDiagram(pPage);
    m_pDayChart->setObjectName(QStringLiteral("dayChart"));
    m_pDayChart->SetMode(RStaffDoseDiagram::DayCurve);
    m_pDoseRateChart = new RDoseRatioDiagram(pPage);
    m_pDoseRateChart->setObjectName(QStringLiteral("doseRateChart"));
    letGrow(m_pDayChart);
    letGrow(m_pDoseRateChart);
    auto* pColumn = new QVBoxLayout(pPage);
    pColumn->addLayout(pBar);
    pColumn->addWidget(m_pDayChart, 1);
    pColumn->addWidget(m_pDoseRateChart, 1);
    return pPage;
}

int RDialogStaffHistoryDose::CurrentIndex() const
{
    return m_pStackedWidget->currentIndex();
}

void RDialogStaffHistoryDose::SetCurrentIndex(int i)
{
    m_pStackedWidget->setCurrentIndex(i);
}

void RDialogStaffHistoryDose::ShowNextMonth()
{
    const QDate today = m_pClock->Now().date();
    const QDate next = m_date.addMonths(1);
    if (next.year() * 12 + next.month() > today.year() * 12 + today.month()) {
        UpdateNextMonth();
        return;
    }
    if (m_respond.CheckInterval())
        m_pDateEditMonth->setDate(qMin(next, today));
}

void RDialogStaffHistoryDose::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    UpdateNextMonth();
}

void RDialogStaffHistoryDose::UpdateNextMonth()
{
    const QDate today = m_pClock->Now().date();
    m_pButtonNextMonth->setEnabled(
        m_date.year() * 12 + m_date.month() < today.year() * 12 + today.month());
}

void RDialogStaffHistoryDose::ShowPrevMonth()
{
    if (m_respond.CheckInterval())
        m_pDateEditMonth->setDate(m_date.addMonths(-1));
}

void RDialogStaffHistoryDose::ShowNextDay()
{
    if (m_respond.CheckInterval())
        m_pDateEditDay->setDate(m_date.addDays(1));
}

void RDialogStaffHistoryDose::ShowPrevDay()
{
    if (m_respond.CheckInterval())
        m_pDateEditDay->setDate(m_date.addDays(-1));
}

void RDialogStaffHistoryDose::ShowClearData()
{
    if (m_respond.CheckInterval())
        emit ClearData(m_date);
}

void RDialogStaffHistoryDose::OnDayDateChanged(QDate date)
{
    // Both edits show one date; only the edit the user touched announces it.
    m_date = date;
    const QSignalBlocker blockMonth(m_pDateEditMonth);
    const QSignalBlocker blockDay(m_pDateEditDay);
    m_pDateEditMonth->setDate(date);
    m_pDateEditDay->setDate(date);
    UpdateNextMonth();
}

void RDialogStaffHistoryDose::SetCurrentStaffID(int id)
{
    m_pLabelStaffIdMonth->setText(QString::number(id));
    m_pLabelStaffIdDay->setText(QString::number(id));
}

void RDialogStaffHistoryDose::SetChartMode(int nMode)
{
    m_pMonthChart->SetPersonal(nMode != 1);
    m_pMonthChart->SetMode(nMode);
    m_pDoseRateChart->SetUnitMode(nMode);
    m_pMonthChart->update();
    m_pDoseRateChart->update();
}

void RDialogStaffHistoryDose::LoadMonth(int nId, int nDays, const QDate& date)
{
    m_pMonthChart->SetDay(m_date);
    m_pMonthChart->LoadDoses(nId, nDays, date);
}

void RDialogStaffHistoryDose::LoadDayChart(int nId, int nLength, const QDate& date)
{
    m_pDayChart->LoadDoses(nId, nLength, date);
}

void RDialogStaffHistoryDose::LoadDoseRateDay(
    const QDate& date, int nId, bool bPersonal, int nLength)
{
    m_pDoseRateChart->SetBaseTime(date.year(), date.month(), date.day(), 0, 0);
    m_pDoseRateChart->LoadDay(nId, bPersonal, nLength, date);
}

void RDialogStaffHistoryDose::ShowDailyChart()
{
    m_pDayChart->show();
    FitDayCharts();
}

void RDialogStaffHistoryDose::HideDailyChart()
{
    m_pDayChart->hide();
    FitDayCharts();
}

void RDialogStaffHistoryDose::FitDayCharts()
{
    // Alone, the dose-rate curve takes the whole page rather than half of it.
    if (m_pDayChart->isHidden()) {
        letGrow(m_pDoseRateChart);
        return;
    }
    const int nHeight = static_cast<int>(height() * 0.5 - 18);
    if (nHeight <= 0)
        return;
    m_pDayChart->setFixedHeight(nHeight);
    m_pDoseRateChart->setFixedHeight(nHeight);
}

void RDialogStaffHistoryDose::resizeEvent(QResizeEvent* pEvent)
{
    QDialog::resizeEvent(pEvent);
    FitDayCharts();
}

void RDialogStaffHistoryDose::SetMarkedDates(const QList<QDate>& dates)
{
    m_pDateEditDay->Calendar()->SetMarkedDates(dates);
}

void RDialogStaffHistoryDose::LoadColours()
{
    m_pDoseRateChart->ResetCurveColour();
    m_pMonthChart->LoadColours();
    m_pDayChart->LoadColours();
}
