#include "algor/PDataBuffer.h"
#include "algor/PDoseProcThread.h"
#include "database/RConnectDatabase.h"
#include "message/SMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

namespace {

using Bytes = QByteArray;

// One delivered output: a bus message (receiver, type, words) or a signal.
struct Output
{
    int nReceiver;
    int nType;
    qint64 nFirst;
    qint64 nSecond;
    bool operator==(const Output& other) const
    {
        return nReceiver == other.nReceiver && nType == other.nType && nFirst == other.nFirst
            && nSecond == other.nSecond;
    }
};

char* toString(const Output& o)
{
    return qstrdup(QByteArray::number(o.nReceiver) + "/" + QByteArray::number(o.nType) + "("
        + QByteArray::number(o.nFirst) + "," + QByteArray::number(o.nSecond, 16) + ")");
}

class Recorder final : public QObject
{
public:
    Recorder(int nId, QList<Output>* pOut)
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
        const auto* pMessage = static_cast<SMessage*>(pEvent);
        m_pOut->append({m_nId, pMessage->MessageType(), pMessage->First(), pMessage->Second()});
        return true;
    }

private:
    int m_nId;
    QList<Output>* m_pOut;
};

unsigned char xorOf(const Bytes& frame, int nFirst, int nLast)
{
    unsigned char n = 0;
    for (int i = nFirst; i <= nLast; ++i)
        n ^= static_cast<unsigned char>(frame.at(i));
    return n;
}

Bytes be(quint32 nValue, int nBytes)
{
    Bytes out;
    for (int i = nBytes - 1; i >= 0; --i)
        out.append(char((nValue >> (8 * i)) & 0xFF));
    return out;
}

// The frame with its checksum appended: XOR of nFirst..end.
Bytes sealed(Bytes frame, int nFirst)
{
    frame.append(char(xorOf(frame, nFirst, frame.size() - 1)));
    return frame;
}

Bytes reading(quint32 nId, quint32 nValue, int nCounter = 0)
{
    return sealed(Bytes("\xFF\x02") + char(nCounter) + be(nId, 2) + be(nValue, 3), 1);
}

Bytes fourValues(quint32 nBase, const QList<quint32>& values)
{
    Bytes frame = Bytes("\xFF\x03\x00", 3) + be(nBase, 2);
    for (quint32 nValue : values)
        frame += be(nValue, 3);
    return sealed(frame, 1);
}

Bytes shortFrame(char nType, quint8 nId, quint32 nValue)
{
    return sealed(Bytes("\xFF") + nType + char(nId) + be(nValue, 3), 1);
}

Bytes routing(quint8 nRout, quint8 nRoom, const Bytes& dateTime, quint32 nDose)
{
    return sealed(Bytes("\xFF\x0A") + char(nRout) + char(nRoom) + dateTime + be(nDose, 3), 2);
}

Bytes target(quint32 nY, quint8 nX, quint8 nZ, const Bytes& values = Bytes(24, '\x11'))
{
    return sealed(Bytes("\xFF\x21") + be(nY, 4) + char(nX) + Bytes(3, '\0') + char(nZ) + values, 2);
}

Bytes block(quint32 nId, quint8 nGroup, const Bytes& values)
{
    return sealed(Bytes("\xFF\x1D") + be(nId, 4) + char(nGroup) + values, 2);
}

QByteArray captureStdout(const std::function<void()>& action)
{
    char path[] = "/tmp/tst_pdoseprocthread_XXXXXX";
    const int fd = mkstemp(path);
    fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    action();
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(fd);
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    const QByteArray out = file.readAll();
    file.remove();
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Output)

class TstPDoseProcThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void frames_data();
    void frames();
    void targetDoseFrames_data();
    void targetDoseFrames();
    void badReadingIsDumped();
    void shortSearchRunsDry();
    void routingStoredOncePerMinute();
    void badRoutingDateDropped_data();
    void badRoutingDateDropped();
    void bodyWait_data();
    void bodyWait();
    void pairPauses();
    void basicProtocolOnly();
    void splitAtEveryOffset();
    void threadDeliversEveryWake();
    void stopEmptiesBuffer();

