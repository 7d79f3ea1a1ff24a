#include "HistoryDb.h"

#include "history/PStaffDoseScale.h"
#include "history/RDoseRatioDiagram.h"
#include "history/RStaffDoseDiagram.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QImage>
#include <QPainter>
#include <QTouchDevice>
#include <QtTest>

#include <cmath>

namespace {

const QDate kDay(2026, 3, 7);
const QColor kAxis(139, 133, 128);

// Stands in for the preset store: answers the curve-colour holder's items.
class FakePresetStore : public QObject
{
public:
    QHash<qintptr, qintptr> items;

    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() != static_cast<QEvent::Type>(1516))
            return QObject::event(pEvent);
        SMessage::SetReply(items.value(static_cast<SMessage*>(pEvent)->First(), 0));
        return true;
    }
};

int CountColour(const QImage& image, const QColor& colour, int x0 = 0, int x1 = -1)
{
    int nCount = 0;
    const int nEnd = x1 < 0 ? image.width() : x1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = x0; x < nEnd; ++x)
            nCount += QColor(image.pixel(x, y)) == colour ? 1 : 0;
    }
    return nCount;
}

int TopRowOf(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) == colour)
                return y;
        }
    }
    return -1;
}

QImage Render(QWidget& widget, const char* pName)
{
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Set to look at the charts: nothing is written otherwise.
    const QByteArray dir = qgetenv("KESTAL_CHART_PNG_DIR");
    if (!dir.isEmpty()) {
        QImage shown(image.size(), QImage::Format_RGB32);
        shown.fill(QColor(30, 34, 48));
        QPainter(&shown).drawImage(0, 0, widget.grab().toImage());
        shown.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(pName));
    }
    return image;
}

// A quiet day near 0.12 µRad/h with an alarm from 07:10 to 07:40 and an
// outage from 12:00 to 12:20.
void InsertAlarmDay(int nId, const QDate& day)
{
    QMap<int, double> minutes;
    for (int i = 0; i < 1440; ++i) {
        if (i >= 720 && i < 740)
            continue;
        double dValue = 0.12 + 0.02 * std::sin(i / 17.0);
        if (i >= 430 && i < 460)
            dValue = 0.5 + 3.0 * std::sin((i - 430) * M_PI / 30.0);
        minutes.insert(i, dValue);
    }
    HistoryDb::InsertMinutes(nId, day, minutes);
}

// Two fingers spread from 400/500 to 300/600 and lift.
// A drag with the left button held, which QTest::mouseMove does not send.
void Drag(QWidget* pWidget, const QPoint& pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

void Spread(QWidget* pWidget, QTouchDevice* pDevice)
{
    QTest::touchEvent(pWidget, pDevice)
        .press(0, QPoint(400, 200), pWidget)
        .press(1, QPoint(500, 200), pWidget);
    QTest::touchEvent(pWidget, pDevice)
        .move(0, QPoint(300, 200), pWidget)
        .move(1, QPoint(600, 200), pWidget);
    QTest::touchEvent(pWidget, pDevice)
        .release(0, QPoint(300, 200), pWidget)
        .release(1, QPoint(600, 200), pWidget);
}

} // namespace

class TestHistoryDiagrams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { HistoryDb::Open(); }
    void cleanupTestCase() { UnregisterReceiver(&m_store); }

    void emptyDayDrawsAxesAndCursorOnly();
    void alarmDayCurveAndGap();
    void mouseMovesTheCursor();
    void twoFingersZoomTheSingleCurve();
    void deepZoomShowsTwoSecondSamples();
    void multiCurveShowsEnabledRegions();
    void coloursComeFromThePresetHolder();
    void regionMonthBars();
    void staffMonthStartsOnTheAxis();
    void staffDayHasTwentyFourHours();
    void tinyWidgetsPaint();

private:
    FakePresetStore m_store;
};

void TestHistoryDiagrams::initTestCase()
{
    const QList<int> values {1, 2, 3, 255, 0, 0, 0, 0, 255};
    for (int k = 0; k < values.size(); ++k)
        m_store.items.insert(21 + 2 * k, values[k]);
    RegisterReceiver(&m_store, 1001);
}

