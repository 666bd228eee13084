// The "Upgrade Radio Software" page: controls, settings, voice
// identification and whole upgrades against the simulated boot loader.
#include "firmware/Upgrade.h"

#include "RadioSimulator.h"
#include "ScriptedDialogs.h"
#include "link/Win32port.h"
#include "platform/Settings.h"
#include "ui_Upgrade.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const FlashUpgrade::IdCode kId = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD};

// Data in the last page only.
const char* const kLastPage =
    "S2140FFF00F0F3F6F9FCFF0205080B0E1114171A1D75\n"
    "S2140FFFF0FF0205080B0E1114171A1D202326292C95\n";

QStringList HelpLines(TUpgradePage& page)
{
    return page.HelpText()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString LedColour(QWidget* led)
{
    return led->property("colour").toString();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void Put16(QByteArray& b, int v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& b, uint32_t v)
{
    Put16(b, int(v & 0xFFFF));
    Put16(b, int(v >> 16));
}

// 8-bit mono PCM.
QByteArray Wav8(int rate, int samples)
{
    QByteArray data;
    for (int i = 0; i < samples; ++i)
        data.append(char(128 + ((i % 20) < 10 ? 40 : -40)));
    QByteArray b("RIFF");
    Put32(b, 36 + uint32_t(data.size()));
    b.append("WAVEfmt ");
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, uint32_t(rate));
    Put32(b, uint32_t(rate));
    Put16(b, 1);
    Put16(b, 8);
    b.append("data");
    Put32(b, uint32_t(data.size()));
    b.append(data);
    return b;
}

struct Page {
    explicit Page(Deliverable d = Deliverable::Telemetry) : port(d), page(d, port, dialogs) {}
    Win32Port port;
    ScriptedDialogs dialogs;
    TUpgradePage page;
    Ui::TUpgradePage& ui() { return page.Form(); }
};

TEST(UpgradePage, ControlTexts)
{
    Page p;
    auto& ui = p.ui();
    EXPECT_EQ(ui.Memo1->toPlainText().split(QLatin1Char('\n')),
              (QStringList{"Use this function to upgrade the Radio operating software.", "",
                           "First switch off the radio and remove the bottom cover.",
                           "Connect the special adapter KA207 into the 10 pin connector on the board.",
                           "Switch on the radio when ready and press the 'Upgrade' button to continue."}));
    EXPECT_TRUE(ui.Memo1->isReadOnly());
    EXPECT_EQ(ui.btnNext->text(), "Upgrade");
    const QLabel* stages[] = {ui.lblStage1, ui.lblStage2, ui.lblStage3, ui.lblStage4,
                              ui.lblStage5, ui.lblStage6, ui.lblStage7};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(stages[i]->text(), QStringLiteral("Stage %1").arg(i + 1));
    EXPECT_EQ(ui.lblFileOk->text(), "File not loaded.");
    EXPECT_EQ(ui.lblConnected->text(), "Not connected");
    EXPECT_EQ(ui.lblVersion->text(), "Version");
    EXPECT_EQ(ui.lblID->text(), "ID not checked");
    EXPECT_EQ(ui.lblErase->text(), "Device not erased");
    EXPECT_EQ(ui.lblWrite->text(), "New file not written");
    EXPECT_EQ(ui.lblVerify->text(), "New file not verified");
    for (QWidget* led : {(QWidget*)ui.ledFileOk, (QWidget*)ui.ledConnected, (QWidget*)ui.ledVersion,
                         (QWidget*)ui.ledID, (QWidget*)ui.ledErase, (QWidget*)ui.ledWrite,
                         (QWidget*)ui.ledVerify})
        EXPECT_EQ(LedColour(led), "white") << led->objectName().toStdString();
    EXPECT_EQ(ui.rdgrpMaxBdRate->title(), "Max baud rate");
    EXPECT_EQ(ui.rbBaud9600->text(), "9600");
    EXPECT_EQ(ui.rbBaud19200->text(), "19200");
    EXPECT_EQ(ui.rbBaud38400->text(), "38400");
    EXPECT_EQ(ui.rbBaud57600->text(), "57600");
    EXPECT_EQ(ui.chkVerify->text(), "Verify");
    EXPECT_EQ(ui.btnDump->text(), "Hex Dump");
    EXPECT_TRUE(ui.btnDump->isHidden());
    EXPECT_EQ(ui.gbVoiceId->title(), "Voice ID");
    EXPECT_EQ(ui.lblVoiceFile->text(), "File:");
    EXPECT_EQ(ui.BtnFileVoice->text(), "Load File");
    EXPECT_EQ(ui.lblSampleFreq->text(), "Sample Freq:");
    EXPECT_EQ(ui.lblLength->text(), "Length:");
    EXPECT_EQ(ui.chkVoiceId->text(), "Add voice ID");
    EXPECT_TRUE(ui.editWaveFileName->isReadOnly());
    EXPECT_FALSE(ui.gbVoiceId->isHidden());

    Page pmr(Deliverable::Pmr);
    EXPECT_TRUE(pmr.ui().gbVoiceId->isHidden());
    EXPECT_TRUE(pmr.ui().btnDump->isHidden());
}

TEST(UpgradePage, HostHelpPanelIsUsed)
{
    Win32Port port(Deliverable::Telemetry);
    ScriptedDialogs dialogs;
    QTextEdit help;
    TUpgradePage page(Deliverable::Telemetry, port, dialogs, &help);
    EXPECT_EQ(page.HelpText(), &help);
    page.AddHelpLine("line");
    EXPECT_EQ(help.toPlainText(), "line");
}

TEST(UpgradePage, SettingsHandOver)
{
    struct Case {
        int stored;
        bool verify;
        int read;
    };
    const Case cases[] = {{9600, false, 9600},  {19200, true, 19200}, {38400, false, 38400},
                          {57600, true, 57600}, {12345, false, 9600}, {0, true, 9600},
                          {-1, false, 9600},    {115200, true, 9600}};
    Page p;
    for (const Case& c : cases) {
        p.page.SetSettings(57600, !c.verify);
        p.page.SetSettings(c.stored, c.verify);
        int rate = -1;
        bool verify = !c.verify;
        p.page.GetSettings(rate, verify);
        EXPECT_EQ(rate, c.read) << c.stored;
        EXPECT_EQ(verify, c.verify) << c.stored;
    }
    p.ui().rbBaud38400->setChecked(true);
    p.ui().chkVerify->setChecked(false);
    int rate = 0;
    bool verify = true;
    p.page.GetSettings(rate, verify);
    EXPECT_EQ(rate, 38400);
    EXPECT_FALSE(verify);
}

TEST(UpgradePage, ProgressIsClampedToItsRange)
{
    Page p;
    p.page.SetProgressRange(10);
    p.page.SetProgress(11);
    EXPECT_EQ(p.ui().progressAddress->value(), 10);
    p.page.SetProgress(-3);
    EXPECT_EQ(p.ui().progressAddress->value(), 0);
    p.page.SetProgress(4);
    EXPECT_EQ(p.ui().progressAddress->value(), 4);
}

TEST(UpgradePage, VoiceGroupOnlyForRadioTypeZero)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath("voice.wav");
    ASSERT_TRUE(WriteFile(wav, Wav8(8000, 4000)));
    Page p;
    p.dialogs.ChooseFile(wav);
    p.ui().BtnFileVoice->click();
    ASSERT_TRUE(p.ui().chkVoiceId->isChecked());

    for (int type : {1, 2, 5, -1}) {
        p.page.SetRadioType(type);
        EXPECT_FALSE(p.ui().gbVoiceId->isEnabled()) << type;
        EXPECT_FALSE(p.ui().chkVoiceId->isChecked()) << type;
        EXPECT_FALSE(p.ui().chkVoiceId->isEnabled()) << type;
        EXPECT_TRUE(p.ui().editWaveFileName->text().isEmpty()) << type;
    }
    p.page.SetRadioType(0);
    EXPECT_TRUE(p.ui().gbVoiceId->isEnabled());
}

