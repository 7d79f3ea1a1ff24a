#include "PDemoHistory.h"

#include "PDemoProfile.h"
#include "algor/RMinuteReduction.h"
#include "database/PSavepoint.h"
#include "database/PSqlExec.h"
#include "database/RRegionCatalogue.h"
#include "message/SClock.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QTime>
#include <QVariant>

#include <sqlite3.h>

namespace {

constexpr int SlotsPerMinute = RMinuteReduction::SlotCount;
constexpr int SlotsPerHour = 60 * SlotsPerMinute;
constexpr int MinutesPerDay = 24 * 60;
// The region model ends an alarm episode 60 s after its last alarm reading.
constexpr int EpisodeSlots = 60 / 2;

// "\"0\", \"1\", ..." and as many "?" for a row of nCount numbered columns.
QString numberedColumns(int nCount)
{
    QString strColumns;
    for (int i = 0; i < nCount; ++i)
        strColumns += QStringLiteral("\"%1\", ").arg(i);
    return strColumns;
}

QString placeholders(int nCount)
{
    QString strMarks;
    for (int i = 0; i < nCount; ++i)
        strMarks += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return strMarks;
}

bool report(const QSqlQuery& query)
{
    QTextStream(stderr) << "history not written: " << query.lastError().text() << "\n";
    return false;
}

// One region's day as the client would have stored it.
struct RegionDay
{
    // The stored dose of every slot (six significant digits, as every stored
    // value), 0 where no reading came; after the minute reduction.
    QVector<double> doses = QVector<double>(PDemoProfile::SlotsPerDay);
    double dHourSums[24] = {};
    QVector<double> minutes = QVector<double>(MinutesPerDay);
    double dDaySum = 0.0;
    double dMaxDose = 0.0;
    QString strMaxTime = QStringLiteral("0"); // the column's default: no maximum yet
    int nAlarmEpisodes = 0;
    // Each episode's first and last alarm slot, for the journal.
    QVector<QPair<int, int>> episodes;
};

class DayBuilder
{
public:
    explicit DayBuilder(float fCeffR)
        : m_fCeffR(fCeffR)
    {
    }

    RegionDay Build(int nId, int nAlarm, const QDate& day) const
    {
        RegionDay result;
        const QVector<quint32> counts
            = PDemoProfile::DayCounts(nId, PDemoProfile::ForRegion(nId), day);
        int nLastAlarm = -EpisodeSlots;
        for (int i = 0; i < PDemoProfile::SlotsPerDay; ++i) {
            if (counts[i] == 0)
                continue;
            // The aggregator's conversion, in single precision.
            const float fDose = float(counts[i]) * m_fCeffR * 100.0f;
            result.doses[i] = storedCount(counts[i], fDose);
            result.dHourSums[i / SlotsPerHour] += result.doses[i];
            // An alarm reading after the last episode ended starts a new one.
            // The profiles keep alarms away from midnight, so every episode
            // ends, and is counted, on its own day.
            if (nAlarm != 0 && fDose >= float(nAlarm)) {
                if (i - nLastAlarm >= EpisodeSlots) {
                    ++result.nAlarmEpisodes;
                    result.episodes.append({i, i});
                }
                result.episodes.last().second = i;
                nLastAlarm = i;
            }
        }
        Reduce(result);
        return result;
    }

private:
    // Every minute of the day in turn, as the aggregator's ticks reduce them:
    // the minute values and their sum, the day's maximum and its time, and a
    // lone spike replaced in its slot (the hour sum keeps the reading).
    static void Reduce(RegionDay& day)
    {
        float fDayMax = 0.0f;
        for (int nMinute = 0; nMinute < MinutesPerDay; ++nMinute) {
            double* pSlots = day.doses.data() + nMinute * SlotsPerMinute;
            float fSlots[SlotsPerMinute];
            for (int i = 0; i < SlotsPerMinute; ++i)
                fSlots[i] = float(pSlots[i]);
            const RMinuteReduction::Result result = RMinuteReduction::Reduce(fSlots, fDayMax);
            if (result.nSpikeSlot >= 0)
                pSlots[result.nSpikeSlot] = stored(result.fSpikeReplacement);
            const double dMinute = stored(result.dMinuteValue);
            day.minutes[nMinute] = dMinute;
            day.dDaySum += dMinute;
            if (result.bNewMax) {
                fDayMax = result.fDayMax;
                day.dMaxDose = stored(fDayMax);
                day.strMaxTime = QTime(nMinute / 60, nMinute % 60)
                                     .addSecs(result.nMaxOffset)
                                     .toString(QStringLiteral("hh:mm:ss"));
            }
        }
    }

