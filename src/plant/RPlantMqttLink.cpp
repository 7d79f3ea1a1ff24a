#include "plant/RPlantMqttLink.h"

#include <QFile>
#include <QThread>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

// The library's sentences end with a full stop; ours go on after them.
QString sentence(const char* pText)
{
    QString strText = QString::fromUtf8(pText);
    while (strText.endsWith(QLatin1Char('.')))
        strText.chop(1);
    return strText;
}

QString reasonOf(int nCode)
{
    if (nCode == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (nCode == MOSQ_ERR_KEEPALIVE)
        return QStringLiteral("the broker did not answer within the keep-alive time");
    return sentence(mosquitto_strerror(nCode));
}

} // namespace

RPlantMqttLink::RPlantMqttLink(const Options& options)
    : m_options(options)
{
    static std::once_flag s_init;
    std::call_once(s_init, [] { mosquitto_lib_init(); });
    m_pMosq = mosquitto_new(options.strClientId.toUtf8().constData(), true, this);
    if (!m_pMosq) {
        m_strProblem = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    // The loop runs on the worker's thread and the publisher calls from its
    // own: the library must know, or it writes to the socket from both.
    mosquitto_threaded_set(m_pMosq, true);
    mosquitto_connect_callback_set(m_pMosq, &RPlantMqttLink::onConnect);
    mosquitto_disconnect_callback_set(m_pMosq, &RPlantMqttLink::onDisconnect);
    mosquitto_publish_callback_set(m_pMosq, &RPlantMqttLink::onPublish);
    int nCode = MOSQ_ERR_SUCCESS;
    if (!options.strUser.isEmpty())
        nCode = mosquitto_username_pw_set(m_pMosq, options.strUser.toUtf8().constData(),
            options.strPassword.isEmpty() ? nullptr : options.strPassword.toUtf8().constData());
    if (nCode == MOSQ_ERR_SUCCESS && !options.strCaFile.isEmpty())
        nCode = mosquitto_tls_set(m_pMosq, QFile::encodeName(options.strCaFile).constData(),
            nullptr, nullptr, nullptr, nullptr);
    static const char s_offline[] = "offline";
    if (nCode == MOSQ_ERR_SUCCESS)
        nCode = mosquitto_will_set(
            m_pMosq, options.willTopic.constData(), int(sizeof s_offline - 1), s_offline, 1, true);
    if (nCode != MOSQ_ERR_SUCCESS)
        m_strProblem = reasonOf(nCode);
}

RPlantMqttLink::~RPlantMqttLink()
{
    if (m_pMosq)
        mosquitto_destroy(m_pMosq);
}

void RPlantMqttLink::Pause(int nMs)
{
    for (int nWaited = 0; nWaited < nMs && !m_bStop; nWaited += 100)
        QThread::msleep(100);
}

void RPlantMqttLink::Run()
{
    if (!m_strProblem.isEmpty())
        return;
    const QByteArray host = m_options.strHost.toUtf8();
    int nBackoff = m_options.nFirstBackoffMs;
    while (!m_bStop) {
        m_bFailed = false;
        // Asynchronous: a host that does not answer cannot hold up a stop.
        int nCode = mosquitto_connect_async(
            m_pMosq, host.constData(), m_options.nPort, m_options.nKeepAliveSeconds);
        while (nCode == MOSQ_ERR_SUCCESS && !m_bStop)
            nCode = mosquitto_loop(m_pMosq, 100, 1);
        if (m_bStop)
            break;
        m_bConnected = false;
        // After a link that worked, the next try comes soon again.
        if (m_bReached) {
            m_bReached = false;
            nBackoff = m_options.nFirstBackoffMs;
        }
        if (!m_bFailed)
            emit Failed(reasonOf(nCode));
        Pause(nBackoff);
        nBackoff = qMin(2 * nBackoff, m_options.nLastBackoffMs);
    }
    if (m_bConnected) {
        // A clean goodbye: the broker drops the will, so say it ourselves.
        Publish(m_options.willTopic, QByteArrayLiteral("offline"), 1, true);
        mosquitto_disconnect(m_pMosq);
        for (int i = 0; i < 10 && m_bConnected; ++i) {
            if (mosquitto_loop(m_pMosq, 50, 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }
    m_bConnected = false;
}

int RPlantMqttLink::Publish(
    const QByteArray& topic, const QByteArray& payload, int nQos, bool bRetain)
{
    if (!m_pMosq || !m_bConnected)
        return -1;
    int nMessage = 0;
    const int nCode = mosquitto_publish(
        m_pMosq, &nMessage, topic.constData(), payload.size(), payload.constData(), nQos, bRetain);
    return nCode == MOSQ_ERR_SUCCESS ? nMessage : -1;
}

void RPlantMqttLink::onConnect(mosquitto*, void* pSelf, int nCode)
{
    auto* pLink = static_cast<RPlantMqttLink*>(pSelf);
    if (nCode != 0) {
        pLink->m_bFailed = true;
        emit pLink->Failed(sentence(mosquitto_connack_string(nCode)));
        return;
    }
    pLink->m_bConnected = true;
    pLink->m_bReached = true;
    emit pLink->Connected();
}

void RPlantMqttLink::onDisconnect(mosquitto*, void* pSelf, int)
{
    static_cast<RPlantMqttLink*>(pSelf)->m_bConnected = false;
}

void RPlantMqttLink::onPublish(mosquitto*, void* pSelf, int nMessage)
{
    emit static_cast<RPlantMqttLink*>(pSelf)->Published(nMessage);
}
