// The web view at 255 regions reading every 2 s, with 50 browsers' worth of
// live event streams (and one that never reads): the station's CPU (the GUI
// thread and the web server's threads) without and with them, its resident
// memory, and the p99 from a frame's sending to its change at a viewer.
#include "BenchStation.h"
#include "station/RStation.h"
#include "web/RWebConfig.h"
#include "web/RWebServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <map>

namespace {

constexpr int Regions = 255;
constexpr int FirstId = 100;
constexpr int ViewerCount = 50;
QElapsedTimer s_clock;

qint64 processCpuNs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The viewers, on a thread of their own: each holds a stream open and
// reads it; the first one notes when each region's dose arrives.
class Viewers final : public QObject
{
public:
    Viewers(int nPort, QByteArray cookie)
        : m_nPort(nPort)
        , m_cookie(std::move(cookie))
    {
    }
    void Start()
    {
        for (int i = 0; i <= ViewerCount; ++i) {
            auto* pSocket = new QTcpSocket(this);
            // The last one never reads: its answers pile up in the kernel.
            if (i == ViewerCount)
                pSocket->setReadBufferSize(1);
            pSocket->connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
            connect(pSocket, &QTcpSocket::connected, pSocket, [this, pSocket] {
                pSocket->write(
                    "GET /api/events HTTP/1.1\r\nHost: x\r\nCookie: " + m_cookie + "\r\n\r\n");
            });
            if (i == ViewerCount)
                continue;
            connect(pSocket, &QTcpSocket::readyRead, this, [this, pSocket, i] {
                const QByteArray data = pSocket->readAll();
                m_nBytes += data.size();
                if (i == 0)
                    Note(data);
            });
        }
    }
    std::vector<std::tuple<int, double, qint64>> Take()
    {
        QMutexLocker lock(&m_mutex);
        std::vector<std::tuple<int, double, qint64>> seen;
        seen.swap(m_seen);
        return seen;
    }
    qint64 Bytes() const { return m_nBytes; }

private:
    void Note(const QByteArray& data)
    {
        const qint64 nNs = s_clock.nsecsElapsed();
        m_buffer += data;
        int nEnd = 0;
        while ((nEnd = m_buffer.indexOf("\n\n")) >= 0) {
            const QByteArray event = m_buffer.left(nEnd);
            m_buffer.remove(0, nEnd + 2);
            const int nData = event.indexOf("data: ");
            if (!event.startsWith("event: region") || nData < 0)
                continue;
            const QJsonObject object = QJsonDocument::fromJson(event.mid(nData + 6)).object();
            QMutexLocker lock(&m_mutex);
            m_seen.emplace_back(object.value("id").toInt(), object.value("dose").toDouble(), nNs);
        }
    }

    int m_nPort;
    QByteArray m_cookie;
    QByteArray m_buffer;
    QMutex m_mutex;
    std::vector<std::tuple<int, double, qint64>> m_seen;
    std::atomic<qint64> m_nBytes {0};
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    s_clock.start();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    PSimDataServer server;
    server.Listen();
    bench::MakeSite(server, Regions, FirstId);
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    RWebConfig config;
    config.bEnabled = true;
    config.server.nPort = probe.serverPort();
    probe.close();
    QString strError;
    config.Save(&strError);
    StorageFixture::Writer().Commit();

    RStation::Options options;
    options.bHeadless = true;
    options.strAuditKeyPath = dir.filePath("audit.key");
    RStation station(options);
    if (!station.Open(&strError)) {
        std::printf("station: %s\n", qPrintable(strError));
        return 1;
    }
    station.Start();
    // Logins go to the GUI thread: one viewer's session serves them all.
    station.Web()->SetLoginCheck(
        [](const QString&, const QString&, const QString&) {
            RWebServer::Login login;
            login.bOk = true;
            login.strAccount = QStringLiteral("viewer");
            return login;
        },
        {});
    bench::RunFor(3000);

