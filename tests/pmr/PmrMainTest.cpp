// ql4100p's start-up and main window commands, against the simulated PMR
// radio.
#include "PmrMainFixture.h"

#include "platform/SingleInstance.h"
#include "pmr/Program.h"
#include "link/Pktmon.h"
#include "ui_Main.h"
#include "ui_Pktmon.h"
#include <QPlainTextEdit>
#include <QTextEdit>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace {

using Answer = Dialogs::Answer;
using Buttons = Dialogs::Buttons;
using Icon = Dialogs::Icon;

class PmrMain : public PmrMainFixture {
protected:
    // The close request is not answered: wait until the radio has it.
    bool LeftProgrammingMode()
    {
        return QTest::qWaitFor(
            [this] {
                const auto r = sim_->Requests();
                return !r.empty() && r.back().code == 0x03;
            },
            3000);
    }
};

int CountRequests(const std::vector<RadioSimulator::Request>& requests, uint8_t code)
{
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [code](const RadioSimulator::Request& r) { return r.code == code; }));
}

TEST_F(PmrMain, PacketMonitorCommandOnlyWithPmon)
{
    struct Case {
        QStringList arguments;
        bool shown;
    };
    for (const Case& c : {Case{{QStringLiteral("/PMON")}, true}, Case{{QStringLiteral("/pmon")}, true},
                          Case{{QStringLiteral("/other"), QStringLiteral("/pmon")}, false}, Case{{}, false}}) {
        pmr::Tfrm4100 w(dialogs_, c.arguments);
        EXPECT_EQ(w.Form().mnuPacketMonitor->isVisible(), c.shown) << c.arguments.join(' ').toStdString();
        EXPECT_FALSE(w.Form().mnuCommsMonitor->isVisible());
        EXPECT_FALSE(w.Form().mnuEngineering->isVisible());
    }
}

TEST_F(PmrMain, StartsWithTheDefaultFileAndTheSettings)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    PutSetting(QStringLiteral("Port"), QStringLiteral("maxBdRate"), 12345);
    PutSetting(QStringLiteral("Port"), QStringLiteral("FlashVerify"), 1);
    pmr::Tfrm4100& w = Start();

    EXPECT_TRUE(dialogs_.messages.isEmpty());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ZYN QL4100/4120/4300/4320 PMR Radio Programmer PR2044.3.01b"));
    EXPECT_EQ(w.MaxBaudRate(), 9600);
    EXPECT_EQ(w.FlashVerify(), 1);
    EXPECT_EQ(w.PortNumber(), 1);
    EXPECT_TRUE(w.Port().IsOpen());
    EXPECT_EQ(w.StatusText(1), QStringLiteral("File loaded: def41p.mem"));
    EXPECT_TRUE(w.ImageCommandsEnabled());
    EXPECT_TRUE(w.Form().btnWriteRadio->isEnabled());
    EXPECT_FALSE(w.Form().menuV3FeaturesEn->isChecked());
    EXPECT_EQ(w.Form().lblRadioHWType->text(), DecodeHardware(Deliverable::Pmr, 0).text);
    EXPECT_EQ(w.FirmwareMajor(), 3);
    EXPECT_EQ(w.FirmwareMinor(), 0);

    w.close();
    EXPECT_EQ(GetSetting(QStringLiteral("Port"), QStringLiteral("maxBdRate")).toInt(), 9600);
    EXPECT_EQ(GetSetting(QStringLiteral("Files"), QStringLiteral("DefaultFile")).toString(),
              QStringLiteral("def41p.mem"));
}

TEST_F(PmrMain, PortNumbersOutsideTheRangeGiveCom1)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    for (int stored : {0, 300}) {
        window_.reset();
        PutSetting(QStringLiteral("Port"), QStringLiteral("ComPort"), stored);
        EXPECT_EQ(Start().PortNumber(), 1) << stored;
        EXPECT_TRUE(window_->Port().IsOpen());
    }
}

