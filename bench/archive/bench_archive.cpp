// The archive of closed months on a big site.
//
//   bench_archive year <dir> [months, 12]
//     A simulated year: month after month, a month of history of every
//     registered region is written into the main file (as the client would
//     have stored it) and the archive then moves what is past the retention
//     period, as it does in service. Prints the main file's size and free
//     pages after each month. Archive files of earlier months are deleted
//     as they are finished (a year of them is 37 GB); the last one stays.
//     Make the site first: kestal-bigsite <dir>/DataBase.sqlite --days 0
//
//   bench_archive step <dir>
//     After 'year': the GUI thread's share of archive steps of the default
//     size (the deletes of 20 region-days), over 200 steps of the newest
//     month (a day of the next is written and the retention set to one
//     month for it); median and maximum in milliseconds.
//
//   bench_archive pages <dir>
//     On such a site, a region's day in the oldest archived month: the day
//     chart, the month chart, the fine zoom (read from the archive file) and
//     the monthly report, each the median of five, in milliseconds.
//
// Run with QT_QPA_PLATFORM=offscreen.

#include "PDemoHistory.h"
#include "StorageFixture.h"
#include "database/PHistoryDoseStore.h"
#include "database/PSqlExec.h"
#include "database/RClientSettings.h"
#include "database/RConnectDatabase.h"
#include "database/RSlotArchive.h"
#include "history/PMonthReport.h"
#include "message/SBus.h"
#include "message/SClock.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const QDate kFirstMonth(2025, 12, 1);
constexpr int kRegion = 3;

qint64 mib(qint64 nBytes)
{
    return nBytes / (1024 * 1024);
}

// Steps until nothing is due, committing as the minute commit does; the
// clock moves a minute per step, past the rest that follows a pass.
int moveAll(RSlotArchive& archive, SManualClock& clock)
{
    int nRegionDays = 0;
    for (;;) {
        clock.Advance(70 * 1000);
        QEventLoop loop;
        QString strMonth;
        int nMoved = 0;
        const auto connection = QObject::connect(&archive, &RSlotArchive::Stepped, &loop,
            [&](const QString& strStepMonth, int nStepMoved) {
                strMonth = strStepMonth;
                nMoved = nStepMoved;
                loop.quit();
            });
        archive.Step();
        if (!archive.IsStepping())
            return nRegionDays;
        loop.exec();
        QObject::disconnect(connection);
        StorageFixture::Writer().Commit();
        nRegionDays += nMoved;
        if (strMonth.isEmpty())
            return nRegionDays;
    }
}

int year(int nMonths)
{
    SManualClock clock(QDateTime(kFirstMonth, QTime(0, 0)));
    RSlotArchive archive(&StorageFixture::Writer(), &clock);
    archive.SetRegionDaysPerStep(500);
    std::printf("month     written  moved  main MiB  free MiB  s\n");
    QString strLastFile;
    for (int m = 0; m < nMonths; ++m) {
        QElapsedTimer timer;
        timer.start();
        const QDate first = kFirstMonth.addMonths(m);
        int nWritten = 0;
        for (QDate day = first; day < first.addMonths(1); day = day.addDays(1)) {
            const int nDay = PDemoHistory::WriteRange(day, day);
            if (nDay < 0)
                return 1;
            nWritten += nDay;
            StorageFixture::Writer().Commit();
        }
        // The first day of the next month: the month just written and the
        // one before it stay, older ones move.
        clock.Set(QDateTime(first.addMonths(1), QTime(0, 0, 30)));
        const int nMoved = moveAll(archive, clock);
        const QString strMain = QSqlDatabase::database().databaseName();
        const qint64 nFree = PSqlExec::Scalar(QStringLiteral("pragma freelist_count")).toLongLong()
            * PSqlExec::Scalar(QStringLiteral("pragma page_size")).toLongLong();
        std::printf("%s  %7d  %5d  %8lld  %8lld  %lld\n",
            qPrintable(first.toString(QStringLiteral("yyyy-MM"))), nWritten, nMoved,
            mib(QFileInfo(strMain).size()), mib(nFree), timer.elapsed() / 1000);
        std::fflush(stdout);
        // Backed up and taken away: keep the disk for the next months.
        const QStringList files
            = QDir(RSlotArchive::Directory())
                  .entryList({QStringLiteral("MonthData-*.sqlite")}, QDir::Files);
        for (int i = 0; i + 1 < files.size(); ++i)
            QFile::remove(QDir(RSlotArchive::Directory()).filePath(files.at(i)));
    }
    return 0;
}

