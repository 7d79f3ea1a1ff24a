#pragma once

#include <QObject>

class QSoundEffect;

// The alarm sound of the audible cue. Without an audio device (a headless
// run, a workstation without speakers) playing does nothing; the screen must
// then say that alarms are silent.
class RAlarmSound final : public QObject
{
    Q_OBJECT
public:
    explicit RAlarmSound(QObject* pParent = nullptr);
    ~RAlarmSound() override;

    void Play();
    bool IsAvailable() const { return m_bAvailable; }

signals:
    // The sound turned out unplayable after it was made (the sound system
    // refused it).
    void AvailableChanged(bool bAvailable);

private:
    Q_DISABLE_COPY(RAlarmSound)

    QSoundEffect* m_pEffect;
    bool m_bAvailable;
};