    static double stored(double dValue) { return PSqlExec::Number(dValue).toDouble(); }

    // A day repeats a few hundred distinct counts 43,200 times; formatting
    // each to six digits would be most of the writer's time on a big site.
    double storedCount(quint32 nCount, float fDose) const
    {
        auto it = m_storedByCount.constFind(nCount);
        if (it == m_storedByCount.constEnd())
            it = m_storedByCount.insert(nCount, stored(fDose));
        return it.value();
    }

    float m_fCeffR;
    mutable QHash<quint32, double> m_storedByCount;
};

class Statements
{
public:
    bool Prepare()
    {
        const QSqlDatabase db = QSqlDatabase::database();
        m_exists = QSqlQuery(db);
        m_day = QSqlQuery(db);
        m_max = QSqlQuery(db);
        m_journal = QSqlQuery(db);
        return prepare(m_exists,
                   QStringLiteral(
                       "select (select count(*) from MonthMinuteDose where Id = ? and Month = ?) "
                       "+ (select count(*) from MonthData where Id = ? and Month = ?) "
                       "+ (select count(*) from RegionLinkDoseInfo where Id = ? and Month = ?)"))
            && prepareHour(db,
                QStringLiteral("insert into MonthData(Id, Month, Hour, %1Sum) values(%2)")
                    .arg(numberedColumns(SlotsPerHour), placeholders(3 + SlotsPerHour + 1)))
            && prepare(m_day,
                QStringLiteral("insert into MonthMinuteDose(Id, Month, %1Maxindex, Sum) values(%2)")
                    .arg(numberedColumns(MinutesPerDay), placeholders(2 + MinutesPerDay + 2)))
            && prepare(m_max,
                QStringLiteral("insert into RegionLinkDoseInfo(Id, AlarmOverCount, MaxDose, "
                               "Month, TimeInfo) values(?, ?, ?, ?, ?)"))
            && prepare(m_journal,
                QStringLiteral("insert into AlarmJournal(Time, Id, Event, Dose, Threshold, "
                               "Operator) values(?, ?, ?, ?, ?, ?)"));
    }

    // Any row of the region's day in any of the three tables; true also when
    // the question fails, so nothing is written over.
    bool HasRows(int nId, const QString& strDay)
    {
        for (int i = 0; i < 3; ++i) {
            m_exists.bindValue(2 * i, nId);
            m_exists.bindValue(2 * i + 1, strDay);
        }
        const bool bHas = !m_exists.exec() || !m_exists.next() || m_exists.value(0).toInt() != 0;
        m_exists.finish();
        return bHas;
    }

    bool Insert(int nId, const QString& strDay, int nAlarm, const RegionDay& day)
    {
        const QByteArray day8 = strDay.toUtf8();
        for (int nHour = 0; nHour < 24; ++nHour) {
            sqlite3_bind_int(m_pHour, 1, nId);
            sqlite3_bind_text(m_pHour, 2, day8.constData(), day8.size(), SQLITE_STATIC);
            sqlite3_bind_int(m_pHour, 3, nHour);
            const double* pSlots = day.doses.constData() + nHour * SlotsPerHour;
            for (int i = 0; i < SlotsPerHour; ++i)
                sqlite3_bind_double(m_pHour, 4 + i, pSlots[i]);
            sqlite3_bind_double(m_pHour, 4 + SlotsPerHour, day.dHourSums[nHour]);
            const int nResult = sqlite3_step(m_pHour);
            sqlite3_reset(m_pHour);
            if (nResult != SQLITE_DONE)
                return reportHour();
        }

        m_day.bindValue(0, nId);
        m_day.bindValue(1, strDay);
        for (int i = 0; i < MinutesPerDay; ++i)
            m_day.bindValue(2 + i, day.minutes[i]);
        // The minute the aggregator reduced last: the day's final one.
        m_day.bindValue(2 + MinutesPerDay, MinutesPerDay - 1);
        m_day.bindValue(3 + MinutesPerDay, day.dDaySum);
        if (!m_day.exec())
            return report(m_day);

        m_max.bindValue(0, nId);
        m_max.bindValue(1, day.nAlarmEpisodes);
        m_max.bindValue(2, day.dMaxDose);
        m_max.bindValue(3, strDay);
        m_max.bindValue(4, day.strMaxTime);
        if (!m_max.exec())
            return report(m_max);
        return InsertEpisodes(nId, strDay, nAlarm, day);
    }

