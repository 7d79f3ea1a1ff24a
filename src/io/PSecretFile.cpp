#include "io/PSecretFile.h"

#include "database/RAuditKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString PSecretFile::PathBeside(const QString& strAuditKeyPath, const QString& strName)
{
    const QString strKey = strAuditKeyPath.isEmpty() ? RAuditKey::DefaultPath() : strAuditKeyPath;
    return QFileInfo(strKey).dir().filePath(strName);
}

QString PSecretFile::Read(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.read(64 * 1024);
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

bool PSecretFile::Write(const QString& strPath, const QString& strText, QString* pError)
{
    QDir().mkpath(QFileInfo(strPath).path());
    QSaveFile file(strPath);
    // Owner only before a byte is written.
    if (!file.open(QIODevice::WriteOnly)
        || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *pError = file.errorString();
        return false;
    }
    file.write(strText.toUtf8());
    if (!file.commit()) {
        *pError = file.errorString();
        return false;
    }
    return true;
}
