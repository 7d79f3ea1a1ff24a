// Feeds the region page the way the aggregator does (one synchronous bus
// message per reading, on the GUI thread) and reports the share of wall time
// the GUI thread spends busy: handling readings, updating the model and the
// views, painting. 255 monitors, one reading every 2 s each.

#include "StorageFixture.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "history/RDoseRatioDiagram.h"
#include "message/SBus.h"
#include "message/SClock.h"
#include "message/SMessage.h"
#include "realtime/RFormRegion.h"
#include "realtime/RGroupBox.h"
#include "realtime/RRealRateCurve.h"
#include "realtime/RRegionDoseModel.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTime>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

const int kMonitors = 255;
const int kPeriodMs = 2000;

qint64 threadCpuNs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void seed()
{
    PSqlExec::Exec(QStringLiteral("insert into SystemInfo(IP, Unit_P) values('127.0.0.1', 0)"));
    for (int i = 0; i < kMonitors; ++i) {
        const int nId = 100 + i;
        PSqlExec::Exec(
            QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values(?, ?, ?, ?)"),
            {i + 1, nId, QStringLiteral("Room %1").arg(nId), kMonitors});
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo(Id, Alarmvalue) values(?, ?)"),
            {nId, 150});
        // A day row per region, as the aggregator keeps them, for the minute tick.
        PSqlExec::Exec(QStringLiteral("insert into MonthMinuteDose(Id, Month) values(?, ?)"),
            {nId, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))});
    }
    // Some history in their own colours for the first regions' day curves.
    const QColor colours[] = {
        Qt::cyan, Qt::magenta, Qt::yellow, QColor(255, 140, 0), QColor(120, 160, 255), Qt::white};
    const int nNow = QTime::currentTime().hour() * 60 + QTime::currentTime().minute();
    for (int i = 0; i < 6; ++i) {
        QString strSet;
        for (int m = 0; m <= nNow; ++m) {
            strSet += QStringLiteral("%1\"%2\" = %3")
                          .arg(strSet.isEmpty() ? "" : ", ")
                          .arg(m)
                          .arg(20 + 15 * i + 10 * std::sin((m + 40 * i) / 60.0));
        }
        PSqlExec::Exec(
            QStringLiteral("update MonthMinuteDose set %1 where Id = %2").arg(strSet).arg(100 + i));
        PSqlExec::Exec(QStringLiteral("update RegionCurveColorInfo set R_Color = ?, G_Color = ?, "
                                      "B_Color = ? where Id = ?"),
            {colours[i].red(), colours[i].green(), colours[i].blue(), 100 + i});
    }
}