private:
    QList<Output> Decode(const Bytes& stream);
    void Write(const Bytes& data);
    QList<Output> Take();

    PDataBuffer* m_pBuffer = nullptr;
    PDoseProcThread* m_pDecoder = nullptr;
    QList<Output> m_out;
    QList<Recorder*> m_recorders;
    QVector<int> m_sleeps;
    QTemporaryDir m_dir;
    QString m_strOldDir;
};

void TstPDoseProcThread::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_strOldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    RConnectDatabase connect;
    QVERIFY(connect.OpenDatabase());
    for (int nId : {1000, 1006, 1008})
        m_recorders.append(new Recorder(nId, &m_out));
}

void TstPDoseProcThread::cleanupTestCase()
{
    qDeleteAll(m_recorders);
    QSqlDatabase::database().close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    QDir::setCurrent(m_strOldDir);
}

void TstPDoseProcThread::init()
{
    m_pBuffer = new PDataBuffer;
    m_pBuffer->Init(1, 0x10000);
    m_pDecoder = new PDoseProcThread(m_pBuffer);
    m_pDecoder->SetExtendedProtocol(true);
    m_sleeps.clear();
    m_pDecoder->SetSleeper([this](int nMs) { m_sleeps.append(nMs); });
    m_out.clear();
    QSqlQuery(QStringLiteral("delete from RoutingMinuteDose"));
}

void TstPDoseProcThread::cleanup()
{
    delete m_pDecoder;
    delete m_pBuffer;
}

void TstPDoseProcThread::Write(const Bytes& data)
{
    QVERIFY(m_pBuffer->Write(
        reinterpret_cast<const unsigned char*>(data.constData()), unsigned(data.size())));
}

QList<Output> TstPDoseProcThread::Take()
{
    QCoreApplication::sendPostedEvents();
    QList<Output> out = m_out;
    m_out.clear();
    return out;
}

QList<Output> TstPDoseProcThread::Decode(const Bytes& stream)
{
    Write(stream);
    m_pDecoder->DecodeAvailable();
    return Take();
}

void TstPDoseProcThread::frames_data()
{
    QTest::addColumn<Bytes>("stream");
    QTest::addColumn<QList<Output>>("expected");
    const Output r = {1000, 1003, 0x1234, 0xABCDEF};
    QTest::newRow("reading") << reading(0x1234, 0xABCDEF) << QList<Output> {r};
    QTest::newRow("reading, counter ignored")
        << reading(0x1234, 0xABCDEF, 0x7E) << QList<Output> {r};
    QTest::newRow("garbage before")
        << Bytes("\x00\x13\xFE\x02\x02", 5) + reading(0x1234, 0xABCDEF) << QList<Output> {r};
    QTest::newRow("0xFF garbage before")
        << Bytes("\xFF\xFF\x55", 3) + reading(0x1234, 0xABCDEF) << QList<Output> {};
    QTest::newRow("two readings back to back")
        << reading(1, 2) + reading(65535, 0xFFFFFF)
        << QList<Output> {{1000, 1003, 1, 2}, {1000, 1003, 65535, 0xFFFFFF}};
    QTest::newRow("four values in order")
        << fourValues(7, {10, 20, 30, 0x800000})
        << QList<Output> {{1000, 1003, 1007, 10}, {1000, 1003, 2007, 20}, {1000, 1003, 3007, 30},
               {1000, 1003, 4007, 0x800000}};
    Bytes badFour = fourValues(7, {1, 2, 3, 4});
    badFour[9] = char(badFour.at(9) ^ 0x40);
    QTest::newRow("four values, bad checksum")
        << badFour + reading(3, 4) << QList<Output> {{1000, 1003, 3, 4}};
    QTest::newRow("short reading")
        << shortFrame('\x04', 200, 0x010203) << QList<Output> {{1000, 1003, 200, 0x010203}};
    QTest::newRow("threshold notice")
        << shortFrame('\x01', 9, 0x777777) << QList<Output> {{1008, 1034, 9, 0}};
    QTest::newRow("unknown type dropped") << Bytes("\xFF\x55\x01\x02\x03\x04\x05", 7)
            + reading(5, 6) << QList<Output> {{1000, 1003, 5, 6}};
    Bytes values;
    for (int k = 0; k < 8; ++k)
        values += be(quint32(0x100 * k + 1), 3);
    QList<Output> blockOut;
    for (int k = 0; k < 8; ++k)
        blockOut.append({1006, 1004, 0x01020304, qint64((10 * k + 2) << 24) + 0x100 * k + 1});
    QTest::newRow("block values unrouted") << block(0x01020304, 2, values) << blockOut;

    // The sender sums an EE EE EE run as zeros.
    Bytes eeValues = Bytes(3, '\0') + values.mid(3);
    Bytes eeBlock = block(0x01020304, 2, eeValues);
    eeBlock.replace(7, 3, Bytes(3, '\xEE'));
    QList<Output> eeOut = blockOut;
    eeOut[0].nSecond = qint64(2) << 24;
    QTest::newRow("block EE run summed as zeros") << eeBlock << eeOut;
    Bytes eeRaw = block(0x01020304, 2, Bytes(3, '\xEE') + values.mid(3));
    QTest::newRow("block EE run summed raw")
        << eeRaw + reading(1, 1) << QList<Output> {{1000, 1003, 1, 1}};
}

