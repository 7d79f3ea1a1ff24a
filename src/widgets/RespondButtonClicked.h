#pragma once

#include <QtGlobal>

class SClock;

// Click debouncer: a button whose action must not run twice on a double click
// asks CheckInterval() first. Every query restarts the interval, so a burst of
// clicks acts at most once until the user pauses.
class RespondButtonClicked final
{
public:
    explicit RespondButtonClicked(qint64 nIntervalMs = 300, SClock* pClock = nullptr);

    // True when at least the interval (ms) has passed since the previous query,
    // or since construction for the first one.
    bool CheckInterval();

    qint64 Interval() const { return m_nIntervalMs; }

private:
    SClock* m_pClock;
    qint64 m_nIntervalMs;
    qint64 m_nLastMs;
};
