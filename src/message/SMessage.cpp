#include "message/SMessage.h"

#include "message/PAssert.h"

#include <QCoreApplication>
#include <QHash>
#include <QObject>
#include <QPair>
#include <QReadWriteLock>
#include <QVector>

#include <algorithm>
#include <atomic>

namespace {

struct Registry
{
    // Posting happens from worker threads while the main thread may still
    // (re)register, so lookups take the read side of this lock.
    QReadWriteLock lock;
    QHash<QObject*, int> receivers;
    // In subscription order: a broadcast reaches its subscribers in the order
    // they subscribed, so an owner that subscribes before its pages handles
    // a message before them.
    QVector<QPair<QObject*, int>> subscriptions;
};

Registry& registry()
{
    static Registry s_registry;
    return s_registry;
}

std::atomic<qintptr> s_nReply {0};

// Callers hold the registry's write lock.
bool removeSubscriptions(Registry& r, QObject* pObject)
{
    const int nBefore = r.subscriptions.size();
    r.subscriptions.erase(std::remove_if(r.subscriptions.begin(), r.subscriptions.end(),
                              [pObject](const QPair<QObject*, int>& subscription) {
                                  return subscription.first == pObject;
                              }),
        r.subscriptions.end());
    return r.subscriptions.size() != nBefore;
}

// Callers hold the registry lock.
QObject* findReceiver(int id)
{
    Registry& r = registry();
    for (auto it = r.receivers.cbegin(); it != r.receivers.cend(); ++it) {
        if (it.value() == id)
            return it.key();
    }
    return nullptr;
}

} // namespace

SMessage::SMessage(int nType, qintptr nFirst, qintptr nSecond)
    : QEvent(static_cast<QEvent::Type>(nType))
    , m_nFirst(nFirst)
    , m_nSecond(nSecond)
{
}

void SMessage::SetReply(qintptr nReply)
{
    s_nReply.store(nReply);
}

qintptr SMessage::Reply()
{
    return s_nReply.load();
}

void RegisterReceiver(QObject* pObject, int id)
{
    P_ASSERT(pObject, "no receiver");
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    r.receivers.insert(pObject, id);
}

void UnregisterReceiver(QObject* pObject)
{
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    r.receivers.remove(pObject);
    removeSubscriptions(r, pObject);
}

void SubscribeMessage(QObject* pObject, int type)
{
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    if (!r.subscriptions.contains(qMakePair(pObject, type)))
        r.subscriptions.append(qMakePair(pObject, type));
}

bool UnsubscribeMessage(QObject* pObject)
{
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    return removeSubscriptions(r, pObject);
}

qintptr SendSMessage(int id, int type, qintptr first, qintptr second)
{
    QObject* pReceiver = nullptr;
    {
        QReadLocker locker(&registry().lock);
        pReceiver = findReceiver(id);
    }
    // Delivered outside the lock: the receiver may register or send in turn.
    // Sends come from the receivers' own thread, so it cannot die meanwhile.
    if (pReceiver) {
        SMessage message(type, first, second);
        QCoreApplication::sendEvent(pReceiver, &message);
    }
    return SMessage::Reply();
}

qintptr PostSMessage(int id, int type, qintptr first, qintptr second)
{
    // The lock is held across the post: a receiver that unregisters before it
    // is freed cannot be freed between lookup and post, and an event posted
    // before that is dropped by its destructor.
    QReadLocker locker(&registry().lock);
    if (QObject* pReceiver = findReceiver(id))
        QCoreApplication::postEvent(pReceiver, new SMessage(type, first, second));
    return SMessage::Reply();
}

void BroadcastSMessage(int type, qintptr first, qintptr second)
{
    QList<QObject*> subscribers;
    {
        Registry& r = registry();
        QReadLocker locker(&r.lock);
        for (const auto& subscription : r.subscriptions) {
            if (subscription.second == type)
                subscribers.append(subscription.first);
        }
    }
    // Delivered outside the lock: a receiver may subscribe or send in turn.
    for (QObject* pSubscriber : subscribers) {
        SMessage message(type, first, second);
        QCoreApplication::sendEvent(pSubscriber, &message);
    }
}
