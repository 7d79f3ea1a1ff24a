#include "database/RReportReads.h"

#include "message/SClock.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

constexpr int MinutesPerDay = 1440;

} // namespace

RReportReads::Begun RReportReads::Begin(qint64* pWaitLeftMs, QSqlError* pError)
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query(db);
    // Neither the pragma nor a deferred begin touches the file's locks.
    query.exec(QStringLiteral("pragma busy_timeout = %1").arg(*pWaitLeftMs));
    if (!db.transaction()) {
        *pError = db.lastError();
        return Begun::Failed;
    }
    QElapsedTimer waited;
    waited.start();
    // A truncated file fails here, as soon as its first page is read.
    const bool bRead
        = query.exec(QStringLiteral("select count(*) from sqlite_master")) && query.next();
    *pWaitLeftMs = qMax<qint64>(0, *pWaitLeftMs - waited.elapsed());
    Begun begun = Begun::Ok;
    if (!bRead) {
        *pError = query.lastError();
        begun = Begun::Failed;
    } else if (query.value(0).toInt() == 0) {
        begun = Begun::Empty;
    }
    query.finish();
    if (begun != Begun::Ok)
        db.rollback();
    return begun;
}

void RReportReads::End()
{
    QSqlDatabase::database().rollback();
}

bool RReportReads::DayMinutes(
    int nId, const QDate& day, QVector<double>* pMinutes, QSqlError* pError)
{
    pMinutes->clear();
    QSqlQuery query;
    query.setForwardOnly(true);
    // Preparing reads the schema, so it meets a busy file too.
    bool bRead = query.prepare(QStringLiteral(
        "select * from MonthMinuteDose where Id = ? and Month = ? order by rowid limit 1"));
    query.addBindValue(nId);
    query.addBindValue(SClock::DayText(day));
    bRead = bRead && query.exec();
    if (bRead && query.next()) {
        const int nFirst = query.record().indexOf(QStringLiteral("0"));
        if (nFirst >= 0) {
            pMinutes->resize(MinutesPerDay);
            for (int nMinute = 0; nMinute < MinutesPerDay; ++nMinute)
                (*pMinutes)[nMinute] = query.value(nFirst + nMinute).toDouble();
        }
    }
    if (!bRead)
        *pError = query.lastError();
    query.finish();
    return bRead;
}

bool RReportReads::HasRegion(int nId, bool* pHas, QSqlError* pError)
{
    QSqlQuery query;
    const bool bRead = query.prepare(QStringLiteral("select count(*) from RegionInfo where Id = ?"))
        && (query.addBindValue(nId), query.exec()) && query.next();
    if (!bRead)
        *pError = query.lastError();
    else
        *pHas = query.value(0).toInt() > 0;
    query.finish();
    return bRead;
}
