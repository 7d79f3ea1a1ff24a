#pragma once

#include "preset/POptionPage.h"

// The "Device Management" category (category 1); with another category it
// edits the inspection rooms instead. Its editor is still empty: it reports
// no change.
class RFramePresetRegion final : public POptionPage
{
    Q_OBJECT
public:
    explicit RFramePresetRegion(int nCategory = 1, QObject* pParent = nullptr);
    ~RFramePresetRegion() override;

    QString GetName() const override;
    QWidget* CreateWidget(QWidget* pParent) override;
    int Apply() override { return Applied; }
    void Finish() override { }

private:
    Q_DISABLE_COPY(RFramePresetRegion)
};
