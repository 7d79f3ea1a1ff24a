#include "preset/RItemModelPresetRegion.h"

#include "message/SBus.h"

#include <QStandardItemModel>

namespace {

QList<QStandardItem*> rowItems(const QString& strName, int nId)
{
    auto* pId = new QStandardItem;
    pId->setData(nId, Qt::EditRole);
    return {new QStandardItem(strName), pId};
}

} // namespace

RItemModelPresetRegion::RItemModelPresetRegion(RStorageWriter* pWriter, int nMode, QObject* pParent)
    : PItemModelPreset(nMode == 0 ? SBus::RegionList : SBus::RoutingRoomList,
        nMode == 0 ? SBus::PersonalList : SBus::RoutingStaffList, pParent)
    , m_store(pWriter, nMode == 0 ? RDeviceListStore::Regions : RDeviceListStore::Rooms)
{
    LoadFromDatabase();
}

RItemModelPresetRegion::~RItemModelPresetRegion() = default;

QStringList RItemModelPresetRegion::ColumnTitles() const
{
    return {tr("Location"), tr("ID")};
}

void RItemModelPresetRegion::LoadFromDatabase()
{
    ResetRows();
    for (const RDeviceRow& row : m_store.Load())
        Model()->appendRow(rowItems(row.strName, row.nId));
    SetModified(false);
}

void RItemModelPresetRegion::AddRow(int nId)
{
    Model()->appendRow(rowItems(QString::number(Model()->rowCount()), nId));
}

void RItemModelPresetRegion::AddDefaultRow()
{
    AddRow(DefaultId);
}

QVector<RDeviceRow> RItemModelPresetRegion::Rows() const
{
    QVector<RDeviceRow> rows;
    for (int nRow = 0; nRow < Model()->rowCount(); ++nRow) {
        rows.append(
            {Model()->item(nRow, 0)->text(), Model()->item(nRow, 1)->data(Qt::EditRole).toInt()});
    }
    return rows;
}

bool RItemModelPresetRegion::HasId(int nId) const
{
    for (const RDeviceRow& row : Rows()) {
        if (row.nId == nId)
            return true;
    }
    return false;
}

QVector<int> RItemModelPresetRegion::RemovedIds() const
{
    return m_store.RemovedIds(Rows());
}

int RItemModelPresetRegion::Check()
{
    const QVector<RDeviceRow> rows = Rows();
    for (int nRow = 0; nRow < rows.size(); ++nRow) {
        const RDeviceRow& row = rows.at(nRow);
        if (row.strName.trimmed().isEmpty() || row.strName.size() > MaxNameLength) {
            SetLastError(tr("Row %1: the location must have 1 to %2 characters.")
                             .arg(nRow + 1)
                             .arg(int(MaxNameLength)));
            return Failed;
        }
        if (row.nId < 0 || row.nId > MaxId) {
            SetLastError(
                tr("Row %1: the ID must be between 0 and %2.").arg(nRow + 1).arg(int(MaxId)));
            return Failed;
        }
    }
    const int nConflict = RDeviceListStore::FindConflict(rows);
    return nConflict >= 0 ? nConflict : Saved;
}

int RItemModelPresetRegion::Save()
{
    const int nCheck = Check();
    if (nCheck != Saved)
        return nCheck;
    QString strError;
    if (!m_store.Save(Rows(), &strError)) {
        SetLastError(tr("The device list could not be saved: %1").arg(strError));
        return Failed;
    }
    SetModified(false);
    return Saved;
}
