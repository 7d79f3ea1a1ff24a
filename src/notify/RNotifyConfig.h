#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The mail notifications' settings, kept with the client's other settings
// except the mail server's password, which lives in "mail.password" beside
// the audit key (owner only). Off until an officer turns them on.
struct RNotifyConfig
{
    enum class Security {
        None = 0, // plain SMTP: for a relay on this machine
        StartTls = 1, // SMTP, then STARTTLS before anything is sent
        Tls = 2 // SMTPS from the first byte
    };
    // Who is told, in the order of escalation: on call, the officers, a
    // last list. A list covers the hours from nFromHour to nToHour (local,
    // 0..24; a range over midnight when from > to).
    struct List
    {
        QStringList addresses;
        int nFromHour = 0;
        int nToHour = 24;
        bool Covers(int nHour) const;
    };
    static constexpr int Lists = 3;

    bool bEnabled = false;
    QString strHost = QStringLiteral("127.0.0.1");
    int nPort = 25;
    Security eSecurity = Security::None;
    QString strUser;
    QString strPassword; // from its own file
    QString strFrom = QStringLiteral("kestal@localhost");
    QString strCaFile; // empty: the system's authorities
    List lists[Lists];
    // An alarm nobody acknowledged goes to the next list after this.
    int nEscalateMinutes = 10;
    // The link is reported once it has been down this long.
    int nLinkSeconds = 120;
    // At most one alarm mail per region in this time.
    int nRegionMinutes = 10;
    // While a flood lasts, one summary in this time.
    int nFloodMinutes = 30;
    // Mails in an hour; what comes over goes into one summary.
    int nPerHour = 30;

    static RNotifyConfig Load(const QString& strAuditKeyPath = QString());
    // Empty when the settings can be used, else what is wrong with them.
    QString Check() const;
    // The settings, not the password.
    bool Save(QString* pError) const;
    QList<QPair<const char*, QString>> Fields() const;
    static QString PasswordPath(const QString& strAuditKeyPath = QString());
    static bool StorePassword(
        const QString& strAuditKeyPath, const QString& strPassword, QString* pError);
};
