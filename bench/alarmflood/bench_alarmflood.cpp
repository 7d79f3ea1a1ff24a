// 255 regions whose readings alternate across their alarm thresholds at
// every 2 s reading, fed to the region model and the alarm state as the
// program wires them, on a manual clock: the journal rows written per
// minute, before (the old rule: raised at once, no deadband, no chattering)
// and after (the defaults), and the wall time the alarm handling takes per
// reading.
//
//   bench_alarmflood [minutes, default 10]

#include "StorageFixture.h"
#include "database/PSqlExec.h"
#include "database/RAlarmFilterStore.h"
#include "database/RAlarmJournal.h"
#include "database/RConnectDatabase.h"
#include "database/RRegionCatalogue.h"
#include "database/RStorageState.h"
#include "database/RStorageWriter.h"
#include "message/SClock.h"
#include "realtime/PAlarmCue.h"
#include "realtime/RAlarmState.h"
#include "realtime/RRegionWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>

#include <cstdio>

namespace {

const int kMonitors = 255;
const int kPeriodMs = 2000;
const int kThreshold = 1000;

struct Load
{
    const char* pName;
    float fHigh;
    float fLow;
    bool bOldRule;
};

void openDatabase()
{
    QSqlDatabase db = QSqlDatabase::contains(QLatin1String(QSqlDatabase::defaultConnection))
        ? QSqlDatabase::database()
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.close();
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    // The journal writes through the storage writer, which holds the old file's state.
    StorageFixture::Writer().State().Reset();
    StorageFixture::Writer().Reset();
    for (const QString& strStatement : RConnectDatabase::TableStatements())
        PSqlExec::Exec(strStatement);
    for (const QString& strStatement : RConnectDatabase::AddedTableStatements())
        PSqlExec::Exec(strStatement);
    for (int i = 0; i < kMonitors; ++i) {
        PSqlExec::Exec(
            QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values(?, ?, ?, ?)"),
            {i + 1, i + 1, QStringLiteral("Room %1").arg(i + 1), kMonitors});
        PSqlExec::Exec(
            QStringLiteral("insert into RegionCurveColorInfo(Id, Alarmvalue) values(?, ?)"),
            {i + 1, kThreshold});
    }
    StorageFixture::Catalogue().Reload();
}

void run(const Load& load, int nMinutes)
{
    openDatabase();
    if (load.bOldRule) {
        RAlarmFilterSettings old;
        old.dDeadband = 0.0;
        RAlarmFilterStore::StoreAll(StorageFixture::Catalogue(), old);
    }
    SManualClock clock(QDateTime(QDate(2026, 3, 7), QTime(10, 0)));
    RAlarmJournal journal(&StorageFixture::Writer(), &clock);
    RAlarmState state(&journal, nullptr, &clock);
    if (load.bOldRule)
        state.SetChatterLimit(0);
    RRegionWatch watch(&StorageFixture::Catalogue(), &clock);
    watch.Reload({});
    PAlarmCue cue;
    int nPlays = 0;
    cue.SetPlayer([&nPlays]() { ++nPlays; });
    cue.SetAlarmState(&state);
    QObject::connect(&watch, &RRegionWatch::AlarmChanged, &state, &RAlarmState::OnAlarmChanged);
    QObject::connect(&state, &RAlarmState::NewAlarm, &cue, &PAlarmCue::OnNewAlarm);

    QVector<int> rowsPerMinute;
    int nRowsBefore = 0;
    QElapsedTimer wall;
    qint64 nBusyNs = 0;
    const int nPeriods = nMinutes * 60000 / kPeriodMs;
    for (int nPeriod = 0; nPeriod < nPeriods; ++nPeriod) {
        clock.Advance(kPeriodMs);
        const float fDose = nPeriod % 2 == 0 ? load.fHigh : load.fLow;
        wall.start();
        for (int nId = 1; nId <= kMonitors; ++nId)
            watch.Feed(nId, fDose);
        state.Poll();
        nBusyNs += wall.nsecsElapsed();
        if ((nPeriod + 1) % (60000 / kPeriodMs) == 0) {
            const int nRows
                = PSqlExec::Scalar(QStringLiteral("select count(*) from AlarmJournal")).toInt();
            rowsPerMinute << nRows - nRowsBefore;
            nRowsBefore = nRows;
        }
    }
    std::printf("%-44s", load.pName);
    for (int nRows : qAsConst(rowsPerMinute))
        std::printf(" %5d", nRows);
    const double dSteady = rowsPerMinute.size() > 1
        ? double(nRowsBefore - rowsPerMinute.first()) / (rowsPerMinute.size() - 1)
        : 0.0;
    std::printf("\n%-44s total %d rows, %.1f rows/min after the first minute, %d sounds, "
                "%.1f µs per reading\n",
        "", nRowsBefore, dSteady, nPlays,
        double(nBusyNs) / 1000.0 / (double(nPeriods) * kMonitors));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int nMinutes = argc > 1 ? qMax(2, QString::fromLocal8Bit(argv[1]).toInt()) : 10;
    std::printf("%d regions, threshold %d µRad/h, a reading each every %d s; journal rows in "
                "each minute:\n",
        kMonitors, kThreshold, kPeriodMs / 1000);
    const Load loads[] = {
        {"before: 1100/900, old rule", 1100.0f, 900.0f, true},
        {"before: 1020/980, old rule", 1020.0f, 980.0f, true},
        {"after: 1100/900, defaults (chattering)", 1100.0f, 900.0f, false},
        {"after: 1020/980, defaults (deadband holds)", 1020.0f, 980.0f, false},
    };
    for (const Load& load : loads)
        run(load, nMinutes);
    return 0;
}
