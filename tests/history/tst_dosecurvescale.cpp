#include "history/PDoseCurveScale.h"
#include "history/PDoseCurveView.h"
#include "history/PStaffDoseScale.h"

#include <QtTest>

#include <cmath>

namespace {

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

} // namespace

class TestDoseCurveScale : public QObject
{
    Q_OBJECT

private slots:
    // The highest sample stands where the rounded axis puts it: up to 1.0 at
    // the top, up to 2.0 near two thirds, above that near one third.
    void scalingByMaximum_data()
    {
        QTest::addColumn<float>("max");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<double>("top"); // height of the highest sample / plot height
        QTest::newRow("empty day") << 0.0f << 0 << 0.0;
        QTest::newRow("0.5 on a 0..1 axis") << 0.5f << 0 << 0.5;
        QTest::newRow("1.0 reaches the top") << 1.0f << 0 << 1.0;
        QTest::newRow("1.5 on a 0..2.5 axis") << 1.5f << 0 << 0.6;
        QTest::newRow("7 on a 0..25 axis") << 7.0f << 0 << 0.28;
        QTest::newRow("threshold 2 raises the maximum") << 0.5f << 2 << 0.5 / 3.0;
        QTest::newRow("threshold 3 does not") << 0.5f << 3 << 0.5;
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
    }

    // In fine mode a 2-second value above the day's minutes raises the
    // scale; a lower one leaves the day's, so the curve does not jump at the
    // switch.
    void fineMaximumNeverLowersTheScale()
    {
        QCOMPARE(PDoseCurveScale::SingleCurveMax(1.0, 0, true, 5.0), 5.0);
        QCOMPARE(PDoseCurveScale::SingleCurveMax(7.0, 0, true, 5.0), 7.0);
        QCOMPARE(PDoseCurveScale::SingleCurveMax(7.0, 0, false, 9.0), 7.0);
    }

    // The value axis of a curve steps by 1, 2 or 5 times a power of ten,
    // with ticks at least 40 pixels apart and the top on a tick.
    void valueTicks_data()
    {
        QTest::addColumn<double>("max");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("ticks");
        QTest::newRow("nothing stored") << 0.0 << 340 << "0 0.2 0.4 0.6 0.8 1.0";
        QTest::newRow("a quiet room") << 0.12 << 340 << "0 0.2 0.4 0.6 0.8 1.0";
        QTest::newRow("1.5") << 1.5 << 340 << "0 0.5 1.0 1.5 2.0 2.5";
        QTest::newRow("a steady 560") << 560.0 << 340 << "0 500 1000 1500 2000";
        QTest::newRow("a steady 560 on a short plot") << 560.0 << 100 << "0 1000 2000";
        QTest::newRow("22387.7, once labelled 67163.08")
            << 22387.7 << 340 << "0 10000 20000 30000 40000 50000 60000 70000";
        QTest::newRow("a plot lower than one tick") << 3.0 << 30 << "0 10";
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
    }

    // Hour labels step by 1, 2, 3 or 6 hours as the width allows 30-pixel
    // labels to stand apart; a zoomed window steps by round minutes.
    void timeStepByWidth_data()
    {
        QTest::addColumn<int>("span");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("step");
        QTest::newRow("day, 1200 px: every hour") << 1440 << 1200 << 60;
        QTest::newRow("day, 940 px: two hours") << 1440 << 940 << 120;
        QTest::newRow("day, 400 px: three hours") << 1440 << 400 << 180;
        QTest::newRow("day, 250 px: six hours") << 1440 << 250 << 360;
        QTest::newRow("day, 100 px: still six") << 1440 << 100 << 360;
        QTest::newRow("wide screen: never below an hour") << 1440 << 4000 << 60;
        QTest::newRow("two hours zoomed") << 120 << 940 << 10;
        QTest::newRow("50 minutes zoomed") << 50 << 940 << 5;
        QTest::newRow("5 minutes zoomed") << 5 << 940 << 1;
    }

