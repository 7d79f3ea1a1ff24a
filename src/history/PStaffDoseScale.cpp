#include "history/PStaffDoseScale.h"

#include "history/PDoseCurveScale.h"

#include <algorithm>
#include <cmath>

float PStaffDoseScale::SubtractBase(QVector<float>& values)
{
    float fBase = 0.0f;
    for (float fValue : values) {
        if (fValue > 0.0f && (fBase == 0.0f || fValue < fBase))
            fBase = fValue;
    }
    if (fBase == 0.0f)
        return 0.0f;
    for (float& fValue : values)
        fValue -= fBase;
    return fBase;
}

PStaffDoseScale::Scale PStaffDoseScale::YScale(
    const QVector<float>& values, bool bPersonal, int nPlotHeight, int nReserve)
{
    double dMax = 0.0;
    for (float fValue : values)
        dMax = std::max<double>(dMax, fValue);
    const int nHeight = std::max(1, nPlotHeight);
    const PDoseCurveScale::Axis none {0.0, 0.0, 0};
    if (!bPersonal) {
        // The highest bar ends nReserve pixels below the top, whatever the
        // rounding of the axis adds.
        const int nUsable = std::max(1, nHeight - std::max(0, nReserve));
        const PDoseCurveScale::Axis axis
            = PDoseCurveScale::NiceAxis(dMax > 0.0 ? dMax * nHeight / nUsable : 0.0, nHeight);
        return {nHeight / axis.dTop, false, axis};
    }
    if (dMax <= 0.0)
        return {1.0, false, none};
    if (dMax < kLowerLimit)
        return {nHeight / (2.0 * dMax), false, none};
    // Between the lower limit and the mark, the plot runs up to the mark with
    // linear labels, so every value stays inside and the red line sits at the top.
    if (dMax < kUpperMark)
        return {nHeight / kUpperMark, true, none};
    return {nHeight / dMax, true, none};
}

QVector<PStaffDoseScale::Label> PStaffDoseScale::ValueLabels(
    bool bPersonal, const Scale& scale, int nPlotHeight, float fOffset)
{
    QVector<Label> labels;
    if (!bPersonal) {
        for (const auto& label : PDoseCurveScale::ValueLabels(scale.axis, nPlotHeight))
            labels.append({label.nY, label.strText});
        return labels;
    }
    const int nHeight = nPlotHeight;
    const double dScale = scale.dYScale > 0.0 ? scale.dYScale : 1.0;
    if (bPersonal && !scale.bUpperRange) {
        for (int k = 0; k <= 4; ++k) {
            const int nY = nHeight * k / 8;
            labels.append({nY, QString::number(nY / dScale + fOffset, 'f', 2)});
        }
        // The upper half runs from the lower values to the mark.
        const double dRest = (kUpperMark - nHeight / dScale) * 2.0;
        const double dFactor = dRest != 0.0 ? nHeight / dRest : 0.0;
        for (int k = 1; k <= 2; ++k) {
            const int nY = nHeight * k / 4 + nHeight / 2;
            const double dValue
                = k == 2 ? kUpperMark : (dFactor != 0.0 ? (nHeight * k / 4) / dFactor : 0.0);
            labels.append({nY, QString::number(dValue, 'g', 6)});
        }
        return labels;
    }
    for (int k = 0; k < 4; ++k) {
        const int nY = nHeight * k / 4;
        labels.append({nY, QString::number(nY / dScale + fOffset, 'f', 2)});
    }
    return labels;
}

int PStaffDoseScale::ColumnX(int i, int nCount, int nPlotWidth)
{
    if (nCount <= 0)
        return 5;
    return static_cast<int>(static_cast<qint64>(nPlotWidth) * i / nCount) + 5;
}

PStaffDoseScale::Span PStaffDoseScale::BarSpan(int i, int nCount, int nPlotWidth)
{
    if (nCount <= 0)
        return {0, 0};
    const int nLeft = static_cast<int>(static_cast<qint64>(nPlotWidth) * i / nCount);
    const int nRight = static_cast<int>(static_cast<qint64>(nPlotWidth) * (i + 1) / nCount);
    const int nColumn = nRight - nLeft;
    const int nWidth = std::max(2, std::min(36, nColumn * 3 / 5));
    return {nLeft + (nColumn - nWidth) / 2, nWidth};
}

int PStaffDoseScale::ValueDecimals(float fValue)
{
    if (fValue >= 100.0f)
        return 0;
    return fValue >= 10.0f ? 1 : 2;
}

int PStaffDoseScale::ChartDecimals(const QVector<float>& shown)
{
    float fHigh = 0.0f;
    float fLow = 0.0f;
    for (float fValue : shown) {
        if (!(fValue > 0.0f))
            continue;
        fHigh = std::max(fHigh, fValue);
        fLow = fLow > 0.0f ? std::min(fLow, fValue) : fValue;
    }
    int nDecimals = ValueDecimals(fHigh);
    while (nDecimals < 2 && fLow > 0.0f && fLow < 0.5f * std::pow(10.0f, -float(nDecimals)))
        ++nDecimals;
    return nDecimals;
}

QString PStaffDoseScale::ColumnLabel(int i, int nCount)
{
    return QString::number(nCount == 24 ? i : i + 1);
}

int PStaffDoseScale::ValueY(float fValue, double dYScale)
{
    return PDoseCurveScale::ToPixel(fValue * dYScale);
}

int PStaffDoseScale::MarkY(const Scale& scale, int nPlotHeight)
{
    if (!scale.bUpperRange)
        return nPlotHeight;
    return PDoseCurveScale::ToPixel(kUpperMark * scale.dYScale);
}
