#include "io/SCsvWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestCsvWriter : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QByteArray Read(const QString& strFile)
    {
        QFile file(strFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("absent");
    }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void init()
    {
        for (const QString& strName : Files())
            QFile::remove(m_dir.filePath(strName));
    }

    // A field with a separator, a quote or a line break is quoted with its
    // quotes doubled; anything else, spaces and non-ASCII included, stands bare.
    void field_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "Room 3"
                               << "Room 3";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("comma") << "M\u00fcller, A."
                               << "\"M\u00fcller, A.\"";
        QTest::newRow("quote") << "Lab \"2\""
                               << "\"Lab \"\"2\"\"\"";
        QTest::newRow("line feed") << "a\nb"
                                   << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb"
                                         << "\"a\rb\"";
        QTest::newRow("only a quote") << "\""
                                      << "\"\"\"\"";
    }
    void field()
    {
        QFETCH(QString, value);
        QTEST(SCsvWriter::Field(value), "field");
    }

    // UTF-8 without a byte-order mark, CR LF after every line, and a file
    // replaced only by Commit().
    void writesAndReplaces()
    {
        const QString strFile = m_dir.filePath("out.csv");
        {
            QFile old(strFile);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5);
        }
        QString strError;
        {
            SCsvWriter dropped(strFile);
            QVERIFY(dropped.Open(&strError));
            dropped.WriteRow({"never"});
        }
        QCOMPARE(Read(strFile), QByteArray("old\r\n"));
        QCOMPARE(Files(), QStringList("out.csv"));

        SCsvWriter writer(strFile);
        QVERIFY(writer.Open(&strError));
        writer.WriteRow({"a", "b,c"});
        writer.WriteRow({QString::fromUtf8("M\xc3\xbcller"), "x\"y", ""});
        QCOMPARE(Read(strFile), QByteArray("old\r\n"));
        QVERIFY(writer.Commit(&strError));
        QCOMPARE(Read(strFile), QByteArray("a,\"b,c\"\r\nM\xc3\xbcller,\"x\"\"y\",\r\n"));
        QCOMPARE(Files(), QStringList("out.csv"));
    }

    // A folder that does not exist: the reason names it and nothing is made.
    void unwritableFolder()
    {
        SCsvWriter writer(m_dir.filePath("gone/out.csv"));
        QString strError;
        QVERIFY(!writer.Open(&strError));
        QVERIFY2(strError.contains(QDir::toNativeSeparators(m_dir.filePath("gone"))),
            qPrintable(strError));
        QVERIFY(!QFile::exists(m_dir.filePath("gone")));
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"
