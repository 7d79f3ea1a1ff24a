#pragma once

#include "message/SMessage.h"

#include <QList>
#include <QObject>
#include <QVector>

#include <functional>

// One message as a receiver saw it.
struct BusMessage
{
    int nReceiver;
    int nType;
    qintptr a;
    qintptr b;
};

// A bus receiver for tests, registered under an id for its lifetime. It records
// every message that reaches it (in its own log, or in one shared by several
// recorders to keep their order), then runs onMessage, which may answer with
// SMessage::SetReply or act while a sent message's pointers are still valid.
class BusRecorder final : public QObject
{
public:
    explicit BusRecorder(int nId, QVector<BusMessage>* pSharedLog = nullptr)
        : m_nId(nId)
        , m_pLog(pSharedLog ? pSharedLog : &m_log)
    {
        RegisterReceiver(this, nId);
    }
    ~BusRecorder() override
    {
        UnsubscribeMessage(this);
        UnregisterReceiver(this);
    }

    const QVector<BusMessage>& Log() const { return *m_pLog; }
    void Clear() { m_pLog->clear(); }
    // The first words of this receiver's messages of nType, in arrival order.
    QList<qintptr> Firsts(int nType) const
    {
        QList<qintptr> firsts;
        for (const BusMessage& message : *m_pLog) {
            if (message.nReceiver == m_nId && message.nType == nType)
                firsts.append(message.a);
        }
        return firsts;
    }
    int Count(int nType) const { return Firsts(nType).size(); }

    std::function<void(const SMessage&)> onMessage;

protected:
    bool event(QEvent* pEvent) override
    {
        const auto* pMessage = dynamic_cast<const SMessage*>(pEvent);
        if (!pMessage)
            return QObject::event(pEvent);
        m_pLog->append({m_nId, pMessage->MessageType(), pMessage->First(), pMessage->Second()});
        if (onMessage)
            onMessage(*pMessage);
        return true;
    }

private:
    Q_DISABLE_COPY(BusRecorder)

    int m_nId;
    QVector<BusMessage> m_log;
    QVector<BusMessage>* m_pLog;
};
