#include "history/PDoseCurveScale.h"
#include "history/PDoseCurveView.h"
#include "history/PStaffDoseScale.h"

#include <QtTest>

#include <cmath>

namespace {

constexpr int kWidth = 940;
constexpr int kHeight = 340;

// One gesture: both fingers start at the given x and move to the new x in
// small steps, as a touch screen reports them.
void Gesture(PDoseCurveView& view, float fLeft0, float fRight0, float fLeft1, float fRight1)
{
    const int nSteps = 10;
    for (int i = 1; i <= nSteps; ++i) {
        const float t = static_cast<float>(i) / nSteps;
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
    void scalingByMaximum_data();
    void scalingByMaximum();
    void thresholdRaisesOnlyUpToTwo();
    void zeroSamplesBreakTheCurve();
    void pointsSpreadOverThePlot();
    void timeAndValueLabels();
    void hugeValuesStayDrawable();

    void firstPinchStartsFromTheWholeDay();
    void deepZoomSwitchesToTwoSecondSamples();
    void narrowestViewRefusesFurtherZoom();
    void panStopsAtTheDayEdges();
    void finePanCrossesIntoTheNextHour();
    void collapsedPlotDoesNotDivideByZero();

    void staffBaseAndOffset();
    void staffScaling_data();
    void staffScaling();
    void staffLabels();
};

void TestDoseCurveScale::scalingByMaximum_data()
{
    QTest::addColumn<float>("max");
    QTest::addColumn<double>("topFraction"); // height of the highest sample / plot height
    QTest::newRow("empty day keeps plot-height scale") << 0.0f << 0.0;
    QTest::newRow("0.5 on the plot-height scale") << 0.5f << 0.5;
    QTest::newRow("1.0 reaches the top") << 1.0f << 1.0;
    QTest::newRow("1.5 tops out at two thirds") << 1.5f << 2.0 / 3.0;
    QTest::newRow("2.0 tops out at two thirds") << 2.0f << 2.0 / 3.0;
    QTest::newRow("above 2 tops out at one third") << 7.0f << 1.0 / 3.0;
}

void TestDoseCurveScale::scalingByMaximum()
{
    QFETCH(float, max);
    QFETCH(double, topFraction);
    const QVector<float> samples {0.0f, max / 2, max, 0.0f};
    const double dMax = PDoseCurveScale::SingleCurveMax(
        PDoseCurveScale::RangeMax(samples, 0, samples.size()), 0, false, 0.0);
    const double dScale = PDoseCurveScale::YScale(dMax, kHeight, kHeight);
    if (max == 0.0f)
        QCOMPARE(dScale, double(kHeight));
    const QPolygon points = PDoseCurveScale::BuildPoints(samples, 0, 4, kWidth, dScale);
    QVERIFY(std::abs(-points[2].y() - topFraction * kHeight) <= 1.0);
}

void TestDoseCurveScale::thresholdRaisesOnlyUpToTwo()
{
    QCOMPARE(PDoseCurveScale::SingleCurveMax(0.4, 2, false, 0.0), 2.0);
    QCOMPARE(PDoseCurveScale::SingleCurveMax(0.4, 3, false, 0.0), 0.4);
    QCOMPARE(PDoseCurveScale::SingleCurveMax(2.5, 2, false, 0.0), 2.5);
    // In 2-second mode the buffer's maximum rules.
    QCOMPARE(PDoseCurveScale::SingleCurveMax(0.4, 2, true, 5.0), 5.0);
    // A multi-curve chart without a value scales by 1.0.
    QCOMPARE(PDoseCurveScale::YScale(0.0, kHeight, 1.0), 1.0);
}

void TestDoseCurveScale::zeroSamplesBreakTheCurve()
{
    const QVector<float> samples {0.5f, 0.6f, 0.0f, 0.7f, 0.8f, 0.9f, 0.0f};
    const QPolygon points = PDoseCurveScale::BuildPoints(samples, 0, samples.size(), 700, 100.0);
    const QVector<QLine> lines = PDoseCurveScale::Segments(points);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QLine(points[0], points[1]));
    QCOMPARE(lines[1], QLine(points[3], points[4]));
    QCOMPARE(lines[2], QLine(points[4], points[5]));
    QVERIFY(
        PDoseCurveScale::Segments(PDoseCurveScale::BuildPoints(QVector<float>(5), 0, 5, 700, 1.0))
            .isEmpty());
}

void TestDoseCurveScale::pointsSpreadOverThePlot()
{
    QVector<float> samples(1440, 1.0f);
    const QPolygon points = PDoseCurveScale::BuildPoints(samples, 60, 120, kWidth, 10.0);
    QCOMPARE(points.size(), 60);
    QCOMPARE(points.first(), QPoint(0, -10));
    QCOMPARE(points.last().x(), 59 * kWidth / 60);
    // Indices past the buffer read as 0; an empty range has no point.
    QCOMPARE(PDoseCurveScale::BuildPoints(samples, 1430, 1450, kWidth, 10.0).last().y(), 0);
    QVERIFY(PDoseCurveScale::BuildPoints(samples, 100, 100, kWidth, 10.0).isEmpty());
}

void TestDoseCurveScale::timeAndValueLabels()
{
    const auto day = PDoseCurveScale::TimeLabels(0, 1440, 60, kWidth);
    QCOMPARE(day.size(), 25);
    QCOMPARE(day.first().nX, -10);
    QCOMPARE(day.last().nIndex, 1440);
    QCOMPARE(day.last().nX, kWidth - 10);
    QVERIFY(PDoseCurveScale::TimeLabels(5, 5, 60, kWidth).isEmpty());
    QCOMPARE(PDoseCurveScale::TimeStep(0.0f, false, 0, 0), 60);
    QCOMPARE(PDoseCurveScale::TimeStep(0.5f, false, 100, 150), 10);
    QCOMPARE(PDoseCurveScale::TimeStep(0.5f, false, 100, 400), 30);
    QCOMPARE(PDoseCurveScale::TimeStep(0.04f, true, 100, 140), 2);
    // Without the buffer the fine zoom labels as a whole day.
    QCOMPARE(PDoseCurveScale::TimeStep(0.04f, false, 100, 140), 60);

    const auto values = PDoseCurveScale::ValueLabels(kHeight, kHeight / 2.0);
    QCOMPARE(values.size(), 4);
    QCOMPARE(values[0].strText, QStringLiteral("0.00"));
    QCOMPARE(values[2].strText, QStringLiteral("1.00"));
    QCOMPARE(values[3].nY, -255);
    QCOMPARE(PDoseCurveScale::CursorSeconds(0, 1440, 30, kWidth), 0);
    QCOMPARE(PDoseCurveScale::CursorSeconds(60, 120, 30 + kWidth, kWidth), 7200);
    QCOMPARE(PDoseCurveScale::CursorSeconds(60, 120, 500, 0), 3600);
}

void TestDoseCurveScale::hugeValuesStayDrawable()
{
    QCOMPARE(PDoseCurveScale::ToPixel(std::nan("")), 0);
    QCOMPARE(PDoseCurveScale::ToPixel(1e30), 1000000);
    QCOMPARE(PDoseCurveScale::ToPixel(-1e30), -1000000);
    QCOMPARE(PDoseCurveScale::YScale(INFINITY, kHeight, 1.0), 1.0);
}

void TestDoseCurveScale::firstPinchStartsFromTheWholeDay()
{
    PDoseCurveView view(1440);
    view.SetPlotWidth(kWidth);
    view.Pinch(400, 500, 300, 600);
    QCOMPARE(view.ViewEnd() - view.ViewStart() < 1440, true);
    // Equal spreading on both sides narrows the day symmetrically.
    QCOMPARE(view.ViewStart(), static_cast<int>(1440 * 100.0f / kWidth));
    QCOMPARE(view.ViewEnd(), 1440 - static_cast<int>(1440 * 100.0f / kWidth));
    QCOMPARE(view.Zoom(), (view.ViewEnd() - view.ViewStart()) / float(kWidth));
    QVERIFY(!view.HasFine());
}

void TestDoseCurveScale::deepZoomSwitchesToTwoSecondSamples()
{
    QList<int> loadedHours;
    PDoseCurveView view(1440);
    view.SetPlotWidth(kWidth);
    view.SetFineLoader([&loadedHours](int nHour, QVector<float>& fine) {
        loadedHours << nHour;
        fine[0] = 3.0f;
        return 3.0f;
    });
    // Spread around the middle of the plot until the view is under 50 minutes.
    for (int i = 0; i < 20 && !view.IsFineShown(); ++i)
        Gesture(view, 400, 540, 30, 910);
    QVERIFY(view.IsFineShown());
    QVERIFY(!loadedHours.isEmpty());
    QCOMPARE(view.FineMax(), 3.0f);
    QCOMPARE(view.FirstFineHour(), loadedHours.last());
    // The 2-second window and the minute window describe the same time.
    const int nFirst = view.FirstFineHour();
    QVERIFY(std::abs(view.FineStart() - PDoseCurveView::FineIndex(view.ViewStart(), nFirst)) < 30);
    QVERIFY(view.FineStart() >= 0 && view.FineEnd() <= PDoseCurveView::kFineSlots);
    QVERIFY(view.ViewStart() >= nFirst * 60 && view.ViewEnd() <= (nFirst + 2) * 60);
}

void TestDoseCurveScale::narrowestViewRefusesFurtherZoom()
{
    PDoseCurveView view(1440);
    view.SetPlotWidth(kWidth);
    view.SetFineLoader([](int, QVector<float>&) { return 0.0f; });
    for (int i = 0; i < 60; ++i)
        Gesture(view, 400, 540, 30, 910);
    const float fMinutes = PDoseCurveScale::kFinestZoom * kWidth;
    const int nSlots = view.FineEnd() - view.FineStart();
    QVERIFY2(nSlots >= fMinutes * 30 * 0.9f, qPrintable(QString::number(nSlots)));
    QVERIFY(view.ViewEnd() > view.ViewStart());
    const int nStart = view.FineStart();
    Gesture(view, 400, 540, 30, 910);
    QCOMPARE(view.FineStart(), nStart);
    QCOMPARE(view.FineEnd() - view.FineStart(), nSlots);
    // Pinching the fingers together widens it again.
    Gesture(view, 30, 910, 400, 540);
    QVERIFY(view.FineEnd() - view.FineStart() > nSlots);
}

void TestDoseCurveScale::panStopsAtTheDayEdges()
{
    PDoseCurveView view(1440);
    view.SetPlotWidth(kWidth);
    // The left finger rests on the axis side, the right spreads: the view
    // keeps its start at midnight.
    Gesture(view, 200, 300, 200, 800);
    QCOMPARE(view.ViewStart(), 0);
    const int nEnd = view.ViewEnd();
    QVERIFY(nEnd < 1440);
    // Dragging right shows earlier times: at midnight nothing moves.
    Gesture(view, 400, 450, 600, 650);
    QCOMPARE(view.ViewStart(), 0);
    QCOMPARE(view.ViewEnd(), nEnd);
    // Dragging left moves later, by whole minutes, keeping the width.
    Gesture(view, 600, 650, 400, 450);
    QVERIFY(view.ViewStart() > 0);
    QCOMPARE(view.ViewEnd() - view.ViewStart(), nEnd);
    for (int i = 0; i < 40; ++i)
        Gesture(view, 900, 950, 100, 150);
    QCOMPARE(view.ViewEnd(), 1440);
    QCOMPARE(view.ViewEnd() - view.ViewStart(), nEnd);
}

void TestDoseCurveScale::finePanCrossesIntoTheNextHour()
{
    QList<int> loadedHours;
    PDoseCurveView view(1440);
    view.SetPlotWidth(kWidth);
    view.SetFineLoader([&loadedHours](int nHour, QVector<float>&) {
        loadedHours << nHour;
        return 0.0f;
    });
    for (int i = 0; i < 20 && !view.IsFineShown(); ++i)
        Gesture(view, 400, 540, 30, 910);
    QVERIFY(view.IsFineShown());
    const int nFirst = view.FirstFineHour();
    // Drag left far and long: the view walks into later hours and the buffer follows.
    for (int i = 0; i < 400 && view.FirstFineHour() == nFirst; ++i) {
        view.Pinch(900, 950, 100, 150);
        QVERIFY(view.FineStart() >= 0 && view.FineEnd() <= PDoseCurveView::kFineSlots);
        QVERIFY(view.FineEnd() > view.FineStart());
    }
    QCOMPARE(view.FirstFineHour(), nFirst + 1);
    QCOMPARE(loadedHours.last(), nFirst + 1);
    QVERIFY(view.ViewStart() >= (nFirst + 1) * 60 - 1);
}

void TestDoseCurveScale::collapsedPlotDoesNotDivideByZero()
{
    PDoseCurveView view(1440);
    view.SetPlotWidth(0);
    view.Pinch(0, 0, 0, 0);
    view.Pinch(0, 0, -5, 5);
    QVERIFY(std::isfinite(view.Zoom()));
    PDoseCurveView empty(0);
    empty.Pinch(100, 200, 50, 300);
    QCOMPARE(empty.ViewEnd(), 0);
    QCOMPARE(PDoseCurveScale::YScale(5.0, 0, 1.0), 1.0);
}

void TestDoseCurveScale::staffBaseAndOffset()
{
    QVector<float> values {0.0f, 7.0f, 5.0f, 9.0f};
    QCOMPARE(PStaffDoseScale::SubtractBase(values), 5.0f);
    QCOMPARE(values, (QVector<float> {-5.0f, 2.0f, 0.0f, 4.0f}));
    QVector<float> empty(31, 0.0f);
    QCOMPARE(PStaffDoseScale::SubtractBase(empty), 0.0f);
    QCOMPARE(empty, QVector<float>(31, 0.0f));
    // The base day lies on the axis and is labelled with the offset.
    const auto labels = PStaffDoseScale::ValueLabels(true, {kHeight / 8.0, false}, kHeight, 5.0f);
    QCOMPARE(labels[0].strText, QStringLiteral("5.00"));
    QCOMPARE(PStaffDoseScale::ValueY(values[2], kHeight / 8.0), 0);
}

void TestDoseCurveScale::staffScaling_data()
{
    QTest::addColumn<bool>("personal");
    QTest::addColumn<float>("max");
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("upper");
    QTest::newRow("nothing stored") << true << 0.0f << 1.0 << false;
    QTest::newRow("region month") << false << 2.0f << kHeight / 2.0 << false;
    QTest::newRow("staff below 10000 uses the lower half")
        << true << 100.0f << kHeight / 200.0 << false;
    QTest::newRow("staff between 10000 and 20000 up to the mark")
        << true << 15000.0f << kHeight / 20000.0 << true;
    QTest::newRow("staff at 10000") << true << 10000.0f << kHeight / 20000.0 << true;
    QTest::newRow("staff above 20000") << true << 40000.0f << kHeight / 40000.0 << true;
}

void TestDoseCurveScale::staffScaling()
{
    QFETCH(bool, personal);
    QFETCH(float, max);
    QFETCH(double, scale);
    QFETCH(bool, upper);
    const QVector<float> values {max / 3, max, 0.0f};
    const auto result = PStaffDoseScale::YScale(values, personal, kHeight);
    QCOMPARE(result.dYScale, scale);
    QCOMPARE(result.bUpperRange, upper);
    QVERIFY(PStaffDoseScale::ValueY(max, result.dYScale) <= kHeight);
}

void TestDoseCurveScale::staffLabels()
{
    // Between 10000 and 20000 the labels read the same scale the values use.
    const auto band = PStaffDoseScale::YScale({15000.0f}, true, kHeight);
    const auto labels = PStaffDoseScale::ValueLabels(true, band, kHeight, 0.0f);
    QCOMPARE(labels.size(), 4);
    QCOMPARE(labels[2].strText, QStringLiteral("10000.00"));
    QCOMPARE(PStaffDoseScale::MarkY(band, kHeight), kHeight);
    // Below 10000: five lower labels up to the maximum, the top marked 20000.
    const auto low = PStaffDoseScale::YScale({100.0f}, true, kHeight);
    const auto lowLabels = PStaffDoseScale::ValueLabels(true, low, kHeight, 0.0f);
    QCOMPARE(lowLabels.size(), 7);
    QCOMPARE(lowLabels[4].strText, QStringLiteral("100.00"));
    QCOMPARE(lowLabels[6].nY, kHeight);
    QCOMPARE(lowLabels[6].strText, QStringLiteral("20000"));
    QCOMPARE(PStaffDoseScale::ColumnLabel(0, 24), QStringLiteral("0"));
    QCOMPARE(PStaffDoseScale::ColumnLabel(23, 24), QStringLiteral("23"));
    QCOMPARE(PStaffDoseScale::ColumnLabel(0, 31), QStringLiteral("1"));
    QCOMPARE(PStaffDoseScale::ColumnLabel(30, 31), QStringLiteral("31"));
    QCOMPARE(PStaffDoseScale::ColumnX(24, 24, kWidth), kWidth + 5);
    QCOMPARE(PStaffDoseScale::ColumnX(3, 0, kWidth), 5);
}

QTEST_APPLESS_MAIN(TestDoseCurveScale)
#include "tst_dosecurvescale.moc"
