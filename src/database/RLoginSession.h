#pragma once

#include "database/RAuditTrail.h"
#include "database/RUserAccounts.h"

#include <QObject>

class RStorageWriter;

class SClock;

// The console's session: who is logged in and with which grade. A login
// opens a row of UserLoginTimeInfo and marks the account in UserPermission,
// so that the shut-down rule closes it too; a logout closes the row. With no
// input for the idle time of the client settings, the session ends and the
// console is view-only again. Default connection, GUI thread.
class RLoginSession final : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultIdleMinutes = 15;

    // pAudit: where logins and logouts are recorded; pClock: the session
    // rows' times and the idle time. Neither owned; either may be null.
    explicit RLoginSession(
        RStorageWriter* pWriter, RAuditTrail* pAudit, SClock* pClock, QObject* pParent = nullptr);

    RUserAccounts& Accounts() { return m_accounts; }

    RUserAccounts::Result LogIn(const QString& strName, const QString& strPassword);
    // strReason goes to the trail ("idle" when the idle time ended it).
    void LogOut(const QString& strReason = QString());

    bool IsLoggedIn() const { return m_account.nId != 0; }
    // RUserRights::NoSession without a session.
    int Grade() const;
    RAuditActor Actor() const { return {m_account.nId, m_account.strName}; }

    // Reads the account logged in again after a change to it: a new grade
    // takes effect at once, a disabled account's session ends.
    void Refresh();

    // Input at the console: the idle time starts again.
    void Touch();
    // Ends a session idle for the set minutes; the window calls it now and then.
    void CheckIdle();

signals:
    void GradeChanged(int nGrade);

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RLoginSession)

    QString NowText() const;

    RAuditTrail* m_pAudit;
    SClock* m_pClock;
    RUserAccounts m_accounts;
    RUserAccount m_account;
    qint64 m_nLastInputMs = 0;
};
