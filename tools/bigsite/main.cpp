// Writes a big site's database for benches and trials: R registered regions
// and N past days of their history, as the client would have stored them
// (the demo's five profiles in turn), straight into the file. Each day is
// committed on its own, so an interrupted run keeps the days it wrote and a
// second run fills in only the missing ones.

#include "PDemoHistory.h"
#include "PDemoSite.h"
#include "database/PSavepoint.h"
#include "database/PSqlExec.h"
#include "database/RStorageWriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTextStream>

namespace {

// The demo's threshold for every profile but the bursts, which would alarm
// four times a day each.
int alarmFor(int nId)
{
    return (nId - 1) % 5 == 3 ? 60000 : 1000;
}

void addRegions(int nRegions)
{
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from RegionInfo")).toInt() > 0)
        return;
    for (int nId = 1; nId <= nRegions; ++nId) {
        PSqlExec::Exec(
            QStringLiteral(
                "insert into RegionInfo(Sub, Id, Name, Num, State) values(?, ?, ?, ?, 0)"),
            {nId, nId, QStringLiteral("Room %1").arg(nId), nRegions});
        PSqlExec::Exec(QStringLiteral("insert into RegionCurveColorInfo(Id, R_Color, G_Color, "
                                      "B_Color, ButtonCheck, Alarmvalue) values(?, ?, ?, ?, 2, ?)"),
            {nId, (60 * nId) % 256, (202 + 40 * nId) % 256, (87 + 70 * nId) % 256, alarmFor(nId)});
    }
}

void pointAtLoopback(int nPort)
{
    if (PSqlExec::Scalar(QStringLiteral("select count(*) from SystemInfo where Unit_P = 0")).toInt()
        == 0)
        PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Port, Unit_P, Thre_A, Thre_B, "
                                      "Thre_C) values('127.0.0.1', ?, 0, 1000, 2000, 4000)"),
            {nPort});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a big site's history for benches."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("database"), QStringLiteral("<dir>/DataBase.sqlite"));
    const QCommandLineOption regions(QStringLiteral("regions"),
        QStringLiteral("registered regions (255)"), QStringLiteral("n"), QStringLiteral("255"));
    const QCommandLineOption days(QStringLiteral("days"),
        QStringLiteral("days of history (10), ending the day before --end"), QStringLiteral("n"),
        QStringLiteral("10"));
    const QCommandLineOption end(QStringLiteral("end"),
        QStringLiteral("first day not written, yyyy-MM-dd (today)"), QStringLiteral("day"));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("data-server port on 127.0.0.1 (8888)"), QStringLiteral("port"),
        QStringLiteral("8888"));
    parser.addOptions({regions, days, end, port});
    parser.process(app);

    bool bRegions = false, bDays = false, bPort = false;
    const int nRegions = parser.value(regions).toInt(&bRegions);
    const int nDays = parser.value(days).toInt(&bDays);
    const int nPort = parser.value(port).toInt(&bPort);
    const QDate endDay = parser.isSet(end)
        ? QDate::fromString(parser.value(end), QStringLiteral("yyyy-MM-dd"))
        : QDate::currentDate();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || !bRegions || nRegions < 1 || nRegions > 255 || !bDays || nDays < 0
        || nDays > 3660 || !bPort || nPort < 1 || nPort > 65535 || !endDay.isValid()) {
        err << parser.helpText();
        return 2;
    }
    RStorageWriter writer;
    if (const int nStatus = PDemoSite::Open(writer, positional.first(), err))
        return nStatus;
    {
        PSavepoint savepoint(QStringLiteral("big_site"));
        addRegions(nRegions);
        pointAtLoopback(nPort);
        if (!savepoint.Release())
            return 1;
    }
    // A bench file is rebuilt, not recovered: no journal and no syncing make
    // the writing as fast as the disk. The client sets its own mode at start.
    PSqlExec::Exec(QStringLiteral("pragma journal_mode = off"));
    PSqlExec::Exec(QStringLiteral("pragma synchronous = off"));

    QElapsedTimer timer;
    timer.start();
    int nWritten = 0;
    for (QDate day = endDay.addDays(-nDays); day < endDay; day = day.addDays(1)) {
        const int nDay = PDemoHistory::WriteRange(day, day);
        if (nDay < 0)
            return 1;
        nWritten += nDay;
    }
    PSqlExec::Exec(QStringLiteral("pragma journal_mode = wal"));
    QSqlDatabase::database().close();
    out << nWritten << " region-days in " << timer.elapsed() / 1000.0 << " s, file "
        << QFileInfo(QStringLiteral("DataBase.sqlite")).size() / (1024 * 1024) << " MiB\n";
    return 0;
}
