#include "PQuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Only async-signal-safe work happens in the handler: one byte into a pipe
// that the event loop watches.
int s_fds[2] = {-1, -1};

extern "C" void onSignal(int nSignal)
{
    const unsigned char byte = static_cast<unsigned char>(nSignal);
    const ssize_t nIgnored = ::write(s_fds[0], &byte, 1);
    (void)nIgnored;
}

} // namespace

PQuitOnSignal::PQuitOnSignal(QObject* parent)
    : QObject(parent)
{
    if (s_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0)
        return;
    m_pNotifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &PQuitOnSignal::OnActivated);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

PQuitOnSignal::~PQuitOnSignal()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void PQuitOnSignal::OnActivated()
{
    unsigned char byte = 0;
    if (::read(s_fds[1], &byte, 1) == 1) {
        emit SignalReceived(byte);
        QCoreApplication::quit();
    }
}
