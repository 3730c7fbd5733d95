#include "termination/termination.h"

#include <csignal>
#include <errno.h>
#include <pthread.h>
#include <QSocketNotifier>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace termination
{

namespace
{
    sigset_t closeSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        return set;
    }

    sigset_t maskBefore;

    // A child must not keep the signals that end it blocked into the program it runs.
    void restoreMaskInChild()
    {
        pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr);
    }
} // namespace

void blockCloseSignals()
{
    static bool forkHandled = false;
    const sigset_t set = closeSignals();
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &set, &before);
    if (!forkHandled) {
        maskBefore = before;
        forkHandled = pthread_atfork(nullptr, nullptr, restoreMaskInChild) == 0;
    }
}

int pendingCloseSignal()
{
    sigset_t pending;
    if (sigpending(&pending) != 0)
        return 0;
    for (const int signalNumber : { SIGINT, SIGTERM, SIGHUP }) {
        if (sigismember(&pending, signalNumber) == 1)
            return signalNumber;
    }
    return 0;
}

CloseRequests::CloseRequests(QObject* parent)
    : QObject(parent)
{
    const sigset_t set = closeSignals();
    m_descriptor = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_descriptor < 0)
        return;
    m_notifier = new QSocketNotifier(m_descriptor, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseRequests::take);
}

CloseRequests::~CloseRequests()
{
    delete m_notifier;
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void CloseRequests::take()
{
    // Everything waiting is read before anyone is told: a receiver may open an event loop of its own.
    std::vector<int> taken;
    signalfd_siginfo info;
    while (::read(m_descriptor, &info, sizeof info) == sizeof info)
        taken.push_back(static_cast<int>(info.ssi_signo));
    for (const int signalNumber : taken)
        emit received(signalNumber);
}

} // namespace termination
