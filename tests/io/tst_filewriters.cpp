#include "FileSizeLimit.h"
#include "TestFiles.h"

#include "io/SAtomicFile.h"
#include "io/SCsvWriter.h"
#include "io/SFileStream.h"
#include "io/SMemoryStream.h"
#include "io/SXlsxWorkbook.h"

#include "XlsxSheet.h"

#include <QtTest>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// What stands under a name, the name itself not followed.
struct Node
{
    bool bExists = false;
    mode_t mode = 0;
    dev_t device = 0;
    QByteArray content;
};

Node nodeOf(const QString& strPath)
{
    Node node;
    struct stat status;
    if (::lstat(QFile::encodeName(strPath).constData(), &status) != 0)
        return node;
    node.bExists = true;
    node.mode = status.st_mode;
    node.device = status.st_rdev;
    QFile file(strPath);
    if (S_ISREG(status.st_mode) && file.open(QIODevice::ReadOnly))
        node.content = file.readAll();
    return node;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return S_IFREG | (0666 & ~mask);
}

// Temporary files of strPath that were left behind.
QStringList leftovers(const QString& strPath)
{
    const QFileInfo info(strPath);
    return QDir(info.absolutePath())
        .entryList({QLatin1Char('.') + info.fileName() + QStringLiteral(".*")},
            QDir::Files | QDir::Hidden | QDir::System);
}

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

