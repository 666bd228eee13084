#pragma once

#include "link/Mtdeque.h"
#include "platform/Deliverable.h"
#include "platform/Event.h"
#include "platform/SerialDevice.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class QObject;

// The one serial port through which a program talks to the radio. A reader
// thread and a writer thread move the bytes; the rest of the program meets
// them only through byte rings and events:
//  - Write queues bytes on the transmit ring for the writer thread;
//  - received bytes go to the receive ring (taken by the radio session with
//    ReadAvailable, or by direct readers with ReadWait) and to the monitor
//    ring (ReadMonitor), and each batch is announced to the notify window
//    with WindowMessage::BytesReceived (count, 0).
// Locks: the port lock is always taken outside a ring's own lock.
class Win32Port {
public:
    explicit Win32Port(Deliverable deliverable);
    ~Win32Port();
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    // Opens "COMn" (through the program's port map). False when a port is
    // already open or the device cannot be had. Every open starts at 9600 bit/s.
    bool Open(const QString& portName);
    // The same with a device path.
    bool OpenDevice(const QString& path);
    // Sends what is still queued (waiting at most DrainWaitMs for a line that
    // takes nothing), stops both threads and releases the device; true, also
    // when not open. A program that ends right after its last request (the
    // close of a programming session) so still gets it to the radio.
    bool Close();
    bool IsOpen() const { return open_.load(); }

    // 9600, 19200, 38400 or 57600; true when the line took the new rate.
    bool SetBaudRate(int rate);

    // Queues bytes for sending and returns at once; bytes that do not fit
    // in the transmit ring are dropped.
    void Write(const uint8_t* bytes, int length);

    // The radio session's read: up to max bytes from the receive ring; clears
    // the session receive event once the ring is empty.
    int ReadAvailable(uint8_t* dst, int max);
    // Direct read of length bytes, each wait for more limited to 500 ms;
    // returns how many arrived (fewer when the line went quiet). Expects
    // session notification off, so that nobody else drains the ring.
    int ReadWait(uint8_t* dst, int length);
    // Bytes for the byte monitor: a second copy of everything received.
    int ReadMonitor(uint8_t* dst, int max);
    // Forgets everything received and not yet taken.
    void FlushReceive();

    // With notification off, arriving bytes do not wake the radio session;
    // they still reach the receive ring, the direct receive event and the
    // monitor. On at construction.
    void EnableSessionNotify();
    void DisableSessionNotify();
    Event& SessionReceiveEvent() { return sessionReceive_; }

    // Window told about each received batch; set it before Open, the reader
    // thread takes it when it starts.
    void SetNotifyWindow(QObject* window) { notifyWindow_.store(window); }

    Deliverable GetDeliverable() const { return deliverable_; }

private:
    static constexpr int BatchSize = 256;
    static constexpr int ByteWaitMs = 500;
    static constexpr int DrainWaitMs = 500;

    void ReaderLoop();
    void WriterLoop();
    // Sends a batch completely; false when the line failed or the writer
    // was told to stop.
    bool SendBatch(const uint8_t* bytes, int length);
    // After a failed read: discard what the driver holds and rest a while,
    // so a dead line costs no CPU. True when told to stop meanwhile.
    bool RestAfterLineFault();
    void StopThreads();

    const Deliverable deliverable_;
    SerialDevice device_;

    Event readerStop_;
    Event writerStop_;
    Event transmit_;
    Event sessionReceive_;
    Event directReceive_;

    MTdeque transmitRing_;
    MTdeque receiveRing_;
    MTdeque monitorRing_;

    // Makes "push received bytes, then signal" and "take bytes, then clear
    // the signal" atomic with respect to each other.
    std::mutex portLock_;
    bool sessionNotify_ = true; // guarded by portLock_

    std::atomic<QObject*> notifyWindow_{nullptr};
    // Bytes queued and not yet handed to the driver (or dropped by it);
    // Close waits for it to reach 0.
    std::mutex drainLock_;
    std::condition_variable drained_;
    int unsent_ = 0;

    // Serialises Open, Close and SetBaudRate.
    std::mutex lifecycle_;
    std::atomic<bool> open_{false};
    std::thread reader_;
    std::thread writer_;
};
