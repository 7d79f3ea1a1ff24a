#include "io/SFileStream.h"
#include "io/SMemoryStream.h"

#include <QtTest>

namespace {

// Runs space-separated steps on a stream and says what each gave: sN, fN, bN
// seek to N, forward by N, back by N (1 or 0); E and B seek to the end or the
// beginning; rN reads up to N bytes (the bytes, or "-"); p gives Pos/Remaining.
QString run(SIOStream& stream, const QString& strSteps)
{
    QStringList out;
    for (const QString& strStep : strSteps.split(QLatin1Char(' '))) {
        const qint64 n = strStep.mid(1).toLongLong();
        switch (strStep.at(0).toLatin1()) {
        case 's':
            out << QString::number(stream.Seek(n, 0, false));
            break;
        case 'f':
            out << QString::number(stream.Seek(n, 0, true));
            break;
        case 'b':
            out << QString::number(stream.Seek(n, 1, true));
            break;
        case 'E':
            stream.SeekEnd();
            break;
        case 'B':
            stream.SeekBegin();
            break;
        case 'r': {
            QByteArray bytes(int(n) + 1, '\0');
            bytes.resize(int(stream.Read(bytes.data(), n)));
            out << (bytes.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(bytes));
            break;
        }
        default:
            out << QStringLiteral("%1/%2").arg(stream.Pos()).arg(stream.Remaining());
        }
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestStream : public QObject
{
    Q_OBJECT

private:
    QByteArray Name(const char* pName) const { return QFile::encodeName(m_dir.filePath(pName)); }

    QTemporaryDir m_dir;

private slots:
    // The preset files are parsed from memory and from disk alike: both
    // streams must give the same answers over the same ten bytes.
    void seeksAndReads_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("results");
        const char* const rows[][3] = {{"relative seeks", "s4 f3 p r1 b5 p", "1 1 7/3 7 1 3/7"},
            {"back past the start fails and stays", "s3 b5 p r2", "1 0 3/7 34"},
            {"short read at the end", "s8 r5 p r1", "1 89 10/0 -"},
            {"past the end nothing remains", "s20 p r1", "1 20/0 -"},
            {"end, then back", "E p b3 r3", "10/0 1 789"},
            {"begin again", "r4 B p r0", "0123 0/10 -"}};
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]);
    }
    void seeksAndReads()
    {
        QFETCH(QString, steps);
        QFETCH(QString, results);
        QByteArray bytes("0123456789");
        SMemoryStream memory(&bytes);
        QVERIFY(memory.Open());
        QCOMPARE(run(memory, steps), results);

        QFile file(m_dir.filePath("ten.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == 10);
        file.close();
        SFileStream reader(SFileStream::ModeRead);
        reader.SetFileName(Name("ten.dat").constData());
        QVERIFY(reader.Open());
        QCOMPARE(run(reader, steps), results);
    }

    // Writes overwrite in place and grow the buffer; a closed stream moves
    // nothing; opening again starts at the beginning.
    void memoryWrites()
    {
        QByteArray bytes("abcdef");
        SMemoryStream stream(&bytes);
        QCOMPARE(stream.Write("x", 1), qint64(0));
        QVERIFY(stream.Open());
        QVERIFY(stream.Seek(4, 0, false));
        QCOMPARE(stream.Write("XYZ", 3), qint64(3));
        QCOMPARE(stream.Write(nullptr, 3), qint64(0));
        QCOMPARE(bytes, QByteArray("abcdXYZ"));
        QVERIFY(stream.AtEnd());
        QVERIFY(stream.Open());
        QCOMPARE(run(stream, "r2"), QStringLiteral("ab"));
        stream.Close();
        QCOMPARE(run(stream, "r2"), QStringLiteral("-"));
    }

    // Failures (a missing file, a write to a reader, an empty or null write)
    // set the error and move nothing.
    void fileFailures()
    {
        SFileStream missing(SFileStream::ModeRead);
        missing.SetFileName(Name("missing.dat").constData());
        QVERIFY(!missing.Open());
        QCOMPARE(missing.ErrorCode(), int(SFileStream::ErrorOpen));
        QCOMPARE(missing.Remaining(), qint64(0));

        SFileStream writer(SFileStream::ModeWrite);
        writer.SetFileName(Name("w.dat").constData());
        QVERIFY(writer.Open());
        QCOMPARE(writer.Write("abc", 0), qint64(0));
        QCOMPARE(writer.Write(nullptr, 3), qint64(0));
        QCOMPARE(writer.Write("0123", 4), qint64(4));
        QCOMPARE(writer.Size(), qint64(4));
        writer.Close();
        SFileStream reader(SFileStream::ModeRead);
        reader.SetFileName(Name("w.dat").constData());
        QVERIFY(reader.Open());
        QCOMPARE(reader.Write("x", 1), qint64(0));
        QCOMPARE(reader.ErrorCode(), int(SFileStream::ErrorOpen));
        QCOMPARE(run(reader, "r9"), QStringLiteral("0123"));
    }
};

QTEST_GUILESS_MAIN(TestStream)
#include "tst_stream.moc"
