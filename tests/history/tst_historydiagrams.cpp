#include "BusRecorder.h"
#include "HistoryDb.h"

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
const QColor kAxis(139, 133, 128);
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

QImage Render(QWidget& widget, const char* pName)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(QColor(30, 34, 48));
    QPainter(&image).drawImage(0, 0, widget.grab().toImage());
    // Set to look at the charts; nothing is written otherwise.
    const QString strDir = qEnvironmentVariable("KESTAL_CHART_PNG_DIR");
    if (!strDir.isEmpty())
        image.save(strDir + QLatin1Char('/') + QLatin1String(pName));
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
        const QImage image = Render(diagram, "dose_empty.png");
        // Axes along y = 370 and x = 30, no curve, no cursor before a press.
        QCOMPARE(QColor(image.pixel(500, 370)), kAxis);
        QCOMPARE(QColor(image.pixel(30, 150)), kAxis);
        QCOMPARE(CountColour(image, Qt::magenta), 0);
        QCOMPARE(CountColour(image, kCursor), 0);
        // The mouse moves the cursor; above the plot it stops at the top.
        QTest::mousePress(&diagram, Qt::LeftButton, {}, QPoint(300, 115));
        QCOMPARE(diagram.CursorValue(), 0.75);
        QVERIFY(
            CountColour(Render(diagram, "dose_cursor.png").copy(0, 115, 1000, 1), kCursor) > 100);
        Drag(&diagram, QPoint(300, 2));
        QCOMPARE(diagram.CursorValue(), 1.0);
        QTest::mouseRelease(&diagram, Qt::LeftButton, {}, QPoint(300, 2));
        Drag(&diagram, QPoint(300, 370));
        QCOMPARE(diagram.CursorValue(), 1.0);
        diagram.ResetCurveColour();
        QCOMPARE(diagram.CurveColour(), QColor(1, 2, 3));

        // The same diagram reloaded with a day holding an alarm and a gap.
        InsertAlarmDay(7, kDay);
        diagram.SetCurveColour(Qt::magenta);
        diagram.SetBaseTime(2026, 3, 7, 0, 0);
        diagram.SetThresholdLine(2);
        diagram.LoadDay(7, false, 1440, kDay);
        const QImage alarm = Render(diagram, "dose_alarm_day.png");
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
        Render(diagram, "dose_tiny.png");
        QTest::mousePress(&diagram, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(std::isfinite(diagram.CursorValue()));
    }

    // Two fingers spreading on the chart zoom down to the 2-second samples of
    // the hours shown; a day with nothing stored keeps the zoom, not the curve.
    void touchZoomReachesTwoSecondSamples()
    {
        InsertAlarmDay(7, kDay);
        QMap<int, double> hour11;
        QMap<int, double> hour12 {{5, 6.0}};
        for (int i = 0; i < 1800; ++i) {
            hour11.insert(i, 0.2 + 0.1 * std::sin(i / 9.0));
            if (i > 5 && (i < 600 || i > 700))
                hour12.insert(i, 0.25);
        }
        Insert("MonthData", "Id,Month,Hour", Keys(7, kDay, ",11"), hour11);
        Insert("MonthData", "Id,Month,Hour", Keys(7, kDay, ",12"), hour12);
        RDoseRatioDiagram diagram;
        diagram.SetCurveColour(Qt::magenta);
        diagram.SetBaseTime(2026, 3, 7, 0, 0);
        diagram.LoadDay(7, false, 1440, kDay);
        diagram.show();
        QVERIFY(QTest::qWaitForWindowExposed(&diagram));
        for (int i = 0; i < 40 && !diagram.View().IsFineShown(); ++i)
            Spread(&diagram);
        QVERIFY(diagram.View().IsFineShown());
        QCOMPARE(diagram.View().FirstFineHour(), 11);
        const QImage image = Render(diagram, "dose_fine.png");
        // A 2-second value above the day's minutes stays on the plot; the
        // curve follows the 2-second window.
        QVERIFY(6.0 * diagram.YScale() <= diagram.PlotHeight());
        QVERIFY(3.5 * diagram.YScale() < 6.0 * diagram.YScale() - 10);
        QCOMPARE(
            diagram.MainPolygon().size(), diagram.View().FineEnd() - diagram.View().FineStart());
        QVERIFY(CountColour(image, Qt::magenta) > 200);
        // A day with nothing stored keeps the zoom and empties the curve at once.
        diagram.LoadDay(7, false, 1440, kDay.addDays(-1));
        QVERIFY(diagram.View().IsFineShown());
        QCOMPARE(CountColour(Render(diagram, "dose_fine_empty.png"), Qt::magenta), 0);
    }

    // A steady 560 µRad/h (16800 stored per minute, 560 in every 2-second
    // slot): the minute curve and the 2-second curve lie on the same pixel
    // row, the one the axis gives 560, on either side of the zoom switch.
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
            nMinuteRow = FindRows(Render(diagram, "dose_steady.png"), Qt::magenta).nFullest;
            Spread(&diagram);
        }
        QVERIFY(diagram.View().IsFineShown());
        const int nFineRow
            = FindRows(Render(diagram, "dose_steady_fine.png"), Qt::magenta).nFullest;
        QCOMPARE(nFineRow, nMinuteRow);
        const double dPixel = diagram.ValueAxis().dTop / diagram.PlotHeight();
        QVERIFY2(std::abs(ValueAtRow(diagram, nFineRow) - 560.0) <= 1.5 * dPixel,
            qPrintable(QString::number(ValueAtRow(diagram, nFineRow))));
    }

    // Only enabled regions count for the scale and are drawn, each in its own
    // colour; gestures belong to the single curve.
    void multiCurveShowsEnabledRegions()
    {
        SManualClock clock(QDateTime(kDay, QTime(15, 0)));
        // Region 11's display row holds only its id: shown, in the default colour.
        TestDb::AddRegions({11, 12});
        PSqlExec::Exec(
            "update RegionCurveColorInfo set ButtonCheck = 0, G_Color = 255 where Id = 12");
        RRegionCatalogue::Shared().Reload();
        Insert("MonthMinuteDose", "Id,Month", Keys(11, kDay), {{100, 45}, {101, 42}, {102, 36}});
        Insert("MonthMinuteDose", "Id,Month", Keys(12, kDay), {{200, 270}, {201, 270}});
        RDoseRatioDiagram diagram;
        diagram.SetClock(&clock);
        diagram.LoadDay(11, false, 1440, kDay);
        diagram.LoadCurveEnabled();
        diagram.LoadCurveColours();
        diagram.AddCurve(11, 1440);
        diagram.AddCurve(12, 1440);
        diagram.AddCurve(11, 10); // already there: unchanged
        diagram.LoadCurve(11, false, 1440);
        diagram.LoadCurve(12, false, 1440);
        QCOMPARE(diagram.CurveSamples(11).size(), 1440);
        QCOMPARE(diagram.CurveSamples(12)[200], 9.0f);
        const QImage image = Render(diagram, "dose_regions.png");
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
        TestDb::AddRegions({11, 12});
        PSqlExec::Exec("update RegionCurveColorInfo set G_Color = 255 where Id = 12");
        RRegionCatalogue::Shared().Reload();
        QMap<int, double> steady;
        QMap<int, double> burst;
        for (int i = 100; i < 700; ++i) {
            steady.insert(i, 560 * kStoredPerRate);
            burst.insert(i, (i >= 300 && i < 310 ? 56000 : 500) * kStoredPerRate);
        }
        Insert("MonthMinuteDose", "Id,Month", Keys(11, kDay), steady);
        Insert("MonthMinuteDose", "Id,Month", Keys(12, kDay), burst);
        RDoseRatioDiagram diagram;
        diagram.SetClock(&clock);
        diagram.LoadDay(11, false, 1440, kDay);
        diagram.LoadCurveEnabled();
        diagram.LoadCurveColours();
        for (int nId : {11, 12}) {
            diagram.AddCurve(nId, 1440);
            diagram.LoadCurve(nId, false, 1440);
        }
        const QImage image = Render(diagram, "dose_regions_burst.png");
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
    // axis; a widget smaller than its margins still paints.
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
        QCOMPARE(staff.CurveColour(), QColor(1, 2, 3));
        staff.SetPersonal(false);
        staff.SetMode(RStaffDoseDiagram::MonthHistogram);
        staff.LoadDoses(4, 31, QDate(2026, 3, 15));
        QCOMPARE(staff.CursorValue(), 1.0f);
        const QImage image = Render(staff, "staff_region_month.png");
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
        // The reference line has a legend: its colours stand in the band above the plot.
        QVERIFY(CountColour(image.copy(0, 0, 1000, 30), kBelow) > 20);
        QVERIFY(CountColour(image.copy(0, 0, 1000, 30), kAbove) > 20);

        // Staff charts start on the axis: the smallest day's point sits on it.
        staff.SetPersonal(true);
        staff.SetMode(RStaffDoseDiagram::MonthCurve);
        staff.LoadDoses(6, 31, QDate(2026, 3, 1));
        QCOMPARE(staff.ValueOffset(), 5.0f);
        const QImage month = Render(staff, "staff_month.png");
        const int nX = staff.LeftMargin() + PStaffDoseScale::ColumnX(1, 31, staff.PlotWidth()) + 10;
        QCOMPARE(QColor(month.pixel(nX, 368)), kBelow);
        staff.SetMode(RStaffDoseDiagram::DayCurve);
        staff.SetShownId(6);
        staff.LoadDoses(6, 24, kDay);
        QCOMPARE(staff.Length(), 24);
        QCOMPARE(staff.ValueOffset(), 2.0f);
        QCOMPARE(staff.Values()[10], 8.0f);
        Render(staff, "staff_day.png");
        staff.setFixedSize(10, 10);
        staff.LoadDoses(1, 0, kDay);
        Render(staff, "staff_tiny.png");
        QCOMPARE(staff.Length(), 0);
    }

    // Five-digit day values do not fit across the columns of a 1000-pixel
    // month: they stand upright, and the highest ends below the plot's top;
    // on a wide chart they lie flat.
    void barValuesStayApartAndInside()
    {
        for (int d = 1; d <= 31; ++d)
            Insert("MonthMinuteDose", "Id,Month,Sum",
                Keys(4, QDate(2026, 3, d), QStringLiteral(",%1").arg(1800.0 * (13000 + 20 * d))));
        RStaffDoseDiagram staff;
        staff.SetPersonal(false);
        staff.SetMode(RStaffDoseDiagram::MonthHistogram);
        staff.LoadDoses(4, 31, QDate(2026, 3, 15));
        QVERIFY(staff.ValuesUpright());
        const QImage image = Render(staff, "staff_region_upright.png");
        // Nothing white in the plot's top rows: the values end below them.
        int nWhite = 0;
        for (int y = 30; y < 36; ++y) {
            for (int x = staff.LeftMargin() + 2; x < staff.LeftMargin() + staff.PlotWidth(); ++x) {
                const QColor colour(image.pixel(x, y));
                nWhite += colour.red() > 200 && colour.green() > 200 && colour.blue() > 200 ? 1 : 0;
            }
        }
        QCOMPARE(nWhite, 0);
        staff.setFixedWidth(1900);
        QVERIFY(!staff.ValuesUpright());
    }
};

QTEST_MAIN(TestHistoryDiagrams)
#include "tst_historydiagrams.moc"
