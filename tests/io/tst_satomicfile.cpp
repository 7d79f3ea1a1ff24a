#include "FileSizeLimit.h"

#include "io/SAtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
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

bool put(const QString& strPath, const QByteArray& content)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Temporary files of strPath that were left behind.
QStringList leftovers(const QString& strPath)
{
    const QFileInfo info(strPath);
    return QDir(info.absolutePath())
        .entryList({QLatin1Char('.') + info.fileName() + QStringLiteral(".*")},
            QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestSAtomicFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void replaceOrRefuse_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("before");
        // Empty when the target is replaced.
        QTest::addColumn<QString>("refusal");
        QTest::newRow("new file") << "new.csv"
                                  << ""
                                  << "";
        QTest::newRow("file of mode 0640") << "kept.csv"
                                           << "0640"
                                           << "";
        QTest::newRow("link to a file") << "link.csv"
                                        << "link"
                                        << "";
        QTest::newRow("/dev/null") << "/dev/null"
                                   << ""
                                   << "it is a device";
        QTest::newRow("/dev/full") << "/dev/full"
                                   << ""
                                   << "it is a device";
        QTest::newRow("folder") << "folder.csv"
                                << "folder"
                                << "it is a folder";
        QTest::newRow("pipe") << "pipe.csv"
                              << "fifo"
                              << "it is a pipe";
        QTest::newRow("disk full while writing")
            << "full.csv"
            << "limit" << QString::fromLocal8Bit(std::strerror(EFBIG));
        QTest::newRow("no such folder") << "gone/new.csv"
                                        << "" << QString::fromLocal8Bit(std::strerror(ENOENT));
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
            QVERIFY(put(strPath, old));
            QVERIFY(before == QLatin1String("limit")
                || ::chmod(QFile::encodeName(strPath).constData(), 0640) == 0);
        } else if (before == QLatin1String("link")) {
            QVERIFY(put(strLinked, old));
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

    // Without a commit the target stays as it was.
    void abandonedWriteChangesNothing()
    {
        const QString strPath = m_dir.filePath(QStringLiteral("abandoned.csv"));
        QVERIFY(put(strPath, "old"));
        {
            SAtomicFile file(strPath);
            QString strError;
            QVERIFY(file.Open(&strError));
            QCOMPARE(file.File().write("new"), qint64(3));
        }
        QCOMPARE(nodeOf(strPath).content, QByteArray("old"));
        QCOMPARE(leftovers(strPath), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSAtomicFile)
#include "tst_satomicfile.moc"