void TestHistoryDiagrams::emptyDayDrawsAxesAndCursorOnly()
{
    RDoseRatioDiagram diagram;
    diagram.SetCurveColour(Qt::magenta);
    diagram.SetBaseTime(2026, 3, 7, 0, 0);
    diagram.LoadDay(7, false, 1440, kDay);
    QCOMPARE(diagram.CurrentItem(), (QList<int> {7, 0}));
    const QImage image = Render(diagram, "dose_empty.png");
    // Axis along y = 370 and x = 30, no curve, the cursor at 0.5 of a 1.0 scale.
    QCOMPARE(QColor(image.pixel(500, 370)), kAxis);
    QCOMPARE(QColor(image.pixel(30, 150)), kAxis);
    QCOMPARE(CountColour(image, Qt::magenta), 0);
    QCOMPARE(diagram.YScale(), 340.0);
    QVERIFY(CountColour(image.copy(0, 199, 1000, 3), Qt::blue) > 100);
}

void TestHistoryDiagrams::alarmDayCurveAndGap()
{
    InsertAlarmDay(7, kDay);
    RDoseRatioDiagram diagram;
    diagram.SetCurveColour(Qt::magenta);
    diagram.SetBaseTime(2026, 3, 7, 0, 0);
    diagram.SetThresholdLine(2);
    diagram.LoadDay(7, false, 1440, kDay);
    const QImage image = Render(diagram, "dose_alarm_day.png");
    // The alarm peak of 3.5 reaches one third of the plot height.
    const int nTop = TopRowOf(image, Qt::magenta);
    QVERIFY2(std::abs(nTop - (370 - 340 / 3)) <= 2, qPrintable(QString::number(nTop)));
    // The outage leaves the columns of 12:01 ... 12:18 without curve.
    const int x0 = 30 + 721 * 940 / 1440 + 1;
    const int x1 = 30 + 739 * 940 / 1440;
    QCOMPARE(CountColour(image, Qt::magenta, x0, x1), 0);
    QVERIFY(CountColour(image, Qt::magenta, 30, x0) > 400);
    // The threshold line is below the peak: it does not raise the scale.
    QVERIFY(CountColour(image.copy(0, 370 - int(2 * diagram.YScale()), 1000, 1), Qt::red) > 800);
}

void TestHistoryDiagrams::mouseMovesTheCursor()
{
    RDoseRatioDiagram diagram;
    diagram.LoadDay(7, false, 1440, kDay);
    QTest::mousePress(&diagram, Qt::LeftButton, {}, QPoint(300, 200));
    QCOMPARE(diagram.CursorValue(), 0.5);
    // Above the plot the cursor stops at the top.
    Drag(&diagram, QPoint(300, 2));
    QCOMPARE(diagram.CursorValue(), 1.0);
    QTest::mouseRelease(&diagram, Qt::LeftButton, {}, QPoint(300, 2));
    Drag(&diagram, QPoint(300, 370));
    QCOMPARE(diagram.CursorValue(), 1.0);
}

void TestHistoryDiagrams::twoFingersZoomTheSingleCurve()
{
    InsertAlarmDay(7, kDay);
    RDoseRatioDiagram diagram;
    diagram.LoadDay(7, false, 1440, kDay);
    diagram.show();
    QVERIFY(QTest::qWaitForWindowExposed(&diagram));
    QTouchDevice* pDevice = QTest::createTouchDevice();
    Spread(&diagram, pDevice);
    QVERIFY(diagram.View().Zoom() > 0.0f);
    QVERIFY(diagram.View().ViewEnd() - diagram.View().ViewStart() < 1440);
    diagram.UpdateLayout();
    QCOMPARE(diagram.StartIndex(), diagram.View().ViewStart());
    QCOMPARE(diagram.MainPolygon().size(), diagram.EndIndex() - diagram.StartIndex());
    // A new day keeps the zoom.
    diagram.LoadDay(7, false, 1440, kDay.addDays(1));
    diagram.UpdateLayout();
    QCOMPARE(diagram.StartIndex(), diagram.View().ViewStart());

    // Curves of the region page ignore gestures.
    RDoseRatioDiagram multi;
    multi.AddCurve(1, 1440);
    multi.show();
    QVERIFY(QTest::qWaitForWindowExposed(&multi));
    Spread(&multi, pDevice);
    QCOMPARE(multi.View().Zoom(), 0.0f);
}

