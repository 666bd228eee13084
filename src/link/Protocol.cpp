#include "link/Protocol.h"

#include <cstring>

namespace {

bool NeedsEscape(uint8_t b)
{
    return b == ProtocolZYN1::kEscape || b == ProtocolZYN1::kStatusMarker
        || b == ProtocolZYN1::kCommandMarker;
}

uint8_t Complement(unsigned sum)
{
    return static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

// Payload length of the replies the finder accepts, without prefix block;
// 0 for anything else. The identity reply (0xCC / 0x02) is sized by its count
// byte, handled by the caller.
int ReplyLength(uint8_t marker, uint8_t code)
{
    if (marker == ProtocolZYN1::kStatusMarker)
        return code == 0x02 ? 10 : 0;
    if (marker != ProtocolZYN1::kCommandMarker)
        return 0;
    switch (code) {
    case 0x04:
        return 10;
    case 0x01:
    case 0x05:
    case 0x0A:
    case 0x46:
    case 0x47:
        return 4;
    default:
        return 0;
    }
}

}  // namespace

ProtocolZYN1::ProtocolZYN1(Deliverable d)
    : deliverable_(d)
{
    Reset();
}

void ProtocolZYN1::Reset()
{
    std::memset(window_, 0, sizeof window_);
    extension_ = false;
}

void ProtocolZYN1::SetEscapeMode(bool on)
{
    if (deliverable_ == Deliverable::Pmr)
        escape_.store(on, std::memory_order_relaxed);
}

int ProtocolZYN1::BuildFrame(uint8_t* dst, const uint8_t* payload, int n, uint8_t code, uint8_t marker,
                             bool escape)
{
    int out = 0;
    unsigned sum = 0;
    auto put = [&](uint8_t b) {
        if (escape && NeedsEscape(b)) {
            dst[out++] = kEscape;
            dst[out++] = static_cast<uint8_t>(b ^ 0x20);
        } else {
            dst[out++] = b;
        }
    };
    for (int i = 0; i < n; ++i) {
        sum += payload[i];
        put(payload[i]);
    }
    put(Complement(sum));
    dst[out++] = code;
    dst[out++] = marker;
    return out;
}

void ProtocolZYN1::PushByte(uint8_t b)
{
    std::memmove(window_ + 1, window_, kWindowSize - 1);
    window_[0] = b;
}

bool ProtocolZYN1::FindFrame(uint8_t* dst, int& length)
{
    const uint8_t marker = window_[0];
    const uint8_t code = window_[1];
    const bool pmr = deliverable_ == Deliverable::Pmr;

    const bool identity = marker == kCommandMarker && code == 0x02;
    int payload = identity ? 1 : ReplyLength(marker, code);
    if (payload == 0)
        return false;

    // Working copy with escapes removed. Going back in time, a 0x7E stands
    // before the byte it escapes on the line, which is the byte copied last.
    uint8_t work[kWindowSize];
    int available = kWindowSize;
    if (EscapeMode()) {
        work[0] = window_[0];
        work[1] = window_[1];
        work[2] = window_[2];
        available = 3;
        for (int i = 3; i < kWindowSize; ++i) {
            if (window_[i] == kEscape)
                work[available - 1] ^= 0x20;
            else
                work[available++] = window_[i];
        }
    } else {
        std::memcpy(work, window_, sizeof work);
    }

    if (identity) {
        // Identity: n characters and the count n. The count is read once
        // escapes are removed: an escaped count, or an escaped checksum
        // whose escape byte sits where the count is, still reads right.
        payload = work[3] + 1;
        // Refused when it could not be held with its header (and, in
        // ql4100p, a prefix block) in the window and a found-frame buffer.
        if (payload + 3 + (pmr ? kPrefixSize : 0) > kWindowSize)
            return false;
    }
    if (payload + 3 > available)
        return false;
    unsigned sum = 0;
    for (int i = 3; i < payload + 3; ++i)
        sum += work[i];
    if (Complement(sum) != work[2])
        return false;

    if (pmr && code == 0x02) {
        extension_ = false;
        if (payload + 3 + kPrefixSize <= available) {
            const uint8_t c2 = work[payload + 3];
            unsigned esum = 0;
            for (int i = payload + 4; i < payload + 3 + kPrefixSize; ++i)
                esum += work[i];
            if (Complement(esum) == c2) {
                payload += kPrefixSize;
                extension_ = true;
            }
        }
    }

    length = payload + 3;
    std::memcpy(dst, work, static_cast<size_t>(length));
    return true;
}

int ProtocolZYN1::Request(uint8_t* dst, uint8_t marker, uint8_t code, const uint8_t* payload, int n) const
{
    return BuildFrame(dst, payload, n, code, marker, EscapeMode());
}

int ProtocolZYN1::Request4(uint8_t* dst, uint8_t code, int p0, int p1, int p2, int p3) const
{
    const uint8_t payload[4] = {static_cast<uint8_t>(p0), static_cast<uint8_t>(p1),
                                static_cast<uint8_t>(p2), static_cast<uint8_t>(p3)};
    return Request(dst, kCommandMarker, code, payload, 4);
}

int ProtocolZYN1::MakeOpenSession(uint8_t* dst, bool askEscape) const
{
    const bool ask = askEscape && deliverable_ == Deliverable::Pmr;
    return Request4(dst, 0x01, ask ? 3 : 0, 0, 0, 0);
}

int ProtocolZYN1::MakeGetIdent(uint8_t* dst) const
{
    return Request4(dst, 0x02, 0, 0, 0, 0);
}

int ProtocolZYN1::MakeCloseSession(uint8_t* dst) const
{
    return Request4(dst, 0x03, 0, 0, 0, 0);
}

int ProtocolZYN1::MakeKeyEvent(uint8_t* dst, int key, int event) const
{
    const uint8_t b = static_cast<uint8_t>((event & 0x70) | (key & 0x0F));
    return Request(dst, kStatusMarker, 0x04, &b, 1);
}

int ProtocolZYN1::MakeRead8(uint8_t* dst, int address) const
{
    return Request4(dst, 0x04, 0, 0, address & 0xFF, (address >> 8) & 0xFF);
}

int ProtocolZYN1::MakeWrite8(uint8_t* dst, int address, const uint8_t bytes[8]) const
{
    uint8_t payload[10];
    for (int k = 0; k < 8; ++k)
        payload[k] = bytes[7 - k];
    payload[8] = static_cast<uint8_t>(address & 0xFF);
    payload[9] = static_cast<uint8_t>((address >> 8) & 0xFF);
    return Request(dst, kCommandMarker, 0x05, payload, 10);
}

int ProtocolZYN1::MakeReadLevels(uint8_t* dst) const
{
    return Request4(dst, 0x0A, 0, 0, 6, 0);
}

int ProtocolZYN1::MakeStatusRequest(uint8_t* dst) const
{
    return Request4(dst, 0x1A, 0, 0, 0, 0);
}

int ProtocolZYN1::MakeTestTone(uint8_t* dst, int value) const
{
    return Request4(dst, 0x2D, value & 0xFF, (value >> 8) & 0xFF, 0, 0);
}

int ProtocolZYN1::MakeReadByte(uint8_t* dst, int address) const
{
    return Request4(dst, 0x46, 0, 0, address & 0xFF, (address >> 8) & 0xFF);
}

int ProtocolZYN1::MakeWriteByte(uint8_t* dst, int address, int value) const
{
    return Request4(dst, 0x47, value & 0xFF, 0, address & 0xFF, (address >> 8) & 0xFF);
}

int ProtocolZYN1::MakeAlignChannel(uint8_t* dst, int channel) const
{
    if (deliverable_ != Deliverable::Pmr)
        return 0;
    return Request4(dst, 0x4D, channel & 0xFF, (channel >> 8) & 0xFF, 0, 0);
}

int ProtocolZYN1::PayloadLength(int frameLength, bool withPrefix)
{
    return frameLength - 3 - (withPrefix ? kPrefixSize : 0);
}

int ProtocolZYN1::WirePayload(const uint8_t* found, int frameLength, bool withPrefix, uint8_t* out)
{
    const int n = PayloadLength(frameLength, withPrefix);
    for (int i = 0; i < n; ++i)
        out[i] = found[3 + n - 1 - i];
    return n;
}

int ProtocolZYN1::ToWireOrder(const uint8_t* found, int length, uint8_t* out)
{
    for (int i = 0; i < length; ++i)
        out[i] = found[length - 1 - i];
    return length;
}
