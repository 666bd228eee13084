#include "MainFixture.h"

#include "ui_Main.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

using Buttons = Dialogs::Buttons;
using Icon = Dialogs::Icon;

using MainStartup = MainFixture;

TEST_F(MainStartup, MissingDefaultFileLeavesAnErasedImage)
{
    PutSetting(QStringLiteral("ComPort"), 1);
    Tfrm4100& w = Start();

    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Default file def41t.mem does not exist.\nNo file loaded."));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("No default file"));
    EXPECT_EQ(dialogs_.messages[0].buttons, Buttons::Ok);
    EXPECT_EQ(dialogs_.messages[0].icon, Icon::Warning);
    EXPECT_EQ(w.StatusText(0), QStringLiteral("No file loaded."));
    EXPECT_EQ(ImageBytes(), QByteArray(2048, '\xFF'));
    EXPECT_FALSE(w.ImageCommandsEnabled());
    EXPECT_EQ(w.EnabledEditorPair(), Tfrm4100::EditorPair::None);
    EXPECT_EQ(w.Form().lblRadioType->text(), QStringLiteral("Unknown"));
    EXPECT_TRUE(w.Port().IsOpen());
}

TEST_F(MainStartup, DefaultFileOfAnUnknownRadioTypeIsKeptButNotAccepted)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(5));
    Tfrm4100& w = Start();

    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text,
              QStringLiteral("Unknown radio type in default mem-file.\n\nPlease ensure correct mem-file is being "
                             "used for the radio type."));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Read file"));
    EXPECT_EQ(dialogs_.messages[0].icon, Icon::Warning);
    EXPECT_EQ(w.StatusText(0), QStringLiteral("File loaded: def41t.mem"));
    EXPECT_EQ(ImageBytes(), MakeImage(5));
    EXPECT_FALSE(w.ImageCommandsEnabled());
    EXPECT_EQ(w.EnabledEditorPair(), Tfrm4100::EditorPair::None);
    EXPECT_EQ(w.Form().lblRadioType->text(), QStringLiteral("Unknown"));
    EXPECT_EQ(w.Form().lblRadioChassisType->text(), QStringLiteral("QL4100"));
}

TEST_F(MainStartup, MissingSettingsKeyStartsWithTheDefaults)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
    Tfrm4100& w = Start();

    EXPECT_TRUE(dialogs_.messages.isEmpty());
    EXPECT_EQ(w.PortNumber(), 1);
    EXPECT_TRUE(w.Port().IsOpen());
    EXPECT_EQ(w.MaxBaudRate(), 0);
    EXPECT_EQ(w.FlashVerify(), 0);
    EXPECT_EQ(w.DefaultFile(), QStringLiteral("def41t.mem"));

    // Closing writes them back as they stand.
    w.close();
    EXPECT_EQ(GetSetting(QStringLiteral("ComPort")).toInt(), 1);
    EXPECT_EQ(GetSetting(QStringLiteral("maxBdRate")).toInt(), 0);
    EXPECT_EQ(GetSetting(QStringLiteral("FlashVerify")).toInt(), 0);
    EXPECT_EQ(GetSetting(QStringLiteral("DefaultFile")).toString(), QStringLiteral("def41t.mem"));
}

TEST_F(MainStartup, UnreadableValuesInAnExistingKeyGetTheirDefaults)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
    PutSetting(QStringLiteral("ComPort"), QStringLiteral("three"));
    PutSetting(QStringLiteral("FlashVerify"), 1);
    Tfrm4100& w = Start();

    EXPECT_EQ(w.PortNumber(), 1);
    EXPECT_EQ(w.MaxBaudRate(), 9600);
    EXPECT_EQ(w.FlashVerify(), 1);
    EXPECT_EQ(w.DefaultFile(), QStringLiteral("def41t.mem"));
}

