#pragma once

#include <QMutex>
#include <QWaitCondition>

// Bounds how many items one sender has handed to another thread and not yet
// seen handled or dropped, so a fast worker cannot grow the receiver's event
// queue without limit. The sender takes places before it posts; the event
// that carries the items gives them back when it is destroyed (delivered, or
// dropped with its receiver).
class SQueueBound final
{
public:
    explicit SQueueBound(int nLimit);

    // Sender's thread: takes nCount places, waiting while they would pass the
    // limit (a hand-over larger than the limit waits for an empty queue).
    // False once Cancel() was called: the sender is stopping.
    bool Acquire(int nCount = 1);
    // Any thread, for places taken.
    void Release(int nCount = 1);

    // Ends every wait at once and refuses further places until Resume().
    void Cancel();
    void Resume();

    // Any thread; a higher limit frees a waiting sender at once.
    void SetLimit(int nLimit);
    int Limit() const;
    int InFlight() const;

private:
    Q_DISABLE_COPY(SQueueBound)

    mutable QMutex m_mutex;
    QWaitCondition m_freed;
    int m_nLimit;
    int m_nInFlight = 0;
    bool m_bCancelled = false;
    bool m_bWaiting = false;
};