TEST_F(PmrMain, MissingDefaultFileAndPortSaySo)
{
    MapPort(1, work_.filePath(QStringLiteral("no-device")));
    pmr::Tfrm4100& w = Start();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Default file def41p.mem does not exist."));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("No default file"));
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("There is a problem opening the Com port."));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("No port."));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("No file loaded."));
    EXPECT_FALSE(w.ImageCommandsEnabled());
}

TEST_F(PmrMain, ReadingAFirmware3TwentyModelTakesTheExtendedLayout)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    dialogs_.messages.clear();
    sim_->ClearRequests();
    w.btnReadRadioClick();

    EXPECT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(ImageBytes(), SimBytes());
    EXPECT_TRUE(w.Form().menuV3FeaturesEn->isChecked());
    EXPECT_EQ(w.StatusText(1), QStringLiteral("Radio config loaded"));
    EXPECT_EQ(w.Form().lblFirmwareVersion->text(), QStringLiteral("QL4100P v3.01"));
    EXPECT_EQ(w.FirmwareMajor(), 3);
    EXPECT_EQ(w.FirmwareMinor(), 1);
    EXPECT_EQ(w.ProgressWindow().windowTitle(), QStringLiteral("Reading from Radio (8kB)"));
    const auto requests = sim_->Requests();
    EXPECT_EQ(CountRequests(requests, 0x04), 1024);
    EXPECT_EQ(requests[1].code, 0x01);
    EXPECT_EQ(requests[1].payload[0], 3); // programming mode asked for escaping
    // The reads travelled escaped: the radio saw escape bytes on the wire.
    const std::vector<uint8_t> wire = sim_->WireReceived();
    EXPECT_NE(std::find(wire.begin(), wire.end(), uint8_t{0x7E}), wire.end());
    EXPECT_FALSE(w.LastBackup().isEmpty());
}

TEST_F(PmrMain, ReadingFirmware2TakesTheShortLayout)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(8192));
    pmr::Tfrm4100& w = Start();
    ASSERT_TRUE(w.Form().menuV3FeaturesEn->isChecked());
    sim_->SetIdent("QL4100P v2.05");
    sim_->ClearRequests();
    w.btnReadRadioClick();
    EXPECT_FALSE(w.Form().menuV3FeaturesEn->isChecked());
    EXPECT_EQ(CountRequests(sim_->Requests(), 0x04), 256);
    EXPECT_EQ(ImageBytes(2048), SimBytes().left(2048));
    EXPECT_EQ(ImageBytes().mid(2048), QByteArray(6144, '\xFF'));
    EXPECT_EQ(w.FirmwareMajor(), 2);
    EXPECT_EQ(w.FirmwareMinor(), 5);
    EXPECT_EQ(w.ProgressWindow().windowTitle(), QStringLiteral("Reading from Radio (2kB)"));
}

TEST_F(PmrMain, StunnedRadioIsRevivedBeforeTheRead)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    sim_->SetMemory(50, {12});
    dialogs_.messages.clear();
    sim_->ClearRequests();
    w.btnReadRadioClick();

    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("This radio has been stunned.  Do you wish to revive it?"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Stunned radio"));
    EXPECT_EQ(dialogs_.messages[1].buttons, Buttons::YesNo);
    EXPECT_EQ(dialogs_.messages[1].icon, Icon::Warning);
    const auto requests = sim_->Requests();
    const auto revive = std::find_if(requests.begin(), requests.end(), [](const RadioSimulator::Request& r) {
        return r.code == 0x47 && r.address == 50 && r.payload[0] == 2;
    });
    const auto firstBlock = std::find_if(requests.begin(), requests.end(),
                                         [](const RadioSimulator::Request& r) { return r.code == 0x04; });
    ASSERT_NE(revive, requests.end());
    EXPECT_LT(revive - requests.begin(), firstBlock - requests.begin());
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[50]), 2);
    EXPECT_EQ(w.Buffer().GetByte(50), 2);
}

