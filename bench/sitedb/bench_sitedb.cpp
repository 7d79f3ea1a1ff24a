// The site database, 255 regions reading every 2 s:
// - the outbox's cost to the writer: the GUI thread's time for ten minutes
//   of readings, reductions and minute commits, without and with the
//   outbox's triggers;
// - the sender against a local PostgreSQL 15 (started here, as the tests
//   do): a day's backlog of minute values (255 x 1440 rows) drained, rows
//   per second, and the stations one such server keeps up with.
#include "PgTestServer.h"
#include "StorageFixture.h"

#include "algor/RRegularSave.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "database/RSiteOutbox.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"
#include "site/RSiteSender.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Regions = 255;
constexpr int Minutes = 10;
constexpr int MinutesPerDay = 1440;
const QDate Day(2026, 3, 7);

void openSite(const QString& strDir)
{
    QDir::setCurrent(strDir);
    RConnectDatabase(&StorageFixture::Writer()).OpenDatabase();
    PSqlExec::Exec("begin");
    for (int i = 0; i < Regions; ++i)
        PSqlExec::Exec(
            "insert into RegionInfo(Sub, Id, Num) values(?, ?, ?)", {i + 1, 100 + i, Regions});
    for (int i = 0; i < Regions; ++i)
        PSqlExec::Exec("insert into RegionCurveColorInfo(Id) values(?)", {100 + i});
    PSqlExec::Exec("insert into SystemInfo(Ceff_R) values(0.0056)");
    PSqlExec::Exec("commit");
    StorageFixture::Catalogue().Reload();
}

