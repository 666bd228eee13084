// libFuzzer target for the frame finder. Input: the first byte chooses the
// program (bit 0), the starting escape mode (bit 1) and how often escape
// mode is toggled (bits 2..7, 0 = never); the second byte chooses a reply
// (see the end); the rest is the received line.
//
// For every frame found on the line it checks:
//  - the length is 3..kMaxFrame and marker, code and payload length are
//    those of an accepted reply;
//  - the payload checksum (and a prefix block's c2) is right;
//  - re-encoding the found frame gives the bytes that were received when
//    escape mode is off; with escape mode on, where the received bytes were
//    the canonical encoding, it does so too;
//  - such a re-encoded frame fed to a fresh instance is found again with
//    the same bytes.
// After the line, a reply built with BuildFrame from the input's last bytes
// is sent and must be found, whatever came before it, with its payload.
#include "link/Protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

uint8_t Complement(const uint8_t* bytes, int n)
{
    unsigned sum = 0;
    for (int i = 0; i < n; ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

int ExpectedPayload(uint8_t marker, uint8_t code)
{
    if (marker == 0xAA)
        return code == 0x02 ? 10 : -1;
    if (marker != 0xCC)
        return -1;
    switch (code) {
    case 0x02:
        return 0;   // sized by its count
    case 0x04:
        return 10;
    case 0x01:
    case 0x05:
    case 0x0A:
    case 0x46:
    case 0x47:
        return 4;
    default:
        return -1;
    }
}

// Wire bytes of a found frame: prefix block (escaped like payload) and the
// frame as BuildFrame makes it. Returns the length.
int Encode(const uint8_t* found, int length, bool prefix, bool escape, uint8_t* out)
{
    int n = 0;
    const int payload = ProtocolZYN1::PayloadLength(length, prefix);
    if (prefix) {
        for (int i = length - 1; i >= payload + 3; --i) {
            const uint8_t b = found[i];
            if (escape && (b == 0x7E || b == 0xAA || b == 0xCC)) {
                out[n++] = 0x7E;
                out[n++] = static_cast<uint8_t>(b ^ 0x20);
            } else {
                out[n++] = b;
            }
        }
    }
    uint8_t wire[ProtocolZYN1::kMaxFrame];
    ProtocolZYN1::WirePayload(found, length, prefix, wire);
    return n + ProtocolZYN1::BuildFrame(out + n, wire, payload, found[1], found[0], escape);
}

// history: the window's bytes oldest first (zeros before anything arrived).
void CheckFound(const uint8_t* found, int length, Deliverable d, bool escape, bool extension,
                const uint8_t* history)
{
    Check(length >= 3 && length <= ProtocolZYN1::kMaxFrame);
    const uint8_t marker = found[0], code = found[1];
    const int expected = ExpectedPayload(marker, code);
    Check(expected >= 0);
    const bool prefix = d == Deliverable::Pmr && code == 0x02 && extension;
    if (d == Deliverable::Telemetry)
        Check(!extension);
    const int payload = ProtocolZYN1::PayloadLength(length, prefix);
    Check(payload >= 1);
    if (expected > 0)
        Check(payload == expected);
    Check(Complement(found + 3, payload) == found[2]);
    if (prefix)
        Check(Complement(found + payload + 4, 7) == found[payload + 3]);

    // Re-encode and compare with the newest bytes received.
    uint8_t encoded[4 * ProtocolZYN1::kMaxFrame];
    const int n = Encode(found, length, prefix, escape, encoded);
    const bool canonical = n <= ProtocolZYN1::kWindowSize
        && std::memcmp(encoded, history + ProtocolZYN1::kWindowSize - n, static_cast<size_t>(n)) == 0;
    if (!escape)
        Check(canonical);
    if (!canonical)
        return;

    ProtocolZYN1 fresh(d);
    fresh.SetEscapeMode(escape);
    uint8_t again[ProtocolZYN1::kMaxFrame];
    int againLength = -1;
    for (int i = 0; i < n; ++i)
        fresh.PushByte(encoded[i]);
    Check(fresh.FindFrame(again, againLength));
    Check(againLength == length);
    Check(std::memcmp(again, found, static_cast<size_t>(length)) == 0);
    if (code == 0x02)
        Check(fresh.ExtensionFlag() == extension);
}

struct Reply {
    uint8_t marker, code;
    int payload;   // 0: identity, sized by its count
};
constexpr Reply kReplies[8] = {{0xAA, 0x02, 10}, {0xCC, 0x01, 4}, {0xCC, 0x02, 0}, {0xCC, 0x04, 10},
                               {0xCC, 0x05, 4},  {0xCC, 0x0A, 4}, {0xCC, 0x46, 4}, {0xCC, 0x47, 4}};

// Sends one reply made from the tail of the input after whatever the line
// left in the window; it must be found at its marker with its payload.
void CheckBuiltReply(ProtocolZYN1& p, uint8_t choice, const uint8_t* data, size_t size)
{
    const Reply& r = kReplies[choice & 7];
    uint8_t payload[32] = {};
    int n = r.payload;
    if (n == 0) {
        const int count = choice >> 3;   // 0..31: never an escaped count
        n = count + 1;
        payload[count] = static_cast<uint8_t>(count);
    }
    // Characters (or fields) from the input's last bytes.
    const int fill = r.payload == 0 ? n - 1 : n;
    for (int i = 0; i < fill && static_cast<size_t>(i) < size; ++i)
        payload[i] = data[size - 1 - static_cast<size_t>(i)];

    uint8_t frame[2 * 32 + 4];
    const int length = ProtocolZYN1::BuildFrame(frame, payload, n, r.code, r.marker, p.EscapeMode());
    Check(length >= n + 3 && length <= 2 * n + 4);
    Check(frame[length - 1] == r.marker && frame[length - 2] == r.code);

    // A separator, so that an escape byte left at the end of the line does
    // not act on the reply.
    p.PushByte(0x00);
    uint8_t found[ProtocolZYN1::kMaxFrame];
    int foundLength = -1;
    bool hit = false;
    for (int i = 0; i < length; ++i) {
        p.PushByte(frame[i]);
        hit = p.FindFrame(found, foundLength);
    }
    const uint8_t checksum = Complement(payload, n);
    Check(hit);
    const bool prefix = p.GetDeliverable() == Deliverable::Pmr && r.code == 0x02 && p.ExtensionFlag();
    Check(foundLength == n + 3 + (prefix ? ProtocolZYN1::kPrefixSize : 0));
    Check(found[0] == r.marker && found[1] == r.code && found[2] == checksum);
    for (int i = 0; i < n; ++i)
        Check(found[3 + i] == payload[n - 1 - i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const Deliverable d = (data[0] & 1) ? Deliverable::Pmr : Deliverable::Telemetry;
    bool escape = (data[0] & 2) != 0;
    const int togglePeriod = data[0] >> 2;

    ProtocolZYN1 p(d);
    p.SetEscapeMode(escape);
    escape = p.EscapeMode();
    Check(d == Deliverable::Pmr || !escape);

    // What the window holds, oldest first; zeros until bytes arrive.
    uint8_t history[ProtocolZYN1::kWindowSize] = {};

    // A destination with a guard after it, so a write past kMaxFrame shows.
    uint8_t dst[ProtocolZYN1::kMaxFrame + 16];
    std::memset(dst + ProtocolZYN1::kMaxFrame, 0x5A, 16);

    const uint8_t choice = size > 1 ? data[1] : 0;
    for (size_t i = 2; i < size; ++i) {
        if (togglePeriod != 0 && i % static_cast<size_t>(togglePeriod) == 0) {
            p.SetEscapeMode(!p.EscapeMode());
            Check(d == Deliverable::Pmr || !p.EscapeMode());
            escape = p.EscapeMode();
        }
        p.PushByte(data[i]);
        std::memmove(history, history + 1, ProtocolZYN1::kWindowSize - 1);
        history[ProtocolZYN1::kWindowSize - 1] = data[i];

        int length = -1;
        if (!p.FindFrame(dst, length)) {
            Check(length == -1);
            continue;
        }
        for (int g = 0; g < 16; ++g)
            Check(dst[ProtocolZYN1::kMaxFrame + g] == 0x5A);
        Check(dst[0] == data[i]);
        CheckFound(dst, length, d, escape, p.ExtensionFlag(), history);
    }
    CheckBuiltReply(p, choice, data, size);
    return 0;
}
