#include "database/PSodium.h"

#include <cstring>

#include <sodium.h>

namespace {

// The password's bytes, wiped when done with: a copy freed as it is would
// stay in the heap for anyone who reads the process memory or a core file.
class Secret final
{
public:
    explicit Secret(const QString& strText)
        : m_bytes(strText.toUtf8())
    {
    }
    ~Secret() { sodium_memzero(m_bytes.data(), static_cast<size_t>(m_bytes.size())); }
    const char* Data() const { return m_bytes.constData(); }
    unsigned long long Size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    Q_DISABLE_COPY(Secret)

    QByteArray m_bytes;
};

} // namespace

bool PSodium::Init()
{
    // sodium_init is itself safe to call again and from several threads; the
    // static keeps it to one call.
    static const bool s_bReady = sodium_init() >= 0;
    return s_bReady;
}

QByteArray PSodium::HashPassword(const QString& strPassword)
{
    if (!Init())
        return QByteArray();
    const Secret password(strPassword);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.Data(), password.Size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return QByteArray();
    return QByteArray(out);
}

bool PSodium::VerifyPassword(const QByteArray& hash, const QString& strPassword)
{
    // The stored string must end inside the buffer libsodium reads.
    if (!Init() || hash.isEmpty() || static_cast<size_t>(hash.size()) >= crypto_pwhash_STRBYTES)
        return false;
    char stored[crypto_pwhash_STRBYTES] = {};
    memcpy(stored, hash.constData(), static_cast<size_t>(hash.size()));
    const Secret password(strPassword);
    return crypto_pwhash_str_verify(stored, password.Data(), password.Size()) == 0;
}

QByteArray PSodium::RandomBytes(int nBytes)
{
    if (!Init() || nBytes <= 0)
        return QByteArray();
    QByteArray bytes(nBytes, '\0');
    randombytes_buf(bytes.data(), static_cast<size_t>(nBytes));
    return bytes;
}
