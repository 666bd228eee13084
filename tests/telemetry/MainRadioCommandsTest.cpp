// Read from Radio, Write to Radio and the setup commands of the telemetry
// programmer, end to end against the simulated radio.
#include "MainSimFixture.h"

#include "radio/Autodetect.h"
#include "radio/Com_port.h"
#include "radio/Fw_version.h"
#include "ui/About.h"
#include "ui_Main.h"
#include "ui_Transferprogress.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

using Answer = Dialogs::Answer;
using Buttons = Dialogs::Buttons;
using Icon = Dialogs::Icon;

using MainRadio = MainSimFixture;

TEST_F(MainRadio, ReadFromRadioLoadsItsExactImage)
{
    window_->SetImageCommandsEnabled(false);
    window_->btnReadRadioClick();

    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("All current edit data will be lost"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Read from Radio?"));
    EXPECT_EQ(dialogs_.messages[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(dialogs_.messages[0].icon, Icon::Question);

    EXPECT_EQ(ImageBytes(), SimBytes().left(2048));
    EXPECT_EQ(window_->StatusText(0), QStringLiteral("Radio config loaded"));
    EXPECT_TRUE(window_->ImageCommandsEnabled());
    EXPECT_TRUE(window_->Form().btnWriteRadio->isEnabled());
    EXPECT_EQ(window_->Form().lblFirmwareVersion->text(), QStringLiteral("QL4100T v2.10"));
    EXPECT_EQ(window_->Form().lblRadioType->text(), QStringLiteral("Telemetry"));
    EXPECT_EQ(window_->Form().lblRadioChassisType->text(),
              DecodeHardware(Deliverable::Telemetry, static_cast<uint8_t>(SimBytes()[40])).text);
    EXPECT_EQ(window_->EnabledEditorPair(), Tfrm4100::EditorPair::Telemetry);

    // What was read is kept as a backup, named after the radio.
    const QString backup = window_->LastBackup();
    ASSERT_FALSE(backup.isEmpty());
    EXPECT_TRUE(QFileInfo(backup).fileName().startsWith(QStringLiteral("QL4100T_v2.10-")));
    EXPECT_TRUE(backup.startsWith(RadioProgrammer::BackupFolder(Deliverable::Telemetry)));
    EXPECT_EQ(ReadFile(backup), SimBytes().left(2048));
}

TEST_F(MainRadio, ReadCancelledAtTheQuestionAsksTheRadioNothing)
{
    dialogs_.AnswerNext(Answer::Cancel);
    window_->btnReadRadioClick();
    EXPECT_TRUE(sim_->Requests().empty());
    EXPECT_EQ(ImageBytes(), MakeImage(0));
}

TEST_F(MainRadio, PmrRadioIsRefusedAndTheImageKept)
{
    sim_->SetMemory(50, {2});
    window_->btnReadRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Unknown radio type.\n\nPlease ensure correct version of dealer software is being used "
                             "for the radio type"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Radio type"));
    EXPECT_EQ(dialogs_.messages[1].icon, Icon::Warning);
    EXPECT_EQ(ImageBytes(), MakeImage(0));
    EXPECT_NE(window_->StatusText(0), QStringLiteral("Radio config loaded"));
    EXPECT_TRUE(window_->LastBackup().isEmpty());
}

TEST_F(MainRadio, SilentOrForeignRadioCannotBeRead)
{
    for (bool silent : {true, false}) {
        SCOPED_TRACE(silent);
        dialogs_.messages.clear();
        sim_->SetSilent(silent);
        sim_->SetIdent(silent ? "QL4100T v2.10" : "XL4100T v2.10");
        window_->btnReadRadioClick();
        ASSERT_EQ(dialogs_.messages.size(), 2);
        EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("Unable to read from radio"));
        EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Error"));
        EXPECT_EQ(dialogs_.messages[1].icon, Icon::None);
        EXPECT_EQ(ImageBytes(), MakeImage(0));
    }
}

TEST_F(MainRadio, BlankAddress20IsRepairedInRadioAndImage)
{
    sim_->SetMemory(20, {0xFF});
    window_->btnReadRadioClick();
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[20]), 100);
    EXPECT_EQ(window_->Image().GetByte(20), 100);
    // The repair comes before the type check, so it happens even for a
    // radio that is then refused.
    sim_->SetMemory(20, {0xFF});
    sim_->SetMemory(50, {2});
    window_->btnReadRadioClick();
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[20]), 100);
}

