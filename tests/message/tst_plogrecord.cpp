#include "message/PConfigFile.h"
#include "message/PLogRecord.h"

#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

// The log takes over standard output; give it back to the test runner.
class StdoutGuard
{
public:
    StdoutGuard() : m_fd(::dup(STDOUT_FILENO)) { fflush(stdout); }
    ~StdoutGuard()
    {
        fflush(stdout);
        ::dup2(m_fd, STDOUT_FILENO);
        ::close(m_fd);
        setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    }

private:
    int m_fd;
};

QByteArray readAll(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPLogRecord : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void configDefaultsWithoutFile();
    void configValuesOverrideDefaults();
    void directoryRules_data();
    void directoryRules();
    void fileIsNamedAfterTheDay();
    void logLinesAreTaggedAndAppended();

private:
    QTemporaryDir m_dir;
};

void TestPLogRecord::init()
{
    PConfigFile::Instance().SetFileName(m_dir.filePath(QStringLiteral("absent/config.ini")));
}

void TestPLogRecord::configDefaultsWithoutFile()
{
    const PConfigFile& config = PConfigFile::Instance();
    QCOMPARE(config.GetValue("LOG", "PATH", "log"), std::string("log"));
    QCOMPARE(config.GetValue("PRESET", "LOCAL", "x/"), std::string("x/"));
}

void TestPLogRecord::configValuesOverrideDefaults()
{
    const QString strIni = m_dir.filePath(QStringLiteral("config.ini"));
    QFile file(strIni);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[LOG]\nPATH=logs/\n[PRESET]\nFACTORY=/opt/factory/\n");
    file.close();
    PConfigFile::Instance().SetFileName(strIni);
    QCOMPARE(PConfigFile::Instance().GetValue("LOG", "PATH", "log"), std::string("logs/"));
    QCOMPARE(PConfigFile::Instance().GetValue("PRESET", "FACTORY", ""), std::string("/opt/factory/"));
    QCOMPARE(PConfigFile::Instance().GetValue("PRESET", "LOCAL", "d"), std::string("d"));
}

void TestPLogRecord::directoryRules_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default") << "log" << "log.viewer/";
    QTest::newRow("base with separator") << "logs/" << "logs/.viewer/";
    QTest::newRow("one character") << "x" << "log.viewer/";
    QTest::newRow("empty") << "" << "log.viewer/";
    QTest::newRow("absolute") << "/var/tmp/k" << "/var/tmp/k.viewer/";
}

void TestPLogRecord::directoryRules()
{
    QFETCH(QString, base);
    QFETCH(QString, expected);
    QCOMPARE(PLogRecord::Directory(base, ".viewer"), expected);
}

void TestPLogRecord::fileIsNamedAfterTheDay()
{
    QCOMPARE(PLogRecord::FileName(QStringLiteral("log.viewer/"), QDate(2026, 12, 5)),
             QStringLiteral("log.viewer/2026-12-05.log"));
    QCOMPARE(PLogRecord::FileName(QStringLiteral("log.viewer/"), QDate(2027, 1, 1)),
             QStringLiteral("log.viewer/2027-01-01.log"));
}

void TestPLogRecord::logLinesAreTaggedAndAppended()
{
    const QString strOld = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QString strPath;
    {
        StdoutGuard guard;
        PLogRecord log(".viewer");
        QVERIFY(log.IsOpen());
        strPath = log.Path();
        Log(7, "seven %d\n", 7);
        Log(0, "zero\n");
        printf("plain\n");
    }
    {
        StdoutGuard guard;
        PLogRecord log(".viewer");
        QCOMPARE(log.Path(), strPath);
        LogDebug("again\n");
    }
    QDir::setCurrent(strOld);

    QCOMPARE(strPath, QStringLiteral("log.viewer/") + QDate::currentDate().toString("yyyy-MM-dd") + ".log");
    const QList<QByteArray> lines = readAll(m_dir.filePath(strPath)).split('\n');
    QCOMPARE(lines.size(), 5);
    const QRegularExpression stamp(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]  "));
    QVERIFY(stamp.match(QString::fromLatin1(lines[0])).hasMatch());
    QVERIFY(lines[0].endsWith("]  [Debug]  seven 7"));
    QVERIFY(lines[1].endsWith("]  [Critical]  zero"));
    QCOMPARE(lines[2], QByteArray("plain"));
    QVERIFY(lines[3].endsWith("]  [Debug]  again"));
}

QTEST_GUILESS_MAIN(TestPLogRecord)
#include "tst_plogrecord.moc"
