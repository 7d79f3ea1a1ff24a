#include "database/RRegionDataStore.h"

#include "database/RStorageWriter.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <algorithm>

namespace {

constexpr int MinutesPerDay = 24 * 60;
// Columns in front of the values: Id, State and Month in the minute row, and
// Hour as well in the hour row.
constexpr int MinuteRowKeys = 3;
constexpr int HourRowKeys = 4;

bool prepare(QSqlQuery& query, const QString& strSql)
{
    query.setForwardOnly(true);
    if (query.prepare(strSql))
        return true;
    Log(LogLevel::Debug, "sql failed: %s; %s\n", strSql.toUtf8().constData(),
        query.lastError().text().toUtf8().constData());
    return false;
}

bool run(QSqlQuery& query)
{
    if (query.exec())
        return true;
    Log(LogLevel::Debug, "sql failed: %s; %s\n", query.lastQuery().toUtf8().constData(),
        query.lastError().text().toUtf8().constData());
    return false;
}

const QString& insertMinuteRow()
{
    static const QString s_strSql
        = QStringLiteral("insert into MonthMinuteDose(Id, Month) values(?, ?)");
    return s_strSql;
}

const QString& insertLinkRow()
{
    static const QString s_strSql
        = QStringLiteral("insert into RegionLinkDoseInfo(Id, Month) values(?, ?)");
    return s_strSql;
}

} // namespace

bool RRegionDataStore::EnsureDayRows(
    RStorageWriter& writer, const QList<int>& ids, const QDate& date)
{
    const QString strDay = SClock::DayText(date);
    QSqlQuery select(QSqlDatabase::database());
    if (!prepare(
            select, QStringLiteral("select Month from MonthMinuteDose where Month = ? and Id = ?")))
        return false;
    for (int nId : ids) {
        select.bindValue(0, strDay);
        select.bindValue(1, nId);
        const bool bFound = run(select) && select.next();
        select.finish();
        if (!bFound)
            writer.Write(insertMinuteRow(), {nId, strDay});
    }
    return true;
}

bool RRegionDataStore::EnsureHourRows(
    RStorageWriter& writer, const QList<int>& ids, const QDate& date, int nHour)
{
    const QString strDay = SClock::DayText(date);
    QSqlQuery select(QSqlDatabase::database());
    if (!prepare(select,
            QStringLiteral("select Hour from MonthData where Month = ? and Hour = ? and Id = ?")))
        return false;
    for (int nId : ids) {
        select.bindValue(0, strDay);
        select.bindValue(1, nHour);
        select.bindValue(2, nId);
        const bool bFound = run(select) && select.next();
        select.finish();
        if (!bFound) {
            writer.Write(QStringLiteral("insert into MonthData(Id, Month, Hour) values(?, ?, ?)"),
                {nId, strDay, nHour});
        }
    }
    return true;
}

QHash<int, float> RRegionDataStore::DayMaxima(
    RStorageWriter& writer, const QList<int>& ids, const QDate& date)
{
    const QString strDay = SClock::DayText(date);
    QHash<int, float> maxima;
    QSqlQuery query(QSqlDatabase::database());
    if (prepare(query,
            QStringLiteral("select rowid, Id, MaxDose from RegionLinkDoseInfo where Month = ?"))) {
        query.bindValue(0, strDay);
        if (run(query)) {
            while (query.next()) {
                const int nId = query.value(1).toInt();
                if (!maxima.contains(nId))
                    maxima.insert(nId, query.value(2).toFloat());
            }
        }
    }
    for (int nId : ids) {
        if (maxima.contains(nId))
            continue;
        writer.Write(insertLinkRow(), {nId, strDay});
        maxima.insert(nId, 0.0f);
    }
    return maxima;
}