TEST(UpgradePage, LoadVoiceFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath("voice.wav");
    ASSERT_TRUE(WriteFile(wav, Wav8(8000, 4000)));
    const QString bad = dir.filePath("bad.wav");
    ASSERT_TRUE(WriteFile(bad, QByteArray("RIFX\0\0\0\0WAVE", 12)));

    Page p;
    p.page.AddHelpLine("old line");
    p.dialogs.ChooseFile(wav);
    p.ui().BtnFileVoice->click();
    ASSERT_EQ(p.dialogs.fileDialogs.size(), 1);
    EXPECT_FALSE(p.dialogs.fileDialogs[0].save);
    EXPECT_EQ(p.dialogs.fileDialogs[0].request.filter, "Wave File (*.wav)|*.wav");
    EXPECT_EQ(p.ui().editWaveFileName->text(), wav);
    EXPECT_EQ(p.ui().lblWaveSampleFreq->text(), "8000Hz");
    EXPECT_EQ(p.ui().lblWaveLength->text(), "0.5secs");
    EXPECT_TRUE(p.ui().chkVoiceId->isEnabled());
    EXPECT_TRUE(p.ui().chkVoiceId->isChecked());
    EXPECT_EQ(HelpLines(p.page), QStringList{"Voice ID file loaded"});

    p.dialogs.ChooseFile(bad);
    p.ui().BtnFileVoice->click();
    EXPECT_EQ(p.ui().editWaveFileName->text(), bad);
    EXPECT_EQ(p.ui().lblWaveSampleFreq->text(), "---");
    EXPECT_EQ(p.ui().lblWaveLength->text(), "---");
    EXPECT_FALSE(p.ui().chkVoiceId->isEnabled());
    EXPECT_FALSE(p.ui().chkVoiceId->isChecked());
    EXPECT_EQ(HelpLines(p.page), QStringList{"Error loading Voice ID file."});

    // Whole seconds show no decimal.
    ASSERT_TRUE(WriteFile(wav, Wav8(8000, 16000)));
    p.dialogs.ChooseFile(wav);
    p.ui().BtnFileVoice->click();
    EXPECT_EQ(p.ui().lblWaveLength->text(), "2secs");

    // A cancelled dialog changes nothing.
    p.ui().BtnFileVoice->click();
    EXPECT_EQ(p.ui().editWaveFileName->text(), wav);
    EXPECT_TRUE(p.ui().chkVoiceId->isChecked());
}

