#pragma once

#include "database/RAuditTrail.h"
#include "database/RUserRights.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

class RStorageWriter;

class SClock;

// One account of table UserAccount; its password hash never leaves the store.
struct RUserAccount
{
    int nId = 0;
    QString strName;
    int nGrade = RUserRights::Operator;
    QDateTime created;
    bool bDisabled = false;
};

// The accounts (table UserAccount): names, grades and Argon2id password
// hashes; no password or reversible form of one is stored or logged. Logins
// are checked here, and five failures in a row lock the name for a minute.
// Every change and every login, failed ones too, goes to the audit trail.
// The store does not ask for rights: the page that calls it does.
// Default connection, GUI thread.
class RUserAccounts final
{
public:
    enum class Result {
        Ok,
        Refused, // unknown name or wrong password: one answer for both
        Locked, // too many failures: LockedForMs() says how long
        Disabled,
        Invalid, // name, grade or password not acceptable
        Exists,
        NoAccount,
        LastAdministrator, // would leave no enabled administrator
        Failed, // not stored, or no hashing
    };

    static constexpr int MaxFailures = 5;
    static constexpr qint64 LockMs = 60 * 1000;
    static constexpr int MaxNameLength = 64;
    // An account of this name exists, whatever the case of its letters.
    static bool NameTaken(const QString& strName);
    static constexpr int MinPasswordLength = 8;
    // Bounds the hashing work one login can ask for.
    static constexpr int MaxPasswordLength = 1024;

    // pAudit: where changes and logins are recorded (none when null).
    // pClock: the creation time and the lockout's elapsed time (system clock
    // when null). Neither owned.
    explicit RUserAccounts(RStorageWriter* pWriter, RAuditTrail* pAudit, SClock* pClock = nullptr);

    static QString TableStatement();

    QVector<RUserAccount> Accounts() const;
    bool Find(const QString& strName, RUserAccount* pAccount) const;
    // Whether an enabled administrator exists.
    bool HasAdministrator() const;

    // actor: who does it, for the trail.
    Result Create(
        const RAuditActor& actor, const QString& strName, int nGrade, const QString& strPassword);
    Result Disable(const RAuditActor& actor, const QString& strName, const QString& strReason);
    Result Enable(const RAuditActor& actor, const QString& strName);
    Result SetGrade(const RAuditActor& actor, const QString& strName, int nGrade);
    Result ChangePassword(
        const RAuditActor& actor, const QString& strName, const QString& strPassword);

    // Ok fills pAccount. A locked name is refused without looking at the
    // password.
    Result Login(const QString& strName, const QString& strPassword, RUserAccount* pAccount);
    // The password asked again of the account logged in: no login of its
    // own, but failures count and lock as a login's do.
    Result CheckPassword(const QString& strName, const QString& strPassword);
    // How long the name stays locked; 0 when it is not.
    qint64 LockedForMs(const QString& strName) const;

private:
    RStorageWriter* m_pWriter;
    Q_DISABLE_COPY(RUserAccounts)

    struct Failures
    {
        int nCount = 0;
        qint64 nLockedUntilMs = -1;
    };

    Result Verify(
        const QString& strName, const QString& strPassword, RUserAccount* pAccount, bool bLogin);
    static int EnabledAdministrators();
    static bool IsValidName(const QString& strName);
    static bool IsValidPassword(const QString& strPassword);
    // The account and its hash; false when there is none.
    static bool Read(const QString& strName, RUserAccount* pAccount, QByteArray* pHash);
    void Audit(const RAuditActor& actor, const char* pAction, const QString& strObject,
        const QString& strOld = QString(), const QString& strNew = QString(),
        const QString& strReason = QString());

    RAuditTrail* m_pAudit;
    SClock* m_pClock;
    // By name as typed, unknown names too, so that a guessed name is
    // locked the same way as a real one.
    QHash<QString, Failures> m_failures;
};
