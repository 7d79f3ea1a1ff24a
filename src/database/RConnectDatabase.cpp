#include "database/RConnectDatabase.h"

#include "database/PSqlExec.h"
#include "database/RAlarmFilterStore.h"
#include "database/RAlarmJournal.h"
#include "database/RAlarmShelfStore.h"
#include "database/RAlarmStateStore.h"
#include "database/RAuditTrail.h"
#include "database/RClientSettings.h"
#include "database/RInstrumentStore.h"
#include "database/RIntegrityCheck.h"
#include "database/RNotifyQueue.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "database/RUserAccounts.h"
#include "message/PLogRecord.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlQuery>

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

#include <utility>

#include <sqlite3.h>

namespace {

const char* const s_pDatabaseName = "DataBase.sqlite";

// Head, one generated definition per index from 0 upward, tail: one statement.
QString generated(const char* pHead, const char* pColumn, int nCount, const char* pTail)
{
    QString strSql = QLatin1String(pHead);
    const QString strColumn = QLatin1String(pColumn);
    for (int i = 0; i < nCount; ++i)
        strSql += strColumn.arg(i);
    strSql += QLatin1String(pTail);
    return strSql;
}

struct IndexDef
{
    const char* pName;
    const char* pStatement;
};

// How long opening waits for another connection that holds the file.
constexpr int OpenLockWaitMs = 2000;

const IndexDef s_indexes[] = {
    {"MonthDataIndex", "create index MonthDataIndex on MonthData(Id,Month,Hour)"},
    {"MonthMinuteIndex", "create index MonthMinuteIndex on MonthMinuteDose(Id,Month)"},
    {"PersonRealIndex", "create index PersonRealIndex on PersonalRealTimeDose(Id,Month,Time)"},
    {"PersonMonthIndex", "create index PersonMonthIndex on PersonalMonthDose(Id,Month)"},
    // The minute reduction and the episode count reach a day's row by region
    // and day; without it each look scans a year of rows.
    {"RegionLinkDoseIndex", "create index RegionLinkDoseIndex on RegionLinkDoseInfo(Id,Month)"},
};

} // namespace

RConnectDatabase::RConnectDatabase(RStorageWriter* pWriter, QObject* pParent)
    : QObject(pParent)
    , m_pWriter(pWriter)
    , m_strFileName(QLatin1String(s_pDatabaseName))
{
}

RConnectDatabase::~RConnectDatabase() = default;

void RConnectDatabase::SetFailureReport(FailureReport report)
{
    m_report = std::move(report);
}

bool RConnectDatabase::OpenDatabase()
{
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
        ? QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(m_strFileName);
    m_pWriter->State().Reset();
    m_pWriter->Reset();
    const QString strTitle = tr("Cannot open database");
    QString strReason;
    if (!db.open())
        strReason = db.lastError().text();
    else
        strReason = UnusableReason();
    if (!strReason.isEmpty()) {
        const QString strFile = QFileInfo(m_strFileName).absoluteFilePath();
        Log(LogLevel::Critical, "database %s unusable: %s\n", strFile.toUtf8().constData(),
            strReason.toUtf8().constData());
        m_pWriter->State().SetUnusable(strReason);
        if (m_report) {
            m_report(strTitle,
                tr("The database file %1 cannot be used: %2. It is left as it is; readings are "
                   "shown but not stored until the file is replaced and the program restarted.")
                    .arg(strFile, strReason));
        }
        return false;
    }

    // A file that holds any table is left as it is, even when one is missing.
    // One transaction for the whole schema: a new file is written once,
    // instead of once per statement.
    SetJournalMode();
    db.transaction();
    if (db.tables(QSql::Tables).isEmpty())
        CreateTables();
    CreateMissing();
    db.commit();
    return true;
}

void RConnectDatabase::StartIntegrityCheck(int nDelayMs)
{
    if (m_pCheck || !m_pWriter->State().IsUsable())
        return;
    m_pCheck = new RIntegrityCheck(this);
    connect(m_pCheck, &RIntegrityCheck::Finished, this, [this](bool bOk, const QString& strDetail) {
        if (bOk)
            return;
        const QString strFile = QFileInfo(QLatin1String(s_pDatabaseName)).absoluteFilePath();
        Log(LogLevel::Critical, "database %s failed its integrity check: %s\n",
            strFile.toUtf8().constData(), strDetail.toUtf8().constData());
        m_pWriter->State().SetDamaged(strDetail);
        if (m_report) {
            m_report(tr("Database damaged"),
                tr("The database file %1 failed its integrity check: %2. Readings are still "
                   "stored where the file takes them; copy the file and replace it soon.")
                    .arg(strFile, strDetail));
        }
    });
    m_pCheck->Start(QFileInfo(QLatin1String(s_pDatabaseName)).absoluteFilePath(), nDelayMs);
}