QMap<int, QList<int>> RRegionDataStore::UnreducedMinutes(
    const QList<int>& ids, const QDate& date, int nBeforeMinute)
{
    const QString strDay = SClock::DayText(date);
    QMap<int, QList<int>> missed;
    QSqlQuery minutes(QSqlDatabase::database());
    QSqlQuery hours(QSqlDatabase::database());
    QSqlQuery hourRow(QSqlDatabase::database());
    if (!prepare(
            minutes, QStringLiteral("select * from MonthMinuteDose where Id = ? and Month = ?"))
        || !prepare(hours,
            QStringLiteral("select Hour from MonthData where Id = ? and Month = ? and Sum <> 0 "
                           "and Hour <= ?"))
        || !prepare(hourRow,
            QStringLiteral("select * from MonthData where Id = ? and Month = ? and Hour = ?")))
        return missed;
    for (int nId : ids) {
        QVector<bool> hasValue(MinutesPerDay, false);
        minutes.bindValue(0, nId);
        minutes.bindValue(1, strDay);
        if (run(minutes) && minutes.next()) {
            for (int m = 0; m < nBeforeMinute; ++m)
                hasValue[m] = minutes.value(MinuteRowKeys + m).toDouble() != 0.0;
        }
        minutes.finish();
        QList<int> hourList;
        hours.bindValue(0, nId);
        hours.bindValue(1, strDay);
        hours.bindValue(2, nBeforeMinute / 60);
        if (run(hours)) {
            while (hours.next())
                hourList << hours.value(0).toInt();
        }
        hours.finish();
        for (int nHour : qAsConst(hourList)) {
            hourRow.bindValue(0, nId);
            hourRow.bindValue(1, strDay);
            hourRow.bindValue(2, nHour);
            if (!run(hourRow) || !hourRow.next()) {
                hourRow.finish();
                continue;
            }
            for (int m = 0; m < 60; ++m) {
                const int nMinute = nHour * 60 + m;
                if (nMinute >= nBeforeMinute || hasValue.at(nMinute))
                    continue;
                for (int i = 0; i < SlotsPerMinute; ++i) {
                    if (hourRow.value(HourRowKeys + m * SlotsPerMinute + i).toDouble() != 0.0) {
                        missed[nMinute] << nId;
                        break;
                    }
                }
            }
            hourRow.finish();
        }
    }
    return missed;
}

void RRegionDataStore::CountAlarm(RStorageWriter& writer, int nId, const QDate& date)
{
    const QString strDay = SClock::DayText(date);
    writer.Write(QStringLiteral("update RegionLinkDoseInfo set AlarmOverCount = AlarmOverCount + 1 "
                                "where Id = ? and Month = ?"),
        {nId, strDay}, insertLinkRow(), {nId, strDay});
}

RRegionDataStore::RRegionDataStore(RStorageWriter& writer, const QDate& date, int nMinuteOfDay)
    : m_writer(writer)
    , m_strDay(SClock::DayText(date))
    , m_nMinuteOfDay(nMinuteOfDay)
    , m_selectSlots(QSqlDatabase::database())
{
    // Only the minute's own 30 columns of the 1805-column hour row.
    QStringList columns;
    const int nFirstSlot = m_nMinuteOfDay % 60 * SlotsPerMinute;
    for (int i = 0; i < SlotsPerMinute; ++i)
        columns << QStringLiteral("\"%1\"").arg(nFirstSlot + i);
    m_bReady = prepare(m_selectSlots,
        QStringLiteral("select rowid, %1 from MonthData where Id = ? and Month = ? and Hour = ?")
            .arg(columns.join(QLatin1String(", "))));
    m_strUpdateMinute = QStringLiteral("update MonthMinuteDose set \"%1\" = ?, Sum = Sum - "
                                       "\"%1\" + ?, Maxindex = ? where Id = ? and Month = ?")
                            .arg(m_nMinuteOfDay);
}

void RRegionDataStore::ReadSlots(int nId, float* pSlots, qint64* pRow)
{
    *pRow = -1;
    std::fill(pSlots, pSlots + SlotsPerMinute, 0.0f);
    if (!m_bReady)
        return;
    m_selectSlots.bindValue(0, nId);
    m_selectSlots.bindValue(1, m_strDay);
    m_selectSlots.bindValue(2, m_nMinuteOfDay / 60);
    if (run(m_selectSlots) && m_selectSlots.next()) {
        *pRow = m_selectSlots.value(0).toLongLong();
        for (int i = 0; i < SlotsPerMinute; ++i)
            pSlots[i] = m_selectSlots.value(1 + i).toFloat();
    }
    m_selectSlots.finish();
}

void RRegionDataStore::WriteSlot(qint64 nRow, int nSlot, double dValue)
{
    const int nColumn = m_nMinuteOfDay % 60 * SlotsPerMinute + nSlot;
    m_writer.Write(QStringLiteral("update MonthData set \"%1\" = ? where rowid = ?").arg(nColumn),
        {dValue, nRow});
}

void RRegionDataStore::WriteMinute(int nId, double dValue)
{
    m_writer.Write(m_strUpdateMinute, {dValue, dValue, m_nMinuteOfDay, nId, m_strDay},
        insertMinuteRow(), {nId, m_strDay});
}

void RRegionDataStore::WriteDayMax(int nId, double dMax, const QString& strTime)
{
    m_writer.Write(
        QStringLiteral(
            "update RegionLinkDoseInfo set MaxDose = ?, TimeInfo = ? where Id = ? and Month = ?"),
        {dMax, strTime, nId, m_strDay});
}
