#include "realtime/RPresetAlarmThreshold.h"

RPresetAlarmThreshold::RPresetAlarmThreshold(QObject* pParent)
    : POptionPage(8, pParent)
{
}

RPresetAlarmThreshold::~RPresetAlarmThreshold() = default;

QString RPresetAlarmThreshold::GetName() const
{
    return tr("Alarm Threshold Setting");
}

QWidget* RPresetAlarmThreshold::CreateWidget(QWidget* pParent)
{
    auto* pWidget = new QWidget(pParent);
    SetWidget(pWidget);
    return pWidget;
}
