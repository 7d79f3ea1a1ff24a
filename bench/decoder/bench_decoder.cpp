// Decoder throughput: a mixed stream (mostly reading frames, some four-value,
// short, routing, target-dose and block frames, and garbage) goes through the
// packet buffer and the decoder into counting receivers on the bus.
//   1. decode: the decoder drains a full buffer on one thread;
//   2. live: a writer thread stores 2280-byte rounds and wakes the running
//      decoder thread, the main thread receives, as in the program.
#include "algor/PDataBuffer.h"
#include "algor/PDoseProcThread.h"
#include "database/RConnectDatabase.h"
#include "message/SMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

class Counter final : public QObject
{
public:
    explicit Counter(int nId) { RegisterReceiver(this, nId); }

    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() < QEvent::Type(1000))
            return QObject::event(pEvent);
        ++m_nCount;
        return true;
    }

    qint64 m_nCount = 0;
};

void seal(Bytes& out, size_t nFrameStart, size_t nFirst)
{
    unsigned char n = 0;
    for (size_t i = nFrameStart + nFirst; i < out.size(); ++i)
        n ^= out[i];
    out.push_back(n);
}

void put(Bytes& out, quint32 nValue, int nBytes)
{
    for (int i = nBytes - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>(nValue >> (8 * i)));
}

struct Stream
{
    Bytes bytes;
    qint64 nReadingFrames = 0;
    qint64 nFrames = 0;
    qint64 nMessages = 0; // bus messages to 1000 and 1008
};

// One round of 1000 frames: 940 reading, 40 four-value, 10 short readings,
// 4 threshold notices, 2 routing, 2 target-dose, 2 block frames; garbage
// every 50 frames.
Stream makeStream(size_t nMaxBytes)
{
    Stream s;
    quint32 nTick = 0;
    while (s.bytes.size() + 64 < nMaxBytes) {
        const int nKind = int(nTick % 1000);
        ++nTick;
        ++s.nFrames;
        if (nTick % 50 == 0) {
            for (unsigned char g : {0x13, 0x00, 0x7E})
                s.bytes.push_back(g);
        }
        const size_t nStart = s.bytes.size();
        if (nKind < 940) {
            s.bytes.insert(s.bytes.end(), {0xFF, 0x02, static_cast<unsigned char>(nTick)});
            put(s.bytes, nTick % 4000, 2);
            put(s.bytes, nTick * 37 % 0xFFFFFF, 3);
            seal(s.bytes, nStart, 1);
            ++s.nReadingFrames;
            ++s.nMessages;
        } else if (nKind < 980) {
            s.bytes.insert(s.bytes.end(), {0xFF, 0x03, 0x00});
            put(s.bytes, nTick % 900, 2);
            for (int k = 0; k < 4; ++k)
                put(s.bytes, nTick + quint32(k), 3);
            seal(s.bytes, nStart, 1);
            s.nMessages += 4;
        } else if (nKind < 994) {
            s.bytes.insert(s.bytes.end(),
                {0xFF, static_cast<unsigned char>(nKind < 990 ? 0x04 : 0x01),
                    static_cast<unsigned char>(nTick)});
            put(s.bytes, nTick, 3);
            seal(s.bytes, nStart, 1);
            ++s.nMessages;
        } else if (nKind < 996) {
            const quint32 nMinute = (nTick / 1000) % 60;
            s.bytes.insert(s.bytes.end(),
                {0xFF, 0x0A, 5, 2, 0x26, 0x12, 0x05, 0x14,
                    static_cast<unsigned char>((nMinute / 10) << 4 | (nMinute % 10))});
            put(s.bytes, nTick, 3);
            seal(s.bytes, nStart, 2);
        } else if (nKind < 998) {
            s.bytes.insert(s.bytes.end(), {0xFF, 0x21});
            put(s.bytes, nTick, 4);
            s.bytes.insert(s.bytes.end(), {1, 0, 0, 0, 2});
            for (int k = 0; k < 8; ++k)
                put(s.bytes, nTick, 3);
            seal(s.bytes, nStart, 2);
        } else {
            s.bytes.insert(s.bytes.end(), {0xFF, 0x1D});
            put(s.bytes, nTick, 4);
            s.bytes.push_back(1);
            for (int k = 0; k < 8; ++k)
                put(s.bytes, nTick, 3);
            seal(s.bytes, nStart, 2);
        }
    }
    return s;
}

void report(const char* pWhat, const Stream& s, qint64 nNs)
{
    const double dSeconds = double(nNs) / 1e9;
    printf("%-8s %8.3f s  %12.0f reading frames/s  %12.0f frames/s  %8.1f MB/s\n", pWhat, dSeconds,
        double(s.nReadingFrames) / dSeconds, double(s.nFrames) / dSeconds,
        double(s.bytes.size()) / dSeconds / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());
    RConnectDatabase connect;
    connect.OpenDatabase();
    QSqlDatabase::database().transaction();

    Counter main(1000);
    Counter page(1008);
    const int nRounds = argc > 1 ? atoi(argv[1]) : 5;
    const Stream stream = makeStream(0x500000);
    printf("stream: %zu bytes, %lld frames (%lld reading frames), %d rounds\n", stream.bytes.size(),
        static_cast<long long>(stream.nFrames), static_cast<long long>(stream.nReadingFrames),
        nRounds);

    PDataBuffer buffer;
    buffer.Init(1, 0x500000);
    PDoseProcThread decoder(&buffer);
    decoder.SetExtendedProtocol(true);

    qint64 nBestNs = -1;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        buffer.Write(stream.bytes.data(), unsigned(stream.bytes.size()));
        // Decoded on a worker, as in the program: routing rows are written by
        // the main thread afterwards, not counted here.
        qint64 nNs = 0;
        QThread* pWorker = QThread::create([&]() {
            QElapsedTimer timer;
            timer.start();
            decoder.DecodeAvailable();
            nNs = timer.nsecsElapsed();
        });
        pWorker->start();
        pWorker->wait();
        delete pWorker;
        if (nBestNs < 0 || nNs < nBestNs)
            nBestNs = nNs;
        QCoreApplication::sendPostedEvents();
    }
    report("decode", stream, nBestNs);
    const qint64 nExpected = stream.nMessages * nRounds;
    if (main.m_nCount + page.m_nCount != nExpected) {
        printf("lost messages: %lld of %lld\n",
            static_cast<long long>(nExpected - main.m_nCount - page.m_nCount),
            static_cast<long long>(nExpected));
        return 1;
    }

    // Live: 2280-byte rounds and a wake after each, the receiver on this thread.
    main.m_nCount = page.m_nCount = 0;
    decoder.Start();
    QElapsedTimer timer;
    timer.start();
    QThread* pWriter = QThread::create([&]() {
        const size_t nTotal = stream.bytes.size();
        for (size_t nPos = 0; nPos < nTotal;) {
            const unsigned nNum = unsigned(qMin<size_t>(2280, nTotal - nPos));
            if (buffer.Write(stream.bytes.data() + nPos, nNum)) {
                nPos += nNum;
                decoder.Wake();
            } else {
                QThread::yieldCurrentThread();
            }
        }
    });
    pWriter->start();
    while (main.m_nCount + page.m_nCount < stream.nMessages)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const qint64 nLiveNs = timer.nsecsElapsed();
    pWriter->wait();
    delete pWriter;
    decoder.Stop();
    report("live", stream, nLiveNs);

    QSqlDatabase::database().commit();
    QDir::setCurrent(strOld);
    return 0;
}
