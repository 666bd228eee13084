#pragma once

#include "platform/Event.h"

#include <atomic>
#include <thread>

// Ctrl-C (SIGINT) and SIGTERM for ql41. The first one asks the running
// operation to stop the way the Cancel button does: the cancel event is set
// (the image transfer sees it before its next block) and Interrupted() turns
// true for the loops that check it. A second one quits at once.
class InterruptWatch {
public:
    // Blocks both signals for the calling thread and every thread started
    // after it; call first thing in main, before any thread exists, so the
    // watcher is the only one that receives them.
    static void BlockSignals();

    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool Interrupted() const { return interrupted_.load(); }
    // Set on every interrupt; the transfer resets it when it has stopped.
    Event& CancelEvent() { return cancel_; }

private:
    void Run();

    int signalFd_ = -1;
    Event stop_;
    Event cancel_;
    std::atomic<bool> interrupted_{false};
    std::thread thread_;
};
