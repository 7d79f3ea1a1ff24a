#pragma once

#include "preset/POptionPage.h"

// The "Alarm Threshold Setting" category (category 8). Thresholds are stored
// when the page's own buttons are pressed, so the settings' OK has nothing to
// apply here. Its editor is still empty.
class RPresetAlarmThreshold final : public POptionPage
{
    Q_OBJECT
public:
    explicit RPresetAlarmThreshold(QObject* pParent = nullptr);
    ~RPresetAlarmThreshold() override;

    QString GetName() const override;
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override { return Applied; }
    void Finish() override { }

private:
    Q_DISABLE_COPY(RPresetAlarmThreshold)
};