void TstPDoseProcThread::frames()
{
    QFETCH(Bytes, stream);
    QFETCH(QList<Output>, expected);
    QCOMPARE(Decode(stream), expected);
    QVERIFY(m_sleeps.isEmpty());
}

void TstPDoseProcThread::targetDoseFrames_data()
{
    QTest::addColumn<Bytes>("frame");
    QTest::addColumn<int>("nZ");
    QTest::addColumn<int>("nUnrouted");
    QTest::newRow("z plain") << target(0x00010203, 4, 2) << 2 << 0;
    QTest::newRow("z 0xEE is 0") << target(0x00010203, 4, 0xEE) << 0 << 0;
    QTest::newRow("z 3 sends pairs") << target(0x00010203, 4, 3) << 3 << 8;
}

void TstPDoseProcThread::targetDoseFrames()
{
    QFETCH(Bytes, frame);
    QFETCH(int, nZ);
    QFETCH(int, nUnrouted);
    QSignalSpy spy(m_pDecoder, &PDoseProcThread::StartEchoTargeDose);
    const QList<Output> out = Decode(frame);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), QVariantList({4, 0x00010203, nZ}));
    QCOMPARE(out.size(), nUnrouted);
    if (nUnrouted > 0) {
        QCOMPARE(out.at(0), (Output {1006, 1005, 0x00010203, (1 << 24) | 0x111111}));
        QCOMPARE(out.at(1), (Output {1006, 1005, 0x00010203, (2 << 24) | 0x111111}));
    }

    Bytes broken = frame;
    broken[20] = char(broken.at(20) ^ 1);
    Decode(broken);
    QCOMPARE(spy.count(), 1);
}

void TstPDoseProcThread::badReadingIsDumped()
{
    Bytes frame = reading(0x0102, 0x030405);
    frame[8] = char(frame.at(8) ^ 0x10);
    QList<Output> out;
    const QByteArray printed = captureStdout([&]() { out = Decode(frame); });
    QVERIFY(out.isEmpty());
    // "hh:mm:ss : " then every byte in hex and the closing mark.
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : $"))
                 .match(QString::fromLatin1(printed.left(11)))
                 .hasMatch(),
        printed.constData());
    QCOMPARE(printed.mid(11),
        QByteArray("ff 2 0 1 2 3 4 5 ")
            + QByteArray::number(static_cast<unsigned char>(frame.at(8)), 16) + "  * \n");
}

