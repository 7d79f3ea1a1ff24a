#include "algor/PDataBuffer.h"
#include "algor/PDoseProcThread.h"
#include "database/RConnectDatabase.h"
#include "message/SMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using Bytes = QByteArray;
// Receiver, message type, first and second word; the echo signal uses
// receiver 0, the routing signal -1.
using Out = QVector<qint64>;
using Outs = QVector<Out>;

namespace {

class Recorder final : public QObject
{
public:
    Recorder(int nId, Outs* pOut)
        : m_nId(nId)
        , m_pOut(pOut)
    {
        RegisterReceiver(this, nId);
    }
    ~Recorder() override { UnregisterReceiver(this); }
    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() < QEvent::Type(1000))
            return QObject::event(pEvent);
        const auto* p = static_cast<SMessage*>(pEvent);
        m_pOut->append({m_nId, p->MessageType(), p->First(), p->Second()});
        return true;
    }

private:
    int m_nId;
    Outs* m_pOut;
};

Bytes be(quint32 nValue, int nBytes)
{
    Bytes out;
    for (int i = nBytes - 1; i >= 0; --i)
        out.append(char(nValue >> (8 * i)));
    return out;
}

// Appends the XOR of bytes nFirst..end.
Bytes sealed(Bytes frame, int nFirst)
{
    char n = 0;
    for (int i = nFirst; i < frame.size(); ++i)
        n ^= frame.at(i);
    return frame + n;
}

Bytes reading(quint32 nId, quint32 nValue)
{
    return sealed(Bytes("\xFF\x02\x00", 3) + be(nId, 2) + be(nValue, 3), 1);
}

Bytes routing(quint8 nRoom, const char* pDateTime, quint32 nDose)
{
    return sealed(Bytes("\xFF\x0A\x05") + char(nRoom) + Bytes(pDateTime, 5) + be(nDose, 3), 2);
}

Bytes target(quint8 nZ, const Bytes& values = Bytes(24, '\x11'))
{
    return sealed(Bytes("\xFF\x21\x00\x01\x02\x03\x04", 7) + Bytes(3, '\0') + char(nZ) + values, 2);
}

Bytes block(quint8 nGroup, const Bytes& values)
{
    return sealed(Bytes("\xFF\x1D\x00\x00\x00\x09", 6) + char(nGroup) + values, 2);
}

Bytes corrupt(Bytes frame, int nAt)
{
    frame[nAt] = char(frame.at(nAt) ^ 0x10);
    return frame;
}

QByteArray stdoutOf(const std::function<void()>& fAction)
{
    char path[] = "/tmp/tst_pdoseprocthread_XXXXXX";
    const int fd = mkstemp(path);
    fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    fAction();
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    const QByteArray out = file.readAll();
    file.remove();
    return out;
}

} // namespace

