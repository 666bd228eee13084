// The radio's boot loader: wake-up, speed change, ID check, erase, page
// programming and read-back, and its faults.
#include "SimLine.h"

#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <iterator>

using std::chrono::milliseconds;

namespace {

constexpr int kBase = RadioSimulator::kFlashBase;
const char* const kIdCheckDefault = "F5 DF FF 0F 07 FF FF FF FF FF FF FF";

SimOptions BootOptions()
{
    SimOptions options;
    options.bootloader = true;
    options.eraseMs = 150;
    return options;
}

// Wakes the loader the way the upgrade does: 17 zero bytes, then one reply.
std::string Wake(SimLine& line, int timeoutMs = 2000)
{
    return line.Exchange("00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 1, timeoutMs);
}

std::string Status(SimLine& line)
{
    return line.Exchange("70", 2);
}

// Polls the status until s0 shows ready; returns the last status read.
std::string PollReady(SimLine& line, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + milliseconds(timeoutMs);
    std::string status;
    do {
        status = Status(line);
        if (status.size() == 5 && (std::strtoul(status.substr(0, 2).c_str(), nullptr, 16) & 0x80))
            break;
    } while (std::chrono::steady_clock::now() < end);
    return status;
}

Bytes ProgramCommand(int address, const Bytes& data)
{
    Bytes command(3 + data.size());
    command[0] = 0x41;
    command[1] = static_cast<uint8_t>(address >> 8);
    command[2] = static_cast<uint8_t>(address >> 16);
    std::copy(data.begin(), data.end(), command.begin() + 3);
    return command;
}

Bytes ReadCommand(int address)
{
    return {0xFF, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address >> 16)};
}

Bytes Pattern(uint8_t seed)
{
    Bytes page(256);
    for (int i = 0; i < 256; ++i)
        page[static_cast<size_t>(i)] = static_cast<uint8_t>(seed + i * 7);
    return page;
}

// A woken loader that has passed the ID check.
struct Unlocked : RadioOnLine {
    explicit Unlocked(const SimOptions& options = BootOptions())
        : RadioOnLine(options)
    {
        woken = Wake(line) == "B0";
        line.Send(kIdCheckDefault);
        unlocked = Status(line) == "80 0C";
    }
    bool woken = false;
    bool unlocked = false;
};

} // namespace

TEST(SimBootLoader, IgnoresEverythingUntilWokenThenAnswersTheRunOnce)
{
    RadioOnLine r(BootOptions());
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("70", 2, 300), "");
    EXPECT_EQ(Wake(r.line), "B0");
    // One answer for the whole run, not one per byte.
    EXPECT_EQ(Hex(r.line.Read(1, 300)), "");
    EXPECT_EQ(Status(r.line), "80 00");
    EXPECT_FALSE(r.radio.IdChecked());
}

TEST(SimBootLoader, ApplicationFirmwareDoesNotSpeakTheLoaderProtocol)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    EXPECT_EQ(Wake(r.line, 300), "");
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 17), kTelemetryIdentity);
}

