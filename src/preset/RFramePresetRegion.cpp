#include "preset/RFramePresetRegion.h"

RFramePresetRegion::RFramePresetRegion(int nCategory, QObject* pParent)
    : POptionPage(nCategory, pParent)
{
}

RFramePresetRegion::~RFramePresetRegion() = default;

QString RFramePresetRegion::GetName() const
{
    return GetCategory() == 1 ? tr("Device Management") : tr("Inspection room");
}

QWidget* RFramePresetRegion::CreateWidget(QWidget* pParent)
{
    auto* pWidget = new QWidget(pParent);
    SetWidget(pWidget);
    return pWidget;
}
