// Start-up time of the client on a given site: from starting the program
// until it connects to the data server (our simulator, on the loopback port
// the site's settings name). Warm runs first read the whole file once; cold
// runs drop the page cache before each start (needs root; said when refused).
//
//   bench_startup <kestal> <site dir> [runs, 3] [cold]

#include "PSimDataServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

int sitePort(const QString& strFile)
{
    int nPort = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("b"));
        db.setDatabaseName(strFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select Port from SystemInfo where Unit_P = 0"))
                && query.next())
                nPort = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("b"));
    return nPort;
}

bool dropCaches()
{
    QProcess::execute(QStringLiteral("sync"), QStringList());
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2 && drop.flush();
}

void readWhole(const QString& strFile)
{
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.read(1 << 20).isEmpty()) { }
}

// Milliseconds until the client connects, -1 when it did not within 10 min.
qint64 oneStart(const QString& strProgram, const QString& strSite, PSimDataServer& server)
{
    QProcess client;
    client.setWorkingDirectory(strSite);
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    client.start(strProgram, QStringList());
    qint64 nMs = -1;
    while (timer.elapsed() < 600000 && client.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (server.ClientCount() > 0) {
            nMs = timer.elapsed();
            break;
        }
    }
    client.terminate();
    if (!client.waitForFinished(60000))
        client.kill();
    client.waitForFinished();
    // Let the server see the connection go before the next start.
    for (int i = 0; i < 50 && server.ClientCount() > 0; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return nMs;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        out << "usage: bench_startup <kestal> <site dir> [runs, 3] [cold]\n";
        return 2;
    }
    const QString strProgram = QFileInfo(args.at(1)).absoluteFilePath();
    const QString strSite = QFileInfo(args.at(2)).absoluteFilePath();
    const int nRuns = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 3;
    const bool bCold = args.size() > 4 && args.at(4) == QLatin1String("cold");
    const QString strFile = strSite + QStringLiteral("/DataBase.sqlite");
    const int nPort = sitePort(strFile);
    PSimDataServer server;
    server.SetRegions({PSimRegion {1, PSimRegion::Steady, 1000}});
    if (nPort <= 0 || !server.Listen(quint16(nPort))) {
        out << "cannot listen on the site's port " << nPort << "\n";
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    out << "file " << QFileInfo(strFile).size() / (1024 * 1024) << " MiB, "
        << (bCold ? "cold" : "warm") << " cache\n";
    QVector<qint64> times;
    for (int i = 0; i < nRuns; ++i) {
        if (bCold && !dropCaches()) {
            out << "cannot drop the page cache here (not root?)\n";
            return 1;
        }
        if (!bCold)
            readWhole(strFile);
        const qint64 nMs = oneStart(strProgram, strSite, server);
        out << "  start " << i + 1 << ": " << nMs << " ms until connected\n";
        out.flush();
        times << nMs;
    }
    std::sort(times.begin(), times.end());
    out << "median " << times.at(times.size() / 2) << " ms\n";
    return 0;
}
