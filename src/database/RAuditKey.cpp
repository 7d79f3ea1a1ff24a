#include "database/RAuditKey.h"

#include "PInstallPaths.h"
#include "database/PSodium.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(strerror(errno));
}

bool writeAll(int nFd, const QByteArray& bytes)
{
    qint64 nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t n
            = ::write(nFd, bytes.constData() + nDone, static_cast<size_t>(bytes.size() - nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        nDone += n;
    }
    return true;
}

} // namespace

QString RAuditKey::DefaultPath()
{
    return PInstallPaths::UserDataDirectory() + QStringLiteral("/audit.key");
}

QByteArray RAuditKey::Read(const QString& strPath, QString* pError)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *pError
            = QStringLiteral("cannot read the audit key %1: %2").arg(strPath, file.errorString());
        return QByteArray();
    }
    // One byte more than a key, so that a longer file is seen to be one.
    const QByteArray key = file.read(Size + 1);
    if (key.size() != Size) {
        *pError = QStringLiteral("%1 is not an audit key (%2 bytes, not %3)")
                      .arg(strPath)
                      .arg(key.size())
                      .arg(Size);
        return QByteArray();
    }
    return key;
}

QByteArray RAuditKey::Create(const QString& strPath, QString* pError)
{
    const QByteArray key = PSodium::RandomBytes(Size);
    if (key.size() != Size) {
        *pError = QStringLiteral("no random source for the audit key");
        return QByteArray();
    }
    const QFileInfo info(strPath);
    if (!QDir().mkpath(info.absolutePath())) {
        *pError = QStringLiteral("cannot create %1").arg(info.absolutePath());
        return QByteArray();
    }
    // mkstemp makes the file with mode 0600.
    QByteArray temp = QFile::encodeName(info.absoluteFilePath()) + ".XXXXXX";
    const int nFd = ::mkstemp(temp.data());
    if (nFd < 0) {
        *pError = QStringLiteral("cannot write the audit key beside %1: %2")
                      .arg(strPath, systemError());
        return QByteArray();
    }
    const bool bWritten = writeAll(nFd, key) && ::fsync(nFd) == 0;
    const QString strWriteError = systemError();
    ::close(nFd);
    // link() fails when the name exists: a key made meanwhile is kept.
    const bool bLinked
        = bWritten && ::link(temp.constData(), QFile::encodeName(strPath).constData()) == 0;
    const int nLinkErrno = errno;
    ::unlink(temp.constData());
    if (bLinked) {
        // The new name reaches the disk too: a key lost in a crash would
        // leave rows that nothing can verify.
        const int nDir
            = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
        if (nDir >= 0) {
            ::fsync(nDir);
            ::close(nDir);
        }
        return key;
    }
    if (bWritten && nLinkErrno == EEXIST)
        return Read(strPath, pError);
    *pError = QStringLiteral("cannot write the audit key %1: %2")
                  .arg(strPath,
                      bWritten ? QString::fromLocal8Bit(strerror(nLinkErrno)) : strWriteError);
    return QByteArray();
}
