#include "web/RWebFeed.h"

#include "station/RStationJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>

namespace {

// The journal rows the page shows at once.
constexpr int RecentEvents = 50;

QByteArray eventText(const char* pType, const QByteArray& data)
{
    return QByteArray("event: ") + pType + "\ndata: " + data + "\n\n";
}

} // namespace

void RWebFeed::Reset(const RStationSnapshot& snapshot)
{
    QMutexLocker lock(&m_mutex);
    m_order.clear();
    m_regions.clear();
    for (const RStationRegion& region : snapshot.regions) {
        m_order.append(region.nId);
        m_regions.insert(region.nId, region);
    }
    m_bLinkUp = snapshot.bLinkUp;
    m_strStorageProblem = snapshot.strStorageProblem;
    m_bFlood = snapshot.bFlood;
    m_nResetSeq = ++m_nSeq;
    m_changes.clear();
    m_changed.wakeAll();
}

void RWebFeed::SetRegion(const RStationRegion& region)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_regions.find(region.nId);
    if (it == m_regions.end())
        return;
    *it = region;
    Push(eventText("region", RStationJson::Region(region)));
}

void RWebFeed::SetReading(int nId, float fDose, const QDateTime& time)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_regions.find(nId);
    if (it == m_regions.end())
        return;
    it->fDose = fDose;
    it->time = time;
    it->bOnline = true;
    Push(eventText("region", RStationJson::Region(*it)));
}

void RWebFeed::SetLink(bool bUp)
{
    QMutexLocker lock(&m_mutex);
    m_bLinkUp = bUp;
    Push(eventText("station", StationLocked()));
}

void RWebFeed::SetStorageProblem(const QString& strProblem)
{
    QMutexLocker lock(&m_mutex);
    m_strStorageProblem = strProblem;
    Push(eventText("station", StationLocked()));
}

void RWebFeed::SetFlood(bool bFlood)
{
    QMutexLocker lock(&m_mutex);
    m_bFlood = bFlood;
    Push(eventText("station", StationLocked()));
}

void RWebFeed::AddEvent(const RAlarmEvent& event)
{
    QMutexLocker lock(&m_mutex);
    const QByteArray json = RStationJson::Event(event);
    m_events.append(json);
    if (m_events.size() > RecentEvents)
        m_events.removeFirst();
    Push(eventText("journal", json));
}

void RWebFeed::Close()
{
    QMutexLocker lock(&m_mutex);
    m_bClosed = true;
    m_changed.wakeAll();
}

void RWebFeed::Reopen()
{
    QMutexLocker lock(&m_mutex);
    m_bClosed = false;
}

void RWebFeed::Push(const QByteArray& text)
{
    m_changes.emplace_back(++m_nSeq, text);
    while (m_changes.size() > size_t(Backlog))
        m_changes.pop_front();
    m_changed.wakeAll();
}

QByteArray RWebFeed::StationLocked() const
{
    QJsonObject object;
    object.insert(QStringLiteral("link"), m_bLinkUp);
    object.insert(QStringLiteral("storage"), m_strStorageProblem);
    object.insert(QStringLiteral("flood"), m_bFlood);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray RWebFeed::StateLocked() const
{
    QByteArray text = "{\"station\":" + StationLocked() + ",\"regions\":[";
    for (int i = 0; i < m_order.size(); ++i) {
        if (i > 0)
            text += ',';
        text += RStationJson::Region(m_regions.value(m_order.at(i)));
    }
    text += "],\"journal\":[";
    for (int i = 0; i < m_events.size(); ++i) {
        if (i > 0)
            text += ',';
        text += m_events.at(i);
    }
    return text + "]}";
}

QByteArray RWebFeed::State()
{
    QMutexLocker lock(&m_mutex);
    return StateLocked();
}

bool RWebFeed::Next(qint64* pSeq, int nWaitMs, QByteArray* pText)
{
    QMutexLocker lock(&m_mutex);
    if (!m_bClosed && *pSeq == m_nSeq)
        m_changed.wait(&m_mutex, ulong(nWaitMs));
    if (m_bClosed)
        return false;
    pText->clear();
    if (*pSeq == m_nSeq) {
        *pText = ":\n\n";
        return true;
    }
    // New, reset since, or further behind than the backlog: all of it.
    const qint64 nOldest = m_changes.empty() ? m_nSeq + 1 : m_changes.front().first;
    if (*pSeq < m_nResetSeq || *pSeq + 1 < nOldest) {
        *pText = eventText("state", StateLocked());
        *pSeq = m_nSeq;
        return true;
    }
    // The numbers follow each other: the first one wanted is found by place.
    for (size_t i = size_t(*pSeq + 1 - nOldest); i < m_changes.size(); ++i)
        *pText += m_changes[i].second;
    *pSeq = m_nSeq;
    return true;
}