TEST(UpgradePage, AddVoiceIdWithoutFileStops)
{
    Page p;
    p.ui().chkVoiceId->setChecked(true);
    p.ui().btnNext->click();
    ASSERT_EQ(p.dialogs.messages.size(), 1);
    EXPECT_EQ(p.dialogs.messages[0].text, "No voice ID filename specified.");
    EXPECT_EQ(p.dialogs.messages[0].caption, "Error");
    EXPECT_TRUE(p.dialogs.fileDialogs.isEmpty());
    EXPECT_EQ(p.ui().btnNext->text(), "Upgrade");
}

TEST(UpgradePage, CancelledFileDialogAndBadFile)
{
    Page p;
    p.ui().btnNext->click();
    ASSERT_EQ(p.dialogs.fileDialogs.size(), 1);
    const auto& request = p.dialogs.fileDialogs[0].request;
    EXPECT_EQ(request.title, "Open programming file...");
    EXPECT_EQ(request.filter, "Motorola S file (*.mot)|*.mot");
    EXPECT_EQ(request.defaultExtension, "*.mot");
    EXPECT_EQ(p.ui().lblFileOk->text(), "File not loaded.");

    p.dialogs.ChooseFile("/nonexistent/dir/firmware.mot");
    p.ui().btnNext->click();
    EXPECT_EQ(p.ui().lblFileOk->text(), "Error opening file");
    EXPECT_EQ(LedColour(p.ui().ledFileOk), "red");
    EXPECT_EQ(LedColour(p.ui().ledConnected), "white");
}