void TestHistoryDiagrams::deepZoomShowsTwoSecondSamples()
{
    InsertAlarmDay(7, kDay);
    QMap<int, double> slots11;
    QMap<int, double> slots12;
    for (int i = 0; i < 1800; ++i) {
        slots11.insert(i, 0.2 + 0.1 * std::sin(i / 9.0));
        if (i < 600 || i > 700)
            slots12.insert(i, 0.25);
    }
    slots12.insert(5, 6.0);
    HistoryDb::InsertHour(7, kDay, 11, slots11);
    HistoryDb::InsertHour(7, kDay, 12, slots12);
    RDoseRatioDiagram diagram;
    diagram.SetCurveColour(Qt::magenta);
    diagram.SetBaseTime(2026, 3, 7, 0, 0);
    diagram.LoadDay(7, false, 1440, kDay);
    diagram.show();
    QVERIFY(QTest::qWaitForWindowExposed(&diagram));
    QTouchDevice* pDevice = QTest::createTouchDevice();
    for (int i = 0; i < 40 && !diagram.View().IsFineShown(); ++i)
        Spread(&diagram, pDevice);
    QVERIFY(diagram.View().IsFineShown());
    QCOMPARE(diagram.View().FirstFineHour(), 11);
    const QImage image = Render(diagram, "dose_fine.png");
    // The scale follows the 2-second maximum, not the minute curve's peak.
    QCOMPARE(diagram.View().FineMax(), 6.0f);
    QCOMPARE(diagram.YScale(), 340.0 / 6.0 / 3.0);
    QCOMPARE(diagram.MainPolygon().size(), diagram.View().FineEnd() - diagram.View().FineStart());
    QVERIFY(CountColour(image, Qt::magenta) > 200);
    // Another day with nothing stored empties the 2-second curve at once.
    diagram.LoadDay(7, false, 1440, kDay.addDays(-1));
    QCOMPARE(diagram.View().FineMax(), 0.0f);
    QCOMPARE(CountColour(Render(diagram, "dose_fine_empty.png"), Qt::magenta), 0);
}

void TestHistoryDiagrams::multiCurveShowsEnabledRegions()
{
    SManualClock clock(QDateTime(kDay, QTime(15, 0)));
    HistoryDb::AddRegion(1, 11, 2, 2, 255, 0, 0);
    HistoryDb::AddRegion(2, 12, 2, 0, 0, 255, 0);
    HistoryDb::InsertMinutes(11, kDay, {{100, 1.5}, {101, 1.4}, {102, 1.2}});
    HistoryDb::InsertMinutes(12, kDay, {{200, 9.0}, {201, 9.0}});
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
    // Only the enabled region counts for the scale and is drawn.
    QCOMPARE(diagram.YScale(), 340.0 / 1.5 / 1.5);
    QVERIFY(CountColour(image, Qt::red) > 0);
    QCOMPARE(CountColour(image, Qt::green), 0);
    QCOMPARE(diagram.CurvePolygon(12).size(), 1440);
    diagram.ClearCurves();
    QVERIFY(!diagram.HasCurve(11));
    diagram.UpdateLayout();
    QCOMPARE(diagram.MainPolygon().size(), 1440);
}

void TestHistoryDiagrams::coloursComeFromThePresetHolder()
{
    RDoseRatioDiagram diagram;
    diagram.ResetCurveColour();
    QCOMPARE(diagram.CurveColour(), QColor(1, 2, 3));
    RStaffDoseDiagram staff;
    staff.LoadColours();
    QCOMPARE(staff.CurveColour(), QColor(1, 2, 3));
    QCOMPARE(staff.AboveColour(), QColor(255, 0, 0));
    QCOMPARE(staff.BelowColour(), QColor(0, 0, 255));
}

