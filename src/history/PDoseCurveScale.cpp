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

float PDoseCurveScale::RangeMinPositive(const QVector<float>& samples, int nStart, int nEnd)
{
    float fMin = 0.0f;
    const int nFrom = std::max(0, nStart);
    const int nTo = std::min(nEnd, samples.size());
    for (int i = nFrom; i < nTo; ++i) {
        if (samples[i] > 0.0f && (fMin == 0.0f || samples[i] < fMin))
            fMin = samples[i];
    }
    return fMin;
}

double PDoseCurveScale::SingleCurveMax(
    double dSampleMax, int nThreshold, bool bFine, double dFineMax)
{
    double dMax = std::max(0.0, dSampleMax);
    if (nThreshold > dMax && nThreshold <= 2)
        dMax = nThreshold;
    if (bFine)
        dMax = std::max(dMax, dFineMax);
    return dMax;
}

PDoseCurveScale::Axis PDoseCurveScale::NiceAxis(double dRawTop, int nPlotHeight)
{
    if (!(dRawTop > 0.0) || !std::isfinite(dRawTop))
        dRawTop = 1.0;
    const int nTicks = std::max(1, nPlotHeight / kMinTickSpacing);
    const double dWanted = dRawTop / nTicks;
    const double dDecade = std::pow(10.0, std::floor(std::log10(dWanted)));
    double dStep = 10.0 * dDecade;
    for (double dFactor : {1.0, 2.0, 5.0}) {
        // A little slack keeps 0.2 from becoming 0.5 through rounding.
        if (dFactor * dDecade >= dWanted * (1.0 - 1e-9)) {
            dStep = dFactor * dDecade;
            break;
        }
    }
    const double dTop = std::ceil(dRawTop / dStep - 1e-9) * dStep;
    const int nDecimals = std::max(0, static_cast<int>(-std::floor(std::log10(dStep) + 1e-9)));
    return {dTop, dStep, nDecimals};
}

PDoseCurveScale::Axis PDoseCurveScale::CurveAxis(double dMax, int nPlotHeight)
{
    if (!(dMax > 0.0) || !std::isfinite(dMax))
        return NiceAxis(1.0, nPlotHeight);
    // The live chart's headroom: the day's values fill the plot.
    return NiceAxis(std::max(dMax, 1.0) * 1.2, nPlotHeight);
}

PDoseCurveScale::Axis PDoseCurveScale::SharedAxis(double dMax, int nPlotHeight)
{
    if (!(dMax > 0.0) || !std::isfinite(dMax))
        return NiceAxis(1.0, nPlotHeight);
    return NiceAxis(dMax * 1.2, nPlotHeight);
}

bool PDoseCurveScale::NeedsLogAxis(const QVector<double>& peaks)
{
    if (peaks.size() < 2)
        return false;
    const auto range = std::minmax_element(peaks.cbegin(), peaks.cend());
    return *range.first > 0.0 && *range.second > 10.0 * *range.first;
}

bool PDoseCurveScale::NeedsLogAxis(const QVector<double>& peaks, bool bLogNow)
{
    if (peaks.size() < 2)
        return false;
    const auto range = std::minmax_element(peaks.cbegin(), peaks.cend());
    if (!(*range.first > 0.0))
        return false;
    const double dRatio = *range.second / *range.first;
    return bLogNow ? dRatio > 8.0 : dRatio > 12.5;
}

