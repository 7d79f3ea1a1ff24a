#pragma once

#include "message/SMessage.h"

#include <QList>
#include <QObject>
#include <QVector>

#include <functional>

// A bus receiver for tests, registered under an id for its lifetime. It
// records every message that reaches it, then runs onMessage, which may answer
// with SMessage::SetReply or act while a sent message's pointers are valid.
class BusRecorder final : public QObject
{
public:
    struct Message
    {
        int nType;
        qintptr a;
        qintptr b;
    };

    explicit BusRecorder(int nId) { RegisterReceiver(this, nId); }
    ~BusRecorder() override
    {
        UnsubscribeMessage(this);
        UnregisterReceiver(this);
    }

    const QVector<Message>& Log() const { return m_log; }
    void Clear() { m_log.clear(); }
    // The first words of the messages of nType, in arrival order.
    QList<qintptr> Firsts(int nType) const
    {
        QList<qintptr> firsts;
        for (const Message& message : m_log) {
            if (message.nType == nType)
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
        m_log.append({pMessage->MessageType(), pMessage->First(), pMessage->Second()});
        if (onMessage)
            onMessage(*pMessage);
        return true;
    }

private:
    Q_DISABLE_COPY(BusRecorder)

    QVector<Message> m_log;
};