TEST_F(MainStartup, PortNumbersOutsideTheRangeOpenCom1)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
    struct Case {
        int stored, used;
    };
    for (const Case c : {Case{0, 1}, Case{-1, 1}, Case{257, 1}, Case{256, 256}, Case{1, 1}}) {
        SCOPED_TRACE(c.stored);
        window_.reset();
        dialogs_.messages.clear();
        PutSetting(QStringLiteral("ComPort"), c.stored);
        Tfrm4100& w = Start();
        EXPECT_EQ(w.PortNumber(), c.used);
        if (c.used == 1) {
            EXPECT_TRUE(w.Port().IsOpen());
            EXPECT_TRUE(dialogs_.messages.isEmpty());
        } else {
            // COM256 has no device on this machine.
            EXPECT_FALSE(w.Port().IsOpen());
            ASSERT_EQ(dialogs_.messages.size(), 1);
            EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Unable to open COM256"));
            EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Error."));
        }
    }
}

TEST_F(MainStartup, PortThatCannotOpenIsReportedAndTheProgramGoesOn)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(1));
    MapPort(5, work_.filePath(QStringLiteral("no-such-device")));
    PutSetting(QStringLiteral("ComPort"), 5);
    Tfrm4100& w = Start();

    ASSERT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Unable to open COM5"));
    EXPECT_EQ(dialogs_.messages[0].caption, QStringLiteral("Error."));
    EXPECT_EQ(dialogs_.messages[0].icon, Icon::Warning);
    EXPECT_FALSE(w.Port().IsOpen());
    // The default file is still loaded.
    EXPECT_TRUE(w.ImageCommandsEnabled());
    EXPECT_EQ(w.Form().lblRadioType->text(), QStringLiteral("Data"));
    EXPECT_EQ(w.EnabledEditorPair(), Tfrm4100::EditorPair::Data);
}

TEST_F(MainStartup, ShortDefaultFileCountsAsLoaded)
{
    WriteFile(QStringLiteral("short.mem"), MakeImage(0).left(100));
    PutSetting(QStringLiteral("DefaultFile"), QStringLiteral("short.mem"));
    Tfrm4100& w = Start();

    EXPECT_EQ(w.StatusText(0), QStringLiteral("File loaded: short.mem"));
    const QByteArray image = ImageBytes();
    EXPECT_EQ(image.left(100), MakeImage(0).left(100));
    EXPECT_EQ(image.mid(100), QByteArray(1948, '\xFF'));
    EXPECT_TRUE(w.ImageCommandsEnabled()); // address 50 is inside the file
}

TEST_F(MainStartup, EmptyDefaultFileValueLoadsTheFactoryName)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(0, 0x28));
    PutSetting(QStringLiteral("DefaultFile"), QString());
    Tfrm4100& w = Start();

    EXPECT_EQ(w.DefaultFile(), QStringLiteral("def41t.mem"));
    EXPECT_EQ(w.StatusText(0), QStringLiteral("File loaded: def41t.mem"));
    EXPECT_EQ(w.Form().lblRadioType->text(), QStringLiteral("Repeater Input"));
    EXPECT_EQ(w.EnabledEditorPair(), Tfrm4100::EditorPair::Repeater);
}

TEST_F(MainStartup, ShippedFactoryFileIsATelemetryImage)
{
    const QByteArray factory = ReadFile(QStringLiteral(QL41_SOURCE_DIR "/data/def41t.mem"));
    ASSERT_EQ(factory.size(), 2048);
    WriteFile(QStringLiteral("def41t.mem"), factory);
    Tfrm4100& w = Start();

    EXPECT_TRUE(dialogs_.messages.isEmpty());
    EXPECT_TRUE(w.ImageCommandsEnabled());
    EXPECT_EQ(w.EnabledEditorPair(), Tfrm4100::EditorPair::Telemetry);
    EXPECT_EQ(w.Form().lblRadioType->text(), QStringLiteral("Telemetry"));
    EXPECT_EQ(static_cast<uint8_t>(factory[20]), 100);
    EXPECT_FALSE(w.Form().lblRadioChassisType->text().isEmpty());
    EXPECT_EQ(ImageBytes(), factory);
}

