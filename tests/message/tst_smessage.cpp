#include "message/SBus.h"
#include "message/SMessage.h"
#include "message/SQueueBound.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QtTest>

namespace {

constexpr int kPlainType = 1500; // no part of the system uses it

// Records what reaches it and answers with a fixed reply when asked to.
class Receiver : public QObject
{
public:
    explicit Receiver(qintptr nReply = 0, bool bAnswer = false)
        : m_nReply(nReply)
        , m_bAnswer(bAnswer)
    {
    }

    bool event(QEvent* pEvent) override
    {
        auto* pMessage = dynamic_cast<SMessage*>(pEvent);
        if (!pMessage)
            return QObject::event(pEvent);
        received.append({pMessage->MessageType(), pMessage->First(), pMessage->Second()});
        if (onMessage)
            onMessage();
        if (m_bAnswer)
            SMessage::SetReply(m_nReply);
        return true;
    }

    struct Seen
    {
        int type;
        qintptr first;
        qintptr second;
    };
    QVector<Seen> received;
    std::function<void()> onMessage;

private:
    qintptr m_nReply;
    bool m_bAnswer;
};

} // namespace

class TestSMessage : public QObject
{
    Q_OBJECT

private slots:
    void sendReturnsReplyAndKeepsItWhenUnanswered();
    void postIsQueuedAndUnregisteredIsDiscarded();
    void broadcastReachesEverySubscriberOnce();
    void reRegisteringReplacesTheId();
    void broadcastFollowsSubscriptionOrder();
    void postingToAReceiverBeingDestroyed();
    void queueBoundWaitsAndCancels();
};

void TestSMessage::sendReturnsReplyAndKeepsItWhenUnanswered()
{
    Receiver answering(4242, true);
    Receiver silent;
    RegisterReceiver(&answering, 2101);
    RegisterReceiver(&silent, 2102);

    QCOMPARE(SendSMessage(2101, kPlainType, 1, 2), qintptr(4242));
    QCOMPARE(answering.received.size(), 1);
    QCOMPARE(answering.received[0].first, qintptr(1));
    // A receiver that does not answer leaves the previous reply in place.
    QCOMPARE(SendSMessage(2102, kPlainType, 0, 0), qintptr(4242));
    QCOMPARE(silent.received.size(), 1);
    // Nobody registered: nothing delivered, reply unchanged.
    QCOMPARE(SendSMessage(2199, kPlainType, 0, 0), qintptr(4242));

    UnregisterReceiver(&answering);
    UnregisterReceiver(&silent);
}

void TestSMessage::postIsQueuedAndUnregisteredIsDiscarded()
{
    Receiver receiver(7, true);
    RegisterReceiver(&receiver, 2104);
    SMessage::SetReply(11);
    QCOMPARE(PostSMessage(2104, SBus::RawReading, 5, 6), qintptr(11));
    QVERIFY(receiver.received.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(receiver.received.size(), 1);
    QCOMPARE(receiver.received[0].type, int(SBus::RawReading));

    QCOMPARE(PostSMessage(2198, SBus::RawReading, 5, 6), qintptr(7));
    QCoreApplication::processEvents();
    QCOMPARE(receiver.received.size(), 1);
    UnregisterReceiver(&receiver);
}

void TestSMessage::broadcastReachesEverySubscriberOnce()
{
    Receiver a;
    Receiver b;
    Receiver other;
    SubscribeMessage(&a, SBus::ReloadAfterDeviceUpdate);
    SubscribeMessage(&a, SBus::ReloadAfterDeviceUpdate);
    SubscribeMessage(&a, SBus::ReloadThresholds);
    SubscribeMessage(&b, SBus::ReloadAfterDeviceUpdate);
    SubscribeMessage(&other, SBus::ReloadThresholds);

    BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 3, 4);
    QCOMPARE(a.received.size(), 1);
    QCOMPARE(b.received.size(), 1);
    QCOMPARE(other.received.size(), 0);

    QVERIFY(UnsubscribeMessage(&a));
    QVERIFY(!UnsubscribeMessage(&a));
    BroadcastSMessage(SBus::ReloadAfterDeviceUpdate, 3, 4);
    BroadcastSMessage(SBus::ReloadThresholds, 3, 4);
    QCOMPARE(a.received.size(), 1);
    QCOMPARE(b.received.size(), 2);
    QCOMPARE(other.received.size(), 1);
    UnsubscribeMessage(&b);
    UnsubscribeMessage(&other);
}

void TestSMessage::reRegisteringReplacesTheId()
{
    Receiver receiver;
    RegisterReceiver(&receiver, 2105);
    RegisterReceiver(&receiver, 2106);
    SendSMessage(2105, kPlainType, 0, 0);
    QVERIFY(receiver.received.isEmpty());
    SendSMessage(2106, kPlainType, 0, 0);
    QCOMPARE(receiver.received.size(), 1);
    UnregisterReceiver(&receiver);
}

// An owner that subscribes before its pages handles a broadcast first (the
// main window reloads the region catalogue before the pages read it).
void TestSMessage::broadcastFollowsSubscriptionOrder()
{
    QVector<int> order;
    std::vector<std::unique_ptr<Receiver>> receivers;
    for (int n : {3, 1, 4, 0, 2}) {
        receivers.push_back(std::make_unique<Receiver>());
        Receiver* pReceiver = receivers.back().get();
        pReceiver->onMessage = [&order, n]() { order.append(n); };
        SubscribeMessage(pReceiver, SBus::ReloadThresholds);
    }
    BroadcastSMessage(SBus::ReloadThresholds, 0, 0);
    QCOMPARE(order, (QVector<int> {3, 1, 4, 0, 2}));
    for (const auto& pReceiver : receivers)
        UnsubscribeMessage(pReceiver.get());
}

// A worker posts without pause while receivers under its id come and go: no
// event may be posted to a freed receiver (the sanitizer build catches it).
void TestSMessage::postingToAReceiverBeingDestroyed()
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
        auto* pReceiver = new Receiver;
        RegisterReceiver(pReceiver, 2107);
        const int nFrom = nPosts;
        while (nPosts - nFrom < 20)
            QThread::yieldCurrentThread();
        QCoreApplication::processEvents();
        nDelivered += pReceiver->received.size();
        UnregisterReceiver(pReceiver);
        delete pReceiver;
    }
    bStop = true;
    pPoster->wait();
    delete pPoster;
    QVERIFY(nDelivered > 0);
}

// A sender waiting at the limit resumes once half the places are free, and
// Cancel releases it without a place.
void TestSMessage::queueBoundWaitsAndCancels()
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

QTEST_GUILESS_MAIN(TestSMessage)
#include "tst_smessage.moc"
