#pragma once

#include <QDateTime>

// The source of "now" for everything that reacts to the time of day or to
// elapsed time. Production code asks System(); tests hand in a clock they can
// move forward, so minute ticks, silence rules and day changes run instantly.
class SClock
{
public:
    virtual ~SClock();

    virtual QDateTime Now() const = 0;
    // Milliseconds on a monotonic scale; only differences are meaningful.
    virtual qint64 ElapsedMs() const = 0;

    static SClock* System();
    // A day as the stored rows key it (their Month column): "yyyy-MM-dd".
    static QString DayText(const QDate& day);
};

// A clock that only moves when told to.
class SManualClock final : public SClock
{
public:
    explicit SManualClock(const QDateTime& start)
        : m_now(start)
    {
    }

    QDateTime Now() const override { return m_now; }
    qint64 ElapsedMs() const override { return m_nElapsedMs; }

    // Moves both clocks, as time passing does.
    void Set(const QDateTime& now);
    void Advance(qint64 nMs);
    // Moves the wall clock only, as a clock correction does.
    void Jump(qint64 nMs);

private:
    QDateTime m_now;
    qint64 m_nElapsedMs = 0;
};
