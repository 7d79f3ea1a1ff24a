#include "site/RSiteSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Both locks are held to the end of the transaction that takes them.
constexpr qint64 MigrationLock = 0x4b45535431LL;
constexpr qint64 PartitionLock = 0x4b45535432LL;

bool run(QSqlQuery& query, const QString& strSql, QString* pError)
{
    if (query.exec(strSql))
        return true;
    if (pError)
        *pError = query.lastError().text();
    return false;
}

} // namespace

QStringList RSiteSchema::Migration(int nVersion)
{
    switch (nVersion) {
    case 1:
        return {
            QStringLiteral("create table sites(id serial primary key, name text not null unique, "
                           "created timestamptz not null default now())"),
            // One row per station file: the file's outbox sequence sent so
            // far moves with each batch, in the batch's transaction.
            // history_state: 0 not offered, 1 uploading from history_day, 2
            // done, 3 declined.
            QStringLiteral("create table sources(id serial primary key, site_id int not null "
                           "references sites(id), file_id text not null, last_seq bigint not null "
                           "default 0, history_state smallint not null default 0, history_day "
                           "date, updated timestamptz not null default now(), unique(site_id, "
                           "file_id))"),
            QStringLiteral("create table regions(site_id int not null references sites(id), "
                           "region int not null, name text not null default '', position int not "
                           "null default 0, primary key(site_id, region))"),
            // µRad/h, the minute's stored value; partitions by month keep a
            // year's rows of a site in twelve tables that can be dropped
            // whole.
            QStringLiteral("create table minute_value(site_id int not null, region int not null, "
                           "day date not null, minute smallint not null, value double precision "
                           "not null, primary key(site_id, region, day, minute)) partition by "
                           "range (day)"),
            // The report of a day reads every region of it.
            QStringLiteral("create index minute_value_day on minute_value(site_id, day)"),
            QStringLiteral("create table day_summary(site_id int not null, region int not null, "
                           "day date not null, max_dose double precision not null default 0, "
                           "max_time text not null default '', alarm_count int not null default "
                           "0, primary key(site_id, region, day))"),
            QStringLiteral("create table alarm_event(source_id int not null references "
                           "sources(id), seq bigint not null, site_id int not null, time "
                           "timestamp not null, region int not null, event text not null, dose "
                           "double precision not null default 0, threshold int not null default "
                           "0, operator text not null default '', primary key(source_id, seq))"),
            QStringLiteral("create index alarm_event_time on alarm_event(site_id, time)"),
            QStringLiteral("create table patrol_record(site_id int not null, staff int not null, "
                           "room int not null, day date not null, time text not null, dose int "
                           "not null default 0, primary key(site_id, staff, room, day, time))"),
            QStringLiteral("create table session_row(site_id int not null, account int not null, "
                           "login_time text not null, logout_time text not null default '', "
                           "primary key(site_id, account, login_time))"),
        };
    case 2:
        return {
            QStringLiteral("alter table alarm_event add column detail text not null default ''"),
            QStringLiteral("create table audit_row(source_id int not null references sources(id), "
                           "seq bigint not null, site_id int not null, time timestamp not null, "
                           "account_id int not null default 0, account_name text not null default "
                           "'', action text not null, object text not null default '', old_value "
                           "text not null default '', new_value text not null default '', reason "
                           "text not null default '', mac text not null default '', primary "
                           "key(source_id, seq))"),
            QStringLiteral("create index audit_row_time on audit_row(site_id, time)"),
        };
    default:
        return {};
    }
}

RSiteSchema::Result RSiteSchema::Migrate(
    QSqlDatabase& db, int* pVersion, QString* pError, int nUpTo)
{
    *pVersion = 0;
    if (!db.transaction()) {
        *pError = db.lastError().text();
        return Result::Failed;
    }
    QSqlQuery query(db);
    auto fail = [&]() {
        db.rollback();
        return Result::Failed;
    };
    if (!run(query, QStringLiteral("select pg_advisory_xact_lock(%1)").arg(MigrationLock), pError)
        || !run(query, QStringLiteral("select to_regclass('schema_version') is not null"), pError)
        || !query.next())
        return fail();
    const bool bNew = !query.value(0).toBool();
    query.finish();
    if (bNew
        && !run(query,
            QStringLiteral("create table schema_version(version int primary key, applied "
                           "timestamptz not null default now())"),
            pError))
        return fail();
    if (!run(query, QStringLiteral("select coalesce(max(version), 0) from schema_version"), pError)
        || !query.next())
        return fail();
    const int nFound = query.value(0).toInt();
    query.finish();
    *pVersion = nFound;
    if (nFound > CurrentVersion) {
        db.rollback();
        *pError = QStringLiteral("schema version %1 is newer than this client knows (%2)")
                      .arg(nFound)
                      .arg(CurrentVersion);
        return Result::TooNew;
    }
    for (int nVersion = nFound + 1; nVersion <= nUpTo; ++nVersion) {
        for (const QString& strSql : Migration(nVersion)) {
            if (!run(query, strSql, pError))
                return fail();
        }
        query.prepare(QStringLiteral("insert into schema_version(version) values(?)"));
        query.addBindValue(nVersion);
        if (!query.exec()) {
            *pError = query.lastError().text();
            return fail();
        }
    }
    if (!db.commit()) {
        *pError = db.lastError().text();
        return fail();
    }
    return Result::Ready;
}

QString RSiteSchema::PartitionName(const QDate& day)
{
    return QStringLiteral("minute_value_%1").arg(day.toString(QStringLiteral("yyyyMM")));
}

bool RSiteSchema::EnsureMonth(
    QSqlDatabase& db, const QDate& day, QSet<QString>* pKnown, QString* pError)
{
    const QString strName = PartitionName(day);
    if (pKnown->contains(strName))
        return true;
    QSqlQuery query(db);
    // The name is made of digits only, never of operator text.
    if (!run(query, QStringLiteral("select to_regclass('%1') is not null").arg(strName), pError)
        || !query.next())
        return false;
    if (!query.value(0).toBool()) {
        const QDate first(day.year(), day.month(), 1);
        if (!run(query, QStringLiteral("select pg_advisory_xact_lock(%1)").arg(PartitionLock),
                pError)
            || !run(query,
                QStringLiteral("create table if not exists %1 partition of minute_value for "
                               "values from ('%2') to ('%3')")
                    .arg(strName, first.toString(Qt::ISODate),
                        first.addMonths(1).toString(Qt::ISODate)),
                pError))
            return false;
    }
    pKnown->insert(strName);
    return true;
}
