#include "preset/RItemModelPresetPersonal.h"

#include "database/PSqlExec.h"
#include "message/SBus.h"

#include <QSqlQuery>
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
    const QString strTable
        = m_nMode == RoutingMode ? QStringLiteral("RoutingInfo") : QStringLiteral("PersonalInfo");
    const int nNum = PSqlExec::Scalar(QStringLiteral("select Num from %1").arg(strTable)).toInt();
    const QString strRow
        = QStringLiteral("select Id, Name, Position, Sex from %1 where Sub = ?").arg(strTable);
    for (int nSub = 1; nSub <= nNum; ++nSub) {
        QSqlQuery query = PSqlExec::Select(strRow, {nSub});
        if (!query.next())
            continue;
        auto* pId = new QStandardItem;
        pId->setData(query.value(0).toInt(), Qt::EditRole);
        auto* pName = new QStandardItem(query.value(1).toString());
        if (m_nMode == RoutingMode) {
            Model()->appendRow({pName, pId});
        } else {
            Model()->appendRow({pName, pId, new QStandardItem(query.value(3).toString()),
                new QStandardItem(query.value(2).toString())});
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