QString RConnectDatabase::UnusableReason()
{
    // Nothing here may change the file: a file that fails is evidence. Only
    // checks whose cost does not grow with the file: the pages are checked
    // after start, in the background.
    QSqlQuery query;
    if (!query.exec(QStringLiteral("select count(*) from sqlite_master")))
        return query.lastError().databaseText();
    // A write that is rolled back: only a file that takes writes passes.
    if (!query.exec(QStringLiteral("pragma user_version")) || !query.next())
        return query.lastError().databaseText();
    const int nVersion = query.value(0).toInt();
    query.finish();
    if (!query.exec(QStringLiteral("begin immediate")))
        return query.lastError().databaseText();
    const bool bWritten = query.exec(QStringLiteral("pragma user_version = %1").arg(nVersion));
    const QString strWriteError = query.lastError().databaseText();
    query.exec(QStringLiteral("rollback"));
    return bWritten ? QString() : strWriteError;
}

bool RConnectDatabase::InTransaction()
{
    const QSqlDatabase db
        = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    if (!db.isOpen())
        return false;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* pHandle = *static_cast<sqlite3* const*>(handle.constData());
    return pHandle && sqlite3_get_autocommit(pHandle) == 0;
}

bool RConnectDatabase::CommitTransaction()
{
    return m_pWriter->Commit();
}

void RConnectDatabase::SetJournalMode()
{
    QSqlQuery query(QSqlDatabase::database());
    query.exec(QStringLiteral("pragma busy_timeout = %1").arg(OpenLockWaitMs));
    QString strMode;
    if (query.exec(QStringLiteral("pragma journal_mode = wal")) && query.next())
        strMode = query.value(0).toString();
    query.finish();
    if (strMode != QLatin1String("wal") && strMode != QLatin1String("memory"))
        Log(LogLevel::Warning,
            "database journal mode stays '%s' (%s): readers may wait for the writer\n",
            strMode.toUtf8().constData(), query.lastError().text().toUtf8().constData());
    query.exec(QStringLiteral("pragma busy_timeout = %1").arg(RStorageWriter::LockWaitMs));
    // Deleted slots are kept in archive files; zeroing every freed page would
    // write each archived month a second time into the main file.
    query.exec(QStringLiteral("pragma secure_delete = fast"));
}

