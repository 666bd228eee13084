#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes Repeat(uint8_t b, int n)
{
    return Bytes(static_cast<size_t>(n), b);
}

Bytes Reversed(Bytes b)
{
    std::reverse(b.begin(), b.end());
    return b;
}

// Line noise before a frame: contains both markers (so the finder tries at
// them) and ends in bytes that do not form a valid prefix block.
const Bytes kNoise = {0xCC, 0xAA, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99};

// How a protocol instance is set up for a case.
enum class Mode { Telemetry, Pmr, PmrEscaped };

const char* ModeName(Mode m)
{
    switch (m) {
    case Mode::Telemetry:
        return "Telemetry";
    case Mode::Pmr:
        return "Pmr";
    case Mode::PmrEscaped:
        return "PmrEscaped";
    }
    return "?";
}

std::unique_ptr<ProtocolZYN1> Make(Mode m)
{
    auto p = std::make_unique<ProtocolZYN1>(m == Mode::Telemetry ? Deliverable::Telemetry : Deliverable::Pmr);
    p->SetEscapeMode(m == Mode::PmrEscaped);
    return p;
}

// Feeds bytes one at a time the way the receive routine does (push, then
// find) and records where frames were found and the last one found.
struct Feed {
    std::vector<int> foundAt;
    Bytes frame;
};

Feed FeedBytes(ProtocolZYN1& p, const Bytes& bytes)
{
    Feed feed;
    // Exactly kMaxFrame bytes on the heap, so a write past it is caught by
    // the address sanitizer.
    std::vector<uint8_t> dst(ProtocolZYN1::kMaxFrame);
    for (size_t i = 0; i < bytes.size(); ++i) {
        p.PushByte(bytes[i]);
        int length = -1;
        if (p.FindFrame(dst.data(), length)) {
            feed.foundAt.push_back(static_cast<int>(i));
            EXPECT_GE(length, 3);
            EXPECT_LE(length, ProtocolZYN1::kMaxFrame);
            feed.frame.assign(dst.begin(), dst.begin() + std::clamp(length, 0, ProtocolZYN1::kMaxFrame));
        } else {
            EXPECT_EQ(length, -1) << "length changed without a frame";
        }
    }
    return feed;
}

// ---------------------------------------------------------------- builders

enum class For { Both, Telemetry, Pmr };

struct BuilderCase {
    const char* name;
    For deliverables;
    bool escape;   // escape mode asked for before building
    std::function<int(const ProtocolZYN1&, uint8_t*)> build;
    Bytes expected;
};