TEST(SimBootLoader, SpeedChangeEchoesThenSwitchesTheLine)
{
    RadioOnLine r(BootOptions());
    ASSERT_TRUE(r.started);
    termios t{};
    ASSERT_EQ(tcgetattr(r.line.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(r.radio.BootSpeed(), 9600);
    ASSERT_EQ(Wake(r.line), "B0");

    EXPECT_EQ(r.line.Exchange("B2", 1), "B2");
    ASSERT_EQ(tcgetattr(r.line.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(cfgetispeed(&t), B38400);
    EXPECT_EQ(r.radio.BootSpeed(), 38400);
    EXPECT_EQ(Status(r.line), "80 00");

    EXPECT_EQ(r.line.Exchange("B3", 1), "B3");
    ASSERT_EQ(tcgetattr(r.line.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B57600);
    EXPECT_EQ(r.line.Exchange("B0", 1), "B0");
    ASSERT_EQ(tcgetattr(r.line.Fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(r.radio.BootSpeed(), 9600);
}

TEST(SimBootLoader, PacedLineRunsAtTheNewSpeed)
{
    SimOptions options = BootOptions();
    options.lineRate = 9600;
    Unlocked r(options);
    ASSERT_TRUE(r.started && r.woken && r.unlocked);
    ASSERT_EQ(r.line.Exchange("B3", 1), "B3");
    ASSERT_TRUE(r.line.Send(ReadCommand(kBase)));
    ASSERT_EQ(r.line.Read(256).size(), 256u);
    // 255 byte times after the first: about 44 ms at 57600, 266 ms at 9600.
    const auto took = r.line.lastByteAt - r.line.firstByteAt;
    EXPECT_GE(took, milliseconds(40));
    EXPECT_LT(took, milliseconds(200));
}

TEST(SimBootLoader, VersionText)
{
    RadioOnLine r(BootOptions());
    ASSERT_TRUE(r.started);
    ASSERT_EQ(Wake(r.line), "B0");
    EXPECT_EQ(r.line.Exchange("FB", 8), Hex(Bytes{'B', 'L', ' ', 'v', '1', '.', '0', '0'}));

    SimOptions options = BootOptions();
    options.bootVersion = "V2";
    RadioOnLine other(options);
    ASSERT_TRUE(other.started);
    ASSERT_EQ(Wake(other.line), "B0");
    EXPECT_EQ(other.line.Exchange("FB", 8, 300), "56 32");
}

TEST(SimBootLoader, IdCheckPassesOnlyWithTheRightCodeAndAddress)
{
    SimOptions options = BootOptions();
    options.idCode = FromHex("01 23 45 67 89 AB CD");
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    ASSERT_EQ(Wake(r.line), "B0");
    ASSERT_TRUE(r.line.Send(kIdCheckDefault));
    EXPECT_EQ(Status(r.line), "80 00");
    EXPECT_FALSE(r.radio.IdChecked());
    // Right code, wrong address.
    ASSERT_TRUE(r.line.Send("F5 E0 FF 0F 07 01 23 45 67 89 AB CD"));
    EXPECT_EQ(Status(r.line), "80 00");
    ASSERT_TRUE(r.line.Send("F5 DF FF 0F 07 01 23 45 67 89 AB CD"));
    EXPECT_EQ(Status(r.line), "80 0C");
    EXPECT_TRUE(r.radio.IdChecked());
    // A later wrong code takes the pass away.
    ASSERT_TRUE(r.line.Send("F5 DF FF 0F 07 01 23 45 67 89 AB CE"));
    EXPECT_EQ(Status(r.line), "80 00");
}

TEST(SimBootLoader, LockedLoaderRefusesEraseProgramAndRead)
{
    RadioOnLine r(BootOptions());
    ASSERT_TRUE(r.started);
    ASSERT_EQ(Wake(r.line), "B0");
    ASSERT_TRUE(r.line.Send("A7 D0"));
    EXPECT_EQ(Status(r.line), "A0 00");
    ASSERT_TRUE(r.line.Send("50"));
    EXPECT_EQ(Status(r.line), "80 00");
    ASSERT_TRUE(r.line.Send(ProgramCommand(kBase, Pattern(1))));
    EXPECT_EQ(Status(r.line), "90 00");
    ASSERT_TRUE(r.line.Send("50"));
    EXPECT_EQ(Status(r.line), "80 00");
    ASSERT_TRUE(r.line.Send(ReadCommand(kBase)));
    EXPECT_EQ(r.line.Read(256, 300).size(), 0u);
    EXPECT_EQ(Status(r.line), "80 00");
    EXPECT_FALSE(r.radio.Erased());
    EXPECT_TRUE(r.radio.ProgrammedPages().empty());
    EXPECT_EQ(r.radio.Flash(), Bytes(RadioSimulator::kFlashSize, 0xFF));
}

TEST(SimBootLoader, EraseIsBusyForAWhileThenBlanksTheFlash)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string image = dir.filePath("old.bin").toStdString();
    {
        std::ofstream out(image, std::ios::binary);
        const Bytes old(RadioSimulator::kFlashSize, 0x5A);
        out.write(reinterpret_cast<const char*>(old.data()), static_cast<std::streamsize>(old.size()));
    }
    SimOptions options = BootOptions();
    options.flashFile = image;
    Unlocked r(options);
    ASSERT_TRUE(r.started && r.woken && r.unlocked);
    ASSERT_TRUE(r.line.Send(ReadCommand(0xFFF00)));
    EXPECT_EQ(r.line.Read(256), Bytes(256, 0x5A));

    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(r.line.Send("A7 D0"));
    EXPECT_EQ(Status(r.line), "00 0C");
    EXPECT_FALSE(r.radio.Erased());
    EXPECT_EQ(PollReady(r.line, 3000), "80 0C");
    EXPECT_GE(std::chrono::steady_clock::now() - sent, milliseconds(150));
    EXPECT_TRUE(r.radio.Erased());
    EXPECT_EQ(r.radio.Flash(), Bytes(RadioSimulator::kFlashSize, 0xFF));
    ASSERT_TRUE(r.line.Send(ReadCommand(0xFFF00)));
    EXPECT_EQ(r.line.Read(256), Bytes(256, 0xFF));
}

TEST(SimBootLoader, ProgramsPagesAndReadsThemBack)
{
    Unlocked r;
    ASSERT_TRUE(r.started && r.woken && r.unlocked);
    const Bytes page = Pattern(3);
    // The command may come in pieces.
    const Bytes command = ProgramCommand(0xC0100, page);
    ASSERT_TRUE(r.line.Send(Bytes(command.begin(), command.begin() + 100)));
    const auto end = std::chrono::steady_clock::now() + milliseconds(2000);
    while (r.radio.WireReceived().size() < 12 + 100 && std::chrono::steady_clock::now() < end)
        r.radio.WaitForRequests(1, 10); // never true here: a bounded wait
    ASSERT_TRUE(r.line.Send(Bytes(command.begin() + 100, command.end())));
    EXPECT_EQ(PollReady(r.line, 2000), "80 0C");
    ASSERT_TRUE(r.line.Send(ProgramCommand(0xFFF00, Pattern(9))));
    EXPECT_EQ(PollReady(r.line, 2000), "80 0C");

    ASSERT_TRUE(r.line.Send(ReadCommand(0xC0100)));
    EXPECT_EQ(r.line.Read(256), page);
    ASSERT_TRUE(r.line.Send(ReadCommand(0xFFF00)));
    EXPECT_EQ(r.line.Read(256), Pattern(9));
    // Untouched pages stay blank.
    ASSERT_TRUE(r.line.Send(ReadCommand(kBase)));
    EXPECT_EQ(r.line.Read(256), Bytes(256, 0xFF));
    ASSERT_TRUE(r.line.Send(ReadCommand(0xC0200)));
    EXPECT_EQ(r.line.Read(256), Bytes(256, 0xFF));
    EXPECT_EQ(r.radio.ProgrammedPages(), (std::vector<int>{0xC0100, 0xFFF00}));

    // Programming only clears bits.
    ASSERT_TRUE(r.line.Send(ProgramCommand(0xC0100, Bytes(256, 0x0F))));
    EXPECT_EQ(PollReady(r.line, 2000), "80 0C");
    Bytes anded = page;
    for (uint8_t& b : anded)
        b &= 0x0F;
    const Bytes flash = r.radio.Flash();
    EXPECT_EQ(Bytes(flash.begin() + 0x100, flash.begin() + 0x200), anded);
}

TEST(SimBootLoader, BadEchoFault)
{
    SimOptions options = BootOptions();
    options.badEcho = true;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    ASSERT_EQ(Wake(r.line), "B0");
    const std::string echo = r.line.Exchange("B1", 1);
    EXPECT_EQ(echo.size(), 2u);
    EXPECT_NE(echo, "B1");
    r.radio.SetBadEcho(false);
    EXPECT_EQ(r.line.Exchange("B1", 1), "B1");
}

TEST(SimBootLoader, IdMismatchFault)
{
    SimOptions options = BootOptions();
    options.idMismatch = true;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    ASSERT_EQ(Wake(r.line), "B0");
    ASSERT_TRUE(r.line.Send(kIdCheckDefault));
    EXPECT_EQ(Status(r.line), "80 00");
    EXPECT_FALSE(r.radio.IdChecked());
    r.radio.SetIdMismatch(false);
    ASSERT_TRUE(r.line.Send(kIdCheckDefault));
    EXPECT_EQ(Status(r.line), "80 0C");
}

TEST(SimBootLoader, EraseFailFault)
{
    SimOptions options = BootOptions();
    options.eraseFail = true;
    Unlocked r(options);
    ASSERT_TRUE(r.started && r.woken && r.unlocked);
    ASSERT_TRUE(r.line.Send(ProgramCommand(kBase, Pattern(5))));
    ASSERT_EQ(PollReady(r.line, 2000), "80 0C");
    ASSERT_TRUE(r.line.Send("A7 D0"));
    EXPECT_EQ(Status(r.line), "00 0C");
    EXPECT_EQ(PollReady(r.line, 3000), "A0 0C");
    EXPECT_FALSE(r.radio.Erased());
    const Bytes flash = r.radio.Flash();
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 256), Pattern(5));
    ASSERT_TRUE(r.line.Send("50"));
    EXPECT_EQ(Status(r.line), "80 0C");
}

TEST(SimBootLoader, ProgramFailFault)
{
    SimOptions options = BootOptions();
    options.programFailAt = 0xC0210; // anywhere in the page
    Unlocked r(options);
    ASSERT_TRUE(r.started && r.woken && r.unlocked);
    ASSERT_TRUE(r.line.Send(ProgramCommand(0xC0100, Pattern(1))));
    EXPECT_EQ(PollReady(r.line, 2000), "80 0C");
    ASSERT_TRUE(r.line.Send(ProgramCommand(0xC0200, Pattern(2))));
    EXPECT_EQ(PollReady(r.line, 2000), "90 0C");
    ASSERT_TRUE(r.line.Send("50"));
    EXPECT_EQ(Status(r.line), "80 0C");
    EXPECT_EQ(r.radio.ProgrammedPages(), std::vector<int>{0xC0100});
    ASSERT_TRUE(r.line.Send(ReadCommand(0xC0200)));
    EXPECT_EQ(r.line.Read(256), Bytes(256, 0xFF));

    r.radio.SetProgramFailAt(-1);
    ASSERT_TRUE(r.line.Send(ProgramCommand(0xC0200, Pattern(2))));
    EXPECT_EQ(PollReady(r.line, 2000), "80 0C");
    EXPECT_EQ(r.radio.ProgrammedPages(), (std::vector<int>{0xC0100, 0xC0200}));
}

TEST(SimBootLoader, FlashIsSavedOnStop)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("flash.bin").toStdString();
    SimOptions options = BootOptions();
    options.saveFlashFile = path;
    {
        Unlocked r(options);
        ASSERT_TRUE(r.started && r.woken && r.unlocked);
        ASSERT_TRUE(r.line.Send(ProgramCommand(0xE0000, Pattern(7))));
        ASSERT_EQ(PollReady(r.line, 2000), "80 0C");
        r.radio.Stop();
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in);
    const Bytes saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(saved.size(), static_cast<size_t>(RadioSimulator::kFlashSize));
    EXPECT_EQ(Bytes(saved.begin() + 0x20000, saved.begin() + 0x20100), Pattern(7));
    const Bytes page = Pattern(7);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), 0xFF),
              RadioSimulator::kFlashSize - 256 + std::count(page.begin(), page.end(), 0xFF));
}