QStringList RConnectDatabase::TableStatements()
{
    QStringList statements;
    statements << generated("create table MonthData (Id int  default 0, State int default 0, "
                            "Month varchar(20) default  '2014-03-07', Hour int default 0, ",
        "'%1' float default 0, ", 1800, "Sum float default 0)");
    statements << generated("create table PersonalRealTimeDose(Id int default 0, State int "
                            "default 0, Month varchar(20) default '2014-03-01', Time varchar(10) "
                            "default '02:01', ",
        "'%1' float default 0, ", 30, "Count int default 0, Sum float default 0)");
    statements << generated("create table MonthMinuteDose(Id int default 0, State int default 0, "
                            "Month varchar(20) default  '2014-03-07', ",
        "'%1' float default 0 ,", 1440, "Maxindex int default 0, Sum float default 0)");
    statements << QStringLiteral(
        "create table RegionInfo(Sub int default 0, Id int default 0, Name varchar(64) default "
        "'name', Num int default 0, State int default 0)");
    statements << QStringLiteral(
        "create table RegionLinkDoseInfo(Id int default 0, AlarmOverCount int default 0, MaxDose "
        "float default 0, Month varchar(20) default 0, TimeInfo varchar(20) default 0)");
    statements << QStringLiteral(
        "create table RegionCurveColorInfo(Id int primary key, R_Color int default 38, G_Color int "
        "default 202, B_Color int default 87, ButtonCheck int default 2, ConnectTime varchar(20) "
        "default 0, TurnoffTime varchar(20) default 0, Alarmvalue int default 10)");
    statements << QStringLiteral("create table RoutingRoomInfo(Sub int default 0, Id int default "
                                 "0, Name varchar(64) default "
                                 "'name', Num int default 0, State int default 0)");
    statements << QStringLiteral(
        "create table PersonalInfo(Sub int default 0, Id int  default 0, Name varchar(64) default "
        "0, Position varchar(64) default 0, Sex bit default 0, ConnectTime varchar(20) default 0, "
        "TurnoffTime varchar(20) default 0, Num int default 0, State int default 0)");
    statements << QStringLiteral(
        "create table RoutingInfo(Sub int default 0, Id int  default 0, Name varchar(64) default "
        "0, Position varchar(64) default 0, Sex bit default 0, Num int default 0, State int "
        "default 0)");
    // The data server runs on this machine unless the settings say otherwise.
    statements << QStringLiteral(
        "create table SystemInfo(IP varchar(15) default '127.0.0.1', Port int default 8888, "
        "Thre_A float default 0.1, Thre_B float default 10, Thre_C float default 200, Ceff_R "
        "float default 0.0056, Ceff_P float default 0.00049, Unit_R int default 0, Unit_P int "
        "default 0)");
    statements << QStringLiteral(
        "create table PortInfo(Port primary key, Bite int default 0, Xor int default 0, Xor_w int "
        "default 0, Data int default 0, Stop int default 0)");
    statements << generated("create table PersonalMonthDose (Id int  default 0, State int default "
                            "0, Month varchar(20) default  '2014-03-01', ",
        "'%1' flaot default 0, ", 24, "Sum float default 0, TimeIndex int default 0)");
    statements << QStringLiteral(
        "create table PersonalSumDoseInfo(Id int primary key, SumDose float  default 0)");
    statements << QStringLiteral(
        "create table RoutingMinuteDose(Id int default 0, RoomId int default 0, state int default "
        "0, Dose float default 0, Time varchar(20) default 0, Month varchar(20))");
    return statements;
}

QString RConnectDatabase::ServerNetworkInfoStatement()
{
    return QStringLiteral(
        "create table ServerNetworkInfo(Sub int default 0, IP varchar(15) primary key, Port int "
        "default 6666, Location varchar(64) default 0, State int default 0, Connected int default "
        "0, Num int default 0)");
}

void RConnectDatabase::CreateTables()
{
    for (const QString& strSql : TableStatements())
        PSqlExec::Exec(strSql);
}

void RConnectDatabase::CreateMissing()
{
    // For an existing empty table the create fails and changes nothing.
    if (!PSqlExec::Select(QStringLiteral("select * from ServerNetworkInfo")).next())
        PSqlExec::Exec(ServerNetworkInfoStatement());

    for (const IndexDef& index : s_indexes) {
        const QVariant count
            = PSqlExec::Scalar(QStringLiteral("select count(*) from sqlite_master where name='%1'")
                                   .arg(QLatin1String(index.pName)));
        if (count.isValid() && count.toInt() == 0)
            PSqlExec::Exec(QLatin1String(index.pStatement));
    }

    for (const QString& strStatement : AddedTableStatements())
        PSqlExec::Exec(strStatement);
    RAlarmJournal::AddMissingColumns();
}

QStringList RConnectDatabase::AddedTableStatements()
{
    return QStringList {
               // The account tables belong to the installed file; a file without
               // them gets the columns the session rule reads and writes.
               QStringLiteral("create table if not exists UserPermission(Id int default 0, Name "
                              "varchar(64) default 0, state int default 0)"),
               QStringLiteral(
                   "create table if not exists UserLoginTimeInfo(Id int default 0, Logintime "
                   "varchar(20) default 0, Logouttime varchar(20) default 0)"),
               RAlarmJournal::TableStatement(),
               // Months whose slots are moving (1) or moved (2) to archive files: a
               // month listed here whose file is gone is missing, not empty.
               QStringLiteral(
                   "create table if not exists ArchivedMonth(Month varchar(7) primary key, "
                   "State int default 0)"),
               RClientSettings::TableStatement(),
               RUserAccounts::TableStatement(),
               RAuditTrail::TableStatement(),
               RAlarmFilterStore::TableStatement(),
               RAlarmShelfStore::TableStatement(),
           }
    + RAlarmStateStore::TableStatements() + QStringList {RNotifyQueue::TableStatement()}
    + RInstrumentStore::TableStatements();
}