const uint8_t kCounting[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
const uint8_t kEscapedBytes[8] = {0x7E, 0xAA, 0xCC, 0x7E, 0xAA, 0xCC, 0x7E, 0xAA};

const std::vector<BuilderCase>& BuilderCases()
{
    using P = const ProtocolZYN1&;
    static const std::vector<BuilderCase> cases = {
        {"open", For::Both, false, [](P p, uint8_t* d) { return p.MakeOpenSession(d, false); },
         {0x00, 0x00, 0x00, 0x00, 0xFF, 0x01, 0xCC}},
        {"open asking escaping", For::Pmr, false, [](P p, uint8_t* d) { return p.MakeOpenSession(d, true); },
         {0x03, 0x00, 0x00, 0x00, 0xFC, 0x01, 0xCC}},
        {"open asking escaping is not asked", For::Telemetry, false,
         [](P p, uint8_t* d) { return p.MakeOpenSession(d, true); }, {0x00, 0x00, 0x00, 0x00, 0xFF, 0x01, 0xCC}},
        {"identity", For::Both, false, [](P p, uint8_t* d) { return p.MakeGetIdent(d); },
         {0x00, 0x00, 0x00, 0x00, 0xFF, 0x02, 0xCC}},
        {"close", For::Both, false, [](P p, uint8_t* d) { return p.MakeCloseSession(d); },
         {0x00, 0x00, 0x00, 0x00, 0xFF, 0x03, 0xCC}},
        {"transmit pressed", For::Both, false, [](P p, uint8_t* d) { return p.MakeKeyEvent(d, 6, 0x30); },
         {0x36, 0xC9, 0x04, 0xAA}},
        {"channel up released", For::Both, false, [](P p, uint8_t* d) { return p.MakeKeyEvent(d, 1, 0x10); },
         {0x11, 0xEE, 0x04, 0xAA}},
        {"key held", For::Both, false, [](P p, uint8_t* d) { return p.MakeKeyEvent(d, 2, 0x50); },
         {0x52, 0xAD, 0x04, 0xAA}},
        {"key and event masked", For::Both, false, [](P p, uint8_t* d) { return p.MakeKeyEvent(d, 0x1F, 0xFF); },
         {0x7F, 0x80, 0x04, 0xAA}},
        {"event bits outside 0x70 dropped", For::Both, false,
         [](P p, uint8_t* d) { return p.MakeKeyEvent(d, 0x25, 0x85); }, {0x05, 0xFA, 0x04, 0xAA}},
        {"read 8", For::Both, false, [](P p, uint8_t* d) { return p.MakeRead8(d, 0x1234); },
         {0x00, 0x00, 0x34, 0x12, 0xB9, 0x04, 0xCC}},
        {"read 8 checksum 0", For::Both, false, [](P p, uint8_t* d) { return p.MakeRead8(d, 0x07F8); },
         {0x00, 0x00, 0xF8, 0x07, 0x00, 0x04, 0xCC}},
        {"write 8 highest address first", For::Both, false,
         [](P p, uint8_t* d) { return p.MakeWrite8(d, 0x0100, kCounting); },
         {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x01, 0xDA, 0x05, 0xCC}},
        {"read levels", For::Both, false, [](P p, uint8_t* d) { return p.MakeReadLevels(d); },
         {0x00, 0x00, 0x06, 0x00, 0xF9, 0x0A, 0xCC}},
        {"status request", For::Both, false, [](P p, uint8_t* d) { return p.MakeStatusRequest(d); },
         {0x00, 0x00, 0x00, 0x00, 0xFF, 0x1A, 0xCC}},
        {"test tone 50 Hz", For::Both, false, [](P p, uint8_t* d) { return p.MakeTestTone(d, 205); },
         {0xCD, 0x00, 0x00, 0x00, 0x32, 0x2D, 0xCC}},
        {"test tone 1000 Hz", For::Both, false, [](P p, uint8_t* d) { return p.MakeTestTone(d, 4096); },
         {0x00, 0x10, 0x00, 0x00, 0xEF, 0x2D, 0xCC}},
        {"read byte", For::Both, false, [](P p, uint8_t* d) { return p.MakeReadByte(d, 0x0123); },
         {0x00, 0x00, 0x23, 0x01, 0xDB, 0x46, 0xCC}},
        {"write byte low 8 bits", For::Both, false, [](P p, uint8_t* d) { return p.MakeWriteByte(d, 0x0456, 0x1AB); },
         {0xAB, 0x00, 0x56, 0x04, 0xFA, 0x47, 0xCC}},
        {"align 470 MHz", For::Pmr, false, [](P p, uint8_t* d) { return p.MakeAlignChannel(d, 37600); },
         {0xE0, 0x92, 0x00, 0x00, 0x8D, 0x4D, 0xCC}},
        {"align has no frame", For::Telemetry, false, [](P p, uint8_t* d) { return p.MakeAlignChannel(d, 37600); },
         {}},

        // Escape mode on.
        {"escaped open (nothing to escape)", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeOpenSession(d, true); },
         {0x03, 0x00, 0x00, 0x00, 0xFC, 0x01, 0xCC}},
        {"escaped close", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeCloseSession(d); },
         {0x00, 0x00, 0x00, 0x00, 0xFF, 0x03, 0xCC}},
        {"payload 0xAA escaped", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeWriteByte(d, 0x0010, 0xAA); },
         {0x7E, 0x8A, 0x00, 0x10, 0x00, 0x45, 0x47, 0xCC}},
        {"checksum 0xCC escaped", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeReadByte(d, 0x0033); },
         {0x00, 0x00, 0x33, 0x00, 0x7E, 0xEC, 0x46, 0xCC}},
        {"checksum 0xAA escaped", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeReadByte(d, 0x0055); },
         {0x00, 0x00, 0x55, 0x00, 0x7E, 0x8A, 0x46, 0xCC}},
        {"checksum 0x7E escaped", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeReadByte(d, 0x0081); },
         {0x00, 0x00, 0x81, 0x00, 0x7E, 0x5E, 0x46, 0xCC}},
        {"key byte 0x7E escaped, marker not", For::Pmr, true,
         [](P p, uint8_t* d) { return p.MakeKeyEvent(d, 0x0E, 0x70); }, {0x7E, 0x5E, 0x81, 0x04, 0xAA}},
        {"write 8 with every payload byte escaped", For::Pmr, true,
         [](P p, uint8_t* d) { return p.MakeWrite8(d, 0xCC7E, kEscapedBytes); },
         {0x7E, 0x8A, 0x7E, 0x5E, 0x7E, 0xEC, 0x7E, 0x8A, 0x7E, 0x5E, 0x7E, 0xEC, 0x7E, 0x8A, 0x7E, 0x5E,
          0x7E, 0x5E, 0x7E, 0xEC, 0xA5, 0x05, 0xCC}},
        {"align escaped", For::Pmr, true, [](P p, uint8_t* d) { return p.MakeAlignChannel(d, 0x00CC); },
         {0x7E, 0xEC, 0x00, 0x00, 0x00, 0x33, 0x4D, 0xCC}},

        // ql4100 has no escape mode: asking for it changes nothing.
        {"no escaping of payload", For::Telemetry, true, [](P p, uint8_t* d) { return p.MakeWriteByte(d, 0x0010, 0xAA); },
         {0xAA, 0x00, 0x10, 0x00, 0x45, 0x47, 0xCC}},
        {"no escaping of checksum", For::Telemetry, true, [](P p, uint8_t* d) { return p.MakeReadByte(d, 0x0033); },
         {0x00, 0x00, 0x33, 0x00, 0xCC, 0x46, 0xCC}},
    };
    return cases;
}

