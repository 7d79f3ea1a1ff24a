#include "notify/RNotifyConfig.h"

#include "database/RClientSettings.h"
#include "io/PSecretFile.h"

#include <QRegularExpression>

namespace {

const char* const s_pEnabled = "NotifyEnabled";
const char* const s_pHost = "NotifyHost";
const char* const s_pPort = "NotifyPort";
const char* const s_pSecurity = "NotifySecurity";
const char* const s_pUser = "NotifyUser";
const char* const s_pFrom = "NotifyFrom";
const char* const s_pCa = "NotifyCaFile";
const char* const s_pLists[RNotifyConfig::Lists]
    = {"NotifyListOnCall", "NotifyListOfficers", "NotifyListLast"};
const char* const s_pHours[RNotifyConfig::Lists]
    = {"NotifyHoursOnCall", "NotifyHoursOfficers", "NotifyHoursLast"};
const char* const s_pEscalate = "NotifyEscalateMinutes";
const char* const s_pLink = "NotifyLinkSeconds";
const char* const s_pRegion = "NotifyRegionMinutes";
const char* const s_pFlood = "NotifyFloodMinutes";
const char* const s_pPerHour = "NotifyPerHour";

bool isAddress(const QString& strAddress)
{
    // Enough to refuse a typing error and anything that would break the
    // envelope; the server judges the rest.
    static const QRegularExpression s_address(QStringLiteral("^[^@\\s<>,;\"]+@[^@\\s<>,;\"]+$"));
    return s_address.match(strAddress).hasMatch();
}

} // namespace

bool RNotifyConfig::List::Covers(int nHour) const
{
    if (nFromHour == nToHour)
        return true;
    return nFromHour < nToHour ? nHour >= nFromHour && nHour < nToHour
                               : nHour >= nFromHour || nHour < nToHour;
}

RNotifyConfig RNotifyConfig::Load(const QString& strAuditKeyPath)
{
    RNotifyConfig config;
    config.bEnabled = RClientSettings::Int(s_pEnabled, 0) != 0;
    config.strHost = RClientSettings::Text(s_pHost, config.strHost);
    config.nPort = RClientSettings::Int(s_pPort, config.nPort);
    config.eSecurity = static_cast<Security>(qBound(0, RClientSettings::Int(s_pSecurity, 0), 2));
    config.strUser = RClientSettings::Text(s_pUser);
    config.strFrom = RClientSettings::Text(s_pFrom, config.strFrom);
    config.strCaFile = RClientSettings::Text(s_pCa);
    for (int i = 0; i < Lists; ++i) {
        List& list = config.lists[i];
        for (const QString& strAddress :
            RClientSettings::Text(s_pLists[i]).split(QLatin1Char(','), Qt::SkipEmptyParts))
            list.addresses << strAddress.trimmed();
        const QStringList hours = RClientSettings::Text(s_pHours[i]).split(QLatin1Char('-'));
        if (hours.size() == 2) {
            list.nFromHour = qBound(0, hours.at(0).toInt(), 24);
            list.nToHour = qBound(0, hours.at(1).toInt(), 24);
        }
    }
    config.nEscalateMinutes = RClientSettings::Int(s_pEscalate, config.nEscalateMinutes);
    config.nLinkSeconds = RClientSettings::Int(s_pLink, config.nLinkSeconds);
    config.nRegionMinutes = RClientSettings::Int(s_pRegion, config.nRegionMinutes);
    config.nFloodMinutes = RClientSettings::Int(s_pFlood, config.nFloodMinutes);
    config.nPerHour = RClientSettings::Int(s_pPerHour, config.nPerHour);
    config.strPassword = PSecretFile::Read(PasswordPath(strAuditKeyPath));
    return config;
}

QString RNotifyConfig::Check() const
{
    if (strHost.trimmed().isEmpty())
        return QStringLiteral("no mail server");
    if (nPort < 1 || nPort > 65535)
        return QStringLiteral("not a port: %1").arg(nPort);
    if (!isAddress(strFrom))
        return QStringLiteral("not a sender address: %1").arg(strFrom);
    if (lists[0].addresses.isEmpty())
        return QStringLiteral("nobody on call to tell");
    for (const List& list : lists) {
        for (const QString& strAddress : list.addresses) {
            if (!isAddress(strAddress))
                return QStringLiteral("not an address: %1").arg(strAddress);
        }
    }
    if (nEscalateMinutes < 1 || nLinkSeconds < 1 || nRegionMinutes < 0 || nFloodMinutes < 1
        || nPerHour < 1)
        return QStringLiteral("a delay or limit out of range");
    return QString();
}

bool RNotifyConfig::Save(QString* pError) const
{
    const QString strProblem = bEnabled ? Check() : QString();
    if (!strProblem.isEmpty()) {
        *pError = strProblem;
        return false;
    }
    return RClientSettings::SetAll(Fields(), pError);
}

QList<QPair<const char*, QString>> RNotifyConfig::Fields() const
{
    QList<QPair<const char*, QString>> fields {{s_pEnabled, QString::number(bEnabled ? 1 : 0)},
        {s_pHost, strHost.trimmed()}, {s_pPort, QString::number(nPort)},
        {s_pSecurity, QString::number(int(eSecurity))}, {s_pUser, strUser},
        {s_pFrom, strFrom.trimmed()}, {s_pCa, strCaFile}};
    for (int i = 0; i < Lists; ++i) {
        fields.append({s_pLists[i], lists[i].addresses.join(QLatin1Char(','))});
        fields.append(
            {s_pHours[i], QStringLiteral("%1-%2").arg(lists[i].nFromHour).arg(lists[i].nToHour)});
    }
    fields.append({s_pEscalate, QString::number(nEscalateMinutes)});
    fields.append({s_pLink, QString::number(nLinkSeconds)});
    fields.append({s_pRegion, QString::number(nRegionMinutes)});
    fields.append({s_pFlood, QString::number(nFloodMinutes)});
    fields.append({s_pPerHour, QString::number(nPerHour)});
    return fields;
}

QString RNotifyConfig::PasswordPath(const QString& strAuditKeyPath)
{
    return PSecretFile::PathBeside(strAuditKeyPath, QStringLiteral("mail.password"));
}

bool RNotifyConfig::StorePassword(
    const QString& strAuditKeyPath, const QString& strPassword, QString* pError)
{
    return PSecretFile::Write(PasswordPath(strAuditKeyPath), strPassword, pError);
}
