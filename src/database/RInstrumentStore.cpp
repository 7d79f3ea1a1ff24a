#include "database/RInstrumentStore.h"

#include "database/PSqlExec.h"
#include "database/RAlarmJournal.h"
#include "database/RStorageWriter.h"

#include <QCoreApplication>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace {

const char* const s_pDayFormat = "yyyy-MM-dd";

QString dayText(const QDate& day)
{
    return day.isValid() ? day.toString(QLatin1String(s_pDayFormat)) : QString();
}

QDate dayOf(const QVariant& value)
{
    return QDate::fromString(value.toString(), QLatin1String(s_pDayFormat));
}

QDateTime timeOf(const QVariant& value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

QVariant timeValue(const QDateTime& time)
{
    return time.isValid() ? QVariant(RAlarmJournal::TimeText(time)) : QVariant(QVariant::String);
}

// Rows of one table for nId (0: all), in the order given; a table a file
// does not have yet reads as empty, any other failure goes to pError.
template <typename Row, typename Make>
QVector<Row> readRows(const QString& strTable, const QString& strColumns, const QString& strOrder,
    int nId, QSqlError* pError, Make make)
{
    QString strSql = QStringLiteral("select %1 from %2").arg(strColumns, strTable);
    QVariantList values;
    if (nId > 0) {
        strSql += QStringLiteral(" where Id = ?");
        values << nId;
    }
    strSql += QStringLiteral(" order by ") + strOrder;
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query = PSqlExec::SelectOn(db, strSql, values);
    QVector<Row> rows;
    while (query.next())
        rows.append(make(query));
    if (pError && query.lastError().type() != QSqlError::NoError) {
        const QVariant tables = PSqlExec::Scalar(
            QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?"),
            {strTable});
        if (!tables.isValid() || tables.toInt() > 0)
            *pError = query.lastError();
    }
    return rows;
}

RInstrumentOutage outageOf(const QSqlQuery& query)
{
    RInstrumentOutage outage;
    outage.nSeq = query.value(0).toLongLong();
    outage.nId = query.value(1).toInt();
    outage.since = timeOf(query.value(2));
    outage.until = timeOf(query.value(3));
    outage.strReason = query.value(4).toString();
    outage.strAccount = query.value(5).toString();
    outage.strBackReason = query.value(6).toString();
    outage.strBackAccount = query.value(7).toString();
    return outage;
}

const char* const s_pOutageColumns
    = "Seq, Id, Since, Until, Reason, Account, BackReason, BackAccount";

} // namespace

qint64 RInstrumentDue::DaysOverdue(const QDate& day) const
{
    if (!IsOverdue(day))
        return 0;
    return failed.isValid() ? failed.daysTo(day) + 1 : due.daysTo(day);
}

QStringList RInstrumentStore::TableStatements()
{
    return {
        QStringLiteral("create table if not exists InstrumentCalibration(Seq integer primary key "
                       "autoincrement, Id int not null, Day varchar(10) not null, Factor real, "
                       "Certificate text, Laboratory text, NextDue varchar(10) not null, "
                       "Coefficient real default 0, OldCoefficient real default 0, Account "
                       "varchar(64), Entered varchar(20))"),
        QStringLiteral("create table if not exists InstrumentTest(Seq integer primary key "
                       "autoincrement, Id int not null, Day varchar(10) not null, Kind int not "
                       "null, Pass int not null, Value real, NextDue varchar(10) not null, "
                       "Account varchar(64), Entered varchar(20))"),
        QStringLiteral("create table if not exists InstrumentNote(Seq integer primary key "
                       "autoincrement, Id int not null, Time varchar(20) not null, Note text, "
                       "Account varchar(64))"),
        QStringLiteral("create table if not exists InstrumentOutage(Seq integer primary key "
                       "autoincrement, Id int not null, Since varchar(20) not null, Until "
                       "varchar(20), Reason text, Account varchar(64), BackReason text, "
                       "BackAccount varchar(64))"),
    };
}

bool RInstrumentStore::AddCalibration(RStorageWriter& writer, const RInstrumentCalibration& c)
{
    return writer.Write(
        QStringLiteral("insert into InstrumentCalibration(Id, Day, Factor, Certificate, "
                       "Laboratory, NextDue, Coefficient, OldCoefficient, Account, Entered) "
                       "values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {c.nId, dayText(c.date), c.dFactor, c.strCertificate, c.strLaboratory, dayText(c.nextDue),
            c.dCoefficient, c.dOldCoefficient, c.strAccount, timeValue(c.entered)});
}

bool RInstrumentStore::AddTest(RStorageWriter& writer, const RInstrumentTest& t)
{
    return writer.Write(
        QStringLiteral("insert into InstrumentTest(Id, Day, Kind, Pass, Value, NextDue, Account, "
                       "Entered) values(?, ?, ?, ?, ?, ?, ?, ?)"),
        {t.nId, dayText(t.date), t.nKind, t.bPass ? 1 : 0, t.dValue, dayText(t.nextDue),
            t.strAccount, timeValue(t.entered)});
}

bool RInstrumentStore::AddNote(RStorageWriter& writer, const RInstrumentNote& note)
{
    return writer.Write(
        QStringLiteral("insert into InstrumentNote(Id, Time, Note, Account) values(?, ?, ?, ?)"),
        {note.nId, timeValue(note.time), note.strText, note.strAccount});
}

bool RInstrumentStore::BeginOutage(RStorageWriter& writer, const RInstrumentOutage& outage)
{
    return writer.Write(QStringLiteral("insert into InstrumentOutage(Id, Since, Reason, Account) "
                                       "values(?, ?, ?, ?)"),
        {outage.nId, timeValue(outage.since), outage.strReason, outage.strAccount});
}

