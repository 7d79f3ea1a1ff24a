#pragma once

#include <QByteArray>
#include <QString>

// The secret of the audit trail's MACs. It lives outside the database, in a
// file of the user's own (mode 0600), so that whoever can edit the database
// file cannot make a row that verifies. The key itself is never logged.
class RAuditKey final
{
public:
    static constexpr int Size = 32;

    // $XDG_DATA_HOME/kestal/audit.key, by default ~/.local/share/kestal: the
    // place of the client's per-user files wherever it was started from.
    static QString DefaultPath();

    // The key in strPath; empty, with the reason in pError, when the file is
    // missing, unreadable or not a key.
    static QByteArray Read(const QString& strPath, QString* pError);

    // A new random key in strPath, readable by the user alone (its directory
    // is made when missing). Written beside and linked into place, so that
    // two programs starting at once end with one key: the second one reads
    // the first's.
    static QByteArray Create(const QString& strPath, QString* pError);

private:
    RAuditKey() = delete;
};
