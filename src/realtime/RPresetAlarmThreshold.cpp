#include "realtime/RPresetAlarmThreshold.h"

#include "realtime/RPresetAlarmThresholdWidget.h"

RPresetAlarmThreshold::RPresetAlarmThreshold(RRegionCatalogue* pCatalogue, QObject* pParent)
    : POptionPage(8, pParent)
    , m_pCatalogue(pCatalogue)
{
}

RPresetAlarmThreshold::~RPresetAlarmThreshold() = default;

QString RPresetAlarmThreshold::GetName() const
{
    return tr("Alarm Threshold Setting");
}

QWidget* RPresetAlarmThreshold::CreateWidget(QWidget* pParent)
{
    auto* pWidget = new RPresetAlarmThresholdWidget(m_pCatalogue, pParent);
    connect(pWidget, &RPresetAlarmThresholdWidget::SendMessage, this, &POptionPage::SendMessage);
    pWidget->SetAuthorize(m_authorize);
    pWidget->SetConfirm(m_confirm);
    SetWidget(pWidget);
    return pWidget;
}

void RPresetAlarmThreshold::SetAuthorize(RPresetAlarmThresholdWidget::Authorize authorize)
{
    m_authorize = std::move(authorize);
    if (auto* pWidget = static_cast<RPresetAlarmThresholdWidget*>(Widget()))
        pWidget->SetAuthorize(m_authorize);
}

void RPresetAlarmThreshold::SetConfirm(RPresetAlarmThresholdWidget::Confirm confirm)
{
    m_confirm = std::move(confirm);
    if (auto* pWidget = static_cast<RPresetAlarmThresholdWidget*>(Widget()))
        pWidget->SetConfirm(m_confirm);
}

int RPresetAlarmThreshold::Apply()
{
    if (auto* pWidget = static_cast<RPresetAlarmThresholdWidget*>(Widget()))
        pWidget->LoadRegionIds();
    return Applied;
}
