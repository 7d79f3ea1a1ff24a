// Decoder throughput on a mixed stream (mostly reading frames, some
// four-value, short, routing, target-dose and block frames, and garbage), as
// ratios to a bare byte loop over the same stream in the same run:
//   1. bare: a loop that reads every byte once, finding frame starts and
//      XOR-ing each frame, and decodes nothing;
//   2. plain: the frame decoder alone, fed 2280-byte pieces (the link's
//      rounds), into a sink that counts;
//   3. thread: a writer thread stores the rounds in the packet buffer and wakes
//      the decoding thread, which posts to receivers on the main thread that
//      only count, as in the program.
//   bench_decoder [rounds]
#include "StorageFixture.h"
#include "algor/PDataBuffer.h"
#include "algor/PDoseProcThread.h"
#include "algor/PFrameDecoder.h"
#include "database/RConnectDatabase.h"
#include "message/SBus.h"
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
        if (pEvent->type() < QEvent::User)
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
    qint64 nMessages = 0; // bus messages to the main window and the threshold page
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

double framesPerSecond(const Stream& s, qint64 nNs)
{
    return double(s.nFrames) / (double(nNs) / 1e9);
}

void report(const char* pWhat, const Stream& s, qint64 nNs, double dBare)
{
    const double dRate = framesPerSecond(s, nNs);
    printf("%-7s %8.4f s  %12.0f frames/s  %12.0f reading frames/s  ratio to bare 1/%.1f\n", pWhat,
        double(nNs) / 1e9, dRate, double(s.nReadingFrames) / (double(nNs) / 1e9), dBare / dRate);
}

// Frame lengths by type byte; 7 for a type no frame has (the decoder drops
// such a head whole).
size_t bareLength(unsigned char nType)
{
    switch (nType) {
    case 0x1D:
        return 32;
    case 0x21:
        return 36;
    case 0x0A:
        return 13;
    case 0x02:
        return 9;
    case 0x03:
        return 18;
    default:
        return 7;
    }
}

qint64 bareLoop(const Bytes& bytes, unsigned* pSum)
{
    QElapsedTimer timer;
    timer.start();
    unsigned nSum = 0;
    const size_t nSize = bytes.size();
    for (size_t i = 0; i < nSize;) {
        if (bytes[i] != 0xFF || i + 1 >= nSize) {
            ++i;
            continue;
        }
        const size_t nEnd = qMin(nSize, i + bareLength(bytes[i + 1]));
        unsigned char nXor = 0;
        for (size_t j = i + 1; j < nEnd; ++j)
            nXor ^= bytes[j];
        nSum += nXor;
        i = nEnd;
    }
    *pSum += nSum;
    return timer.nsecsElapsed();
}

class CountingSink final : public PFrameDecoder::Sink
{
public:
    qint64 nOutputs = 0;
    void Reading(quint32, quint32) override { ++nOutputs; }
    void ThresholdNotice(quint32) override { ++nOutputs; }
    void TargetDose(int, int, int) override { }
    void Routing(int, int, const QDate&, const QTime&, int) override { }
    void BlockValue(quint32, quint32) override { }
    void TargetValue(quint32, quint32) override { }
    void PairDone() override { }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());
    RConnectDatabase connect(&StorageFixture::Writer());
    connect.OpenDatabase();
    QSqlDatabase::database().transaction();

    const int nRounds = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const Stream stream = makeStream(0x500000);
    printf("stream: %zu bytes, %lld frames (%lld reading frames), best of %d rounds\n",
        stream.bytes.size(), static_cast<long long>(stream.nFrames),
        static_cast<long long>(stream.nReadingFrames), nRounds);

    unsigned nSum = 0;
    qint64 nBare = -1;
    qint64 nPlain = -1;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        const qint64 nNs = bareLoop(stream.bytes, &nSum);
        nBare = nBare < 0 ? nNs : qMin(nBare, nNs);

        CountingSink sink;
        PFrameDecoder decoder(&sink);
        decoder.SetExtendedProtocol(true);
        QElapsedTimer timer;
        timer.start();
        const size_t nTotal = stream.bytes.size();
        for (size_t nPos = 0; nPos < nTotal; nPos += 2280)
            decoder.Feed(stream.bytes.data() + nPos, qMin<size_t>(2280, nTotal - nPos), 0);
        const qint64 nPlainNs = timer.nsecsElapsed();
        nPlain = nPlain < 0 ? nPlainNs : qMin(nPlain, nPlainNs);
        if (sink.nOutputs != stream.nMessages) {
            printf("plain decoder lost outputs: %lld of %lld\n",
                static_cast<long long>(stream.nMessages - sink.nOutputs),
                static_cast<long long>(stream.nMessages));
            return 1;
        }
    }
    const double dBare = framesPerSecond(stream, nBare);
    report("bare", stream, nBare, dBare);
    report("plain", stream, nPlain, dBare);

    // The thread: rounds into the ring with a wake after each, the receivers
    // on this thread.
    Counter main(SBus::MainWindow);
    Counter page(SBus::ThresholdPage);
    PDataBuffer buffer;
    buffer.Init(1, 0x500000);
    PDoseProcThread thread(&buffer);
    thread.SetExtendedProtocol(true);
    qint64 nThread = -1;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        main.m_nCount = page.m_nCount = 0;
        thread.Start();
        QElapsedTimer timer;
        timer.start();
        QThread* pWriter = QThread::create([&]() {
            const size_t nTotal = stream.bytes.size();
            for (size_t nPos = 0; nPos < nTotal;) {
                const unsigned nNum = unsigned(qMin<size_t>(2280, nTotal - nPos));
                if (buffer.Write(stream.bytes.data() + nPos, nNum)) {
                    nPos += nNum;
                    thread.Wake();
                } else {
                    QThread::yieldCurrentThread();
                }
            }
        });
        pWriter->start();
        while (main.m_nCount + page.m_nCount < stream.nMessages)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const qint64 nNs = timer.nsecsElapsed();
        pWriter->wait();
        delete pWriter;
        thread.Stop();
        nThread = nThread < 0 ? nNs : qMin(nThread, nNs);
    }
    report("thread", stream, nThread, dBare);

    QSqlDatabase::database().commit();
    QDir::setCurrent(strOld);
    return nSum == 42 ? 2 : 0;
}
