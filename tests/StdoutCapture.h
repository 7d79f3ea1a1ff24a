#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

// Points standard output at a scratch file for the capture's lifetime, and
// gives the original back afterwards whatever the code did to it meanwhile
// (the log, for one, points it at its own file and unbuffers it).
class StdoutCapture final
{
public:
    StdoutCapture()
    {
        fflush(stdout);
        m_nSaved = ::dup(STDOUT_FILENO);
        if (m_file.open())
            ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture()
    {
        fflush(stdout);
        ::dup2(m_nSaved, STDOUT_FILENO);
        ::close(m_nSaved);
        setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    }

    // Everything printed since the capture began.
    QByteArray Text()
    {
        fflush(stdout);
        QFile file(m_file.fileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // What fAction prints.
    template <typename Action> static QByteArray Of(Action fAction)
    {
        StdoutCapture capture;
        fAction();
        return capture.Text();
    }

    // What fAction prints in a forked child, for code that is meant to abort.
    template <typename Action> static QByteArray OfChild(Action fAction)
    {
        StdoutCapture capture;
        const pid_t pid = ::fork();
        if (pid == 0) {
            fAction();
            fflush(stdout);
            ::_exit(0);
        }
        ::waitpid(pid, nullptr, 0);
        return capture.Text();
    }

private:
    Q_DISABLE_COPY(StdoutCapture)

    QTemporaryFile m_file;
    int m_nSaved = -1;
};
