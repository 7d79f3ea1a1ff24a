#include "database/RRegionCatalogue.h"

#include "database/PSqlExec.h"

RRegionCatalogue& RRegionCatalogue::Shared()
{
    static RRegionCatalogue s_catalogue;
    return s_catalogue;
}

void RRegionCatalogue::Reload()
{
    m_regions.clear();
    m_index.clear();
    const int nNum = PSqlExec::Scalar(QStringLiteral("select Num from RegionInfo")).toInt();
    if (nNum <= 0)
        return;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select r.Sub, r.Id, r.Name, c.Id, c.Alarmvalue, c.R_Color, c.G_Color, "
                       "c.B_Color, c.ButtonCheck from RegionInfo r left join RegionCurveColorInfo "
                       "c on c.Id = r.Id where r.Sub >= 1 and r.Sub <= ? order by r.Sub, r.rowid"),
        {nNum});
    int nLastSub = 0;
    while (query.next()) {
        RRegion region;
        region.nSub = query.value(0).toInt();
        region.nId = query.value(1).toInt();
        if (region.nSub == nLastSub || m_index.contains(region.nId))
            continue;
        nLastSub = region.nSub;
        region.strName = query.value(2).toString();
        if (!query.value(3).isNull()) {
            region.nAlarmValue = query.value(4).toInt();
            region.colour = QColor(qBound(0, query.value(5).toInt(), 255),
                qBound(0, query.value(6).toInt(), 255), qBound(0, query.value(7).toInt(), 255));
            region.bCurveShown = query.value(8).toInt() != 0;
        }
        m_index.insert(region.nId, m_regions.size());
        m_regions.append(region);
    }
}

QVector<int> RRegionCatalogue::Ids() const
{
    QVector<int> ids;
    ids.reserve(m_regions.size());
    for (const RRegion& region : m_regions)
        ids.append(region.nId);
    return ids;
}

const RRegion* RRegionCatalogue::Find(int nId) const
{
    const auto it = m_index.constFind(nId);
    return it == m_index.constEnd() ? nullptr : &m_regions.at(it.value());
}

int RRegionCatalogue::AlarmValue(int nId) const
{
    const RRegion* pRegion = Find(nId);
    return pRegion ? pRegion->nAlarmValue : 0;
}

bool RRegionCatalogue::StoreAlarmValue(int nId, int nValue)
{
    return PSqlExec::Exec(
        QStringLiteral("update RegionCurveColorInfo set Alarmvalue = ? where Id = ?"),
        {nValue, nId});
}

bool RRegionCatalogue::StoreAllAlarmValues(int nValue)
{
    return PSqlExec::Exec(
        QStringLiteral("update RegionCurveColorInfo set Alarmvalue = ?"), {nValue});
}
