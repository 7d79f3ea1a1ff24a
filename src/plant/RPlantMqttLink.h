#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>

struct mosquitto;

// The MQTT broker's link, a worker for its own thread: Run() connects, runs
// the library's network loop and reconnects with a growing back-off until
// RequestStop(). Publish() may be called from any thread; the library is
// told it is shared between threads, and only queues the message for the
// loop to send. The last will marks the station off line when it dies.
class RPlantMqttLink final : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString strHost;
        int nPort = 1883;
        QString strClientId;
        QString strUser; // empty: no login
        QString strPassword;
        QString strCaFile; // set: TLS, the broker's certificate checked against it
        QByteArray willTopic;
        int nKeepAliveSeconds = 30;
        int nFirstBackoffMs = 1000;
        int nLastBackoffMs = 60000;
    };

    // Problem() says when the library refuses the options (a CA file it
    // cannot read, say); Run() then returns at once.
    explicit RPlantMqttLink(const Options& options);
    ~RPlantMqttLink() override;
    // Empty when the link could be built, else why not.
    QString Problem() const { return m_strProblem; }

    // The worker's body; returns after RequestStop(), once "offline" is
    // sent (when the broker is there) and the link closed.
    void Run();
    void RequestStop() { m_bStop = true; }
    // The message's id, or -1 when the library did not take it (no link).
    // Not while the destructor runs: the owner calls both.
    int Publish(const QByteArray& topic, const QByteArray& payload, int nQos, bool bRetain);

signals:
    // From the worker's thread.
    void Connected();
    void Failed(const QString& strReason);
    void Published(int nMessage);

private:
    Q_DISABLE_COPY(RPlantMqttLink)
    static void onConnect(mosquitto*, void* pSelf, int nCode);
    static void onDisconnect(mosquitto*, void* pSelf, int nCode);
    static void onPublish(mosquitto*, void* pSelf, int nMessage);
    // Waits nMs or until asked to stop.
    void Pause(int nMs);

    Options m_options;
    QString m_strProblem;
    mosquitto* m_pMosq = nullptr;
    std::atomic_bool m_bStop {false};
    std::atomic_bool m_bConnected {false};
    // The worker's own: the current attempt's failure is reported; the
    // broker took the current attempt.
    bool m_bFailed = false;
    bool m_bReached = false;
};
