#pragma once

#include "radio/ImageBlocks.h"

#include <atomic>
#include <thread>

class Event;
class QObject;
class TRadio;

// Moves a configuration image between the radio and the program in 8-byte
// blocks on a worker thread. The worker reports to the notify window with
// message 2029: (0, next address) after every block, then (1, outcome) as it
// finishes; it closes the programming session in every case.
class ImageTransfer {
public:
    enum Outcome { Completed = 0, Failed = 1, Cancelled = 2 };
    static constexpr int kBlock = 8;

    // opensSession: the telemetry program's worker opens the programming
    // session itself; the PMR program opens it before the transfer.
    ImageTransfer(TRadio& radio, ImageBlocks& image, Event& cancel, bool opensSession);
    ~ImageTransfer();
    ImageTransfer(const ImageTransfer&) = delete;
    ImageTransfer& operator=(const ImageTransfer&) = delete;

    // Starts the worker for [first, last]; write = image to radio.
    void Start(bool write, int first, int last, QObject* notify);
    // Waits for the worker to end; true only when every block went through.
    bool Wait();

private:
    void Run(bool write, int first, int last, QObject* notify);

    TRadio& radio_;
    ImageBlocks& image_;
    Event& cancel_;
    const bool opensSession_;
    std::thread worker_;
    std::atomic<bool> success_{false};
};
