#pragma once

#include "preset/PItemModelPreset.h"

// The staff members (PersonalInfo: "Name", "Id", "Gender", "Position") or, in
// mode 3, the patrol dosimeters (RoutingInfo: "Manufacturing number", "Id"),
// in position order. The lists come from the installation's staff records;
// this client shows them and does not write them.
class RItemModelPresetPersonal final : public PItemModelPreset
{
    Q_OBJECT
public:
    enum { RoutingMode = 3 };

    explicit RItemModelPresetPersonal(int nMode = 0, QObject* pParent = nullptr);
    ~RItemModelPresetPersonal() override;

    void LoadFromDatabase() override;
    void AddRow(int nId) override;
    void AddDefaultRow() override;
    // Always Failed: the lists are not written from here.
    int Save() override;
    int ColumnCount() const override;
    QStringList ColumnTitles() const override;

private:
    Q_DISABLE_COPY(RItemModelPresetPersonal)

    int m_nMode;
};
