// The boot loader protocol and the firmware upgrade sequence, against the
// simulated radio's boot loader over a pseudo-terminal.
#include "firmware/Flash.h"

#include "RadioSimulator.h"
#include "link/Win32port.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace {

using Stage = FlashUpgrade::Stage;
using Colour = FlashUpgrade::Colour;
using Outcome = FlashUpgrade::Outcome;
using Bytes = std::vector<uint8_t>;

const FlashUpgrade::IdCode kId = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD};

// Data at 0xC0000 (two records in the first page) and in the last page.
const char* const kFullRange =
    "S00600004844521B\n"
    "S2140C0000000306090C0F1215181B1E2124272A2D77\n"
    "S2140C00100104070A0D101316191C1F2225282B2E57\n"
    "S2140FFF00F0F3F6F9FCFF0205080B0E1114171A1D75\n"
    "S2140FFFF0FF0205080B0E1114171A1D202326292C95\n"
    "S804000000FB\n";

// First data byte at 0xE0000.
const char* const kUpperHalf =
    "S2140E000000050A0F14191E23282D32373C41464B85\n"
    "S2140E010001060B10151A1F24292E33383D42474C74\n";

// Five pages from 0xC0000.
const char* const kFivePages =
    "S2140C0000000102030405060708090A0B0C0D0E0F67\n"
    "S2140C01000102030405060708090A0B0C0D0E0F1056\n"
    "S2140C020002030405060708090A0B0C0D0E0F101145\n"
    "S2140C0300030405060708090A0B0C0D0E0F10111234\n"
    "S2140C04000405060708090A0B0C0D0E0F1011121323\n";

struct RecordingFrontEnd : FlashUpgrade::FrontEnd {
    void SetStageColour(Stage stage, Colour c) override { colour[stage] = c; }
    void SetStageText(Stage stage, const QString& t) override { text[stage] = t; }
    void AddHelpLine(const QString& line) override { help << line; }
    void SetProgressRange(int maximum) override { range = maximum; }
    void SetProgress(int p) override
    {
        position = p;
        if (p > 0)
            ++pages;
    }
    void ProcessEvents() override
    {
        ++events;
        if (onEvents)
            onEvents();
    }

    std::map<Stage, Colour> colour;
    std::map<Stage, QString> text;
    QStringList help;
    int range = -1;
    int position = -1;
    int pages = 0; // progress steps taken, programming and verify together
    int events = 0;
    std::function<void()> onEvents;
};

SimOptions LoaderOptions()
{
    SimOptions options;
    options.bootloader = true;
    options.idCode = Bytes(kId.begin(), kId.end());
    options.eraseMs = 50;
    return options;
}

struct Bench {
    explicit Bench(const SimOptions& options = LoaderOptions(), Deliverable deliverable = Deliverable::Telemetry)
        : sim(options), port(deliverable), flash(port), upgrade(flash, port, deliverable, ui)
    {
        started = dir.isValid() && sim.Start()
                  && port.OpenDevice(QString::fromStdString(sim.SlavePath()));
        upgrade.Reset();
    }