    std::vector<qint64> sentNs;
    std::map<int, std::vector<std::pair<double, size_t>>> readings;
    qint64 nReadings = 0;
    bool bRecord = false;
    QObject::connect(&station, &RStation::ReadingStored, [&](const RStationReading& reading) {
        const size_t nTick = size_t(nReadings++ / Regions);
        if (bRecord && nTick < sentNs.size())
            readings[reading.nId].push_back(
                {QString::number(reading.fDose, 'g', 7).toDouble(), nTick});
    });
    QTimer ticker;
    ticker.setInterval(2000);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        sentNs.push_back(s_clock.nsecsElapsed());
        server.Tick();
    });
    nReadings = 0;
    ticker.start();
    const auto measure = [&](int nMs, double* pGui) {
        const qint64 nProcess = processCpuNs();
        const qint64 nGui = bench::threadCpuNs();
        const qint64 nWall = s_clock.nsecsElapsed();
        bench::RunFor(nMs);
        const double dWall = double(s_clock.nsecsElapsed() - nWall);
        *pGui = double(bench::threadCpuNs() - nGui) / dWall;
        return double(processCpuNs() - nProcess) / dWall;
    };
    bench::RunFor(2000);
    double dGuiAlone = 0.0;
    const qint64 nKbAlone = bench::ResidentKb();
    const double dAlone = measure(20000, &dGuiAlone);

    // The login by HTTP, as a browser would.
    QTcpSocket login;
    login.connectToHost(QHostAddress::LocalHost, quint16(config.server.nPort));
    login.waitForConnected(5000);
    const QByteArray body = R"({"name":"viewer","password":"any"})";
    login.write("POST /api/login HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                "Content-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray answer;
    for (int i = 0; i < 100 && !answer.contains("\r\n\r\n"); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        login.waitForReadyRead(50);
        answer += login.readAll();
    }
    const int nCookie = answer.indexOf("kestal_session=");
    const QByteArray cookie = answer.mid(nCookie, answer.indexOf(';', nCookie) - nCookie);

    QThread thread;
    Viewers viewers(config.server.nPort, cookie);
    viewers.moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(&viewers, [&] { viewers.Start(); });
    bench::RunFor(4000);
    viewers.Take();
    const size_t nFirstTick = sentNs.size();
    bRecord = true;
    double dGuiViewed = 0.0;
    // The viewers' own thread is in the process's figure: measured apart.
    const double dViewed = measure(30000, &dGuiViewed);
    bRecord = false;
    bench::RunFor(2000);
    const qint64 nKbViewed = bench::ResidentKb();
    std::map<int, std::vector<std::pair<double, qint64>>> seen;
    for (const auto& [nId, dDose, nNs] : viewers.Take())
        seen[nId].push_back({dDose, nNs});
    std::vector<double> latencyMs;
    qint64 nMissing = 0;
    for (const auto& [nId, list] : readings) {
        const auto& got = seen[nId];
        size_t nAt = 0;
        for (const auto& [dDose, nTick] : list) {
            if (nTick < nFirstTick)
                continue;
            while (nAt < got.size() && got[nAt].first != dDose)
                ++nAt;
            if (nAt == got.size()) {
                ++nMissing;
                nAt = 0;
                continue;
            }
            latencyMs.push_back(double(got[nAt].second - sentNs[nTick]) / 1e6);
        }
    }
    std::printf("%d regions, a reading of each every 2 s; %d viewers and one that never reads "
                "(%d streams open)\n",
        Regions, ViewerCount, station.Web()->StreamCount());
    std::printf("station CPU (all threads, the viewers' own included): %.2f %% of a core without "
                "viewers, %.2f %% with them\n",
        100 * dAlone, 100 * dViewed);
    std::printf("GUI thread: %.2f %% without, %.2f %% with\n", 100 * dGuiAlone, 100 * dGuiViewed);
    std::printf("resident: %lld kB without, %lld kB with (%lld kB more)\n", nKbAlone, nKbViewed,
        nKbViewed - nKbAlone);
    std::printf("frame sent -> change at a viewer: p50 %.2f ms, p99 %.2f ms, worst %.2f ms (%zu "
                "matched, %lld not seen)\n",
        bench::percentile(latencyMs, 0.5), bench::percentile(latencyMs, 0.99),
        bench::percentile(latencyMs, 1.0), latencyMs.size(), nMissing);
    QMetaObject::invokeMethod(&viewers, [&] {
        qDeleteAll(viewers.children());
        thread.quit();
    });
    thread.wait();
    ticker.stop();
    station.Stop(QStringLiteral("exit"));
    return 0;
}
