#pragma once

#include "platform/Deliverable.h"

#include <atomic>
#include <cstdint>

// The frame format spoken with the radio's application firmware, and the
// receive-side frame finder.
//
// On the line a frame is: payload, checksum, code, marker. The checksum is
// 0xFF minus the byte sum of the payload (before escaping); code and marker
// are not covered and never escaped. The marker comes last, so the receiver
// keeps the newest bytes newest-first and reads a frame backwards from each
// marker that arrives.
//
// ql4100p adds two things:
//  - escape mode: payload and checksum bytes 0x7E, 0xAA and 0xCC travel as
//    0x7E followed by the byte XOR 0x20;
//  - on code-0x02 replies, an optional prefix block before the payload:
//    seven bytes e0..e6 and their own checksum c2.
//
// Not Qt: the fuzz target builds this file on its own.
class ProtocolZYN1 {
public:
    static constexpr int kWindowSize = 256;   // receive window
    static constexpr int kMaxRequest = 24;    // largest request frame
    static constexpr int kMaxFrame = 256;     // a found frame never exceeds this
    static constexpr int kPrefixSize = 8;     // e0..e6 and c2
    static constexpr uint8_t kCommandMarker = 0xCC, kStatusMarker = 0xAA, kEscape = 0x7E;

    explicit ProtocolZYN1(Deliverable d);
    ProtocolZYN1(const ProtocolZYN1&) = delete;
    ProtocolZYN1& operator=(const ProtocolZYN1&) = delete;

    Deliverable GetDeliverable() const { return deliverable_; }

    // Zeroes the window; ql4100p also clears the extension flag.
    void Reset();

    // Writes payload, checksum, code and marker to dst and returns the number
    // of bytes written. With escape, dst must hold 2 * n + 4 bytes, else n + 3.
    static int BuildFrame(uint8_t* dst, const uint8_t* payload, int n, uint8_t code, uint8_t marker,
                          bool escape);

    // The oldest byte falls out of the window; b becomes index 0.
    void PushByte(uint8_t b);

    // True when the window now ends in a valid reply frame. Then dst (at
    // least kMaxFrame bytes) receives the frame newest-first with escapes
    // removed: marker, code, checksum, payload (last byte first), and for a
    // ql4100p code-0x02 frame with a valid prefix block, c2 and e6..e0; length
    // is set to the frame's size. On false, dst and length are untouched.
    bool FindFrame(uint8_t* dst, int& length);

    // ql4100p: whether the last code-0x02 frame found had a valid prefix
    // block. Always false for ql4100.
    bool ExtensionFlag() const { return extension_; }

    // Escape mode: only ql4100p has it. Kept per instance (each program has
    // exactly one session object, so this is the program-wide switch); atomic
    // because the receive thread reads it while callers write it.
    void SetEscapeMode(bool on);   // ignored (stays off) for ql4100
    bool EscapeMode() const { return escape_.load(std::memory_order_relaxed); }

    // Request builders: write into dst (at least kMaxRequest bytes) with the
    // current escape mode and return the frame length. 16-bit values go low
    // byte first.
    int MakeOpenSession(uint8_t* dst, bool askEscape) const;   // ql4100: never asks
    int MakeGetIdent(uint8_t* dst) const;
    int MakeCloseSession(uint8_t* dst) const;
    int MakeKeyEvent(uint8_t* dst, int key, int event) const;  // (event & 0x70) | (key & 0x0F)
    int MakeRead8(uint8_t* dst, int address) const;
    int MakeWrite8(uint8_t* dst, int address, const uint8_t bytes[8]) const;  // bytes[k] at address+k
    int MakeReadLevels(uint8_t* dst) const;
    int MakeStatusRequest(uint8_t* dst) const;
    int MakeTestTone(uint8_t* dst, int value) const;
    int MakeReadByte(uint8_t* dst, int address) const;
    int MakeWriteByte(uint8_t* dst, int address, int value) const;
    int MakeAlignChannel(uint8_t* dst, int channel) const;     // ql4100: 0, nothing to send

    // Reading a found frame. Its payload is frameLength - 3 bytes, less the
    // prefix block when the frame carried one.
    static int PayloadLength(int frameLength, bool withPrefix);
    // Copies the payload of a found frame to out in wire order (p0 first) and
    // returns its length.
    static int WirePayload(const uint8_t* found, int frameLength, bool withPrefix, uint8_t* out);
    // Reverses a found frame into wire order (prefix block and c2 first, then
    // payload, checksum, code, marker), for the packet monitors; returns length.
    static int ToWireOrder(const uint8_t* found, int length, uint8_t* out);

private:
    int Request(uint8_t* dst, uint8_t marker, uint8_t code, const uint8_t* payload, int n) const;
    int Request4(uint8_t* dst, uint8_t code, int p0, int p1, int p2, int p3) const;

    const Deliverable deliverable_;
    std::atomic<bool> escape_{false};
    bool extension_ = false;
    uint8_t window_[kWindowSize];   // index 0 = newest byte
};
