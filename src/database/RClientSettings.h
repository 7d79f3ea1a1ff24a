#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Settings of this client that have no column of their own, by name, in the
// table "ClientSettings" on the default connection (inside the long
// transaction; nothing is committed here).
class RClientSettings final
{
public:
    // How many months of 2-second slots stay in the main file.
    static constexpr const char* ArchiveRetentionMonths = "ArchiveRetentionMonths";
    // Minutes without input after which a session ends.
    static constexpr const char* SessionIdleMinutes = "SessionIdleMinutes";

    static QString TableStatement();
    // nDefault when the setting was never saved or cannot be read.
    static int Int(const char* pName, int nDefault);
    // False, with the reason in pError, when the file refused it.
    static bool SetInt(const char* pName, int nValue, QString* pError);
    // Text settings: empty when never saved.
    static QString Text(const char* pName);
    // strDefault when the setting is missing or empty.
    static QString Text(const char* pName, const QString& strDefault);
    static bool SetText(const char* pName, const QString& strValue, QString* pError);
    // Each (name, text) in turn; false at the first that is not stored.
    static bool SetAll(const QList<QPair<const char*, QString>>& values, QString* pError);

private:
    RClientSettings() = delete;
};
