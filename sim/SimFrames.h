#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The radio's side of the serial framing. A frame travels as payload,
// checksum, code, marker; the marker comes last, so a frame is recognised
// when its marker arrives and read backwards from there. While escaping is on,
// payload and checksum bytes 0x7E, 0xAA and 0xCC travel as 0x7E, byte ^ 0x20.
namespace simframes {

constexpr uint8_t kCommandMarker = 0xCC;
constexpr uint8_t kStatusMarker = 0xAA;
constexpr uint8_t kEscape = 0x7E;

// 0xFF minus the byte sum of the data.
uint8_t Checksum(const uint8_t* data, size_t count);

bool NeedsEscape(uint8_t b);

// Appends bytes as they go on the line (escaped if asked).
void AppendBytes(std::vector<uint8_t>& out, const uint8_t* data, size_t count, bool escape);

// Appends one whole frame: payload, checksum, code, marker.
void AppendFrame(std::vector<uint8_t>& out, const std::vector<uint8_t>& payload, uint8_t code,
                 uint8_t marker, bool escape);

// Payload length of a request the radio understands, or -1.
int RequestPayloadLength(uint8_t marker, uint8_t code);

struct Frame {
    uint8_t marker = 0;
    uint8_t code = 0;
    std::vector<uint8_t> payload; // wire order, escapes removed
};

// Watches the incoming bytes and reports each well-formed request at the
// moment its marker arrives. Bytes that are not part of a frame (noise, a
// cut-off earlier frame) are simply skipped.
class RequestFinder {
public:
    // Takes one received byte; true and the frame when it completed a request.
    bool Push(uint8_t byte, bool escaping, Frame& frame);

private:
    static constexpr size_t kWindow = 64;
    uint8_t window_[kWindow] = {}; // ring of the latest bytes
    size_t count_ = 0;             // bytes received so far (saturating at kWindow)
    size_t head_ = 0;              // index where the next byte goes

    // i = 0 is the newest byte.
    uint8_t Back(size_t i) const { return window_[(head_ + kWindow - 1 - i) % kWindow]; }
};

} // namespace simframes
