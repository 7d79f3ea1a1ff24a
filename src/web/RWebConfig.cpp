#include "web/RWebConfig.h"

#include "database/RClientSettings.h"
#include "database/RLoginSession.h"

#include <QHostAddress>

namespace {

const char* const s_pEnabled = "WebEnabled";
const char* const s_pAddress = "WebAddress";
const char* const s_pPort = "WebPort";
const char* const s_pTlsPort = "WebTlsPort";
const char* const s_pCert = "WebCertFile";
const char* const s_pKey = "WebKeyFile";

} // namespace

RWebConfig RWebConfig::Load()
{
    RWebConfig config;
    config.bEnabled = RClientSettings::Int(s_pEnabled, 0) != 0;
    config.server.strAddress = RClientSettings::Text(s_pAddress, config.server.strAddress);
    config.server.nPort = RClientSettings::Int(s_pPort, config.server.nPort);
    config.server.nTlsPort = RClientSettings::Int(s_pTlsPort, config.server.nTlsPort);
    config.server.strCertFile = RClientSettings::Text(s_pCert);
    config.server.strKeyFile = RClientSettings::Text(s_pKey);
    config.server.nIdleMinutes = RClientSettings::Int(
        RClientSettings::SessionIdleMinutes, RLoginSession::DefaultIdleMinutes);
    return config;
}

QString RWebConfig::Check() const
{
    // The HTTP library listens on IPv4 only.
    if (QHostAddress(server.strAddress).protocol() != QAbstractSocket::IPv4Protocol)
        return QStringLiteral("not an IPv4 address to listen on: %1").arg(server.strAddress);
    for (int nPort : {server.nPort, server.nTlsPort}) {
        if (nPort < 1 || nPort > 65535)
            return QStringLiteral("not a port: %1").arg(nPort);
    }
    if (server.strCertFile.isEmpty() != server.strKeyFile.isEmpty())
        return QStringLiteral("HTTPS needs both a certificate file and a key file");
    if (!server.strCertFile.isEmpty() && server.nTlsPort == server.nPort)
        return QStringLiteral("the HTTPS port is the HTTP port");
    return QString();
}

bool RWebConfig::Save(QString* pError) const
{
    const QString strProblem = bEnabled ? Check() : QString();
    if (!strProblem.isEmpty()) {
        *pError = strProblem;
        return false;
    }
    return RClientSettings::SetAll(Fields(), pError);
}

QList<QPair<const char*, QString>> RWebConfig::Fields() const
{
    return {{s_pEnabled, QString::number(bEnabled ? 1 : 0)}, {s_pAddress, server.strAddress},
        {s_pPort, QString::number(server.nPort)}, {s_pTlsPort, QString::number(server.nTlsPort)},
        {s_pCert, server.strCertFile}, {s_pKey, server.strKeyFile}};
}
