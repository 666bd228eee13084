// The radio session against the simulated radio, over a pseudo-terminal.
#include "radio/Radio.h"

#include "MessageSink.h"
#include "RadioSimulator.h"
#include "link/Win32port.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

class RadioSimTest : public ::testing::TestWithParam<Deliverable> {
protected:
    void SetUp() override
    {
        SimOptions options;
        options.family = Pmr() ? SimOptions::Family::Pmr : SimOptions::Family::Telemetry;
        sim = std::make_unique<RadioSimulator>(options);
        ASSERT_TRUE(sim->Start()) << sim->Error();
        ASSERT_TRUE(port.OpenDevice(QString::fromStdString(sim->SlavePath())));
        radio.AttachPort(&port);
        radio.SetNotifyWindow(&sink);
    }
    void TearDown() override
    {
        radio.AttachPort(nullptr);
        port.Close();
    }

    bool Pmr() const { return GetParam() == Deliverable::Pmr; }

    std::unique_ptr<RadioSimulator> sim;
    Win32Port port{GetParam()};
    TRadio radio{GetParam()};
    MessageSink sink;
};

TEST_P(RadioSimTest, IdentityOfTheRadio)
{
    QString ident;
    ASSERT_TRUE(radio.GetIdent(ident));
    EXPECT_EQ(ident, QString::fromStdString(RadioSimulator::DefaultIdent(
                         Pmr() ? SimOptions::Family::Pmr : SimOptions::Family::Telemetry)));
    EXPECT_TRUE(radio.ProbeIdent());
}

TEST_P(RadioSimTest, IdentityInsideAnEscapedSession)
{
    // "2" and its count sum to 0x33, so the checksum is 0xCC and goes out
    // escaped while escaping is on.
    sim->SetIdent("2");
    ASSERT_TRUE(radio.OpenSession(true));
    QString ident;
    EXPECT_TRUE(radio.GetIdent(ident));
    radio.CloseSession();
    EXPECT_EQ(ident, QStringLiteral("2"));
}

TEST_P(RadioSimTest, SingleBytesAndBlocksRoundTrip)
{
    int value = -1;
    ASSERT_TRUE(radio.ReadByte(50, value));
    EXPECT_EQ(value, Pmr() ? 2 : 0);
    ASSERT_TRUE(radio.WriteByte(20, 123));
    ASSERT_TRUE(radio.ReadByte(20, value));
    EXPECT_EQ(value, 123);

    const uint8_t bytes[8] = {0xCC, 0xAA, 0x7E, 0x00, 0xFF, 0x11, 0x22, 0x33};
    ASSERT_TRUE(radio.OpenSession(true));
    EXPECT_EQ(sim->EscapeMode(), Pmr());
    ASSERT_TRUE(radio.Write8(0x0100, bytes));
    uint8_t back[8] = {};
    ASSERT_TRUE(radio.Read8(0x0100, back));
    radio.CloseSession();
    EXPECT_EQ(std::vector<uint8_t>(back, back + 8), std::vector<uint8_t>(bytes, bytes + 8));
    const std::vector<uint8_t> memory = sim->Memory();
    EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 0x100, memory.begin() + 0x108),
              std::vector<uint8_t>(bytes, bytes + 8));
    EXPECT_EQ(memory[20], 123);
}

TEST_P(RadioSimTest, WholeImageInOneSession)
{
    ASSERT_TRUE(radio.OpenSession(false));
    std::vector<uint8_t> image(2048);
    for (int a = 0; a < 2048; a += 8)
        ASSERT_TRUE(radio.Read8(a, image.data() + a)) << a;
    radio.CloseSession();
    const std::vector<uint8_t> memory = sim->Memory();
    EXPECT_EQ(image, std::vector<uint8_t>(memory.begin(), memory.begin() + 2048));
}

TEST_P(RadioSimTest, ReadRangeRoundsTheStartDown)
{
    sim->ClearRequests();
    std::vector<uint8_t> out(16, 0);
    ASSERT_TRUE(radio.ReadRange(5, 16, out.data()));
    ASSERT_TRUE(sim->WaitForRequests(4, 3000));
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].code, 0x01);
    // The PMR program asks for escaping from firmware 3 on.
    EXPECT_EQ(requests[0].payload[0], Pmr() ? 3 : 0);
    EXPECT_EQ(requests[1].code, 0x04);
    EXPECT_EQ(requests[1].address, 0);
    EXPECT_EQ(requests[2].code, 0x04);
    EXPECT_EQ(requests[2].address, 8);
    EXPECT_EQ(requests[3].code, 0x03);
    const std::vector<uint8_t> memory = sim->Memory();
    EXPECT_EQ(out, std::vector<uint8_t>(memory.begin(), memory.begin() + 16));
    EXPECT_FALSE(radio.Framer().EscapeMode());

    // Older PMR firmware is read without escaping.
    sim->ClearRequests();
    radio.SetFirmwareMajor(2);
    ASSERT_TRUE(radio.ReadRange(0, 8, out.data()));
    ASSERT_TRUE(sim->WaitForRequests(3, 3000));
    EXPECT_EQ(sim->Requests()[0].payload[0], 0);
}

