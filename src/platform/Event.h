#pragma once

#include <initializer_list>
#include <mutex>

// Manual-reset event: stays signalled from Set() until Reset(). Backed by an
// eventfd, so a thread can wait for it in poll() together with a device file
// descriptor or other events. Waits never spin.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits until the event is signalled or timeoutMs runs out (negative:
    // no limit). Returns true when signalled.
    bool Wait(int timeoutMs = -1) const;

    // Waits for any of the events; returns the index of the first signalled
    // one, or -1 when timeoutMs ran out (negative: no limit).
    static int WaitAny(std::initializer_list<const Event*> events, int timeoutMs = -1);

    // Readable (POLLIN) exactly while the event is signalled.
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
    mutable std::mutex lock_;
    bool signalled_ = false;
};

// Milliseconds left until a deadline taken from a monotonic clock; used to
// restart poll() after EINTR without stretching the wait.
class Deadline {
public:
    explicit Deadline(int timeoutMs);
    // Remaining milliseconds (0 when passed), or -1 for a wait without limit.
    int RemainingMs() const;

private:
    long long endNs_ = -1;
};