struct Bench {
    explicit Bench(Deliverable d = Deliverable::Telemetry) : sim(Options()), p(d)
    {
        started = dir.isValid() && sim.Start()
                  && p.port.OpenDevice(QString::fromStdString(sim.SlavePath()));
        p.page.SetIdCode(kId);
        QObject::connect(&p.page, &TUpgradePage::RunningChanged, [this](bool running) {
            changes.push_back(running);
            if (running)
                captionWhileRunning = p.ui().btnNext->text();
        });
        firmware = dir.filePath("firmware.mot");
        started = started && WriteFile(firmware, kLastPage);
    }
    static SimOptions Options()
    {
        SimOptions options;
        options.bootloader = true;
        options.idCode = Bytes(kId.begin(), kId.end());
        options.eraseMs = 50;
        return options;
    }

    QTemporaryDir dir;
    RadioSimulator sim;
    Page p;
    QString firmware;
    std::vector<bool> changes;
    QString captionWhileRunning;
    bool started = false;
};

TEST(UpgradePage, FullUpgradeWithVerify)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    b.p.page.SetSettings(19200, true);
    b.p.dialogs.ChooseFile(b.firmware);
    b.p.ui().btnNext->click();

    EXPECT_EQ(b.changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(b.captionWhileRunning, "Cancel");
    EXPECT_EQ(b.p.ui().btnNext->text(), "Upgrade");
    EXPECT_FALSE(b.p.page.Running());
    EXPECT_EQ(HelpLines(b.p.page), (QStringList{"Programming 000FFF00 - 000FFFFF",
                                                "Verifying 000FFF00 - 000FFFFF", "Flash update complete."}));
    auto& ui = b.p.ui();
    EXPECT_EQ(ui.lblFileOk->text(), "File Loaded");
    EXPECT_EQ(ui.lblConnected->text(), "Connected");
    EXPECT_EQ(ui.lblVersion->text(), "BL v1.00");
    EXPECT_EQ(ui.lblID->text(), "ID Check Passed");
    EXPECT_EQ(ui.lblErase->text(), "Erased");
    EXPECT_EQ(ui.lblWrite->text(), "Programmed");
    EXPECT_EQ(ui.lblVerify->text(), "Verified");
    for (QWidget* led : {(QWidget*)ui.ledFileOk, (QWidget*)ui.ledConnected, (QWidget*)ui.ledVersion,
                         (QWidget*)ui.ledID, (QWidget*)ui.ledErase, (QWidget*)ui.ledWrite,
                         (QWidget*)ui.ledVerify})
        EXPECT_EQ(LedColour(led), "green") << led->objectName().toStdString();
    EXPECT_EQ(ui.progressAddress->maximum(), 0);
    EXPECT_EQ(b.sim.ProgrammedPages(), (std::vector<int>{0xFFF00}));
    EXPECT_EQ(b.sim.BootSpeed(), 9600);
}

TEST(UpgradePage, VoiceIsMergedAtE0000)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    const QString wav = b.dir.filePath("voice.wav");
    ASSERT_TRUE(WriteFile(wav, Wav8(8000, 1000)));
    b.p.dialogs.ChooseFile(wav);
    b.p.ui().BtnFileVoice->click();
    ASSERT_TRUE(b.p.ui().chkVoiceId->isChecked());

    b.p.dialogs.ChooseFile(b.firmware);
    b.p.ui().btnNext->click();
    EXPECT_EQ(HelpLines(b.p.page).last(), "Flash update complete.");
    WavImport voice;
    ASSERT_TRUE(voice.Import(wav));
    const Bytes flash = b.sim.Flash();
    ASSERT_EQ(flash.size(), size_t(FlashImage::kSize));
    EXPECT_TRUE(std::equal(voice.Block().begin(), voice.Block().end(), flash.begin() + 0x20000));
    EXPECT_EQ(b.sim.ProgrammedPages().front(), 0xE0000);
    EXPECT_EQ(b.sim.ProgrammedPages().back(), 0xFFF00);
}

