#include "algor/PDataBuffer.h"
#include "algor/PDoseProcThread.h"
#include "database/RConnectDatabase.h"

#include "BusRecorder.h"
#include "FrameBytes.h"
#include "SqlRows.h"
#include "message/SBus.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Bytes = QByteArray;

using FrameBytes::reading;

namespace {

Bytes routing(quint8 nRoom, quint32 nDose)
{
    return FrameBytes::routing(nRoom, "\x26\x12\x05\x14\x30", nDose);
}

} // namespace

// The decoding thread around the frame decoder: wakes, the bounded hand-over
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
        QVERIFY(RConnectDatabase().OpenDatabase());
        m_pMain = new BusRecorder(SBus::MainWindow);
    }

    void init()
    {
        m_pMain->Clear();
        m_pBuffer = new PDataBuffer;
        m_pBuffer->Init(1, 0x10000);
        m_pDecoder = new PDoseProcThread(m_pBuffer);
        m_pDecoder->SetExtendedProtocol(true);
    }

    void cleanup()
    {
        delete m_pDecoder;
        delete m_pBuffer;
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
