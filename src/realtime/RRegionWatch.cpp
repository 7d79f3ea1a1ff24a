#include "realtime/RRegionWatch.h"

#include "database/RAlarmFilterStore.h"
#include "database/RRegionCatalogue.h"
#include "message/SClock.h"
#include "realtime/RRealDoseModel.h"

#include <QSet>
#include <QTimer>

RRegionWatch::RRegionWatch(const RRegionCatalogue* pCatalogue, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pTimer(new QTimer(this))
{
    m_pTimer->setInterval(SupervisionMs);
    connect(m_pTimer, &QTimer::timeout, this, &RRegionWatch::Supervise);
}

RRegionWatch::~RRegionWatch() = default;

void RRegionWatch::Reload(const QSet<int>& raised)
{
    m_filter.Clear();
    for (int nId : raised)
        m_filter.SetRaised(nId);
    LoadFilters();
    m_regions.clear();
    m_index.clear();
    m_lastMs.clear();
    m_wentOffline.clear();
    for (const RRegion& region : m_pCatalogue->Regions()) {
        Region row;
        row.nId = region.nId;
        row.nAlarm = RRealDoseModel::AlarmOffLine;
        m_index.insert(region.nId, m_regions.size());
        m_regions.append(row);
        m_lastMs.append(-1);
    }
    m_pTimer->start();
}

void RRegionWatch::LoadFilters()
{
    m_filter.SetSettings(RAlarmFilterStore::Load());
}

const RRegionWatch::Region* RRegionWatch::Find(int nId) const
{
    const auto it = m_index.constFind(nId);
    return it == m_index.cend() ? nullptr : &m_regions.at(it.value());
}

void RRegionWatch::Feed(int nId, float fDose)
{
    const auto it = m_index.constFind(nId);
    if (it == m_index.cend())
        return;
    Region& region = m_regions[it.value()];
    region.fDose = fDose;
    region.time = m_pClock->Now();
    m_lastMs[it.value()] = m_pClock->ElapsedMs();
    region.bOnline = true;
    // Only a return is news: the first reading after a start is not.
    if (m_wentOffline.remove(nId))
        emit OnlineChanged(nId, true);
    const int nFrom = region.nAlarm;
    // From the catalogue, which is reloaded whenever a threshold is stored,
    // so that it applies from the next reading on.
    const int nThreshold = m_pCatalogue->AlarmValue(nId);
    if (nThreshold > 0)
        region.nAlarm = m_filter.Feed(nId, fDose, nThreshold) ? RRealDoseModel::Warning
                                                              : RRealDoseModel::Normal;
    else if (static_cast<float>(nThreshold) > fDose)
        region.nAlarm = RRealDoseModel::Normal;
    if (region.nAlarm != nFrom)
        emit AlarmChanged(nId, nFrom, region.nAlarm, fDose, nThreshold);
    if (region.nAlarm == RRealDoseModel::Warning)
        emit AlarmReading(nId, fDose);
}

void RRegionWatch::Supervise()
{
    const qint64 nNow = m_pClock->ElapsedMs();
    for (int i = 0; i < m_regions.size(); ++i) {
        if (m_lastMs.at(i) < 0 || nNow - m_lastMs.at(i) <= SilenceMs)
            continue;
        Region& region = m_regions[i];
        if (region.bOnline) {
            m_wentOffline.insert(region.nId);
            emit OnlineChanged(region.nId, false);
        }
        region.bOnline = false;
        region.nAlarm = RRealDoseModel::AlarmOffLine;
    }
}
