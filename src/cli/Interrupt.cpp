#include "Interrupt.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
sigset_t WatchedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
} // namespace

void InterruptWatch::BlockSignals()
{
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

InterruptWatch::InterruptWatch()
{
    const sigset_t set = WatchedSignals();
    signalFd_ = signalfd(-1, &set, SFD_CLOEXEC);
    if (signalFd_ >= 0) {
        thread_ = std::thread(&InterruptWatch::Run, this);
        return;
    }
    // Without a watcher, Ctrl-C at least still ends the program.
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

InterruptWatch::~InterruptWatch()
{
    stop_.Set();
    if (thread_.joinable())
        thread_.join();
    if (signalFd_ >= 0)
        ::close(signalFd_);
}

void InterruptWatch::Run()
{
    for (;;) {
        pollfd fds[2] = {{signalFd_, POLLIN, 0}, {stop_.Fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        signalfd_siginfo info;
        if (::read(signalFd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info))
            continue;
        if (interrupted_.exchange(true)) {
            static const char kQuit[] = "\nInterrupted again: quitting at once.\n";
            [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kQuit, sizeof kQuit - 1);
            _exit(130);
        }
        cancel_.Set();
    }
}