// The atomic replacement every kept file goes through, the CSV and
// spreadsheet writers on top of it, and the streams the preset files are read
// through.
class TestFileWriters : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void init()
    {
        for (const QString& strName : Files())
            QFile::remove(m_dir.filePath(strName));
    }

    void replaceOrRefuse_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("refusal"); // empty when the target is replaced
        const QString strFull = QString::fromLocal8Bit(std::strerror(EFBIG));
        const QString strAbsent = QString::fromLocal8Bit(std::strerror(ENOENT));
        for (const QStringList& row : QList<QStringList> {{"new file", "new.csv", "", ""},
                 {"file of mode 0640", "kept.csv", "0640", ""},
                 {"link to a file", "link.csv", "link", ""},
                 {"/dev/null", "/dev/null", "", "it is a device"},
                 {"/dev/full", "/dev/full", "", "it is a device"},
                 {"folder", "folder.csv", "folder", "it is a folder"},
                 {"pipe", "pipe.csv", "fifo", "it is a pipe"},
                 {"disk full while writing", "full.csv", "limit", strFull},
                 {"no such folder", "gone/new.csv", "", strAbsent}})
            QTest::newRow(qPrintable(row[0])) << row[1] << row[2] << row[3];
    }

    // A target is either replaced whole, keeping its mode (a link stays a
    // link to the new content), or refused with its name and the reason and
    // left exactly as it was; no temporary file stays behind either way.
    void replaceOrRefuse()
    {
        QFETCH(QString, target);
        QFETCH(QString, before);
        QFETCH(QString, refusal);
        const QString strPath = QDir::isAbsolutePath(target) ? target : m_dir.filePath(target);
        const QString strLinked = m_dir.filePath(QStringLiteral("linked.csv"));
        const QByteArray old("old");
        if (before == QLatin1String("0640") || before == QLatin1String("limit")) {
            QVERIFY(TestFiles::Put(strPath, old));
            QVERIFY(before == QLatin1String("limit")
                || ::chmod(QFile::encodeName(strPath).constData(), 0640) == 0);
        } else if (before == QLatin1String("link")) {
            QVERIFY(TestFiles::Put(strLinked, old));
            QVERIFY(QFile::link(strLinked, strPath));
        } else if (before == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(strPath));
        } else if (before == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(strPath).constData(), 0600), 0);
        }
        const QString strData = before == QLatin1String("link") ? strLinked : strPath;
        const Node name = nodeOf(strPath);
        const Node data = nodeOf(strData);

        const QByteArray content(before == QLatin1String("limit") ? 65536 : 3, 'n');
        QString strError;
        bool bReplaced = false;
        {
            SAtomicFile file(strPath);
            if (file.Open(&strError)) {
                std::unique_ptr<FileSizeLimit> pLimit;
                if (before == QLatin1String("limit"))
                    pLimit = std::make_unique<FileSizeLimit>(4096);
                file.File().write(content);
                bReplaced = file.Commit(&strError);
            }
        }

        const Node nameAfter = nodeOf(strPath);
        const Node dataAfter = nodeOf(strData);
        if (refusal.isEmpty()) {
            QVERIFY2(bReplaced, qPrintable(strError));
            QCOMPARE(dataAfter.content, content);
            QCOMPARE(nameAfter.mode, name.bExists ? name.mode : newFileMode());
            QCOMPARE(dataAfter.mode, data.bExists ? data.mode : newFileMode());
        } else {
            QVERIFY(!bReplaced);
            QVERIFY2(
                strError.contains(refusal) && strError.contains(strPath), qPrintable(strError));
            QCOMPARE(nameAfter.bExists, name.bExists);
            QCOMPARE(nameAfter.mode, name.mode);
            QCOMPARE(nameAfter.device, name.device);
            QCOMPARE(dataAfter.content, data.content);
        }
        QCOMPARE(leftovers(strPath), QStringList());
    }

    // A field with a separator, a quote or a line break is quoted with its
    // quotes doubled; anything else, spaces and non-ASCII included, stands bare.
    void field_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        for (const QStringList& row : QList<QStringList> {{"Room 3", "Room 3"}, {"", ""},
                 {"M\u00fcller, A.", "\"M\u00fcller, A.\""}, {"Lab \"2\"", "\"Lab \"\"2\"\"\""},
                 {"a\nb", "\"a\nb\""}, {"a\rb", "\"a\rb\""}, {"\"", "\"\"\"\""}})
            QTest::newRow(qPrintable(row[1])) << row[0] << row[1];
    }
    void field()
    {
        QFETCH(QString, value);
        QTEST(SCsvWriter::Field(value), "field");
    }

    // CSV: UTF-8 without a byte-order mark, CR LF after every line, and a
    // file replaced only by Commit(): a writer dropped without it leaves the
    // old file and nothing beside it.
    void writesAndReplaces()
    {
        const QString strFile = m_dir.filePath("out.csv");
        QVERIFY(TestFiles::Put(strFile, "old\r\n"));
        QString strError;
        {
            SCsvWriter dropped(strFile);
            QVERIFY(dropped.Open(&strError));
            dropped.WriteRow({"never"});
        }
        QCOMPARE(TestFiles::Get(strFile), QByteArray("old\r\n"));
        QCOMPARE(Files(), QStringList("out.csv"));

        SCsvWriter writer(strFile);
        QVERIFY(writer.Open(&strError));
        writer.WriteRow({"a", "b,c"});
        writer.WriteRow({QString::fromUtf8("M\xc3\xbcller"), "x\"y", ""});
        QCOMPARE(TestFiles::Get(strFile), QByteArray("old\r\n"));
        QVERIFY(writer.Commit(&strError));
        QCOMPARE(TestFiles::Get(strFile), QByteArray("a,\"b,c\"\r\nM\xc3\xbcller,\"x\"\"y\",\r\n"));
        QCOMPARE(Files(), QStringList("out.csv"));
    }

    // What a spreadsheet program reads back: the cell at (row, column) from
    // 0 is "A1" from 1; texts in UTF-8, numbers and days under their formats,
    // merged cells, heights, and a chart over the rows asked for.
    void cellsReadBack()
    {
        const QString strFile = m_dir.filePath("r.xlsx");
        SXlsxWorkbook book(strFile);
        book.MergeRow(0, 0, 1, QStringLiteral("title"));
        book.SetRowHeight(0, 40);
        book.SetText(1, 0, QString::fromUtf8("M\xc3\xbcller, \"A\""));
        book.SetCentred(true);
        book.SetNumber(1, 1, 0.125, QStringLiteral("0.00%"));
        book.SetBlank(2, 0);
        book.SetDate(3, 0, QDate(2014, 5, 2), QStringLiteral("yyyy-mm-dd"));
        book.SetNumber(3, 1, 2.5);
        book.SetDate(4, 0, QDate(2014, 5, 3), QStringLiteral("yyyy-mm-dd"));
        book.SetNumber(4, 1, 7, QStringLiteral("0.00"));
        book.AddLineChart(3, 4, 0, QStringLiteral("dd"), 1, 1, 6);
        QString strError;
        QVERIFY2(book.Save(&strError), qPrintable(strError));

        const XlsxSheet sheet = XlsxSheet::Read(strFile);
        QCOMPARE(sheet.values,
            (QHash<QString, QString> {{"A1", "title"},
                {"A2", QString::fromUtf8("M\xc3\xbcller, \"A\"")}, {"B2", "0.125"},
                {"A4", XlsxSheet::Serial(QDate(2014, 5, 2))}, {"B4", "2.5"},
                {"A5", XlsxSheet::Serial(QDate(2014, 5, 3))}, {"B5", "7"}}));
        QCOMPARE(sheet.formats.value("B2"), QStringLiteral("0.00%"));
        QCOMPARE(sheet.formats.value("A4"), QStringLiteral("yyyy-mm-dd"));
        QCOMPARE(sheet.formats.value("B4"), QString());
        QCOMPARE(sheet.formats.value("B5"), QStringLiteral("0.00"));
        QVERIFY(sheet.formats.contains("A3"));
        QCOMPARE(sheet.merges, QStringList("A1:B1"));
        QCOMPARE(sheet.heights, (QHash<int, double> {{1, 40.0}}));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$A$4:$A$5</c:f>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$4:$B$5</c:f>"));
        QVERIFY(sheet.chart.contains("<c:f>Sheet1!$B$2</c:f>"));
        QCOMPARE(Files(), QStringList("r.xlsx"));
    }

    // A failure leaves the target as it was and nothing beside it: a cell
    // the format cannot hold, a workbook never saved.
    void failuresLeaveNoFile()
    {
        const QString strFile = m_dir.filePath("r.xlsx");
        QString strError;
        {
            SXlsxWorkbook book(strFile);
            book.SetText(0, 0, QStringLiteral("kept"));
            book.SetNumber(1048576, 0, 1.0);
            book.SetText(1, 0, QStringLiteral("after"));
            QVERIFY(!book.Save(&strError));
            QVERIFY(!strError.isEmpty());
        }
        {
            SXlsxWorkbook unsaved(strFile);
            unsaved.SetText(0, 0, QStringLiteral("x"));
        }
        QCOMPARE(Files(), QStringList());
    }

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

        QVERIFY(TestFiles::Put(m_dir.filePath("ten.dat"), bytes));
        SFileStream reader(SFileStream::ModeRead);
        reader.SetFileName(QFile::encodeName(m_dir.filePath("ten.dat")).constData());
        QVERIFY(reader.Open());
        QCOMPARE(run(reader, steps), results);
    }
};

QTEST_GUILESS_MAIN(TestFileWriters)
#include "tst_filewriters.moc"
