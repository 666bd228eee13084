// The radio session against a scripted radio on a pseudo-terminal: the test
// reads each request off the line and writes back literal reply frames.
#include "radio/Radio.h"

#include "MessageSink.h"
#include "PtyPair.h"
#include "link/Win32port.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

// A reply frame as the radio sends it, unescaped: payload, checksum, code, marker.
QByteArray Reply(const QByteArray& payload, int code, int marker = 0xCC)
{
    int sum = 0;
    for (char c : payload)
        sum += static_cast<uint8_t>(c);
    QByteArray f = payload;
    f.append(static_cast<char>(0xFF - (sum & 0xFF)));
    f.append(static_cast<char>(code));
    f.append(static_cast<char>(marker));
    return f;
}

class RadioTest : public ::testing::TestWithParam<Deliverable> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.IsValid());
        ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
        radio.AttachPort(&port);
        radio.SetNotifyWindow(&sink);
    }
    void TearDown() override
    {
        if (responder.joinable())
            responder.join();
    }

    bool Pmr() const { return GetParam() == Deliverable::Pmr; }

    // Once requestLength bytes of request have come off the line, answers
    // with reply. The request seen is kept in lastRequest.
    void RespondTo(int requestLength, const QByteArray& reply)
    {
        if (responder.joinable())
            responder.join();
        responder = std::thread([this, requestLength, reply] {
            lastRequest = pty.Read(requestLength, 3000);
            if (!reply.isEmpty())
                pty.Write(reply);
        });
    }
    QByteArray Request()
    {
        if (responder.joinable())
            responder.join();
        return lastRequest;
    }

    PtyPair pty;
    Win32Port port{GetParam()};
    TRadio radio{GetParam()};
    MessageSink sink;
    std::thread responder;
    QByteArray lastRequest;
};

TEST_P(RadioTest, IdentityRequestAndReply)
{
    RespondTo(7, Reply(QByteArray("QL4100T v2.10") + char(13), 0x02));
    QString ident;
    ASSERT_TRUE(radio.GetIdent(ident));
    EXPECT_EQ(Request(), Bytes({0x00, 0x00, 0x00, 0x00, 0xFF, 0x02, 0xCC}));
    EXPECT_EQ(ident, QStringLiteral("QL4100T v2.10"));
}

TEST_P(RadioTest, IdentityWithCountZeroIsEmptyAndLongOnesAreCut)
{
    RespondTo(7, Reply(Bytes({0}), 0x02));
    QString ident = QStringLiteral("old");
    ASSERT_TRUE(radio.GetIdent(ident));
    EXPECT_EQ(ident, QString());

    const QByteArray forty(40, 'Q');
    RespondTo(7, Reply(forty + char(40), 0x02));
    ASSERT_TRUE(radio.GetIdent(ident));
    EXPECT_EQ(ident, QString(31, QLatin1Char('Q')));
}

TEST_P(RadioTest, Read8ReturnsTheBlockLowestAddressFirst)
{
    // Read 8 at 0x0123: the radio sends the byte of the highest address first.
    RespondTo(7, Reply(Bytes({0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11, 0x23, 0x01}), 0x04));
    uint8_t block[8] = {};
    ASSERT_TRUE(radio.Read8(0x0123, block));
    EXPECT_EQ(Request(), Bytes({0x00, 0x00, 0x23, 0x01, 0xDB, 0x04, 0xCC}));
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(block[k], 0x11 + k) << k;
}

TEST_P(RadioTest, Write8SendsHighestAddressFirst)
{
    RespondTo(13, Reply(Bytes({0, 0, 0x30, 0x00}), 0x05));
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(radio.Write8(0x0030, bytes));
    EXPECT_EQ(Request(), Bytes({8, 7, 6, 5, 4, 3, 2, 1, 0x30, 0x00, 0xAB, 0x05, 0xCC}));
}

TEST_P(RadioTest, SingleBytesReadAndWrite)
{
    RespondTo(7, Reply(Bytes({0x5A, 0, 50, 0}), 0x46));
    int value = -1;
    ASSERT_TRUE(radio.ReadByte(50, value));
    EXPECT_EQ(Request(), Bytes({0, 0, 50, 0, 0xCD, 0x46, 0xCC}));
    EXPECT_EQ(value, 0x5A);

    RespondTo(7, Reply(Bytes({0, 0, 20, 0}), 0x47));
    ASSERT_TRUE(radio.WriteByte(20, 0x164)); // only the low 8 bits go out
    EXPECT_EQ(Request(), Bytes({0x64, 0, 20, 0, 0x87, 0x47, 0xCC}));
}

