#pragma once

// A real SMTP server for the tests (aiosmtpd, Debian's python3-aiosmtpd) on a
// free loopback port, started from tests/notify/smtp_sink.py (SMTP_SINK, set
// by the test's build) with a folder of its own.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

class SmtpSink
{
public:
    explicit SmtpSink(const QString& strDir)
        : m_strDir(strDir)
        , m_nPort(FreePort())
    {
        QDir().mkpath(strDir);
    }
    ~SmtpSink() { Stop(); }
    // With a user, only that user and password may log in; tls: "--starttls"
    // or "--tls" with the PEM certificate and key.
    bool Start(const QString& strUser = QString(), const QString& strPassword = QString(),
        const QStringList& tls = QStringList())
    {
        QStringList args {QStringLiteral(SMTP_SINK), QString::number(m_nPort), m_strDir};
        if (!strUser.isEmpty())
            args << QStringLiteral("--user") << strUser << QStringLiteral("--password")
                 << strPassword;
        args << tls;
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        return m_process.waitForStarted(5000)
            && QTest::qWaitFor(
                [this] {
                    return m_process.readAllStandardOutput().contains("ready")
                        || m_process.state() == QProcess::NotRunning;
                },
                10000)
            && m_process.state() == QProcess::Running;
    }
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    int Port() const { return m_nPort; }
    // Each mail received: "to" (the envelope's), "from", "subject", "body".
    QList<QJsonObject> Mails() const
    {
        QList<QJsonObject> mails;
        QFile file(m_strDir + QStringLiteral("/mails.jsonl"));
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (!line.isEmpty())
                    mails << QJsonDocument::fromJson(line).object();
            }
        }
        return mails;
    }
    // Log-ins tried, refused or not.
    int Logins() const
    {
        QFile file(m_strDir + QStringLiteral("/logins.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }
    static int FreePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

private:
    QString m_strDir;
    int m_nPort;
    QProcess m_process;
};
