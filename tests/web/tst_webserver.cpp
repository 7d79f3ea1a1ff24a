#include "SqlRows.h"
#include "TestDb.h"
#include "TestTls.h"

#include "database/RLoginSession.h"
#include "database/RUserAccounts.h"
#include "message/SClock.h"
#include "station/RStation.h"
#include "web/RWebConfig.h"
#include "web/RWebServer.h"

#include "PSimDataServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Answer
{
    int nStatus = 0;
    QByteArray body;
    QMap<QByteArray, QByteArray> headers;
};

RStationRegion region(int nId, float fDose)
{
    RStationRegion r;
    r.nId = nId;
    r.strName = QStringLiteral("Room %1").arg(nId);
    r.fDose = fDose;
    r.time = QDateTime(QDate(2026, 3, 7), QTime(10, 0));
    r.bOnline = true;
    return r;
}

} // namespace

// The web view against Qt's HTTP client and raw sockets: what it serves, to
// whom, and what a hostile or slow client cannot do to it.
class TestWebServer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SManualClock m_clock {QDateTime(QDate(2026, 3, 7), QTime(10, 0))};
    std::unique_ptr<RWebServer> m_pServer;
    QNetworkAccessManager m_http;
    QString m_strBase;
    QSslConfiguration m_ssl;
    QStringList m_logouts;

    void Start(RWebServer::Settings settings = {})
    {
        m_pServer = std::make_unique<RWebServer>(&m_clock);
        m_pServer->SetLoginCheck(
            [](const QString& strName, const QString& strPassword, const QString& strPeer) {
                RWebServer::Login login;
                login.bOk = strName == QLatin1String("ann") && strPassword == QLatin1String("good")
                    && strPeer == QLatin1String("127.0.0.1");
                login.strAccount = strName;
                login.nGrade = 2;
                login.strRefusal = login.bOk ? QString() : QStringLiteral("refused");
                return login;
            },
            [this](const QString& strAccount, const QString&, const QString& strHow) {
                m_logouts << strAccount + QLatin1Char(' ') + strHow;
            });
        RStationSnapshot snapshot;
        snapshot.regions = {region(1, 12.5f), region(2, 40.0f)};
        m_pServer->Feed().Reset(snapshot);
        settings.nPort = freePort();
        QString strError;
        QVERIFY2(m_pServer->Start(settings, &strError), qPrintable(strError));
        m_strBase = QStringLiteral("http://127.0.0.1:%1").arg(settings.nPort);
    }
    Answer Request(const QByteArray& method, const QString& strPath,
        const QByteArray& body = QByteArray(), const QByteArray& cookie = QByteArray())
    {
        QNetworkRequest request(QUrl(m_strBase + strPath));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!cookie.isEmpty())
            request.setRawHeader("Cookie", cookie);
        if (m_strBase.startsWith(QLatin1String("https")))
            request.setSslConfiguration(m_ssl);
        std::unique_ptr<QNetworkReply> pReply(m_http.sendCustomRequest(request, method, body));
        if (!QTest::qWaitFor([&] { return pReply->isFinished(); }, 10000))
            return Answer();
        Answer answer;
        answer.nStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = pReply->readAll();
        for (const auto& pair : pReply->rawHeaderPairs())
            answer.headers.insert(pair.first.toLower(), pair.second);
        return answer;
    }
    // A request as bytes, for what Qt's client would not send.
    QByteArray Raw(const QByteArray& request)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(QUrl(m_strBase).port()));
        if (!socket.waitForConnected(5000))
            return QByteArray();
        socket.write(request);
        QByteArray answer;
        const bool bAnswered = QTest::qWaitFor(
            [&] {
                answer += socket.readAll();
                return answer.contains("\r\n\r\n")
                    || socket.state() != QAbstractSocket::ConnectedState;
            },
            5000);
        return bAnswered ? answer.left(answer.indexOf("\r\n")) : QByteArray("no answer");
    }
    // The session cookie of a good login: "kestal_session=...".
    QByteArray LogIn()
    {
        const Answer answer = Request("POST", "/api/login", R"({"name":"ann","password":"good"})");
        return answer.headers.value("set-cookie").split(';').value(0);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        m_pServer.reset();
        m_logouts.clear();
    }

    // Only the page's own files, each with headers that forbid inline
    // script and framing; anything else is not there.
    void pageFilesOnly()
    {
        Start();
        const Answer page = Request("GET", "/");
        QCOMPARE(page.nStatus, 200);
        QVERIFY(page.body.contains("<script src=\"app.js\""));
        const QByteArray policy = page.headers.value("content-security-policy");
        QVERIFY(policy.contains("script-src 'self'") && policy.contains("frame-ancestors 'none'"));
        QVERIFY(!policy.contains("unsafe-inline"));
        QCOMPARE(page.headers.value("x-frame-options"), QByteArray("DENY"));
        QCOMPARE(Request("GET", "/app.js").nStatus, 200);
        for (const char* pPath : {"/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "//etc/passwd",
                 "/web/app.js", "/index.html/../../app.js.map"})
            QVERIFY2(Raw(QByteArray("GET ") + pPath + " HTTP/1.1\r\nHost: x\r\n\r\n")
                    == "HTTP/1.1 404 Not Found",
                pPath);
        QCOMPARE(Request("PUT", "/").nStatus, 405);
        QCOMPARE(Request("DELETE", "/api/state").nStatus, 405);
        QVERIFY(Raw("GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + QByteArray(9000, 'b') + "\r\n\r\n")
                    .contains(" 4"));
        QCOMPARE(
            Request("POST", "/api/login", QByteArray(RWebServer::MaxBodyBytes + 1, 'a')).nStatus,
            413);
    }

    // Nothing without a session; a login sets an HttpOnly, same-site cookie;
    // after the logout the same cookie, replayed, opens nothing.
    void sessionsByCookie()
    {
        Start();
        QCOMPARE(Request("GET", "/api/state").nStatus, 401);
        QCOMPARE(Request("GET", "/api/events").nStatus, 401);
        const Answer refused = Request("POST", "/api/login", R"({"name":"ann","password":"bad"})");
        QCOMPARE(refused.nStatus, 401);
        QVERIFY(refused.headers.value("set-cookie").isEmpty());
        const Answer login = Request("POST", "/api/login", R"({"name":"ann","password":"good"})");
        QCOMPARE(login.nStatus, 200);
        const QByteArray setCookie = login.headers.value("set-cookie");
        QVERIFY(setCookie.contains("HttpOnly") && setCookie.contains("SameSite=Strict"));
        QVERIFY(!setCookie.contains("Secure"));
        const QByteArray cookie = setCookie.split(';').value(0);
        QCOMPARE(cookie.size(), int(sizeof "kestal_session=") - 1 + 64);
        const Answer state = Request("GET", "/api/state", QByteArray(), cookie);
        QCOMPARE(state.nStatus, 200);
        QVERIFY(state.body.contains("\"account\":\"ann\"") && state.body.contains("\"dose\":12.5"));
        QCOMPARE(Request("POST", "/api/logout", QByteArray(), cookie).nStatus, 200);
        QCOMPARE(Request("GET", "/api/state", QByteArray(), cookie).nStatus, 401);
        QCOMPARE(Request("GET", "/api/state", QByteArray(), "kestal_session=" + QByteArray(64, '0'))
                     .nStatus,
            401);
        QTRY_COMPARE(m_logouts, QStringList {"ann logout"});
    }

    // The idle time of the settings on the station's clock ends a session.
    void idleSessionEnds()
    {
        RWebServer::Settings settings;
        settings.nIdleMinutes = 15;
        Start(settings);
        const QByteArray cookie = LogIn();
        m_pServer->ExpireIdle();
        m_clock.Advance(14 * 60000);
        QCOMPARE(Request("GET", "/api/state", QByteArray(), cookie).nStatus, 200);
        m_pServer->ExpireIdle();
        m_clock.Advance(15 * 60000 + 1000);
        m_pServer->ExpireIdle();
        QCOMPARE(Request("GET", "/api/state", QByteArray(), cookie).nStatus, 401);
        QCOMPARE(m_logouts, QStringList {"ann idle"});
    }

    // A stream starts with the whole state and then has every change; a
    // client that stops reading holds up neither the others nor the feed;
    // one too far behind gets the whole state again.
    void streamsLiveAndSlowClients()
    {
        Start();
        const QByteArray cookie = LogIn();
        QTcpSocket deaf;
        deaf.setReadBufferSize(1);
        deaf.connectToHost(QHostAddress::LocalHost, quint16(QUrl(m_strBase).port()));
        QVERIFY(deaf.waitForConnected(5000));
        deaf.write("GET /api/events HTTP/1.1\r\nHost: x\r\nCookie: " + cookie + "\r\n\r\n");
        QTRY_COMPARE(m_pServer->StreamCount(), 1);

        QNetworkRequest request(QUrl(m_strBase + "/api/events"));
        request.setRawHeader("Cookie", cookie);
        std::unique_ptr<QNetworkReply> pStream(m_http.get(request));
        QByteArray got;
        connect(pStream.get(), &QNetworkReply::readyRead, [&] { got += pStream->readAll(); });
        QTRY_VERIFY(got.contains("event: state"));
        QVERIFY(got.contains("\"dose\":40"));
        // Far more than the backlog and than a socket's buffers hold.
        for (int i = 0; i < 3 * RWebFeed::Backlog; ++i)
            m_pServer->Feed().SetReading(1 + i % 2, float(i), m_clock.Now());
        m_pServer->Feed().SetReading(2, 777.25f, m_clock.Now());
        QTRY_VERIFY(got.contains("\"dose\":777.25"));
        QCOMPARE(m_pServer->StreamCount(), 2);
        deaf.abort();
        pStream->abort();
        // Each stream finds its browser gone at a write after it went.
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_pServer->Feed().SetReading(1, 1.0f, m_clock.Now()), m_pServer->StreamCount() == 0),
            10000);
    }

    // Through the station: its accounts with their lockout, each login and
    // failure in the trail with the viewer's address, and a reading in the
    // state a viewer gets.
    void stationAccountsAndTrail()
    {
        PSimDataServer dataServer;
        QVERIFY(dataServer.Listen());
        const QString strFile = m_dir.filePath(QStringLiteral("DataBase.sqlite"));
        QVERIFY(TestDb::MakeStationFile(strFile, dataServer.Port()));
        RWebConfig config;
        config.bEnabled = true;
        config.server.nPort = freePort();
        QString strError;
        QVERIFY(config.Save(&strError));
        QVERIFY(TestDb::Writer().Commit());
        QSqlDatabase::database().close();
        RStation::Options options;
        options.pClock = &m_clock;
        options.strDatabaseFile = strFile;
        options.strAuditKeyPath = m_dir.filePath(QStringLiteral("audit.key"));
        RStation station(options);
        QVERIFY2(station.Open(&strError), qPrintable(strError));
        station.Start();
        QVERIFY(station.Web()->IsRunning());
        m_strBase = QStringLiteral("http://127.0.0.1:%1").arg(config.server.nPort);
        QCOMPARE(station.Session()->Accounts().Create({}, QStringLiteral("ivo"),
                     RUserRights::Operator, QStringLiteral("ivo-password")),
            RUserAccounts::Result::Ok);
        station.StoreReading(1, 4000);
        const Answer good
            = Request("POST", "/api/login", R"({"name":"ivo","password":"ivo-password"})");
        QCOMPARE(good.nStatus, 200);
        const QByteArray cookie = good.headers.value("set-cookie").split(';').value(0);
        QVERIFY(Request("GET", "/api/state", QByteArray(), cookie).body.contains("\"dose\":200"));
        // The pages' reads: the day's journal most urgent first, a day's
        // minute values, a month's days; nothing else.
        const QJsonObject journal = QJsonDocument::fromJson(
            Request("GET", "/api/journal?day=2026-03-07", QByteArray(), cookie).body)
                                        .object();
        const QJsonArray rows = journal.value(QStringLiteral("rows")).toArray();
        QVERIFY(rows.size() >= 2);
        QCOMPARE(rows.at(0).toObject().value(QStringLiteral("event")).toString(),
            QStringLiteral("alarm"));
        QCOMPARE(QJsonDocument::fromJson(
                     Request("GET", "/api/day?region=1&day=2026-03-07", QByteArray(), cookie).body)
                     .object()
                     .value(QStringLiteral("minutes"))
                     .toArray()
                     .size(),
            1440);
        QCOMPARE(QJsonDocument::fromJson(
                     Request("GET", "/api/month?region=1&month=2026-02", QByteArray(), cookie).body)
                     .object()
                     .value(QStringLiteral("days"))
                     .toArray()
                     .size(),
            28);
        QCOMPARE(Request("GET", "/api/patrol", QByteArray(), cookie).nStatus, 200);
        QCOMPARE(Request("GET", "/api/anything", QByteArray(), cookie).nStatus, 404);
        QCOMPARE(Raw("GET /api/journal HTTP/1.1\r\nHost: x\r\n\r\n"),
            QByteArray("HTTP/1.1 401 Unauthorized"));
        // The fifth failure locks the name, as at the console.
        for (int i = 0; i < RUserAccounts::MaxFailures; ++i)
            QCOMPARE(
                Request("POST", "/api/login", R"({"name":"ivo","password":"wrong one"})").nStatus,
                401);
        const Answer locked
            = Request("POST", "/api/login", R"({"name":"ivo","password":"ivo-password"})");
        QCOMPARE(locked.body, QByteArray(R"({"error":"locked"})"));
        QCOMPARE(SqlRows("select AccountName, Action, Object, NewValue from AuditTrail where "
                         "Action like 'web-%' order by Seq"),
            QString("ivo web-login 127.0.0.1 ; ivo web-login-failed 127.0.0.1 refused; "
                    "ivo web-login-failed 127.0.0.1 refused; ivo web-login-failed 127.0.0.1 "
                    "refused; ivo web-login-failed 127.0.0.1 refused; ivo web-login-failed "
                    "127.0.0.1 locked; ivo web-login-failed 127.0.0.1 locked"));
    }

    // With a certificate and key: the page over HTTPS only, plain HTTP
    // sent there, the cookie Secure; a stream through TLS whose viewer
    // stops reading holds up nobody; unusable files are refused in words.
    void httpsThroughTheFront()
    {
        QVERIFY(TestTls::MakeCertificate(m_dir.path()));
        RWebServer::Settings settings;
        settings.strCertFile = m_dir.filePath(QStringLiteral("server.pem"));
        settings.strKeyFile = m_dir.filePath(QStringLiteral("server.key"));
        settings.nTlsPort = freePort();
        Start(settings);
        const Answer moved = Request("GET", "/api/state?x=1&y=%20");
        QCOMPARE(moved.nStatus, 301);
        QCOMPARE(moved.headers.value("location"),
            "https://127.0.0.1:" + QByteArray::number(settings.nTlsPort) + "/api/state?x=1&y=%20");
        QCOMPARE(Request("POST", "/api/login", R"({"name":"ann","password":"good"})").nStatus, 301);

        m_strBase = QStringLiteral("https://127.0.0.1:%1").arg(settings.nTlsPort);
        m_ssl = QSslConfiguration::defaultConfiguration();
        m_ssl.setCaCertificates(QSslCertificate::fromPath(m_dir.filePath("ca.pem")));
        const Answer page = Request("GET", "/");
        QCOMPARE(page.nStatus, 200);
        QVERIFY(page.headers.value("strict-transport-security").startsWith("max-age="));
        const Answer login = Request("POST", "/api/login", R"({"name":"ann","password":"good"})");
        QCOMPARE(login.nStatus, 200);
        QVERIFY(login.headers.value("set-cookie").contains("; Secure"));
        const QByteArray cookie = login.headers.value("set-cookie").split(';').value(0);
        QVERIFY(Request("GET", "/api/state", QByteArray(), cookie).body.contains("\"dose\":40"));

        QSslSocket deaf;
        deaf.setReadBufferSize(1);
        deaf.setSslConfiguration(m_ssl);
        deaf.connectToHostEncrypted(QStringLiteral("127.0.0.1"), quint16(settings.nTlsPort));
        QVERIFY(deaf.waitForEncrypted(5000));
        deaf.write("GET /api/events HTTP/1.1\r\nHost: x\r\nCookie: " + cookie + "\r\n\r\n");
        QTRY_COMPARE(m_pServer->StreamCount(), 1);
        QNetworkRequest request(QUrl(m_strBase + "/api/events"));
        request.setSslConfiguration(m_ssl);
        request.setRawHeader("Cookie", cookie);
        std::unique_ptr<QNetworkReply> pStream(m_http.get(request));
        QByteArray got;
        connect(pStream.get(), &QNetworkReply::readyRead, [&] { got += pStream->readAll(); });
        QTRY_VERIFY(got.contains("event: state"));
        for (int i = 0; i < 3 * RWebFeed::Backlog; ++i)
            m_pServer->Feed().SetReading(1 + i % 2, float(i), m_clock.Now());
        m_pServer->Feed().SetReading(2, 777.25f, m_clock.Now());
        QTRY_VERIFY(got.contains("\"dose\":777.25"));
        deaf.abort();
        pStream->abort();
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_pServer->Feed().SetReading(1, 1.0f, m_clock.Now()), m_pServer->StreamCount() == 0),
            10000);
        QTRY_COMPARE(m_pServer->TlsConnections(), 0);

        RWebServer other(&m_clock);
        QString strError;
        settings.nPort = freePort();
        settings.strKeyFile = m_dir.filePath(QStringLiteral("ext.cnf"));
        QVERIFY(!other.Start(settings, &strError));
        QVERIFY2(strError.contains("no private key"), qPrintable(strError));
        settings.strCertFile = m_dir.filePath(QStringLiteral("none.pem"));
        QVERIFY(!other.Start(settings, &strError));
        QVERIFY2(strError.contains("no certificate file"), qPrintable(strError));
        QVERIFY(!other.IsRunning());
    }
};

QTEST_GUILESS_MAIN(TestWebServer)
#include "tst_webserver.moc"