    bool Load(const char* records)
    {
        const QString path = dir.filePath(QStringLiteral("firmware.mot"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(records) < 0)
            return false;
        file.close();
        return upgrade.LoadFile(path);
    }

    Bytes Image() const
    {
        const uint8_t* data = flash.Image().Data();
        return Bytes(data, data + FlashImage::kSize);
    }

    QTemporaryDir dir;
    RadioSimulator sim;
    Win32Port port;
    TFlash flash;
    RecordingFrontEnd ui;
    FlashUpgrade upgrade;
    bool started = false;
};

TEST(FlashUpgrade, CompleteUpgradeAt57600WithVerify)
{
    Bench b(LoaderOptions(), Deliverable::Pmr);
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFullRange));
    EXPECT_EQ(b.ui.colour[Stage::File], Colour::Green);
    EXPECT_EQ(b.ui.text[Stage::File], "File Loaded");
    EXPECT_EQ(b.flash.FirstUsedAddress(), 0xC0000u);

    int loaderSpeedWhileWriting = 0, portSpeedWhileWriting = 0;
    b.ui.onEvents = [&] {
        if (b.ui.colour[Stage::Write] == Colour::Yellow && loaderSpeedWhileWriting == 0) {
            loaderSpeedWhileWriting = b.sim.BootSpeed();
            portSpeedWhileWriting = b.flash.CurrentRate();
        }
    };
    EXPECT_EQ(b.upgrade.Run(57600, true, kId), Outcome::Complete);
    EXPECT_FALSE(b.upgrade.Running());

    EXPECT_EQ(loaderSpeedWhileWriting, 57600);
    EXPECT_EQ(portSpeedWhileWriting, 57600);
    EXPECT_EQ(b.sim.BootSpeed(), 9600);
    EXPECT_EQ(b.flash.CurrentRate(), 9600);
    const Bytes wire = b.sim.WireReceived();
    EXPECT_NE(std::find(wire.begin(), wire.end(), 0xB3), wire.end());
    // The last command is the return to 9600, then its status read.
    ASSERT_GE(wire.size(), 2u);
    EXPECT_EQ(wire[wire.size() - 2], 0xB0);
    EXPECT_EQ(wire.back(), 0x70);

    EXPECT_TRUE(b.sim.IdChecked());
    EXPECT_TRUE(b.sim.Erased());
    EXPECT_EQ(b.sim.ProgrammedPages(), (std::vector<int>{0xC0000, 0xFFF00}));
    EXPECT_EQ(b.sim.Flash(), b.Image());

    EXPECT_EQ(b.ui.text[Stage::Connect], "Connected");
    EXPECT_EQ(b.ui.text[Stage::Version], "BL v1.00");
    EXPECT_EQ(b.ui.text[Stage::Id], "ID Check Passed");
    EXPECT_EQ(b.ui.text[Stage::Erase], "Erased");
    EXPECT_EQ(b.ui.text[Stage::Write], "Programmed");
    EXPECT_EQ(b.ui.text[Stage::Verify], "Verified");
    for (Stage s : {Stage::Connect, Stage::Version, Stage::Id, Stage::Erase, Stage::Write, Stage::Verify})
        EXPECT_EQ(b.ui.colour[s], Colour::Green) << static_cast<int>(s);
    EXPECT_EQ(b.ui.help, (QStringList{"Programming 000C0000 - 000FFFFF", "Verifying 000C0000 - 000FFFFF",
                                      "Flash update complete.", "Reset comms to 9600Bd"}));
    EXPECT_EQ(b.ui.range, 1023);
    EXPECT_EQ(b.ui.pages, 2 * 1024);
}

TEST(FlashUpgrade, FileFromE0000ProgramsTheUpperPagesOnly)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kUpperHalf));
    EXPECT_EQ(b.upgrade.Run(9600, false, kId), Outcome::Complete);
    EXPECT_EQ(b.sim.ProgrammedPages(), (std::vector<int>{0xE0000, 0xE0100}));
    EXPECT_EQ(b.sim.Flash(), b.Image());
    EXPECT_EQ(b.ui.help, (QStringList{"Programming 000E0000 - 000FFFFF", "Flash update complete."}));
    EXPECT_EQ(b.ui.range, 511);
    EXPECT_EQ(b.ui.pages, 512);
    EXPECT_EQ(b.ui.position, 512);
}

TEST(FlashUpgrade, VerifyUncheckedLeavesTheVerifyStageUntouched)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    EXPECT_EQ(b.upgrade.Run(19200, false, kId), Outcome::Complete);
    EXPECT_EQ(b.ui.colour[Stage::Write], Colour::Green);
    EXPECT_EQ(b.ui.colour[Stage::Verify], Colour::White);
    EXPECT_EQ(b.ui.text[Stage::Verify], "New file not verified");
    EXPECT_EQ(b.sim.ProgrammedPages().size(), 5u);
    // Telemetry program: no line about the speed reset.
    EXPECT_EQ(b.ui.help.last(), "Flash update complete.");
}