TEST_F(PmrMain, StunnedRadioLeftAloneOnNo)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    sim_->SetMemory(50, {12});
    dialogs_.AnswerNext(Answer::Ok);
    dialogs_.AnswerNext(Answer::No);
    sim_->ClearRequests();
    w.btnReadRadioClick();
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[50]), 12);
    EXPECT_EQ(CountRequests(sim_->Requests(), 0x04), 0);
    // Programming mode is left again.
    EXPECT_TRUE(LeftProgrammingMode());
}

TEST_F(PmrMain, OtherRadioTypeReadOnRequestBecomesAPmrImage)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    sim_->SetMemory(50, {0});
    dialogs_.messages.clear();
    w.btnReadRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Radio is not a PMR.  Please use correct software to configure this radio. Continue?"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Wrong radio type"));
    EXPECT_EQ(w.Buffer().GetByte(50), 2);
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[50]), 0);
}

TEST_F(PmrMain, SilentRadioCannotBeRead)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    sim_->SetSilent(true);
    dialogs_.messages.clear();
    w.btnReadRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("Unable to read from radio"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Error"));
}

TEST_F(PmrMain, ExtendedImageToARadioWithoutTheExtendedLayoutWarnsAndWritesTheShortPart)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(8192));
    pmr::Tfrm4100& w = Start();
    ASSERT_TRUE(w.Form().menuV3FeaturesEn->isChecked());
    sim_->SetMemory(40, {0x70}); // not a "20" model
    const QByteArray before = SimBytes();
    dialogs_.messages.clear();
    sim_->ClearRequests();
    w.btnWriteRadioClick();

    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Warning - this radio only supports 99 channels, \n5 letters for names and 40 selcall "
                             "memories.\nWriting the current configuration to the radio\nwill result in information "
                             "loss.\nAre you sure you want to proceed?"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Write radio"));
    EXPECT_EQ(dialogs_.messages[1].icon, Icon::None);
    const QByteArray after = SimBytes();
    EXPECT_EQ(after.mid(48, 2000), ImageBytes().mid(48, 2000));
    EXPECT_EQ(after.mid(2048), before.mid(2048));
    EXPECT_EQ(CountRequests(sim_->Requests(), 0x05), 250);
    EXPECT_EQ(w.ProgressWindow().windowTitle(), QStringLiteral("Writing to Radio (2kB)"));
    // Bytes 41 and 42 go singly; the rest of the factory area stays.
    EXPECT_EQ(after[41], ImageBytes()[41]);
    EXPECT_EQ(after[42], ImageBytes()[42]);
    EXPECT_EQ(after.left(41), before.left(41));
}

TEST_F(PmrMain, ExtendedCapableRadioIsAlwaysWrittenWhole)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    ASSERT_FALSE(w.Form().menuV3FeaturesEn->isChecked());
    dialogs_.messages.clear();
    sim_->ClearRequests();
    w.btnWriteRadioClick();
    EXPECT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(CountRequests(sim_->Requests(), 0x05), (8192 - 48) / 8);
    EXPECT_EQ(SimBytes().mid(48), ImageBytes().mid(48));
}

TEST_F(PmrMain, DeclinedLayoutWarningWritesNothing)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(8192));
    pmr::Tfrm4100& w = Start();
    sim_->SetMemory(40, {0x80}); // a "20" model with the old head
    dialogs_.AnswerNext(Answer::Ok);
    dialogs_.AnswerNext(Answer::Cancel);
    const QByteArray before = SimBytes();
    w.btnWriteRadioClick();
    ASSERT_GE(dialogs_.messages.size(), 2);
    EXPECT_TRUE(dialogs_.messages.back().text.startsWith(QStringLiteral("Warning - this radio only supports 5 digits")));
    EXPECT_EQ(SimBytes().mid(43), before.mid(43));
    EXPECT_TRUE(LeftProgrammingMode());
}

