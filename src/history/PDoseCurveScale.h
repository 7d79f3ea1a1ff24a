#pragma once

#include <QLine>
#include <QPolygon>
#include <QString>
#include <QVector>

// Scaling and point building of the dose-rate chart, kept free of painting so
// that the arithmetic can be checked directly. Samples are dose rates in
// µRad/h; x and y are pixels relative to the chart origin, y negative upwards.
class PDoseCurveScale final
{
public:
    // Minutes per pixel of the visible window: a whole day across a 957-pixel
    // plot, the switch to 2-second samples at 50 minutes, the narrowest view
    // at about 5 minutes.
    static constexpr float kWholeDayZoom = 1.5047022f;
    static constexpr float kFineZoom = 0.052246604f;
    static constexpr float kFinestZoom = 0.0052246605f;

    // A multi-curve range longer than this is refused.
    static constexpr int kMaxCurveRange = 1440000;

    struct Label
    {
        int nX;
        int nY;
        QString strText;
    };

    struct TimeMark
    {
        int nIndex;
        int nX;
    };

    static bool IsMinuteZoom(float fZoom) { return fZoom > kFineZoom && fZoom < kWholeDayZoom; }
    static bool IsFineZoom(float fZoom) { return fZoom > 0.0f && fZoom <= kFineZoom; }

    // The largest sample of [nStart, nEnd), never below 0; indices outside
    // the buffer count as 0.
    static float RangeMax(const QVector<float>& samples, int nStart, int nEnd);

    // The scaling maximum of the single curve: a threshold line above the
    // samples but at most 2 raises it; in fine mode the fine maximum rules.
    static double SingleCurveMax(double dSampleMax, int nThreshold, bool bFine, double dFineMax);

    // Pixels per dose unit: the highest value reaches the full plot height up
    // to 1.0, two thirds up to 2.0 and one third above. dZeroScale applies
    // when there is nothing to scale.
    static double YScale(double dMax, int nPlotHeight, double dZeroScale);

    // One point per index of [nStart, nEnd), spread over the plot width.
    static QPolygon BuildPoints(
        const QVector<float>& samples, int nStart, int nEnd, int nPlotWidth, double dYScale);

    // The line pieces between consecutive points that both lie above the
    // axis: a zero sample breaks the curve.
    static QVector<QLine> Segments(const QPolygon& points);

    // Minutes between time labels for the zoom state and the visible window.
    static int TimeStep(float fZoom, bool bFine, int nViewStart, int nViewEnd);

    // Indices from nStart to nEnd inclusive by nStep, with their x positions
    // (the text is the caller's, it depends on the base time).
    static QVector<TimeMark> TimeLabels(int nStart, int nEnd, int nStep, int nPlotWidth);

    // Four labels from the axis up to three quarters of the plot height.
    static QVector<Label> ValueLabels(int nPlotHeight, double dYScale);

    // Seconds after the base time under the cursor line.
    static qint64 CursorSeconds(int nStart, int nEnd, int nMouseX, int nPlotWidth);

    // x of a chart title: 200 pixels before the plot's end, further left when
    // a longer (translated) title would run past the widget's right margin.
    static int TitleX(int nTextWidth, int nPlotWidth);

    // A pixel coordinate from a scaled value; huge or invalid values are held
    // to a range that int arithmetic and the painter can take.
    static int ToPixel(double dValue);

private:
    PDoseCurveScale() = delete;
};