TEST(ProtocolBuilders, GoldenRequestFrames)
{
    for (const BuilderCase& c : BuilderCases()) {
        for (Deliverable d : {Deliverable::Telemetry, Deliverable::Pmr}) {
            if ((c.deliverables == For::Telemetry && d != Deliverable::Telemetry)
                || (c.deliverables == For::Pmr && d != Deliverable::Pmr))
                continue;
            SCOPED_TRACE(std::string(c.name) + (d == Deliverable::Pmr ? " (Pmr)" : " (Telemetry)"));
            ProtocolZYN1 p(d);
            p.SetEscapeMode(c.escape);
            Bytes dst(ProtocolZYN1::kMaxRequest + 8, 0xEE);
            const int n = c.build(p, dst.data());
            ASSERT_GE(n, 0);
            ASSERT_LE(n, ProtocolZYN1::kMaxRequest);
            EXPECT_EQ(Bytes(dst.begin(), dst.begin() + n), c.expected);
            EXPECT_EQ(Bytes(dst.begin() + n, dst.end()), Repeat(0xEE, static_cast<int>(dst.size()) - n))
                << "wrote past the frame";
        }
    }
}

TEST(ProtocolBuilders, BuildFrameEscapesPayloadAndChecksumOnly)
{
    struct Case {
        const char* name;
        Bytes payload;
        uint8_t code, marker;
        bool escape;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"empty payload", {}, 0x02, 0xCC, false, {0xFF, 0x02, 0xCC}},
        {"0xAA escaped, checksum over 0xAA", {0xAA}, 0x02, 0xAA, true, {0x7E, 0x8A, 0x55, 0x02, 0xAA}},
        {"0xAA plain without escaping", {0xAA}, 0x02, 0xAA, false, {0xAA, 0x55, 0x02, 0xAA}},
        {"all three escaped bytes", {0x7E, 0xAA, 0xCC}, 0x09, 0xCC, true,
         {0x7E, 0x5E, 0x7E, 0x8A, 0x7E, 0xEC, 0x0B, 0x09, 0xCC}},
        {"sum 0x33 gives escaped checksum 0xCC", {0x11, 0x22}, 0x47, 0xCC, true, {0x11, 0x22, 0x7E, 0xEC, 0x47, 0xCC}},
        {"sum 0x33 plain", {0x11, 0x22}, 0x47, 0xCC, false, {0x11, 0x22, 0xCC, 0x47, 0xCC}},
        {"sum wraps", {0xFF, 0x02}, 0x01, 0xCC, false, {0xFF, 0x02, 0xFE, 0x01, 0xCC}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes dst(2 * c.payload.size() + 4, 0xEE);
        const int n = ProtocolZYN1::BuildFrame(dst.data(), c.payload.data(), static_cast<int>(c.payload.size()),
                                               c.code, c.marker, c.escape);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, static_cast<int>(dst.size()));
        EXPECT_EQ(Bytes(dst.begin(), dst.begin() + n), c.expected);
    }
}

