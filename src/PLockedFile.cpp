#include "PLockedFile.h"

#include "message/PLogRecord.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool setLock(int fd, short type, bool block)
{
    struct flock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    int nResult;
    do {
        nResult = ::fcntl(fd, block ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (nResult == -1 && errno == EINTR && block);
    return nResult == 0;
}

bool isContention(int nError)
{
    return nError == EAGAIN || nError == EACCES;
}

} // namespace

PLockedFile::PLockedFile(const QString& strName)
    : QFile(strName)
{
}

PLockedFile::~PLockedFile()
{
    if (IsLocked())
        Unlock();
}

bool PLockedFile::Lock(LockMode mode, bool block)
{
    if (!isOpen()) {
        Log(LogLevel::Warning, "PLockedFile::Lock(): file is not opened\n");
        return false;
    }
    if (mode == m_mode)
        return true;
    if (mode == NoLock)
        return Unlock();
    if (m_mode != NoLock)
        Unlock();

    if (!setLock(handle(), mode == ReadLock ? F_RDLCK : F_WRLCK, block)) {
        if (!isContention(errno))
            Log(LogLevel::Warning, "PLockedFile::Lock(): fcntl: %s\n", std::strerror(errno));
        return false;
    }
    m_mode = mode;
    return true;
}

bool PLockedFile::Unlock()
{
    if (!isOpen()) {
        Log(LogLevel::Warning, "PLockedFile::Unlock(): file is not opened\n");
        return false;
    }
    if (!IsLocked())
        return true;
    if (!setLock(handle(), F_UNLCK, false)) {
        Log(LogLevel::Warning, "PLockedFile::Unlock(): fcntl: %s\n", std::strerror(errno));
        return false;
    }
    m_mode = NoLock;
    return true;
}
