#pragma once

#include "preset/POptionPage.h"

class RPresetAlarmThresholdWidget;

// The "Alarm Threshold Setting" category (category 8). Thresholds are stored
// when the page's own buttons are pressed, so the settings' OK only refreshes
// the region ids it offers.
class RPresetAlarmThreshold final : public POptionPage
{
    Q_OBJECT
public:
    explicit RPresetAlarmThreshold(QObject* pParent = nullptr);
    ~RPresetAlarmThreshold() override;

    QString GetName() const override;
    RUserRights::Action Right() const override { return RUserRights::Action::Thresholds; }
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override;
    void Finish() override { }

private:
    Q_DISABLE_COPY(RPresetAlarmThreshold)
};
