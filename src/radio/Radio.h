#pragma once

#include "link/Mtdeque.h"
#include "link/Pktqueue.h"
#include "link/Protocol.h"
#include "platform/Deliverable.h"
#include "platform/Event.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

class QObject;
class Win32Port;

// The radio session: the one object through which a program talks to the
// radio's application firmware. Each operation sends one request frame and
// waits at most 250 ms for its reply; there are no retries here. A receive
// thread turns incoming bytes into frames, hands each to its reply handler
// and logs it for the packet monitor.
//
// Only one request may be outstanding at a time: all of them share one reply
// event. A reply that arrives after its request timed out leaves the event
// set. The PMR program checks the address echoed by read and write replies;
// the telemetry program takes any.
class TRadio {
public:
    static constexpr int kReplyWaitMs = 250;
    static constexpr int kIdentityMax = 31;

    explicit TRadio(Deliverable deliverable);
    ~TRadio();
    TRadio(const TRadio&) = delete;
    TRadio& operator=(const TRadio&) = delete;

    // The port must outlive the session, or be detached (nullptr) first.
    void AttachPort(Win32Port* port);
    // Receives 2025 (status report), 2027 (frame received) and 2028 (frame sent).
    void SetNotifyWindow(QObject* window) { notifyWindow_.store(window); }
    // The radio's firmware major version as the main window knows it; the
    // PMR program asks for escaping in ReadRange when it is above 2.
    void SetFirmwareMajor(int major) { firmwareMajor_.store(major); }

    Deliverable GetDeliverable() const { return deliverable_; }
    ProtocolZYN1& Framer() { return framer_; }

    void Send(const uint8_t* frame, int length);
    bool Transact(const uint8_t* frame, int length, bool noWait);

    bool OpenSession(bool escape);
    bool GetIdent(QString& text);
    bool ProbeIdent();
    bool CloseSession();
    bool ReadByte(int address, int& value);
    bool WriteByte(int address, int value);
    bool Read8(int address, uint8_t bytes[8]);
    bool Write8(int address, const uint8_t bytes[8]);
    // Opens a session, reads [start rounded down to 8, end) in 8-byte blocks
    // into destination until the first failure, closes the session. The
    // result is that of the last read (false when none was made).
    bool ReadRange(int start, int end, uint8_t* destination);
    void KeyEvent(int key, int event);
    bool RequestStatus();
    bool ReadLevels(int& first, int& second);
    // The radio does not answer these two: they report false after 250 ms.
    bool SetTestTone(double hz);
    bool SetAlignFrequency(long hz);

    void GetStatusReport(uint8_t report[10], uint8_t extension[7]);
    // Frames logged for the packet monitor. PMR: bytes popped from the log
    // rings (wire order); telemetry: the last frame as found (newest byte
    // first), at most maximum bytes of it.
    int TakeReceived(uint8_t* destination, int maximum);
    int TakeSent(uint8_t* destination, int maximum);

    // Test tone value sent for a frequency: hz x 4.096 rounded half up.
    static int TestToneValue(double hz);

private:
    void ReceiveLoop();
    void HandleBytes(const uint8_t* bytes, int count);
    // Runs the reply handler of a found frame; false when the frame is
    // refused (PMR: a read reply for another address).
    bool Dispatch(const uint8_t* frame, int length);
    void SetReply() { reply_.Set(); }
    int TakeLogged(MTdeque& ring, TPktQueue& holder, uint8_t* destination, int maximum);

    const Deliverable deliverable_;
    const bool checked_; // PMR: replies must echo the awaited address
    ProtocolZYN1 framer_;

    std::atomic<Win32Port*> port_{nullptr};
    std::atomic<QObject*> notifyWindow_{nullptr};
    std::atomic<int> firmwareMajor_{3};

    Event stop_;
    Event reply_;
    Event attached_; // wakes the receive thread when a port is attached
    std::mutex portLock_; // AttachPort against the receive thread's use of the port

    // Reply fields, guarded by lock_.
    std::mutex lock_;
    uint8_t statusReport_[10] = {};
    uint8_t statusExtension_[7] = {};
    char identity_[kIdentityMax + 1] = {};
    int byteValue_ = 0;
    uint8_t block_[8] = {};
    uint8_t levels_[4] = {};

    // Addresses of the outstanding requests (PMR), written by the caller
    // before sending and read by the receive thread.
    std::atomic<int> awaitRead8_{-1};
    std::atomic<int> awaitReadByte_{-1};
    std::atomic<int> awaitWrite8_{-1};
    std::atomic<int> awaitWriteByte_{-1};
    std::atomic<bool> escapeRequested_{false};

    // Logs for the packet monitor.
    MTdeque receivedRing_;
    MTdeque sentRing_;
    TPktQueue receivedHolder_;
    TPktQueue sentHolder_;

    uint8_t lastFrame_[ProtocolZYN1::kMaxFrame] = {};
    std::thread thread_;
};
