#include "site/RSiteBatch.h"

#include "site/RSiteSchema.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// A PostgreSQL array literal: every element quoted, so text of any kind
// and numbers read back exactly (unnest takes one array per column).
class Columns
{
public:
    explicit Columns(int nCount)
        : m_columns(nCount)
    {
    }
    void Add(int nColumn, const QString& strValue)
    {
        QString strEscaped = strValue;
        strEscaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        strEscaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
        QString& strArray = m_columns[nColumn];
        if (!strArray.isEmpty())
            strArray += QLatin1Char(',');
        strArray += QLatin1Char('"') + strEscaped + QLatin1Char('"');
    }
    void Add(int nColumn, double dValue) { Add(nColumn, QString::number(dValue, 'g', 17)); }
    void Add(int nColumn, qint64 nValue) { Add(nColumn, QString::number(nValue)); }
    void Add(int nColumn, int nValue) { Add(nColumn, QString::number(nValue)); }

    // head: values bound before the arrays, tail: after them.
    bool Run(QSqlDatabase& pg, const QString& strSql, const QVariantList& head, QString* pError,
        const QVariantList& tail = {}) const
    {
        QSqlQuery query(pg);
        if (!query.prepare(strSql)) {
            *pError = query.lastError().text();
            return false;
        }
        for (const QVariant& value : head)
            query.addBindValue(value);
        for (const QString& strArray : m_columns)
            query.addBindValue(QLatin1Char('{') + strArray + QLatin1Char('}'));
        for (const QVariant& value : tail)
            query.addBindValue(value);
        if (query.exec())
            return true;
        *pError = query.lastError().text();
        return false;
    }

private:
    QVector<QString> m_columns;
};

} // namespace

void RSiteBatch::AddMinute(int nRegion, const QString& strDay, int nMinute, double dValue)
{
    m_minutes.insert(MinuteKey(nRegion, strDay, nMinute), dValue);
}

void RSiteBatch::AddDay(
    int nRegion, const QString& strDay, double dMax, const QString& strTime, int nAlarms)
{
    m_days.insert(DayKey(nRegion, strDay),
        {QString::number(dMax, 'g', 17), strTime, QString::number(nAlarms)});
}

void RSiteBatch::AddAlarm(qint64 nSeq, const QString& strTime, int nRegion, const QString& strEvent,
    double dDose, int nThreshold, const QString& strOperator, const QString& strDetail)
{
    m_alarms.insert(nSeq,
        {strTime, QString::number(nRegion), strEvent, QString::number(dDose, 'g', 17),
            QString::number(nThreshold), strOperator, strDetail});
}

void RSiteBatch::AddPatrol(
    int nStaff, int nRoom, const QString& strDay, const QString& strTime, int nDose)
{
    m_patrols.insert(PatrolKey(nStaff, nRoom, strDay, strTime), nDose);
}

void RSiteBatch::AddSession(int nAccount, const QString& strLogin, const QString& strLogout)
{
    m_sessions.insert(SessionKey(nAccount, strLogin), strLogout);
}

void RSiteBatch::AddAudit(qint64 nSeq, const QStringList& fields)
{
    m_audit.insert(nSeq, fields);
}

void RSiteBatch::AddRegion(int nRegion, const QString& strName, int nPosition)
{
    m_regions.insert(nRegion, {strName, QString::number(nPosition)});
}

void RSiteBatch::RemoveDay(int nRegion, const QString& strDay)
{
    m_goneDays.insert(DayKey(nRegion, strDay));
}

void RSiteBatch::RemovePatrolDay(int nStaff, int nRoom, const QString& strDay)
{
    m_gonePatrols.insert(std::make_tuple(nStaff, nRoom, strDay));
}

void RSiteBatch::RemoveRegion(int nRegion)
{
    m_goneRegions.insert(nRegion);
}

