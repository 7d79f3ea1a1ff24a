#pragma once

#include <QByteArray>
#include <QString>

// The few calls of libsodium the accounts and the audit trail make. Each
// initialises the library first (once per process, any thread).
class PSodium final
{
public:
    // False when libsodium cannot start (no entropy source): nothing that
    // needs it can then be done.
    static bool Init();

    // The Argon2id string of strPassword at the interactive limits (salt and
    // parameters inside it); empty on failure. About 64 MB and a tenth of a
    // second.
    static QByteArray HashPassword(const QString& strPassword);
    static bool VerifyPassword(const QByteArray& hash, const QString& strPassword);

    // nBytes from the system's random source; empty on failure.
    static QByteArray RandomBytes(int nBytes);

private:
    PSodium() = delete;
};
