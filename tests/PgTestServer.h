#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QVariant>

#include <pwd.h>
#include <unistd.h>

// A throw-away PostgreSQL server for one test: initdb into a temporary
// directory, listening on a Unix socket in it and on a free loopback port.
// The server refuses to run as root, so under root (CI) every server command
// runs as "nobody", who owns the directory. Local socket connections are
// trusted; TCP connections need a password (scram), so the password file is
// exercised for real.
class PgTestServer final
{
public:
    static constexpr const char* Superuser = "postgres";

    PgTestServer()
        : m_dir(QDir::tempPath() + QStringLiteral("/kestal-pg-XXXXXX"))
    {
    }
    ~PgTestServer() { Stop(); }

    static QString BinDir() { return QStringLiteral("/usr/lib/postgresql/15/bin"); }
    static bool IsInstalled()
    {
        return QFile::exists(BinDir() + QStringLiteral("/initdb"))
            && QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"));
    }

    // initdb and start; false with the reason in Error().
    bool Start()
    {
        if (!m_dir.isValid())
            return Fail(QStringLiteral("no temporary directory"));
        if (geteuid() == 0) {
            const passwd* pUser = getpwnam("nobody");
            if (!pUser
                || chown(QFile::encodeName(m_dir.path()).constData(), pUser->pw_uid, pUser->pw_gid)
                    != 0)
                return Fail(QStringLiteral("cannot give the directory to nobody"));
        }
        m_nPort = FreePort();
        if (!Run(QStringLiteral("initdb"),
                {QStringLiteral("-D"), DataDir(), QStringLiteral("-U"), QLatin1String(Superuser),
                    QStringLiteral("--auth-local=trust"),
                    QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("--no-sync"),
                    QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C")}))
            return false;
        return Resume();
    }

    // Starts the stopped server again on the same port and data.
    bool Resume()
    {
        QString strOptions = QStringLiteral("-k %1 -p %2 -c listen_addresses=127.0.0.1")
                                 .arg(m_dir.path())
                                 .arg(m_nPort);
        if (!m_bDurable)
            strOptions += QStringLiteral(" -c fsync=off -c full_page_writes=off");
        if (!Run(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), DataDir(), QStringLiteral("-o"), strOptions,
                    QStringLiteral("-l"), m_dir.path() + QStringLiteral("/server.log"),
                    QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                    QStringLiteral("start")}))
            return false;
        m_bRunning = true;
        return true;
    }

    // "fast" closes the sessions; "immediate" is a crash of the server.
    void Stop(const QString& strMode = QStringLiteral("fast"))
    {
        if (!m_bRunning)
            return;
        CloseAdmin();
        Run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), DataDir(), QStringLiteral("-m"), strMode, QStringLiteral("-w"),
                QStringLiteral("stop")});
        m_bRunning = false;
    }

    // Benches measure a server that syncs its commits, as a real one does.
    void SetDurable(bool bDurable) { m_bDurable = bDurable; }
    int Port() const { return m_nPort; }
    QString SocketDir() const { return m_dir.path(); }
    QString Error() const { return m_strError; }

    // A superuser connection over the socket, named strName.
    QSqlDatabase Admin(const QString& strDatabase = QStringLiteral("postgres"))
    {
        const QString strName = QStringLiteral("pgtest-admin-%1").arg(strDatabase);
        QSqlDatabase db = QSqlDatabase::contains(strName)
            ? QSqlDatabase::database(strName, false)
            : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), strName);
        db.setHostName(m_dir.path());
        db.setPort(m_nPort);
        db.setUserName(QLatin1String(Superuser));
        db.setDatabaseName(strDatabase);
        if (!db.isOpen())
            db.open();
        return db;
    }

    // Runs admin statements; false (reason in Error()) at the first failure.
    bool Exec(
        const QStringList& statements, const QString& strDatabase = QStringLiteral("postgres"))
    {
        QSqlDatabase db = Admin(strDatabase);
        QSqlQuery query(db);
        for (const QString& strSql : statements) {
            if (!query.exec(strSql))
                return Fail(strSql + QStringLiteral(": ") + query.lastError().text());
        }
        return true;
    }

    // One value of an admin query, invalid when it fails.
    QVariant Scalar(const QString& strSql, const QString& strDatabase)
    {
        QSqlQuery query(Admin(strDatabase));
        if (!query.exec(strSql) || !query.next())
            return {};
        return query.value(0);
    }

    // A database and a login role with a password; the role owns the database.
    bool CreateDatabase(
        const QString& strDatabase, const QString& strRole, const QString& strPassword)
    {
        return Exec({QStringLiteral("create role %1 login password '%2'").arg(strRole, strPassword),
            QStringLiteral("create database %1 owner %2").arg(strDatabase, strRole)});
    }

    // Drops the admin connections before the server goes.
    static void CloseAdmin()
    {
        for (const QString& strName : QSqlDatabase::connectionNames()) {
            if (strName.startsWith(QLatin1String("pgtest-admin-"))) {
                QSqlDatabase::database(strName, false).close();
                QSqlDatabase::removeDatabase(strName);
            }
        }
    }

private:
    QString DataDir() const { return m_dir.path() + QStringLiteral("/data"); }

    bool Fail(const QString& strText)
    {
        m_strError = strText;
        return false;
    }

    static int FreePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    bool Run(const QString& strTool, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(m_dir.path());
        const QString strProgram = BinDir() + QLatin1Char('/') + strTool;
        if (geteuid() == 0) {
            process.start(QStringLiteral("runuser"),
                QStringList {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                    strProgram}
                    + arguments);
        } else {
            process.start(strProgram, arguments);
        }
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0)
            return Fail(
                strTool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()));
        return true;
    }

    QTemporaryDir m_dir;
    int m_nPort = 0;
    bool m_bRunning = false;
    bool m_bDurable = false;
    QString m_strError;
};
