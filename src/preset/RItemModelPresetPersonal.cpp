#include "preset/RItemModelPresetPersonal.h"

#include "database/RStaffListStore.h"
#include "message/SBus.h"

#include <QStandardItemModel>

RItemModelPresetPersonal::RItemModelPresetPersonal(int nMode, QObject* pParent)
    : PItemModelPreset(nMode == RoutingMode ? SBus::RoutingStaffList : SBus::PersonalList,
        nMode == RoutingMode ? SBus::RoutingRoomList : SBus::RegionList, pParent)
    , m_nMode(nMode)
{
    LoadFromDatabase();
}

RItemModelPresetPersonal::~RItemModelPresetPersonal() = default;

int RItemModelPresetPersonal::ColumnCount() const
{
    return m_nMode == RoutingMode ? 2 : 4;
}

QStringList RItemModelPresetPersonal::ColumnTitles() const
{
    if (m_nMode == RoutingMode)
        return {tr("Manufacturing number"), tr("Id")};
    return {tr("Name"), tr("Id"), tr("Gender"), tr("Position")};
}

void RItemModelPresetPersonal::LoadFromDatabase()
{
    ResetRows();
    const QVector<RStaffMember> members = RStaffListStore::Members(
        m_nMode == RoutingMode ? RStaffListStore::Routing : RStaffListStore::Staff);
    for (const RStaffMember& member : members) {
        auto* pId = new QStandardItem;
        pId->setData(member.nId, Qt::EditRole);
        auto* pName = new QStandardItem(member.strName);
        if (m_nMode == RoutingMode) {
            Model()->appendRow({pName, pId});
        } else {
            Model()->appendRow({pName, pId, new QStandardItem(member.strSex),
                new QStandardItem(member.strPosition)});
        }
    }
    SetModified(false);
}

void RItemModelPresetPersonal::AddRow(int nId)
{
    QList<QStandardItem*> items;
    for (int nColumn = 0; nColumn < ColumnCount(); ++nColumn)
        items.append(new QStandardItem);
    items.at(1)->setData(nId, Qt::EditRole);
    Model()->appendRow(items);
}

void RItemModelPresetPersonal::AddDefaultRow()
{
    AddRow(0);
}

int RItemModelPresetPersonal::Save()
{
    SetLastError(tr("The staff lists cannot be changed here."));
    return Failed;
}
