#pragma once

// What the station's benches share: a site of many regions fed by the
// simulator, and the clocks they read.

#include "StorageFixture.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"

#include "PSimDataServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <ctime>
#include <functional>
#include <vector>

namespace bench {

inline qint64 threadCpuNs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

inline double percentile(std::vector<double> values, double dShare)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = std::min(values.size() - 1, size_t(dShare * double(values.size())));
    return values[n];
}

// Waits in the event loop, not in a spin: a spinning loop would be counted
// as work.
inline void RunFor(qint64 nMs, const std::function<bool()>& done = {})
{
    QElapsedTimer timer;
    timer.start();
    QTimer wake;
    wake.start(50);
    while (timer.elapsed() < nMs && !(done && done()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

inline qint64 ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// DataBase.sqlite in the working directory with nRegions regions from
// nFirstId, none of them near its threshold, served by server. The file
// stays open on the default connection, for settings written before the
// station opens it.
inline void MakeSite(PSimDataServer& server, int nRegions, int nFirstId)
{
    QVector<PSimRegion> regions;
    RConnectDatabase connect(&StorageFixture::Writer());
    connect.OpenDatabase();
    PSqlExec::Exec("insert into SystemInfo(IP, Port, Unit_P, Ceff_R) values('127.0.0.1', ?, "
                   "0, 0.0056)",
        {server.Port()});
    for (int i = 0; i < nRegions; ++i) {
        PSqlExec::Exec("insert into RegionInfo(Sub, Id, Num) values(?, ?, ?)",
            {i + 1, nFirstId + i, nRegions});
        PSqlExec::Exec(
            "insert into RegionCurveColorInfo(Id, Alarmvalue) values(?, 100000)", {nFirstId + i});
        regions.append({nFirstId + i, PSimRegion::Noisy, quint32(1000 + i)});
    }
    StorageFixture::Writer().Commit();
    server.SetRegions(regions);
}

} // namespace bench
