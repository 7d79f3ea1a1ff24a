#pragma once

#include "preset/POptionPage.h"

#include <QVector>

class RStation;
class RStorageWriter;

class RFramePresetRegionWidget;
struct RDeviceRow;

// The "Device Management" category (category 1): the registered region
// monitors. With another category it edits the inspection rooms instead.
class RFramePresetRegion final : public POptionPage
{
    Q_OBJECT
public:
    // With pStation (not owned) the device form shows the chosen monitor's
    // instrument records.
    explicit RFramePresetRegion(RStorageWriter* pWriter, int nCategory = 1,
        RStation* pStation = nullptr, QObject* pParent = nullptr);
    ~RFramePresetRegion() override;

    QString GetName() const override;
    RUserRights::Action Right() const override { return RUserRights::Action::Devices; }
    QWidget* CreateWidget(QWidget* pParent) override;
    // Applied when nothing changed; otherwise the list's checks, a question
    // naming the ids whose history the save deletes, then the save.
    int Apply() override;
    void Finish() override { }
    void Discard() override;

private:
    RStorageWriter* m_pWriter;
    RStation* m_pStation;
    Q_DISABLE_COPY(RFramePresetRegion)

    // Devices added, removed (their history with them) and renamed, to the
    // audit trail.
    static void RecordChanges(const QVector<RDeviceRow>& before, const QVector<RDeviceRow>& after);

    RFramePresetRegionWidget* Editor() const;
};
