#pragma once

#include "history/PStaffDoseScale.h"

#include <QColor>
#include <QDate>
#include <QVector>
#include <QWidget>

// The month or day chart of stored doses: bars of a region's days, or the
// points and lines of a staff member's cumulative dose per day or per hour,
// with a cursor line whose value the bars are coloured against.
// Reads the default database connection: GUI thread only.
class RStaffDoseDiagram : public QWidget
{
public:
    enum Mode { MonthCurve = 0, MonthHistogram = 1, DayCurve = 2 };

    explicit RStaffDoseDiagram(QWidget* parent = nullptr);
    ~RStaffDoseDiagram() override;

    // length 24 loads the hours of day, any other the days of its month.
    void LoadDoses(int id, int length, QDate day);
    void SetMode(int nMode);
    // The owner keeps the personal flag in step with the mode (mode != 1).
    void SetPersonal(bool bPersonal) { m_bPersonal = bPersonal; }
    // Shown as "Id:%1" in the day curve when not 0.
    void SetShownId(int nId) { m_nShownId = nId; }
    void SetDay(QDate day) { m_day = day; }
    // The three colours of the curve-colour preset holder.
    void LoadColours();

    int Length() const { return m_nLength; }
    const QVector<float>& Values() const { return m_values; }
    float ValueOffset() const { return m_fValueOffset; }
    float CursorValue() const { return m_fCursorValue; }
    int Mode() const { return m_nMode; }
    bool IsPersonal() const { return m_bPersonal; }
    int ShownId() const { return m_nShownId; }
    QDate Day() const { return m_day; }
    QColor AboveColour() const { return m_aboveColour; }
    QColor BelowColour() const { return m_belowColour; }
    QColor CurveColour() const { return m_curveColour; }

    // The scale of the next paint.
    PStaffDoseScale::Scale CurrentScale() const;
    int PlotWidth() const;
    int PlotHeight() const;
    // Left of the y axis: room for the widest value label.
    int LeftMargin() const;
    // Region bars whose values do not fit across their column carry them
    // upright.
    bool ValuesUpright() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    Q_DISABLE_COPY(RStaffDoseDiagram)

    void MoveCursor(int nX, int nY);
    QString AxisName() const;
    void DrawColumns(QPainter& painter, const PStaffDoseScale::Scale& scale);
    void DrawBarValue(QPainter& painter, const QRect& bar, const QString& strText, bool bUpright);
    // The line's value and the bar colours, in the band above the plot;
    // returns the x where the band has room again.
    int DrawLegend(QPainter& painter, int nX, int nBaseline);
    // Width of the widest bar value as drawn.
    int WidestValue() const;
    // The decimals of every value the chart prints.
    int Decimals() const;

    float m_fCursorValue = 0.5f;
    QVector<float> m_values;
    int m_nLength = 30;
    QDate m_day;
    bool m_bPressed = false;
    int m_nMode = MonthCurve;
    int m_nShownId = 0;
    QColor m_aboveColour;
    QColor m_belowColour;
    QColor m_curveColour;
    bool m_bPersonal = true;
    int m_nMouseX = 30;
    float m_fValueOffset = 0.0f;
};