TEST(ProtocolEscapeMode, OffAtStartAndOnlyPmrCanTurnItOn)
{
    ProtocolZYN1 tele(Deliverable::Telemetry);
    ProtocolZYN1 pmr(Deliverable::Pmr);
    EXPECT_EQ(tele.GetDeliverable(), Deliverable::Telemetry);
    EXPECT_EQ(pmr.GetDeliverable(), Deliverable::Pmr);
    EXPECT_FALSE(tele.EscapeMode());
    EXPECT_FALSE(pmr.EscapeMode());
    tele.SetEscapeMode(true);
    pmr.SetEscapeMode(true);
    EXPECT_FALSE(tele.EscapeMode());
    EXPECT_TRUE(pmr.EscapeMode());
    pmr.Reset();
    EXPECT_TRUE(pmr.EscapeMode()) << "the session switches escaping, not a window reset";
    pmr.SetEscapeMode(false);
    EXPECT_FALSE(pmr.EscapeMode());
}

// ------------------------------------------------------------ frame finder

struct ReplyCase {
    const char* name;
    Bytes wire;       // as sent by the radio, unescaped
    Bytes expected;   // as found: newest first
};

const std::vector<ReplyCase>& ReplyCases()
{
    static const Bytes ident31 = Cat({Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234"), {0x1F, 0x07, 0x02, 0xCC}});
    static const Bytes ident40 = Cat({Text("QL4100 TELEMETRY RADIO FIRMWARE 3.18 XYZ"), {0x28, 0x79, 0x02, 0xCC}});
    static const std::vector<ReplyCase> cases = {
        {"status report",
         {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0xC8, 0x02, 0xAA},
         {0xAA, 0x02, 0xC8, 0x0A, 0x09, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}},
        {"open acknowledged", {0x03, 0x00, 0x00, 0x00, 0xFC, 0x01, 0xCC}, {0xCC, 0x01, 0xFC, 0x00, 0x00, 0x00, 0x03}},
        {"identity", {0x51, 0x4C, 0x34, 0x31, 0x30, 0x30, 0x06, 0x97, 0x02, 0xCC},
         {0xCC, 0x02, 0x97, 0x06, 0x30, 0x30, 0x31, 0x34, 0x4C, 0x51}},
        {"identity count 0", {0x00, 0xFF, 0x02, 0xCC}, {0xCC, 0x02, 0xFF, 0x00}},
        {"identity 31 characters", ident31, Reversed(ident31)},
        {"identity 40 characters kept whole", ident40, Reversed(ident40)},
        {"read 8", {0x80, 0x70, 0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x18, 0x00, 0xA7, 0x04, 0xCC},
         {0xCC, 0x04, 0xA7, 0x00, 0x18, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}},
        // The 0xCC data byte follows 0x01, a known code: the finder tries a
        // frame there and must reject it on the checksum.
        {"read 8 with a 0xCC data byte", {0x11, 0x01, 0xCC, 0x22, 0x33, 0x44, 0x55, 0x66, 0x08, 0x00, 0xC5, 0x04, 0xCC},
         {0xCC, 0x04, 0xC5, 0x00, 0x08, 0x66, 0x55, 0x44, 0x33, 0x22, 0xCC, 0x01, 0x11}},
        {"write 8 acknowledged", {0x00, 0x00, 0x18, 0x00, 0xE7, 0x05, 0xCC}, {0xCC, 0x05, 0xE7, 0x00, 0x18, 0x00, 0x00}},
        {"levels", {0x5A, 0x3C, 0x06, 0x00, 0x63, 0x0A, 0xCC}, {0xCC, 0x0A, 0x63, 0x00, 0x06, 0x3C, 0x5A}},
        {"read byte", {0x42, 0x00, 0x23, 0x01, 0x99, 0x46, 0xCC}, {0xCC, 0x46, 0x99, 0x01, 0x23, 0x00, 0x42}},
        {"write byte acknowledged", {0x00, 0x00, 0x23, 0x01, 0xDB, 0x47, 0xCC}, {0xCC, 0x47, 0xDB, 0x01, 0x23, 0x00, 0x00}},
    };
    return cases;
}

TEST(ProtocolFinder, EveryReplyIsFoundOnceAtItsMarker)
{
    for (Mode mode : {Mode::Telemetry, Mode::Pmr, Mode::PmrEscaped}) {
        for (const ReplyCase& c : ReplyCases()) {
            SCOPED_TRACE(std::string(c.name) + " / " + ModeName(mode));
            auto p = Make(mode);
            const Bytes line = Cat({kNoise, c.wire});
            const Feed feed = FeedBytes(*p, line);
            EXPECT_EQ(feed.foundAt, std::vector<int>{static_cast<int>(line.size()) - 1});
            EXPECT_EQ(feed.frame, c.expected);
            EXPECT_FALSE(p->ExtensionFlag());

            // Back to the line order for the monitors, and the payload as sent.
            Bytes wire(feed.frame.size());
            EXPECT_EQ(ProtocolZYN1::ToWireOrder(feed.frame.data(), static_cast<int>(feed.frame.size()), wire.data()),
                      static_cast<int>(c.wire.size()));
            EXPECT_EQ(wire, c.wire);
            const int n = ProtocolZYN1::PayloadLength(static_cast<int>(feed.frame.size()), false);
            EXPECT_EQ(n, static_cast<int>(c.wire.size()) - 3);
            Bytes payload(static_cast<size_t>(std::max(n, 0)));
            EXPECT_EQ(ProtocolZYN1::WirePayload(feed.frame.data(), static_cast<int>(feed.frame.size()), false,
                                                payload.data()),
                      n);
            EXPECT_EQ(payload, Bytes(c.wire.begin(), c.wire.end() - 3));
        }
    }
}

TEST(ProtocolFinder, EscapesAreRemovedInEscapeMode)
{
    // Status report 0xAA 0xCC 0x7E 01 02 03 04 05 06 0x2A, checksum 0xCC:
    // three payload bytes and the checksum escaped.
    const Bytes wire = {0x7E, 0x8A, 0x7E, 0xEC, 0x7E, 0x5E, 0x01, 0x02, 0x03,
                        0x04, 0x05, 0x06, 0x2A, 0x7E, 0xEC, 0x02, 0xAA};
    const Bytes found = {0xAA, 0x02, 0xCC, 0x2A, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x7E, 0xCC, 0xAA};

    auto escaped = Make(Mode::PmrEscaped);
    const Feed feed = FeedBytes(*escaped, Cat({kNoise, wire}));
    EXPECT_EQ(feed.foundAt, std::vector<int>{static_cast<int>(kNoise.size() + wire.size()) - 1});
    EXPECT_EQ(feed.frame, found);

    // Without escape mode the same bytes are read as they came and fail.
    for (Mode mode : {Mode::Telemetry, Mode::Pmr}) {
        SCOPED_TRACE(ModeName(mode));
        auto p = Make(mode);
        if (mode == Mode::Telemetry)
            p->SetEscapeMode(true);   // ignored
        EXPECT_TRUE(FeedBytes(*p, Cat({kNoise, wire})).foundAt.empty());
    }
}

TEST(ProtocolFinder, IdentityCountIsReadWithEscapesRemoved)
{
    // The count is the byte before the checksum once escapes are removed,
    // so an escaped count or an escaped checksum still gives the reply.
    struct Case {
        const char* name;
        Mode mode;
        Bytes wire;
        bool found;
        Bytes plain; // the frame without escapes, when it had any
    };
    // 126 'A' and the count 0x7E, checksum 0x83.
    const Bytes a126 = Repeat(0x41, 126);
    const std::vector<Case> cases = {
        {"count 0x7E escaped", Mode::PmrEscaped, Cat({a126, {0x7E, 0x5E, 0x83, 0x02, 0xCC}}), true,
         Cat({a126, {0x7E, 0x83, 0x02, 0xCC}})},
        {"count 0x7E plain", Mode::Pmr, Cat({a126, {0x7E, 0x83, 0x02, 0xCC}}), true, {}},
        // "2" and count 1: checksum 0xCC.
        {"checksum 0xCC escaped", Mode::PmrEscaped, {0x32, 0x01, 0x7E, 0xEC, 0x02, 0xCC}, true,
         {0x32, 0x01, 0xCC, 0x02, 0xCC}},
        // Escaped bytes while escape mode is off: the escape byte is read as
        // the count and the checksum fails.
        {"checksum 0xCC escaped, mode off", Mode::Pmr, {0x32, 0x01, 0x7E, 0xEC, 0x02, 0xCC}, false, {}},
        {"checksum 0xCC plain", Mode::Pmr, {0x32, 0x01, 0xCC, 0x02, 0xCC}, true, {}},
        {"checksum 0xCC in ql4100", Mode::Telemetry, {0x32, 0x01, 0xCC, 0x02, 0xCC}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto p = Make(c.mode);
        const Feed feed = FeedBytes(*p, Cat({kNoise, c.wire}));
        if (c.found) {
            EXPECT_EQ(feed.foundAt, std::vector<int>{static_cast<int>(kNoise.size() + c.wire.size()) - 1});
            EXPECT_EQ(feed.frame, Reversed(c.plain.empty() ? c.wire : c.plain));
        } else {
            EXPECT_TRUE(feed.foundAt.empty());
        }
    }
}

TEST(ProtocolFinder, OversizedIdentityIsRefusedWithoutOverreading)
{
    struct Case {
        Mode mode;
        uint8_t count;
        uint8_t checksum;   // count zero characters and the count
        bool found;
    };
    const std::vector<Case> cases = {
        {Mode::Telemetry, 252, 0x03, true},    // 253 + 3 = the whole window
        {Mode::Telemetry, 253, 0x02, false},
        {Mode::Telemetry, 255, 0x00, false},
        {Mode::Pmr, 244, 0x0B, true},          // room left for a prefix block
        {Mode::Pmr, 245, 0x0A, false},
        {Mode::Pmr, 252, 0x03, false},
        {Mode::Pmr, 255, 0x00, false},
        {Mode::PmrEscaped, 244, 0x0B, true},
        {Mode::PmrEscaped, 255, 0x00, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ModeName(c.mode)) + " count " + std::to_string(c.count));
        auto p = Make(c.mode);
        const Bytes wire = Cat({Repeat(0x00, c.count), {c.count, c.checksum, 0x02, 0xCC}});
        const Feed feed = FeedBytes(*p, wire);
        if (c.found) {
            EXPECT_EQ(feed.foundAt, std::vector<int>{static_cast<int>(wire.size()) - 1});
            EXPECT_EQ(feed.frame, Reversed(wire));
        } else {
            EXPECT_TRUE(feed.foundAt.empty());
        }
    }

    // The largest frame with a prefix block fills the window and the buffer.
    auto p = Make(Mode::Pmr);
    const Bytes wire = Cat({{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xE3}, Repeat(0x00, 244), {0xF4, 0x0B, 0x02, 0xCC}});
    ASSERT_EQ(wire.size(), 256u);
    const Feed feed = FeedBytes(*p, wire);
    EXPECT_EQ(feed.foundAt, std::vector<int>{255});
    EXPECT_EQ(feed.frame, Reversed(wire));
    EXPECT_TRUE(p->ExtensionFlag());
}

TEST(ProtocolFinder, EscapedIdentityLongerThanTheWindowIsNotFound)
{
    // 200 characters 0xAA, each escaped: 400 bytes, more than the window holds.
    Bytes wire;
    for (int i = 0; i < 200; ++i)
        wire.insert(wire.end(), {0x7E, 0x8A});
    wire.insert(wire.end(), {0xC8, 0x67, 0x02, 0xCC});
    auto p = Make(Mode::PmrEscaped);
    EXPECT_TRUE(FeedBytes(*p, wire).foundAt.empty());
}

struct PrefixCase {
    const char* name;
    Mode mode;
    Bytes wire;
    Bytes expected;
    bool flag;
};

TEST(ProtocolFinder, PrefixBlockOnCode02Replies)
{
    const Bytes identity = {0x51, 0x4C, 0x34, 0x31, 0x30, 0x30, 0x06, 0x97, 0x02, 0xCC};
    const Bytes goodPrefix = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xE3};
    const Bytes badPrefix = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xE4};
    const Bytes status = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0xC8, 0x02, 0xAA};
    const Bytes identityFound = {0xCC, 0x02, 0x97, 0x06, 0x30, 0x30, 0x31, 0x34, 0x4C, 0x51};

    const std::vector<PrefixCase> cases = {
        {"identity with prefix", Mode::Pmr, Cat({goodPrefix, identity}),
         {0xCC, 0x02, 0x97, 0x06, 0x30, 0x30, 0x31, 0x34, 0x4C, 0x51, 0xE3, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01},
         true},
        {"status with prefix", Mode::Pmr, Cat({goodPrefix, status}),
         {0xAA, 0x02, 0xC8, 0x0A, 0x09, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
          0xE3, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01},
         true},
        {"escaped prefix byte 0xAA", Mode::PmrEscaped,
         Cat({{0x7E, 0x8A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x55}, status}),
         {0xAA, 0x02, 0xC8, 0x0A, 0x09, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
          0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA},
         true},
        {"bad c2: frame without prefix, flag cleared", Mode::Pmr, Cat({badPrefix, identity}), identityFound, false},
        {"no prefix clears the flag", Mode::Pmr, identity, identityFound, false},
        {"other codes leave the flag", Mode::Pmr, Cat({goodPrefix, {0x42, 0x00, 0x23, 0x01, 0x99, 0x46, 0xCC}}),
         {0xCC, 0x46, 0x99, 0x01, 0x23, 0x00, 0x42}, true},
        {"ql4100 never looks for a prefix", Mode::Telemetry, Cat({goodPrefix, identity}), identityFound, false},
        {"ql4100 status", Mode::Telemetry, Cat({goodPrefix, status}), Reversed(status), false},
    };
    for (const PrefixCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto p = Make(c.mode);
        // First a reply with a valid block, so that clearing can be seen.
        const Feed before = FeedBytes(*p, Cat({goodPrefix, identity}));
        ASSERT_EQ(before.foundAt.size(), 1u);
        ASSERT_EQ(p->ExtensionFlag(), c.mode != Mode::Telemetry);

        const Bytes line = Cat({kNoise, c.wire});
        const Feed feed = FeedBytes(*p, line);
        EXPECT_EQ(feed.foundAt, std::vector<int>{static_cast<int>(line.size()) - 1});
        EXPECT_EQ(feed.frame, c.expected);
        EXPECT_EQ(p->ExtensionFlag(), c.flag);
    }
}

