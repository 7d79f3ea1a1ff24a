#include "database/RLoginSession.h"

#include "database/PSqlExec.h"
#include "database/RClientSettings.h"
#include "database/RUserRights.h"
#include "database/RUserSession.h"
#include "message/SClock.h"

#include <QVariant>

RLoginSession::RLoginSession(
    RStorageWriter* pWriter, RAuditTrail* pAudit, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_pAudit(pAudit)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_accounts(pWriter, pAudit, m_pClock)
{
    // A start has no session of its own. An account marked logged in (by
    // another writer of the file, or left by a crash) keeps its mark: the
    // shut-down, or the next login here, records its logout.
}

RUserAccounts::Result RLoginSession::LogIn(const QString& strName, const QString& strPassword)
{
    RUserAccount account;
    const RUserAccounts::Result result = m_accounts.Login(strName, strPassword, &account);
    if (result != RUserAccounts::Result::Ok)
        return result;
    if (IsLoggedIn())
        LogOut();
    m_account = account;
    m_nLastInputMs = m_pClock->ElapsedMs();
    // Whoever was marked logged in is logged out by this login, on record.
    RUserSession::CloseLastLogin(m_pClock->Now());
    PSqlExec::Exec(QStringLiteral("update UserPermission set state = 0 where state = 1"));
    const QVariantList mark = {account.strName, account.nId};
    PSqlExec::Exec(
        QStringLiteral("update UserPermission set Name = ?, state = 1 where Id = ?"), mark);
    if (PSqlExec::Scalar(
            QStringLiteral("select count(*) from UserPermission where Id = ?"), {account.nId})
            .toInt()
        == 0)
        PSqlExec::Exec(
            QStringLiteral("insert into UserPermission(Name, Id, state) values(?, ?, 1)"), mark);
    PSqlExec::Exec(QStringLiteral("insert into UserLoginTimeInfo(Id, Logintime, Logouttime) "
                                  "values(?, ?, '')"),
        {account.nId, NowText()});
    emit GradeChanged(account.nGrade);
    return result;
}

void RLoginSession::LogOut(const QString& strReason)
{
    if (!IsLoggedIn())
        return;
    RUserSession::CloseLastLogin(m_pClock->Now());
    PSqlExec::Exec(
        QStringLiteral("update UserPermission set state = 0 where Id = ?"), {m_account.nId});
    // The trail's row also commits the session rows.
    if (m_pAudit)
        m_pAudit->Append(Actor(), QLatin1String(RAuditAction::Logout), m_account.strName, QString(),
            QString(), strReason);
    m_account = RUserAccount();
    emit GradeChanged(RUserRights::NoSession);
}

int RLoginSession::Grade() const
{
    return IsLoggedIn() ? m_account.nGrade : RUserRights::NoSession;
}

void RLoginSession::Refresh()
{
    if (!IsLoggedIn())
        return;
    RUserAccount account;
    if (!m_accounts.Find(m_account.strName, &account) || account.bDisabled) {
        LogOut(QStringLiteral("disabled"));
        return;
    }
    if (account.nGrade == m_account.nGrade)
        return;
    m_account = account;
    emit GradeChanged(account.nGrade);
}

void RLoginSession::Touch()
{
    m_nLastInputMs = m_pClock->ElapsedMs();
}

void RLoginSession::CheckIdle()
{
    if (!IsLoggedIn())
        return;
    const int nMinutes
        = RClientSettings::Int(RClientSettings::SessionIdleMinutes, DefaultIdleMinutes);
    if (nMinutes > 0 && m_pClock->ElapsedMs() - m_nLastInputMs >= nMinutes * 60 * qint64(1000))
        LogOut(QStringLiteral("idle"));
}

QString RLoginSession::NowText() const
{
    return m_pClock->Now().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}
