#include "BusRecorder.h"
#include "HistoryDb.h"
#include "TestDb.h"

#include "history/PDoseCurveScale.h"
#include "history/PDoseCurveView.h"
#include "history/PStaffDoseScale.h"
#include "history/RDoseRatioDiagram.h"
#include "history/RStaffDoseDiagram.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QPainter>
#include <QTouchDevice>
#include <QtTest>

#include <cmath>

using HistoryDb::Insert;
using HistoryDb::Keys;

namespace {

const QDate kDay(2026, 3, 7);
const QColor kAbove(255, 0, 0);
const QColor kBelow(0, 200, 200);

int CountColour(const QImage& image, const QColor& colour, int x0 = 0, int x1 = 1000)
{
    int nCount = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = x0; x < std::min(x1, image.width()); ++x)
            nCount += QColor(image.pixel(x, y)) == colour ? 1 : 0;
    }
    return nCount;
}

QImage Render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(QColor(30, 34, 48));
    QPainter(&image).drawImage(0, 0, widget.grab().toImage());
    return image;
}

const QColor kCursor(120, 180, 255);

// A minute column holds the minute's mean dose rate times its 30 slots.
constexpr double kStoredPerRate = 30.0;

// A quiet day near 0.12 µRad/h, an alarm from 07:10 to 07:40 peaking at 3.5,
// and nothing stored from 12:00 to 12:20.
void InsertAlarmDay(int nId, const QDate& day)
{
    QMap<int, double> minutes;
    for (int i = 0; i < 1440; ++i) {
        if (i < 720 || i >= 740)
            minutes.insert(i,
                kStoredPerRate
                    * (i >= 430 && i < 460 ? 0.5 + 3.0 * std::sin((i - 430) * M_PI / 30.0)
                                           : 0.12 + 0.02 * std::sin(i / 17.0)));
    }
    Insert("MonthMinuteDose", "Id,Month", Keys(nId, day), minutes);
}

// The highest and the fullest pixel row of a colour.
struct Rows
{
    int nTop = -1;
    int nFullest = -1;
};

Rows FindRows(const QImage& image, const QColor& colour)
{
    Rows rows;
    int nMost = 0;
    for (int y = 0; y < image.height(); ++y) {
        const int nCount = CountColour(image.copy(0, y, image.width(), 1), colour);
        if (nCount > 0 && rows.nTop < 0)
            rows.nTop = y;
        if (nCount > nMost) {
            nMost = nCount;
            rows.nFullest = y;
        }
    }
    return rows;
}

// The dose rate the chart's value axis gives a pixel row.
double ValueAtRow(const RDoseRatioDiagram& diagram, int nRow)
{
    return (diagram.Origin().y() - nRow) * diagram.ValueAxis().dTop / diagram.PlotHeight();
}

// A drag with the left button held, which QTest::mouseMove does not send.
void Drag(QWidget* pWidget, const QPoint& pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

// Two fingers spread from 400/500 to 300/600 and lift.
void Spread(QWidget* pWidget)
{
    static QTouchDevice* s_pDevice = QTest::createTouchDevice();
    QTest::touchEvent(pWidget, s_pDevice)
        .press(0, {400, 200}, pWidget)
        .press(1, {500, 200}, pWidget);
    QTest::touchEvent(pWidget, s_pDevice).move(0, {300, 200}, pWidget).move(1, {600, 200}, pWidget);
    QTest::touchEvent(pWidget, s_pDevice)
        .release(0, {300, 200}, pWidget)
        .release(1, {600, 200}, pWidget);
}

constexpr int kWidth = 940;
constexpr int kHeight = 340;

// One gesture: the fingers move from their start to the new x in ten steps,
// as a touch screen reports them.
void Gesture(PDoseCurveView& view, float fLeft0, float fRight0, float fLeft1, float fRight1)
{
    for (int i = 1; i <= 10; ++i) {
        const float t = i / 10.0f;
        view.Pinch(
            fLeft0, fRight0, fLeft0 + (fLeft1 - fLeft0) * t, fRight0 + (fRight1 - fRight0) * t);
    }
    view.Reset();
}

// Regions 11 and 12 (12 in its own colour) on one diagram, each curve added
// and loaded; 12 hidden when asked.
void LoadTwoCurves(RDoseRatioDiagram& diagram, SManualClock& clock, bool bHide12)
{
    TestDb::AddRegions({11, 12});
    PSqlExec::Exec(QStringLiteral("update RegionCurveColorInfo set ButtonCheck = %1, G_Color = "
                                  "255 where Id = 12")
                       .arg(bHide12 ? 0 : 2));
    TestDb::Catalogue().Reload();
    diagram.SetClock(&clock);
    diagram.LoadDay(11, false, 1440, kDay);
    diagram.LoadCurveEnabled(TestDb::Catalogue());
    diagram.LoadCurveColours(TestDb::Catalogue());
    for (int nId : {11, 12}) {
        diagram.AddCurve(nId, 1440);
        diagram.LoadCurve(nId, false, 1440);
    }
}

} // namespace

