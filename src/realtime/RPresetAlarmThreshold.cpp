#include "realtime/RPresetAlarmThreshold.h"

#include "realtime/RPresetAlarmThresholdWidget.h"

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
    auto* pWidget = new RPresetAlarmThresholdWidget(pParent);
    connect(pWidget, &RPresetAlarmThresholdWidget::SendMessage, this, &POptionPage::SendMessage);
    SetWidget(pWidget);
    return pWidget;
}

int RPresetAlarmThreshold::Apply()
{
    if (auto* pWidget = static_cast<RPresetAlarmThresholdWidget*>(Widget()))
        pWidget->LoadRegionIds();
    return Applied;
}
