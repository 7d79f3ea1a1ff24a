#include "web/RWebReads.h"

#include "database/PHistoryDoseStore.h"
#include "database/RAlarmJournal.h"
#include "database/RRoutingRecords.h"
#include "message/SClock.h"
#include "station/RStationJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// What an officer looks at first: alarms, floods, silent regions, the link.
int urgency(const QString& strEvent)
{
    static const QStringList s_order {QStringLiteral("alarm"), QStringLiteral("flood"),
        QStringLiteral("offline"), QStringLiteral("link-down")};
    const int n = s_order.indexOf(strEvent);
    return n < 0 ? s_order.size() : n;
}

QDate dayOf(const QUrlQuery& query, SClock* pClock)
{
    const QDate day = QDate::fromString(query.queryItemValue(QStringLiteral("day")), Qt::ISODate);
    return day.isValid() ? day : pClock->Now().date();
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonArray values(const QVector<float>& list)
{
    QJsonArray array;
    for (float f : list)
        array.append(QString::number(f, 'g', 7).toDouble());
    return array;
}

} // namespace

QByteArray RWebReads::Answer(const QString& strPath, const QUrlQuery& query, SClock* pClock)
{
    const int nRegion = query.queryItemValue(QStringLiteral("region")).toInt();
    const QDate day = dayOf(query, pClock);
    if (strPath == QLatin1String("/api/journal")) {
        QVector<RAlarmEvent> events = RAlarmJournal::Read(day, day, qMax(0, nRegion));
        std::stable_sort(
            events.begin(), events.end(), [](const RAlarmEvent& a, const RAlarmEvent& b) {
                return urgency(a.strEvent) < urgency(b.strEvent);
            });
        QByteArray text = "{\"day\":\"" + day.toString(Qt::ISODate).toLatin1() + "\",\"rows\":[";
        for (int i = 0; i < events.size(); ++i)
            text += (i ? "," : "") + RStationJson::Event(events.at(i));
        return text + "]}";
    }
    if (strPath == QLatin1String("/api/day") && nRegion > 0) {
        QVector<float> minutes(1440, 0.0f);
        PHistoryDoseStore::LoadRegionDay(nRegion, day, minutes);
        QJsonObject object;
        object.insert(QStringLiteral("region"), nRegion);
        object.insert(QStringLiteral("day"), day.toString(Qt::ISODate));
        object.insert(QStringLiteral("unit"), QStringLiteral("µRad/h"));
        object.insert(QStringLiteral("minutes"), values(minutes));
        return json(object);
    }
    if (strPath == QLatin1String("/api/month") && nRegion > 0) {
        QDate first = QDate::fromString(
            query.queryItemValue(QStringLiteral("month")) + QStringLiteral("-01"), Qt::ISODate);
        if (!first.isValid())
            first = QDate(day.year(), day.month(), 1);
        QVector<float> days(first.daysInMonth(), 0.0f);
        // Day sums of the minute values, as the console's month chart: 1800
        // stored units are 1 µRad.
        PHistoryDoseStore::LoadMonthSums(
            QStringLiteral("MonthMinuteDose"), nRegion, first, 1800.0f, days);
        QJsonObject object;
        object.insert(QStringLiteral("region"), nRegion);
        object.insert(QStringLiteral("month"), first.toString(QStringLiteral("yyyy-MM")));
        object.insert(QStringLiteral("unit"), QStringLiteral("µRad"));
        object.insert(QStringLiteral("days"), values(days));
        return json(object);
    }
    if (strPath == QLatin1String("/api/patrol")) {
        RRoutingRecords records;
        QJsonArray lines;
        for (int nStaff : records.StaffWithReadings(day, day)) {
            for (const RRoutingRecords::Line& line : records.Lines(nStaff, {day}, {})) {
                QJsonObject object;
                object.insert(QStringLiteral("interval"), line.strInterval);
                object.insert(QStringLiteral("time"), line.strTime);
                object.insert(QStringLiteral("room"), line.strRoom);
                object.insert(QStringLiteral("staff"), line.strStaff);
                object.insert(QStringLiteral("dose"), line.strDose);
                lines.append(object);
            }
        }
        QJsonObject object;
        object.insert(QStringLiteral("day"), day.toString(Qt::ISODate));
        object.insert(QStringLiteral("lines"), lines);
        return json(object);
    }
    return QByteArray();
}
