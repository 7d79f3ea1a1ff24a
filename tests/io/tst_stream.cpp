#include "io/SFileStream.h"
#include "io/SMemoryStream.h"

#include <QTemporaryDir>
#include <QtTest>

class TestStream : public QObject
{
    Q_OBJECT

private slots:
    void openFailureSetsError();
    void writeOnReadStreamRefused();
    void positionsAndSeeks();
    void memoryStreamMatchesFile();

private:
    QTemporaryDir m_dir;
};

void TestStream::openFailureSetsError()
{
    SFileStream stream(SFileStream::ModeRead);
    stream.SetFileName(QFile::encodeName(m_dir.filePath("missing.dat")).constData());
    QVERIFY(!stream.Open());
    QCOMPARE(stream.ErrorCode(), 3);
    QVERIFY(!stream.IsOpen());
    QCOMPARE(stream.Remaining(), qint64(0));
}

void TestStream::writeOnReadStreamRefused()
{
    const QByteArray strName = QFile::encodeName(m_dir.filePath("ro.dat"));
    {
        SFileStream writer(SFileStream::ModeWrite);
        writer.SetFileName(strName.constData());
        QVERIFY(writer.Open());
        QCOMPARE(writer.Write("abc", 0), qint64(0));
        QCOMPARE(writer.Write(nullptr, 3), qint64(0));
        QCOMPARE(writer.Write("abc", 3), qint64(3));
    }
    SFileStream reader(SFileStream::ModeRead);
    reader.SetFileName(strName.constData());
    QVERIFY(reader.Open());
    QCOMPARE(reader.Write("x", 1), qint64(0));
    QCOMPARE(reader.ErrorCode(), 3);
    char buffer[8] = {};
    QCOMPARE(reader.Read(buffer, 8), qint64(3));
    QCOMPARE(QByteArray(buffer), QByteArray("abc"));
}

void TestStream::positionsAndSeeks()
{
    const QByteArray strName = QFile::encodeName(m_dir.filePath("seek.dat"));
    {
        SFileStream writer(SFileStream::ModeWrite);
        writer.SetFileName(strName.constData());
        QVERIFY(writer.Open());
        QCOMPARE(writer.Write("0123456789", 10), qint64(10));
    }
    SFileStream s(SFileStream::ModeRead);
    s.SetFileName(strName.constData());
    QVERIFY(s.Open());
    QCOMPARE(s.Remaining(), qint64(10));
    QVERIFY(s.Seek(4, 0, false));
    QVERIFY(s.Seek(3, 0, true));
    QCOMPARE(s.Pos(), qint64(7));
    QVERIFY(s.Seek(5, 1, true));
    QCOMPARE(s.Pos(), qint64(2));
    QVERIFY(!s.Seek(5, 1, true));
    char c = 0;
    QCOMPARE(s.Read(&c, 1), qint64(1));
    QCOMPARE(c, '2');
    // Past the end: nothing remains and nothing is read.
    QVERIFY(s.Seek(20, 0, false));
    QCOMPARE(s.Remaining(), qint64(0));
    QVERIFY(s.AtEnd());
    QCOMPARE(s.Read(&c, 1), qint64(0));
    QVERIFY(s.SeekEnd());
    QVERIFY(s.AtEnd());
}

void TestStream::memoryStreamMatchesFile()
{
    QByteArray buffer;
    SMemoryStream s(&buffer);
    QVERIFY(s.Open());
    QCOMPARE(s.Write("hello", 5), qint64(5));
    QVERIFY(s.Seek(1, 0, false));
    QCOMPARE(s.Write("EL", 2), qint64(2));
    QCOMPARE(buffer, QByteArray("hELlo"));
    QVERIFY(s.Seek(2, 1, true));
    char out[8] = {};
    QCOMPARE(s.Read(out, 8), qint64(4));
    QCOMPARE(QByteArray(out), QByteArray("ELlo"));
    QCOMPARE(s.Read(out, 1), qint64(0));
    QVERIFY(!s.Seek(6, 1, true));
}

QTEST_GUILESS_MAIN(TestStream)
#include "tst_stream.moc"
