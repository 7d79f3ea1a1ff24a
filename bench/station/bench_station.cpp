// The reading road through the station without a window, 255 regions:
// simulator frame on loopback -> link -> decoder -> bus -> aggregator (the
// stored slot) -> the station's typed signal. Prints the latency from the
// frame's sending to the signal (p50, p99, worst) and the GUI thread's CPU
// share at the real rate (a reading of each region every 2 s).
#include "BenchStation.h"
#include "station/RStation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int Regions = 255;
constexpr int FirstId = 100;
constexpr int Ticks = 150;
// Faster than the devices, so a run is short; the share is scaled back.
constexpr int TickMs = 500;

} // namespace

using bench::percentile;
using bench::threadCpuNs;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    PSimDataServer server;
    server.Listen();
    bench::MakeSite(server, Regions, FirstId);

    RStation::Options options;
    options.bHeadless = true;
    options.strAuditKeyPath = dir.filePath("audit.key");
    RStation station(options);
    QString strError;
    if (!station.Open(&strError)) {
        std::printf("station: %s\n", qPrintable(strError));
        return 1;
    }
    station.Start();
    QElapsedTimer wait;
    wait.start();
    while (server.ClientCount() == 0 && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> sentNs;
    std::vector<double> latencyMs;
    qint64 nReadings = 0;
    QObject::connect(&station, &RStation::ReadingStored, [&](const RStationReading&) {
        const size_t nTick = size_t(nReadings / Regions);
        if (nTick < sentNs.size())
            latencyMs.push_back(double(clock.nsecsElapsed() - sentNs[nTick]) / 1e6);
        ++nReadings;
    });
    QTimer ticker;
    ticker.setInterval(TickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&]() {
        if (int(sentNs.size()) == Ticks) {
            ticker.stop();
            return;
        }
        sentNs.push_back(clock.nsecsElapsed());
        server.Tick();
    });
    const qint64 nCpuStart = threadCpuNs();
    const qint64 nWallStart = clock.nsecsElapsed();
    ticker.start();
    // Sleeps while no event is due: a spinning loop would be counted as work.
    QTimer wake;
    wake.start(50);
    while (nReadings < qint64(Ticks) * Regions && clock.elapsed() < Ticks * TickMs + 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double dCpuShare = double(threadCpuNs() - nCpuStart)
        / double(clock.nsecsElapsed() - nWallStart) * (double(TickMs) / 2000.0);
    std::printf("%d regions, %lld of %d readings through the station (a tick every %d ms)\n",
        Regions, nReadings, Ticks * Regions, TickMs);
    std::printf("frame sent -> stored slot and typed signal: p50 %.2f ms, p99 %.2f ms, worst "
                "%.2f ms\n",
        percentile(latencyMs, 0.50), percentile(latencyMs, 0.99), percentile(latencyMs, 1.0));
    std::printf("GUI thread CPU share at a reading every 2 s: %.1f %%\n", 100.0 * dCpuShare);
    return 0;
}
