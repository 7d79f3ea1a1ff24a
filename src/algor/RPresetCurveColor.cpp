#include "algor/RPresetCurveColor.h"

RPresetCurveColor::RPresetCurveColor()
    : SPresetObject(Id, QStringLiteral("User/"), QStringLiteral("CurveColor.dat"))
{
    for (quint32 i = 0; i < ItemCount; ++i)
        AddItem(i, 4, &m_nItem[i]);
    Restore();
}

qintptr RPresetCurveColor::Command(int nCmd, qintptr nArg)
{
    return IntegerItemCommand(m_nItem, ItemCount, nCmd, nArg);
}

QColor RPresetCurveColor::Color(int nColor) const
{
    if (nColor < 0 || nColor > 2)
        return QColor();
    const auto component = [this, nColor](int c) { return qBound(0, Item(nColor * 3 + c), 255); };
    return QColor(component(0), component(1), component(2));
}