TEST_F(MainRadio, WritingATelemetryImageToADataRadioAsksFirst)
{
    sim_->SetIdent("QL4100D v2.10");
    const QByteArray radioBefore = SimBytes();
    QByteArray image = MakeImage(0);
    image[40] = static_cast<char>(0x12); // the file's hardware byte differs from the radio's
    window_->Image().WriteBlock(0, reinterpret_cast<const uint8_t*>(image.constData()), 2048);

    window_->btnWriteRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("All current radio data will be lost"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Write to radio?"));
    EXPECT_EQ(dialogs_.messages[1].text,
              QStringLiteral("Radio type does not match firmware QL4100D.\nTelemetry radio requires firmware "
                             "QL4100T.\n\nContinue?"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Warning"));
    EXPECT_EQ(dialogs_.messages[1].icon, Icon::Warning);

    const QByteArray radioAfter = SimBytes();
    EXPECT_EQ(radioAfter.left(48), radioBefore.left(48));
    EXPECT_EQ(window_->Image().GetByte(40), static_cast<uint8_t>(radioBefore[40]));
    EXPECT_EQ(radioAfter.mid(48, 2000), ImageBytes().mid(48));
    EXPECT_EQ(window_->Form().lblFirmwareVersion->text(), QStringLiteral("QL4100D v2.10"));
}

TEST_F(MainRadio, DeclinedMismatchWritesNothing)
{
    sim_->SetIdent("QL4100P v3.01");
    const QByteArray before = SimBytes();
    dialogs_.AnswerNext(Answer::Ok);
    dialogs_.AnswerNext(Answer::Cancel);
    window_->btnWriteRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(SimBytes(), before);
    for (const auto& r : sim_->Requests())
        EXPECT_NE(r.code, 0x05);
}

TEST_F(MainRadio, MatchingRadioIsWrittenWithoutAQuestion)
{
    window_->Image().SetByte(500, 0x5A);
    window_->btnWriteRadioClick();
    EXPECT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[500]), 0x5A);
    // A write does not change what is enabled.
    EXPECT_TRUE(window_->ImageCommandsEnabled());
}

TEST_F(MainRadio, SilentRadioCannotBeWritten)
{
    sim_->SetSilent(true);
    window_->btnWriteRadioClick();
    ASSERT_EQ(dialogs_.messages.size(), 2);
    EXPECT_EQ(dialogs_.messages[1].text, QStringLiteral("Unable to write to radio"));
    EXPECT_EQ(dialogs_.messages[1].caption, QStringLiteral("Error reading version"));
}

TEST_F(MainRadio, ReadCancelledMidWayKeepsTheCommandState)
{
    window_->SetImageCommandsEnabled(false);
    sim_->SetLateMs(3);
    TransferProgressWindow& progress = window_->ReadWriteWindow();
    QObject::connect(progress.Form().gaugeProgress, &QProgressBar::valueChanged, &progress, [&progress](int v) {
        if (v >= 400 && progress.isVisible())
            progress.Form().btnCancel->click();
    });
    window_->btnReadRadioClick();
    EXPECT_EQ(Outcomes(), std::vector<qintptr>{2});
    EXPECT_FALSE(window_->ImageCommandsEnabled());
    EXPECT_NE(window_->StatusText(0), QStringLiteral("Radio config loaded"));
    EXPECT_TRUE(window_->LastBackup().isEmpty());
}

TEST_F(MainRadio, RadioGoingSilentMidReadShowsTheErrorInTheProgressWindow)
{
    // Identity, address 20, 50, 40, 78, the session open, then 10 blocks.
    sim_->SetFailAfter(6 + 10);
    TransferProgressWindow& progress = window_->ReadWriteWindow();
    QString shown;
    messages_.afterEnd = [&] {
        shown = progress.Form().lblAction->text();
        progress.Form().btnCancel->click();
    };
    window_->btnReadRadioClick();
    EXPECT_EQ(shown, QStringLiteral("Error reading from radio"));
    EXPECT_EQ(dialogs_.messages.size(), 1); // nothing beyond the question
    EXPECT_NE(window_->StatusText(0), QStringLiteral("Radio config loaded"));
    EXPECT_EQ(ImageBytes().left(80), SimBytes().left(80));
    EXPECT_EQ(ImageBytes().mid(80), MakeImage(0).mid(80));
}

TEST_F(MainRadio, RadioSummaryShowsTheRadioAndRepairsAddress20)
{
    sim_->SetMemory(20, {0xFF});
    sim_->SetMemory(50, {0});
    sim_->SetMemory(78, {0x28});
    QTimer::singleShot(0, &window_->FirmwareVersionWindow(), [this] { window_->FirmwareVersionWindow().accept(); });
    window_->mnuFirmwareClick();
    EXPECT_EQ(window_->RadioIdentity(), QStringLiteral("QL4100T v2.10"));
    EXPECT_EQ(window_->Form().lblFirmwareVersion->text(), QStringLiteral("QL4100T v2.10"));
    EXPECT_EQ(window_->Form().lblRadioType->text(), QStringLiteral("Repeater Input"));
    EXPECT_EQ(static_cast<uint8_t>(SimBytes()[20]), 100);
    EXPECT_EQ(window_->Image().GetByte(20), 100);
}

TEST_F(MainRadio, ComPortChangesAndReopensThePort)
{
    MapPort(7, work_.filePath(QStringLiteral("missing-device")));
    // The user picks COM7 in the list and presses OK.
    auto choose = [this](int port) {
        QTimer::singleShot(0, &window_->PortsWindow(), [this, port] {
            window_->PortsWindow().findChild<QComboBox*>(QStringLiteral("cbPort"))->setCurrentIndex(port - 1);
            window_->PortsWindow().accept();
        });
    };
    choose(7);
    window_->mnuComPortClick();
    EXPECT_EQ(window_->PortNumber(), 7);
    EXPECT_FALSE(window_->Port().IsOpen());
    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Unable to open COM7"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Error."));

    // Cancel keeps everything.
    QTimer::singleShot(0, &window_->PortsWindow(), [this] { window_->PortsWindow().reject(); });
    window_->mnuComPortClick();
    EXPECT_EQ(window_->PortNumber(), 7);

    choose(1);
    window_->mnuComPortClick();
    EXPECT_EQ(window_->PortNumber(), 1);
    EXPECT_TRUE(window_->Port().IsOpen());
    QString ident;
    EXPECT_TRUE(window_->Radio().GetIdent(ident));
}

