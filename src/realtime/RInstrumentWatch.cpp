#include "realtime/RInstrumentWatch.h"

#include "database/RAlarmJournal.h"
#include "database/RRegionCatalogue.h"
#include "message/SClock.h"

#include <QStringList>

namespace {

QString keyOf(int nId, int nKind)
{
    return QStringLiteral("%1/%2").arg(nId).arg(nKind);
}

} // namespace

RInstrumentWatch::RInstrumentWatch(RAlarmJournal* pJournal, const RRegionCatalogue* pCatalogue,
    const SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pJournal(pJournal)
    , m_pCatalogue(pCatalogue)
    , m_pClock(pClock ? pClock : SClock::System())
{
}

QString RInstrumentWatch::RegionName(int nId) const
{
    const RRegion* pRegion = m_pCatalogue ? m_pCatalogue->Find(nId) : nullptr;
    return pRegion && !pRegion->strName.isEmpty()
        ? QStringLiteral("%1 (%2)").arg(pRegion->strName).arg(nId)
        : QString::number(nId);
}

QVector<RInstrumentDue> RInstrumentWatch::Overdue() const
{
    QVector<RInstrumentDue> overdue;
    for (const RInstrumentDue& due : m_dues) {
        if (due.IsOverdue(m_today))
            overdue.append(due);
    }
    return overdue;
}

void RInstrumentWatch::Check()
{
    m_today = m_pClock->Now().date();
    m_dues = RInstrumentStore::Dues(
        RInstrumentStore::Calibrations(0), RInstrumentStore::Tests(0), m_today);
    // Monitors no longer registered have nothing due.
    if (m_pCatalogue) {
        QVector<RInstrumentDue> registered;
        for (const RInstrumentDue& due : qAsConst(m_dues)) {
            if (m_pCatalogue->Find(due.nId))
                registered.append(due);
        }
        m_dues = registered;
    }
    const QVector<RInstrumentDue> overdue = Overdue();

    if (m_journalDay != m_today) {
        // Once a day, across restarts too: the day's rows are in the journal.
        m_journalDay = m_today;
        m_journalled.clear();
        if (m_pJournal) {
            for (const RAlarmEvent& event : RAlarmJournal::Read(m_today, m_today)) {
                if (event.strEvent != QLatin1String("overdue"))
                    continue;
                for (const QString& strPart : event.strDetail.split(QLatin1Char(';'))) {
                    if (strPart.startsWith(QLatin1String("kind=")))
                        m_journalled.insert(keyOf(event.nId, strPart.mid(5).toInt()));
                }
            }
        }
    }
    QStringList parts;
    for (const RInstrumentDue& due : overdue) {
        const QString strKind = RInstrumentStore::KindText(due.nKind);
        parts << (due.failed.isValid()
                ? tr("%1 of %2 failed on %3")
                      .arg(strKind, RegionName(due.nId), due.failed.toString(Qt::ISODate))
                : tr("%1 of %2 due %3")
                      .arg(strKind, RegionName(due.nId), due.due.toString(Qt::ISODate)));
        const QString strKey = keyOf(due.nId, due.nKind);
        if (m_pJournal && !m_journalled.contains(strKey)) {
            m_journalled.insert(strKey);
            m_pJournal->Write(QStringLiteral("overdue"), due.nId, 0.0, 0, QString(),
                QStringLiteral("kind=%1;due=%2;days=%3%4")
                    .arg(due.nKind)
                    .arg((due.failed.isValid() ? due.failed : due.due).toString(Qt::ISODate))
                    .arg(due.DaysOverdue(m_today))
                    .arg(QLatin1String(due.failed.isValid() ? ";failed=1" : "")));
        }
    }
    const QString strProblem = parts.isEmpty()
        ? QString()
        : tr("Instruments overdue: %1").arg(parts.join(QStringLiteral("; ")));
    if (strProblem != m_strProblem) {
        m_strProblem = strProblem;
        emit ProblemChanged(m_strProblem);
    }
}
