#include "database/RStorageState.h"

#include <QStringList>

RStorageState::RStorageState(QObject* pParent)
    : QObject(pParent)
{
}

void RStorageState::SetUnusable(const QString& strReason)
{
    m_strUnusable = strReason;
    emit Changed();
}

void RStorageState::CommitFailed(const QString& strReason)
{
    const bool bWasFailing = m_bFailing;
    m_bFailing = true;
    m_strFailure = strReason;
    if (!bWasFailing)
        emit Changed();
}

void RStorageState::ReadingsLost(qint64 nLost)
{
    if (nLost <= 0)
        return;
    m_nLost += nLost;
    emit Changed();
}

void RStorageState::CommitSucceeded()
{
    if (!m_bFailing)
        return;
    m_bFailing = false;
    m_strFailure.clear();
    m_nLost = 0;
    emit Changed();
}

void RStorageState::SetDamaged(const QString& strReason)
{
    m_strDamaged = strReason;
    emit Changed();
}

QString RStorageState::ProblemText() const
{
    if (!m_strUnusable.isEmpty())
        return tr("Database unavailable: %1. Readings are shown but not stored.")
            .arg(m_strUnusable);
    QStringList parts;
    if (!m_strDamaged.isEmpty())
        parts << tr("Database damaged: %1. Replace the file soon.").arg(m_strDamaged);
    if (m_bFailing) {
        parts << tr("Readings are not being stored: %1.").arg(m_strFailure);
        if (m_nLost > 0)
            parts << tr("%1 reading(s) could not be stored.").arg(m_nLost);
        parts << tr("Retrying.");
    }
    return parts.join(QLatin1Char(' '));
}

void RStorageState::Reset()
{
    m_strUnusable.clear();
    m_strFailure.clear();
    m_strDamaged.clear();
    m_bFailing = false;
    m_nLost = 0;
    emit Changed();
}
