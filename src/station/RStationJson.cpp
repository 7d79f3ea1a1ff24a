#include "station/RStationJson.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The float's own shortest digits, not its double's long tail.
double doseValue(double dDose)
{
    return QString::number(float(dDose), 'g', 7).toDouble();
}

} // namespace

QString RStationJson::Time(const QDateTime& time)
{
    if (!time.isValid())
        return QString();
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray RStationJson::Region(const RStationRegion& region)
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), region.nId);
    object.insert(QStringLiteral("name"), region.strName);
    object.insert(QStringLiteral("dose"), region.time.isValid() ? doseValue(region.fDose) : 0.0);
    object.insert(QStringLiteral("unit"), QStringLiteral("µRad/h"));
    object.insert(QStringLiteral("time"), Time(region.time));
    object.insert(QStringLiteral("online"), region.bOnline);
    object.insert(QStringLiteral("alarm"), region.bActive);
    object.insert(QStringLiteral("acknowledged"), !region.bUnacknowledged);
    object.insert(QStringLiteral("shelved"), region.bShelved);
    object.insert(QStringLiteral("outOfService"), region.bOutOfService);
    object.insert(QStringLiteral("chattering"), region.bChattering);
    object.insert(QStringLiteral("threshold"), region.nThreshold);
    object.insert(QStringLiteral("look"), region.nLook);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray RStationJson::Event(const RAlarmEvent& event)
{
    QJsonObject object;
    object.insert(QStringLiteral("seq"), event.nSeq);
    object.insert(QStringLiteral("time"), Time(event.time));
    object.insert(QStringLiteral("id"), event.nId);
    object.insert(QStringLiteral("event"), event.strEvent);
    object.insert(QStringLiteral("dose"), doseValue(event.dDose));
    object.insert(QStringLiteral("unit"), QStringLiteral("µRad/h"));
    object.insert(QStringLiteral("threshold"), event.nThreshold);
    object.insert(QStringLiteral("operator"), event.strOperator);
    object.insert(QStringLiteral("detail"), event.strDetail);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
