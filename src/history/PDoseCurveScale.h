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

    // A value label: y upwards from the axis in pixels.
    struct Label
    {
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

    // The smallest sample above 0 of [nStart, nEnd); 0 when there is none.
    static float RangeMinPositive(const QVector<float>& samples, int nStart, int nEnd);

    // The scaling maximum of the single curve: a threshold line above the
    // samples but at most 2 raises it. In fine mode a 2-second value above
    // the day's minutes raises it too; the day's maximum stays, so the curve
    // keeps its height across the switch to 2-second samples.
    static double SingleCurveMax(double dSampleMax, int nThreshold, bool bFine, double dFineMax);

    // The value axis: ticks every dStep from 0 up to dTop (the plot's top),
    // dStep on the 1-2-5 series, nDecimals as the step needs.
    struct Axis
    {
        double dTop;
        double dStep;
        int nDecimals;
    };

    // Ticks at least this many pixels apart.
    static constexpr int kMinTickSpacing = 40;

    // The axis that reaches at least dRawTop with ticks far enough apart on
    // a plot nPlotHeight high; nothing to show gives 0 to 1.
    static Axis NiceAxis(double dRawTop, int nPlotHeight);

    // The axis of a dose-rate curve whose highest value is dMax: the highest
    // value reaches the full plot height up to 1.0, two thirds up to 2.0 and
    // one third above, with the top rounded up to a tick.
    static Axis CurveAxis(double dMax, int nPlotHeight);

    // The linear axis of the live curves, the highest reaching dMax: a fifth
    // of room above it.
    static Axis SharedAxis(double dMax, int nPlotHeight);

    // A logarithmic axis from dBottom to dTop, both on the 1-2-5 series.
    struct LogAxis
    {
        double dBottom;
        double dTop;
    };

    // Whether curves with these peaks (each above 0) need a logarithmic
    // axis: on a linear one a curve peaking at a tenth of the highest or less
    // would keep to the bottom tenth of the plot.
    static bool NeedsLogAxis(const QVector<double>& peaks);
    // The same with a margin either side of the ratio of 10, from the axis
    // shown now: a ratio hovering at 10 keeps the axis it has.
    static bool NeedsLogAxis(const QVector<double>& peaks, bool bLogNow);
    // The shortest time between two changes of scale of a live axis.
    static constexpr qint64 kScaleSwitchMs = 10 * 60000;
    // From a 1-2-5 value half a decade below dLow to the one above dHigh.
    static LogAxis MakeLogAxis(double dLow, double dHigh);
    // Pixels above the axis of dValue: at least 1 for a value above 0, so a
    // reading never reads as a gap; 0 for none.
    static int LogHeight(double dValue, const LogAxis& axis, int nPlotHeight);
    static double LogValue(int nHeight, const LogAxis& axis, int nPlotHeight);
    // Labels at the 1-2-5 values; at the powers of ten only where those
    // would stand closer than nMinSpacing pixels.
    static QVector<Label> LogLabels(const LogAxis& axis, int nPlotHeight, int nMinSpacing);
    static QPolygon BuildLogPoints(const QVector<float>& samples, int nStart, int nEnd,
        int nPlotWidth, const LogAxis& axis, int nPlotHeight);

    // Pixels per dose unit on that axis.
    static double YScale(double dMax, int nPlotHeight);

    // One label per tick, y upwards from the axis, text without the unit.
    static QVector<Label> ValueLabels(const Axis& axis, int nPlotHeight);
    static QString ValueText(double dValue, int nDecimals);

    // One point per index of [nStart, nEnd), spread over the plot width.
    static QPolygon BuildPoints(
        const QVector<float>& samples, int nStart, int nEnd, int nPlotWidth, double dYScale);

    // The line pieces between consecutive points that both lie above the
    // axis: a zero sample breaks the curve.
    static QVector<QLine> Segments(const QPolygon& points);

    // Minutes between time labels over a window of nSpan minutes: the
    // smallest round step whose labels (nLabelWidth pixels each) stand apart
    // on the plot. A whole day steps by 1, 2, 3 or 6 hours.
    static int TimeStep(int nSpan, int nPlotWidth, int nLabelWidth);

    // The multiples of nStep in [nStart, nEnd] with their x positions (the
    // text is the caller's, it depends on the base time).
    static QVector<TimeMark> TimeLabels(int nStart, int nEnd, int nStep, int nPlotWidth);

    // Seconds after the base time under the cursor line at nPlotX pixels
    // right of the y axis.
    static qint64 CursorSeconds(int nStart, int nEnd, int nPlotX, int nPlotWidth);

    // x of a chart title in the band above the plot: ending at the plot's
    // end, never left of nMinX.
    static int TitleX(int nTextWidth, int nPlotWidth, int nMinX = 0);

    // A pixel coordinate from a scaled value; huge or invalid values are held
    // to a range that int arithmetic and the painter can take.
    static int ToPixel(double dValue);

private:
    PDoseCurveScale() = delete;
};
