#include "site/RSiteConfig.h"

#include "database/RClientSettings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

const char* const s_pEnabled = "SiteDbEnabled";
const char* const s_pHost = "SiteDbHost";
const char* const s_pPort = "SiteDbPort";
const char* const s_pDatabase = "SiteDbName";
const char* const s_pUser = "SiteDbUser";
const char* const s_pSslMode = "SiteDbSslMode";
const char* const s_pSite = "SiteName";

// A field of a password-file line: backslash and colon escaped.
QString passField(const QString& strValue)
{
    QString strOut = strValue;
    strOut.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    strOut.replace(QLatin1Char(':'), QLatin1String("\\:"));
    return strOut;
}

} // namespace

RSiteConfig RSiteConfig::Load()
{
    RSiteConfig config;
    config.bEnabled = RClientSettings::Int(s_pEnabled, 0) != 0;
    config.strHost = RClientSettings::Text(s_pHost, config.strHost);
    config.nPort = RClientSettings::Int(s_pPort, config.nPort);
    config.strDatabase = RClientSettings::Text(s_pDatabase, config.strDatabase);
    config.strUser = RClientSettings::Text(s_pUser, config.strUser);
    config.strSslMode = RClientSettings::Text(s_pSslMode, config.strSslMode);
    config.strSite = RClientSettings::Text(s_pSite);
    return config;
}

bool RSiteConfig::Save(QString* pError) const
{
    return RClientSettings::SetInt(s_pEnabled, bEnabled ? 1 : 0, pError)
        && RClientSettings::SetText(s_pHost, strHost, pError)
        && RClientSettings::SetInt(s_pPort, nPort, pError)
        && RClientSettings::SetText(s_pDatabase, strDatabase, pError)
        && RClientSettings::SetText(s_pUser, strUser, pError)
        && RClientSettings::SetText(s_pSslMode, strSslMode, pError)
        && RClientSettings::SetText(s_pSite, strSite, pError);
}

QString RSiteConfig::ConnectOptions(int nTimeoutS) const
{
    QStringList options {QStringLiteral("connect_timeout=%1").arg(nTimeoutS),
        QStringLiteral("sslmode=%1").arg(strSslMode), QStringLiteral("application_name=kestal")};
    if (!strPassFile.isEmpty())
        options << QStringLiteral("passfile=%1").arg(strPassFile);
    return options.join(QLatin1Char(';'));
}

QString RSiteConfig::Problem() const
{
    static const QStringList s_modes {QStringLiteral("disable"), QStringLiteral("allow"),
        QStringLiteral("prefer"), QStringLiteral("require"), QStringLiteral("verify-ca"),
        QStringLiteral("verify-full")};
    if (strHost.trimmed().isEmpty() || strDatabase.trimmed().isEmpty()
        || strUser.trimmed().isEmpty())
        return QStringLiteral("host, database and user are needed");
    if (nPort <= 0 || nPort > 65535)
        return QStringLiteral("port %1 is not a port").arg(nPort);
    if (!s_modes.contains(strSslMode))
        return QStringLiteral("unknown TLS mode %1").arg(strSslMode);
    if (strSite.trimmed().isEmpty())
        return QStringLiteral("the site needs a name");
    // Options go to libpq as key=value words.
    for (const QString& strValue : {strHost, strDatabase, strUser}) {
        if (strValue.contains(QLatin1Char(' ')) || strValue.contains(QLatin1Char(';'))
            || strValue.contains(QLatin1Char('=')))
            return QStringLiteral("'%1' holds a space, ';' or '='").arg(strValue);
    }
    return QString();
}

QString RSiteConfig::PassFilePath()
{
    const QByteArray env = qgetenv("PGPASSFILE");
    if (!env.isEmpty())
        return QFile::decodeName(env);
    return QDir::home().filePath(QStringLiteral(".pgpass"));
}

bool RSiteConfig::StorePassword(const QString& strPassword, QString* pError) const
{
    const QString strPath = strPassFile.isEmpty() ? PassFilePath() : strPassFile;
    const QString strKey = QStringList {passField(strHost), QString::number(nPort),
                               passField(strDatabase), passField(strUser)}
                               .join(QLatin1Char(':'))
        + QLatin1Char(':');
    QStringList lines;
    QFile old(strPath);
    if (old.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : old.readAll().split('\n')) {
            const QString strLine = QString::fromUtf8(line);
            if (!strLine.isEmpty() && !strLine.startsWith(strKey))
                lines << strLine;
        }
    }
    lines << strKey + passField(strPassword);
    QSaveFile file(strPath);
    // Owner only from the start: libpq ignores a file others can read, and
    // the password must never be readable by them, not even for a moment.
    if (!file.open(QIODevice::WriteOnly)
        || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *pError = file.errorString();
        return false;
    }
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    if (!file.commit()) {
        *pError = file.errorString();
        return false;
    }
    return true;
}