TEST_P(RadioTest, NoAnswerFailsAfter250msAndKeepsTheOldBlock)
{
    RespondTo(7, Reply(Bytes({8, 7, 6, 5, 4, 3, 2, 1, 0, 0}), 0x04));
    uint8_t block[8] = {};
    ASSERT_TRUE(radio.Read8(0, block));
    Request();

    uint8_t again[8] = {};
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(radio.Read8(8, again));
    EXPECT_GE(timer.elapsed(), 245);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(again[k], 0) << k; // nothing copied out
    // Take the unanswered request off the line, so the next answer goes to
    // the next request only.
    EXPECT_EQ(pty.Read(7, 3000), Bytes({0, 0, 8, 0, 0xF7, 0x04, 0xCC}));
    // The next answered read still works.
    RespondTo(7, Reply(Bytes({8, 7, 6, 5, 4, 3, 2, 1, 16, 0}), 0x04));
    ASSERT_TRUE(radio.Read8(16, again));
    EXPECT_EQ(again[0], 1);
}

TEST_P(RadioTest, LateReplyLeavesTheReplyEventSet)
{
    int value = 0;
    RespondTo(7, QByteArray()); // swallow the request, answer nothing
    EXPECT_FALSE(radio.ReadByte(40, value));
    Request();
    // The answer arrives after the request gave up.
    ASSERT_TRUE(pty.Write(Reply(Bytes({0x77, 0, 40, 0}), 0x46)));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sink.Of(WindowMessage::PacketReceived).empty(); }, 3000));

    // A write with no answer now returns at once: the event was left set.
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(radio.WriteByte(41, 1));
    EXPECT_LT(timer.elapsed(), 200);
}

TEST_P(RadioTest, ReadReplyForAnotherAddress)
{
    // Read 8 at 0x0018; the radio echoes 0x0010.
    RespondTo(7, Reply(Bytes({9, 9, 9, 9, 9, 9, 9, 9, 0x10, 0x00}), 0x04));
    uint8_t block[8] = {};
    const bool ok = radio.Read8(0x0018, block);
    Request();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sink.Of(WindowMessage::PacketReceived).empty(); }, 3000));
    const auto received = sink.Of(WindowMessage::PacketReceived);
    if (Pmr()) {
        // Refused: the caller times out and the block is not taken.
        EXPECT_FALSE(ok);
        EXPECT_EQ(block[0], 0);
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].lParam, 1); // shown as refused
    } else {
        // The telemetry program takes any read reply.
        EXPECT_TRUE(ok);
        EXPECT_EQ(block[0], 9);
        EXPECT_EQ(received[0].lParam, 0);
    }
}

TEST_P(RadioTest, Write8ReplyForAddressZeroCompletesAnyWrite)
{
    RespondTo(13, Reply(Bytes({0, 0, 0, 0}), 0x05));
    const uint8_t bytes[8] = {};
    EXPECT_TRUE(radio.Write8(0x0400, bytes));
    Request();
    // A write reply for another non-zero address completes only the telemetry form.
    RespondTo(13, Reply(Bytes({0, 0, 0x08, 0x04}), 0x05));
    EXPECT_EQ(radio.Write8(0x0400, bytes), !Pmr());
}

TEST_P(RadioTest, ReadLevelsTakesValuesOnlyWithTheEcho)
{
    RespondTo(7, Reply(Bytes({0x21, 0x43, 6, 0}), 0x0A));
    int first = -1, second = -1;
    ASSERT_TRUE(radio.ReadLevels(first, second));
    EXPECT_EQ(Request(), Bytes({0, 0, 6, 0, 0xF9, 0x0A, 0xCC}));
    EXPECT_EQ(first, 0x43);
    EXPECT_EQ(second, 0x21);

    RespondTo(7, Reply(Bytes({0x01, 0x02, 5, 0}), 0x0A));
    EXPECT_TRUE(radio.ReadLevels(first, second));
    Request();
    EXPECT_EQ(first, 0x43);
    EXPECT_EQ(second, 0x21);
}

TEST_P(RadioTest, TestToneValuesAndNoReply)
{
    struct Case {
        double hz;
        int value;
    };
    for (const Case c : {Case{50, 205}, Case{1000, 4096}, Case{0, 0}, Case{2500, 10240}}) {
        EXPECT_EQ(TRadio::TestToneValue(c.hz), c.value) << c.hz;
    }
    RespondTo(7, QByteArray());
    EXPECT_FALSE(radio.SetTestTone(50));
    EXPECT_EQ(Request(), Bytes({0xCD, 0x00, 0, 0, 0x32, 0x2D, 0xCC}));
}

TEST_P(RadioTest, AlignFrequency)
{
    if (Pmr()) {
        RespondTo(7, QByteArray());
        EXPECT_FALSE(radio.SetAlignFrequency(470000000));
        EXPECT_EQ(Request(), Bytes({0xE0, 0x92, 0, 0, 0x8D, 0x4D, 0xCC}));
    } else {
        // No such request in the telemetry program: nothing goes out.
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(radio.SetAlignFrequency(470000000));
        EXPECT_GE(timer.elapsed(), 245);
        EXPECT_EQ(pty.ReadAll(50), QByteArray());
        EXPECT_TRUE(sink.Of(WindowMessage::PacketSent).empty());
    }
}