TEST(FlashUpgrade, WrongSpeedEchoFailsTheConnectStage)
{
    SimOptions options = LoaderOptions();
    options.badEcho = true;
    Bench b(options, Deliverable::Pmr);
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    EXPECT_EQ(b.upgrade.Run(38400, true, kId), Outcome::Error);
    EXPECT_EQ(b.ui.text[Stage::Connect], "Failed to set baud rate");
    EXPECT_EQ(b.ui.colour[Stage::Connect], Colour::Red);
    EXPECT_EQ(b.ui.colour[Stage::Version], Colour::White);
    EXPECT_EQ(b.ui.help, (QStringList{"Flash update error.", "Unable to reset comm port to 9600Bd"}));
}

TEST(FlashUpgrade, SilentLoaderFailsToConnect)
{
    SimOptions options = LoaderOptions();
    options.bootloader = false; // application firmware: no loader answers
    Bench b(options);
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    EXPECT_EQ(b.upgrade.Run(9600, true, kId), Outcome::Error);
    EXPECT_EQ(b.ui.text[Stage::Connect], "Failed Connect");
    EXPECT_EQ(b.ui.colour[Stage::Connect], Colour::Red);
    EXPECT_EQ(b.ui.help, QStringList{"Flash update error."});
}

TEST(FlashUpgrade, IdMismatchFailsTheIdStage)
{
    SimOptions options = LoaderOptions();
    options.idMismatch = true;
    Bench b(options);
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    EXPECT_EQ(b.upgrade.Run(9600, true, kId), Outcome::Error);
    EXPECT_EQ(b.ui.text[Stage::Version], "BL v1.00");
    EXPECT_EQ(b.ui.text[Stage::Id], "ID Check Failed");
    EXPECT_EQ(b.ui.colour[Stage::Id], Colour::Red);
    EXPECT_EQ(b.ui.colour[Stage::Erase], Colour::White);
    EXPECT_FALSE(b.sim.Erased());
    EXPECT_EQ(b.ui.help, QStringList{"Flash update error."});
}

TEST(FlashUpgrade, WrongIdCodeIsRefused)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    FlashUpgrade::IdCode wrong = kId;
    wrong[6] ^= 1;
    EXPECT_EQ(b.upgrade.Run(9600, true, wrong), Outcome::Error);
    EXPECT_EQ(b.ui.text[Stage::Id], "ID Check Failed");
    EXPECT_FALSE(b.sim.IdChecked());
}

TEST(FlashUpgrade, EraseFailure)
{
    SimOptions options = LoaderOptions();
    options.eraseFail = true;
    Bench b(options);
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    EXPECT_EQ(b.upgrade.Run(9600, true, kId), Outcome::Error);
    EXPECT_EQ(b.ui.text[Stage::Erase], "Erase Fail");
    EXPECT_EQ(b.ui.colour[Stage::Erase], Colour::Red);
    EXPECT_EQ(b.ui.colour[Stage::Write], Colour::White);
    EXPECT_TRUE(b.sim.ProgrammedPages().empty());
    EXPECT_EQ(b.ui.help, QStringList{"Flash update error."});
}

TEST(FlashUpgrade, ProgramFailureStopsAtThatPage)
{
    SimOptions options = LoaderOptions();
    options.programFailAt = 0xC0200;
    Bench b(options);
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    EXPECT_EQ(b.upgrade.Run(9600, true, kId), Outcome::Error);
    EXPECT_EQ(b.ui.text[Stage::Write], "Program Fail");
    EXPECT_EQ(b.ui.colour[Stage::Write], Colour::Red);
    EXPECT_EQ(b.ui.colour[Stage::Verify], Colour::White);
    EXPECT_EQ(b.sim.ProgrammedPages(), (std::vector<int>{0xC0000, 0xC0100}));
    EXPECT_EQ(b.ui.help, (QStringList{"Programming 000C0000 - 000FFFFF", "Flash update error."}));
}

