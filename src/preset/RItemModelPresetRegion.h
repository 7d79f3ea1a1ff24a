#pragma once

#include "database/RDeviceListStore.h"
#include "preset/PItemModelPreset.h"

class RStorageWriter;

// The region monitors (mode 0) or inspection rooms (mode 1) as "Location" and
// "ID" rows, ids 0..255.
class RItemModelPresetRegion final : public PItemModelPreset
{
    Q_OBJECT
public:
    enum { MaxNameLength = 64, MaxId = 255, DefaultId = 100 };

    explicit RItemModelPresetRegion(
        RStorageWriter* pWriter, int nMode = 0, QObject* pParent = nullptr);
    ~RItemModelPresetRegion() override;

    void LoadFromDatabase() override;
    // Appends a row for nId whose location is its own row number.
    void AddRow(int nId) override;
    void AddDefaultRow() override;
    int Save() override;
    int ColumnCount() const override { return 2; }
    QStringList ColumnTitles() const override;

    // Saved when the rows can be written, the row of the first duplicate id,
    // or Failed for an empty or too long location or an id out of range.
    int Check();
    QVector<RDeviceRow> Rows() const;
    QVector<RDeviceRow> StoredRows() const { return m_store.Load(); }
    // Stored ids that the rows no longer hold.
    QVector<int> RemovedIds() const;
    bool HasId(int nId) const;

private:
    Q_DISABLE_COPY(RItemModelPresetRegion)

    RDeviceListStore m_store;
};
