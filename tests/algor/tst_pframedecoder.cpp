#include "algor/PFrameDecoder.h"

#include "FrameBytes.h"
#include "StdoutCapture.h"
#include "message/SBus.h"

#include <QtTest>

using Bytes = QByteArray;
// One output: readings, threshold notices, block and target values are
// {receiver, message, first word, second word} as the decoding thread posts
// them; a target dose is {0, x, y, z}, a routing reading {-1, staff * 256 +
// room, minute of the Julian calendar, dose}.
using Out = QVector<qint64>;
using Outs = QVector<Out>;

using namespace FrameBytes;

namespace {

Out Rd(qint64 nId, qint64 nValue)
{
    return {SBus::MainWindow, SBus::RawReading, nId, nValue};
}
Out Notice(qint64 nId)
{
    return {SBus::ThresholdPage, SBus::ThresholdNotice, nId, 0};
}
Out Block(qint64 nId, qint64 nWord)
{
    return {SBus::DecoderUnrouted, SBus::BlockValue, nId, nWord};
}
Out Pair(qint64 nY, qint64 nWord)
{
    return {SBus::DecoderUnrouted, SBus::TargetValue, nY, nWord};
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

// Records what the decoder delivers, in order.
class Recorder final : public PFrameDecoder::Sink
{
public:
    Outs out;
    int nPairs = 0;

    void Reading(quint32 nId, quint32 nValue) override { out.append(Rd(nId, nValue)); }
    void ThresholdNotice(quint32 nId) override { out.append(Notice(nId)); }
    void TargetDose(int nX, int nY, int nZ) override { out.append({0, nX, nY, nZ}); }
    void Routing(int nRout, int nRoom, const QDate& date, const QTime& time, int nDose) override
    {
        out.append({-1, nRout * 256 + nRoom,
            date.toJulianDay() * 1440 + time.hour() * 60 + time.minute(), nDose});
    }
    void BlockValue(quint32 nId, quint32 nWord) override { out.append(Block(nId, nWord)); }
    void TargetValue(quint32 nY, quint32 nWord) override { out.append(Pair(nY, nWord)); }
    void PairDone() override { ++nPairs; }
};

} // namespace

class TstPFrameDecoder : public QObject
{
    Q_OBJECT

private:
    Recorder m_sink;
    PFrameDecoder* m_pDecoder = nullptr;

    Outs Decode(const Bytes& data, qint64 nNowMs = 0)
    {
        m_pDecoder->Feed(
            reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()), nNowMs);
        const Outs out = m_sink.out;
        m_sink.out.clear();
        return out;
    }

private slots:
    void init()
    {
        m_pDecoder = new PFrameDecoder(&m_sink);
        m_pDecoder->SetExtendedProtocol(true);
        m_sink = Recorder();
    }

    void cleanup() { delete m_pDecoder; }

