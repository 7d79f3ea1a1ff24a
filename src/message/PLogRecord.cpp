#include "message/PLogRecord.h"

#include "message/PConfigFile.h"

#include <QDir>

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char* levelTag(int level)
{
    switch (level) {
    case 0:
        return "[Critical]  ";
    case 1:
        return "[Alert]  ";
    case 2:
        return "[Warning]  ";
    case 3:
        return "[Notice]  ";
    default:
        return "[Debug]  ";
    }
}

int vlog(int level, const char* format, va_list args)
{
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    printf("[%04d-%02d-%02d %02d:%02d:%02d]  ", local.tm_year + 1900, local.tm_mon + 1,
        local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    fputs(levelTag(level), stdout);
    return vprintf(format, args);
}

} // namespace

PLogRecord::PLogRecord(const char* name)
    : m_pName(name)
{
    const QString strBase
        = QString::fromStdString(PConfigFile::Instance().GetValue("LOG", "PATH", "log"));
    const QString strDirectory = Directory(strBase, m_pName);
    QDir().mkpath(strDirectory);
    m_strPath = FileName(strDirectory, QDate::currentDate());

    // Open first and swap the descriptor in, so a file that cannot be opened
    // leaves standard output where it was.
    const int fd = ::open(
        QFile::encodeName(m_strPath).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    fflush(stdout);
    if (::dup2(fd, STDOUT_FILENO) >= 0) {
        setvbuf(stdout, nullptr, _IONBF, 0);
        m_bOpen = true;
    }
    ::close(fd);
}

PLogRecord::~PLogRecord()
{
    if (m_bOpen)
        fflush(stdout);
}

QString PLogRecord::Directory(const QString& strBase, const char* name)
{
    QString strDirectory
        = (strBase.size() <= 1 ? QStringLiteral("log") : strBase) + QString::fromLocal8Bit(name);
    if (!strDirectory.endsWith(QLatin1Char('/')) && !strDirectory.endsWith(QLatin1Char('\\')))
        strDirectory += QLatin1Char('/');
    return strDirectory;
}

QString PLogRecord::FileName(const QString& strDirectory, const QDate& date)
{
    return strDirectory
        + QString::asprintf("%04d-%02d-%02d.log", date.year(), date.month(), date.day());
}

int Log(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = vlog(level, format, args);
    va_end(args);
    return n;
}

int LogDebug(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = vlog(4, format, args);
    va_end(args);
    return n;
}
