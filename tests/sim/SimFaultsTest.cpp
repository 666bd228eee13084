// The ways the simulated radio can be told to misbehave.
#include "SimLine.h"

#include <chrono>

using std::chrono::milliseconds;

namespace {

constexpr const char* kReadByte50Reply = "00 00 32 00 CD 46 CC";

bool IsSpecial(uint8_t b)
{
    return b == 0x7E || b == 0xAA || b == 0xCC;
}

} // namespace

TEST(SimFaults, SilentRadioAnswersNothing)
{
    SimOptions options;
    options.silent = true;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.line.Send(kIdentityRequest));
    ASSERT_TRUE(r.radio.WaitForRequests(1, 2000));
    EXPECT_EQ(r.radio.RepliesSent(), 0);
    // Once it talks again, the first bytes on the line are the next reply.
    r.radio.SetSilent(false);
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), kReadByte50Reply);
    EXPECT_EQ(r.radio.RepliesSent(), 1);
    EXPECT_EQ(r.radio.Requests().size(), 2u);
}

TEST(SimFaults, SilenceCoversStatusReports)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    r.radio.SetSilent(true);
    ASSERT_TRUE(r.line.Send("00 00 00 00 FF 1A CC"));
    ASSERT_TRUE(r.line.Send("31 CE 04 AA"));
    ASSERT_TRUE(r.radio.WaitForRequests(2, 2000));
    r.radio.SetSilent(false);
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), kReadByte50Reply);
    // The key was still acted on.
    EXPECT_EQ(r.radio.Channel(), 2);
}

TEST(SimFaults, FailAfterStopsAnsweringAfterThatManyReplies)
{
    SimOptions options;
    options.failAfter = 2;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.line.Send(kIdentityRequest));
    ASSERT_TRUE(r.line.Send(kIdentityRequest));
    ASSERT_TRUE(r.line.Send(kReadByte50));
    ASSERT_TRUE(r.radio.WaitForRequests(3, 2000));
    EXPECT_EQ(r.radio.RepliesSent(), 2);
    r.radio.SetFailAfter(-1);
    ASSERT_TRUE(r.line.Send(kIdentityRequest));
    // Two identities, no read-byte reply, then the third identity.
    EXPECT_EQ(Hex(r.line.Read(51)), std::string(kTelemetryIdentity) + " " + kTelemetryIdentity + " "
                                        + kTelemetryIdentity);
    EXPECT_EQ(r.radio.RepliesSent(), 3);
}

TEST(SimFaults, FailAfterZeroNeverAnswers)
{
    SimOptions options;
    options.failAfter = 0;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.line.Send(kIdentityRequest));
    ASSERT_TRUE(r.radio.WaitForRequests(1, 2000));
    EXPECT_EQ(r.radio.RepliesSent(), 0);
    r.radio.SetFailAfter(1);
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), kReadByte50Reply);
}

TEST(SimFaults, LateRepliesComeLateAndInOrder)
{
    SimOptions options;
    options.lateMs = 150;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    const auto sent = SimLine::Clock::now();
    ASSERT_TRUE(r.line.Send(std::string(kIdentityRequest) + " " + kReadByte50));
    EXPECT_EQ(Hex(r.line.Read(24, 3000)), std::string(kTelemetryIdentity) + " " + kReadByte50Reply);
    EXPECT_GE(r.line.firstByteAt - sent, milliseconds(145));

    // Back on time.
    r.radio.SetLateMs(0);
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), kReadByte50Reply);
}

TEST(SimFaults, LateIsSetAtRunTime)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    r.radio.SetLateMs(120);
    const auto sent = SimLine::Clock::now();
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), kReadByte50Reply);
    EXPECT_GE(r.line.firstByteAt - sent, milliseconds(115));
}

