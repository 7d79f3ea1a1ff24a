#include "database/RRegionCatalogue.h"

#include "database/PSqlExec.h"
#include "message/PLogRecord.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

void RRegionCatalogue::Reload()
{
    m_regions.clear();
    m_index.clear();
    const int nNum = PSqlExec::Scalar(QStringLiteral("select Num from RegionInfo")).toInt();
    if (nNum <= 0)
        return;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral(
            "select r.Sub, r.Id, r.Name, c.Id, c.Alarmvalue, c.R_Color, c.G_Color, "
            "c.B_Color, c.ButtonCheck, r.rowid from RegionInfo r left join RegionCurveColorInfo "
            "c on c.Id = r.Id where r.Sub >= 1 and r.Sub <= ? order by r.Sub, r.rowid"),
        {nNum});
    int nLastSub = 0;
    qint64 nLastRow = -1;
    while (query.next()) {
        RRegion region;
        region.nSub = query.value(0).toInt();
        region.nId = query.value(1).toInt();
        // The join gives a region with several display rows once per row.
        const qint64 nRow = query.value(9).toLongLong();
        if (nRow == nLastRow)
            continue;
        nLastRow = nRow;
        if (region.nSub == nLastSub && m_regions.last().nId == region.nId) {
            RRegion& shown = m_regions.last();
            shown.nProblems |= AnotherEntry;
            shown.nOtherSub = region.nSub;
            continue;
        }
        if (region.nSub == nLastSub) {
            RRegion& shown = m_regions.last();
            shown.nProblems |= SharedPosition;
            shown.nOtherId = region.nId;
            continue;
        }
        if (m_index.contains(region.nId)) {
            RRegion& shown = m_regions[m_index.value(region.nId)];
            shown.nProblems |= AnotherEntry;
            shown.nOtherSub = region.nSub;
            continue;
        }
        nLastSub = region.nSub;
        region.strName = query.value(2).toString();
        if (!query.value(3).isNull()) {
            region.nAlarmValue = query.value(4).toInt();
            region.colour = QColor(qBound(0, query.value(5).toInt(), 255),
                qBound(0, query.value(6).toInt(), 255), qBound(0, query.value(7).toInt(), 255));
            region.bCurveShown = query.value(8).toInt() != 0;
        } else {
            region.nProblems |= NoDisplayRow;
        }
        if (region.nAlarmValue <= 0)
            region.nProblems |= NoThreshold;
        m_index.insert(region.nId, m_regions.size());
        m_regions.append(region);
    }
    LogProblems();
}

void RRegionCatalogue::LogProblems() const
{
    // The catalogue is reloaded at every settings change; a problem is news
    // only the first time it is seen.
    static QSet<QString> s_logged;
    for (const RRegion& region : m_regions) {
        QStringList lines;
        if (region.nProblems & NoDisplayRow)
            lines << QStringLiteral("has no row in RegionCurveColorInfo: no alarm threshold, "
                                    "default curve colour");
        else if (region.nProblems & NoThreshold)
            lines << QStringLiteral("has alarm threshold %1: it can never alarm")
                         .arg(region.nAlarmValue);
        if (region.nProblems & AnotherEntry)
            lines << QStringLiteral("is registered again at position %1; that entry is ignored")
                         .arg(region.nOtherSub);
        if (region.nProblems & SharedPosition)
            lines << QStringLiteral("shares position %1 with region %2, which is not shown")
                         .arg(region.nSub)
                         .arg(region.nOtherId);
        for (const QString& strLine : qAsConst(lines)) {
            const QString strText
                = QStringLiteral("region %1 (%2) %3").arg(region.nId).arg(region.strName, strLine);
            if (s_logged.contains(strText))
                continue;
            s_logged.insert(strText);
            Log(LogLevel::Warning, "region list: %s\n", qPrintable(strText));
        }
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

bool RRegionCatalogue::StoreCurveStates(const QVector<QPair<int, int>>& states)
{
    QSqlQuery query(QSqlDatabase::database());
    if (!query.prepare(
            QStringLiteral("update RegionCurveColorInfo set ButtonCheck = ? where Id = ?"))) {
        Log(LogLevel::Debug, "sql failed: curve states; %s\n",
            query.lastError().text().toUtf8().constData());
        return false;
    }
    bool bOk = true;
    for (const QPair<int, int>& state : states) {
        query.bindValue(0, state.second);
        query.bindValue(1, state.first);
        if (!query.exec()) {
            Log(LogLevel::Debug, "sql failed: curve state of %d; %s\n", state.first,
                query.lastError().text().toUtf8().constData());
            bOk = false;
        }
    }
    return bOk;
}

bool RRegionCatalogue::StoreCurveColour(int nId, const QColor& colour)
{
    return PSqlExec::Exec(
        QStringLiteral("update RegionCurveColorInfo set R_Color = ?, G_Color = ?, "
                       "B_Color = ? where Id = ?"),
        {colour.red(), colour.green(), colour.blue(), nId});
}
