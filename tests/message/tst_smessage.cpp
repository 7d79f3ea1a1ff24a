#include "BusRecorder.h"

#include "message/SBus.h"
#include "message/SMessage.h"
#include "message/SQueueBound.h"

#include <atomic>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QtTest>

namespace {

constexpr int kPlainType = 1500; // no part of the system uses it

} // namespace

class TestSMessage : public QObject
{
    Q_OBJECT

private slots:
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

    void reRegisteringReplacesTheId()
    {
        BusRecorder receiver(2105);
        RegisterReceiver(&receiver, 2106);
        SendSMessage(2105, kPlainType, 0, 0);
        QVERIFY(receiver.Log().isEmpty());
        SendSMessage(2106, kPlainType, 0, 0);
        QCOMPARE(receiver.Log().size(), 1);
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
};

QTEST_GUILESS_MAIN(TestSMessage)
#include "tst_smessage.moc"
