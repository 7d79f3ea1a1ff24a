#include "database/RUserAccounts.h"

#include "database/PSodium.h"
#include "database/PSqlExec.h"
#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const char* const s_pTimeFormat = "yyyy-MM-ddThh:mm:ss";
const char* const s_pColumns = "Id, Name, Grade, Created, Disabled";

RUserAccount accountOf(const QSqlQuery& query)
{
    RUserAccount account;
    account.nId = query.value(0).toInt();
    account.strName = query.value(1).toString();
    account.nGrade = query.value(2).toInt();
    account.created
        = QDateTime::fromString(query.value(3).toString(), QLatin1String(s_pTimeFormat));
    account.bDisabled = query.value(4).toInt() != 0;
    return account;
}

QString gradeText(int nGrade)
{
    return QStringLiteral("grade %1").arg(nGrade);
}

// An unknown name is checked against this, so that it takes as long to
// refuse as a wrong password and the time does not tell which names exist.
const QByteArray& unknownNameHash()
{
    static const QByteArray s_hash = PSodium::HashPassword(QStringLiteral("no such account"));
    return s_hash;
}

} // namespace

RUserAccounts::RUserAccounts(RStorageWriter* pWriter, RAuditTrail* pAudit, SClock* pClock)
    : m_pWriter(pWriter)
    , m_pAudit(pAudit)
    , m_pClock(pClock ? pClock : SClock::System())
{
}

QString RUserAccounts::TableStatement()
{
    return QStringLiteral(
        "create table if not exists UserAccount(Id integer primary key autoincrement, Name "
        "varchar(64) not null unique, Grade int not null default 2, PasswordHash varchar(128) not "
        "null, Created varchar(20) not null default '', Disabled int not null default 0)");
}

QVector<RUserAccount> RUserAccounts::Accounts() const
{
    QVector<RUserAccount> accounts;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select %1 from UserAccount order by Id").arg(QLatin1String(s_pColumns)));
    while (query.next())
        accounts.append(accountOf(query));
    return accounts;
}

bool RUserAccounts::Read(const QString& strName, RUserAccount* pAccount, QByteArray* pHash)
{
    QSqlQuery query
        = PSqlExec::Select(QStringLiteral("select %1, PasswordHash from UserAccount where Name = ?")
                               .arg(QLatin1String(s_pColumns)),
            {strName});
    if (!query.next())
        return false;
    *pAccount = accountOf(query);
    if (pHash)
        *pHash = query.value(5).toString().toLatin1();
    return true;
}

bool RUserAccounts::Find(const QString& strName, RUserAccount* pAccount) const
{
    return Read(strName, pAccount, nullptr);
}

bool RUserAccounts::NameTaken(const QString& strName)
{
    // "Officer" beside "officer" would be two people to an auditor reading
    // the trail: names are one whatever their case.
    const QString strFolded = strName.toCaseFolded();
    QSqlQuery query = PSqlExec::Select(QStringLiteral("select Name from UserAccount"));
    while (query.next()) {
        if (query.value(0).toString().toCaseFolded() == strFolded)
            return true;
    }
    return false;
}

int RUserAccounts::EnabledAdministrators()
{
    return PSqlExec::Scalar(
        QStringLiteral("select count(*) from UserAccount where Grade = ? and Disabled = 0"),
        {int(RUserRights::Administrator)})
        .toInt();
}

bool RUserAccounts::HasAdministrator() const
{
    return EnabledAdministrators() > 0;
}

bool RUserAccounts::IsValidName(const QString& strName)
{
    if (strName.isEmpty() || strName.size() > MaxNameLength || strName != strName.trimmed())
        return false;
    for (const QChar ch : strName) {
        if (!ch.isPrint())
            return false;
    }
    return true;
}

bool RUserAccounts::IsValidPassword(const QString& strPassword)
{
    return strPassword.size() >= MinPasswordLength && strPassword.size() <= MaxPasswordLength;
}

void RUserAccounts::Audit(const RAuditActor& actor, const char* pAction, const QString& strObject,
    const QString& strOld, const QString& strNew, const QString& strReason)
{
    if (m_pAudit)
        m_pAudit->Append(actor, QLatin1String(pAction), strObject, strOld, strNew, strReason);
}

RUserAccounts::Result RUserAccounts::Create(
    const RAuditActor& actor, const QString& strName, int nGrade, const QString& strPassword)
{
    if (!IsValidName(strName) || !RUserRights::IsGrade(nGrade) || !IsValidPassword(strPassword))
        return Result::Invalid;
    if (NameTaken(strName))
        return Result::Exists;
    const QByteArray hash = PSodium::HashPassword(strPassword);
    if (hash.isEmpty())
        return Result::Failed;
    const QString strCreated = m_pClock->Now().toString(QLatin1String(s_pTimeFormat));
    if (!m_pWriter->Write(
            QStringLiteral("insert into UserAccount(Name, Grade, PasswordHash, Created) values(?, "
                           "?, ?, ?)"),
            {strName, nGrade, QString::fromLatin1(hash), strCreated}))
        return Result::Failed;
    Audit(actor, RAuditAction::AccountCreate, strName, QString(), gradeText(nGrade));
    return Result::Ok;
}

