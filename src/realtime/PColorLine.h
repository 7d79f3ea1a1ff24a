#pragma once

#include <QColor>
#include <QLineF>
#include <QMetaType>

// A region's curve colour as the table shows it: a short horizontal line in
// that colour. The line is in cell units; the delegate scales it by 5.
class PColorLine final
{
public:
    PColorLine();
    explicit PColorLine(const QColor& color);

    const QLineF& Line() const { return m_line; }
    const QColor& Color() const { return m_color; }
    void SetColor(const QColor& color) { m_color = color; }

    bool operator==(const PColorLine& other) const
    {
        return m_line == other.m_line && m_color == other.m_color;
    }

    // Registers the type under the name "PColorLine"; safe to call repeatedly.
    static int Register();

private:
    QLineF m_line;
    QColor m_color;
};

Q_DECLARE_METATYPE(PColorLine)