TEST(FlashUpgrade, CancelDuringProgramming)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    ASSERT_TRUE(b.Load(kFivePages));
    b.ui.onEvents = [&] {
        if (b.ui.pages == 2)
            b.upgrade.Cancel();
    };
    EXPECT_EQ(b.upgrade.Run(9600, true, kId), Outcome::Cancelled);
    EXPECT_EQ(b.sim.ProgrammedPages(), (std::vector<int>{0xC0000, 0xC0100}));
    EXPECT_EQ(b.ui.colour[Stage::Write], Colour::Yellow);
    EXPECT_EQ(b.ui.colour[Stage::Verify], Colour::White);
    EXPECT_EQ(b.ui.help.last(), "Flash update cancelled.");
    EXPECT_EQ(b.sim.BootSpeed(), 9600);

    // The next run starts with the flag clear.
    b.ui.onEvents = nullptr;
    b.ui.help.clear();
    EXPECT_EQ(b.upgrade.Run(9600, false, kId), Outcome::Complete);
    EXPECT_EQ(b.ui.help.last(), "Flash update complete.");
    EXPECT_EQ(b.sim.Flash(), b.Image());
}

TEST(FlashUpgrade, ResetAndMissingFile)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    EXPECT_EQ(b.ui.text[Stage::File], "File not loaded.");
    EXPECT_EQ(b.ui.text[Stage::Connect], "Not connected");
    EXPECT_EQ(b.ui.text[Stage::Version], "Version");
    EXPECT_EQ(b.ui.text[Stage::Id], "ID not checked");
    EXPECT_EQ(b.ui.text[Stage::Erase], "Device not erased");
    EXPECT_EQ(b.ui.text[Stage::Write], "New file not written");
    EXPECT_EQ(b.ui.text[Stage::Verify], "New file not verified");
    EXPECT_EQ(b.ui.colour.size(), 7u);
    for (const auto& [stage, colour] : b.ui.colour)
        EXPECT_EQ(colour, Colour::White);
    EXPECT_EQ(b.ui.position, 0);

    EXPECT_FALSE(b.upgrade.LoadFile(b.dir.filePath(QStringLiteral("missing.mot"))));
    EXPECT_EQ(b.ui.text[Stage::File], "Error opening file");
    EXPECT_EQ(b.ui.colour[Stage::File], Colour::Red);
}

TEST(TFlash, ProtocolOperations)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    b.port.DisableSessionNotify();
    EXPECT_FALSE(b.flash.SetSpeed(4800));
    ASSERT_TRUE(b.flash.Connect());
    // Awake already: answered by the status read alone.
    ASSERT_TRUE(b.flash.Connect());
    int status = 0;
    ASSERT_TRUE(b.flash.ReadStatus(status));
    EXPECT_EQ(status, 0x0080);
    QString version;
    ASSERT_TRUE(b.flash.ReadVersion(version));
    EXPECT_EQ(version, "BL v1.00");
    ASSERT_TRUE(b.flash.CheckId(FlashUpgrade::kIdAddress, kId.data(), 7));
    ASSERT_TRUE(b.flash.ReadStatus(status));
    EXPECT_EQ(status, 0x0C80);
    ASSERT_TRUE(b.flash.EraseAll());

    uint8_t page[256];
    for (int i = 0; i < 256; ++i)
        page[i] = static_cast<uint8_t>(255 - i);
    ASSERT_TRUE(b.flash.ProgramPage(0xD0000, page));
    const uint8_t blank[256] = {};
    std::vector<uint8_t> ff(256, 0xFF);
    ASSERT_TRUE(b.flash.ProgramPage(0xD0100, ff.data()));
    EXPECT_EQ(b.sim.ProgrammedPages(), std::vector<int>{0xD0000});

    uint8_t back[256];
    ASSERT_TRUE(b.flash.ReadPage(0xD0000, back));
    EXPECT_TRUE(TFlash::ComparePage(back, page));
    EXPECT_FALSE(TFlash::ComparePage(back, blank));
    ASSERT_TRUE(b.flash.ReadPage(0xD0100, back));
    EXPECT_TRUE(TFlash::ComparePage(back, ff.data()));
    b.port.EnableSessionNotify();
}

TEST(TFlash, FirstUsedAddress)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    EXPECT_EQ(b.flash.FirstUsedAddress(), 0x100000u);
    ASSERT_TRUE(b.Load(kUpperHalf));
    EXPECT_EQ(b.flash.FirstUsedAddress(), 0xE0000u);
    b.flash.Image().Data()[0x3FFFF] = 0x00;
    b.flash.Image().Data()[0x1FFFF] = 0x00;
    EXPECT_EQ(b.flash.FirstUsedAddress(), 0xDFF00u);
}

} // namespace
