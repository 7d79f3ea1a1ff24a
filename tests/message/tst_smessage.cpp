#include "BusRecorder.h"
#include "StdoutCapture.h"
#include "TestFiles.h"

#include "message/PConfigFile.h"
#include "message/PLogRecord.h"
#include "message/SBus.h"
#include "message/SMessage.h"
#include "message/SQueueBound.h"

#include <atomic>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QtTest>

namespace {

constexpr int kPlainType = 1500; // no part of the system uses it

} // namespace

Q_LOGGING_CATEGORY(lcTest, "kestal.test")

// The message bus, the configuration file and the log.
class TestSMessage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void init() { PConfigFile::Instance().SetFileName(m_dir.filePath("absent/config.ini")); }

    void sendReturnsReplyAndKeepsItWhenUnanswered()
    {
        BusRecorder answering(2101);
        answering.onMessage = [](const SMessage&) { SMessage::SetReply(4242); };
        BusRecorder silent(2102);

        QCOMPARE(SendSMessage(2101, kPlainType, 1, 2), qintptr(4242));
        QCOMPARE(answering.Firsts(kPlainType), QList<qintptr> {1});
        // A receiver that does not answer leaves the previous reply in place.
        QCOMPARE(SendSMessage(2102, kPlainType, 0, 0), qintptr(4242));
        QCOMPARE(silent.Log().size(), 1);
        // Nobody registered: nothing delivered, reply unchanged.
        QCOMPARE(SendSMessage(2199, kPlainType, 0, 0), qintptr(4242));
    }

    void postIsQueuedAndUnregisteredIsDiscarded()
    {
        BusRecorder receiver(2104);
        receiver.onMessage = [](const SMessage&) { SMessage::SetReply(7); };
        SMessage::SetReply(11);
        QCOMPARE(PostSMessage(2104, SBus::RawReading, 5, 6), qintptr(11));
        QVERIFY(receiver.Log().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(receiver.Firsts(SBus::RawReading), QList<qintptr> {5});

        QCOMPARE(PostSMessage(2198, SBus::RawReading, 5, 6), qintptr(7));
        QCoreApplication::processEvents();
        QCOMPARE(receiver.Log().size(), 1);
    }

    void broadcastReachesEverySubscriberOnce()
    {
        BusRecorder a(2110);
        BusRecorder b(2111);
        BusRecorder other(2112);
        SubscribeMessage(&a, SBus::ReloadAfterDeviceUpdate);
        SubscribeMessage(&a, SBus::ReloadAfterDeviceUpdate);
        SubscribeMessage(&a, SBus::ReloadThresholds);
        SubscribeMessage(&b, SBus::ReloadAfterDeviceUpdate);
        SubscribeMessage(&other, SBus::ReloadThresholds);

        BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 3, 4);
        QCOMPARE(a.Log().size(), 1);
        QCOMPARE(b.Log().size(), 1);
        QCOMPARE(other.Log().size(), 0);

        QVERIFY(UnsubscribeMessage(&a));
        QVERIFY(!UnsubscribeMessage(&a));
        BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 3, 4);
        BroadcastSMessage(SBus::ReloadThresholds, 3, 4);
        QCOMPARE(a.Log().size(), 1);
        QCOMPARE(b.Log().size(), 2);
        QCOMPARE(other.Log().size(), 1);
    }

    // An owner that subscribes before its pages handles a broadcast first (the
    // main window reloads the region catalogue before the pages read it).
    void broadcastFollowsSubscriptionOrder()
    {
        QVector<int> order;
        std::vector<std::unique_ptr<BusRecorder>> receivers;
        for (int n : {3, 1, 4, 0, 2}) {
            receivers.push_back(std::make_unique<BusRecorder>(2120 + n));
            receivers.back()->onMessage = [&order, n](const SMessage&) { order.append(n); };
            SubscribeMessage(receivers.back().get(), SBus::ReloadThresholds);
        }
        BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
        QCOMPARE(order, (QVector<int> {3, 1, 4, 0, 2}));
    }

    // A worker posts without pause while receivers under its id come and go: no
    // event may be posted to a freed receiver (the sanitizer build catches it).
    void postingToAReceiverBeingDestroyed()
    {
        std::atomic<bool> bStop {false};
        std::atomic<int> nPosts {0};
        QThread* pPoster = QThread::create([&]() {
            while (!bStop) {
                PostSMessage(2107, SBus::RawReading, 1, 2);
                ++nPosts;
            }
        });
        pPoster->start();
        int nDelivered = 0;
        for (int i = 0; i < 400; ++i) {
            auto* pReceiver = new BusRecorder(2107);
            const int nFrom = nPosts;
            while (nPosts - nFrom < 20)
                QThread::yieldCurrentThread();
            QCoreApplication::processEvents();
            nDelivered += pReceiver->Log().size();
            delete pReceiver; // unregisters first
        }
        bStop = true;
        pPoster->wait();
        delete pPoster;
        QVERIFY(nDelivered > 0);
    }

    // A sender waiting at the limit resumes once half the places are free, and
    // Cancel releases it without a place.
    void queueBoundWaitsAndCancels()
    {
        SQueueBound bound(4);
        QVERIFY(bound.Acquire(3));
        // Larger than what is left, but an empty queue would take it whole.
        std::atomic<int> nStep {0};
        QThread* pSender = QThread::create([&]() {
            nStep = bound.Acquire(3) ? 1 : -1;
            nStep = bound.Acquire(4) ? 2 : -2;
        });
        pSender->start();
        bound.Release(1);
        QCOMPARE(bound.InFlight(), 2);
        bound.Release(2);
        QTRY_COMPARE(int(nStep), 1);
        QCOMPARE(bound.InFlight(), 3);
        bound.Cancel();
        QVERIFY(pSender->wait(60000));
        delete pSender;
        QCOMPARE(int(nStep), -2);
        QCOMPARE(bound.InFlight(), 3);
    }

    // The log folder beside the base, which a name too short to be one
    // leaves at "log"; one file per day, month and day with two digits.
    void directoryRules()
    {
        QStringList folders;
        for (const char* pBase : {"log", "logs/", "x", "", "/var/tmp/k"})
            folders << PLogRecord::Directory(pBase, ".viewer");
        QCOMPARE(folders,
            (QStringList {"log.viewer/", "logs/.viewer/", "log.viewer/", "log.viewer/",
                "/var/tmp/k.viewer/"}));
        QCOMPARE(PLogRecord::FileName("log.viewer/", QDate(2027, 1, 5)),
            QStringLiteral("log.viewer/2027-01-05.log"));
    }

    // Log lines carry a time stamp and a level tag, plain output goes in as
    // it is, and a second log of the same day appends to the same file.
    void logLinesAreTaggedAndAppended()
    {
        const QString strOld = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QString strPath;
        {
            StdoutCapture capture;
            PLogRecord log(".viewer");
            QVERIFY(log.IsOpen());
            strPath = log.Path();
            Log(LogLevel::Debug, "seven %d\n", 7);
            Log(LogLevel::Critical, "zero\n");
            printf("plain\n");
        }
        {
            StdoutCapture capture;
            PLogRecord log(".viewer");
            QCOMPARE(log.Path(), strPath);
            Log(LogLevel::Debug, "again\n");
        }
        QDir::setCurrent(strOld);

        QCOMPARE(strPath, PLogRecord::FileName("log.viewer/", QDate::currentDate()));
        const QList<QByteArray> lines = TestFiles::Get(m_dir.filePath(strPath)).split('\n');
        QCOMPARE(lines.size(), 5);
        const QRegularExpression stamp("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]  ");
        QVERIFY(stamp.match(QString::fromLatin1(lines[0])).hasMatch());
        QVERIFY(lines[0].endsWith("]  [Debug]  seven 7"));
        QVERIFY(lines[1].endsWith("]  [Critical]  zero"));
        QCOMPARE(lines[2], QByteArray("plain"));
        QVERIFY(lines[3].endsWith("]  [Debug]  again"));
    }

    void qtMessagesReachTheLogFile_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("tag");
        QTest::newRow("qDebug") << int(QtDebugMsg) << QByteArray("[Debug]");
        QTest::newRow("qInfo") << int(QtInfoMsg) << QByteArray("[Notice]");
        QTest::newRow("qWarning") << int(QtWarningMsg) << QByteArray("[Warning]");
        QTest::newRow("qCritical") << int(QtCriticalMsg) << QByteArray("[Alert]");
        QTest::newRow("qCWarning") << -1 << QByteArray("[Warning]  kestal.test:");
    }

    // Qt's own messages land in the day's file at the mapped level, with
    // their category when it is not the default one.
    void qtMessagesReachTheLogFile()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, tag);
        const QString strOld = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QString strPath;
        {
            StdoutCapture capture;
            PLogRecord log(".viewer");
            strPath = log.Path();
            const QtMessageHandler previous = PLogRecord::RouteQtMessages();
            switch (type) {
            case QtDebugMsg:
                qDebug("from Qt %d", 1);
                break;
            case QtInfoMsg:
                qInfo("from Qt %d", 1);
                break;
            case QtWarningMsg:
                qWarning("from Qt %d", 1);
                break;
            case QtCriticalMsg:
                qCritical("from Qt %d", 1);
                break;
            default:
                qCWarning(lcTest, "from Qt %d", 1);
            }
            qInstallMessageHandler(previous);
        }
        QDir::setCurrent(strOld);
        const QByteArray last
            = TestFiles::Get(m_dir.filePath(strPath)).trimmed().split('\n').last();
        QVERIFY2(last.endsWith("]  " + tag + (type < 0 ? " " : "  ") + "from Qt 1"), last);
    }

    // Lines that meet a full disk are kept, oldest first and up to the
    // bound, and go out before the next line once writing works; the rest
    // are counted in a line of their own.
    void unwritableLinesAreKeptForLater()
    {
        const int nLines = 1003; // three beyond the bound
        StdoutCapture capture;
        const int nFull = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        QVERIFY(nFull >= 0);
        const int nSaved = ::dup(STDOUT_FILENO);
        ::dup2(nFull, STDOUT_FILENO);
        ::close(nFull);
        int nResult = 0;
        for (int i = 0; i < nLines; ++i)
            nResult = qMin(nResult, Log(LogLevel::Warning, "kept %d\n", i));
        ::dup2(nSaved, STDOUT_FILENO);
        ::close(nSaved);
        const int nAfter = Log(LogLevel::Notice, "after %d\n", 1);
        const QList<QByteArray> lines = capture.Text().split('\n');

        QCOMPARE(nResult, -1);
        QCOMPARE(nAfter, 8);
        QCOMPARE(lines.size(), 1000 + 2 + 1);
        for (int i = 0; i < 1000; ++i)
            QVERIFY2(lines[i].endsWith("]  [Warning]  kept " + QByteArray::number(i)), lines[i]);
        QVERIFY2(lines[1000].contains("[Warning]  3 log lines were lost"), lines[1000]);
        QVERIFY(lines[1001].endsWith("]  [Notice]  after 1"));
        // Written once: the next line finds nothing left over.
        QCOMPARE(StdoutCapture::Of([] { Log(LogLevel::Debug, "alone\n"); }).count('\n'), 1);
    }
};

QTEST_GUILESS_MAIN(TestSMessage)
#include "tst_smessage.moc"