RUserAccounts::Result RUserAccounts::Disable(
    const RAuditActor& actor, const QString& strName, const QString& strReason)
{
    RUserAccount account;
    if (!Find(strName, &account))
        return Result::NoAccount;
    if (account.bDisabled)
        return Result::Ok;
    if (account.nGrade == RUserRights::Administrator && EnabledAdministrators() <= 1)
        return Result::LastAdministrator;
    if (!m_pWriter->Write(
            QStringLiteral("update UserAccount set Disabled = 1 where Id = ?"), {account.nId}))
        return Result::Failed;
    Audit(actor, RAuditAction::AccountDisable, strName, QStringLiteral("enabled"),
        QStringLiteral("disabled"), strReason);
    return Result::Ok;
}

RUserAccounts::Result RUserAccounts::Enable(const RAuditActor& actor, const QString& strName)
{
    RUserAccount account;
    if (!Find(strName, &account))
        return Result::NoAccount;
    if (!account.bDisabled)
        return Result::Ok;
    if (!m_pWriter->Write(
            QStringLiteral("update UserAccount set Disabled = 0 where Id = ?"), {account.nId}))
        return Result::Failed;
    Audit(actor, RAuditAction::AccountEnable, strName, QStringLiteral("disabled"),
        QStringLiteral("enabled"));
    return Result::Ok;
}

RUserAccounts::Result RUserAccounts::SetGrade(
    const RAuditActor& actor, const QString& strName, int nGrade)
{
    if (!RUserRights::IsGrade(nGrade))
        return Result::Invalid;
    RUserAccount account;
    if (!Find(strName, &account))
        return Result::NoAccount;
    if (account.nGrade == nGrade)
        return Result::Ok;
    if (account.nGrade == RUserRights::Administrator && !account.bDisabled
        && EnabledAdministrators() <= 1)
        return Result::LastAdministrator;
    if (!m_pWriter->Write(
            QStringLiteral("update UserAccount set Grade = ? where Id = ?"), {nGrade, account.nId}))
        return Result::Failed;
    Audit(actor, RAuditAction::AccountGrade, strName, gradeText(account.nGrade), gradeText(nGrade));
    return Result::Ok;
}

RUserAccounts::Result RUserAccounts::ChangePassword(
    const RAuditActor& actor, const QString& strName, const QString& strPassword)
{
    RUserAccount account;
    if (!Find(strName, &account))
        return Result::NoAccount;
    if (!IsValidPassword(strPassword))
        return Result::Invalid;
    const QByteArray hash = PSodium::HashPassword(strPassword);
    if (hash.isEmpty())
        return Result::Failed;
    if (!m_pWriter->Write(QStringLiteral("update UserAccount set PasswordHash = ? where Id = ?"),
            {QString::fromLatin1(hash), account.nId}))
        return Result::Failed;
    Audit(actor, RAuditAction::AccountPassword, strName);
    return Result::Ok;
}

qint64 RUserAccounts::LockedForMs(const QString& strName) const
{
    const auto it = m_failures.constFind(strName);
    if (it == m_failures.constEnd() || it->nLockedUntilMs < 0)
        return 0;
    return qMax<qint64>(0, it->nLockedUntilMs - m_pClock->ElapsedMs());
}

RUserAccounts::Result RUserAccounts::Login(
    const QString& strName, const QString& strPassword, RUserAccount* pAccount)
{
    return Verify(strName, strPassword, pAccount, true);
}

RUserAccounts::Result RUserAccounts::CheckPassword(
    const QString& strName, const QString& strPassword)
{
    RUserAccount account;
    return Verify(strName, strPassword, &account, false);
}

RUserAccounts::Result RUserAccounts::Verify(
    const QString& strName, const QString& strPassword, RUserAccount* pAccount, bool bLogin)
{
    RUserAccount account;
    QByteArray hash;
    const bool bKnown = Read(strName, &account, &hash);
    // A name that is no account is not written down: it may be a password
    // typed into the wrong field.
    const RAuditActor who = bKnown ? RAuditActor {account.nId, account.strName} : RAuditActor {};
    const QString strObject = bKnown ? account.strName : QStringLiteral("(unknown name)");

    const auto it = m_failures.find(strName);
    if (it != m_failures.end() && it->nLockedUntilMs >= 0) {
        if (LockedForMs(strName) > 0) {
            Audit(who, RAuditAction::LoginFailed, strObject, QString(), QString(),
                QStringLiteral("locked"));
            return Result::Locked;
        }
        m_failures.erase(it);
    }

    const bool bMatch = PSodium::VerifyPassword(bKnown ? hash : unknownNameHash(), strPassword);
    if (!bKnown || !bMatch) {
        Failures& failures = m_failures[strName];
        ++failures.nCount;
        Audit(who, RAuditAction::LoginFailed, strObject, QString(), QString(),
            bKnown ? QStringLiteral("wrong password") : QStringLiteral("no such account"));
        if (failures.nCount < MaxFailures)
            return Result::Refused;
        failures.nCount = 0;
        failures.nLockedUntilMs = m_pClock->ElapsedMs() + LockMs;
        Audit(who, RAuditAction::Lockout, strObject, QString(), QString(),
            QStringLiteral("%1 failed logins").arg(MaxFailures));
        Log(LogLevel::Warning, "a login name is locked for %lld s after %d failures\n",
            static_cast<long long>(LockMs / 1000), MaxFailures);
        return Result::Locked;
    }
    if (account.bDisabled) {
        Audit(who, RAuditAction::LoginFailed, strObject, QString(), QString(),
            QStringLiteral("disabled"));
        return Result::Disabled;
    }
    m_failures.remove(strName);
    if (bLogin)
        Audit(who, RAuditAction::Login, strObject);
    *pAccount = account;
    return Result::Ok;
}