double medianMs(const std::function<void()>& action)
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

int steps()
{
    const QDate last = QDate::fromString(
        PSqlExec::Scalar(QStringLiteral("select max(Month) from MonthData")).toString(),
        QStringLiteral("yyyy-MM-dd"));
    if (!last.isValid()) {
        std::printf("no slots in the main file\n");
        return 1;
    }
    // A day of the next month and one month kept: the newest month is due.
    const QDate next = QDate(last.year(), last.month(), 1).addMonths(1);
    PDemoHistory::WriteRange(next, next);
    RClientSettings::SetInt(RClientSettings::ArchiveRetentionMonths, 1, nullptr);
    StorageFixture::Writer().Commit();
    SManualClock clock(QDateTime(next, QTime(1, 0)));
    RSlotArchive archive(&StorageFixture::Writer(), &clock);
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        QEventLoop loop;
        const auto connection
            = QObject::connect(&archive, &RSlotArchive::Stepped, &loop, &QEventLoop::quit);
        clock.Advance(70 * 1000);
        archive.Step();
        if (archive.IsStepping())
            loop.exec();
        QObject::disconnect(connection);
        times.push_back(archive.LastStepGuiMs());
        // The minute commit comes every 30 steps (2 s apart).
        if (i % 30 == 29)
            StorageFixture::Writer().Commit();
    }
    std::sort(times.begin(), times.end());
    std::printf("GUI part of a step (%d region-days): median %.2f ms, max %.2f ms\n",
        int(RSlotArchive::RegionDaysPerStep), times[times.size() / 2], times.back());
    QElapsedTimer commit;
    commit.start();
    StorageFixture::Writer().Commit();
    std::printf("minute commit after 20 steps' deletes: %.2f ms\n", commit.nsecsElapsed() / 1e6);
    return 0;
}

int pages()
{
    const QStringList files = QDir(RSlotArchive::Directory())
                                  .entryList({QStringLiteral("MonthData-*.sqlite")}, QDir::Files);
    if (files.isEmpty()) {
        std::printf("no archive file: run 'year' first\n");
        return 1;
    }
    const QDate day
        = QDate::fromString(files.first().mid(10, 7) + QStringLiteral("-15"), "yyyy-MM-dd");
    std::printf("region %d, %s (archived)\n", kRegion, qPrintable(day.toString(Qt::ISODate)));
    QVector<float> samples;
    QVector<float> values(day.daysInMonth());
    QVector<float> fine;
    float fFineMax = 0.0f;
    std::printf("day chart     %8.2f ms\n",
        medianMs([&]() { PHistoryDoseStore::LoadRegionDay(kRegion, day, samples); }));
    std::printf("month chart   %8.2f ms\n", medianMs([&]() {
        PHistoryDoseStore::LoadMonthSums(
            QStringLiteral("MonthMinuteDose"), kRegion, day, 1800.0f, values);
    }));
    std::printf("fine zoom     %8.2f ms\n",
        medianMs([&]() { fFineMax = PHistoryDoseStore::LoadRegionFine(kRegion, day, 10, fine); }));
    QTemporaryDir out;
    bool bReport = true;
    std::printf("month report  %8.2f ms\n", medianMs([&]() {
        PMonthReport report(SBus::RegionList, kRegion, day);
        QString strError;
        bReport = bReport && report.Read(&strError) == PMonthReport::Status::Ok
            && report.Write(out.filePath(QStringLiteral("report.xlsx")), &strError);
    }));
    std::printf("fine zoom found readings: %s; report written: %s\n", fFineMax > 0 ? "yes" : "NO",
        bReport ? "yes" : "NO");
    return fFineMax > 0 && bReport ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList modes = {"year", "step", "pages"};
    if (args.size() < 3 || !modes.contains(args.at(1))) {
        std::printf("usage: bench_archive year|step|pages <site dir> [months]\n");
        return 2;
    }
    QDir::setCurrent(args.at(2));
    RConnectDatabase database(&StorageFixture::Writer());
    if (!database.OpenDatabase())
        return 1;
    const int nResult = args.at(1) == QLatin1String("year")
        ? year(args.size() > 3 ? args.at(3).toInt() : 12)
        : args.at(1) == QLatin1String("step") ? steps()
                                              : pages();
    StorageFixture::Writer().Commit();
    return nResult;
}
