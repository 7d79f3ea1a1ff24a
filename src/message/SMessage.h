#pragma once

#include <QEvent>

class QObject;

// A bus event: the event type is the message type (1000 or more), followed by
// two words. Words are pointer-sized because some messages carry addresses
// (a status text, a dose value) from the sender to the receiver.
class SMessage final : public QEvent
{
public:
    SMessage(int nType, qintptr nFirst, qintptr nSecond);

    int MessageType() const { return static_cast<int>(type()); }
    qintptr First() const { return m_nFirst; }
    qintptr Second() const { return m_nSecond; }

    // The reply word is process-wide; a receiver that answers a request
    // stores its answer here before returning.
    static void SetReply(qintptr nReply);
    static qintptr Reply();

private:
    qintptr m_nFirst;
    qintptr m_nSecond;
};

// Receivers are registered and subscribed on the main thread before any worker
// starts; only PostSMessage may be called from other threads.
void RegisterReceiver(QObject* pObject, int id);
void SubscribeMessage(QObject* pObject, int type);
bool UnsubscribeMessage(QObject* pObject);
qintptr SendSMessage(int id, int type, qintptr first, qintptr second);
qintptr PostSMessage(int id, int type, qintptr first, qintptr second);
void BroadcastSMessage(int type, qintptr first, qintptr second);

// Lets a receiver that dies before the process ends leave the registries, so a
// later message cannot reach a dangling pointer. Call it before the object is
// freed: a post from another thread either completes before it or finds no
// receiver.
void UnregisterReceiver(QObject* pObject);
