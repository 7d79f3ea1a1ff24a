// The main window under a flood of readings: a peer on 127.0.0.1 sends reading
// frames as fast as the socket takes them. For each load this reports the
// peak memory, the longest gap between two paints of the window, the time
// from SIGTERM to the end of the shut-down, and whether every reading stored
// before the signal is in the file afterwards.
//
// Each load runs in a child process of its own (so peak memory is its own):
//   ordinary   five monitors, one reading each per second
//   flood      readings as fast as loopback allows
//   unbounded  the same flood with the decoder's post limit lifted
//
//   bench_flood [seconds per load, default 20]
#include "Kestal.h"
#include "PQuitOnSignal.h"
#include "algor/PDoseProcThread.h"
#include "algor/PDoseThread.h"
#include "database/RConnectDatabase.h"
#include "preset/SPresetObject.h"

#include "PSimFrames.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int Monitors = 5;
constexpr quint32 Raw = 1000;

// The data server's side, on a thread of its own so that it never waits for
// the window's event loop.
class Peer final : public QThread
{
public:
    explicit Peer(bool bFlood)
        : m_bFlood(bFlood)
    {
    }

    quint16 Listen()
    {
        start();
        m_ready.acquire();
        return m_nPort;
    }
    void Finish()
    {
        m_bStop = true;
        wait();
    }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_nPort = server.serverPort();
        m_ready.release();

        QByteArray chunk;
        for (quint8 nCounter = 0; chunk.size() < 64 * 1024; ++nCounter)
            chunk += PSimFrames::Reading(nCounter, quint16(1 + nCounter % Monitors), Raw);
        QByteArray second;
        for (int nId = 1; nId <= Monitors; ++nId)
            second += PSimFrames::Reading(0, quint16(nId), Raw);

        QTcpSocket* pSocket = nullptr;
        QElapsedTimer clock;
        clock.start();
        qint64 nNextSecond = 0;
        while (!m_bStop) {
            if (!pSocket || pSocket->state() != QAbstractSocket::ConnectedState) {
                delete pSocket;
                pSocket
                    = server.waitForNewConnection(100) ? server.nextPendingConnection() : nullptr;
                continue;
            }
            pSocket->readAll(); // commands from the client are not answered
            if (m_bFlood) {
                if (pSocket->bytesToWrite() < 256 * 1024)
                    pSocket->write(chunk);
                pSocket->waitForBytesWritten(20);
            } else if (clock.elapsed() >= nNextSecond) {
                nNextSecond += 1000;
                pSocket->write(second);
                pSocket->waitForBytesWritten(100);
            } else {
                pSocket->waitForReadyRead(20);
            }
        }
        delete pSocket;
    }

private:
    const bool m_bFlood;
    std::atomic<bool> m_bStop {false};
    QSemaphore m_ready;
    quint16 m_nPort = 0;
};

void prepareSite(quint16 nPort)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "site");
        db.setDatabaseName(QStringLiteral("DataBase.sqlite"));
        db.open();
        QSqlQuery query(db);
        for (const QString& strSql : RConnectDatabase::TableStatements())
            query.exec(strSql);
        for (int nId = 1; nId <= Monitors; ++nId) {
            query.exec(QStringLiteral("insert into RegionInfo(Sub, Id, Name, Num) values(%1, %1, "
                                      "'Room %1', %2)")
                           .arg(nId)
                           .arg(Monitors));
            query.exec(QStringLiteral("insert into RegionCurveColorInfo(Id) values(%1)").arg(nId));
        }
        query.exec(QStringLiteral("insert into SystemInfo(IP, Port, Unit_P) values('127.0.0.1', "
                                  "%1, 0)")
                       .arg(nPort));
    }
    QSqlDatabase::removeDatabase("site");
}

// Readings stored so far: every reading adds its dose to its hour's sum.
qint64 storedReadings(const QString& strConnection)
{
    QSqlQuery query(QSqlDatabase::database(strConnection));
    query.exec(QStringLiteral("select (select sum(Sum) from MonthData), Ceff_R from SystemInfo"));
    if (!query.next() || query.value(1).toDouble() <= 0)
        return 0;
    return qRound64(query.value(0).toDouble() / (Raw * query.value(1).toDouble() * 100.0));
}

long peakMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

