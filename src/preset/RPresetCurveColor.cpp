#include "preset/RPresetCurveColor.h"

#include "message/SMessage.h"

#include <algorithm>

namespace {

constexpr qint32 s_defaults[RPresetCurveColor::ItemCount] = {0, 170, 0, 255, 200, 0, 0, 170, 0};

QColor fromItems(const qint32* pItems, int nColor)
{
    const auto component
        = [pItems, nColor](int c) { return qBound(0, pItems[nColor * 3 + c], 255); };
    return QColor(component(0), component(1), component(2));
}

} // namespace

RPresetCurveColor::RPresetCurveColor()
    : SPresetObject(Id, QStringLiteral("User/"), QStringLiteral("CurveColor.dat"))
{
    std::copy(std::begin(s_defaults), std::end(s_defaults), m_nItem);
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
    return fromItems(m_nItem, nColor);
}

QColor RPresetCurveColor::DefaultColor(Colour colour)
{
    return fromItems(s_defaults, colour);
}

QColor RPresetCurveColor::Ask(Colour colour)
{
    qint32 items[ItemCount] = {};
    for (int c = 0; c < 3; ++c) {
        const int k = colour * 3 + c;
        const qintptr nReply = SendSMessage(SBus::PresetStore, Id, SBus::CmdItem0 + 2 * k, 0);
        items[k] = static_cast<qint32>(qBound<qintptr>(0, nReply, 255));
    }
    return fromItems(items, colour);
}