    // The journal of the day's episodes, as the alarm state writes them: a
    // raise, the officer's acknowledgement two minutes on, the clear at the
    // first reading after the last alarm one; the same count as the day row.
    bool InsertEpisodes(int nId, const QString& strDay, int nAlarm, const RegionDay& day)
    {
        const QDateTime midnight
            = QDate::fromString(strDay, QStringLiteral("yyyy-MM-dd")).startOfDay();
        const auto row = [&](int nSlot, const char* pEvent, const char* pOperator) {
            const QDateTime time = midnight.addSecs(2 * nSlot);
            m_journal.bindValue(0, time.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")));
            m_journal.bindValue(1, nId);
            m_journal.bindValue(2, QLatin1String(pEvent));
            m_journal.bindValue(3, day.doses.value(nSlot));
            m_journal.bindValue(4, nAlarm);
            m_journal.bindValue(5, QLatin1String(pOperator));
            return m_journal.exec() || report(m_journal);
        };
        for (const QPair<int, int>& episode : day.episodes) {
            const int nAck = qMin(episode.first + 60, PDemoProfile::SlotsPerDay - 1);
            const int nClear = qMin(episode.second + 1, PDemoProfile::SlotsPerDay - 1);
            if (!row(episode.first, "alarm", "") || !row(nAck, "ack", "officer")
                || !row(nClear, "clear", ""))
                return false;
        }
        return true;
    }

    ~Statements() { sqlite3_finalize(m_pHour); }

private:
    // A day is 24 rows of 1,800 slots: bound straight through SQLite, the
    // writer is as fast as the disk on a big site.
    bool prepareHour(const QSqlDatabase& db, const QString& strSql)
    {
        const QVariant handle = db.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return false;
        m_pDb = *static_cast<sqlite3* const*>(handle.constData());
        const QByteArray sql = strSql.toUtf8();
        return sqlite3_prepare_v2(m_pDb, sql.constData(), sql.size(), &m_pHour, nullptr)
            == SQLITE_OK
            || reportHour();
    }

    bool reportHour()
    {
        QTextStream(stderr) << "history not written: " << sqlite3_errmsg(m_pDb) << "\n";
        return false;
    }

    static bool prepare(QSqlQuery& query, const QString& strSql)
    {
        query.setForwardOnly(true);
        return query.prepare(strSql) || report(query);
    }

    QSqlQuery m_exists;
    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pHour = nullptr;
    QSqlQuery m_day;
    QSqlQuery m_max;
    QSqlQuery m_journal;
};

} // namespace

int PDemoHistory::Write(const QDate& today, int nDays)
{
    return WriteRange(today.addDays(-nDays), today.addDays(-1));
}

int PDemoHistory::WriteRange(const QDate& first, const QDate& last)
{
    RRegionCatalogue catalogue;
    catalogue.Reload();
    DayBuilder builder(PSqlExec::Scalar(QStringLiteral("select Ceff_R from SystemInfo")).toFloat());

    PSavepoint savepoint(QStringLiteral("demo_history"));
    Statements statements;
    if (!savepoint.IsOpen() || !statements.Prepare())
        return -1;
    int nWritten = 0;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        const QString strDay = SClock::DayText(day);
        for (const RRegion& region : catalogue.Regions()) {
            if (statements.HasRows(region.nId, strDay))
                continue;
            if (!statements.Insert(region.nId, strDay, region.nAlarmValue,
                    builder.Build(region.nId, region.nAlarmValue, day)))
                return -1;
            ++nWritten;
        }
    }
    return savepoint.Release() ? nWritten : -1;
}