PDoseCurveScale::LogAxis PDoseCurveScale::MakeLogAxis(double dLow, double dHigh)
{
    if (!(dLow > 0.0) || !std::isfinite(dLow))
        dLow = 1.0;
    if (!(dHigh > dLow) || !std::isfinite(dHigh))
        dHigh = dLow;
    // Half a decade below the lowest reading, so the lowest curve does not
    // run along the floor.
    dLow /= 3.0;
    const double dLowDecade = std::pow(10.0, std::floor(std::log10(dLow) + 1e-9));
    double dBottom = dLowDecade;
    for (double dFactor : {5.0, 2.0}) {
        if (dFactor * dLowDecade <= dLow * (1.0 + 1e-9)) {
            dBottom = dFactor * dLowDecade;
            break;
        }
    }
    const double dHighDecade = std::pow(10.0, std::floor(std::log10(dHigh) + 1e-9));
    double dTop = 10.0 * dHighDecade;
    for (double dFactor : {1.0, 2.0, 5.0}) {
        // Strictly above: the highest reading stays off the top edge.
        if (dFactor * dHighDecade > dHigh * (1.0 + 1e-9)) {
            dTop = dFactor * dHighDecade;
            break;
        }
    }
    return {dBottom, dTop};
}

int PDoseCurveScale::LogHeight(double dValue, const LogAxis& axis, int nPlotHeight)
{
    if (!(dValue > 0.0))
        return 0;
    const double dSpan = std::log10(axis.dTop / axis.dBottom);
    const double dHeight = nPlotHeight * std::log10(dValue / axis.dBottom) / dSpan;
    return std::max(1, ToPixel(std::round(dHeight)));
}

double PDoseCurveScale::LogValue(int nHeight, const LogAxis& axis, int nPlotHeight)
{
    if (nPlotHeight <= 0)
        return axis.dBottom;
    return axis.dBottom * std::pow(axis.dTop / axis.dBottom, double(nHeight) / nPlotHeight);
}

QVector<PDoseCurveScale::Label> PDoseCurveScale::LogLabels(
    const LogAxis& axis, int nPlotHeight, int nMinSpacing)
{
    QVector<Label> labels;
    if (!(axis.dBottom > 0.0) || !(axis.dTop > axis.dBottom))
        return labels;
    // 2 stands nearest to its neighbours, log10(2) of a decade from 1.
    const double dDecade = nPlotHeight / std::log10(axis.dTop / axis.dBottom);
    const bool bAll = dDecade * std::log10(2.0) >= nMinSpacing;
    for (double dDecadeValue = std::pow(10.0, std::floor(std::log10(axis.dBottom) + 1e-9));
         dDecadeValue <= axis.dTop * (1.0 + 1e-9); dDecadeValue *= 10.0) {
        for (double dFactor : {1.0, 2.0, 5.0}) {
            const double dValue = dFactor * dDecadeValue;
            if ((dFactor != 1.0 && !bAll) || dValue < axis.dBottom * (1.0 - 1e-9)
                || dValue > axis.dTop * (1.0 + 1e-9))
                continue;
            const int nDecimals
                = std::max(0, static_cast<int>(std::ceil(-std::log10(dValue) - 1e-9)));
            labels.append(
                {dValue <= axis.dBottom * (1.0 + 1e-9) ? 0 : LogHeight(dValue, axis, nPlotHeight),
                    ValueText(dValue, nDecimals)});
        }
    }
    return labels;
}

namespace {

// Samples nStart..nEnd spread over the plot's width; y upward from the axis,
// at the height nHeight gives (0 outside the samples).
template <typename Height>
QPolygon pointsOf(
    const QVector<float>& samples, int nStart, int nEnd, int nPlotWidth, Height nHeight)
{
    QPolygon points;
    const int nSpan = nEnd - nStart;
    if (nSpan <= 0)
        return points;
    points.resize(nSpan);
    for (int i = nStart; i < nEnd; ++i) {
        const double dValue = (i >= 0 && i < samples.size()) ? samples[i] : 0.0;
        const int nX = static_cast<int>(static_cast<qint64>(i - nStart) * nPlotWidth / nSpan);
        points[i - nStart] = QPoint(nX, -nHeight(dValue));
    }
    return points;
}

} // namespace

