#pragma once

// Certificates for the tests' TLS peers, made by openssl: a CA of the test's
// own and a server certificate for 127.0.0.1 that it signed.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace TestTls {

// In strDir: ca.pem, server.pem and server.key. False when openssl failed.
inline bool MakeCertificate(const QString& strDir)
{
    const auto openssl = [&strDir](const QStringList& args) {
        QProcess process;
        process.setWorkingDirectory(strDir);
        process.start(QStringLiteral("openssl"), args);
        return process.waitForFinished(20000) && process.exitCode() == 0;
    };
    const QStringList key {QStringLiteral("-newkey"), QStringLiteral("ec"),
        QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
        QStringLiteral("-nodes")};
    QFile ext(strDir + QStringLiteral("/ext.cnf"));
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=IP:127.0.0.1\n") < 0)
        return false;
    ext.close();
    return openssl(QStringList {QStringLiteral("req"), QStringLiteral("-x509")} + key
               + QStringList {QStringLiteral("-keyout"), QStringLiteral("ca.key"),
                   QStringLiteral("-out"), QStringLiteral("ca.pem"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=test CA")})
        && openssl(QStringList {QStringLiteral("req")} + key
            + QStringList {QStringLiteral("-keyout"), QStringLiteral("server.key"),
                QStringLiteral("-out"), QStringLiteral("server.csr"), QStringLiteral("-subj"),
                QStringLiteral("/CN=127.0.0.1")})
        && openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
            QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
            QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
            QStringLiteral("-out"), QStringLiteral("server.pem"), QStringLiteral("-days"),
            QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("ext.cnf")});
}

} // namespace TestTls
