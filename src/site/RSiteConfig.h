#pragma once

#include <QString>

// Where the site database is and what this station is called there, as
// System Settings stores it (ClientSettings). The password is never here:
// libpq reads it from its password file (PGPASSFILE or ~/.pgpass), which
// only the user can read.
struct RSiteConfig
{
    bool bEnabled = false;
    QString strHost = QStringLiteral("127.0.0.1");
    int nPort = 5432;
    QString strDatabase = QStringLiteral("kestal");
    QString strUser = QStringLiteral("kestal_sender");
    // libpq's sslmode: disable, allow, prefer, require, verify-ca, verify-full.
    QString strSslMode = QStringLiteral("prefer");
    QString strSite;
    // This file's identity (RSiteOutbox::FileId); not a setting.
    QString strFileId;
    // Empty: libpq's own choice (PGPASSFILE, then ~/.pgpass).
    QString strPassFile;

    // Default connection; missing values keep the defaults above.
    static RSiteConfig Load();
    bool Save(QString* pError) const;

    // libpq options besides host, port, database and user; a connect that
    // does not answer gives up after nTimeoutS seconds.
    QString ConnectOptions(int nTimeoutS) const;
    // Why the settings cannot be used; empty when they can.
    QString Problem() const;

    // The password file libpq reads; PGPASSFILE when set.
    static QString PassFilePath();
    // Puts strPassword for this host, port, database and user in the
    // password file (made 0600 before anything is written, then renamed
    // over the old one); other entries stay.
    bool StorePassword(const QString& strPassword, QString* pError) const;
};