int RSiteBatch::Rows() const
{
    return m_minutes.size() + m_days.size() + m_alarms.size() + m_patrols.size() + m_sessions.size()
        + m_audit.size() + m_regions.size()
        + int(m_goneDays.size() + m_gonePatrols.size() + m_goneRegions.size());
}

bool RSiteBatch::WriteRemovals(QSqlDatabase& pg, int nSiteId, QString* pError) const
{
    const QVariantList site {nSiteId};
    if (!m_goneRegions.empty()) {
        Columns columns(1);
        for (int nRegion : m_goneRegions)
            columns.Add(0, nRegion);
        for (const char* pTable : {"minute_value", "day_summary", "regions"}) {
            if (!columns.Run(pg,
                    QStringLiteral("delete from %1 where site_id = ? and region = any(?::int[])")
                        .arg(QLatin1String(pTable)),
                    site, pError))
                return false;
        }
    }
    if (!m_goneDays.empty()) {
        Columns columns(2);
        for (const DayKey& key : m_goneDays) {
            columns.Add(0, std::get<0>(key));
            columns.Add(1, std::get<1>(key));
        }
        for (const char* pTable : {"minute_value", "day_summary"}) {
            if (!columns.Run(pg,
                    QStringLiteral("delete from %1 t using unnest(?::int[], ?::date[]) g(region, "
                                   "day) where t.site_id = ? and t.region = g.region and t.day = "
                                   "g.day")
                        .arg(QLatin1String(pTable)),
                    {}, pError, site))
                return false;
        }
    }
    if (!m_gonePatrols.empty()) {
        Columns columns(3);
        for (const auto& key : m_gonePatrols) {
            columns.Add(0, std::get<0>(key));
            columns.Add(1, std::get<1>(key));
            columns.Add(2, std::get<2>(key));
        }
        if (!columns.Run(pg,
                QStringLiteral("delete from patrol_record t using unnest(?::int[], ?::int[], "
                               "?::date[]) g(staff, room, day) where t.site_id = ? and t.staff "
                               "= g.staff and t.room = g.room and t.day = g.day"),
                {}, pError, site))
            return false;
    }
    return true;
}

