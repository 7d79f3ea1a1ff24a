#pragma once

#include "history/PDoseCurveScale.h"
#include "history/PDoseCurveView.h"

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QPolygon>
#include <QVector>
#include <QWidget>

class RRegionCatalogue;

class QFontMetrics;
class QPainter;
class QTouchEvent;
class SClock;

// One day of per-minute dose rates (µRad/h) of a region or a staff member
// (the history's day curve), or several region curves at once (the live
// curves), with a cursor read-out. In single-curve mode two fingers zoom
// and pan; below 50 minutes across the plot the curve shows the stored
// 2-second samples. Reads the default database connection: GUI thread only.
class RDoseRatioDiagram : public QWidget
{
    Q_OBJECT

public:
    explicit RDoseRatioDiagram(QWidget* parent = nullptr);
    ~RDoseRatioDiagram() override;

    // Callers set the base time first: sample i is drawn at base + i minutes.
    void LoadDay(int id, bool personal, int length, QDate day);
    void SetBaseTime(int year, int month, int day, int hour, int minute);
    // 0 labels "μSv/h", 1 "μRad/h", anything else no unit.
    void SetUnitMode(int nMode);
    // A dose rate at which a red line is drawn; 0 draws none.
    void SetThresholdLine(int nValue);
    void SetCurveColour(QColor colour);
    // The curve colour of the curve-colour preset holder.
    void ResetCurveColour();

    // Multi-curve mode: one curve per region id, today's minutes.
    void AddCurve(int id, int length);
    void LoadCurve(int id, bool personal, int length);
    // Reads today's minutes nFirst..nLast of every curve again, in one query.
    void RefreshCurves(int nFirstMinute, int nLastMinute);
    void ClearCurves();
    void LoadCurveEnabled(const RRegionCatalogue& catalogue);
    void LoadCurveColours(const RRegionCatalogue& catalogue);

    // Ends a touch gesture.
    void ResetTouch();

    // The source of "today" for LoadCurve; not owned, null for the system clock.
    void SetClock(SClock* pClock) { m_pClock = pClock; }

    int Length() const { return m_nLength; }
    const QVector<float>& Samples() const { return m_samples; }
    QList<int> CurrentItem() const { return m_currentItem; }
    QDate Day() const { return m_day; }
    QDateTime BaseTime() const { return m_baseTime; }
    double CursorValue() const { return m_dCursorValue; }
    int UnitMode() const { return m_nUnitMode; }
    int ThresholdLine() const { return m_nThresholdLine; }
    QColor CurveColour() const { return m_curveColour; }
    bool HasCurve(int id) const { return m_curveBuffers.contains(id); }
    QVector<float> CurveSamples(int id) const { return m_curveBuffers.value(id); }
    bool IsCurveEnabled(int id) const { return m_curveEnabled.value(id, false); }
    QColor CurveColourOf(int id) const { return m_curveColours.value(id, m_curveColour); }
    const PDoseCurveView& View() const { return m_view; }

    // The layout of the next paint: the range drawn, pixels per µRad/h and
    // the points (relative to the chart origin, y negative upwards).
    void UpdateLayout();
    int StartIndex() const { return m_startIndex; }
    int EndIndex() const { return m_endIndex; }
    double YScale() const { return m_dYScale; }
    QPolygon MainPolygon() const { return m_mainPolygon; }
    QPolygon CurvePolygon(int id) const { return m_curvePolygons.value(id); }
    int PlotWidth() const { return m_nPlotWidth; }
    int PlotHeight() const { return m_nPlotHeight; }
    // The plot's origin in widget pixels: the left margin grows with the
    // widest value label.
    QPoint Origin() const;
    const PDoseCurveScale::Axis& ValueAxis() const { return m_axis; }
    // The cursor appears with the first press on the chart.
    bool IsCursorShown() const { return m_bCursorShown; }
    // The chart's title: the live curves, or the day of the single curve.
    QString Title() const;
    // The live curves' axis is logarithmic while one peaks far above another.
    bool IsLogAxis() const;
    const PDoseCurveScale::LogAxis& LogValueAxis() const { return m_logAxis; }
    // Pixels above the time axis of a dose rate on the value axis, and back.
    int HeightOf(double dValue) const;
    double ValueAtHeight(int nHeight) const;
    // The value axis' labels as drawn.
    QVector<PDoseCurveScale::Label> ValueLabels() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    bool event(QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    Q_DISABLE_COPY(RDoseRatioDiagram)

    void SetLength(int nLength);
    void MoveCursor(const QPoint& pos);
    void HandleTouch(QTouchEvent* pEvent);
    QString UnitText() const;
    void DrawValueAxis(QPainter& painter, const QFontMetrics& metrics);
    void DrawTimeAxis(QPainter& painter, const QFontMetrics& metrics);
    void DrawCursor(QPainter& painter, const QFontMetrics& metrics, bool bFine);
    float LoadFine(int nFirstHour, QVector<float>& fine) const;
    bool IsMultiCurve() const { return !m_curveBuffers.isEmpty(); }

    QVector<float> m_samples;
    double m_dCursorValue = 0.5;
    int m_nLength = 0;
    QDateTime m_baseTime;
    int m_startIndex = 0;
    int m_endIndex = 0;
    int m_nLeftMargin = 30;
    int m_nPlotWidth = 1;
    int m_nPlotHeight = 1;
    double m_dYScale = 1.0;
    PDoseCurveScale::Axis m_axis {1.0, 0.2, 1};
    bool m_bLogAxis = false;
    // When the live axis last changed scale (ElapsedMs); -1: never.
    qint64 m_nScaleSwitchMs = -1;
    PDoseCurveScale::LogAxis m_logAxis {1.0, 10.0};
    bool m_bPressed = false;
    bool m_bCursorShown = false;
    int m_nMouseX = 30;
    int m_nMouseY = 30;
    QPolygon m_mainPolygon;
    int m_nUnitMode = 0;
    QColor m_curveColour;
    QHash<int, QPolygon> m_curvePolygons;
    QHash<int, QVector<float>> m_curveBuffers;
    QHash<int, QColor> m_curveColours;
    QHash<int, bool> m_curveEnabled;
    int m_nThresholdLine = 0;
    QHash<int, QPointF> m_touchStart;
    QHash<int, QPointF> m_touchCurrent;
    PDoseCurveView m_view;
    QList<int> m_currentItem;
    QDate m_day;
    SClock* m_pClock = nullptr;
};
