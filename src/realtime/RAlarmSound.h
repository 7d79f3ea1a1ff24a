#pragma once

#include <QObject>

class QSoundEffect;

// The alarm sound of the audible cue. Without an audio device (a headless
// run, a workstation without speakers) playing does nothing, quietly.
class RAlarmSound final : public QObject
{
    Q_OBJECT
public:
    explicit RAlarmSound(QObject* pParent = nullptr);
    ~RAlarmSound() override;

    void Play();

private:
    Q_DISABLE_COPY(RAlarmSound)

    QSoundEffect* m_pEffect;
    bool m_bAvailable;
};