// Runs the feed for nSeconds and returns the GUI thread's busy fraction.
double run(bool bBurst, int nSeconds, double* pHandler)
{
    QRandomGenerator random(7);
    int nNext = 0;
    QTimer feed;
    qint64 nHandlerNs = 0;
    auto send = [&] {
        float dose = static_cast<float>(random.bounded(200.0));
        const qint64 nStart = threadCpuNs();
        SendSMessage(
            SBus::RegionPage, SBus::RegionReading, 100 + nNext, reinterpret_cast<qintptr>(&dose));
        nHandlerNs += threadCpuNs() - nStart;
        nNext = (nNext + 1) % kMonitors;
    };
    if (bBurst) {
        // Every monitor's reading of a 2-second slot arrives at once.
        feed.setInterval(kPeriodMs);
        QObject::connect(&feed, &QTimer::timeout, [&] {
            for (int i = 0; i < kMonitors; ++i)
                send();
        });
    } else {
        feed.setTimerType(Qt::PreciseTimer);
        feed.setInterval(kPeriodMs / kMonitors);
        QObject::connect(&feed, &QTimer::timeout, send);
    }
    QEventLoop loop;
    QTimer::singleShot(nSeconds * 1000, &loop, &QEventLoop::quit);
    feed.start();
    QElapsedTimer wall;
    wall.start();
    const qint64 nCpuStart = threadCpuNs();
    loop.exec();
    const double dBusy = double(threadCpuNs() - nCpuStart) / (double(wall.nsecsElapsed()));
    feed.stop();
    *pHandler = double(nHandlerNs) / double(wall.nsecsElapsed());
    return dBusy;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The page as the program shows it, under its style sheet when given.
    if (argc > 3) {
        QFile qss(QString::fromLocal8Bit(argv[3]));
        if (qss.open(QIODevice::ReadOnly))
            app.setStyleSheet(QString::fromUtf8(qss.readAll()));
    }
    const int nSeconds = argc > 1 ? qMax(1, atoi(argv[1])) : 10;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    RConnectDatabase database(&StorageFixture::Writer());
    database.OpenDatabase();
    QSqlDatabase::database().transaction();
    seed();
    StorageFixture::Catalogue().Reload();

    // The page is built yesterday, so that its first tick today is a day
    // change; later ticks fall within the day.
    SManualClock clock(QDateTime(QDate::currentDate().addDays(-1), QTime(23, 59)));
    RFormRegion form(&StorageFixture::Catalogue(), nullptr, &clock);
    clock.Set(QDateTime(QDate::currentDate(), QTime(12, 0)));
    form.resize(1600, 900);
    form.show();
    app.processEvents();
    // The day curves load in slices after the page is built; the load is
    // measured on the page as it then runs, not on its start.
    while (form.PendingCurves() > 0)
        app.processEvents();

    for (bool bCoalesce : {true, false}) {
        form.Model()->SetCoalesceUpdates(bCoalesce);
        form.Gauge()->SetRepaintInterval(bCoalesce ? RGroupBox::kRepaintMs : 0);
        for (bool bBurst : {false, true}) {
            double dHandler = 0;
            const double dBusy = run(bBurst, nSeconds, &dHandler);
            std::printf("%-16s %-9s %.1f readings/s: GUI thread busy %5.1f%% (reading "
                        "handler %4.1f%%, views and painting %4.1f%%)\n",
                bBurst ? "burst every 2 s" : "spread over 2 s",
                bCoalesce ? "coalesced" : "immediate", double(kMonitors) * 1000 / kPeriodMs,
                100 * dBusy, 100 * dHandler, 100 * (dBusy - dHandler));
        }
    }

    // A minute tick on a new day reloads every region's day curve from the
    // database, a slice of curves per event-loop pass (before, every tick
    // did); within a day a tick reads only the latest minutes of all curves
    // in one query. GUI-thread time of each, and the longest pass, which is
    // what an operator would feel as a stall.
    QElapsedTimer tick;
    for (const char* pWhat : {"day change", "within the day"}) {
        const qint64 nCpuStart = threadCpuNs();
        tick.start();
        SendSMessage(SBus::RegionPage, SBus::MinuteTick, 0, 0);
        qint64 nLongestNs = tick.nsecsElapsed();
        while (form.PendingCurves() > 0) {
            QElapsedTimer pass;
            pass.start();
            app.processEvents();
            nLongestNs = qMax(nLongestNs, pass.nsecsElapsed());
        }
        std::printf("minute tick, %-14s (%d day curves): GUI thread %.1f ms in all, longest pass "
                    "%.1f ms\n",
            pWhat, kMonitors, (threadCpuNs() - nCpuStart) / 1e6, nLongestNs / 1e6);
        clock.Advance(60000);
    }

    tick.restart();
    form.Curve()->Diagram()->repaint();
    std::printf("  one repaint of the day curve: %.1f ms\n", tick.nsecsElapsed() / 1e6);

    if (argc > 2) {
        // A picture of the page as the operator sees it: after a reload two
        // monitors stay silent (off line) and two read above their alarm
        // threshold of 150 µRad/h.
        form.InitRegions();
        for (int i = 0; i < kMonitors; ++i) {
            if (i == 3 || i == 7)
                continue;
            float dose = (i == 2 || i == 9) ? 480.0f + i : 3.0f * (i % 40) + 0.05f * i;
            SendSMessage(
                SBus::RegionPage, SBus::RegionReading, 100 + i, reinterpret_cast<qintptr>(&dose));
        }
        form.Gauge()->SetRepaintInterval(0);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            app.processEvents();
        form.grab().save(QString::fromLocal8Bit(argv[2]));
    }

    // What the tick costs in the database alone: one day row per region.
    tick.restart();
    const QString strToday = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    double dSum = 0;
    for (int i = 0; i < kMonitors; ++i) {
        QSqlQuery query = PSqlExec::Select(
            QStringLiteral("select *  from MonthMinuteDose where Month = '%1' and Id = %2")
                .arg(strToday)
                .arg(100 + i));
        if (query.next()) {
            for (int c = 3; c < 1443; ++c)
                dSum += query.value(c).toDouble();
        }
    }
    std::printf("  the same rows read directly: %.1f ms for %d (%g)\n", tick.nsecsElapsed() / 1e6,
        kMonitors, dSum);
    return 0;
}
