#pragma once

// What the station's benches share: a site of many regions fed by the
// simulator, and the clocks they read.

#include "StorageFixture.h"
#include "database/PSqlExec.h"
#include "database/RConnectDatabase.h"

#include "PSimDataServer.h"

#include <QVector>

#include <algorithm>
#include <ctime>
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
