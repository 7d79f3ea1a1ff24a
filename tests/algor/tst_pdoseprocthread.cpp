#include "TestDb.h"
#include "algor/PDataBuffer.h"
#include "algor/PDosePackProc.h"
#include "algor/PDoseProcThread.h"
#include "database/RConnectDatabase.h"

#include "BusRecorder.h"
#include "FrameBytes.h"
#include "SqlRows.h"
#include "StdoutCapture.h"
#include "message/SBus.h"

#include <QtTest>

using Bytes = QByteArray;

using FrameBytes::reading;

namespace {

Bytes routing(quint8 nRoom, quint32 nDose)
{
    return FrameBytes::routing(nRoom, "\x26\x12\x05\x14\x30", nDose);
}

QByteArray bytes(int nStart, int nCount)
{
    QByteArray data;
    for (int i = 0; i < nCount; ++i)
        data.append(char(nStart + i));
    return data;
}

bool write(PDataBuffer& buffer, const QByteArray& data)
{
    PDosePackProc pack(&buffer);
    return pack.Write(reinterpret_cast<const unsigned char*>(data.constData()), data.size());
}

QByteArray read(PDataBuffer& buffer, int nCount, int nSize = 1)
{
    QByteArray data(nCount * nSize, '\0');
    return buffer.Read(reinterpret_cast<unsigned char*>(data.data()), nCount) ? data : "fail";
}

} // namespace