    void frames_data()
    {
        QTest::addColumn<Bytes>("stream");
        QTest::addColumn<Outs>("expected");
        QTest::addColumn<int>("nPairs");
        const Out r = Rd(0x1234, 0xABCDEF);
        QTest::newRow("reading") << reading(0x1234, 0xABCDEF) << Outs {r} << 0;
        QTest::newRow("garbage first")
            << Bytes("\x00\x13\xFE\x02", 4) + reading(0x1234, 0xABCDEF) << Outs {r} << 0;
        QTest::newRow("unknown type dropped")
            << Bytes("\xFF\x55\x01\x02\x03\x04\x05", 7) + reading(5, 6) << Outs {Rd(5, 6)} << 0;
        const Bytes four = sealed(
            Bytes("\xFF\x03\x00\x00\x07", 5) + be(10, 3) + be(20, 3) + be(30, 3) + be(0x800000, 3),
            1);
        QTest::newRow("four values in order")
            << four << Outs {Rd(1007, 10), Rd(2007, 20), Rd(3007, 30), Rd(4007, 0x800000)} << 0;
        QTest::newRow("four values bad sum")
            << corrupt(four, 9) + reading(3, 4) << Outs {Rd(3, 4)} << 0;
        QTest::newRow("short reading")
            << sealed(Bytes("\xFF\x04\xC8\x01\x02\x03"), 1) << Outs {Rd(200, 0x010203)} << 0;
        QTest::newRow("threshold notice")
            << sealed(Bytes("\xFF\x01\x09\x77\x77\x77"), 1) << Outs {Notice(9)} << 0;
        // A corrupted short frame searches on into the next frame; a window
        // that checks out with another type byte is no short frame, so
        // nothing is invented, and the frame it sits on is still decoded.
        QTest::newRow("corrupted short, then reading")
            << Bytes::fromHex("FF040100000000FF020400070001F4F4") << Outs {Rd(7, 500)} << 0;
        // The search may find a real short frame that the start byte missed.
        QTest::newRow("corrupted short, then unheaded short")
            << Bytes::fromHex("FF040100000000000433000005321100") + reading(1, 2)
            << Outs {Rd(0x33, 5), Rd(1, 2)} << 0;
        // A search window that sums to zero on a type other than 0x04/0x01
        // and not on a frame head is dropped.
        QTest::newRow("search ends on a foreign type")
            << Bytes::fromHex("FF04010000000000070102030403") + reading(1, 2) << Outs {Rd(1, 2)}
            << 0;
        // An invalid day is never delivered; a real one next to it is.
        Bytes badDays;
        for (const char* pBad : {"\x26\x1A\x05\x14\x30", "\x26\x02\x30\x14\x30",
                 "\x26\x12\x05\x24\x00", "\x26\x12\x05\x14\x60"})
            badDays += routing(1, pBad, 1);
        QTest::newRow("routing, bad days dropped")
            << badDays + routing(1, "\x24\x02\x29\x23\x59", 2)
            << Outs {{-1, 5 * 256 + 1, QDate(2024, 2, 29).toJulianDay() * 1440 + 23 * 60 + 59, 2}}
            << 0;
        QTest::newRow("target dose") << target(2) << Outs {{0, 4, 0x00010203, 2}} << 0;
        QTest::newRow("target dose z 0xEE is 0")
            << target(0xEE) << Outs {{0, 4, 0x00010203, 0}} << 0;
        QTest::newRow("target dose bad sum") << corrupt(target(2), 20) << Outs {} << 0;
        Outs pairs = {{0, 4, 0x00010203, 3}};
        for (int k = 0; k < 8; ++k)
            pairs.append(Pair(0x00010203, ((1 + k % 2) << 24) | 0x111111));
        QTest::newRow("target dose z 3 pauses") << target(3) << pairs << 4;
        Bytes values;
        Outs blockOut;
        for (int k = 0; k < 8; ++k) {
            values += be(quint32(k + 1), 3);
            blockOut.append(Block(9, qint64((10 * k + 3) << 24) + k + 1));
        }
        QTest::newRow("block g 3 pauses") << block(3, values) << blockOut << 4;
        // EE EE EE counts as zeros for the sum only when the sender zeroed it.
        Bytes ee = block(3, Bytes(3, '\0') + values.mid(3));
        ee.replace(7, 3, Bytes(3, '\xEE'));
        blockOut[0][3] = qint64(3) << 24;
        QTest::newRow("block EE run zeroed") << ee << blockOut << 4;
        QTest::newRow("block EE run summed raw")
            << block(3, Bytes(3, '\xEE') + values.mid(3)) + reading(1, 1) << Outs {Rd(1, 1)} << 0;
    }

    void frames()
    {
        QFETCH(Bytes, stream);
        QFETCH(Outs, expected);
        QFETCH(int, nPairs);
        QCOMPARE(Decode(stream), expected);
        QCOMPARE(m_sink.nPairs, nPairs);
    }

