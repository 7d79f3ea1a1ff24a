#pragma once

#include <QObject>
#include <QString>

class QTimer;
class SClock;

// Measures one alarm episode of one region: the first alarm reading starts it,
// every further one prolongs it, and it ends one episode length (60 s) after
// the last. An episode counts when it starts, so the day's count agrees with
// the alarm journal at any moment, also across a stop. Lives on the GUI
// thread.
class RTimer final : public QObject
{
    Q_OBJECT
public:
    explicit RTimer(int id, QObject* parent = nullptr, SClock* pClock = nullptr);
    ~RTimer() override;

    static constexpr int kEpisodeMs = 60000;

    void Trigger();
    bool IsRunning() const;
    QString Start() const { return m_strStart; }

signals:
    void TimeStarted(int id);
    void TimeEnded(int id, const QString& start, const QString& end);

public slots:
    void OnTimeout();

private:
    Q_DISABLE_COPY(RTimer)

    int m_nId;
    QTimer* m_pTimer;
    QString m_strStart;
    SClock* m_pClock;
    // Clock time (ElapsedMs) at which the episode ends; the QTimer only wakes
    // us, the clock decides, so an early or late wake-up cannot cut or
    // stretch an episode.
    qint64 m_nDeadlineMs = 0;
};
