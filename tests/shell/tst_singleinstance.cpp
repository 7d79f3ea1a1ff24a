#include "PLocalPeer.h"
#include "PLockedFile.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void readLocksShareWriteLocksExclude();
    void socketNameIsPerUserChecksum();
    void secondPeerIsClientUntilFirstIsGone();
    void staleLockFileDoesNotBlock();
    void messageRoundTripWithAck();
    void oversizedCountIsRefused();

private:
    static QString uniqueId() { return QUuid::createUuid().toString(); }
};

void TestSingleInstance::readLocksShareWriteLocksExclude()
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
    QTest::ignoreMessage(QtWarningMsg, "PLockedFile::Lock(): file is not opened");
    QVERIFY(!closed.Lock(PLockedFile::ReadLock, false));
}

void TestSingleInstance::socketNameIsPerUserChecksum()
{
    const QByteArray id("KESTAL 1.0");
    const QString strExpected = QStringLiteral("TALMERIC-SYS-%1-%2")
                                    .arg(qChecksum(id.constData(), uint(id.size())), 0, 16)
                                    .arg(qulonglong(::getuid()), 0, 16);
    QCOMPARE(PLocalPeer::SocketNameFor(QStringLiteral("KESTAL 1.0")), strExpected);
    PLocalPeer peer(nullptr, QString());
    QCOMPARE(peer.SocketName(), PLocalPeer::SocketNameFor(QCoreApplication::applicationFilePath()));
    QVERIFY(peer.LockFileName().endsWith(peer.SocketName() + "-lockfile"));
}

void TestSingleInstance::secondPeerIsClientUntilFirstIsGone()
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

void TestSingleInstance::staleLockFileDoesNotBlock()
{
    const QString strId = uniqueId();
    QFile stale(QDir::tempPath() + "/" + PLocalPeer::SocketNameFor(strId) + "-lockfile");
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("left by a crash");
    stale.close();
    PLocalPeer peer(nullptr, strId);
    QVERIFY(!peer.IsClient());
    stale.remove();
}

void TestSingleInstance::messageRoundTripWithAck()
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
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("wake up, 你好"));

    // The primary itself has nobody to send to.
    QVERIFY(!primary.SendMessage(QStringLiteral("x"), 100));
}

void TestSingleInstance::oversizedCountIsRefused()
{
    const QString strId = uniqueId();
    PLocalPeer primary(nullptr, strId);
    QVERIFY(!primary.IsClient());
    QSignalSpy spy(&primary, &PLocalPeer::MessageReceived);

    QLocalSocket socket;
    socket.connectToServer(primary.SocketName());
    QVERIFY(socket.waitForConnected(2000));
    QDataStream stream(&socket);
    stream << quint32(PLocalPeer::MaxMessageBytes + 1);
    socket.flush();
    QTRY_COMPARE(socket.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!socket.readAll().contains("ACK"));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
