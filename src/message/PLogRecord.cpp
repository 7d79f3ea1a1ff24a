#include "message/PLogRecord.h"

#include "message/PConfigFile.h"

#include <QByteArray>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>

#include <fcntl.h>
#include <unistd.h>

namespace {

const char* levelTag(LogLevel eLevel)
{
    switch (eLevel) {
    case LogLevel::Critical:
        return "[Critical]  ";
    case LogLevel::Alert:
        return "[Alert]  ";
    case LogLevel::Warning:
        return "[Warning]  ";
    case LogLevel::Notice:
        return "[Notice]  ";
    case LogLevel::Debug:
        break;
    }
    return "[Debug]  ";
}

QByteArray stamp(LogLevel eLevel)
{
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[64];
    snprintf(text, sizeof(text), "[%04d-%02d-%02d %02d:%02d:%02d]  ", local.tm_year + 1900,
        local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return QByteArray(text) + levelTag(eLevel);
}

// Lines that could not be written (a full disk, say), oldest first; they go
// out before the next line once writing works again. Bounded: beyond the
// bound lines are only counted. Never destroyed, so a log line written
// while the program ends still finds it.
struct Backlog
{
    static constexpr size_t MAX_LINES = 1000;
    QMutex mutex; // Log() is called from several threads
    std::deque<QByteArray> lines; // the front one may be the rest of a short write
    unsigned long long nDropped = 0;
};

Backlog& backlog()
{
    static Backlog* pBacklog = new Backlog;
    return *pBacklog;
}

// Writes what it can of bytes to standard output and removes that from them;
// true when all went out.
bool writeOut(QByteArray& bytes)
{
    qsizetype nDone = 0;
    while (nDone < bytes.size()) {
        const ssize_t n
            = ::write(STDOUT_FILENO, bytes.constData() + nDone, size_t(bytes.size() - nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        nDone += n;
    }
    bytes.remove(0, int(nDone));
    return bytes.isEmpty();
}

// Called with the backlog's mutex held.
bool writeBacklog(Backlog& kept)
{
    for (;;) {
        while (!kept.lines.empty()) {
            if (!writeOut(kept.lines.front()))
                return false;
            kept.lines.pop_front();
        }
        if (kept.nDropped == 0)
            return true;
        kept.lines.push_back(stamp(LogLevel::Warning) + QByteArray::number(kept.nDropped)
            + " log lines were lost: the log could not be written\n");
        kept.nDropped = 0;
    }
}

std::atomic<int> s_nEchoLevel {-1};

int vlog(LogLevel eLevel, const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int nText = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (nText < 0)
        return nText;
    QByteArray line = stamp(eLevel);
    const int nPrefix = line.size();
    line.resize(nPrefix + nText + 1);
    vsnprintf(line.data() + nPrefix, size_t(nText) + 1, format, args);
    line.chop(1);

    Backlog& kept = backlog();
    QMutexLocker locker(&kept.mutex);
    // Plain output printed before this line stays before it.
    fflush(stdout);
    if (static_cast<int>(eLevel) <= s_nEchoLevel.load()) {
        fwrite(line.constData(), 1, size_t(line.size()), stderr);
        fflush(stderr);
    }
    if (writeBacklog(kept) && writeOut(line))
        return nText;
    if (kept.lines.size() < Backlog::MAX_LINES)
        kept.lines.push_back(line);
    else
        ++kept.nDropped;
    return -1;
}

LogLevel levelOf(QtMsgType type)
{
    switch (type) {
    case QtFatalMsg:
        return LogLevel::Critical;
    case QtCriticalMsg:
        return LogLevel::Alert;
    case QtWarningMsg:
        return LogLevel::Warning;
    case QtInfoMsg:
        return LogLevel::Notice;
    case QtDebugMsg:
        break;
    }
    return LogLevel::Debug;
}

// Qt aborts after a fatal message itself, once this has written it.
void qtMessage(QtMsgType type, const QMessageLogContext& context, const QString& strText)
{
    const QByteArray text = strText.toLocal8Bit();
    if (context.category && std::strcmp(context.category, "default") != 0)
        Log(levelOf(type), "%s: %s\n", context.category, text.constData());
    else
        Log(levelOf(type), "%s\n", text.constData());
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

QtMessageHandler PLogRecord::RouteQtMessages()
{
    return qInstallMessageHandler(qtMessage);
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

int Log(LogLevel eLevel, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = vlog(eLevel, format, args);
    va_end(args);
    return n;
}

void PLogRecord::EchoToStandardError(int nMostLevel)
{
    s_nEchoLevel.store(nMostLevel);
}
