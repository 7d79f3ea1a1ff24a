#include "history/PStaffDoseScale.h"

#include "history/PDoseCurveScale.h"

#include <algorithm>

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
    const QVector<float>& values, bool bPersonal, int nPlotHeight)
{
    double dMax = 0.0;
    for (float fValue : values)
        dMax = std::max<double>(dMax, fValue);
    const int nHeight = std::max(1, nPlotHeight);
    if (dMax <= 0.0)
        return {1.0, false};
    if (!bPersonal)
        return {nHeight / dMax, false};
    if (dMax < kLowerLimit)
        return {nHeight / (2.0 * dMax), false};
    // Between the lower limit and the mark, the plot runs up to the mark with
    // linear labels, so every value stays inside and the red line sits at the top.
    if (dMax < kUpperMark)
        return {nHeight / kUpperMark, true};
    return {nHeight / dMax, true};
}

QVector<PStaffDoseScale::Label> PStaffDoseScale::ValueLabels(
    bool bPersonal, const Scale& scale, int nPlotHeight, float fOffset)
{
    QVector<Label> labels;
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
