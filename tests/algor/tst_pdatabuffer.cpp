#include "algor/PDataBuffer.h"
#include "algor/PDosePackProc.h"

#include <QByteArray>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray bytes(int nStart, int nCount)
{
    QByteArray data;
    for (int i = 0; i < nCount; ++i)
        data.append(char((nStart + i) & 0xFF));
    return data;
}

bool write(PDataBuffer& buffer, const QByteArray& data)
{
    return buffer.Write(
        reinterpret_cast<const unsigned char*>(data.constData()), unsigned(data.size()));
}

QByteArray read(PDataBuffer& buffer, int nCount, bool* pOk = nullptr)
{
    QByteArray data(nCount, '\0');
    const bool bOk = buffer.Read(reinterpret_cast<unsigned char*>(data.data()), unsigned(nCount));
    if (pOk)
        *pOk = bOk;
    return bOk ? data : QByteArray();
}

// Runs pAction with stdout sent to a file and returns what it printed. With
// bChild the action runs in a forked child (for fatal assertions).
template <typename Action> QByteArray captureStdout(Action action, bool bChild)
{
    char path[] = "/tmp/tst_pdatabuffer_XXXXXX";
    const int fd = mkstemp(path);
    fflush(stdout);
    if (bChild) {
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(fd, STDOUT_FILENO);
            action();
            fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
    } else {
        const int saved = dup(STDOUT_FILENO);
        dup2(fd, STDOUT_FILENO);
        action();
        fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
    close(fd);
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    const QByteArray out = file.readAll();
    file.remove();
    return out;
}

} // namespace

class TstPDataBuffer : public QObject
{
    Q_OBJECT

private slots:
    void shortReadTakesNothing();
    void wrapAroundKeepsOrder_data();
    void wrapAroundKeepsOrder();
    void exactFillThenRefusal();
    void overflowMessage();
    void fatalAssertions_data();
    void fatalAssertions();
    void resetAbandonsData();
    void multiBytePackages();
    void packHandleForwards();
    void oneWriterOneReader();
};

// A partial read would hand the decoder half a frame body.
void TstPDataBuffer::shortReadTakesNothing()
{
    PDataBuffer buffer;
    buffer.Init(1, 64);
    QVERIFY(write(buffer, bytes(1, 6)));
    bool bOk = true;
    read(buffer, 7, &bOk);
    QVERIFY(!bOk);
    QCOMPARE(buffer.PackageNum(), 6u);
    QVERIFY(write(buffer, bytes(7, 1)));
    QCOMPARE(read(buffer, 7, &bOk), bytes(1, 7));
    QVERIFY(bOk);
    QCOMPARE(buffer.PackageNum(), 0u);
}

void TstPDataBuffer::wrapAroundKeepsOrder_data()
{
    QTest::addColumn<int>("nLead");
    QTest::addColumn<int>("nCount");
    QTest::newRow("ends at last slot") << 6 << 10;
    QTest::newRow("crosses by one") << 7 << 10;
    QTest::newRow("crosses in the middle") << 12 << 12;
    QTest::newRow("whole ring from an offset") << 3 << 16;
}

void TstPDataBuffer::wrapAroundKeepsOrder()
{
    QFETCH(int, nLead);
    QFETCH(int, nCount);
    PDataBuffer buffer;
    buffer.Init(1, 16);
    // Moves both indices to nLead so the next write crosses the end.
    QVERIFY(write(buffer, bytes(100, nLead)));
    QCOMPARE(read(buffer, nLead), bytes(100, nLead));
    QVERIFY(write(buffer, bytes(0, nCount)));
    QCOMPARE(read(buffer, nCount), bytes(0, nCount));
    // The ring is usable again after the wrap.
    QVERIFY(write(buffer, bytes(50, 5)));
    QCOMPARE(read(buffer, 5), bytes(50, 5));
}

void TstPDataBuffer::exactFillThenRefusal()
{
    PDataBuffer buffer;
    buffer.Init(1, 8);
    QVERIFY(write(buffer, bytes(0, 5)));
    QVERIFY(write(buffer, bytes(5, 3)));
    QCOMPARE(buffer.PackageNum(), 8u);
    // Refused whole; the stored packages stay untouched.
    QVERIFY(!write(buffer, bytes(99, 1)));
    QVERIFY(!write(buffer, bytes(99, 20)));
    QCOMPARE(buffer.PackageNum(), 8u);
    QCOMPARE(read(buffer, 8), bytes(0, 8));
    // An empty ring still refuses a write larger than itself.
    QVERIFY(!write(buffer, bytes(0, 9)));
    QCOMPARE(buffer.PackageNum(), 0u);
}

void TstPDataBuffer::overflowMessage()
{
    PDataBuffer buffer;
    buffer.Init(1, 10);
    QVERIFY(write(buffer, bytes(0, 7)));
    const QByteArray out = captureStdout([&buffer]() { write(buffer, bytes(0, 5)); }, false);
    QCOMPARE(out, QByteArray("m_nPackageNum = 12,\n m_nTotalPackageNum = 10 \n"));
}

