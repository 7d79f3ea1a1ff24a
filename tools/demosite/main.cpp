// Prepares the database of a demo site: a handful of registered regions and
// the data-server address pointing at the simulator on the loopback address.
// Running it again on an existing site changes nothing but the address and
// the past days that have no rows yet.

#include "PDemoHistory.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTextStream>

namespace {

struct DemoRegion
{
    int nId;
    const char* pName;
    int nAlarm;
};

const DemoRegion s_regions[] = {
    // Thresholds in µRad/h: above the simulator's steady readings, so only the
    // ramping region goes into alarm.
    {1, "Reactor hall", 1000},
    {2, "Fuel store", 1000},
    {3, "Control room", 1000},
    {4, "Waste bunker", 2000},
    {5, "Hot laboratory", 1000},
};

void addRegions()
{
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from RegionInfo")).toInt() > 0)
        return;
    const int nCount = int(sizeof s_regions / sizeof s_regions[0]);
    for (int i = 0; i < nCount; ++i) {
        const DemoRegion& region = s_regions[i];
        PSqlExec::Exec(
            QStringLiteral(
                "insert into RegionInfo(Sub, Id, Name, Num, State) values(?, ?, ?, ?, 0)"),
            {i + 1, region.nId, QString::fromLatin1(region.pName), nCount});
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo(Id, R_Color, G_Color, B_Color, "
                           "ButtonCheck, Alarmvalue) values(?, ?, ?, ?, 2, ?)"),
            {region.nId, (60 * i) % 256, (202 + 40 * i) % 256, (87 + 70 * i) % 256, region.nAlarm});
    }
}

void pointAtSimulator(int nPort)
{
    const QString strAddress = QStringLiteral("127.0.0.1");
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from SystemInfo where Unit_P = 0")).toInt()
        == 0)
        PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Unit_P) values(?, ?, 0)"),
            {strAddress, nPort});
    else
        PSqlExec::Exec(QStringLiteral("update SystemInfo set IP = ?, Port = ? where Unit_P = 0"),
            {strAddress, nPort});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        err << "usage: kestal-demosite <site>/DataBase.sqlite <simulator port> [history days, "
               "default 7]\n";
        return 2;
    }
    bool bOk = false;
    const int nPort = args.at(2).toInt(&bOk);
    if (!bOk || nPort <= 0 || nPort > 65535) {
        err << "bad port: " << args.at(2) << "\n";
        return 2;
    }
    const int nDays = args.size() == 4 ? args.at(3).toInt(&bOk) : PDemoHistory::DefaultDays;
    if (!bOk || nDays < 0 || nDays > 366) {
        err << "bad number of history days: " << args.at(3) << "\n";
        return 2;
    }
    const QFileInfo target(args.at(1));
    if (target.fileName() != QLatin1String("DataBase.sqlite")
        || !QDir().mkpath(target.absolutePath())) {
        err << "the site database must be called DataBase.sqlite\n";
        return 2;
    }
    QDir::setCurrent(target.absolutePath());

    RConnectDatabase database;
    database.SetFailureReport([&err](const QString& strTitle, const QString& strText) {
        err << strTitle << ": " << strText << "\n";
    });
    if (!database.OpenDatabase())
        return 1;
    addRegions();
    pointAtSimulator(nPort);
    if (PDemoHistory::Write(QDate::currentDate(), nDays) < 0)
        return 1;
    RConnectDatabase::CommitTransaction();
    QSqlDatabase::database().close();
    return 0;
}