TEST_P(RadioSimTest, ReadRangeStopsAtTheFirstFailure)
{
    sim->SetFailAfter(2); // answers the open and one read
    std::vector<uint8_t> out(32, 0);
    EXPECT_FALSE(radio.ReadRange(0, 32, out.data()));
    sim->SetFailAfter(-1);
    ASSERT_TRUE(sim->WaitForRequests(4, 3000)); // open, read 0, read 8, close
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].address, 8);
    EXPECT_EQ(requests[3].code, 0x03);
}

TEST_P(RadioSimTest, LevelsToneAndAlignment)
{
    sim->SetLevels(200, 17);
    int first = 0, second = 0;
    ASSERT_TRUE(radio.ReadLevels(first, second));
    EXPECT_EQ(first, 200);
    EXPECT_EQ(second, 17);

    EXPECT_FALSE(radio.SetTestTone(1000)); // never answered
    EXPECT_EQ(sim->TestToneValue(), 4096);
    EXPECT_FALSE(radio.SetAlignFrequency(470000000));
    EXPECT_EQ(sim->AlignChannel(), Pmr() ? 37600 : -1);
}

TEST_P(RadioSimTest, StatusReportsAfterRequestsAndKeys)
{
    EXPECT_TRUE(radio.RequestStatus());
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.Of(WindowMessage::StatusReport).size() == 1; }, 3000));
    radio.KeyEvent(1, 0x30); // channel up, pressed
    ASSERT_TRUE(QTest::qWaitFor([this] { return sink.Of(WindowMessage::StatusReport).size() == 2; }, 3000));
    uint8_t report[10] = {}, extension[7] = {};
    radio.GetStatusReport(report, extension);
    EXPECT_EQ(sim->Channel(), 2);
    EXPECT_EQ(report[0], '0');
    EXPECT_EQ(report[1], '2');
    if (Pmr())
        EXPECT_NE(extension[0], 0); // the PMR radio sends the prefix block
    else
        EXPECT_EQ(extension[0], 0);
}

TEST_P(RadioSimTest, WrongEchoIsRefusedOnlyByThePmrProgram)
{
    sim->SetWrongEcho(true);
    uint8_t block[8] = {};
    EXPECT_EQ(radio.Read8(0x40, block), !Pmr());
    int value = 0;
    EXPECT_EQ(radio.ReadByte(50, value), !Pmr());
}

TEST_P(RadioSimTest, SilentRadioAndLateReplies)
{
    sim->SetSilent(true);
    QString ident;
    EXPECT_FALSE(radio.GetIdent(ident));
    sim->SetSilent(false);

    sim->SetLateMs(400);
    const int before = static_cast<int>(sink.Of(WindowMessage::PacketReceived).size());
    int value = 0;
    EXPECT_FALSE(radio.ReadByte(50, value));
    // The late answer still arrives and leaves the reply event set.
    ASSERT_TRUE(QTest::qWaitFor(
        [this, before] { return static_cast<int>(sink.Of(WindowMessage::PacketReceived).size()) > before; }, 3000));
    sim->SetSilent(true);
    EXPECT_TRUE(radio.ReadByte(50, value));
    EXPECT_EQ(value, Pmr() ? 2 : 0);
}

TEST_P(RadioSimTest, NoiseOnTheLineDoesNotHideFrames)
{
    sim->SetNoise(1.0);
    ASSERT_TRUE(radio.OpenSession(true));
    std::vector<uint8_t> image(256);
    for (int a = 0; a < 256; a += 8)
        ASSERT_TRUE(radio.Read8(a, image.data() + a)) << a;
    radio.CloseSession();
    const std::vector<uint8_t> memory = sim->Memory();
    EXPECT_EQ(image, std::vector<uint8_t>(memory.begin(), memory.begin() + 256));
}

INSTANTIATE_TEST_SUITE_P(Programs, RadioSimTest, ::testing::Values(Deliverable::Telemetry, Deliverable::Pmr),
                         [](const auto& info) {
                             return info.param == Deliverable::Pmr ? std::string("Pmr") : std::string("Telemetry");
                         });

} // namespace