TEST_F(MainRadio, AutoDetectTakesThePortFound)
{
    // The radio moves to COM3; COM1 and COM2 have no device.
    MapPort(1, work_.filePath(QStringLiteral("none1")));
    MapPort(2, work_.filePath(QStringLiteral("none2")));
    MapPort(3, QString::fromStdString(sim_->SlavePath()));
    TfrmAutoDetect& detect = window_->AutoDetectWindow();
    QObject::connect(&detect.Timer(), &QTimer::timeout, &detect, [&detect] {
        if (detect.FoundPort() != 0)
            detect.btnCloseClick();
    });
    window_->mnuAutoDetectClick();
    EXPECT_EQ(window_->PortNumber(), 3);
    EXPECT_TRUE(window_->Port().IsOpen());
}

TEST_F(MainRadio, AboutBoxAndEnabledCommands)
{
    QTimer::singleShot(0, &window_->AboutBox(), [this] { window_->AboutBox().accept(); });
    window_->mnuHelpAboutClick();
    EXPECT_TRUE(window_->AboutBox().windowFlags() & Qt::WindowStaysOnTopHint);
    for (QAction* a : {window_->Form().mnuReadfromRadio, window_->Form().mnuWritetoRadio, window_->Form().mnuComPort,
                       window_->Form().mnuAutoDetect, window_->Form().mnuFirmware, window_->Form().mnuHelpAbout})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

} // namespace