void TstPDoseProcThread::shortSearchRunsDry()
{
    Bytes frame = shortFrame('\x04', 1, 2);
    frame[6] = char(frame.at(6) ^ 0x01);
    QList<Output> out;
    const QByteArray printed = captureStdout([&]() { out = Decode(frame); });
    QVERIFY(out.isEmpty());
    QCOMPARE(printed, QByteArray("crc nCount\n"));
    QCOMPARE(m_sleeps.size(), 7);
    // The decoder is not stuck: the next frame comes through.
    QCOMPARE(Decode(reading(3, 4)), (QList<Output> {{1000, 1003, 3, 4}}));
}

void TstPDoseProcThread::routingStoredOncePerMinute()
{
    QSignalSpy updates(m_pDecoder, &PDoseProcThread::RoutDataUpdate);
    const Bytes frame = routing(5, 2, Bytes("\x26\x12\x05\x14\x30", 5), 500);
    QCOMPARE(frame.toHex(' '),
        QByteArray("ff 0a 05 02 26 12 05 14 30 00 01 f4 ")
            + QByteArray::number(xorOf(frame, 2, 11), 16).rightJustified(2, '0'));
    Decode(frame);
    QCOMPARE(updates.count(), 1);
    QSqlQuery rows(QStringLiteral("select Id, RoomId, Dose, Time, Month from RoutingMinuteDose"));
    QVERIFY(rows.next());
    QCOMPARE(rows.value(0).toInt(), 5);
    QCOMPARE(rows.value(1).toInt(), 2);
    QCOMPARE(rows.value(2).toInt(), 500);
    QCOMPARE(rows.value(3).toString(), QStringLiteral("14:30"));
    QCOMPARE(rows.value(4).toString(), QStringLiteral("2026-12-05"));
    QVERIFY(!rows.next());
    rows.finish();

    // The same minute again replaces the dose; another room gets its own row.
    Decode(routing(5, 2, Bytes("\x26\x12\x05\x14\x30", 5), 0x0A0000)
        + routing(5, 3, Bytes("\x26\x12\x05\x14\x30", 5), 7));
    QCOMPARE(updates.count(), 3);
    QSqlQuery check(QStringLiteral("select RoomId, Dose from RoutingMinuteDose order by RoomId"));
    QVERIFY(check.next());
    QCOMPARE(check.value(1).toInt(), 0x0A0000);
    QVERIFY(check.next());
    QCOMPARE(check.value(0).toInt(), 3);
    QVERIFY(!check.next());
}

void TstPDoseProcThread::badRoutingDateDropped_data()
{
    QTest::addColumn<Bytes>("dateTime");
    QTest::newRow("month nibble A") << Bytes("\x26\x1A\x05\x14\x30", 5);
    QTest::newRow("month 13") << Bytes("\x26\x13\x05\x14\x30", 5);
    QTest::newRow("30 February") << Bytes("\x26\x02\x30\x14\x30", 5);
    QTest::newRow("hour 24") << Bytes("\x26\x12\x05\x24\x00", 5);
    QTest::newRow("minute 60") << Bytes("\x26\x12\x05\x14\x60", 5);
    QTest::newRow("day 0") << Bytes("\x26\x12\x00\x14\x30", 5);
}

void TstPDoseProcThread::badRoutingDateDropped()
{
    QFETCH(Bytes, dateTime);
    QSignalSpy spy(m_pDecoder, &PDoseProcThread::RoutData);
    Decode(routing(1, 1, dateTime, 1) + routing(1, 1, Bytes("\x24\x02\x29\x23\x59", 5), 2));
    // Only the good frame, 29 February 2024 23:59, gets through.
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(2).toDate(), QDate(2024, 2, 29));
    QCOMPARE(spy.at(0).at(3).toTime(), QTime(23, 59));
}

