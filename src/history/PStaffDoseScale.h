#pragma once

#include "history/PDoseCurveScale.h"

#include <QString>
#include <QVector>

// Scaling and labels of the staff and region dose chart (a day's hours or a
// month's days), free of painting. Values are doses in µRad (staff) or mean
// dose rates per day in µRad/h (regions).
class PStaffDoseScale final
{
public:
    // Staff doses up to this mark use the lower half of the plot; the red line
    // marks it.
    static constexpr double kUpperMark = 20000.0;
    static constexpr double kLowerLimit = 10000.0;

    struct Scale
    {
        double dYScale;
        bool bUpperRange;
        // Region charts: the 1-2-5 axis their labels follow.
        PDoseCurveScale::Axis axis;
    };

    // A bar's left edge and width in pixels from the y axis.
    struct Span
    {
        int nLeft;
        int nWidth;
    };

    struct Label
    {
        int nY;
        QString strText;
    };

    // Subtracts the smallest non-zero value from every value of a staff chart
    // and returns it (the value offset); days without a dose fall below the
    // axis and are not drawn. 0 when every value is 0.
    static float SubtractBase(QVector<float>& values);

    // nReserve: pixels kept free above the highest region bar for its value.
    static Scale YScale(
        const QVector<float>& values, bool bPersonal, int nPlotHeight, int nReserve = 0);

    // Value labels of the y axis at x = -30, y upwards (positive).
    static QVector<Label> ValueLabels(
        bool bPersonal, const Scale& scale, int nPlotHeight, float fOffset);

    // Left edge of column i of nCount across the plot.
    static int ColumnX(int i, int nCount, int nPlotWidth);

    // The bar of column i, centred in its column.
    static Span BarSpan(int i, int nCount, int nPlotWidth);

    // Decimals of a bar's value: fewer as the value grows, so that it stays
    // about as wide as its bar.
    static int ValueDecimals(float fValue);
    // One number format for every value of a chart (those above 0): the
    // decimals of its highest, more while its lowest would read as 0.
    static int ChartDecimals(const QVector<float>& shown);

    // The text under column i: the hour for a day of 24 values, else the day.
    static QString ColumnLabel(int i, int nCount);

    // Height of a value above the axis in pixels (negative below it).
    static int ValueY(float fValue, double dYScale);

    // y (upwards) of the red line: the plot top, or the upper mark.
    static int MarkY(const Scale& scale, int nPlotHeight);

private:
    PStaffDoseScale() = delete;
};
