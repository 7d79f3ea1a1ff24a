#include "history/PDoseCurveScale.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace {

// Far outside any screen, still safe to add and multiply as int.
constexpr double kPixelLimit = 1.0e6;

} // namespace

float PDoseCurveScale::RangeMax(const QVector<float>& samples, int nStart, int nEnd)
{
    float fMax = 0.0f;
    const int nFrom = std::max(0, nStart);
    const int nTo = std::min(nEnd, samples.size());
    for (int i = nFrom; i < nTo; ++i) {
        if (samples[i] > fMax)
            fMax = samples[i];
    }
    return fMax;
}

double PDoseCurveScale::SingleCurveMax(
    double dSampleMax, int nThreshold, bool bFine, double dFineMax)
{
    double dMax = std::max(0.0, dSampleMax);
    if (nThreshold > dMax && nThreshold <= 2)
        dMax = nThreshold;
    if (bFine)
        dMax = std::max(0.0, dFineMax);
    return dMax;
}

double PDoseCurveScale::YScale(double dMax, int nPlotHeight, double dZeroScale)
{
    if (!(dMax > 0.0) || !std::isfinite(dMax))
        return dZeroScale;
    dMax = std::max(dMax, 1.0);
    double dScale = nPlotHeight / dMax;
    if (dMax > 2.0)
        dScale /= 3.0;
    else if (dMax > 1.0)
        dScale /= 1.5;
    // A zero plot height would make every later division by the scale fail.
    return dScale > 0.0 ? dScale : dZeroScale;
}

QPolygon PDoseCurveScale::BuildPoints(
    const QVector<float>& samples, int nStart, int nEnd, int nPlotWidth, double dYScale)
{
    QPolygon points;
    const int nSpan = nEnd - nStart;
    if (nSpan <= 0)
        return points;
    points.resize(nSpan);
    for (int i = nStart; i < nEnd; ++i) {
        const double dValue = (i >= 0 && i < samples.size()) ? samples[i] : 0.0;
        const int nX = static_cast<int>(static_cast<qint64>(i - nStart) * nPlotWidth / nSpan);
        points[i - nStart] = QPoint(nX, -ToPixel(dValue * dYScale));
    }
    return points;
}

QVector<QLine> PDoseCurveScale::Segments(const QPolygon& points)
{
    QVector<QLine> lines;
    for (int i = 1; i < points.size(); ++i) {
        if (points[i - 1].y() < 0 && points[i].y() < 0)
            lines.append(QLine(points[i - 1], points[i]));
    }
    return lines;
}

int PDoseCurveScale::TimeStep(float fZoom, bool bFine, int nViewStart, int nViewEnd)
{
    const int nTenth = (nViewEnd - nViewStart) / 10;
    if (IsMinuteZoom(fZoom))
        return std::max(10, nTenth);
    if (IsFineZoom(fZoom) && bFine)
        return nTenth < 10 ? 2 : nTenth;
    return 60;
}

QVector<PDoseCurveScale::TimeMark> PDoseCurveScale::TimeLabels(
    int nStart, int nEnd, int nStep, int nPlotWidth)
{
    QVector<TimeMark> labels;
    const int nSpan = nEnd - nStart;
    if (nSpan <= 0 || nStep <= 0)
        return labels;
    for (int i = nStart; i <= nEnd; i += nStep) {
        const int nX = static_cast<int>(static_cast<qint64>(i - nStart) * nPlotWidth / nSpan) - 10;
        labels.append({i, nX});
    }
    return labels;
}

QVector<PDoseCurveScale::Label> PDoseCurveScale::ValueLabels(int nPlotHeight, double dYScale)
{
    QVector<Label> labels;
    for (int k = 0; k < 4; ++k) {
        const int nY = nPlotHeight * k / 4;
        const double dValue = dYScale > 0.0 ? nY / dYScale : 0.0;
        labels.append({-30, -nY, QString::number(dValue, 'f', 2)});
    }
    return labels;
}

qint64 PDoseCurveScale::CursorSeconds(int nStart, int nEnd, int nMouseX, int nPlotWidth)
{
    if (nPlotWidth <= 0)
        return 60LL * nStart;
    return 60LL * nStart + static_cast<qint64>(nMouseX - 30) * (nEnd - nStart) * 60 / nPlotWidth;
}

int PDoseCurveScale::TitleX(int nTextWidth, int nPlotWidth)
{
    return std::max(0, std::min(nPlotWidth - 200, nPlotWidth + 25 - nTextWidth));
}

int PDoseCurveScale::ToPixel(double dValue)
{
    if (std::isnan(dValue))
        return 0;
    return static_cast<int>(qBound(-kPixelLimit, dValue, kPixelLimit));
}
