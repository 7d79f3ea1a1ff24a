#pragma once

#include "preset/POptionPage.h"
#include "realtime/RPresetAlarmThresholdWidget.h"

class RRegionCatalogue;

// The "Alarm Threshold Setting" category (category 8). Thresholds are stored
// when the page's own buttons are pressed, so the settings' OK only refreshes
// the region ids it offers.
class RPresetAlarmThreshold final : public POptionPage
{
    Q_OBJECT
public:
    explicit RPresetAlarmThreshold(RRegionCatalogue* pCatalogue, QObject* pParent = nullptr);
    ~RPresetAlarmThreshold() override;

    QString GetName() const override;
    RUserRights::Action Right() const override { return RUserRights::Action::Thresholds; }
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override;
    void Finish() override { }
    // Handed to the editor, now and when it is made.
    void SetAuthorize(RPresetAlarmThresholdWidget::Authorize authorize);
    void SetConfirm(RPresetAlarmThresholdWidget::Confirm confirm);

private:
    RRegionCatalogue* m_pCatalogue;
    Q_DISABLE_COPY(RPresetAlarmThreshold)

    RPresetAlarmThresholdWidget::Authorize m_authorize;
    RPresetAlarmThresholdWidget::Confirm m_confirm;
};
