#include "realtime/RAlarmSound.h"

#include "message/PLogRecord.h"

#include <QAudioDeviceInfo>
#include <QSoundEffect>

RAlarmSound::RAlarmSound(QObject* pParent)
    : QObject(pParent)
    , m_pEffect(new QSoundEffect(this))
    , m_bAvailable(!QAudioDeviceInfo::defaultOutputDevice().isNull())
{
    m_pEffect->setSource(QUrl(QStringLiteral("qrc:/Kestal/alarm.wav")));
    m_pEffect->setVolume(1.0);
    // Said once; every attempt to play would only repeat the sound system's complaint.
    if (!m_bAvailable)
        Log(LogLevel::Notice, "no audio output: alarms are shown but not sounded\n");
    connect(m_pEffect, &QSoundEffect::statusChanged, this, [this]() {
        if (!m_bAvailable || m_pEffect->status() != QSoundEffect::Error)
            return;
        m_bAvailable = false;
        Log(LogLevel::Notice,
            "the alarm sound cannot be played: alarms are shown but not sounded\n");
        emit AvailableChanged(false);
    });
}

RAlarmSound::~RAlarmSound() = default;

void RAlarmSound::Play()
{
    if (!m_bAvailable)
        return;
    m_pEffect->play();
}