bool RInstrumentStore::EndOutage(RStorageWriter& writer, int nId, const QDateTime& until,
    const QString& strReason, const QString& strAccount)
{
    return writer.Write(QStringLiteral("update InstrumentOutage set Until = ?, BackReason = ?, "
                                       "BackAccount = ? where Id = ? and Until is null"),
        {timeValue(until), strReason, strAccount, nId});
}

QVector<RInstrumentCalibration> RInstrumentStore::Calibrations(int nId, QSqlError* pError)
{
    return readRows<RInstrumentCalibration>(QStringLiteral("InstrumentCalibration"),
        QStringLiteral("Seq, Id, Day, Factor, Certificate, Laboratory, NextDue, Coefficient, "
                       "OldCoefficient, Account, Entered"),
        QStringLiteral("Day, Seq"), nId, pError, [](const QSqlQuery& query) {
            RInstrumentCalibration c;
            c.nSeq = query.value(0).toLongLong();
            c.nId = query.value(1).toInt();
            c.date = dayOf(query.value(2));
            c.dFactor = query.value(3).toDouble();
            c.strCertificate = query.value(4).toString();
            c.strLaboratory = query.value(5).toString();
            c.nextDue = dayOf(query.value(6));
            c.dCoefficient = query.value(7).toDouble();
            c.dOldCoefficient = query.value(8).toDouble();
            c.strAccount = query.value(9).toString();
            c.entered = timeOf(query.value(10));
            return c;
        });
}

QVector<RInstrumentTest> RInstrumentStore::Tests(int nId, QSqlError* pError)
{
    return readRows<RInstrumentTest>(QStringLiteral("InstrumentTest"),
        QStringLiteral("Seq, Id, Day, Kind, Pass, Value, NextDue, Account, Entered"),
        QStringLiteral("Day, Seq"), nId, pError, [](const QSqlQuery& query) {
            RInstrumentTest t;
            t.nSeq = query.value(0).toLongLong();
            t.nId = query.value(1).toInt();
            t.date = dayOf(query.value(2));
            t.nKind = query.value(3).toInt();
            t.bPass = query.value(4).toInt() != 0;
            t.dValue = query.value(5).toDouble();
            t.nextDue = dayOf(query.value(6));
            t.strAccount = query.value(7).toString();
            t.entered = timeOf(query.value(8));
            return t;
        });
}

QVector<RInstrumentNote> RInstrumentStore::Notes(int nId, QSqlError* pError)
{
    return readRows<RInstrumentNote>(QStringLiteral("InstrumentNote"),
        QStringLiteral("Seq, Id, Time, Note, Account"), QStringLiteral("Time, Seq"), nId, pError,
        [](const QSqlQuery& query) {
            RInstrumentNote note;
            note.nSeq = query.value(0).toLongLong();
            note.nId = query.value(1).toInt();
            note.time = timeOf(query.value(2));
            note.strText = query.value(3).toString();
            note.strAccount = query.value(4).toString();
            return note;
        });
}

QVector<RInstrumentOutage> RInstrumentStore::Outages(int nId, QSqlError* pError)
{
    return readRows<RInstrumentOutage>(QStringLiteral("InstrumentOutage"),
        QLatin1String(s_pOutageColumns), QStringLiteral("Since, Seq"), nId, pError, outageOf);
}

QHash<int, RInstrumentOutage> RInstrumentStore::OpenOutages()
{
    QHash<int, RInstrumentOutage> open;
    QSqlQuery query = PSqlExec::Select(
        QStringLiteral("select %1 from InstrumentOutage where Until is null order by Seq")
            .arg(QLatin1String(s_pOutageColumns)));
    while (query.next()) {
        const RInstrumentOutage outage = outageOf(query);
        // A spell whose start cannot be read still keeps the monitor out.
        open.insert(outage.nId, outage);
    }
    return open;
}

QHash<int, double> RInstrumentStore::Coefficients()
{
    QHash<int, double> coefficients;
    // Oldest first: the latest that set one stands.
    QSqlQuery query
        = PSqlExec::Select(QStringLiteral("select Id, Coefficient from InstrumentCalibration where "
                                          "Coefficient > 0 order by Day, Seq"));
    while (query.next())
        coefficients.insert(query.value(0).toInt(), query.value(1).toDouble());
    return coefficients;
}

QVector<RInstrumentDue> RInstrumentStore::Dues(const QVector<RInstrumentCalibration>& calibrations,
    const QVector<RInstrumentTest>& tests, const QDate& day)
{
    // Keyed by monitor and kind; the records come oldest first, so the last
    // one up to day stands.
    QMap<QPair<int, int>, RInstrumentDue> latest;
    for (const RInstrumentCalibration& c : calibrations) {
        if (c.date > day)
            continue;
        latest.insert({c.nId, RInstrumentDue::Calibration},
            {c.nId, RInstrumentDue::Calibration, c.nextDue, QDate()});
    }
    for (const RInstrumentTest& t : tests) {
        if (t.date > day)
            continue;
        const int nKind = t.nKind == RInstrumentTest::AlarmTest ? RInstrumentDue::AlarmTest
                                                                : RInstrumentDue::CheckSource;
        // A failed test proves nothing: the test is due again at once.
        latest.insert({t.nId, nKind}, {t.nId, nKind, t.nextDue, t.bPass ? QDate() : t.date});
    }
    return latest.values().toVector();
}

QString RInstrumentStore::KindText(int nDueKind)
{
    switch (nDueKind) {
    case RInstrumentDue::Calibration:
        return QCoreApplication::translate("RInstrumentStore", "calibration");
    case RInstrumentDue::CheckSource:
        return QCoreApplication::translate("RInstrumentStore", "check-source test");
    default:
        return QCoreApplication::translate("RInstrumentStore", "alarm test");
    }
}