// The packet buffer, and the decoding thread around the frame decoder:
// wakes, the bounded hand-over
// to the main window, routing storage on the main thread, stopping.
class TstPDoseProcThread : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    BusRecorder* m_pMain = nullptr;
    PDataBuffer* m_pBuffer = nullptr;
    PDoseProcThread* m_pDecoder = nullptr;

    void Write(const Bytes& data)
    {
        while (!m_pBuffer->Write(
            reinterpret_cast<const unsigned char*>(data.constData()), unsigned(data.size())))
            QThread::yieldCurrentThread();
        m_pDecoder->Wake();
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        QVERIFY(RConnectDatabase(&TestDb::Writer()).OpenDatabase());
        m_pMain = new BusRecorder(SBus::MainWindow);
    }

    void init()
    {
        m_pMain->Clear();
        m_pBuffer = new PDataBuffer;
        m_pBuffer->Init(1, 0x10000);
        m_pDecoder = new PDoseProcThread(m_pBuffer);
        m_pDecoder->SetWriter(&TestDb::Writer());
        m_pDecoder->SetExtendedProtocol(true);
    }

    void cleanup()
    {
        delete m_pDecoder;
        delete m_pBuffer;
    }

    // A read takes all it asks for or nothing; a write that does not fit is
    // refused whole, says so and never overwrites; a reset abandons the data.
    void allOrNothing()
    {
        PDataBuffer buffer;
        buffer.Init(1, 10);
        QVERIFY(write(buffer, bytes(1, 6)));
        QCOMPARE(read(buffer, 7), QByteArray("fail"));
        QVERIFY(write(buffer, bytes(7, 4)));
        StdoutCapture::Of([&]() { QVERIFY(!write(buffer, bytes(99, 5))); });
        QCOMPARE(read(buffer, 10), bytes(1, 10));
        QVERIFY(write(buffer, bytes(0, 6)));
        buffer.Reset();
        QCOMPARE(read(buffer, 1), QByteArray("fail"));
        buffer.Init(4, 3); // packages of four bytes
        QVERIFY(buffer.Write(reinterpret_cast<const unsigned char*>(bytes(0, 12).constData()), 3));
        QCOMPARE(read(buffer, 3, 4), bytes(0, 12));
    }

    // Sizes past the limit (also by 32-bit wrap-around) and a null source
    // stop the program with a fatal assertion.
    void fatalAssertions_data()
    {
        QTest::addColumn<unsigned>("nPackages");
        QTest::newRow("too large") << PDataBuffer::MAX_BUFFER_SIZE / 2 + 1;
        // 0x10001 * 0x10000 wraps to 0x10000 in 32 bits and must still fail.
        QTest::newRow("product wraps") << 0x10001u;
        QTest::newRow("null source") << 0u;
    }

    void fatalAssertions()
    {
        QFETCH(unsigned, nPackages);
        const QByteArray out = StdoutCapture::OfChild([nPackages]() {
            PDataBuffer buffer;
            if (nPackages == 0)
                buffer.Write(nullptr, 1);
            buffer.Init(nPackages == 0x10001u ? 0x10000 : 2, nPackages);
            printf("survived");
        });
        QVERIFY2(out.contains("FileName: src/algor/PDataBuffer.cpp") && !out.contains("survived"),
            out.constData());
    }

    // Every byte comes out once and in order through a small ring.
    void oneWriterOneReader()
    {
        PDataBuffer buffer;
        buffer.Init(1, 61);
        const int nTotal = 200000;
        QThread* pWriter = QThread::create([&buffer]() {
            unsigned char chunk[17];
            for (int nNext = 0; nNext < nTotal;) {
                const int nCount = qMin(1 + nNext % 17, nTotal - nNext);
                for (int i = 0; i < nCount; ++i)
                    chunk[i] = static_cast<unsigned char>((nNext + i) % 251);
                // Only writes that fit: a refused one would print its message.
                if (buffer.TotalPackageNum() - buffer.PackageNum() >= unsigned(nCount)
                    && buffer.Write(chunk, unsigned(nCount)))
                    nNext += nCount;
            }
        });
        pWriter->start();
        bool bInOrder = true;
        unsigned char chunk[13];
        for (int nRead = 0; nRead < nTotal;) {
            const int nCount = qMin(1 + nRead % 13, nTotal - nRead);
            if (!buffer.Read(chunk, unsigned(nCount)))
                continue;
            for (int i = 0; i < nCount; ++i)
                bInOrder = bInOrder && chunk[i] == (nRead + i) % 251;
            nRead += nCount;
        }
        pWriter->wait();
        delete pWriter;
        QVERIFY(bInOrder);
    }

    // Stores in small pieces with a wake after each, while the decoder
    // works: every reading arrives, in order. Stop empties the buffer.
    void threadTakesEveryWake()
    {
        m_pDecoder->Start();
        m_pDecoder->Start();
        const int nFrames = 5000;
        QThread* pWriter = QThread::create([this]() {
            for (int i = 0; i < nFrames; ++i) {
                const Bytes frame = reading(quint32(i % 60000), quint32(i));
                Write(frame.left(1 + i % 8));
                Write(frame.mid(1 + i % 8));
            }
        });
        pWriter->start();
        QTRY_COMPARE_WITH_TIMEOUT(m_pMain->Log().size(), nFrames, 60000);
        pWriter->wait();
        delete pWriter;
        for (int i = 0; i < nFrames; ++i)
            QCOMPARE(m_pMain->Log().at(i).b, qintptr(i));
        Write(Bytes("\xFF\x02\x00", 3));
        m_pDecoder->Stop();
        QCOMPARE(m_pBuffer->PackageNum(), 0u);
    }

    // With nobody draining the queue (the main window is busy, or is the one
    // stopping us), the decoder holds at its limit instead of growing the
    // queue, and Stop does not deadlock on that wait.
    void floodHoldsAtTheLimitAndStopEndsTheWait()
    {
        m_pDecoder->SetPostLimit(8);
        Bytes flood;
        for (int i = 0; i < 20; ++i)
            flood += reading(quint32(i), quint32(i));
        Write(flood);
        m_pDecoder->Start();
        for (int i = 0; i < 20000 && m_pDecoder->PostsInFlight() < 8; ++i)
            QThread::msleep(1);
        QCOMPARE(m_pDecoder->PostsInFlight(), 8);
        QVERIFY(m_pMain->Log().isEmpty());
        // The stop hands over everything decoded before it, in order.
        m_pDecoder->Stop();
        QCOMPARE(m_pMain->Log().size(), 20);
        QCOMPARE(m_pMain->Log().last().b, qintptr(19));
        QCOMPARE(m_pDecoder->PostsInFlight(), 0);

        // A new start takes places again.
        m_pDecoder->Start();
        Write(reading(1, 2));
        QTRY_COMPARE(m_pMain->Log().size(), 21);
    }

    // One row per staff, room and minute; a repeat replaces the dose.
    void routingStoredOnTheMainThread()
    {
        QSignalSpy updates(m_pDecoder, &PDoseProcThread::RoutDataUpdate);
        m_pDecoder->Start();
        Write(routing(2, 500) + routing(2, 500) + routing(3, 7) + routing(2, 0x0A0000));
        QTRY_COMPARE(updates.count(), 4);
        QCOMPARE(
            SqlRows("select Id, RoomId, Dose, Time, Month from RoutingMinuteDose order by RoomId"),
            QStringLiteral("5 2 655360 14:30 2026-12-05; 5 3 7 14:30 2026-12-05"));
    }
};

QTEST_GUILESS_MAIN(TstPDoseProcThread)
#include "tst_pdoseprocthread.moc"
