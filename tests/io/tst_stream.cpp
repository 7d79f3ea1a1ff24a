#include "io/SFileStream.h"

#include <QTemporaryDir>
#include <QtTest>

class TestStream : public QObject
{
    Q_OBJECT

private:
    QByteArray Name(const char* pName) const { return QFile::encodeName(m_dir.filePath(pName)); }

    QTemporaryDir m_dir;

private slots:
    // Failures (a missing file, a write to a reader, an empty or null write)
    // set the error and move nothing; seeks are relative when asked and stay
    // inside the file.
    void failuresAndSeeks()
    {
        SFileStream missing(SFileStream::ModeRead);
        missing.SetFileName(Name("missing.dat").constData());
        QVERIFY(!missing.Open());
        QCOMPARE(missing.ErrorCode(), 3);
        QCOMPARE(missing.Remaining(), qint64(0));

        SFileStream writer(SFileStream::ModeWrite);
        writer.SetFileName(Name("seek.dat").constData());
        QVERIFY(writer.Open());
        QCOMPARE(writer.Write("abc", 0), qint64(0));
        QCOMPARE(writer.Write(nullptr, 3), qint64(0));
        QCOMPARE(writer.Write("0123456789", 10), qint64(10));
        writer.Close();
        SFileStream s(SFileStream::ModeRead);
        s.SetFileName(Name("seek.dat").constData());
        QVERIFY(s.Open());
        QCOMPARE(s.Write("x", 1), qint64(0));
        QCOMPARE(s.ErrorCode(), 3);
        QCOMPARE(s.Remaining(), qint64(10));
        QVERIFY(s.Seek(4, 0, false));
        QVERIFY(s.Seek(3, 0, true));
        QCOMPARE(s.Pos(), qint64(7));
        QCOMPARE(s.Remaining(), qint64(3));
        QVERIFY(s.Seek(5, 1, true));
        QVERIFY(!s.Seek(5, 1, true));
        char c = 0;
        QCOMPARE(s.Read(&c, 1), qint64(1));
        QCOMPARE(c, '2');
        // Past the end nothing remains and nothing is read.
        QVERIFY(s.Seek(20, 0, false));
        QCOMPARE(s.Remaining(), qint64(0));
        QVERIFY(s.AtEnd());
        QCOMPARE(s.Read(&c, 1), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestStream)
#include "tst_stream.moc"