TEST_F(MainStartup, FirstActivationRunsOnce)
{
    Tfrm4100& w = Start();
    ASSERT_EQ(dialogs_.messages.size(), 1); // no default file
    w.Image().SetByte(10, 0x42);
    w.hide();
    w.show();
    w.FormShow();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs_.messages.size(), 1);
    EXPECT_EQ(w.Image().GetByte(10), 0x42);
}

TEST_F(MainStartup, CaptionClockAndHiddenCommands)
{
    Tfrm4100 w(dialogs_);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ZYN QL4100/4300T Radio Programmer PR2041.3.18"));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("12:00:00"));
    EXPECT_EQ(w.Form().lblCaption->text(), QStringLiteral("QL4100/4300T Programmer"));
    EXPECT_TRUE(w.Form().lblFirmwareVersion->text().isEmpty());
    EXPECT_EQ(w.HelpLine(), QStringLiteral("Help messages..."));

    w.Timer1Timer();
    EXPECT_TRUE(QTime::fromString(w.StatusText(1), QStringLiteral("HH:mm:ss")).isValid()) << w.StatusText(1).toStdString();

    for (QAction* a : {w.Form().mnuEngineering, w.Form().mnuPacketMonitor, w.Form().mnuCommsMonitor,
                       w.Form().mnuVerifyRadio, w.Form().mnuPrintRadio})
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    w.show();
    for (QWidget* b : {static_cast<QWidget*>(w.Form().btnEngineering), static_cast<QWidget*>(w.Form().btnEEPROM),
                       static_cast<QWidget*>(w.Form().btnPrintRadio)})
        EXPECT_FALSE(b->isVisible()) << b->objectName().toStdString();
    EXPECT_TRUE(w.Form().btnReadRadio->isVisible());
    QTest::qWaitFor([&w] { return !w.FirstActivationPending(); }, 5000);
}

TEST_F(MainStartup, CommandsWithoutTheirWindowsStayDisabled)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
    Tfrm4100& w = Start();
    ASSERT_TRUE(w.ImageCommandsEnabled());
    EXPECT_TRUE(w.Form().btnFileOpen->isEnabled());
    EXPECT_TRUE(w.Form().btnFileSave->isEnabled());
    EXPECT_TRUE(w.Form().mnuDefaultFile->isEnabled());
    EXPECT_TRUE(w.Form().btnWriteRadio->isEnabled());
    EXPECT_TRUE(w.Form().btnReadRadio->isEnabled());
    // Editor commands arrive with their windows.
    EXPECT_EQ(w.EnabledEditorPair(), Tfrm4100::EditorPair::Telemetry);
    EXPECT_FALSE(w.Form().btnTelemetryEdit->isEnabled());
    EXPECT_FALSE(w.Form().mnuTelemetry->isEnabled());
    EXPECT_FALSE(w.Form().btnChannelData->isEnabled());
    EXPECT_FALSE(w.Form().EditRadioHardware->isEnabled());
}

TEST_F(MainStartup, SettingsChangedDuringTheRunReachTheFileAtClose)
{
    WriteFile(QStringLiteral("def41t.mem"), MakeImage(0));
    PutSetting(QStringLiteral("ComPort"), 1);
    PutSetting(QStringLiteral("maxBdRate"), 38400);
    PutSetting(QStringLiteral("FlashVerify"), 1);
    PutSetting(QStringLiteral("DefaultFile"), QStringLiteral("def41t.mem"));
    Tfrm4100& w = Start();
    EXPECT_EQ(w.MaxBaudRate(), 38400);
    ClearSettings(); // closing must write everything, creating the key again
    w.close();
    EXPECT_EQ(GetSetting(QStringLiteral("ComPort")).toInt(), 1);
    EXPECT_EQ(GetSetting(QStringLiteral("maxBdRate")).toInt(), 38400);
    EXPECT_EQ(GetSetting(QStringLiteral("FlashVerify")).toInt(), 1);
    EXPECT_EQ(GetSetting(QStringLiteral("DefaultFile")).toString(), QStringLiteral("def41t.mem"));
}
