#include "realtime/RAlarmSound.h"

#include <QSoundEffect>

RAlarmSound::RAlarmSound(QObject* pParent)
    : QObject(pParent)
    , m_pEffect(new QSoundEffect(this))
{
    m_pEffect->setSource(QUrl(QStringLiteral("qrc:/Kestal/alarm.wav")));
    m_pEffect->setVolume(1.0);
}

RAlarmSound::~RAlarmSound() = default;

void RAlarmSound::Play()
{
    if (m_pEffect->status() == QSoundEffect::Error)
        return;
    m_pEffect->play();
}