TEST(UpgradePage, UnreadableVoiceFileStopsBeforeRunning)
{
    Bench b;
    ASSERT_TRUE(b.started) << b.sim.Error();
    const QString wav = b.dir.filePath("voice.wav");
    ASSERT_TRUE(WriteFile(wav, Wav8(8000, 1000)));
    b.p.dialogs.ChooseFile(wav);
    b.p.ui().BtnFileVoice->click();
    ASSERT_TRUE(QFile::remove(wav));

    b.p.dialogs.ChooseFile(b.firmware);
    b.p.ui().btnNext->click();
    ASSERT_EQ(b.p.dialogs.messages.size(), 1);
    EXPECT_EQ(b.p.dialogs.messages[0].text, "Error reading voice ID wavefile: \n" + wav);
    EXPECT_EQ(b.p.dialogs.messages[0].caption, "Error");
    EXPECT_TRUE(b.changes.empty());
    EXPECT_TRUE(b.sim.ProgrammedPages().empty());
}

TEST(UpgradePage, CancelFromTheButtonWhileRunning)
{
    Bench b(Deliverable::Pmr);
    ASSERT_TRUE(b.started) << b.sim.Error();
    b.p.dialogs.ChooseFile(b.firmware);
    // Pressed again from the events processed during the run: first while
    // the file loads (ignored), then once the sequence runs (cancels).
    int earlyPresses = 0;
    bool cancelPressed = false;
    std::function<void()> press = [&] {
        const bool running = b.p.page.Running();
        b.p.ui().btnNext->click();
        if (running) {
            cancelPressed = true;
            return;
        }
        ++earlyPresses;
        QTimer::singleShot(0, &b.p.page, press);
    };
    QTimer::singleShot(0, &b.p.page, press);
    b.p.ui().btnNext->click();
    EXPECT_TRUE(cancelPressed);
    EXPECT_GE(earlyPresses, 1);
    EXPECT_EQ(HelpLines(b.p.page), (QStringList{"Programming 000FFF00 - 000FFFFF", "Flash update cancelled.",
                                                "Reset comms to 9600Bd"}));
    EXPECT_TRUE(b.sim.ProgrammedPages().empty());
    EXPECT_EQ(b.p.ui().btnNext->text(), "Upgrade");
    EXPECT_EQ(b.changes, (std::vector<bool>{true, false}));
    // Only the one file dialog: the second press cancelled instead of starting.
    EXPECT_EQ(b.p.dialogs.fileDialogs.size(), 1);
}

TEST(FlashIdCodeSetting, ReadFromThePortKey)
{
    struct Case {
        Deliverable d;
        const char* value; // null: not written
        FlashUpgrade::IdCode id;
    };
    const FlashUpgrade::IdCode blank = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const Case cases[] = {
        {Deliverable::Telemetry, nullptr, blank},
        {Deliverable::Telemetry, "0123456789ABCD", kId},
        {Deliverable::Pmr, "0123456789abcd", kId},
        {Deliverable::Pmr, "00000000000000", {0, 0, 0, 0, 0, 0, 0}},
        {Deliverable::Telemetry, "0123456789ABC", blank},
        {Deliverable::Telemetry, "0123456789ABCDE", blank},
        {Deliverable::Telemetry, "0123456789ABCG", blank},
        {Deliverable::Telemetry, "0x23456789ABCD", blank},
        {Deliverable::Telemetry, " 123456789ABCD", blank},
        {Deliverable::Telemetry, "", blank},
    };
    for (const Case& c : cases) {
        const QString key = c.d == Deliverable::Pmr ? "\\Zyn\\Ql4100P\\Port" : "\\Zyn\\Ql4100t\\Port";
        QFile::remove(Settings(key).FileName());
        if (c.value) {
            Settings settings(key);
            ASSERT_TRUE(settings.Open(true));
            ASSERT_TRUE(settings.WriteString("FlashIdCode", QString::fromLatin1(c.value)));
        }
        EXPECT_EQ(ReadFlashIdCode(c.d), c.id) << (c.value ? c.value : "(none)");
    }
    // Each program reads its own key.
    QFile::remove(Settings("\\Zyn\\Ql4100P\\Port").FileName());
    {
        Settings settings("\\Zyn\\Ql4100t\\Port");
        ASSERT_TRUE(settings.Open(true));
        ASSERT_TRUE(settings.WriteString("FlashIdCode", "0123456789ABCD"));
    }
    EXPECT_EQ(ReadFlashIdCode(Deliverable::Pmr), blank);
    EXPECT_EQ(ReadFlashIdCode(Deliverable::Telemetry), kId);
}

} // namespace
