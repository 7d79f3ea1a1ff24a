#include "realtime/RRealDoseModel.h"

#include "database/RRegionCatalogue.h"
#include "database/RStaffListStore.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"

#include <QCoreApplication>
#include <QTimer>

RRealDoseModel::RRealDoseModel(
    RRegionCatalogue* pCatalogue, int kind, QObject* parent, SClock* pClock)
    : QAbstractItemModel(parent)
    , m_pCatalogue(pCatalogue)
    , m_nKind(kind)
    , m_pSupervisionTimer(new QTimer(this))
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pFlushTimer(new QTimer(this))
{
    m_pSupervisionTimer->setInterval(kSupervisionMs);
    connect(m_pSupervisionTimer, &QTimer::timeout, this, &RRealDoseModel::OnTimeOut);
    connect(this, &RRealDoseModel::ItemAchieveData, this, &RRealDoseModel::StartOneTime);
    m_pFlushTimer->setSingleShot(true);
    m_pFlushTimer->setInterval(kUpdateMs);
    connect(m_pFlushTimer, &QTimer::timeout, this, &RRealDoseModel::FlushChanges);
}

RRealDoseModel::~RRealDoseModel() = default;

void RRealDoseModel::Reload()
{
    // The row count changes, so views must drop everything they hold; this
    // also removes the check-box cells, which the form rebuilds afterwards.
    beginResetModel();
    m_pFlushTimer->stop();
    m_nDirtyFirst = m_nDirtyLast = -1;

    m_names.clear();
    m_online.clear();
    m_seen.clear();
    if (m_nKind == 0) {
        // The one region list: each region once, in position order, whatever
        // the table holds twice.
        for (const RRegion& region : m_pCatalogue->Regions())
            m_names.append(region.strName);
        m_nRowCount = m_names.size();
    } else {
        m_nRowCount = qMax(0, RStaffListStore::StaffCount());
        m_names = RStaffListStore::StaffNames();
    }
    m_values = QVector<float>(m_nRowCount, 0.0f);
    m_lastReading = QVector<qint64>(m_nRowCount, -1);
    m_wentOffline = QVector<bool>(m_nRowCount, false);
    // Num and the number of rows may disagree in a hand-edited file; the
    // per-row lists always cover rowCount so no lookup can run past them.
    while (m_online.size() < qMax(m_nRowCount, m_names.size())) {
        m_online.append(OffLine);
        m_seen.append(false);
    }

    LoadRegionColours();
    while (m_alarm.size() < m_nRowCount)
        m_alarm.append(AlarmOffLine);
    endResetModel();
    m_pSupervisionTimer->start();
}

QModelIndex RRealDoseModel::index(int row, int column, const QModelIndex& parent) const
{
    return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
}

QModelIndex RRealDoseModel::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int RRealDoseModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nRowCount;
}

int RRealDoseModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nColumnCount;
}

QVariant RRealDoseModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractItemModel::headerData(section, orientation, role);
    if (role != Qt::DisplayRole || section < 0 || section >= m_nColumnCount || !m_pHeaders)
        return QVariant();
    // The headers are source texts, translated in the concrete model's context.
    return QCoreApplication::translate(metaObject()->className(), m_pHeaders[section]);
}

bool RRealDoseModel::HasReading(int row) const
{
    return row >= 0 && row < m_lastReading.size() && m_lastReading.at(row) >= 0;
}

int RRealDoseModel::OnlineAt(int row) const
{
    return row >= 0 && row < m_online.size() ? m_online.at(row) : OffLine;
}

int RRealDoseModel::AlarmAt(int row) const
{
    return row >= 0 && row < m_alarm.size() ? m_alarm.at(row) : AlarmOffLine;
}

void RRealDoseModel::StartOneTime(int iId)
{
    const int i = m_ids.indexOf(iId);
    if (i < 0 || i >= m_lastReading.size())
        return;
    m_lastReading[i] = m_pClock->ElapsedMs();
}

void RRealDoseModel::OnTimeOut()
{
    const qint64 nNow = m_pClock->ElapsedMs();
    int nFirst = -1;
    int nLast = -1;
    for (int i = 0; i < m_lastReading.size(); ++i) {
        if (m_lastReading.at(i) < 0)
            continue;
        const qint64 nElapsed = nNow - m_lastReading.at(i);
        if (nElapsed <= kSilenceMs)
            continue;
        if (m_online.at(i) != OffLine || m_alarm.at(i) != AlarmOffLine) {
            if (nFirst < 0)
                nFirst = i;
            nLast = i;
        }
        if (m_online.at(i) == OnLine && i < m_wentOffline.size()) {
            m_wentOffline[i] = true;
            emit OnlineChanged(IdAt(i), false);
        }
        m_online[i] = OffLine;
        m_alarm[i] = AlarmOffLine;
        if (m_seen.at(i)) {
            m_seen[i] = false;
            if (nElapsed > kLongSilenceMs)
                PostSMessage(SBus::ModelUnrouted, SBus::RegionSilent, IdAt(i), 0);
        }
    }
    if (nFirst >= 0)
        RowsChanged(nFirst, nLast);
}

void RRealDoseModel::SetUpdateInterval(int nMs)
{
    m_pFlushTimer->setInterval(qMax(0, nMs));
}

void RRealDoseModel::RowsChanged(int nFirst, int nLast)
{
    if (!m_bCoalesce) {
        emit layoutAboutToBeChanged();
        emit layoutChanged();
        return;
    }
    m_nDirtyFirst = m_nDirtyFirst < 0 ? nFirst : qMin(m_nDirtyFirst, nFirst);
    m_nDirtyLast = qMax(m_nDirtyLast, nLast);
    if (!m_pFlushTimer->isActive())
        m_pFlushTimer->start();
}

void RRealDoseModel::FlushChanges()
{
    if (m_nDirtyFirst < 0 || m_nColumnCount == 0)
        return;
    const int nLast = qMin(m_nDirtyLast, m_nRowCount - 1);
    const int nFirst = m_nDirtyFirst;
    m_nDirtyFirst = m_nDirtyLast = -1;
    if (nFirst > nLast)
        return;
    emit dataChanged(index(nFirst, 0), index(nLast, m_nColumnCount - 1));
}