TEST(SimFaults, WrongEchoShiftsReadAddresses)
{
    SimOptions options;
    options.wrongEcho = true;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    r.radio.SetMemory(0x10, {1, 2, 3, 4, 5, 6, 7, 8});
    // Data from 0x10, address echoed as 0x18.
    EXPECT_EQ(r.line.Exchange("00 00 10 00 EF 04 CC", 13), "08 07 06 05 04 03 02 01 18 00 C3 04 CC");
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), "00 00 3A 00 C5 46 CC");
    // Writes echo their own address.
    EXPECT_EQ(r.line.Exchange("5A 00 32 00 73 47 CC", 7), "00 00 32 00 CD 47 CC");
    r.radio.SetWrongEcho(false);
    EXPECT_EQ(r.line.Exchange("00 00 10 00 EF 04 CC", 13), "08 07 06 05 04 03 02 01 10 00 CB 04 CC");
}

TEST(SimFaults, CertainNoisePutsOneStrayByteBeforeEachReply)
{
    SimOptions options;
    options.noise = 1.0;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(r.line.Send(kReadByte50));
        const Bytes got = r.line.Read(8);
        ASSERT_EQ(got.size(), 8u);
        EXPECT_FALSE(IsSpecial(got[0])) << Hex(got);
        EXPECT_EQ(Hex(Bytes(got.begin() + 1, got.end())), kReadByte50Reply);
    }
}

namespace {

// Sends count read-byte requests one at a time and returns all bytes that
// came back.
Bytes NoisyExchange(double noise, unsigned seed, int count)
{
    SimOptions options;
    options.noise = noise;
    options.seed = seed;
    RadioOnLine r(options);
    EXPECT_TRUE(r.started);
    Bytes all;
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(r.line.Send(kReadByte50));
        // The reply is complete once its marker is in.
        for (;;) {
            const Bytes more = r.line.Read(1);
            if (more.empty()) {
                ADD_FAILURE() << "reply " << i << " did not come";
                return all;
            }
            all.push_back(more[0]);
            if (more[0] == 0xCC)
                break;
        }
    }
    return all;
}

} // namespace

TEST(SimFaults, NoiseLetsEveryFrameThrough)
{
    const Bytes all = NoisyExchange(0.5, 7, 40);
    const Bytes reply = FromHex(kReadByte50Reply);
    size_t at = 0;
    int frames = 0;
    int stray = 0;
    while (at < all.size()) {
        if (all.size() - at >= reply.size() && std::equal(reply.begin(), reply.end(), all.begin() + static_cast<long>(at))) {
            ++frames;
            at += reply.size();
        } else {
            EXPECT_FALSE(IsSpecial(all[at]));
            ++stray;
            ++at;
        }
    }
    EXPECT_EQ(frames, 40);
    EXPECT_GT(stray, 0);
    EXPECT_LT(stray, 40);
    // The same seed gives the same line.
    EXPECT_EQ(NoisyExchange(0.5, 7, 40), all);
}

TEST(SimFaults, LineRatePacesTheOutput)
{
    SimOptions options;
    options.ident = "QL4100T v2.10 XY"; // a 20-byte reply
    options.lineRate = 9600;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    const auto sent = SimLine::Clock::now();
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 20, 3000),
              "51 4C 34 31 30 30 54 20 76 32 2E 31 30 20 58 59 10 11 02 CC");
    // 20 bytes of 10 bits at 9600 bit/s: 20.8 ms on the line.
    EXPECT_GE(r.line.lastByteAt - sent, milliseconds(20));

    // At 1200 bit/s the same reply takes 167 ms and comes byte after byte,
    // not in one burst at the end.
    r.radio.SetLineRate(1200);
    const auto again = SimLine::Clock::now();
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 20, 3000),
              "51 4C 34 31 30 30 54 20 76 32 2E 31 30 20 58 59 10 11 02 CC");
    EXPECT_GE(r.line.lastByteAt - again, milliseconds(166));
    EXPECT_GE(r.line.lastByteAt - r.line.firstByteAt, milliseconds(100));
}
