// Storage under a held file and a reader, 255 regions reading every 2 s:
// - how long a reader waits at minute 55 of an hour, with the rollback
//   journal (the baseline) and with the write-ahead log;
// - an hour of readings kept while another connection holds the file:
//   memory per kept reading, the longest call on the GUI thread, and the
//   replay once the file is free (total and longest slice).
#include "StorageFixture.h"
#include "algor/RRegularSave.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include <malloc.h>

namespace {

constexpr int Regions = 255;
const QDate Day(2026, 3, 7);

// Bytes of the heap in use (the resident size hides what malloc reuses).
double heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

void openSite(const QString& strDir)
{
    QDir::setCurrent(strDir);
    RConnectDatabase(&StorageFixture::Writer()).OpenDatabase();
    PSqlExec::Exec("begin");
    for (int i = 0; i < Regions; ++i)
        PSqlExec::Exec(
            "insert into RegionInfo(Sub, Id, Num) values(?, ?, ?)", {i + 1, 100 + i, Regions});
    PSqlExec::Exec("insert into SystemInfo(Ceff_R) values(0.0056)");
    PSqlExec::Exec("commit");
    StorageFixture::Catalogue().Reload();
}

void closeSite()
{
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

struct Longest
{
    double dMs = 0.0;
    QElapsedTimer timer;
    void Start() { timer.start(); }
    void Stop() { dMs = qMax(dMs, timer.nsecsElapsed() / 1e6); }
};

// One 2-second round of readings at nSecond of the hour (and the tick on each
// whole minute), timing every call the GUI thread makes.
void round(RRegularSave& save, SManualClock& clock, int nSecond, Longest& longest)
{
    clock.Set(QDateTime(Day, QTime(10, 0)).addSecs(nSecond));
    if (nSecond % 60 == 0 && nSecond > 0) {
        longest.Start();
        save.MiniteTimeout();
        while (save.IsReducing())
            QCoreApplication::processEvents();
        longest.Stop();
    }
    for (int i = 0; i < Regions; ++i) {
        longest.Start();
        save.StoreRegionReading(100 + i, 1000 + i + nSecond % 7);
        longest.Stop();
    }
}

// The reader's wait for its rows at minute 55, second 30 (the minute's
// transaction open and grown past SQLite's page cache).
void readerAtMinute55(const char* pMode)
{
    QTemporaryDir dir;
    openSite(dir.path());
    PSqlExec::Select(QString("pragma journal_mode = %1").arg(QLatin1String(pMode))).next();
    SManualClock clock(QDateTime(Day, QTime(10, 0)));
    {
        RRegularSave save(
            &StorageFixture::Writer(), &StorageFixture::Catalogue(), &clock, 3600000, 3600000);
        Longest longest;
        for (int nSecond = 0; nSecond <= 55 * 60 + 30; nSecond += 2)
            round(save, clock, nSecond, longest);

        QSqlDatabase reader = QSqlDatabase::addDatabase("QSQLITE", "reader");
        reader.setDatabaseName(dir.filePath("DataBase.sqlite"));
        reader.setConnectOptions("QSQLITE_BUSY_TIMEOUT=10000");
        reader.open();
        QElapsedTimer timer;
        timer.start();
        QSqlQuery query(reader);
        int nRows = 0;
        const bool bOk = query.exec(QString("select * from MonthMinuteDose where Month = '%1'")
                                        .arg(Day.toString("yyyy-MM-dd")));
        while (bOk && query.next())
            ++nRows;
        const QString strError = query.lastError().text();
        printf("reader at minute 55 (%s journal): %d rows in %.1f ms%s%s\n", pMode, nRows,
            timer.nsecsElapsed() / 1e6, bOk ? "" : ", failed: ", qPrintable(strError));
        query.finish();
        reader.close();
    }
    QSqlDatabase::removeDatabase("reader");
    closeSite();
}

// An hour of readings while another connection holds the write lock.
void heldForAnHour()
{
    QTemporaryDir dir;
    openSite(dir.path());
    SManualClock clock(QDateTime(Day, QTime(10, 0)));
    RStorageWriter& writer = StorageFixture::Writer();
    {
        RRegularSave save(
            &StorageFixture::Writer(), &StorageFixture::Catalogue(), &clock, 3600000, 3600000);
        writer.Commit();
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(dir.filePath("DataBase.sqlite"));
        other.open();
        QSqlQuery hold(other);
        hold.exec("begin immediate");

        const double dBefore = heapBytes();
        Longest longest;
        for (int nSecond = 0; nSecond < 3600; nSecond += 2)
            round(save, clock, nSecond, longest);
        const double dKept = heapBytes() - dBefore;
        printf("held for an hour: %lld readings and %lld other writes kept in %.1f MB (%.1f "
               "bytes a reading), longest GUI-thread call %.1f ms\n",
            static_cast<long long>(writer.KeptReadings()),
            static_cast<long long>(writer.KeptStatements()), dKept / 1e6,
            dKept / qMax<qint64>(1, writer.KeptReadings()), longest.dMs);

        hold.exec("rollback");
        QElapsedTimer total;
        total.start();
        Longest slice;
        writer.Retry();
        while (!writer.IsHealthy()) {
            slice.Start();
            QCoreApplication::processEvents();
            slice.Stop();
        }
        const double dReplayMs = total.nsecsElapsed() / 1e6;
        while (save.DeferredMinutes() > 0 || save.IsReducing()) {
            slice.Start();
            QCoreApplication::processEvents();
            slice.Stop();
        }
        printf("replay of the hour: %.0f ms, then its 60 minutes reduced: %.0f ms in all; "
               "longest stretch on the GUI thread %.1f ms\n",
            dReplayMs, total.nsecsElapsed() / 1e6, slice.dMs);
        other.close();
    }
    QSqlDatabase::removeDatabase("other");
    closeSite();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.contains("reader")) {
        readerAtMinute55("delete");
        readerAtMinute55("wal");
    }
    if (args.isEmpty() || args.contains("held"))
        heldForAnHour();
    return 0;
}
