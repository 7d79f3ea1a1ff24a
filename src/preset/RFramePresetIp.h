#pragma once

#include "preset/POptionPage.h"

class RFramePresetIpWidget;

// The "System Settings" category: SystemInfo and the network-server preset.
class RFramePresetIp final : public POptionPage
{
    Q_OBJECT
public:
    explicit RFramePresetIp(QObject* pParent = nullptr);
    ~RFramePresetIp() override;

    QString GetName() const override;
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override;
    void Finish() override { }
    void Discard() override;

private:
    Q_DISABLE_COPY(RFramePresetIp)

    RFramePresetIpWidget* Editor() const;
};
