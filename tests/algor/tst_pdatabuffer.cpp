#include "StdoutCapture.h"

#include "algor/PDataBuffer.h"
#include "algor/PDosePackProc.h"

#include <QThread>
#include <QtTest>

namespace {

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

class TstPDataBuffer : public QObject
{
    Q_OBJECT

private slots:
    // A read takes all it asks for or nothing; a write that does not fit is
    // refused whole, says so and never overwrites; a reset abandons the data.
    void allOrNothing()
    {
        PDataBuffer buffer;
        buffer.Init(1, 10);
        QVERIFY(write(buffer, bytes(1, 6)));
        QCOMPARE(read(buffer, 7), QByteArray("fail"));
        QVERIFY(write(buffer, bytes(7, 4)));
        // The refusal names the count it would reach and the capacity.
        const QByteArray refusal
            = StdoutCapture::Of([&]() { QVERIFY(!write(buffer, bytes(99, 5))); });
        QVERIFY2(refusal.contains("15") && refusal.contains("10"), refusal.constData());
        QCOMPARE(read(buffer, 10), bytes(1, 10));
        QVERIFY(write(buffer, bytes(0, 6)));
        buffer.Reset();
        QCOMPARE(read(buffer, 1), QByteArray("fail"));
        buffer.Init(4, 3); // packages of four bytes
        QVERIFY(buffer.Write(reinterpret_cast<const unsigned char*>(bytes(0, 12).constData()), 3));
        QCOMPARE(read(buffer, 3, 4), bytes(0, 12));
    }

    // From every starting offset, the whole ring goes in and comes out in order.
    void wrapAroundKeepsOrder()
    {
        for (int nLead = 0; nLead < 16; ++nLead) {
            PDataBuffer buffer;
            buffer.Init(1, 16);
            QVERIFY(write(buffer, bytes(100, nLead)));
            QCOMPARE(read(buffer, nLead), bytes(100, nLead));
            QVERIFY(write(buffer, bytes(0, 16)));
            QCOMPARE(read(buffer, 16), bytes(0, 16));
        }
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
};

QTEST_GUILESS_MAIN(TstPDataBuffer)
#include "tst_pdatabuffer.moc"
