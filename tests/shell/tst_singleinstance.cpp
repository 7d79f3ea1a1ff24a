#include "PInstallPaths.h"
#include "PLocalPeer.h"
#include "PLockedFile.h"
#include "TestFiles.h"
#include "preset/SPresetObject.h"

#include <QLocalSocket>
#include <QtTest>

// What the program does as it starts: the one instance, its folders and its
// files.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_strOldDir = QDir::currentPath();
    QString m_strWork;
    QString m_strShare;

    static void Touch(const QString& strPath) { QVERIFY(TestFiles::Put(strPath)); }
    static QString uniqueId() { return QUuid::createUuid().toString(); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_strWork = m_dir.filePath(QStringLiteral("work-") + QTest::currentTestFunction());
        m_strShare = m_dir.filePath(QStringLiteral("share-") + QTest::currentTestFunction());
        QVERIFY(QDir().mkpath(m_strWork));
        QVERIFY(QDir().mkpath(m_strShare));
        QVERIFY(QDir::setCurrent(m_strWork));
        PInstallPaths::SetShareDirectory(m_strShare);
    }
    void cleanup() { QDir::setCurrent(m_strOldDir); }

    // A desktop start with no data directory yet: it is made, nested parents
    // and all, under XDG_DATA_HOME, and becomes the working directory.
    void userDirectoryIsCreatedAndEntered()
    {
        const QString strHome = m_dir.filePath(QStringLiteral("xdg/data"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(strHome));
        QString strError;
        QVERIFY2(PInstallPaths::EnterUserDataDirectory(&strError), qPrintable(strError));
        QCOMPARE(QDir::currentPath(), QDir(strHome + QStringLiteral("/kestal")).canonicalPath());
        // The local presets of a desktop start live in the same place.
        SPresetObject::LoadDirectories();
        QCOMPARE(SPresetObject::DefaultLocalDirectory(),
            strHome + QStringLiteral("/kestal/preset/local/"));
        qunsetenv("XDG_DATA_HOME");
    }

    // A data home that cannot be made leaves the working directory alone and
    // says which directory failed.
    void unusableUserDirectoryIsReported()
    {
        const QString strBlocker = m_dir.filePath(QStringLiteral("plainfile"));
        Touch(strBlocker);
        qputenv("XDG_DATA_HOME", QFile::encodeName(strBlocker));
        QString strError;
        QVERIFY(!PInstallPaths::EnterUserDataDirectory(&strError));
        QVERIFY2(strError.contains(strBlocker), qPrintable(strError));
        QCOMPARE(QDir::currentPath(), QDir(m_strWork).canonicalPath());
        qunsetenv("XDG_DATA_HOME");
    }

    // The working directory's translation is loaded whatever the locale; the
    // shipped one only for a Chinese locale.
    void translationByPlaceAndLocale()
    {
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        const QLocale english(QLocale::English, QLocale::UnitedKingdom);
        QVERIFY(PInstallPaths::TranslationFile(chinese).isEmpty());
        const QString strShared = m_strShare + QStringLiteral("/translations/kestal_zh.qm");
        Touch(strShared);
        QCOMPARE(PInstallPaths::TranslationFile(chinese), strShared);
        QVERIFY(PInstallPaths::TranslationFile(english).isEmpty());
        Touch(QStringLiteral("kestal_zh.qm"));
        QCOMPARE(PInstallPaths::TranslationFile(english), QStringLiteral("kestal_zh.qm"));
        QCOMPARE(PInstallPaths::TranslationFile(chinese), QStringLiteral("kestal_zh.qm"));
    }

    // Read locks share, write locks exclude, across two opens of one file.
    void readLocksShareWriteLocksExclude()
    {
        QTemporaryDir dir;
        const QString strName = dir.filePath(QStringLiteral("lock"));
        PLockedFile first(strName);
        PLockedFile second(strName);
        QVERIFY(first.open(QIODevice::ReadWrite));
        QVERIFY(second.open(QIODevice::ReadWrite));

        QVERIFY(first.Lock(PLockedFile::ReadLock, false));
        QVERIFY(second.Lock(PLockedFile::ReadLock, false));
        QVERIFY(!second.Lock(PLockedFile::WriteLock, false));
        QVERIFY(first.Unlock());
        QVERIFY(second.Lock(PLockedFile::WriteLock, false));
        QVERIFY(!first.Lock(PLockedFile::ReadLock, false));
        QCOMPARE(first.Mode(), PLockedFile::NoLock);

        // Closing an unrelated descriptor of the same file must not drop the lock.
        {
            QFile other(strName);
            QVERIFY(other.open(QIODevice::ReadOnly));
        }
        QVERIFY(!first.Lock(PLockedFile::ReadLock, false));

        PLockedFile closed(strName);
        QVERIFY(!closed.Lock(PLockedFile::ReadLock, false));
    }

    // Asking twice does not turn the first instance into a client of itself;
    // a second one is a client until the first is gone.
    void secondPeerIsClientUntilFirstIsGone()
    {
        const QString strId = uniqueId();
        auto* pFirst = new PLocalPeer(nullptr, strId);
        QVERIFY(!pFirst->IsClient());
        QVERIFY(!pFirst->IsClient());
        {
            PLocalPeer second(nullptr, strId);
            QVERIFY(second.IsClient());
        }
        delete pFirst;
        PLocalPeer third(nullptr, strId);
        QVERIFY(!third.IsClient());
    }

    // A lock file left by a crashed instance holds no lock and blocks nothing.
    void staleLockFileDoesNotBlock()
    {
        PLocalPeer peer(nullptr, uniqueId());
        QVERIFY(TestFiles::Put(peer.LockFileName(), "left by a crash"));
        QVERIFY(!peer.IsClient());
        QFile::remove(peer.LockFileName());
    }

    // A message arrives whole and is acknowledged; the primary has nobody to
    // send to; a count beyond the limit ends the connection with nothing shown.
    void messagesFromASecondInstance()
    {
        const QString strId = uniqueId();
        PLocalPeer primary(nullptr, strId);
        QVERIFY(!primary.IsClient());
        QSignalSpy spy(&primary, &PLocalPeer::MessageReceived);
        bool bSent = false;
        QThread* pThread = QThread::create([&]() {
            PLocalPeer secondary(nullptr, strId);
            bSent = secondary.SendMessage(QStringLiteral("wake up, 你好"), 5000);
        });
        pThread->start();
        QTRY_VERIFY_WITH_TIMEOUT(pThread->isFinished(), 15000);
        pThread->wait();
        delete pThread;
        QVERIFY(bSent);
        QCOMPARE(spy, (QList<QVariantList> {{QStringLiteral("wake up, 你好")}}));
        QVERIFY(!primary.SendMessage(QStringLiteral("x"), 100));

        QLocalSocket socket;
        socket.connectToServer(primary.SocketName());
        QVERIFY(socket.waitForConnected(2000));
        QDataStream stream(&socket);
        stream << quint32(PLocalPeer::MaxMessageBytes + 1);
        socket.flush();
        QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(spy.count(), 1);
        QVERIFY(!socket.readAll().contains("ACK"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