void TstPDataBuffer::fatalAssertions_data()
{
    QTest::addColumn<int>("nCase");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("storage too large")
        << 0
        << QByteArray("FileName: src/algor/PDataBuffer.cpp  Line: 120  Condition: nPackageNum * "
                      "nPackageSize <= MAX_BUFFER_SIZE  Comment: \n");
    // 0x10000 * 0x10001 wraps to 0x10000 in 32 bits: must still be refused.
    QTest::newRow("product wraps")
        << 1 << QByteArray("Line: 120  Condition: nPackageNum * nPackageSize <= MAX_BUFFER_SIZE");
    QTest::newRow("null source")
        << 2
        << QByteArray("FileName: src/algor/PDataBuffer.cpp  Line: 83  Condition: pData  "
                      "Comment: \n");
}

void TstPDataBuffer::fatalAssertions()
{
    QFETCH(int, nCase);
    QFETCH(QByteArray, expected);
    const QByteArray out = captureStdout(
        [nCase]() {
            PDataBuffer buffer;
            if (nCase == 0)
                buffer.Init(1, PDataBuffer::MAX_BUFFER_SIZE + 1);
            else if (nCase == 1)
                buffer.Init(0x10000, 0x10001);
            else
                buffer.Write(nullptr, 1);
            printf("survived\n");
        },
        true);
    QVERIFY2(out.contains(expected), out.constData());
    QVERIFY(!out.contains("survived"));
}

void TstPDataBuffer::resetAbandonsData()
{
    PDataBuffer buffer;
    buffer.Init(1, 8);
    QVERIFY(write(buffer, bytes(0, 6)));
    buffer.Reset();
    bool bOk = true;
    read(buffer, 1, &bOk);
    QVERIFY(!bOk);
    // Full capacity is available again after a reset.
    QVERIFY(write(buffer, bytes(20, 8)));
    QCOMPARE(read(buffer, 8), bytes(20, 8));
}

void TstPDataBuffer::multiBytePackages()
{
    PDataBuffer buffer;
    buffer.Init(4, 5);
    const QByteArray lead = bytes(200, 12);
    QVERIFY(buffer.Write(reinterpret_cast<const unsigned char*>(lead.constData()), 3));
    QByteArray out(12, '\0');
    QVERIFY(buffer.Read(reinterpret_cast<unsigned char*>(out.data()), 3));
    QCOMPARE(out, lead);
    const QByteArray data = bytes(0, 16);
    QVERIFY(buffer.Write(reinterpret_cast<const unsigned char*>(data.constData()), 4));
    QByteArray back(16, '\0');
    QVERIFY(buffer.Read(reinterpret_cast<unsigned char*>(back.data()), 4));
    QCOMPARE(back, data);
}

void TstPDataBuffer::packHandleForwards()
{
    PDataBuffer buffer;
    buffer.Init(1, 4);
    PDosePackProc pack(&buffer);
    const QByteArray data = bytes(9, 4);
    QVERIFY(pack.Write(reinterpret_cast<const unsigned char*>(data.constData()), 4));
    QVERIFY(!pack.Write(reinterpret_cast<const unsigned char*>(data.constData()), 1));
    QCOMPARE(read(buffer, 4), data);
}

// A writer thread and this reader move a long sequence through a small ring:
// every byte must come out once and in order (run under TSan/ASan as well).
void TstPDataBuffer::oneWriterOneReader()
{
    PDataBuffer buffer;
    buffer.Init(1, 61);
    const int nTotal = 200000;
    QThread* pWriter = QThread::create([&buffer]() {
        int nNext = 0;
        unsigned char chunk[17];
        while (nNext < nTotal) {
            const int nCount = qMin(1 + nNext % 17, nTotal - nNext);
            for (int i = 0; i < nCount; ++i)
                chunk[i] = static_cast<unsigned char>((nNext + i) % 251);
            if (buffer.Write(chunk, unsigned(nCount)))
                nNext += nCount;
            else
                QThread::yieldCurrentThread();
        }
    });
    pWriter->start();
    int nRead = 0;
    bool bInOrder = true;
    unsigned char chunk[13];
    while (nRead < nTotal) {
        const int nCount = qMin(1 + nRead % 13, nTotal - nRead);
        if (!buffer.Read(chunk, unsigned(nCount))) {
            QThread::yieldCurrentThread();
            continue;
        }
        for (int i = 0; i < nCount; ++i)
            bInOrder = bInOrder && chunk[i] == (nRead + i) % 251;
        nRead += nCount;
    }
    pWriter->wait();
    delete pWriter;
    QVERIFY(bInOrder);
    QCOMPARE(buffer.PackageNum(), 0u);
}

QTEST_GUILESS_MAIN(TstPDataBuffer)
#include "tst_pdatabuffer.moc"
