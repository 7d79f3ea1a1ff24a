#include "database/RConnectDatabase.h"

#include "database/PSqlExec.h"
#include "message/PLogRecord.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

#include <utility>

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

const IndexDef s_indexes[] = {
    {"MonthDataIndex", "create index MonthDataIndex on MonthData(Id,Month,Hour)"},
    {"MonthMinuteIndex", "create index MonthMinuteIndex on MonthMinuteDose(Id,Month)"},
    {"PersonRealIndex", "create index PersonRealIndex on PersonalRealTimeDose(Id,Month,Time)"},
    {"PersonMonthIndex", "create index PersonMonthIndex on PersonalMonthDose(Id,Month)"},
};

} // namespace

RConnectDatabase::RConnectDatabase(QObject* pParent)
    : QObject(pParent)
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
    db.setDatabaseName(QLatin1String(s_pDatabaseName));
    if (!db.open()) {
        const QString strTitle = tr("Cannot open database");
        const QString strText = db.lastError().text();
        if (m_report) {
            m_report(strTitle, strText);
        } else {
            Log(0, "%s: %s\n", strTitle.toUtf8().constData(), strText.toUtf8().constData());
        }
        return false;
    }

    // A file that holds any table is left as it is, even when one is missing.
    // One transaction for the whole schema: a new file is written once,
    // instead of once per statement.
    db.transaction();
    if (db.tables(QSql::Tables).isEmpty())
        CreateTables();
    CreateMissing();
    db.commit();
    return true;
}

bool RConnectDatabase::CommitTransaction()
{
    return QSqlDatabase::database().commit();
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

    // The account tables belong to the installed file; a file without them
    // gets the columns the session rule reads and writes.
    PSqlExec::Exec(QStringLiteral("create table if not exists UserPermission(Id int default 0, "
                                  "Name varchar(64) default 0, state int default 0)"));
    PSqlExec::Exec(QStringLiteral(
        "create table if not exists UserLoginTimeInfo(Id int default 0, Logintime varchar(20) "
        "default 0, Logouttime varchar(20) default 0)"));
}
