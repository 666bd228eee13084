#include "SimFrames.h"

namespace simframes {

uint8_t Checksum(const uint8_t* data, size_t count)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + data[i]);
    return static_cast<uint8_t>(0xFF - sum);
}

bool NeedsEscape(uint8_t b)
{
    return b == kEscape || b == kStatusMarker || b == kCommandMarker;
}

void AppendBytes(std::vector<uint8_t>& out, const uint8_t* data, size_t count, bool escape)
{
    for (size_t i = 0; i < count; ++i) {
        if (escape && NeedsEscape(data[i])) {
            out.push_back(kEscape);
            out.push_back(static_cast<uint8_t>(data[i] ^ 0x20));
        } else {
            out.push_back(data[i]);
        }
    }
}

void AppendFrame(std::vector<uint8_t>& out, const std::vector<uint8_t>& payload, uint8_t code,
                 uint8_t marker, bool escape)
{
    AppendBytes(out, payload.data(), payload.size(), escape);
    const uint8_t check = Checksum(payload.data(), payload.size());
    AppendBytes(out, &check, 1, escape);
    out.push_back(code);
    out.push_back(marker);
}

int RequestPayloadLength(uint8_t marker, uint8_t code)
{
    if (marker == kStatusMarker)
        return code == 0x04 ? 1 : -1; // key event
    if (marker != kCommandMarker)
        return -1;
    switch (code) {
    case 0x01: // open session
    case 0x02: // identity
    case 0x03: // close session
    case 0x04: // read 8
    case 0x0A: // read levels
    case 0x1A: // status request
    case 0x2D: // test tone
    case 0x46: // read byte
    case 0x47: // write byte
    case 0x4D: // alignment channel
        return 4;
    case 0x05: // write 8
        return 10;
    default:
        return -1;
    }
}

bool RequestFinder::Push(uint8_t byte, bool escaping, Frame& frame)
{
    window_[head_] = byte;
    head_ = (head_ + 1) % kWindow;
    if (count_ < kWindow)
        ++count_;

    if (byte != kCommandMarker && byte != kStatusMarker)
        return false;
    if (count_ < 3)
        return false;
    const uint8_t code = Back(1);
    const int length = RequestPayloadLength(byte, code);
    if (length < 0)
        return false;

    // Walk back from the checksum, undoing escapes: an escape byte modifies
    // the byte that followed it on the line, i.e. the one decoded just before.
    std::vector<uint8_t> newestFirst; // checksum, then payload newest first
    const size_t wanted = static_cast<size_t>(length) + 1;
    size_t i = 2;
    while (i < count_ && newestFirst.size() < wanted) {
        const uint8_t b = Back(i++);
        if (escaping && b == kEscape) {
            if (newestFirst.empty())
                return false;
            newestFirst.back() ^= 0x20;
        } else {
            newestFirst.push_back(b);
        }
    }
    if (newestFirst.size() < wanted)
        return false;
    // The oldest payload byte may itself have been escaped.
    if (escaping && i < count_ && Back(i) == kEscape)
        newestFirst.back() ^= 0x20;

    frame.marker = byte;
    frame.code = code;
    frame.payload.assign(newestFirst.rbegin(), newestFirst.rend() - 1);
    const uint8_t check = newestFirst.front();
    return Checksum(frame.payload.data(), frame.payload.size()) == check;
}

} // namespace simframes