TEST_F(PmrMain, TelemetryRadioAsksBeforeAWrite)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    sim_->SetIdent("QL4100T v2.10");
    dialogs_.messages.clear();
    dialogs_.AnswerNext(Answer::Ok);
    dialogs_.AnswerNext(Answer::Cancel);
    w.btnWriteRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Radio type does not match firmware QL4100T.\nPMR radio requires firmware "
                             "QL4100P.\n\nContinue?"));
    EXPECT_EQ(CountRequests(sim_->Requests(), 0x05), 0);
}

TEST_F(PmrMain, FileOfAnotherTypeIsTakenOnContinue)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    const QString path = WriteFile(QStringLiteral("data.mem"), MakeImage(2048, 1));
    dialogs_.messages.clear();
    dialogs_.ChooseFile(path);
    w.btnFileOpenClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("All current data will be lost."));
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Unknown radio type in mem-file.\n\nPlease ensure correct mem-file is being used for the "
                             "radio type.\nContinue anyway?"));
    EXPECT_EQ(w.Buffer().GetByte(50), 2);
    EXPECT_TRUE(w.ImageCommandsEnabled());
    EXPECT_EQ(w.StatusText(1), QStringLiteral("File loaded: ") + path);

    dialogs_.messages.clear();
    dialogs_.ChooseFile(path);
    dialogs_.AnswerNext(Answer::Ok);
    dialogs_.AnswerNext(Answer::Cancel);
    w.btnFileOpenClick();
    EXPECT_EQ(w.Buffer().GetByte(50), 1);
    EXPECT_FALSE(w.ImageCommandsEnabled());
}

TEST_F(PmrMain, SetDefaultFilenameAsksWithItsOwnText)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start();
    const QString path = WriteFile(QStringLiteral("big.mem"), MakeImage(8192));
    dialogs_.messages.clear();
    dialogs_.ChooseFile(path);
    w.mnuSetDefaultFilenameClick();
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text,
              QStringLiteral("Load file  ") + path + QStringLiteral("?\nAll current data will be lost."));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Load Default File."));
    EXPECT_EQ(GetSetting(QStringLiteral("Files"), QStringLiteral("DefaultFile")).toString(), path);
    EXPECT_TRUE(w.Form().menuV3FeaturesEn->isChecked());
    EXPECT_EQ(ImageBytes(), MakeImage(8192));
}

TEST_F(PmrMain, SecondCopyNamesThePmrProgram)
{
    SingleInstance running;
    ASSERT_TRUE(running.TryAcquire());
    int raised = 0;
    ASSERT_TRUE(running.Listen(QStringLiteral("QL4100/4120/4300/4320 PMR Dealer Software"), [&raised] { ++raised; }));
    EXPECT_EQ(RunQl4100p(dialogs_, {}, false), 0);
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("The program is already running"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("QL4100/4120/4300/4320 PMR Dealer Software"));
    EXPECT_TRUE(QTest::qWaitFor([&raised] { return raised == 1; }, 5000));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("QL41/43x0 run another"));
}

} // namespace

namespace {

TEST_F(PmrMainFixture, PacketMonitorShowsTheEscapedSessionFromTheMainWindow)
{
    WriteFile(QStringLiteral("def41p.mem"), MakeImage(2048));
    pmr::Tfrm4100& w = Start({QStringLiteral("/pmon")});
    w.Form().mnuPacketMonitor->trigger();
    ASSERT_TRUE(w.PacketMonitor().isVisible());
    w.PacketMonitor().SetMonitoring(true);
    w.btnReadRadioClick();
    ASSERT_TRUE(QTest::qWaitFor(
        [&w] {
            return w.PacketMonitor().Form().mmoPacketMonitor->toPlainText().contains(
                QStringLiteral("TX: 00 00 08 00 F7 04 CC "));
        },
        5000));
    const QString log = w.PacketMonitor().Form().mmoPacketMonitor->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("TX: 03 00 00 00 FC 01 CC \n"))) << log.left(400).toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("RX: "))) << log.left(400).toStdString();
}

} // namespace
