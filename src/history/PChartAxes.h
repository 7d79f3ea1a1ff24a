#pragma once

class QPainter;

// The two axes of the history charts with their arrow heads, drawn from the
// origin (the painter is already translated there, y growing upwards as
// negative values).
class PChartAxes final
{
public:
    static void Draw(QPainter& painter, int nWidth, int nHeight);

private:
    PChartAxes() = delete;
};
