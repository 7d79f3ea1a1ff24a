#pragma once

// A real mosquitto broker on a loopback port for one test, in a temporary
// directory of its own, and mosquitto_sub as its subscriber.

#include "TestTls.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class MqttBroker
{
public:
    MqttBroker()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_nPort = probe.serverPort();
    }
    ~MqttBroker() { Stop(); }

    int Port() const { return m_nPort; }
    qint64 ProcessId() const { return m_process.processId(); }

    // A user the broker takes, with the rest refused; before Start().
    bool AddUser(const QString& strUser, const QString& strPassword)
    {
        const QString strFile = m_dir.filePath(QStringLiteral("passwords"));
        QStringList args {QStringLiteral("-b"), strFile, strUser, strPassword};
        if (!QFile::exists(strFile))
            args.prepend(QStringLiteral("-c"));
        const int nCode = QProcess::execute(QStringLiteral("mosquitto_passwd"), args);
        m_bUsers = nCode == 0;
        return m_bUsers;
    }

    // TLS on the listener, with a certificate for 127.0.0.1 signed by a CA
    // of the test's own; the CA's certificate. Before Start().
    QString UseTls()
    {
        m_bTls = TestTls::MakeCertificate(m_dir.path());
        return m_bTls ? m_dir.filePath(QStringLiteral("ca.pem")) : QString();
    }

    // Listens on the same port each time, so that a client can come back.
    bool Start()
    {
        const QString strConfig = m_dir.filePath(QStringLiteral("mosquitto.conf"));
        QFile config(strConfig);
        if (!config.open(QIODevice::WriteOnly))
            return false;
        QByteArray text = "listener " + QByteArray::number(m_nPort) + " 127.0.0.1\n";
        // Root would otherwise be swapped for the package's own user, who
        // cannot read this directory.
        if (geteuid() == 0)
            text += "user root\n";
        if (m_bTls)
            for (const char* pFile : {"cafile ca.pem", "certfile server.pem", "keyfile server.key"})
                text += QByteArray(pFile).replace(' ', " " + QFile::encodeName(m_dir.path()) + "/")
                    + "\n";
        if (m_bUsers)
            text += "allow_anonymous false\npassword_file "
                + QFile::encodeName(m_dir.filePath(QStringLiteral("passwords"))) + "\n";
        else
            text += "allow_anonymous true\n";
        config.write(text);
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), strConfig});
        if (!m_process.waitForStarted(5000))
            return false;
        // Up when it takes a connection.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(m_nPort));
            if (probe.waitForConnected(200))
                return true;
            if (m_process.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(50);
        }
        return false;
    }
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_nPort = 0;
    bool m_bUsers = false;
    bool m_bTls = false;
};

// mosquitto_sub on a topic filter, printing "topic payload" lines.
class MqttSubscriber
{
public:
    MqttSubscriber(int nPort, const QString& strFilter, int nQos = 1)
    {
        // Line-buffered: its own lines would wait in a full buffer on a pipe.
        m_process.start(QStringLiteral("stdbuf"),
            {QStringLiteral("-oL"), QStringLiteral("mosquitto_sub"), QStringLiteral("-h"),
                QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(nPort),
                QStringLiteral("-q"), QString::number(nQos), QStringLiteral("-v"),
                QStringLiteral("-d"), QStringLiteral("-t"), strFilter});
    }
    ~MqttSubscriber()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Until the broker confirmed the subscription.
    bool WaitSubscribed()
    {
        return QTest::qWaitFor(
            [this] {
                Read();
                return m_strDebug.contains(QLatin1String("Subscribed"));
            },
            10000);
    }
    // The messages so far: topic and payload, in arrival order.
    QList<QPair<QString, QString>> Messages()
    {
        Read();
        return m_messages;
    }
    bool WaitFor(
        const std::function<bool(const QList<QPair<QString, QString>>&)>& done, int nMs = 10000)
    {
        return QTest::qWaitFor([&] { return done(Messages()); }, nMs);
    }

private:
    void Read()
    {
        m_buffer += m_process.readAllStandardOutput();
        int nEnd = 0;
        while ((nEnd = m_buffer.indexOf('\n')) >= 0) {
            const QString strLine = QString::fromUtf8(m_buffer.left(nEnd));
            m_buffer.remove(0, nEnd + 1);
            // -d interleaves the client's own lines with the messages.
            if (strLine.startsWith(QLatin1String("Client "))
                || strLine.startsWith(QLatin1String("Subscribed"))) {
                m_strDebug += strLine + QLatin1Char('\n');
                continue;
            }
            const int nSpace = strLine.indexOf(QLatin1Char(' '));
            if (nSpace > 0)
                m_messages.append({strLine.left(nSpace), strLine.mid(nSpace + 1)});
        }
    }

    QProcess m_process;
    QByteArray m_buffer;
    QString m_strDebug;
    QList<QPair<QString, QString>> m_messages;
};
