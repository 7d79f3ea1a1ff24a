#pragma once

#include <QString>

// A password the station needs to reach a server of the site (a broker, a
// mail server): kept in a file of the user's own beside the audit key,
// readable by the user alone, never in the station file or the log.
namespace PSecretFile {

// strName's path beside the audit key (its default place when empty).
QString PathBeside(const QString& strAuditKeyPath, const QString& strName);
// The file's text without the line end a hand-written file ends with;
// empty when there is none.
QString Read(const QString& strPath);
// Writes it, owner only from the first byte.
bool Write(const QString& strPath, const QString& strText, QString* pError);

} // namespace PSecretFile
