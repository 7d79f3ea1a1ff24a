#include "realtime/PColorLine.h"

PColorLine::PColorLine()
    : m_line(1.0, 0.5, 5.0, 0.5)
{
}

PColorLine::PColorLine(const QColor& color)
    : m_line(1.0, 0.5, 5.0, 0.5)
    , m_color(color)
{
}

int PColorLine::Register()
{
    static const int s_nType = qRegisterMetaType<PColorLine>("PColorLine");
    return s_nType;
}