void TstPDoseProcThread::bodyWait_data()
{
    QTest::addColumn<Bytes>("frame");
    QTest::addColumn<int>("nArrivesAtSleep");
    QTest::addColumn<bool>("bDecoded");
    const Bytes rout = routing(5, 2, Bytes("\x26\x12\x05\x14\x30", 5), 500);
    const Bytes read = reading(9, 9);
    const Bytes four = fourValues(9, {1, 2, 3, 4});
    const Bytes tgt = target(1, 2, 2);
    QTest::newRow("routing after 2 s") << rout << 4 << true;
    QTest::newRow("routing after 3.5 s") << rout << 7 << true;
    QTest::newRow("routing after 4 s") << rout << 8 << false;
    QTest::newRow("reading after 0.5 s") << read << 1 << true;
    QTest::newRow("reading after 4 s") << read << 8 << false;
    QTest::newRow("four values after 3 s") << four << 6 << true;
    QTest::newRow("target dose after 1 s") << tgt << 2 << true;
    QTest::newRow("target dose after 4 s") << tgt << 8 << false;
}

void TstPDoseProcThread::bodyWait()
{
    QFETCH(Bytes, frame);
    QFETCH(int, nArrivesAtSleep);
    QFETCH(bool, bDecoded);
    QSignalSpy echo(m_pDecoder, &PDoseProcThread::StartEchoTargeDose);
    QSignalSpy rout(m_pDecoder, &PDoseProcThread::RoutData);
    const Bytes body = frame.mid(7);
    m_pDecoder->SetSleeper([&](int nMs) {
        m_sleeps.append(nMs);
        if (m_sleeps.size() == nArrivesAtSleep)
            Write(body);
    });
    const QList<Output> out = Decode(frame.left(7));
    const int nDelivered = out.size() + echo.count() + rout.count();
    QCOMPARE(nDelivered > 0, bDecoded);
    QCOMPARE(m_sleeps, QVector<int>(bDecoded ? nArrivesAtSleep : 7, 500));
    if (!bDecoded) {
        // The late body is skipped as garbage; the next frame still decodes.
        Write(body);
        QCOMPARE(Decode(reading(1, 2)), (QList<Output> {{1000, 1003, 1, 2}}));
    }
}

void TstPDoseProcThread::pairPauses()
{
    Decode(block(1, 3, Bytes(24, '\x01')));
    QCOMPARE(m_sleeps, QVector<int>(4, 90));
    m_sleeps.clear();
    Decode(block(1, 4, Bytes(24, '\x01')) + target(1, 1, 2));
    QVERIFY(m_sleeps.isEmpty());
    m_pDecoder->SetPairPause(0);
    Decode(target(1, 1, 3));
    QVERIFY(m_sleeps.isEmpty());
}

void TstPDoseProcThread::basicProtocolOnly()
{
    m_pDecoder->SetExtendedProtocol(false);
    QSignalSpy echo(m_pDecoder, &PDoseProcThread::StartEchoTargeDose);
    const QList<Output> out
        = Decode(reading(1, 1) + routing(1, 1, Bytes("\x26\x12\x05\x14\x30", 5), 1)
            + shortFrame('\x01', 1, 1) + target(7, 1, 1));
    QVERIFY(out.isEmpty());
    QCOMPARE(echo.count(), 1);
}