bool RSiteBatch::Write(
    QSqlDatabase& pg, int nSiteId, int nSourceId, QSet<QString>* pKnown, QString* pError) const
{
    if (!WriteRemovals(pg, nSiteId, pError))
        return false;
    const QVariantList site {nSiteId};
    if (!m_regions.isEmpty()) {
        Columns columns(3);
        for (auto it = m_regions.begin(); it != m_regions.end(); ++it) {
            columns.Add(0, it.key());
            columns.Add(1, it.value().at(0));
            columns.Add(2, it.value().at(1));
        }
        if (!columns.Run(pg,
                QStringLiteral("insert into regions(site_id, region, name, position) select ?, * "
                               "from unnest(?::int[], ?::text[], ?::int[]) on conflict (site_id, "
                               "region) do update set name = excluded.name, position = "
                               "excluded.position"),
                site, pError))
            return false;
    }
    if (!m_minutes.isEmpty()) {
        Columns columns(4);
        QString strMonth;
        for (auto it = m_minutes.begin(); it != m_minutes.end(); ++it) {
            const QString& strDay = std::get<1>(it.key());
            if (strDay.left(7) != strMonth) {
                strMonth = strDay.left(7);
                if (!RSiteSchema::EnsureMonth(
                        pg, QDate::fromString(strDay, Qt::ISODate), pKnown, pError))
                    return false;
            }
            columns.Add(0, std::get<0>(it.key()));
            columns.Add(1, strDay);
            columns.Add(2, std::get<2>(it.key()));
            columns.Add(3, it.value());
        }
        if (!columns.Run(pg,
                QStringLiteral("insert into minute_value(site_id, region, day, minute, value) "
                               "select ?, * from unnest(?::int[], ?::date[], ?::smallint[], "
                               "?::float8[]) on conflict (site_id, region, day, minute) do update "
                               "set value = excluded.value"),
                site, pError))
            return false;
    }
    if (!m_days.isEmpty()) {
        Columns columns(5);
        for (auto it = m_days.begin(); it != m_days.end(); ++it) {
            columns.Add(0, std::get<0>(it.key()));
            columns.Add(1, std::get<1>(it.key()));
            for (int i = 0; i < 3; ++i)
                columns.Add(2 + i, it.value().at(i));
        }
        if (!columns.Run(pg,
                QStringLiteral("insert into day_summary(site_id, region, day, max_dose, "
                               "max_time, alarm_count) select ?, * from unnest(?::int[], "
                               "?::date[], ?::float8[], ?::text[], ?::int[]) on conflict "
                               "(site_id, region, day) do update set max_dose = "
                               "excluded.max_dose, max_time = excluded.max_time, alarm_count = "
                               "excluded.alarm_count"),
                site, pError))
            return false;
    }
    if (!m_alarms.isEmpty()) {
        Columns columns(8);
        for (auto it = m_alarms.begin(); it != m_alarms.end(); ++it) {
            columns.Add(0, it.key());
            for (int i = 0; i < 7; ++i)
                columns.Add(1 + i, it.value().at(i));
        }
        // A journal row never changes: sent again, it is already there.
        if (!columns.Run(pg,
                QStringLiteral("insert into alarm_event(source_id, site_id, seq, time, region, "
                               "event, dose, threshold, operator, detail) select ?, ?, * from "
                               "unnest(?::bigint[], ?::timestamp[], ?::int[], ?::text[], "
                               "?::float8[], ?::int[], ?::text[], ?::text[]) on conflict "
                               "(source_id, seq) do nothing"),
                {nSourceId, nSiteId}, pError))
            return false;
    }
    if (!m_patrols.isEmpty()) {
        Columns columns(5);
        for (auto it = m_patrols.begin(); it != m_patrols.end(); ++it) {
            columns.Add(0, std::get<0>(it.key()));
            columns.Add(1, std::get<1>(it.key()));
            columns.Add(2, std::get<2>(it.key()));
            columns.Add(3, std::get<3>(it.key()));
            columns.Add(4, it.value());
        }
        if (!columns.Run(pg,
                QStringLiteral("insert into patrol_record(site_id, staff, room, day, time, dose) "
                               "select ?, * from unnest(?::int[], ?::int[], ?::date[], "
                               "?::text[], ?::int[]) on conflict (site_id, staff, room, day, "
                               "time) do update set dose = excluded.dose"),
                site, pError))
            return false;
    }
    if (!m_sessions.isEmpty()) {
        Columns columns(3);
        for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
            columns.Add(0, std::get<0>(it.key()));
            columns.Add(1, std::get<1>(it.key()));
            columns.Add(2, it.value());
        }
        if (!columns.Run(pg,
                QStringLiteral("insert into session_row(site_id, account, login_time, "
                               "logout_time) select ?, * from unnest(?::int[], ?::text[], "
                               "?::text[]) on conflict (site_id, account, login_time) do update "
                               "set logout_time = excluded.logout_time"),
                site, pError))
            return false;
    }
    if (!m_audit.isEmpty()) {
        Columns columns(10);
        for (auto it = m_audit.begin(); it != m_audit.end(); ++it) {
            columns.Add(0, it.key());
            for (int i = 1; i < 10; ++i)
                columns.Add(i, it.value().value(i));
        }
        if (!columns.Run(pg,
                QStringLiteral("insert into audit_row(source_id, site_id, seq, time, account_id, "
                               "account_name, action, object, old_value, new_value, reason, mac) "
                               "select ?, ?, * from unnest(?::bigint[], ?::timestamp[], "
                               "?::int[], ?::text[], ?::text[], ?::text[], ?::text[], ?::text[], "
                               "?::text[], ?::text[]) on conflict (source_id, seq) do nothing"),
                {nSourceId, nSiteId}, pError))
            return false;
    }
    return true;
}