    // Without the extended protocol only block and target-dose frames count.
    void basicProtocolTakesLongFramesOnly()
    {
        m_pDecoder->SetExtendedProtocol(false);
        QCOMPARE(Decode(reading(1, 2) + target(2) + sealed("\xFF\x04\x03\x0A\x0B\x0C", 1)),
            (Outs {{0, 4, 0x00010203, 2}}));
    }

    // A reading with a bad sum and a short frame whose sum never comes right
    // (it runs the bytes dry) are each dropped with one line in the log; the
    // next piece starts afresh.
    void badSumsAreLoggedAndDropped()
    {
        const Bytes bad = corrupt(reading(0x0102, 0x030405), 8);
        QCOMPARE(StdoutCapture::Of([&]() { QVERIFY(Decode(bad).isEmpty()); }).count('\n'), 1);
        const Bytes badShort = corrupt(sealed("\xFF\x04\x01\x02\x03\x04", 1), 6);
        QCOMPARE(StdoutCapture::Of([&]() { QVERIFY(Decode(badShort).isEmpty()); }).count('\n'), 1);
        QCOMPARE(m_pDecoder->Held(), size_t(0));
        QCOMPARE(Decode(reading(3, 4)), (Outs {Rd(3, 4)}));
    }

    void bodyWait_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<int>("nArrivesMs");
        QTest::newRow("target dose after 3.5 s") << target(2) << 3500;
        QTest::newRow("target dose after 4 s") << target(2) << 4000;
        QTest::newRow("routing after 0.5 s") << routing(2, "\x26\x12\x05\x14\x30", 500) << 500;
        QTest::newRow("reading after 4 s") << reading(9, 9) << 4000;
    }

    // A body that comes within 3.5 s of its head is decoded; a later one is
    // lost and skipped as garbage, whether it comes late or never.
    void bodyWait()
    {
        QFETCH(Bytes, frame);
        QFETCH(int, nArrivesMs);
        const bool bInTime = nArrivesMs <= 3500;
        QVERIFY(Decode(frame.left(7), 1000).isEmpty());
        QCOMPARE(m_pDecoder->Deadline(), qint64(4500));
        QCOMPARE(Decode(frame.mid(7), 1000 + nArrivesMs).size(), bInTime ? 1 : 0);
        QCOMPARE(Decode(reading(1, 2), 9000), (Outs {Rd(1, 2)}));

        // Nothing more comes: giving up lets the bytes behind the head through.
        const Bytes shortFrame = sealed("\xFF\x04\x03\x0A\x0B\x0C", 1);
        QVERIFY(Decode(target(2).left(7) + shortFrame, 10000).isEmpty());
        m_pDecoder->Advance(13500);
        QVERIFY(m_sink.out.isEmpty());
        m_pDecoder->Advance(13501);
        QCOMPARE(m_sink.out, (Outs {Rd(3, 0x0A0B0C)}));
        QCOMPARE(m_pDecoder->Deadline(), qint64(-1));
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

    // Cut anywhere, the stream decodes as in one piece. Only a short-frame
    // search that ran dry at the cut may change the outcome, and then only by
    // losing readings, never by inventing one.
    void splitAtEveryOffset()
    {
        QFETCH(Bytes, stream);
        QFETCH(int, nOutputs);
        Outs reference;
        StdoutCapture::Of([&]() { reference = Decode(stream); });
        QCOMPARE(reference.size(), nOutputs);
        for (int nCut = 1; nCut < stream.size(); ++nCut) {
            m_pDecoder->Reset();
            Outs out;
            bool bDryAtCut = false;
            StdoutCapture::Of([&]() {
                const quint64 nDropped = m_pDecoder->DroppedSearches();
                out = Decode(stream.left(nCut));
                bDryAtCut = m_pDecoder->DroppedSearches() != nDropped;
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
};

QTEST_APPLESS_MAIN(TstPFrameDecoder)
#include "tst_pframedecoder.moc"
