#pragma once

#include <csignal>

#include <sys/resource.h>

// For its lifetime no file may grow past nBytes: a write beyond fails with
// EFBIG, as on a full disk, for any user (root included, whom permissions
// would not stop).
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t nBytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        // The signal would end the process; the write's error is wanted.
        m_pHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_pHandler);
    }

private:
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    struct rlimit m_old;
    void (*m_pHandler)(int);
};