TEST_P(RadioTest, KeyEventsAndStatusRequestsDoNotWait)
{
    radio.KeyEvent(0x16, 0x35);
    EXPECT_EQ(pty.Read(4, 3000), Bytes({0x36, 0xC9, 0x04, 0xAA}));
    EXPECT_TRUE(radio.RequestStatus());
    EXPECT_EQ(pty.Read(7, 3000), Bytes({0, 0, 0, 0, 0xFF, 0x1A, 0xCC}));
}

TEST_P(RadioTest, StatusReportIsStoredAndAnnounced)
{
    const QByteArray body = Bytes({'4', '7', 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x7F});
    QByteArray wire;
    const QByteArray prefix = Bytes({1, 2, 3, 4, 5, 6, 7});
    int prefixSum = 0;
    for (char c : prefix)
        prefixSum += static_cast<uint8_t>(c);
    if (Pmr())
        wire = prefix + char(0xFF - (prefixSum & 0xFF));
    wire += Reply(body, 0x02, 0xAA);
    ASSERT_TRUE(pty.Write(wire));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !sink.Of(WindowMessage::StatusReport).empty(); }, 3000));
    uint8_t report[10] = {}, extension[7] = {0xEE};
    radio.GetStatusReport(report, extension);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(report[k], static_cast<uint8_t>(body[k])) << k;
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(extension[k], Pmr() ? k + 1 : 0) << k;
}

TEST_P(RadioTest, SentAndReceivedFramesAreLoggedAndAnnounced)
{
    RespondTo(7, Reply(Bytes({0xAB, 0, 50, 0}), 0x46));
    int value = 0;
    ASSERT_TRUE(radio.ReadByte(50, value));
    Request();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            return !sink.Of(WindowMessage::PacketSent).empty() && !sink.Of(WindowMessage::PacketReceived).empty();
        },
        3000));
    EXPECT_EQ(sink.Of(WindowMessage::PacketSent)[0].wParam, 7);
    EXPECT_EQ(sink.Of(WindowMessage::PacketReceived)[0].wParam, 7);

    uint8_t frame[64] = {};
    ASSERT_EQ(radio.TakeSent(frame, sizeof frame), 7);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(frame), 7), Bytes({0, 0, 50, 0, 0xCD, 0x46, 0xCC}));
    ASSERT_EQ(radio.TakeReceived(frame, sizeof frame), 7);
    const QByteArray wire = Reply(Bytes({0xAB, 0, 50, 0}), 0x46);
    QByteArray taken(reinterpret_cast<char*>(frame), 7);
    if (!Pmr())
        std::reverse(taken.begin(), taken.end()); // held as found, newest byte first
    EXPECT_EQ(taken, wire);
}

TEST_P(RadioTest, EscapingFollowsTheSession)
{
    RespondTo(7, Reply(Bytes({0, 0, 0, 0}), 0x01));
    ASSERT_TRUE(radio.OpenSession(true));
    const QByteArray open = Request();
    if (Pmr()) {
        EXPECT_EQ(open, Bytes({0x03, 0, 0, 0, 0xFC, 0x01, 0xCC}));
        EXPECT_TRUE(radio.Framer().EscapeMode());
        // A payload byte 0xAA now goes out escaped.
        RespondTo(8, Reply(Bytes({0, 0, 0xAA, 0}), 0x47));
        ASSERT_TRUE(radio.WriteByte(0xAA, 1));
        EXPECT_EQ(Request(), Bytes({0x01, 0, 0x7E, 0x8A, 0, 0x54, 0x47, 0xCC}));
    } else {
        EXPECT_EQ(open, Bytes({0, 0, 0, 0, 0xFF, 0x01, 0xCC}));
        EXPECT_FALSE(radio.Framer().EscapeMode());
    }
    EXPECT_TRUE(radio.CloseSession());
    EXPECT_EQ(pty.Read(7, 3000), Bytes({0, 0, 0, 0, 0xFF, 0x03, 0xCC}));
    EXPECT_FALSE(radio.Framer().EscapeMode());
}

TEST_P(RadioTest, WithoutAPortEveryRequestTimesOut)
{
    TRadio alone(GetParam());
    int value = 0;
    EXPECT_FALSE(alone.ReadByte(1, value));
    uint8_t block[8] = {};
    EXPECT_FALSE(alone.Read8(0, block));
}

INSTANTIATE_TEST_SUITE_P(Programs, RadioTest, ::testing::Values(Deliverable::Telemetry, Deliverable::Pmr),
                         [](const auto& info) {
                             return info.param == Deliverable::Pmr ? std::string("Pmr") : std::string("Telemetry");
                         });

} // namespace
