#include "site/RSiteSnapshot.h"

#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RSiteFileStore.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>

namespace {

constexpr int MinutesPerDay = 1440;

bool fail(const QSqlQuery& query, QString* pError)
{
    *pError = query.lastError().text();
    return false;
}

bool writeDay(QSqlQuery& insert, int nRegion, const QString& strDay, const QVector<double>& values)
{
    insert.addBindValue(nRegion);
    insert.addBindValue(strDay);
    double dSum = 0.0;
    for (double dValue : values) {
        insert.addBindValue(dValue);
        dSum += dValue;
    }
    insert.addBindValue(dSum);
    return insert.exec();
}

} // namespace

bool RSiteSnapshot::Sites(QSqlDatabase& pg, QStringList* pLines, QString* pError)
{
    QSqlQuery query = PSqlExec::SelectOn(pg,
        QStringLiteral("select s.name, count(o.id), coalesce(to_char(max(o.updated), "
                       "'YYYY-MM-DD HH24:MI:SS'), '') from sites s left join sources o on "
                       "o.site_id = s.id group by s.name order by s.name"),
        {});
    if (!query.isActive())
        return fail(query, pError);
    while (query.next())
        *pLines << QStringList {query.value(0).toString(), query.value(1).toString(),
            query.value(2).toString()}
                       .join(QLatin1Char('\t'));
    return true;
}

bool RSiteSnapshot::Load(
    QSqlDatabase& pg, const QString& strSite, const QDate& from, const QDate& to, QString* pError)
{
    QSqlQuery site
        = PSqlExec::SelectOn(pg, QStringLiteral("select id from sites where name = ?"), {strSite});
    if (!site.isActive())
        return fail(site, pError);
    if (!site.next()) {
        *pError = QStringLiteral("no site named %1").arg(strSite);
        return false;
    }
    const int nSite = site.value(0).toInt();
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
        ? QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.setConnectOptions(QString());
    if (!db.open()) {
        *pError = db.lastError().text();
        return false;
    }
    for (const QString& strSql : RConnectDatabase::TableStatements())
        PSqlExec::Exec(strSql);
    for (const QString& strSql : RConnectDatabase::AddedTableStatements())
        PSqlExec::Exec(strSql);
    db.transaction();
    const QVariantList range {nSite, from, to};
    QSqlQuery regions = PSqlExec::SelectOn(pg,
        QStringLiteral("select region, name, position from regions where site_id = ? order by "
                       "position, region"),
        {nSite});
    while (regions.next())
        RSiteFileStore::AddRegion(
            regions.value(2).toInt(), regions.value(0).toInt(), regions.value(1).toString());
    if (!regions.isActive())
        return fail(regions, pError);

    QSqlQuery minutes = PSqlExec::SelectOn(pg,
        QStringLiteral("select region, day, minute, value from minute_value where site_id = ? "
                       "and day between ? and ? order by region, day"),
        range);
    QSqlQuery insert(db);
    RSiteFileStore::PrepareDay(&insert);
    int nRegion = -1;
    QString strDay;
    QVector<double> values(MinutesPerDay, 0.0);
    while (minutes.next()) {
        const int nNextRegion = minutes.value(0).toInt();
        const QString strNextDay = minutes.value(1).toDate().toString(Qt::ISODate);
        if (nNextRegion != nRegion || strNextDay != strDay) {
            if (nRegion >= 0 && !writeDay(insert, nRegion, strDay, values))
                return fail(insert, pError);
            nRegion = nNextRegion;
            strDay = strNextDay;
            values.fill(0.0);
        }
        const int nMinute = minutes.value(2).toInt();
        if (nMinute >= 0 && nMinute < MinutesPerDay)
            values[nMinute] = minutes.value(3).toDouble();
    }
    if (!minutes.isActive())
        return fail(minutes, pError);
    if (nRegion >= 0 && !writeDay(insert, nRegion, strDay, values))
        return fail(insert, pError);

    QSqlQuery days = PSqlExec::SelectOn(pg,
        QStringLiteral("select region, day, max_dose, max_time, alarm_count from day_summary "
                       "where site_id = ? and day between ? and ?"),
        range);
    while (days.next())
        RSiteFileStore::AddDaySummary(days.value(0).toInt(),
            days.value(1).toDate().toString(Qt::ISODate), days.value(2), days.value(3),
            days.value(4));
    if (!days.isActive())
        return fail(days, pError);

    // In the order they happened, as one station's journal would hold them.
    QSqlQuery alarms = PSqlExec::SelectOn(pg,
        QStringLiteral("select to_char(time, 'YYYY-MM-DD\"T\"HH24:MI:SS'), region, event, dose, "
                       "threshold, operator, detail from alarm_event where site_id = ? and time "
                       ">= ? and time < ? order by time, source_id, seq"),
        {nSite, from, to.addDays(1)});
    while (alarms.next())
        RSiteFileStore::AddAlarm({alarms.value(0), alarms.value(1), alarms.value(2),
            alarms.value(3), alarms.value(4), alarms.value(5), alarms.value(6)});
    if (!alarms.isActive())
        return fail(alarms, pError);

    QSqlQuery patrols = PSqlExec::SelectOn(pg,
        QStringLiteral("select staff, room, day, time, dose from patrol_record where site_id = ? "
                       "and day between ? and ?"),
        range);
    while (patrols.next())
        RSiteFileStore::AddPatrol(patrols.value(0).toInt(), patrols.value(1).toInt(),
            patrols.value(2).toDate().toString(Qt::ISODate), patrols.value(3), patrols.value(4));
    if (!patrols.isActive())
        return fail(patrols, pError);
    db.commit();
    return true;
}