class TestHistoryDiagrams : public QObject
{
    Q_OBJECT

private:
    BusRecorder m_store {SBus::PresetStore};

private slots:
    // The preset store answers the curve-colour holder's items 21, 23, ... 37.
    void initTestCase()
    {
        m_store.onMessage = [](const SMessage& message) {
            const QList<int> values {1, 2, 3, 255, 0, 0, 0, 200, 200};
            const int nIndex = (message.First() - 21) / 2;
            SMessage::SetReply(nIndex >= 0 && nIndex < values.size() ? values[nIndex] : 0);
        };
    }
    void init() { TestDb::Open(); }

    // Axes, cursor and curve of an empty day, then of a day with an alarm and
    // a gap, and of a widget smaller than its margins.
    void emptyThenAlarmDay()
    {
        RDoseRatioDiagram diagram;
        diagram.SetCurveColour(Qt::magenta);
        diagram.LoadDay(7, false, 1440, kDay);
        // The history's day curve is titled with its day, not as live.
        QVERIFY(diagram.Title().contains(QStringLiteral("2026-03-07")));
        const QImage image = Render(diagram);
        // No curve, no cursor before a press.
        QCOMPARE(CountColour(image, Qt::magenta), 0);
        QCOMPARE(CountColour(image, kCursor), 0);
        // The mouse moves the cursor; above the plot it stops at the top.
        QTest::mousePress(&diagram, Qt::LeftButton, {}, QPoint(300, 115));
        QCOMPARE(diagram.CursorValue(), 0.75);
        QVERIFY(CountColour(Render(diagram).copy(0, 115, 1000, 1), kCursor) > 100);
        Drag(&diagram, QPoint(300, 2));
        QCOMPARE(diagram.CursorValue(), 1.0);
        QTest::mouseRelease(&diagram, Qt::LeftButton, {}, QPoint(300, 2));
        Drag(&diagram, QPoint(300, 370));
        QCOMPARE(diagram.CursorValue(), 1.0);

        // The same diagram reloaded with a day holding an alarm and a gap.
        InsertAlarmDay(7, kDay);
        diagram.SetCurveColour(Qt::magenta);
        diagram.SetBaseTime(2026, 3, 7, 0, 0);
        diagram.SetThresholdLine(2);
        diagram.LoadDay(7, false, 1440, kDay);
        const QImage alarm = Render(diagram);
        // The peak is drawn where the value axis reads 3.5 µRad/h (stored / 30),
        // within a pixel; the threshold below it changes nothing.
        const Rows rows = FindRows(alarm, Qt::magenta);
        const double dPixel = diagram.ValueAxis().dTop / diagram.PlotHeight();
        QVERIFY2(std::abs(ValueAtRow(diagram, rows.nTop) - 3.5) <= 1.5 * dPixel,
            qPrintable(QString::number(ValueAtRow(diagram, rows.nTop))));
        QVERIFY(
            CountColour(alarm.copy(0, 370 - int(2 * diagram.YScale()), 1000, 1), Qt::red) > 800);
        // The columns of 12:01 ... 12:18 have no curve.
        const int nLeft = diagram.Origin().x();
        const int nWidth = diagram.PlotWidth();
        const int x0 = nLeft + 721 * nWidth / 1440 + 1;
        QCOMPARE(CountColour(alarm, Qt::magenta, x0, nLeft + 739 * nWidth / 1440), 0);
        QVERIFY(CountColour(alarm, Qt::magenta, nLeft, x0) > 400);
        // A widget smaller than its margins still paints.
        diagram.setFixedSize(20, 20);
        Render(diagram);
        QTest::mousePress(&diagram, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(std::isfinite(diagram.CursorValue()));
    }

    // Two fingers spreading on the chart zoom down to the 2-second samples.
    // A steady 560 µRad/h (16800 stored per minute, 560 in every 2-second
    // slot): the minute curve and the 2-second curve lie on the same pixel
    // row, the one the axis gives 560, on either side of the zoom switch. A
    // day with nothing stored keeps the zoom and empties the curve at once.
    void zoomSwitchKeepsTheLevel()
    {
        QMap<int, double> minutes;
        QMap<int, double> twoSecond;
        for (int i = 0; i < 1440; ++i)
            minutes.insert(i, 560.0 * kStoredPerRate);
        for (int i = 0; i < 1800; ++i)
            twoSecond.insert(i, 560.0);
        Insert("MonthMinuteDose", "Id,Month", Keys(7, kDay), minutes);
        for (int h = 0; h < 24; ++h)
            Insert("MonthData", "Id,Month,Hour", Keys(7, kDay, QStringLiteral(",%1").arg(h)),
                twoSecond);
        RDoseRatioDiagram diagram;
        diagram.SetCurveColour(Qt::magenta);
        diagram.LoadDay(7, false, 1440, kDay);
        diagram.show();
        QVERIFY(QTest::qWaitForWindowExposed(&diagram));
        int nMinuteRow = -1;
        for (int i = 0; i < 40 && !diagram.View().IsFineShown(); ++i) {
            nMinuteRow = FindRows(Render(diagram), Qt::magenta).nFullest;
            Spread(&diagram);
        }
        QVERIFY(diagram.View().IsFineShown());
        const int nFineRow = FindRows(Render(diagram), Qt::magenta).nFullest;
        QCOMPARE(nFineRow, nMinuteRow);
        const double dPixel = diagram.ValueAxis().dTop / diagram.PlotHeight();
        QVERIFY2(std::abs(ValueAtRow(diagram, nFineRow) - 560.0) <= 1.5 * dPixel,
            qPrintable(QString::number(ValueAtRow(diagram, nFineRow))));
        diagram.LoadDay(7, false, 1440, kDay.addDays(-1));
        QVERIFY(diagram.View().IsFineShown());
        QCOMPARE(CountColour(Render(diagram), Qt::magenta), 0);
    }

    // Only enabled regions count for the scale and are drawn, each in its own
    // colour; gestures belong to the single curve.
    void multiCurveShowsEnabledRegions()
    {
        SManualClock clock(QDateTime(kDay, QTime(15, 0)));
        Insert("MonthMinuteDose", "Id,Month", Keys(11, kDay), {{100, 45}, {101, 42}, {102, 36}});
        Insert("MonthMinuteDose", "Id,Month", Keys(12, kDay), {{200, 270}, {201, 270}});
        RDoseRatioDiagram diagram;
        LoadTwoCurves(diagram, clock, true);
        diagram.AddCurve(11, 10); // already there: unchanged
        QCOMPARE(diagram.CurveSamples(11).size(), 1440);
        QCOMPARE(diagram.CurveSamples(12)[200], 9.0f);
        const QImage image = Render(diagram);
        // Only the enabled region counts for the scale (the axis stops below
        // the hidden 9.0) and is drawn.
        QVERIFY(diagram.ValueAxis().dTop < 9.0);
        // Curves of one decade share a linear axis, the highest reaching well
        // over half the plot.
        QVERIFY(!diagram.IsLogAxis());
        QVERIFY(1.5 >= 0.6 * diagram.ValueAxis().dTop);
        QVERIFY(CountColour(image, QColor(38, 202, 87)) > 0);
        QCOMPARE(CountColour(image, QColor(38, 255, 87)), 0);
        // Gestures belong to the single curve.
        diagram.show();
        QVERIFY(QTest::qWaitForWindowExposed(&diagram));
        Spread(&diagram);
        QCOMPARE(diagram.View().Zoom(), 0.0f);
        diagram.ClearCurves();
        QVERIFY(!diagram.HasCurve(11));
        diagram.UpdateLayout();
        QCOMPARE(diagram.MainPolygon().size(), 1440);
    }

    // A region reading 100 times the others (56000 against 560 µRad/h) does
    // not flatten them: the axis turns logarithmic on 1-2-5 ticks, the 560
    // curve stands well off the floor at its value and the 56000 one whole
    // inside the plot.
    void logAxisKeepsLowCurvesReadable()
    {
        SManualClock clock(QDateTime(kDay, QTime(15, 0)));
        QMap<int, double> steady;
        QMap<int, double> burst;
        for (int i = 100; i < 700; ++i) {
            steady.insert(i, 560 * kStoredPerRate);
            burst.insert(i, (i >= 300 && i < 310 ? 56000 : 500) * kStoredPerRate);
        }
        Insert("MonthMinuteDose", "Id,Month", Keys(11, kDay), steady);
        Insert("MonthMinuteDose", "Id,Month", Keys(12, kDay), burst);
        RDoseRatioDiagram diagram;
        LoadTwoCurves(diagram, clock, false);
        const QImage image = Render(diagram);
        QVERIFY(diagram.IsLogAxis());
        for (const auto& label : diagram.ValueLabels()) {
            const double dValue = label.strText.toDouble();
            const double dMantissa = dValue / std::pow(10.0, std::floor(std::log10(dValue)));
            QVERIFY2(qFuzzyCompare(dMantissa, 1.0) || qFuzzyCompare(dMantissa, 2.0)
                    || qFuzzyCompare(dMantissa, 5.0),
                qPrintable(label.strText));
            QCOMPARE(
                label.nY, dValue == diagram.LogValueAxis().dBottom ? 0 : diagram.HeightOf(dValue));
        }
        const int nOriginY = diagram.Origin().y();
        QVERIFY(diagram.HeightOf(560) >= diagram.PlotHeight() / 5);
        QVERIFY(std::abs(diagram.ValueAtHeight(diagram.HeightOf(560)) / 560 - 1) < 0.02);
        const int nRow = FindRows(image, QColor(38, 202, 87)).nFullest;
        QVERIFY(std::abs(nRow - (nOriginY - diagram.HeightOf(560))) <= 1);
        const int nTop = FindRows(image, QColor(38, 255, 87)).nTop;
        QVERIFY(std::abs(nTop - (nOriginY - diagram.HeightOf(56000))) <= 1);
        QVERIFY(nTop > nOriginY - diagram.PlotHeight());
    }

    // Month bars take their colour from the cursor; staff curves start on the
    // axis.
    void staffCharts()
    {
        for (int d : {1, 2})
            Insert("MonthMinuteDose", "Id,Month,Sum",
                Keys(4, QDate(2026, 3, d), QStringLiteral(",%1").arg(1800 * d)));
        for (int d : {2, 3, 4, 9, 20})
            Insert("PersonalMonthDose", "Id,Month,Sum",
                Keys(6, QDate(2026, 3, d), QStringLiteral(",%1").arg(d * 150)));
        Insert(
            "PersonalMonthDose", "Id,Month", Keys(6, kDay), {{8, 120.0}, {9, 240.0}, {10, 600.0}});
        RStaffDoseDiagram staff;
        staff.LoadColours();
        staff.SetPersonal(false);
        staff.SetMode(RStaffDoseDiagram::MonthHistogram);
        staff.LoadDoses(4, 31, QDate(2026, 3, 15));
        QCOMPARE(staff.CursorValue(), 1.0f);
        const QImage image = Render(staff);
        // Day 1 at the cursor in the at-or-below colour, day 2 above it, day 3 no bar.
        const auto column = [&staff](int i) {
            const auto span = PStaffDoseScale::BarSpan(i, 31, staff.PlotWidth());
            return staff.LeftMargin() + span.nLeft + span.nWidth / 2;
        };
        QCOMPARE(QColor(image.pixel(column(0), 370 - 60)), kBelow);
        QCOMPARE(QColor(image.pixel(column(1), 370 - 250)), kAbove);
        QVERIFY(QColor(image.pixel(column(0), 370 - 200)) != kBelow);
        QCOMPARE(
            CountColour(image.copy(0, 30, 1000, 340), kBelow, column(2) - 4, column(2) + 4), 0);

        // Staff charts start on the axis: the smallest day's point sits on it.
        staff.SetPersonal(true);
        staff.SetMode(RStaffDoseDiagram::MonthCurve);
        staff.LoadDoses(6, 31, QDate(2026, 3, 1));
        QCOMPARE(staff.ValueOffset(), 5.0f);
        const QImage month = Render(staff);
        const int nX = staff.LeftMargin() + PStaffDoseScale::ColumnX(1, 31, staff.PlotWidth()) + 10;
        QCOMPARE(QColor(month.pixel(nX, 368)), kBelow);
        staff.SetMode(RStaffDoseDiagram::DayCurve);
        staff.SetShownId(6);
        staff.LoadDoses(6, 24, kDay);
        QCOMPARE(staff.Length(), 24);
        QCOMPARE(staff.ValueOffset(), 2.0f);
        QCOMPARE(staff.Values()[10], 8.0f);
    }

    // The highest sample stands where the rounded axis puts it: a fifth of
    // headroom above the day's highest, up to the next tick, as on the live
    // chart (no longer three times the highest, which left the curve in the
    // bottom third).
    void scalingByMaximum_data()
    {
        QTest::addColumn<float>("max");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<double>("top"); // height of the highest sample / plot height
        QTest::newRow("empty day") << 0.0f << 0 << 0.0;
        QTest::newRow("0.5 on a 0..1.2 axis") << 0.5f << 0 << 0.5 / 1.2;
        QTest::newRow("1.0 below the top") << 1.0f << 0 << 1.0 / 1.2;
        QTest::newRow("1.5 on a 0..2 axis") << 1.5f << 0 << 0.75;
        QTest::newRow("7 on a 0..10 axis") << 7.0f << 0 << 0.7;
        QTest::newRow("threshold 2 raises the maximum") << 0.5f << 2 << 0.2;
        QTest::newRow("threshold 3 does not") << 0.5f << 3 << 0.5 / 1.2;
    }

    void scalingByMaximum()
    {
        QFETCH(float, max);
        QFETCH(int, threshold);
        QFETCH(double, top);
        const QVector<float> samples {0.0f, max / 2, max, 0.0f};
        const double dMax = PDoseCurveScale::SingleCurveMax(
            PDoseCurveScale::RangeMax(samples, 0, samples.size()), threshold, false, 0.0);
        const double dScale = PDoseCurveScale::YScale(dMax, kHeight);
        const QPolygon points = PDoseCurveScale::BuildPoints(samples, 0, 4, kWidth, dScale);
        QVERIFY2(std::abs(-points[2].y() - top * kHeight) <= 1.0,
            qPrintable(QString::number(points[2].y())));
        // In fine mode a 2-second value above the day's minutes raises the
        // scale; a lower one leaves the day's, so the curve does not jump at
        // the switch.
        QCOMPARE(PDoseCurveScale::SingleCurveMax(max, 0, true, 5.0), std::max(5.0, double(max)));
        QCOMPARE(PDoseCurveScale::SingleCurveMax(max, 0, false, 9.0), double(max));
    }

    // Every bar of a month chart prints in one format: that of its highest,
    // with more decimals only while its lowest would read as 0.
    void oneFormatPerChart_data()
    {
        QTest::addColumn<QVector<float>>("values");
        QTest::addColumn<int>("decimals");
        QTest::newRow("big and small bars") << QVector<float> {250.0f, 40.0f, 0.0f} << 0;
        QTest::newRow("a small one would read 0") << QVector<float> {250.0f, 0.3f} << 1;
        QTest::newRow("a tiny one") << QVector<float> {250.0f, 0.04f} << 2;
    }
    void oneFormatPerChart()
    {
        QFETCH(QVector<float>, values);
        QTEST(PStaffDoseScale::ChartDecimals(values), "decimals");
    }

    // The value axis of a curve steps by 1, 2 or 5 times a power of ten,
    // with ticks at least 40 pixels apart and the top on a tick.
    void valueTicks_data()
    {
        QTest::addColumn<double>("max");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("ticks");
        QTest::newRow("nothing stored") << 0.0 << 340 << "0 0.2 0.4 0.6 0.8 1.0";
        QTest::newRow("a quiet room") << 0.12 << 340 << "0 0.2 0.4 0.6 0.8 1.0 1.2";
        QTest::newRow("1.5") << 1.5 << 340 << "0 0.5 1.0 1.5 2.0";
        QTest::newRow("a steady 560") << 560.0 << 340 << "0 100 200 300 400 500 600 700";
        QTest::newRow("a steady 560 on a short plot") << 560.0 << 100 << "0 500 1000";
        QTest::newRow("22387.7, once labelled 67163.08")
            << 22387.7 << 340 << "0 5000 10000 15000 20000 25000 30000";
        QTest::newRow("a plot lower than one tick") << 3.0 << 30 << "0 5";
    }

    void valueTicks()
    {
        QFETCH(double, max);
        QFETCH(int, height);
        QFETCH(QString, ticks);
        const auto axis = PDoseCurveScale::CurveAxis(max, height);
        const auto labels = PDoseCurveScale::ValueLabels(axis, height);
        QStringList texts;
        for (const auto& label : labels)
            texts << label.strText;
        QCOMPARE(texts.join(' '), ticks);
        // The top tick is the plot's top; the scale draws every value inside.
        QCOMPARE(labels.last().nY, height);
        QVERIFY(max * PDoseCurveScale::YScale(max, height) <= height);
    }

    // Hour labels step by 1, 2, 3 or 6 hours as the width allows 30-pixel
    // labels to stand apart; a zoomed window steps by round minutes. The
    // day's last label and the plot's right edge both stand for 24:00; a
    // window starting off the hour labels round times.
    void timeAxis()
    {
        QList<int> steps;
        for (const QPoint& spanAndWidth : {QPoint(1440, 1200), QPoint(1440, 940), QPoint(1440, 250),
                 QPoint(1440, 4000), QPoint(120, 940), QPoint(5, 940)})
            steps << PDoseCurveScale::TimeStep(spanAndWidth.x(), spanAndWidth.y(), 30);
        QCOMPARE(steps, (QList<int> {60, 120, 360, 60, 10, 1}));
        const auto day = PDoseCurveScale::TimeLabels(0, 1440, 60, kWidth);
        QCOMPARE(day.size(), 25);
        QCOMPARE(day.last().nX, kWidth);
        QCOMPARE(PDoseCurveScale::CursorSeconds(60, 120, kWidth, kWidth), 7200);
        const auto window = PDoseCurveScale::TimeLabels(125, 245, 60, 120);
        QCOMPARE(window.size(), 2);
        QCOMPARE(window[0].nIndex, 180);
    }

    void zeroSamplesBreakTheCurve()
    {
        const QVector<float> samples {0.5f, 0.6f, 0.0f, 0.7f, 0.8f, 0.9f, 0.0f};
        const QPolygon points
            = PDoseCurveScale::BuildPoints(samples, 0, samples.size(), 700, 100.0);
        QCOMPARE(PDoseCurveScale::Segments(points),
            (QVector<QLine> {
                {points[0], points[1]}, {points[3], points[4]}, {points[4], points[5]}}));
        // Points spread over the plot; indices past the buffer read as 0.
        const QPolygon part
            = PDoseCurveScale::BuildPoints(QVector<float>(1440, 1.0f), 1420, 1450, kWidth, 10.0);
        QCOMPARE(part.first(), QPoint(0, -10));
        QCOMPARE(part[29], QPoint(29 * kWidth / 30, 0));
        QVERIFY(PDoseCurveScale::BuildPoints(samples, 3, 3, kWidth, 10.0).isEmpty());
        QCOMPARE(PDoseCurveScale::ToPixel(std::nan("")), 0);
        QCOMPARE(PDoseCurveScale::ToPixel(-1e30), -1000000);
    }

    void deepZoomLoadsTwoSecondSamples()
    {
        QList<int> hours;
        PDoseCurveView view(1440);
        view.SetPlotWidth(kWidth);
        view.SetFineLoader([&hours](int nHour, QVector<float>&) {
            hours << nHour;
            return 3.0f;
        });
        for (int i = 0; i < 20 && !view.IsFineShown(); ++i)
            Gesture(view, 400, 540, 30, 910);
        QVERIFY(view.IsFineShown());
        QCOMPARE(view.FineMax(), 3.0f);
        const int nFirst = view.FirstFineHour();
        QCOMPARE(hours.last(), nFirst);
        // The 2-second window and the minute window describe the same time.
        QVERIFY(
            std::abs(view.FineStart() - PDoseCurveView::FineIndex(view.ViewStart(), nFirst)) < 30);
        QVERIFY(view.ViewStart() >= nFirst * 60 && view.ViewEnd() <= (nFirst + 2) * 60);
        // Dragging left walks into later hours; the buffer follows and the window stays inside it.
        for (int i = 0; i < 400 && view.FirstFineHour() == nFirst; ++i) {
            view.Pinch(900, 950, 100, 150);
            QVERIFY(view.FineStart() >= 0 && view.FineEnd() <= PDoseCurveView::kFineSlots);
            QVERIFY(view.FineEnd() > view.FineStart());
        }
        QCOMPARE(view.FirstFineHour(), nFirst + 1);
        QCOMPARE(hours.last(), nFirst + 1);
        // At the narrowest window a further spread changes nothing; a pinch widens it.
        for (int i = 0; i < 60; ++i)
            Gesture(view, 400, 540, 30, 910);
        const int nSlots = view.FineEnd() - view.FineStart();
        QVERIFY(nSlots >= PDoseCurveScale::kFinestZoom * kWidth * 30 * 0.9f);
        const int nStart = view.FineStart();
        Gesture(view, 400, 540, 30, 910);
        Gesture(view, 400, 540, 400, 910);
        QCOMPARE(view.FineStart(), nStart);
        QCOMPARE(view.FineEnd() - view.FineStart(), nSlots);
        Gesture(view, 30, 910, 400, 540);
        QVERIFY(view.FineEnd() - view.FineStart() > nSlots);
    }

    void degenerateSizesDoNotDivideByZero()
    {
        PDoseCurveView view(1440);
        view.SetPlotWidth(0);
        view.Pinch(0, 0, -5, 5);
        QVERIFY(std::isfinite(view.Zoom()));
        PDoseCurveView empty(0);
        empty.Pinch(100, 200, 50, 300);
        QCOMPARE(empty.ViewEnd(), 0);
        QCOMPARE(PDoseCurveScale::YScale(5.0, 0), 1.0);
        QCOMPARE(PDoseCurveScale::CursorSeconds(60, 120, 470, 0), 3600);
        QVERIFY(PDoseCurveScale::TimeLabels(5, 5, 60, kWidth).isEmpty());
        QCOMPARE(PStaffDoseScale::ColumnX(3, 0, kWidth), 5);
    }

    void staffBaseAndScaling_data()
    {
        QTest::addColumn<float>("max");
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("upper");
        QTest::newRow("nothing stored") << 0.0f << 1.0 << false;
        QTest::newRow("staff below 10000: lower half") << 100.0f << kHeight / 200.0 << false;
        QTest::newRow("staff 10000..20000: up to the mark")
            << 15000.0f << kHeight / 20000.0 << true;
        QTest::newRow("staff above 20000") << 40000.0f << kHeight / 40000.0 << true;
    }

    void staffBaseAndScaling()
    {
        QFETCH(float, max);
        QFETCH(double, scale);
        QFETCH(bool, upper);
        // The smallest non-zero value becomes the offset; days without one fall below the axis.
        QVector<float> values {0.0f, 5.0f, max + 5.0f};
        QCOMPARE(PStaffDoseScale::SubtractBase(values), 5.0f);
        QCOMPARE(values, (QVector<float> {-5.0f, 0.0f, max}));
        const auto result = PStaffDoseScale::YScale(values, true, kHeight);
        QCOMPARE(result.dYScale, scale);
        QCOMPARE(result.bUpperRange, upper);
        QVERIFY(PStaffDoseScale::ValueY(max, result.dYScale) <= kHeight);
        // Staff labels carry the offset.
        QCOMPARE(PStaffDoseScale::ValueLabels(true, result, kHeight, 5.0f)[0].strText,
            QStringLiteral("5.00"));
    }

    // The live curves' log axis: half a decade below the lowest reading,
    // above the highest, labelled at 1-2-5 where they stand apart and at the
    // powers of ten where they would not.
    void logTicks_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("ticks");
        QTest::newRow("the demo's burst over 560")
            << 450.0 << 11648.0 << 300 << "100 200 500 1000 2000 5000 10000 20000";
        QTest::newRow("a peak on a power of ten")
            << 900.0 << 10000.0 << 300 << "200 500 1000 2000 5000 10000 20000";
        QTest::newRow("background and an alarm")
            << 0.08 << 3.5 << 300 << "0.02 0.05 0.1 0.2 0.5 1 2 5";
        QTest::newRow("six decades on a short plot")
            << 0.5 << 90000.0 << 120 << "0.1 1 10 100 1000 10000 100000";
    }
    void logTicks()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, height);
        QFETCH(QString, ticks);
        const auto axis = PDoseCurveScale::MakeLogAxis(low, high);
        const auto labels = PDoseCurveScale::LogLabels(axis, height, 18);
        QStringList texts;
        for (const auto& label : labels)
            texts << label.strText;
        QCOMPARE(texts.join(' '), ticks);
        // Every reading inside the plot, the lowest off its floor.
        QVERIFY(PDoseCurveScale::LogHeight(high, axis, height) < height);
        QVERIFY(PDoseCurveScale::LogHeight(low, axis, height) >= height / 12);
        QCOMPARE(labels.first().nY, 0);
        for (int i = 1; i < labels.size(); ++i)
            QVERIFY(labels.at(i).nY - labels.at(i - 1).nY >= 18);
        QVERIFY(!PDoseCurveScale::NeedsLogAxis({low * 9.0, low}));
        QVERIFY(PDoseCurveScale::NeedsLogAxis({low, high, low * 2.0}));
        // A ratio hovering about 10 keeps the scale it has.
        for (bool bLog : {false, true}) {
            QCOMPARE(PDoseCurveScale::NeedsLogAxis({low, low * 11.0}, bLog), bLog);
            QCOMPARE(PDoseCurveScale::NeedsLogAxis({low, low * 9.0}, bLog), bLog);
        }
        QVERIFY(PDoseCurveScale::NeedsLogAxis({low, low * 13.0}, false));
        QVERIFY(!PDoseCurveScale::NeedsLogAxis({low, low * 7.0}, true));
    }
};

QTEST_MAIN(TestHistoryDiagrams)
#include "tst_historydiagrams.moc"