TEST(ProtocolFinder, PrefixedFrameReadsBackInWireOrder)
{
    const Bytes found = {0xAA, 0x02, 0xC8, 0x0A, 0x09, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03,
                         0x02, 0x01, 0xE3, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(ProtocolZYN1::PayloadLength(21, true), 10);
    Bytes payload(10);
    EXPECT_EQ(ProtocolZYN1::WirePayload(found.data(), 21, true, payload.data()), 10);
    EXPECT_EQ(payload, (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}));
    Bytes wire(21);
    EXPECT_EQ(ProtocolZYN1::ToWireOrder(found.data(), 21, wire.data()), 21);
    EXPECT_EQ(wire, (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xE3, 0x01, 0x02, 0x03,
                           0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0xC8, 0x02, 0xAA}));
}

TEST(ProtocolFinder, NotFrames)
{
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"close code 0x03", {0x00, 0x00, 0x00, 0x00, 0xFF, 0x03, 0xCC}},
        {"status request code 0x1A", {0x00, 0x00, 0x00, 0x00, 0xFF, 0x1A, 0xCC}},
        {"test tone code 0x2D", {0x00, 0x00, 0x00, 0x00, 0xFF, 0x2D, 0xCC}},
        {"align code 0x4D", {0x00, 0x00, 0x00, 0x00, 0xFF, 0x4D, 0xCC}},
        {"key event code 0x04 under 0xAA", {0x36, 0xC9, 0x04, 0xAA}},
        {"code 0x01 under 0xAA", {0x03, 0x00, 0x00, 0x00, 0xFC, 0x01, 0xAA}},
        {"code 0x04 under 0xAA, read-8 sized", {0x80, 0x70, 0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x18, 0x00, 0xA7, 0x04, 0xAA}},
        {"code 0x46 under 0xAA", {0x42, 0x00, 0x23, 0x01, 0x99, 0x46, 0xAA}},
        {"code 0x47 under 0xAA", {0x00, 0x00, 0x23, 0x01, 0xDB, 0x47, 0xAA}},
        {"code 0x0A under 0xAA", {0x5A, 0x3C, 0x06, 0x00, 0x63, 0x0A, 0xAA}},
        {"marker 0x55", {0x00, 0x00, 0x00, 0x00, 0xFF, 0x02, 0x55}},
        {"marker 0x7E", {0x00, 0x00, 0x18, 0x00, 0xE7, 0x05, 0x7E}},
        {"marker 0xCB", {0x42, 0x00, 0x23, 0x01, 0x99, 0x46, 0xCB}},
        {"bad checksum status", {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0xC9, 0x02, 0xAA}},
        {"bad checksum open", {0x03, 0x00, 0x00, 0x00, 0xFD, 0x01, 0xCC}},
        {"bad checksum identity", {0x51, 0x4C, 0x34, 0x31, 0x30, 0x30, 0x06, 0x98, 0x02, 0xCC}},
        {"identity count one too many", {0x51, 0x4C, 0x34, 0x31, 0x30, 0x30, 0x07, 0x96, 0x02, 0xCC}},
        {"bad checksum read 8", {0x80, 0x70, 0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x18, 0x00, 0xA8, 0x04, 0xCC}},
        {"bad checksum write 8", {0x00, 0x00, 0x18, 0x00, 0xE6, 0x05, 0xCC}},
        {"bad checksum levels", {0x5A, 0x3C, 0x06, 0x00, 0x64, 0x0A, 0xCC}},
        {"bad checksum read byte", {0x42, 0x00, 0x23, 0x01, 0x98, 0x46, 0xCC}},
        {"bad checksum write byte", {0x00, 0x00, 0x23, 0x01, 0xDC, 0x47, 0xCC}},
    };
    for (Mode mode : {Mode::Telemetry, Mode::Pmr, Mode::PmrEscaped}) {
        for (const auto& [name, wire] : cases) {
            SCOPED_TRACE(std::string(name) + " / " + ModeName(mode));
            auto p = Make(mode);
            EXPECT_TRUE(FeedBytes(*p, Cat({kNoise, wire})).foundAt.empty());
        }
    }
}

TEST(ProtocolFinder, ResetForgetsTheWindowAndTheFlag)
{
    const Bytes wire = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xE3,
                        0x51, 0x4C, 0x34, 0x31, 0x30, 0x30, 0x06, 0x97, 0x02, 0xCC};
    auto p = Make(Mode::Pmr);
    ASSERT_EQ(FeedBytes(*p, wire).foundAt.size(), 1u);
    ASSERT_TRUE(p->ExtensionFlag());

    p->Reset();
    EXPECT_FALSE(p->ExtensionFlag());
    Bytes dst(ProtocolZYN1::kMaxFrame);
    int length = -1;
    EXPECT_FALSE(p->FindFrame(dst.data(), length)) << "the frame is still in the window";

    // A frame cut in two by a reset is not found.
    const size_t half = wire.size() / 2;
    FeedBytes(*p, Bytes(wire.begin(), wire.begin() + static_cast<long>(half)));
    p->Reset();
    EXPECT_TRUE(FeedBytes(*p, Bytes(wire.begin() + static_cast<long>(half), wire.end())).foundAt.empty());
}

}  // namespace
