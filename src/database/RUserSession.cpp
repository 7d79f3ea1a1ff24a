#include "database/RUserSession.h"

#include "database/PSqlExec.h"

#include <QSqlQuery>
#include <QVariant>

void RUserSession::CloseLastLogin(const QDateTime& now)
{
    QSqlQuery account
        = PSqlExec::Select(QStringLiteral("select Id from UserPermission where state = 1"));
    if (!account.next())
        return;
    const int nId = account.value(0).toInt();
    account.finish();
    // The text form sorts in time order, so Max() is the latest login.
    const QString strLogin = PSqlExec::Scalar(
        QStringLiteral("select Max(Logintime) from UserLoginTimeInfo where Id = ?"), {nId})
                                 .toString();
    PSqlExec::Exec(QStringLiteral("update UserLoginTimeInfo set Logouttime = ? where Id = ? and "
                                  "Logintime = ? "),
        {now.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")), nId, strLogin});
}
