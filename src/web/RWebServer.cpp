#include "web/RWebServer.h"

#include "database/RAuditTrail.h"
#include "database/RLoginSession.h"
#include "database/RRegionCatalogue.h"
#include "database/RUserAccounts.h"
#include "message/PLogRecord.h"
#include "message/SClock.h"
#include "station/RStation.h"
#include "web/RWebPlan.h"
#include "web/RWebReads.h"
#include "web/RWebTlsFront.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <civetweb.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

static void initWebResources()
{
    Q_INIT_RESOURCE(web);
}

namespace {

constexpr char s_cookie[] = "kestal_session";
constexpr int StreamWaitMs = 5000;

int handler(mg_connection* pConnection, void* pServer)
{
    return static_cast<RWebServer*>(pServer)->Handle(pConnection);
}

int logMessage(const mg_connection*, const char* pMessage)
{
    Log(LogLevel::Warning, "web view: %s\n", pMessage);
    return 1;
}

QByteArray statusText(int nStatus)
{
    switch (nStatus) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    default:
        return "Service Unavailable";
    }
}

QByteArray errorJson(const QString& strText)
{
    QJsonObject object;
    object.insert(QStringLiteral("error"), strText);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

RWebServer::RWebServer(SClock* pClock, QObject* pParent)
    : QObject(pParent)
    , m_pClock(pClock ? pClock : SClock::System())
    , m_pIdle(new QTimer(this))
    , m_pFront(new RWebTlsFront(this))
{
    initWebResources();
    m_pIdle->setInterval(10000);
    connect(m_pIdle, &QTimer::timeout, this, &RWebServer::ExpireIdle);
}

RWebServer::~RWebServer()
{
    Stop();
}

void RWebServer::Attach(RStation* pStation)
{
    m_pStation = pStation;
    m_feed.Reset(pStation->Snapshot());
    // Off, no reading costs a line of JSON: the start takes the snapshot.
    connect(pStation, &RStation::ReadingStored, this, [this](const RStationReading& reading) {
        if (m_pContext)
            m_feed.SetReading(reading.nId, reading.fDose, reading.time);
    });
    connect(pStation, &RStation::AlarmStateChanged, this,
        [this](int, const RStationRegion& region) { m_feed.SetRegion(region); });
    // Each signal's own value: the snapshot may not have it yet.
    connect(pStation, &RStation::LinkChanged, this, [this](bool bUp) { m_feed.SetLink(bUp); });
    connect(pStation, &RStation::StorageChanged, this,
        [this](const QString& strProblem) { m_feed.SetStorageProblem(strProblem); });
    connect(
        pStation, &RStation::FloodChanged, this, [this](bool bFlood) { m_feed.SetFlood(bFlood); });
    connect(pStation->Journal(), &RAlarmJournal::Written, this,
        [this](const RAlarmEvent& event) { m_feed.AddEvent(event); });
    SetLoginCheck(
        [pStation](const QString& strName, const QString& strPassword, const QString& strPeer) {
            Login login;
            RUserAccount account;
            const RUserAccounts::Result eResult
                = pStation->Session()->Accounts().Login(strName, strPassword, &account);
            login.bOk = eResult == RUserAccounts::Result::Ok;
            if (login.bOk) {
                login.strAccount = account.strName;
                login.nGrade = account.nGrade;
            } else {
                login.strRefusal = eResult == RUserAccounts::Result::Locked
                    ? QStringLiteral("locked")
                    : eResult == RUserAccounts::Result::Disabled ? QStringLiteral("disabled")
                                                                 : QStringLiteral("refused");
            }
            pStation->Audit()->Append(
                login.bOk ? RAuditActor {account.nId, account.strName} : RAuditActor {0, strName},
                login.bOk ? QStringLiteral("web-login") : QStringLiteral("web-login-failed"),
                strPeer, QString(), login.strRefusal);
            return login;
        },
        [pStation](const QString& strAccount, const QString& strPeer, const QString& strHow) {
            RUserAccount account;
            pStation->Session()->Accounts().Find(strAccount, &account);
            pStation->Audit()->Append({account.nId, strAccount}, QStringLiteral("web-logout"),
                strPeer, QString(), strHow);
        });
    auto pPlan = std::make_shared<RWebPlan>();
    SetReader([pStation, pPlan](const QString& strPath, const QUrlQuery& query) {
        if (strPath == QLatin1String("/api/plan")) {
            return pPlan->Answer(query.queryItemValue(QStringLiteral("layer")).toInt(),
                pStation->Catalogue()->Ids());
        }
        return RWebReads::Answer(strPath, query, pStation->Clock());
    });
}

void RWebServer::SetLoginCheck(LoginCheck check, LogoutRecord logout)
{
    m_login = std::move(check);
    m_logout = std::move(logout);
}

bool RWebServer::Start(const Settings& settings, QString* pError)
{
    Stop();
    m_settings = settings;
    m_bTls = !settings.strCertFile.isEmpty() && !settings.strKeyFile.isEmpty();
    // The page's own files, and nothing else, by their exact names.
    m_files.clear();
    const QList<QPair<QString, QByteArray>> files {
        {QStringLiteral("/index.html"), "text/html; charset=utf-8"},
        {QStringLiteral("/app.js"), "text/javascript; charset=utf-8"},
        {QStringLiteral("/style.css"), "text/css; charset=utf-8"}};
    for (const auto& file : files) {
        QFile resource(QStringLiteral(":/web") + file.first);
        if (!resource.open(QIODevice::ReadOnly)) {
            *pError = QStringLiteral("the page's file %1 is missing").arg(file.first);
            return false;
        }
        m_files.insert(file.first, {file.second, resource.readAll()});
    }
    m_files.insert(QStringLiteral("/"), m_files.value(QStringLiteral("/index.html")));

    // Debian's civetweb 1.15 calls an OpenSSL 1.1 function that OpenSSL 3 no
    // longer has after every TLS handshake, and the process dies: HTTPS comes
    // through the front, to a second, loopback port of the server's.
    QByteArray ports = settings.strAddress.toUtf8() + ':' + QByteArray::number(settings.nPort);
    if (m_bTls)
        ports += ",127.0.0.1:0";
    const QByteArray threads = QByteArray::number(MaxStreams + 8);
    const char* options[]
        = {"listening_ports", ports.constData(), "num_threads", threads.constData(),
            // A client that neither sends nor reads is dropped after this.
            "request_timeout_ms", "5000", "max_request_size", "8192", "enable_keep_alive", "yes",
            "keep_alive_timeout_ms", "5000", "enable_directory_listing", "no", nullptr};
    mg_callbacks callbacks {};
    callbacks.log_message = &logMessage;
    static const bool s_bInit = mg_init_library(0) != 0;
    Q_UNUSED(s_bInit);
    m_bStopping = false;
    if (m_pStation)
        m_feed.Reset(m_pStation->Snapshot());
    m_feed.Reopen();
    char error[256] = {};
    mg_init_data init {};
    init.callbacks = &callbacks;
    init.user_data = this;
    init.configuration_options = options;
    mg_error_data errorData {};
    errorData.text = error;
    errorData.text_buffer_size = sizeof error;
    m_pContext = mg_start2(&init, &errorData);
    if (!m_pContext) {
        *pError = QString::fromUtf8(error);
        return false;
    }
    mg_set_request_handler(m_pContext, "/", &handler, this);
    if (m_bTls) {
        mg_server_port bound[2] {};
        m_nInnerPort = mg_get_server_ports(m_pContext, 2, bound) == 2 ? bound[1].port : 0;
        RWebTlsFront::Settings front;
        front.strAddress = settings.strAddress;
        front.nPort = settings.nTlsPort;
        front.strCertFile = settings.strCertFile;
        front.strKeyFile = settings.strKeyFile;
        front.nInnerPort = m_nInnerPort;
        front.nMaxConnections = MaxStreams + 8;
        QString strError = m_nInnerPort ? QString() : QStringLiteral("no inner port");
        if (!m_nInnerPort || !m_pFront->Start(front, &strError)) {
            Stop();
            *pError = QStringLiteral("HTTPS: %1").arg(strError);
            return false;
        }
        m_bFrontUp = true;
    }
    m_pIdle->start();
    Log(LogLevel::Notice, "web view on %s:%d%s\n", settings.strAddress.toUtf8().constData(),
        settings.nPort,
        m_bTls ? qPrintable(QStringLiteral(", HTTPS on port %1").arg(settings.nTlsPort)) : "");
    return true;
}

void RWebServer::Stop()
{
    m_pIdle->stop();
    if (!m_pContext)
        return;
    m_bStopping = true;
    m_feed.Close();
    // Waits for every request, the streams end at the feed's close; then
    // no request asks the front any more.
    mg_stop(m_pContext);
    m_pContext = nullptr;
    m_bFrontUp = false;
    m_pFront->Stop();
    m_nInnerPort = 0;
    QMutexLocker lock(&m_mutex);
    m_sessions.clear();
}

void RWebServer::ExpireIdle()
{
    const qint64 nNow = m_pClock->Now().toMSecsSinceEpoch();
    const qint64 nIdleMs = qint64(m_settings.nIdleMinutes) * 60000;
    QVector<Session> expired;
    {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_sessions.begin(); it != m_sessions.end();) {
            if (it->bTouched || it->nLastMs == 0) {
                it->bTouched = false;
                it->nLastMs = nNow;
            }
            if (nNow - it->nLastMs > nIdleMs) {
                expired.append(*it);
                it = m_sessions.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Session& session : qAsConst(expired)) {
        if (m_logout)
            m_logout(session.strAccount, session.strPeer, QStringLiteral("idle"));
    }
}

QByteArray RWebServer::SecurityHeaders() const
{
    // No script but the page's own file, no framing, no guessing of types.
    QByteArray headers = "Content-Security-Policy: default-src 'none'; script-src 'self'; "
                         "style-src 'self'; img-src 'self' data:; connect-src 'self'; "
                         "form-action 'self'; base-uri 'none'; frame-ancestors 'none'\r\n"
                         "X-Frame-Options: DENY\r\n"
                         "X-Content-Type-Options: nosniff\r\n"
                         "Referrer-Policy: no-referrer\r\n";
    if (m_bTls)
        headers += "Strict-Transport-Security: max-age=31536000\r\n";
    return headers;
}

void RWebServer::Respond(mg_connection* pConnection, int nStatus, const char* pType,
    const QByteArray& body, const QByteArray& extraHeaders)
{
    const QByteArray head = "HTTP/1.1 " + QByteArray::number(nStatus) + ' ' + statusText(nStatus)
        + "\r\nContent-Type: " + pType + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nCache-Control: no-store\r\n" + SecurityHeaders() + extraHeaders + "\r\n";
    mg_write(pConnection, head.constData(), size_t(head.size()));
    mg_write(pConnection, body.constData(), size_t(body.size()));
}

bool RWebServer::SessionOf(mg_connection* pConnection, Session* pSession, QByteArray* pToken)
{
    const char* pCookies = mg_get_header(pConnection, "Cookie");
    char token[80] = {};
    if (!pCookies || mg_get_cookie(pCookies, s_cookie, token, sizeof token) != 64)
        return false;
    QMutexLocker lock(&m_mutex);
    const auto it = m_sessions.find(QByteArray(token));
    if (it == m_sessions.end())
        return false;
    *pSession = *it;
    *pToken = QByteArray(token);
    return true;
}

int RWebServer::Handle(mg_connection* pConnection)
{
    const mg_request_info* pInfo = mg_get_request_info(pConnection);
    const QString strPath = QString::fromUtf8(pInfo->local_uri);
    const QByteArray method(pInfo->request_method);
    QString strPeer = QString::fromLatin1(pInfo->remote_addr);
    // Only what came through the front is encrypted; under TLS the rest is
    // sent there.
    const bool bSecure = m_bFrontUp && pInfo->server_port == m_nInnerPort
        && m_pFront->PeerOf(quint16(pInfo->remote_port), &strPeer);
    if (m_bTls && !bSecure)
        return Redirect(pConnection);
    if (m_bStopping) {
        Respond(pConnection, 503, "application/json", errorJson(QStringLiteral("stopping")));
        return 503;
    }
    if (method != "GET" && method != "POST") {
        Respond(pConnection, 405, "application/json", errorJson(QStringLiteral("read-only")));
        return 405;
    }
    if (strPath == QLatin1String("/api/login") && method == "POST")
        return HandleLogin(pConnection, strPeer);
    if (strPath == QLatin1String("/api/logout") && method == "POST")
        return HandleLogout(pConnection);
    if (strPath.startsWith(QLatin1String("/api/"))) {
        Session session;
        QByteArray token;
        if (!SessionOf(pConnection, &session, &token)) {
            Respond(pConnection, 401, "application/json", errorJson(QStringLiteral("log in")));
            return 401;
        }
        if (strPath == QLatin1String("/api/events") && method == "GET")
            return HandleEvents(pConnection, token);
        if (strPath == QLatin1String("/api/state") && method == "GET") {
            {
                QMutexLocker lock(&m_mutex);
                m_sessions[token].bTouched = true;
            }
            QJsonObject who;
            who.insert(QStringLiteral("account"), session.strAccount);
            who.insert(QStringLiteral("grade"), session.nGrade);
            QByteArray state = m_feed.State();
            state.insert(
                1, "\"session\":" + QJsonDocument(who).toJson(QJsonDocument::Compact) + ',');
            Respond(pConnection, 200, "application/json", state);
            return 200;
        }
        if (method == "GET") {
            {
                QMutexLocker lock(&m_mutex);
                m_sessions[token].bTouched = true;
            }
            return HandleRead(pConnection, strPath);
        }
    }
    const auto it = m_files.constFind(strPath);
    if (method != "GET" || it == m_files.constEnd()) {
        Respond(pConnection, 404, "application/json", errorJson(QStringLiteral("no such page")));
        return 404;
    }
    Respond(pConnection, 200, it->first.constData(), it->second);
    return 200;
}

int RWebServer::Redirect(mg_connection* pConnection)
{
    const mg_request_info* pInfo = mg_get_request_info(pConnection);
    // The name the viewer used, without its port; anything but a plain host
    // name or address falls back on the address listened on.
    QByteArray host = mg_get_header(pConnection, "Host");
    const int nColon = host.lastIndexOf(':');
    if (nColon > 0 && !host.endsWith(']'))
        host.truncate(nColon);
    const bool bPlain = !host.isEmpty() && host.size() <= 255
        && std::all_of(host.cbegin(), host.cend(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                   || c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
           });
    if (!bPlain)
        host = m_settings.strAddress.toUtf8();
    QByteArray target = QByteArray(pInfo->local_uri ? pInfo->local_uri : "/");
    // The path as requested, made safe for a header: a request target
    // cannot hold controls, but its decoded form can.
    target = QUrl::toPercentEncoding(QString::fromUtf8(target), "/");
    // The query comes as it was sent, encoded already.
    if (pInfo->query_string)
        target
            += '?' + QUrl::toPercentEncoding(QString::fromUtf8(pInfo->query_string), "=&%+;,/?:@");
    const QByteArray location
        = "https://" + host + ':' + QByteArray::number(m_settings.nTlsPort) + target;
    Respond(pConnection, 301, "application/json", errorJson(QStringLiteral("use HTTPS")),
        "Location: " + location + "\r\n");
    return 301;
}

int RWebServer::TlsConnections() const
{
    return m_pFront->Connections();
}

template <typename T> bool RWebServer::RunOnGui(std::function<T()> job, T* pResult)
{
    auto promise = std::make_shared<std::promise<T>>();
    std::future<T> future = promise->get_future();
    QMetaObject::invokeMethod(
        this, [job = std::move(job), promise] { promise->set_value(job()); }, Qt::QueuedConnection);
    while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (m_bStopping)
            return false;
    }
    *pResult = future.get();
    return true;
}

int RWebServer::HandleRead(mg_connection* pConnection, const QString& strPath)
{
    const mg_request_info* pInfo = mg_get_request_info(pConnection);
    const QUrlQuery query(QString::fromUtf8(pInfo->query_string ? pInfo->query_string : ""));
    if (!m_reader || ++m_nReads > MaxReads) {
        --m_nReads;
        Respond(pConnection, 429, "application/json", errorJson(QStringLiteral("busy")));
        return 429;
    }
    QByteArray body;
    const bool bAnswered
        = RunOnGui<QByteArray>([this, strPath, query] { return m_reader(strPath, query); }, &body);
    --m_nReads;
    if (!bAnswered) {
        Respond(pConnection, 503, "application/json", errorJson(QStringLiteral("stopping")));
        return 503;
    }
    if (body.isEmpty()) {
        Respond(pConnection, 404, "application/json", errorJson(QStringLiteral("no such page")));
        return 404;
    }
    Respond(pConnection, 200, "application/json", body);
    return 200;
}

int RWebServer::HandleLogin(mg_connection* pConnection, const QString& strPeer)
{
    const mg_request_info* pInfo = mg_get_request_info(pConnection);
    if (pInfo->content_length < 0 || pInfo->content_length > MaxBodyBytes) {
        Respond(pConnection, 413, "application/json", errorJson(QStringLiteral("too large")));
        return 413;
    }
    QByteArray body(int(pInfo->content_length), '\0');
    int nRead = 0;
    while (nRead < body.size()) {
        const int n = mg_read(pConnection, body.data() + nRead, size_t(body.size() - nRead));
        if (n <= 0)
            break;
        nRead += n;
    }
    const QJsonObject request = QJsonDocument::fromJson(body.left(nRead)).object();
    const QString strName = request.value(QStringLiteral("name")).toString();
    const QString strPassword = request.value(QStringLiteral("password")).toString();
    if (strName.isEmpty() || strPassword.isEmpty() || !m_login) {
        Respond(pConnection, 400, "application/json", errorJson(QStringLiteral("refused")));
        return 400;
    }
    {
        QMutexLocker lock(&m_mutex);
        const qint64 nMinute = QDateTime::currentMSecsSinceEpoch() / 60000;
        if (nMinute != m_nLoginMinute) {
            m_nLoginMinute = nMinute;
            m_nLoginsThisMinute = 0;
        }
        if (++m_nLoginsThisMinute > MaxLoginsPerMinute) {
            Respond(pConnection, 429, "application/json", errorJson(QStringLiteral("busy")));
            return 429;
        }
    }
    // One at a time: the password's hash is costly work on the GUI thread.
    if (m_bLoginBusy.exchange(true)) {
        Respond(pConnection, 429, "application/json", errorJson(QStringLiteral("busy")));
        return 429;
    }
    Login login;
    const bool bAnswered = RunOnGui<Login>(
        [this, strName, strPassword, strPeer] { return m_login(strName, strPassword, strPeer); },
        &login);
    m_bLoginBusy = false;
    if (!bAnswered) {
        Respond(pConnection, 503, "application/json", errorJson(QStringLiteral("stopping")));
        return 503;
    }
    if (!login.bOk) {
        Respond(pConnection, 401, "application/json", errorJson(login.strRefusal));
        return 401;
    }
    QByteArray token(32, '\0');
    QRandomGenerator::system()->fillRange(
        reinterpret_cast<quint32*>(token.data()), token.size() / int(sizeof(quint32)));
    token = token.toHex();
    {
        QMutexLocker lock(&m_mutex);
        Session session;
        session.strAccount = login.strAccount;
        session.nGrade = login.nGrade;
        session.strPeer = strPeer;
        session.bTouched = true;
        m_sessions.insert(token, session);
    }
    QJsonObject answer;
    answer.insert(QStringLiteral("account"), login.strAccount);
    answer.insert(QStringLiteral("grade"), login.nGrade);
    const QByteArray cookie = QByteArray("Set-Cookie: ") + s_cookie + '=' + token
        + "; Path=/; HttpOnly; SameSite=Strict" + (m_bTls ? "; Secure" : "") + "\r\n";
    Respond(pConnection, 200, "application/json",
        QJsonDocument(answer).toJson(QJsonDocument::Compact), cookie);
    return 200;
}

int RWebServer::HandleLogout(mg_connection* pConnection)
{
    Session session;
    QByteArray token;
    if (SessionOf(pConnection, &session, &token)) {
        {
            QMutexLocker lock(&m_mutex);
            m_sessions.remove(token);
        }
        QMetaObject::invokeMethod(
            this,
            [this, session] {
                if (m_logout)
                    m_logout(session.strAccount, session.strPeer, QStringLiteral("logout"));
            },
            Qt::QueuedConnection);
    }
    const QByteArray cookie = QByteArray("Set-Cookie: ") + s_cookie
        + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict" + (m_bTls ? "; Secure" : "") + "\r\n";
    Respond(pConnection, 200, "application/json", "{}", cookie);
    return 200;
}

int RWebServer::HandleEvents(mg_connection* pConnection, const QByteArray& token)
{
    if (++m_nStreams > MaxStreams) {
        --m_nStreams;
        Respond(
            pConnection, 503, "application/json", errorJson(QStringLiteral("too many viewers")));
        return 503;
    }
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                            "Cache-Control: no-store\r\nConnection: close\r\n"
        + SecurityHeaders() + "\r\n";
    qint64 nSeq = 0;
    QByteArray text;
    bool bOpen = mg_write(pConnection, head.constData(), size_t(head.size())) > 0;
    // A browser that stops reading blocks only its own thread, until the
    // write times out and the stream ends.
    while (bOpen && !m_bStopping && m_feed.Next(&nSeq, StreamWaitMs, &text)) {
        {
            // A session that ended (logout, idle) ends its stream.
            QMutexLocker lock(&m_mutex);
            if (!m_sessions.contains(token))
                break;
        }
        bOpen = mg_write(pConnection, text.constData(), size_t(text.size())) > 0;
    }
    --m_nStreams;
    return 200;
}
