#pragma once

#include <QObject>

#include <functional>

class QTimer;

// The audible cue: while an alarm is unacknowledged a short sound repeats,
// unless muted; a new alarm ends the mute. What "play" does is handed in
// (the alarm sound in the program, a counter in tests), so no sound device
// is needed and none missing is an error.
class PAlarmCue final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRepeatMs = 4000;

    explicit PAlarmCue(QObject* pParent = nullptr);
    ~PAlarmCue() override;

    void SetPlayer(std::function<void()> play) { m_play = std::move(play); }
    bool IsMuted() const { return m_bMuted; }
    bool IsPending() const { return m_bPending; }

signals:
    void MutedChanged(bool bMuted);

public slots:
    // Some alarm is unacknowledged (true) or none is left (false).
    void SetPending(bool bPending);
    void OnNewAlarm();
    void SetMuted(bool bMuted);
    // One repetition: plays when pending and not muted.
    void Tick();

private:
    Q_DISABLE_COPY(PAlarmCue)

    std::function<void()> m_play;
    QTimer* m_pRepeat;
    bool m_bPending = false;
    bool m_bMuted = false;
};