    void timeStepByWidth()
    {
        QFETCH(int, span);
        QFETCH(int, width);
        QFETCH(int, step);
        QCOMPARE(PDoseCurveScale::TimeStep(span, width, 30), step);
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

    // The day's last label and the plot's right edge both stand for 24:00;
    // a window starting off the hour labels round times; between 10000 and
    // 20000 the staff labels read the scale the values use; hours count from
    // 0, days from 1.
    void labelsAndCursorTime()
    {
        const auto day = PDoseCurveScale::TimeLabels(0, 1440, 60, kWidth);
        QCOMPARE(day.size(), 25);
        QCOMPARE(day.last().nIndex, 1440);
        QCOMPARE(day.last().nX, kWidth);
        const auto window = PDoseCurveScale::TimeLabels(125, 245, 60, 120);
        QCOMPARE(window.size(), 2);
        QCOMPARE(window[0].nIndex, 180);
        QCOMPARE(window[0].nX, 55);
        QCOMPARE(PDoseCurveScale::CursorSeconds(60, 120, kWidth, kWidth), 7200);
        const auto band = PStaffDoseScale::YScale({15000.0f}, true, kHeight);
        const auto labels = PStaffDoseScale::ValueLabels(true, band, kHeight, 0.0f);
        QCOMPARE(labels.size(), 4);
        QCOMPARE(labels[2].strText, QStringLiteral("10000.00"));
        QCOMPARE(PStaffDoseScale::MarkY(band, kHeight), kHeight);
        QCOMPARE(PStaffDoseScale::ColumnLabel(23, 24), QStringLiteral("23"));
        QCOMPARE(PStaffDoseScale::ColumnLabel(30, 31), QStringLiteral("31"));
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

    void panStopsAtTheDayEdges()
    {
        PDoseCurveView view(1440);
        view.SetPlotWidth(kWidth);
        // The left finger rests, the right spreads: the view keeps midnight.
        Gesture(view, 200, 300, 200, 800);
        QCOMPARE(view.ViewStart(), 0);
        const int nWidth = view.ViewEnd();
        // Dragging right shows earlier times: at midnight nothing moves.
        Gesture(view, 400, 450, 600, 650);
        QCOMPARE(view.ViewStart(), 0);
        QCOMPARE(view.ViewEnd(), nWidth);
        Gesture(view, 600, 650, 400, 450);
        QVERIFY(view.ViewStart() > 0);
        for (int i = 0; i < 40; ++i)
            Gesture(view, 900, 950, 100, 150);
        QCOMPARE(view.ViewEnd(), 1440);
        QCOMPARE(view.ViewEnd() - view.ViewStart(), nWidth);
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
        QTest::addColumn<bool>("personal");
        QTest::addColumn<float>("max");
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("upper");
        QTest::newRow("nothing stored") << true << 0.0f << 1.0 << false;
        QTest::newRow("region month") << false << 2.0f << kHeight / 2.0 << false;
        QTest::newRow("staff below 10000: lower half")
            << true << 100.0f << kHeight / 200.0 << false;
        QTest::newRow("staff 10000..20000: up to the mark")
            << true << 15000.0f << kHeight / 20000.0 << true;
        QTest::newRow("staff above 20000") << true << 40000.0f << kHeight / 40000.0 << true;
    }

    void staffBaseAndScaling()
    {
        QFETCH(bool, personal);
        QFETCH(float, max);
        QFETCH(double, scale);
        QFETCH(bool, upper);
        // The smallest non-zero value becomes the offset; days without one fall below the axis.
        QVector<float> values {0.0f, 5.0f, max + 5.0f};
        QCOMPARE(PStaffDoseScale::SubtractBase(values), 5.0f);
        QCOMPARE(values, (QVector<float> {-5.0f, 0.0f, max}));
        const auto result = PStaffDoseScale::YScale(values, personal, kHeight);
        QCOMPARE(result.dYScale, scale);
        QCOMPARE(result.bUpperRange, upper);
        QVERIFY(PStaffDoseScale::ValueY(max, result.dYScale) <= kHeight);
        // Staff labels carry the offset; region labels follow their 1-2-5 axis.
        const auto labels = PStaffDoseScale::ValueLabels(personal, result, kHeight, 5.0f);
        QCOMPARE(labels[0].strText, personal ? QStringLiteral("5.00") : QStringLiteral("0"));
    }
};

QTEST_APPLESS_MAIN(TestDoseCurveScale)
#include "tst_dosecurvescale.moc"
