#include "database/RAlarmJournal.h"

#include "database/PSqlExec.h"
#include "database/RCommitPacer.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

RAlarmJournal::RAlarmJournal(RStorageWriter* pWriter, SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pPacer(new RCommitPacer(m_pClock, this))
{
}

RAlarmJournal::~RAlarmJournal() = default;

void RAlarmJournal::SetCommitter(std::function<void()> commit)
{
    m_pPacer->SetCommitter(std::move(commit));
}

namespace {

// The columns of "select Seq, Time, Id, Event, Dose, Threshold, Operator, Detail".
RAlarmEvent eventOf(const QSqlQuery& query)
{
    RAlarmEvent event;
    event.nSeq = query.value(0).toLongLong();
    event.time
        = QDateTime::fromString(query.value(1).toString(), QStringLiteral("yyyy-MM-ddThh:mm:ss"));
    event.nId = query.value(2).toInt();
    event.strEvent = query.value(3).toString();
    event.dDose = query.value(4).toDouble();
    event.nThreshold = query.value(5).toInt();
    event.strOperator = query.value(6).toString();
    event.strDetail = query.value(7).toString();
    return event;
}

} // namespace

QString RAlarmJournal::TableStatement()
{
    return QStringLiteral(
        "create table if not exists AlarmJournal(Seq integer primary key autoincrement, Time "
        "varchar(20), Id int, Event varchar(16), Dose float, Threshold int, Operator varchar(64), "
        "Detail text)");
}

void RAlarmJournal::AddMissingColumns()
{
    // Files from before the detail column keep their rows; the new column
    // reads empty for them.
    QSqlQuery query(QSqlDatabase::database());
    if (!query.exec(QStringLiteral("pragma table_info(AlarmJournal)")))
        return;
    bool bTable = false;
    while (query.next()) {
        bTable = true;
        if (query.value(1).toString() == QLatin1String("Detail"))
            return;
    }
    if (bTable)
        PSqlExec::Exec(QStringLiteral("alter table AlarmJournal add column Detail text"));
}

bool RAlarmJournal::IsContinued(const RAlarmEvent& event)
{
    return event.strEvent == QLatin1String("alarm")
        && event.strDetail.split(QLatin1Char(';')).contains(QLatin1String("continued=1"));
}

QString RAlarmJournal::TimeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}

bool RAlarmJournal::Write(const QString& strEvent, int nId, double dDose, int nThreshold,
    const QString& strOperator, const QString& strDetail)
{
    RAlarmEvent event;
    event.time = m_pClock->Now();
    event.nId = nId;
    event.strEvent = strEvent;
    event.dDose = dDose;
    event.nThreshold = nThreshold;
    event.strOperator = strOperator;
    event.strDetail = strDetail;
    // Kept and written again with the readings when the file refuses it.
    if (!m_pWriter->Write(QStringLiteral("insert into AlarmJournal(Time, Id, Event, "
                                         "Dose, Threshold, Operator, Detail) values(?, "
                                         "?, ?, ?, ?, ?, ?)"),
            {TimeText(event.time), nId, strEvent, dDose, nThreshold, strOperator, strDetail}))
        return false;
    emit Written(event);
    m_pPacer->Soon();
    return true;
}

void RAlarmJournal::CommitSoon()
{
    m_pPacer->Soon();
}

QVector<RAlarmEvent> RAlarmJournal::Read(
    const QDate& from, const QDate& to, int nId, QSqlError* pError)
{
    QVector<RAlarmEvent> events;
    // Time texts sort in time order; the day range ends before the day after "to".
    QString strSql
        = QStringLiteral("select Seq, Time, Id, Event, Dose, Threshold, Operator, Detail from "
                         "AlarmJournal "
                         "where Time >= ? and Time < ?");
    QVariantList values {from.toString(QStringLiteral("yyyy-MM-dd")),
        to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))};
    if (nId > 0) {
        strSql += QStringLiteral(" and Id = ?");
        values << nId;
    }
    strSql += QStringLiteral(" order by Time desc, Seq desc");
    // SelectOn keeps the reason of a failure.
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query = PSqlExec::SelectOn(db, strSql, values);
    while (query.next())
        events.append(eventOf(query));
    // A file from before the journal has no table, and so no events.
    if (pError && query.lastError().type() != QSqlError::NoError) {
        const QVariant tables = PSqlExec::Scalar(QStringLiteral(
            "select count(*) from sqlite_master where type = 'table' and name = 'AlarmJournal'"));
        if (!tables.isValid() || tables.toInt() > 0)
            *pError = query.lastError();
    }
    return events;
}

QVector<RAlarmEvent> RAlarmJournal::ReadAfter(qint64 nSeq, int nLimit)
{
    QVector<RAlarmEvent> events;
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query = PSqlExec::SelectOn(db,
        QStringLiteral("select Seq, Time, Id, Event, Dose, Threshold, Operator, Detail from "
                       "AlarmJournal where Seq > ? order by Seq limit ?"),
        {nSeq, nLimit});
    while (query.next())
        events.append(eventOf(query));
    return events;
}

qint64 RAlarmJournal::LastSeq()
{
    return PSqlExec::Scalar(QStringLiteral("select coalesce(max(Seq), 0) from AlarmJournal"))
        .toLongLong();
}

QStringList RAlarmJournal::CsvHeader()
{
    return {QStringLiteral("time"), QStringLiteral("id"), QStringLiteral("event"),
        QStringLiteral("dose_uRad_h"), QStringLiteral("threshold_uRad_h"),
        QStringLiteral("operator"), QStringLiteral("detail")};
}

QStringList RAlarmJournal::CsvFields(const RAlarmEvent& event)
{
    return {TimeText(event.time), QString::number(event.nId), event.strEvent,
        QString::number(event.dDose, 'f', 2), QString::number(event.nThreshold), event.strOperator,
        event.strDetail};
}