class TstPDoseProcThread : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    PDataBuffer* m_pBuffer = nullptr;
    PDoseProcThread* m_pDecoder = nullptr;
    Outs m_out;
    QVector<int> m_sleeps;

    void Write(const Bytes& data)
    {
        QVERIFY(m_pBuffer->Write(
            reinterpret_cast<const unsigned char*>(data.constData()), unsigned(data.size())));
    }

    // Decodes on this thread and delivers what was posted.
    Outs Decode(const Bytes& data)
    {
        Write(data);
        m_pDecoder->DecodeAvailable();
        QCoreApplication::sendPostedEvents();
        Outs out = m_out;
        m_out.clear();
        return out;
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_dir.path());
        QVERIFY(RConnectDatabase().OpenDatabase());
        for (int nId : {1000, 1006, 1008})
            new Recorder(nId, &m_out);
    }

    void init()
    {
        m_pBuffer = new PDataBuffer;
        m_pBuffer->Init(1, 0x10000);
        m_pDecoder = new PDoseProcThread(m_pBuffer);
        m_pDecoder->SetExtendedProtocol(true);
        m_sleeps.clear();
        m_pDecoder->SetSleeper([this](int nMs) { m_sleeps.append(nMs); });
        // Queued, so signals and bus messages keep their order in one list.
        connect(
            m_pDecoder, &PDoseProcThread::StartEchoTargeDose, this,
            [this](int x, int y, int z) {
                m_out.append({0, x, y, z});
            },
            Qt::QueuedConnection);
        connect(
            m_pDecoder, &PDoseProcThread::RoutData, this,
            [this](int nRout, int nRoom, QDate date, QTime time, int nDose) {
                m_out.append({-1, nRout * 256 + nRoom,
                    date.toJulianDay() * 1440 + time.hour() * 60 + time.minute(), nDose});
            },
            Qt::QueuedConnection);
    }

    void cleanup()
    {
        delete m_pDecoder;
        delete m_pBuffer;
    }

    void frames_data()
    {
        QTest::addColumn<Bytes>("stream");
        QTest::addColumn<Outs>("expected");
        QTest::addColumn<int>("nSleeps");
        const Out r = {1000, 1003, 0x1234, 0xABCDEF};
        QTest::newRow("reading") << reading(0x1234, 0xABCDEF) << Outs {r} << 0;
        QTest::newRow("garbage first")
            << Bytes("\x00\x13\xFE\x02", 4) + reading(0x1234, 0xABCDEF) << Outs {r} << 0;
        QTest::newRow("unknown type dropped")
            << Bytes("\xFF\x55\x01\x02\x03\x04\x05", 7) + reading(5, 6) << Outs {{1000, 1003, 5, 6}}
            << 0;
        const Bytes four = sealed(
            Bytes("\xFF\x03\x00\x00\x07", 5) + be(10, 3) + be(20, 3) + be(30, 3) + be(0x800000, 3),
            1);
        QTest::newRow("four values in order")
            << four
            << Outs {{1000, 1003, 1007, 10}, {1000, 1003, 2007, 20}, {1000, 1003, 3007, 30},
                   {1000, 1003, 4007, 0x800000}}
            << 0;
        QTest::newRow("four values bad sum")
            << corrupt(four, 9) + reading(3, 4) << Outs {{1000, 1003, 3, 4}} << 0;
        QTest::newRow("short reading") << sealed(Bytes("\xFF\x04\xC8\x01\x02\x03"), 1)
                                       << Outs {{1000, 1003, 200, 0x010203}} << 0;
        QTest::newRow("threshold notice")
            << sealed(Bytes("\xFF\x01\x09\x77\x77\x77"), 1) << Outs {{1008, 1034, 9, 0}} << 0;
        // A corrupted short frame searches on into the next frame; a window
        // that checks out with another type byte is no short frame, so
        // nothing is invented, and the frame it sits on is still decoded.
        QTest::newRow("corrupted short, then reading")
            << Bytes::fromHex("FF040100000000FF020400070001F4F4") << Outs {{1000, 1003, 7, 500}}
            << 0;
        // The search may find a real short frame that the start byte missed.
        QTest::newRow("corrupted short, then unheaded short")
            << Bytes::fromHex("FF040100000000000433000005321100") + reading(1, 2)
            << Outs {{1000, 1003, 0x33, 5}, {1000, 1003, 1, 2}} << 0;
        // A search window that sums to zero on a type other than 0x04/0x01
        // and not on a frame head is dropped.
        QTest::newRow("search ends on a foreign type")
            << Bytes::fromHex("FF04010000000000070102030403") + reading(1, 2)
            << Outs {{1000, 1003, 1, 2}} << 0;
        QTest::newRow("target dose") << target(2) << Outs {{0, 4, 0x00010203, 2}} << 0;
        QTest::newRow("target dose z 0xEE is 0")
            << target(0xEE) << Outs {{0, 4, 0x00010203, 0}} << 0;
        QTest::newRow("target dose bad sum") << corrupt(target(2), 20) << Outs {} << 0;
        Outs pairs = {{0, 4, 0x00010203, 3}};
        for (int k = 0; k < 8; ++k)
            pairs.append({1006, 1005, 0x00010203, ((1 + k % 2) << 24) | 0x111111});
        QTest::newRow("target dose z 3 pauses") << target(3) << pairs << 4;
        Bytes values;
        Outs blockOut;
        for (int k = 0; k < 8; ++k) {
            values += be(quint32(k + 1), 3);
            blockOut.append({1006, 1004, 9, qint64((10 * k + 3) << 24) + k + 1});
        }
        QTest::newRow("block g 3 pauses") << block(3, values) << blockOut << 4;
        // EE EE EE counts as zeros for the sum only when the sender zeroed it.
        Bytes ee = block(3, Bytes(3, '\0') + values.mid(3));
        ee.replace(7, 3, Bytes(3, '\xEE'));
        blockOut[0][3] = qint64(3) << 24;
        QTest::newRow("block EE run zeroed") << ee << blockOut << 4;
        QTest::newRow("block EE run summed raw")
            << block(3, Bytes(3, '\xEE') + values.mid(3)) + reading(1, 1)
            << Outs {{1000, 1003, 1, 1}} << 0;
    }

    void frames()
    {
        QFETCH(Bytes, stream);
        QFETCH(Outs, expected);
        QFETCH(int, nSleeps);
        QCOMPARE(Decode(stream), expected);
        QCOMPARE(m_sleeps, QVector<int>(nSleeps, 90));
    }

    void badSumsArePrinted()
    {
        const Bytes bad = corrupt(reading(0x0102, 0x030405), 8);
        const QByteArray dump = stdoutOf([&]() { QVERIFY(Decode(bad).isEmpty()); });
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : ff 2 0 1 2 3 4 5 "
                                                   "[0-9a-f]+  \\* \\n$"))
                     .match(QString::fromLatin1(dump))
                     .hasMatch(),
            dump.constData());
        // A short frame whose sum never comes right runs the buffer dry.
        QCOMPARE(stdoutOf([&]() { Decode(corrupt(sealed("\xFF\x04\x01\x02\x03\x04", 1), 6)); }),
            QByteArray("crc nCount\n"));
        QVERIFY2(m_sleeps.isEmpty(), "a dry search drops its window, it does not wait");
        QCOMPARE(Decode(reading(3, 4)), (Outs {{1000, 1003, 3, 4}}));
    }

    // With nobody draining the queue (the main window is busy, or is the one
    // stopping us), the decoder holds at its limit instead of growing the
    // queue, and Stop does not deadlock on that wait.
    void floodHoldsAtTheLimitAndStopEndsTheWait()
    {
        m_pDecoder->SetPostLimit(8);
        for (int i = 0; i < 20; ++i)
            Write(reading(quint32(i), quint32(i)));
        m_pDecoder->Start();
        for (int i = 0; i < 20000 && m_pDecoder->PostsInFlight() < 8; ++i)
            QThread::msleep(1);
        QCOMPARE(m_pDecoder->PostsInFlight(), 8);
        m_pDecoder->Stop();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(m_out.size(), 8);
        QCOMPARE(m_pDecoder->PostsInFlight(), 0);

        // A new start takes places again.
        m_pDecoder->Start();
        Write(reading(1, 2));
        m_pDecoder->Wake();
        QTRY_COMPARE(m_out.size(), 9);
    }

    // One row per staff, room and minute; a repeat replaces the dose.
    void routingStored()
    {
        QSignalSpy updates(m_pDecoder, &PDoseProcThread::RoutDataUpdate);
        const Bytes frame = routing(2, "\x26\x12\x05\x14\x30", 500);
        QCOMPARE(frame.left(12).toHex(), QByteArray("ff0a0502261205143000001f4").remove(20, 1));
        Decode(frame + frame + routing(3, "\x26\x12\x05\x14\x30", 7)
            + routing(2, "\x26\x12\x05\x14\x30", 0x0A0000));
        QCOMPARE(updates.count(), 4);
        QSqlQuery query(QStringLiteral("select Id, RoomId, Dose, Time, Month from "
                                       "RoutingMinuteDose order by RoomId"));
        QStringList rows;
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < 5; ++i)
                row << query.value(i).toString();
            rows << row.join(' ');
        }
        QCOMPARE(rows, QStringList({"5 2 655360 14:30 2026-12-05", "5 3 7 14:30 2026-12-05"}));
    }

    // An invalid day is never stored; a real one next to it is.
    void badRoutingDateDropped()
    {
        QSignalSpy spy(m_pDecoder, &PDoseProcThread::RoutData);
        for (const char* pBad : {"\x26\x1A\x05\x14\x30", "\x26\x02\x30\x14\x30",
                 "\x26\x12\x05\x24\x00", "\x26\x12\x05\x14\x60"})
            Decode(routing(1, pBad, 1));
        Decode(routing(1, "\x24\x02\x29\x23\x59", 2));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(2).toDate(), QDate(2024, 2, 29));
        QCOMPARE(spy.at(0).at(3).toTime(), QTime(23, 59));
    }

    void bodyWait_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<int>("nArrivesAtSleep");
        QTest::newRow("target dose after 2 s") << target(2) << 4;
        QTest::newRow("target dose after 3.5 s") << target(2) << 7;
        QTest::newRow("target dose after 4 s") << target(2) << 8;
        QTest::newRow("reading after 0.5 s") << reading(9, 9) << 1;
        QTest::newRow("reading after 4 s") << reading(9, 9) << 8;
    }

    void bodyWait()
    {
        QFETCH(Bytes, frame);
        QFETCH(int, nArrivesAtSleep);
        m_pDecoder->SetSleeper([&](int nMs) {
            m_sleeps.append(nMs);
            if (m_sleeps.size() == nArrivesAtSleep)
                Write(frame.mid(7));
        });
        const bool bInTime = nArrivesAtSleep <= 7;
        QCOMPARE(Decode(frame.left(7)).size(), bInTime ? 1 : 0);
        QCOMPARE(m_sleeps, QVector<int>(qMin(nArrivesAtSleep, 7), 500));
        // A late body is skipped as garbage.
        Write(frame.mid(7));
        QCOMPARE(Decode(reading(1, 2)), (Outs {{1000, 1003, 1, 2}}));
    }

    void splitAtEveryOffset_data()
    {
        QTest::addColumn<Bytes>("stream");
        QTest::addColumn<int>("nOutputs");
        QTest::newRow("every frame kind") << Bytes("\x00\x11\x22", 3) + reading(0x0102, 0x030405)
                + Bytes("\xFF\x7F\x00\x00\x00\x00\x00", 7) + sealed("\xFF\x04\x03\x0A\x0B\x0C", 1)
                + routing(2, "\x26\x12\x05\x14\x30", 500) + Bytes("\x10\x20", 2) + target(2)
                + sealed(Bytes("\xFF\x01\x04\x00\x00\x00", 6), 1) + block(5, Bytes(24, '\x05'))
                + corrupt(reading(1, 1), 7) + reading(0xFFFF, 0xFFFFFF)
                + Bytes("\xFE", 1) << 1 + 1 + 1 + 1 + 1 + 8 + 1;
        QTest::newRow("corrupted short frame searching")
            << Bytes::fromHex("FF040100000000FF020400070001F4F4") + reading(3, 4) << 2;
    }

    // Cut anywhere, the stream decodes as in one piece, whether the rest comes
    // during a body wait or only after the decoder ran dry. Only a short-frame
    // search that ran dry at the cut may change the outcome, and then only by
    // losing readings, never by inventing one.
    void splitAtEveryOffset()
    {
        QFETCH(Bytes, stream);
        QFETCH(int, nOutputs);
        Outs reference;
        stdoutOf([&]() { reference = Decode(stream); });
        QCOMPARE(reference.size(), nOutputs);
        for (int nCut = 1; nCut < stream.size(); ++nCut) {
            for (int nAtSleep : {1, 7}) {
                m_pBuffer->Reset();
                bool bWritten = false;
                int nSleeps = 0;
                m_pDecoder->SetSleeper([&](int) {
                    if (++nSleeps == nAtSleep && !bWritten) {
                        bWritten = true;
                        Write(stream.mid(nCut));
                    }
                });
                Outs out;
                bool bDryAtCut = false;
                stdoutOf([&]() {
                    const quint64 nDropped = m_pDecoder->DroppedSearches();
                    out = Decode(stream.left(nCut));
                    bDryAtCut = m_pDecoder->DroppedSearches() != nDropped;
                    if (!bWritten)
                        out += Decode(stream.mid(nCut));
                });
                const QByteArray where = "cut at " + QByteArray::number(nCut);
                if (!bDryAtCut) {
                    QVERIFY2(out == reference, where.constData());
                    continue;
                }
                for (const Out& one : out)
                    QVERIFY2(reference.contains(one), where.constData());
            }
        }
    }

    // Stores in small pieces with a wake after each, while the decoder
    // works: every reading arrives, in order. Stop empties the buffer.
    void threadTakesEveryWake()
    {
        m_pDecoder->SetSleeper([](int nMs) { QThread::msleep(static_cast<unsigned long>(nMs)); });
        m_pDecoder->SetBodyWait(7, 1);
        m_pDecoder->Start();
        m_pDecoder->Start();
        const int nFrames = 5000;
        QThread* pWriter = QThread::create([this]() {
            for (int i = 0; i < nFrames; ++i) {
                const Bytes frame = reading(quint32(i % 60000), quint32(i));
                for (const Bytes& piece : {frame.left(1 + i % 8), frame.mid(1 + i % 8)}) {
                    while (!m_pBuffer->Write(reinterpret_cast<const unsigned char*>(piece.data()),
                        unsigned(piece.size())))
                        QThread::yieldCurrentThread();
                    m_pDecoder->Wake();
                }
            }
        });
        pWriter->start();
        QTRY_COMPARE_WITH_TIMEOUT(m_out.size(), nFrames, 60000);
        pWriter->wait();
        delete pWriter;
        for (int i = 0; i < nFrames; ++i)
            QCOMPARE(m_out.at(i).at(3), qint64(i));
        Write(Bytes("\xFF\x02\x00", 3));
        m_pDecoder->Stop();
        QCOMPARE(m_pBuffer->PackageNum(), 0u);
    }
};

QTEST_GUILESS_MAIN(TstPDoseProcThread)
#include "tst_pdoseprocthread.moc"