void closeSite()
{
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

struct WriterTime
{
    double dAllMs = 0.0; // readings, minute reductions and commits
    double dTickMs = 0.0; // the minute reductions and commits alone
};

// GUI-thread time for Minutes minutes of readings and their minute commits.
WriterTime writerMs(bool bOutbox)
{
    QTemporaryDir dir;
    openSite(dir.path());
    RStorageWriter& writer = StorageFixture::Writer();
    if (bOutbox) {
        RSiteOutbox::Enable(StorageFixture::Writer());
        writer.Commit();
    }
    SManualClock clock(QDateTime(Day, QTime(10, 0)));
    WriterTime time;
    {
        RRegularSave save(
            &StorageFixture::Writer(), &StorageFixture::Catalogue(), &clock, 3600000, 3600000);
        writer.Commit();
        QElapsedTimer timer;
        for (int nSecond = 0; nSecond <= Minutes * 60; nSecond += 2) {
            clock.Set(QDateTime(Day, QTime(10, 0)).addSecs(nSecond));
            timer.start();
            if (nSecond % 60 == 0 && nSecond > 0) {
                save.MiniteTimeout();
                while (save.IsReducing())
                    QCoreApplication::processEvents();
                writer.Commit();
                time.dTickMs += timer.nsecsElapsed() / 1e6;
            }
            for (int i = 0; i < Regions; ++i)
                save.StoreRegionReading(100 + i, 1000 + i + nSecond % 7);
            time.dAllMs += timer.nsecsElapsed() / 1e6;
        }
    }
    const qint64 nQueued
        = bOutbox ? PSqlExec::Scalar("select count(*) from Outbox where Kind = 1").toLongLong() : 0;
    if (bOutbox && nQueued < qint64(Regions) * (Minutes - 1))
        std::printf("  (only %lld minute rows queued)\n", static_cast<long long>(nQueued));
    writer.ReleaseStatements();
    closeSite();
    return time;
}

// A station file with a day of minute values, all of it in the outbox.
void dayBacklog(const QString& strDir)
{
    openSite(strDir);
    RSiteOutbox::Enable(StorageFixture::Writer());
    StorageFixture::Writer().Commit();
    PSqlExec::Exec("begin");
    QString strColumns;
    QString strMarks;
    for (int m = 0; m < MinutesPerDay; ++m) {
        strColumns += QString(", \"%1\"").arg(m);
        strMarks += ", ?";
    }
    QSqlQuery insert;
    insert.prepare(QString("insert into MonthMinuteDose(Id, Month%1) values(?, ?%2)")
                       .arg(strColumns, strMarks));
    for (int i = 0; i < Regions; ++i) {
        insert.addBindValue(100 + i);
        insert.addBindValue(Day.toString(Qt::ISODate));
        for (int m = 0; m < MinutesPerDay; ++m)
            insert.addBindValue(30.0 + (i + m) % 17);
        insert.exec();
    }
    // The outbox in the order a day of minute ticks makes it.
    QSqlQuery outbox;
    outbox.prepare("insert into Outbox(Kind, Id, Day, Minute) values(1, ?, ?, ?)");
    for (int m = 0; m < MinutesPerDay; ++m) {
        for (int i = 0; i < Regions; ++i) {
            outbox.addBindValue(100 + i);
            outbox.addBindValue(Day.toString(Qt::ISODate));
            outbox.addBindValue(m);
            outbox.exec();
        }
    }
    PSqlExec::Exec("commit");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("site database bench: %d regions\n", Regions);

    // The least of three runs each, alternating, so that neither side gets
    // the warm cache alone.
    WriterTime without {1e18, 1e18};
    WriterTime with {1e18, 1e18};
    for (int i = 0; i < 3; ++i) {
        const WriterTime off = writerMs(false);
        const WriterTime on = writerMs(true);
        without = {qMin(without.dAllMs, off.dAllMs), qMin(without.dTickMs, off.dTickMs)};
        with = {qMin(with.dAllMs, on.dAllMs), qMin(with.dTickMs, on.dTickMs)};
    }
    std::printf("writer, %d minutes of readings: %.0f ms without the outbox, %.0f ms with it "
                "(x%.3f)\n",
        Minutes, without.dAllMs, with.dAllMs, with.dAllMs / without.dAllMs);
    std::printf("  the minute ticks alone: %.1f ms a minute without, %.1f ms with (x%.3f); "
                "%.2f ms a minute more is %.4f%% of the minute\n",
        without.dTickMs / Minutes, with.dTickMs / Minutes, with.dTickMs / without.dTickMs,
        (with.dTickMs - without.dTickMs) / Minutes,
        (with.dTickMs - without.dTickMs) / Minutes / 600.0);

    PgTestServer server;
    server.SetDurable(true);
    if (!PgTestServer::IsInstalled() || !server.Start()
        || !server.CreateDatabase("kestal", "kestal_sender", "bench")) {
        std::printf("no PostgreSQL: %s\n", qPrintable(server.Error()));
        return 1;
    }
    QTemporaryDir dir;
    QElapsedTimer timer;
    timer.start();
    dayBacklog(dir.path());
    std::printf("a day's backlog made in %.1f s\n", timer.elapsed() / 1000.0);

    RSiteConfig config;
    config.bEnabled = true;
    config.strHost = server.SocketDir();
    config.nPort = server.Port();
    config.strDatabase = "kestal";
    config.strUser = "postgres";
    config.strSslMode = "disable";
    config.strSite = "Bench";
    config.strFileId = RSiteOutbox::FileId();
    RSiteSender sender(config, QDir(dir.path()).filePath("DataBase.sqlite"));
    if (!sender.Connect()) {
        std::printf("connect failed: %s\n", qPrintable(sender.Report().strError));
        return 1;
    }
    qint64 nRows = 0;
    double dLongestMs = 0.0;
    timer.start();
    QElapsedTimer batch;
    for (;;) {
        batch.start();
        const int nSent = sender.SendBatch();
        dLongestMs = qMax(dLongestMs, batch.nsecsElapsed() / 1e6);
        if (nSent <= 0)
            break;
        nRows += nSent;
    }
    const double dSeconds = timer.nsecsElapsed() / 1e9;
    const double dRate = nRows / dSeconds;
    // A station makes 255 minute rows a minute.
    const double dStationRate = Regions / 60.0;
    std::printf("a day's backlog (%lld minute rows) drained in %.1f s: %.0f rows/s, longest "
                "batch %.0f ms\n",
        static_cast<long long>(nRows), dSeconds, dRate, dLongestMs);
    std::printf("one sender keeps up with %.0f stations' minutes; at half of that, to leave "
                "room for backlogs and readers: %.0f stations per server\n",
        dRate / dStationRate, dRate / dStationRate / 2);
    const double dBytes = server
                              .Scalar("select sum(pg_total_relation_size(inhrelid)) from "
                                      "pg_inherits where inhparent = 'minute_value'::regclass",
                                  "kestal")
                              .toDouble();
    std::printf("on disk: %.0f bytes a minute row with its indexes: %.1f GB a station-year\n",
        dBytes / nRows, dBytes / nRows * Regions * 525600 / 1e9);
    PgTestServer::CloseAdmin();
    server.Stop();
    return 0;
}