int runLoad(const QString& strMode, int nSeconds, int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir site;
    QDir::setCurrent(site.path());
    SPresetObject::SetDirectories(site.filePath("factory"), site.filePath("local"));

    Peer peer(strMode != QLatin1String("ordinary"));
    prepareSite(peer.Listen());

    PQuitOnSignal quitOnSignal;
    auto* pWindow = new Kestal;
    pWindow->SetExitConfirmation([]() { return true; });
    pWindow->resize(1280, 800);
    pWindow->show();
    if (strMode == QLatin1String("unbounded"))
        pWindow->DoseThread()->ProcThread()->SetPostLimit(1 << 30);

    // Paints of the window, measured after two seconds of warm-up until the
    // signal; a timer asks for one every 100 ms whatever the readings do.
    QElapsedTimer clock;
    clock.start();
    qint64 nLastPaint = -1;
    qint64 nMaxGap = 0;
    bool bMeasuring = true;
    struct PaintWatch : QObject
    {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* pEvent) override
        {
            if (pEvent->type() == QEvent::Paint)
                onPaint();
            return false;
        }
    } watch;
    watch.onPaint = [&]() {
        const qint64 nNow = clock.elapsed();
        if (bMeasuring && nNow > 2000 && nLastPaint >= 0)
            nMaxGap = qMax(nMaxGap, nNow - nLastPaint);
        nLastPaint = nNow;
    };
    pWindow->installEventFilter(&watch);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, pWindow, [pWindow]() { pWindow->update(); });
    repaint.start(100);

    qint64 nStoredAtSignal = 0;
    QElapsedTimer stopClock;
    QTimer::singleShot(nSeconds * 1000, [&]() {
        bMeasuring = false;
        nStoredAtSignal = storedReadings(QSqlDatabase::defaultConnection);
        stopClock.start();
        ::kill(::getpid(), SIGTERM);
    });
    app.exec();
    const qint64 nQuitMs = stopClock.elapsed();
    delete pWindow;
    const qint64 nStopMs = stopClock.elapsed();
    peer.Finish();

    qint64 nStoredAfter = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
        db.setDatabaseName(site.filePath("DataBase.sqlite"));
        db.open();
        nStoredAfter = storedReadings("check");
    }
    QSqlDatabase::removeDatabase("check");
    printf("peak_mb=%ld max_paint_gap_ms=%lld quit_ms=%lld stop_ms=%lld stored_at_signal=%lld "
           "stored_after=%lld\n",
        peakMegabytes(), nMaxGap, nQuitMs, nStopMs, nStoredAtSignal, nStoredAfter);
    return 0;
}

QMap<QString, QString> parse(const QByteArray& line)
{
    QMap<QString, QString> values;
    for (const QByteArray& pair : line.trimmed().split(' ')) {
        const int nEq = pair.indexOf('=');
        if (nEq > 0)
            values.insert(
                QString::fromLatin1(pair.left(nEq)), QString::fromLatin1(pair.mid(nEq + 1)));
    }
    return values;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && QByteArray(argv[1]).startsWith("--load="))
        return runLoad(QString::fromLatin1(argv[1] + 7), atoi(argv[2]), argc, argv);

    const int nSeconds = argc >= 2 ? qMax(5, atoi(argv[1])) : 20;
    printf("%d s per load, 5 monitors; figures of one run\n", nSeconds);
    printf("%-10s %8s %14s %9s %9s %16s %13s\n", "load", "peak MB", "max paint gap", "quit ms",
        "stop ms", "stored at SIGTERM", "stored after");
    for (const char* pMode : {"ordinary", "flood", "unbounded"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QString::fromLocal8Bit(argv[0]),
            {QStringLiteral("--load=%1").arg(QLatin1String(pMode)), QString::number(nSeconds)});
        // A child that does not stop within a minute of its signal is killed.
        const bool bEnded = child.waitForFinished((nSeconds + 60) * 1000);
        if (!bEnded) {
            child.kill();
            child.waitForFinished();
        }
        QByteArray last;
        for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
            if (line.startsWith("peak_mb="))
                last = line;
        const auto v = parse(last);
        if (!bEnded || v.isEmpty()) {
            printf("%-10s did not end within 60 s of its signal\n", pMode);
            continue;
        }
        printf("%-10s %8s %11s ms %9s %9s %16s %13s\n", pMode, qPrintable(v["peak_mb"]),
            qPrintable(v["max_paint_gap_ms"]), qPrintable(v["quit_ms"]), qPrintable(v["stop_ms"]),
            qPrintable(v["stored_at_signal"]), qPrintable(v["stored_after"]));
    }
    return 0;
}
