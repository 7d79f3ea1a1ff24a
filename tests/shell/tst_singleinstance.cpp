#include "PLocalPeer.h"
#include "PLockedFile.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QThread>
#include <QUuid>
#include <QtTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    static QString uniqueId() { return QUuid::createUuid().toString(); }

private slots:
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
        QFile stale(peer.LockFileName());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("left by a crash");
        stale.close();
        QVERIFY(!peer.IsClient());
        stale.remove();
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
