#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>

class QTimer;
class RAlarmState;

// The audible cue: while an alarm is unacknowledged a short sound repeats,
// unless muted. A mute silences the alarms there are when it is set: it
// holds while those regions raise again (chattering), ends when a region
// outside them alarms, or one of them alarms again after a quiet minute (a
// new alarm, not chatter), and resets itself once no alarm is left to show.
// What "play" does is handed in (the alarm sound in the program, a counter
// in tests), so no sound device is needed and none missing is an error.
class PAlarmCue final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRepeatMs = 4000;
    // As long as chattering's window: a muted region cleared this long that
    // alarms again has a new alarm.
    static constexpr qint64 kQuietMs = 60 * 1000;

    explicit PAlarmCue(QObject* pParent = nullptr);
    ~PAlarmCue() override;

    void SetPlayer(std::function<void()> play) { m_play = std::move(play); }
    // The alarms a mute silences, and whose end resets it. Not owned; held
    // weakly. Without one a mute holds until the next new alarm.
    void SetAlarmState(const RAlarmState* pState);
    bool IsMuted() const { return m_bMuted; }
    bool IsPending() const { return m_bPending; }

signals:
    void MutedChanged(bool bMuted);

public slots:
    // Some alarm is unacknowledged (true) or none is left (false).
    void SetPending(bool bPending);
    void OnNewAlarm(int nId);
    void SetMuted(bool bMuted);
    // One repetition: plays when pending and not muted.
    void Tick();

private:
    Q_DISABLE_COPY(PAlarmCue)

    void OnLookChanged(int nId);

    std::function<void()> m_play;
    QPointer<const RAlarmState> m_pState;
    QTimer* m_pRepeat;
    // The regions in alarm when the mute was set.
    QSet<int> m_mutedIds;
    // Muted regions whose alarm has cleared, and since when (elapsed ms).
    QHash<int, qint64> m_quietSinceMs;
    bool m_bPending = false;
    bool m_bMuted = false;
};
