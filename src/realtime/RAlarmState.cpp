#include "realtime/RAlarmState.h"

#include "database/RAlarmJournal.h"
#include "realtime/RRealDoseModel.h"

#include <QDir>
#include <QTimer>

RAlarmState::RAlarmState(RAlarmJournal* pJournal, QObject* pParent)
    : QObject(pParent)
    , m_pJournal(pJournal)
    , m_strOperator(DesktopUser())
    , m_pFlashTimer(new QTimer(this))
{
    m_pFlashTimer->setInterval(kFlashMs);
    connect(m_pFlashTimer, &QTimer::timeout, this, &RAlarmState::FlashStep);
}

RAlarmState::~RAlarmState() = default;

QColor RAlarmState::AlarmColour(bool bBright)
{
    return bBright ? QColor(220, 0, 0) : QColor(96, 0, 0);
}

QString RAlarmState::DesktopUser()
{
    const QString strUser = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
    return strUser.isEmpty() ? QDir::home().dirName() : strUser;
}

RAlarmState::Look RAlarmState::LookOf(int nId) const
{
    const bool bActive = m_active.contains(nId);
    if (m_unacknowledged.contains(nId))
        return bActive ? ActiveUnacknowledged : ClearedUnacknowledged;
    return bActive ? ActiveAcknowledged : NoAlarm;
}

void RAlarmState::Write(
    const QString& strEvent, int nId, double dDose, int nThreshold, const QString& strOperator)
{
    if (m_pJournal)
        m_pJournal->Write(strEvent, nId, dDose, nThreshold, strOperator);
}

void RAlarmState::OnAlarmChanged(int nId, int nFrom, int nTo, float fDose, int nThreshold)
{
    Q_UNUSED(nFrom);
    if (nTo == RRealDoseModel::Warning) {
        // Also after the region was silent: a new alarm, to be acknowledged.
        Write(QStringLiteral("alarm"), nId, fDose, nThreshold);
        m_active.insert(nId);
        Raise(nId);
    } else if (nTo == RRealDoseModel::Normal && m_active.remove(nId)) {
        // The alarm stays latched until acknowledged. A region that went
        // silent in alarm clears here too, on its first reading below the
        // threshold, so no view shows an alarm the journal has cleared.
        Write(QStringLiteral("clear"), nId, fDose, nThreshold);
        UpdateFlashing();
        emit LookChanged(nId);
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
    UpdateFlashing();
    emit AcknowledgementChanged(nId);
    emit LookChanged(nId);
    if (bFirst)
        emit UnacknowledgedChanged(true);
    emit NewAlarm(nId);
}

void RAlarmState::Acknowledge(int nId)
{
    if (!m_unacknowledged.remove(nId))
        return;
    Write(QStringLiteral("ack"), nId, 0.0, 0, m_strOperator);
    UpdateFlashing();
    emit AcknowledgementChanged(nId);
    emit LookChanged(nId);
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

void RAlarmState::FlashStep()
{
    m_bFlashOn = !m_bFlashOn;
    emit FlashChanged(m_bFlashOn);
}

bool RAlarmState::IsFlashing() const
{
    return m_pFlashTimer->isActive();
}

void RAlarmState::UpdateFlashing()
{
    bool bFlashing = false;
    for (int nId : qAsConst(m_unacknowledged))
        bFlashing = bFlashing || m_active.contains(nId);
    if (bFlashing) {
        if (!m_pFlashTimer->isActive())
            m_pFlashTimer->start();
        return;
    }
    m_pFlashTimer->stop();
    if (!m_bFlashOn) {
        m_bFlashOn = true;
        emit FlashChanged(true);
    }
}