QPolygon PDoseCurveScale::BuildLogPoints(const QVector<float>& samples, int nStart, int nEnd,
    int nPlotWidth, const LogAxis& axis, int nPlotHeight)
{
    return pointsOf(samples, nStart, nEnd, nPlotWidth,
        [&](double dValue) { return LogHeight(dValue, axis, nPlotHeight); });
}

double PDoseCurveScale::YScale(double dMax, int nPlotHeight)
{
    const Axis axis = CurveAxis(dMax, nPlotHeight);
    // A zero plot height would make every later division by the scale fail.
    return nPlotHeight > 0 ? nPlotHeight / axis.dTop : 1.0;
}

QVector<PDoseCurveScale::Label> PDoseCurveScale::ValueLabels(const Axis& axis, int nPlotHeight)
{
    QVector<Label> labels;
    if (!(axis.dStep > 0.0) || !(axis.dTop > 0.0))
        return labels;
    const int nCount = static_cast<int>(std::lround(axis.dTop / axis.dStep));
    for (int k = 0; k <= nCount; ++k) {
        const double dValue = k * axis.dStep;
        labels.append(
            {ToPixel(dValue * nPlotHeight / axis.dTop), ValueText(dValue, axis.nDecimals)});
    }
    return labels;
}

QString PDoseCurveScale::ValueText(double dValue, int nDecimals)
{
    if (dValue == 0.0)
        return QStringLiteral("0");
    return QString::number(dValue, 'f', std::max(0, nDecimals));
}

QPolygon PDoseCurveScale::BuildPoints(
    const QVector<float>& samples, int nStart, int nEnd, int nPlotWidth, double dYScale)
{
    return pointsOf(samples, nStart, nEnd, nPlotWidth,
        [dYScale](double dValue) { return ToPixel(dValue * dYScale); });
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

int PDoseCurveScale::TimeStep(int nSpan, int nPlotWidth, int nLabelWidth)
{
    // A whole day keeps to whole hours; a zoomed window may go down to a minute.
    static const int s_steps[] = {1, 2, 5, 10, 15, 20, 30, 60, 120, 180, 360};
    const int nFirst = nSpan >= 1440 ? 60 : 1;
    if (nSpan <= 0 || nPlotWidth <= 0)
        return 360;
    // Half a label's width of space between neighbours.
    const double dNeeded = nLabelWidth * 1.5;
    for (int nStep : s_steps) {
        if (nStep >= nFirst && static_cast<double>(nStep) * nPlotWidth / nSpan >= dNeeded)
            return nStep;
    }
    return 360;
}

QVector<PDoseCurveScale::TimeMark> PDoseCurveScale::TimeLabels(
    int nStart, int nEnd, int nStep, int nPlotWidth)
{
    QVector<TimeMark> labels;
    const int nSpan = nEnd - nStart;
    if (nSpan <= 0 || nStep <= 0)
        return labels;
    // Labels fall on round times, also in a window that does not start on one.
    const int nFirst = ((std::max(0, nStart) + nStep - 1) / nStep) * nStep;
    for (int i = nFirst; i <= nEnd; i += nStep) {
        const int nX = static_cast<int>(static_cast<qint64>(i - nStart) * nPlotWidth / nSpan);
        labels.append({i, nX});
    }
    return labels;
}

qint64 PDoseCurveScale::CursorSeconds(int nStart, int nEnd, int nPlotX, int nPlotWidth)
{
    if (nPlotWidth <= 0)
        return 60LL * nStart;
    return 60LL * nStart + static_cast<qint64>(nPlotX) * (nEnd - nStart) * 60 / nPlotWidth;
}

int PDoseCurveScale::TitleX(int nTextWidth, int nPlotWidth, int nMinX)
{
    return std::max(nMinX, nPlotWidth - nTextWidth);
}

int PDoseCurveScale::ToPixel(double dValue)
{
    if (std::isnan(dValue))
        return 0;
    return static_cast<int>(qBound(-kPixelLimit, dValue, kPixelLimit));
}
