#pragma once

#include <QMutex>
#include <QWaitCondition>

// Bounds how many messages one sender has posted and not yet seen destroyed.
// A posted SMessage holds one place from the post until the event is deleted
// (delivered, or dropped with its receiver), so a fast worker thread cannot
// grow the receiver's event queue without limit.
class SQueueBound final
{
public:
    explicit SQueueBound(int nLimit);

    // Sender's thread: takes a place, waiting while the limit is reached.
    // False once Cancel() was called: the sender is stopping.
    bool Acquire();
    // Any thread, once per place taken.
    void Release();

    // Ends every wait at once and refuses further places until Resume().
    void Cancel();
    void Resume();

    // Any thread; a higher limit frees a waiting sender at once.
    void SetLimit(int nLimit);
    int InFlight() const;

private:
    Q_DISABLE_COPY(SQueueBound)

    mutable QMutex m_mutex;
    int m_nLimit;
    QWaitCondition m_freed;
    int m_nInFlight = 0;
    bool m_bCancelled = false;
};
