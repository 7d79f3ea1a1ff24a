#pragma once

#include "web/RWebFeed.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QUrlQuery>

#include <atomic>
#include <functional>

struct mg_connection;
struct mg_context;
class QTimer;
class RStation;
class RWebTlsFront;
class SClock;

// The read-only web view: an HTTP server (civetweb, on threads of its own)
// that serves the page's own files, logs viewers in with the station's
// accounts and streams the live state to each as server-sent events. Nobody
// can act through it. Its threads never touch the station: the state
// reaches them through the feed, a login goes to the GUI thread and back.
class RWebServer final : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        QString strAddress = QStringLiteral("127.0.0.1");
        int nPort = 8088;
        // Both set (PEM files): HTTPS on nTlsPort, and nPort only
        // redirects to it.
        QString strCertFile;
        QString strKeyFile;
        int nTlsPort = 8443;
        int nIdleMinutes = 15;
    };
    struct Login
    {
        bool bOk = false;
        QString strAccount;
        int nGrade = 0;
        QString strRefusal; // why not, for the viewer
    };
    // On the GUI thread: the account check, with its audit rows.
    using LoginCheck = std::function<Login(
        const QString& strName, const QString& strPassword, const QString& strPeer)>;
    using LogoutRecord = std::function<void(
        const QString& strAccount, const QString& strPeer, const QString& strHow)>;
    // On the GUI thread, the station file's reads for the pages: the path
    // and its query in, JSON out; empty when there is no such page.
    using Reader = std::function<QByteArray(const QString& strPath, const QUrlQuery& query)>;

    // Live streams at once; one more is refused with 503.
    static constexpr int MaxStreams = 100;
    static constexpr int MaxBodyBytes = 4096;
    // Logins handled in a minute, from all viewers together: each costs the
    // GUI thread a password hash.
    static constexpr int MaxLoginsPerMinute = 20;
    // Page reads waiting for the GUI thread at once; more are refused.
    static constexpr int MaxReads = 4;

    explicit RWebServer(SClock* pClock = nullptr, QObject* pParent = nullptr);
    ~RWebServer() override;

    // The feed follows the station; logins go through its accounts and
    // trail.
    void Attach(RStation* pStation);
    void SetLoginCheck(LoginCheck check, LogoutRecord logout);
    void SetReader(Reader reader) { m_reader = std::move(reader); }
    bool Start(const Settings& settings, QString* pError);
    void Stop();
    bool IsRunning() const { return m_pContext != nullptr; }
    RWebFeed& Feed() { return m_feed; }
    int StreamCount() const { return m_nStreams; }
    // The HTTPS connections open (none without TLS).
    int TlsConnections() const;
    // Ends the sessions idle for longer than the settings say (every
    // 10 s by itself; the tests call it on their clock).
    void ExpireIdle();

    // civetweb's threads.
    int Handle(mg_connection* pConnection);

private:
    Q_DISABLE_COPY(RWebServer)
    struct Session
    {
        QString strAccount;
        int nGrade = 0;
        QString strPeer;
        qint64 nLastMs = 0;
        bool bTouched = false;
    };

    void Respond(mg_connection* pConnection, int nStatus, const char* pType, const QByteArray& body,
        const QByteArray& extraHeaders = QByteArray());
    // The session of the request's cookie; false when it has none.
    bool SessionOf(mg_connection* pConnection, Session* pSession, QByteArray* pToken);
    int HandleLogin(mg_connection* pConnection, const QString& strPeer);
    int HandleLogout(mg_connection* pConnection);
    int HandleEvents(mg_connection* pConnection, const QByteArray& token);
    int HandleRead(mg_connection* pConnection, const QString& strPath);
    QByteArray SecurityHeaders() const;
    // Plain HTTP when TLS is set: the same page at the HTTPS port.
    int Redirect(mg_connection* pConnection);
    // Runs job on the GUI thread and waits for its result; false when the
    // server stops first (the job then runs, or not, with nobody waiting).
    template <typename T> bool RunOnGui(std::function<T()> job, T* pResult);

    SClock* m_pClock;
    RStation* m_pStation = nullptr;
    RWebFeed m_feed;
    LoginCheck m_login;
    LogoutRecord m_logout;
    Reader m_reader;
    mg_context* m_pContext = nullptr;
    QTimer* m_pIdle;
    Settings m_settings;
    bool m_bTls = false;
    RWebTlsFront* m_pFront;
    // The loopback port on which the front hands its requests over; set
    // before the front starts, which sets m_bFrontUp.
    int m_nInnerPort = 0;
    std::atomic_bool m_bFrontUp {false};
    QHash<QString, QPair<QByteArray, QByteArray>> m_files; // path -> type, bytes
    QMutex m_mutex; // the sessions and the login count
    QHash<QByteArray, Session> m_sessions;
    qint64 m_nLoginMinute = -1;
    int m_nLoginsThisMinute = 0;
    std::atomic_bool m_bLoginBusy {false};
    std::atomic_bool m_bStopping {false};
    std::atomic_int m_nStreams {0};
    std::atomic_int m_nReads {0};
};