void TestHistoryDiagrams::regionMonthBars()
{
    for (int d : {1, 2}) {
        PSqlExec::Exec(
            QStringLiteral("insert into MonthMinuteDose (Id, Month, Sum) values (4, '%1', %2)")
                .arg(HistoryDb::Day(QDate(2026, 3, d)))
                .arg(1800 * d));
    }
    RStaffDoseDiagram staff;
    staff.LoadColours();
    staff.SetPersonal(false);
    staff.SetMode(RStaffDoseDiagram::MonthHistogram);
    staff.LoadDoses(4, 31, QDate(2026, 3, 15));
    QCOMPARE(staff.Values()[0], 1.0f);
    QCOMPARE(staff.Values()[1], 2.0f);
    QCOMPARE(staff.ValueOffset(), 0.0f);
    QCOMPARE(staff.CursorValue(), 1.0f);
    const QImage image = Render(staff, "staff_region_month.png");
    // Day 1 at the cursor is drawn in the at-or-below colour, day 2 above it.
    const int x1 = 30 + PStaffDoseScale::ColumnX(0, 31, 940) + 4;
    const int x2 = 30 + PStaffDoseScale::ColumnX(1, 31, 940) + 4;
    QCOMPARE(QColor(image.pixel(x1, 370 - 60)), QColor(0, 0, 255));
    QCOMPARE(QColor(image.pixel(x2, 370 - 250)), QColor(255, 0, 0));
    QVERIFY(QColor(image.pixel(x1, 370 - 200)) != QColor(0, 0, 255));
}

void TestHistoryDiagrams::staffMonthStartsOnTheAxis()
{
    QMap<int, double> sums {{2, 300.0}, {3, 600.0}, {4, 900.0}, {9, 1500.0}, {20, 2400.0}};
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        HistoryDb::InsertPersonalDay(6, QDate(2026, 3, it.key()), {}, it.value(), 0);
    RStaffDoseDiagram staff;
    staff.LoadColours();
    staff.SetPersonal(true);
    staff.SetMode(RStaffDoseDiagram::MonthCurve);
    staff.LoadDoses(6, 31, QDate(2026, 3, 1));
    QCOMPARE(staff.ValueOffset(), 5.0f);
    QCOMPARE(staff.Values()[1], 0.0f);
    QCOMPARE(staff.Values()[19], 35.0f);
    const QImage image = Render(staff, "staff_month.png");
    // The smallest day's point sits on the axis.
    const int nX = 30 + PStaffDoseScale::ColumnX(1, 31, 940) + 10;
    QCOMPARE(QColor(image.pixel(nX, 368)), QColor(0, 0, 255));
    QCOMPARE(QColor(image.pixel(nX, 300)), QColor(image.pixel(nX - 40, 300)));
}

void TestHistoryDiagrams::staffDayHasTwentyFourHours()
{
    HistoryDb::InsertPersonalDay(6, kDay, {{8, 120.0}, {9, 240.0}, {10, 600.0}}, 0, 10);
    RStaffDoseDiagram staff;
    staff.SetPersonal(true);
    staff.SetMode(RStaffDoseDiagram::DayCurve);
    staff.SetShownId(6);
    staff.LoadDoses(6, 24, kDay);
    QCOMPARE(staff.Length(), 24);
    QCOMPARE(staff.ValueOffset(), 2.0f);
    QCOMPARE(staff.Values()[10], 8.0f);
    Render(staff, "staff_day.png");
}

void TestHistoryDiagrams::tinyWidgetsPaint()
{
    InsertAlarmDay(7, kDay);
    RDoseRatioDiagram diagram;
    diagram.LoadDay(7, false, 1440, kDay);
    diagram.setFixedSize(20, 20);
    Render(diagram, "dose_tiny.png");
    QVERIFY(diagram.YScale() > 0.0);
    QTest::mousePress(&diagram, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(std::isfinite(diagram.CursorValue()));
    RStaffDoseDiagram staff;
    staff.setFixedSize(10, 10);
    staff.LoadDoses(1, 0, kDay);
    Render(staff, "staff_tiny.png");
    QCOMPARE(staff.Length(), 0);
}

QTEST_MAIN(TestHistoryDiagrams)
#include "tst_historydiagrams.moc"
