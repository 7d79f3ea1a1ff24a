#include "realtime/RAlarmState.h"

#include "database/RAlarmJournal.h"
#include "realtime/RRealDoseModel.h"

#include <QDir>

RAlarmState::RAlarmState(RAlarmJournal* pJournal, QObject* pParent)
    : QObject(pParent)
    , m_pJournal(pJournal)
    , m_strOperator(DesktopUser())
{
}

RAlarmState::~RAlarmState() = default;

QString RAlarmState::DesktopUser()
{
    const QString strUser = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    return strUser.isEmpty() ? QDir::home().dirName() : strUser;
}

void RAlarmState::Write(
    const QString& strEvent, int nId, double dDose, int nThreshold, const QString& strOperator)
{
    if (m_pJournal)
        m_pJournal->Write(strEvent, nId, dDose, nThreshold, strOperator);
}

void RAlarmState::OnAlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold)
{
    if (nTo == RRealDoseModel::Warning) {
        Write(QStringLiteral("alarm"), nId, fDose, nThreshold);
        Raise(nId);
    } else if (nFrom == RRealDoseModel::Warning && nTo == RRealDoseModel::Normal) {
        // The alarm stays latched until acknowledged.
        Write(QStringLiteral("clear"), nId, fDose, nThreshold);
    }
}

void RAlarmState::OnOnlineChanged(int nId, bool bOnline)
{
    Write(bOnline ? QStringLiteral("online") : QStringLiteral("offline"), nId);
}

void RAlarmState::OnLinkChanged(bool bUp)
{
    // Every connection made is news; a drop only of one that was made.
    if (!bUp && !m_bLinkUp)
        return;
    Write(bUp ? QStringLiteral("link-up") : QStringLiteral("link-down"), kLinkId);
    const bool bChanged = bUp != m_bLinkUp;
    m_bLinkUp = bUp;
    if (bChanged)
        emit LinkChanged(bUp);
    // Latched like a region's alarm: a link back before anyone looked must
    // still be seen.
    if (!bUp)
        Raise(kLinkId);
}

void RAlarmState::Raise(int nId)
{
    const bool bFirst = m_unacknowledged.isEmpty();
    m_unacknowledged.insert(nId);
    emit AcknowledgementChanged(nId);
    if (bFirst)
        emit UnacknowledgedChanged(true);
    emit NewAlarm(nId);
}

void RAlarmState::Acknowledge(int nId)
{
    if (!m_unacknowledged.remove(nId))
        return;
    Write(QStringLiteral("ack"), nId, 0.0, 0, m_strOperator);
    emit AcknowledgementChanged(nId);
    if (m_unacknowledged.isEmpty())
        emit UnacknowledgedChanged(false);
}

void RAlarmState::AcknowledgeAll()
{
    QList<int> ids = m_unacknowledged.values();
    std::sort(ids.begin(), ids.end());
    for (int nId : ids)
        Acknowledge(nId);
}
