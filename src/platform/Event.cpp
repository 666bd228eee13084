#include "Event.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {
long long NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}
} // namespace

Deadline::Deadline(int timeoutMs)
{
    if (timeoutMs >= 0)
        endNs_ = NowNs() + static_cast<long long>(timeoutMs) * 1000000LL;
}

int Deadline::RemainingMs() const
{
    if (endNs_ < 0)
        return -1;
    const long long left = endNs_ - NowNs();
    if (left <= 0)
        return 0;
    // Round up so a wait never ends a fraction of a millisecond early.
    return static_cast<int>((left + 999999LL) / 1000000LL);
}

Event::Event()
{
    fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0)
        throw std::runtime_error("eventfd failed");
}

Event::~Event()
{
    if (fd_ >= 0)
        close(fd_);
}

void Event::Set()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (signalled_)
        return;
    const uint64_t one = 1;
    ssize_t n;
    do {
        n = write(fd_, &one, sizeof one);
    } while (n < 0 && errno == EINTR);
    signalled_ = true;
}

void Event::Reset()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!signalled_)
        return;
    uint64_t value = 0;
    ssize_t n;
    do {
        n = read(fd_, &value, sizeof value);
    } while (n < 0 && errno == EINTR);
    signalled_ = false;
}

bool Event::IsSet() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return signalled_;
}

bool Event::Wait(int timeoutMs) const
{
    return WaitAny({this}, timeoutMs) == 0;
}

int Event::WaitAny(std::initializer_list<const Event*> events, int timeoutMs)
{
    pollfd fds[8];
    std::vector<pollfd> many;
    pollfd* set = fds;
    if (events.size() > 8) {
        many.resize(events.size());
        set = many.data();
    }
    nfds_t count = 0;
    for (const Event* e : events)
        set[count++] = pollfd{e->Fd(), POLLIN, 0};

    const Deadline deadline(timeoutMs);
    for (;;) {
        const int rc = poll(set, count, deadline.RemainingMs());
        if (rc > 0) {
            for (nfds_t i = 0; i < count; ++i)
                if (set[i].revents & POLLIN)
                    return static_cast<int>(i);
            // A descriptor that is no longer valid would wake poll() at
            // once for ever: give up instead of spinning.
            for (nfds_t i = 0; i < count; ++i)
                if (set[i].revents & (POLLNVAL | POLLERR))
                    return -1;
        } else if (rc == 0) {
            return -1;
        } else if (errno != EINTR) {
            return -1;
        }
        if (deadline.RemainingMs() == 0)
            return -1;
    }
}