// The link hands over bytes in arbitrary pieces; a frame cut anywhere must
// decode as if it had come in one piece, whether the rest arrives during a
// body wait or only after the decoder ran dry.
void TstPDoseProcThread::splitAtEveryOffset()
{
    Bytes stream;
    stream += Bytes("\x00\x11\x22", 3);
    stream += reading(0x0102, 0x030405);
    stream += fourValues(50, {1, 2, 3, 4});
    stream += Bytes("\xFF\x7F\x00\x00\x00\x00\x00", 7);
    stream += shortFrame('\x04', 3, 0x0A0B0C);
    stream += routing(5, 2, Bytes("\x26\x12\x05\x14\x30", 5), 500);
    stream += Bytes("\x10\x20", 2);
    stream += target(0x0A0B0C0D, 1, 2);
    stream += shortFrame('\x01', 4, 0);
    stream += block(77, 5, Bytes(24, '\x05'));
    Bytes bad = reading(1, 1);
    bad[8] = char(bad.at(8) ^ 4);
    stream += bad;
    stream += reading(0xFFFF, 0xFFFFFF);
    stream += Bytes("\xFE", 1);

    QSignalSpy echo(m_pDecoder, &PDoseProcThread::StartEchoTargeDose);
    QSignalSpy rout(m_pDecoder, &PDoseProcThread::RoutData);
    QList<Output> reference;
    captureStdout([&]() { reference = Decode(stream); });
    QCOMPARE(reference.size(), 1 + 4 + 1 + 1 + 8 + 1);
    QCOMPARE(echo.count(), 1);
    QCOMPARE(rout.count(), 1);

    // The rest comes at the first or at the last sleep of a body wait, or,
    // when the decoder ran dry without waiting, at its next call.
    for (int nCut = 1; nCut < stream.size(); ++nCut) {
        for (int nAtSleep : {1, 7}) {
            // The trailing byte of the last round would precede this one.
            m_pBuffer->Reset();
            echo.clear();
            rout.clear();
            bool bWritten = false;
            int nSleeps = 0;
            m_pDecoder->SetSleeper([&](int) {
                if (++nSleeps == nAtSleep && !bWritten) {
                    bWritten = true;
                    Write(stream.mid(nCut));
                }
            });
            QList<Output> out;
            captureStdout([&]() {
                out = Decode(stream.left(nCut));
                if (!bWritten) {
                    bWritten = true;
                    out += Decode(stream.mid(nCut));
                }
            });
            const QByteArray where
                = "cut at " + QByteArray::number(nCut) + ", sleep " + QByteArray::number(nAtSleep);
            QVERIFY2(out == reference, where.constData());
            QVERIFY2(echo.count() == 1 && rout.count() == 1, where.constData());
        }
    }
    QCOMPARE(m_pBuffer->PackageNum(), 1u);
}

// A writer thread stores frames in small pieces and wakes after each: every
// reading must arrive, in order, although wakes come while the decoder works.
void TstPDoseProcThread::threadDeliversEveryWake()
{
    m_pDecoder->SetSleeper([](int nMs) { QThread::msleep(static_cast<unsigned long>(nMs)); });
    m_pDecoder->SetBodyWait(7, 1);
    m_pDecoder->Start();
    m_pDecoder->Start();
    const int nFrames = 5000;
    QThread* pWriter = QThread::create([this]() {
        for (int i = 0; i < nFrames; ++i) {
            const Bytes frame = reading(quint32(i % 60000), quint32(i));
            const int nCut = 1 + i % 8;
            for (const Bytes& piece : {frame.left(nCut), frame.mid(nCut)}) {
                while (!m_pBuffer->Write(reinterpret_cast<const unsigned char*>(piece.constData()),
                    unsigned(piece.size())))
                    QThread::yieldCurrentThread();
                m_pDecoder->Wake();
            }
            if (i % 500 == 0)
                QThread::msleep(2);
        }
    });
    pWriter->start();
    QTRY_COMPARE_WITH_TIMEOUT(m_out.size(), nFrames, 60000);
    pWriter->wait();
    delete pWriter;
    for (int i = 0; i < nFrames; ++i)
        QCOMPARE(m_out.at(i).nSecond, qint64(i));
}

void TstPDoseProcThread::stopEmptiesBuffer()
{
    m_pDecoder->Start();
    m_pDecoder->Stop();
    Write(Bytes("\xFF\x02\x00", 3));
    m_pDecoder->Start();
    m_pDecoder->Stop();
    QCOMPARE(m_pBuffer->PackageNum(), 0u);
    // A restarted decoder does not carry a half frame over.
    Write(reading(8, 8));
    m_pDecoder->Start();
    m_pDecoder->Wake();
    QTRY_COMPARE(m_out.size(), 1);
    QCOMPARE(m_out.at(0), (Output {1000, 1003, 8, 8}));
}

QTEST_GUILESS_MAIN(TstPDoseProcThread)
#include "tst_pdoseprocthread.moc"
