#include "io/SAtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Another writer beside the same target may hold a name; so many tries find
// a free one unless the folder is full of leftovers.
constexpr int MaxNameTries = 100;

QString errorText(int nError)
{
    return QString::fromLocal8Bit(std::strerror(nError));
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    return "something else";
}

} // namespace

qint64 SAtomicFile::Device::writeData(const char* pData, qint64 nLength)
{
    qint64 nDone = 0;
    while (nDone < nLength) {
        const qint64 n = QFile::writeData(pData + nDone, nLength - nDone);
        if (n <= 0) {
            // A failed write has set the reason.
            if (n == 0)
                setErrorString(QStringLiteral("nothing could be written"));
            m_bFailed = true;
            return -1;
        }
        nDone += n;
    }
    return nDone;
}

SAtomicFile::SAtomicFile(const QString& strTarget)
    : m_strTarget(strTarget)
{
}

SAtomicFile::~SAtomicFile()
{
    Discard();
}

QString SAtomicFile::Refusal(const QString& strTarget)
{
    struct stat status;
    if (::stat(QFile::encodeName(strTarget).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return QString();
    return QStringLiteral("cannot write %1: it is %2, not a regular file, and is left as it is")
        .arg(QDir::toNativeSeparators(strTarget), QLatin1String(kindOf(status.st_mode)));
}

QString SAtomicFile::Failure(const QString& strReason) const
{
    return QStringLiteral("cannot write %1: %2")
        .arg(QDir::toNativeSeparators(m_strTarget), strReason);
}

void SAtomicFile::Discard()
{
    m_file.close();
    m_file.m_bFailed = false;
    if (m_strTemporary.isEmpty())
        return;
    ::unlink(QFile::encodeName(m_strTemporary).constData());
    m_strTemporary.clear();
}

bool SAtomicFile::Open(QString* pError)
{
    Discard();
    *pError = Refusal(m_strTarget);
    if (!pError->isEmpty())
        return false;
    const QFileInfo target(m_strTarget);
    m_strReplaced = target.isSymLink() && target.exists() ? target.canonicalFilePath()
                                                          : target.absoluteFilePath();
    const QFileInfo replaced(m_strReplaced);
    struct stat status;
    const bool bExists = ::stat(QFile::encodeName(m_strReplaced).constData(), &status) == 0;

    // Hidden and in the target's folder: the rename stays on one file system.
    const QString strStem = replaced.absolutePath() + QStringLiteral("/.") + replaced.fileName();
    int fd = -1;
    int nError = EEXIST;
    for (int i = 0; i < MaxNameTries && fd < 0 && nError == EEXIST; ++i) {
        const QString strName = strStem + QLatin1Char('.')
            + QString::number(QRandomGenerator::global()->generate(), 36);
        // 0666 less the umask, as any new file.
        fd = ::open(
            QFile::encodeName(strName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        nError = errno;
        if (fd >= 0)
            m_strTemporary = strName;
    }
    if (fd < 0) {
        *pError = Failure(errorText(nError));
        return false;
    }
    if (bExists && ::fchmod(fd, status.st_mode & 07777) != 0) {
        nError = errno;
        ::close(fd);
        Discard();
        *pError = Failure(errorText(nError));
        return false;
    }
    if (!m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *pError = Failure(m_file.errorString());
        Discard();
        return false;
    }
    return true;
}

bool SAtomicFile::Commit(QString* pError)
{
    if (!m_file.isOpen()) {
        *pError = Failure(QStringLiteral("the file was not opened"));
        return false;
    }
    // A write that failed earlier leaves its error even when the flush has
    // nothing left to write.
    QString strReason;
    if (m_file.m_bFailed || !m_file.flush() || m_file.error() != QFileDevice::NoError)
        strReason = m_file.errorString();
    else if (::fsync(m_file.handle()) != 0)
        strReason = errorText(errno);
    m_file.close();
    if (!strReason.isEmpty()) {
        *pError = Failure(strReason);
        Discard();
        return false;
    }
    // The target may have been replaced by something else meanwhile.
    *pError = Refusal(m_strTarget);
    if (!pError->isEmpty()) {
        Discard();
        return false;
    }
    if (::rename(QFile::encodeName(m_strTemporary).constData(),
            QFile::encodeName(m_strReplaced).constData())
        != 0) {
        *pError = Failure(errorText(errno));
        Discard();
        return false;
    }
    m_strTemporary.clear();
    // The rename itself reaches the disk with the folder.
    const int nFolder
        = ::open(QFile::encodeName(QFileInfo(m_strReplaced).absolutePath()).constData(),
            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFolder >= 0) {
        ::fsync(nFolder);
        ::close(nFolder);
    }
    return true;
}
