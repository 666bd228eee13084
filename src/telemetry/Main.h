#pragma once

#include "link/Win32port.h"
#include "platform/Event.h"
#include "radio/Programmer.h"
#include "radio/Radio.h"
#include "radio/Radio_rw.h"
#include "radio/Radiotype.h"
#include "telemetry/Eeprom.h"
#include "ui/Dialogs.h"

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

class HelpPanel;
class QLabel;
class QTimer;
class StatusPanels;
class TAboutBox;
class TfrmAutoDetect;
class TfrmCommsMonitor;
class TfrmPktMonitor;
class TfrmFirmwareVersion;
class TfrmPorts;

namespace Ui {
class Tfrm4100;
}

// Main window of ql4100. It owns, for the whole run, the 2048-byte
// configuration image with its EEPROM accessor, the serial port, the radio
// session bound to it, and the transfer cancel event; every other window
// reaches them through it.
class Tfrm4100 : public QMainWindow, private ProgrammerFrontEnd {
    Q_OBJECT
public:
    static constexpr const char* kSettingsKey = "\\Zyn\\Ql4100t\\Port";
    static constexpr const char* kDefaultFileName = "def41t.mem";

    explicit Tfrm4100(Dialogs& dialogs, QWidget* parent = nullptr);
    ~Tfrm4100() override;

    EEPROM& Image() { return eeprom_; }
    Win32Port& Port() { return *port_; }
    TRadio& Radio() { return *radio_; }
    Event& TransferCancelEvent() { return transferCancel_; }
    Dialogs& GetDialogs() { return dialogs_; }

    int PortNumber() const { return portNumber_; }
    int MaxBaudRate() const { return maxBaudRate_; }
    int FlashVerify() const { return flashVerify_; }
    QString DefaultFile() const { return defaultFile_; }
    bool FirstActivationPending() const { return firstActivation_; }
    bool VhfFlag() const { return vhf_; }
    const ModelRecord& CurrentModel() const { return model_; }

    // State of the command groups as the image decides it. A control whose
    // action is not part of this build stays disabled whatever the group says.
    bool ImageCommandsEnabled() const { return imageCommandsEnabled_; }
    enum class EditorPair { None, Telemetry, Repeater, Data };
    EditorPair EnabledEditorPair() const { return editorPair_; }

    QString StatusText(int panel) const;
    QString HelpLine() const;
    Ui::Tfrm4100& Form() { return *ui_; }

    // Loads a programming file into the image; shows "File loaded: " + name,
    // or "There is a problem reading the file" when reading fails.
    bool LoadImageFile(const QString& fileName);
    // Saves the image to a programming file; a failed save keeps the old
    // file and shows "There is a problem writing the file".
    bool SaveImageFile(const QString& fileName);

    // Reads [first, last] of the radio into the image, or writes it, behind
    // the modal progress window; true only when every block went through.
    bool TransferImage(bool write, int first, int last) override;
    TfrmReadWrite& ReadWriteWindow() { return *frmReadWrite_; }
    TfrmPorts& PortsWindow() { return *frmPorts_; }
    TfrmAutoDetect& AutoDetectWindow() { return *frmAutoDetect_; }
    TfrmFirmwareVersion& FirmwareVersionWindow() { return *frmFirmwareVersion_; }
    TAboutBox& AboutBox() { return *aboutBox_; }
    TfrmPktMonitor& PacketMonitor() { return *frmPktMonitor_; }
    TfrmCommsMonitor& CommsMonitor() { return *frmCommsMonitor_; }
    QString RadioIdentity() const { return radioIdentity_; }
    // Copy of the last configuration read from a radio, or empty.
    QString LastBackup() const { return programmer_->LastBackup(); }

    // First activation: erase the image, read the settings, open the port,
    // load the default file. Runs once; later calls do nothing.
    void FormShow();

    // Radio-type label and editor buttons from image addresses 50 and 78.
    void RefreshRadioType();
    // Model record, VHF flag and hardware label from image address 40.
    void RefreshModel();
    void SetImageCommandsEnabled(bool enabled);

public slots:
    void btnReadRadioClick();
    void btnWriteRadioClick();
    void btnFileOpenClick();
    void btnFileSaveClick();
    void mnuDefaultFileClick();
    void mnuAdvancedClick();
    void mnuComPortClick();
    void mnuAutoDetectClick();
    void mnuFirmwareClick();
    void mnuHelpAboutClick();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    // How the read and write sequences ask their questions here.
    bool ConfirmFirmwareMismatch(const QString& ident, int imageRadioType, int imageRepeaterFlags) override;
    void RadioIdentified(const RadioInfo& info) override;

    void FormCreate();
    void FormClose();
    void ApplyCommandStates();
    void ReadSettings();
    static Dialogs::FileRequest OpenRequest(const QString& title, const QString& initialPath);
    bool IsImageAccepted() const;
    // After a default file has loaded: accept its image, or say that its
    // radio type is not one of this program's and keep the commands off.
    void AcceptDefaultImage();
    static QString DefaultFileMissingText(const QString& fileName);

    Dialogs& dialogs_;
    std::unique_ptr<Ui::Tfrm4100> ui_;
    StatusPanels* status_ = nullptr;
    QLabel* statusPanel0_ = nullptr; // messages
    HelpPanel* help_ = nullptr;

    bool firstActivation_ = true;
    bool vhf_ = false;
    ModelRecord model_;
    std::array<uint8_t, EEPROM::kImageSize> imageBuffer_{};
    EEPROM eeprom_;
    int portNumber_ = 0;
    int maxBaudRate_ = 0;
    int flashVerify_ = 0;
    QString defaultFile_;
    QString lastOpenedFile_;
    QString radioIdentity_;

    bool imageCommandsEnabled_ = false;
    EditorPair editorPair_ = EditorPair::None;

    std::unique_ptr<Win32Port> port_;
    std::unique_ptr<TRadio> radio_;
    Event transferCancel_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<TfrmPorts> frmPorts_;
    std::unique_ptr<TfrmReadWrite> frmReadWrite_;
    std::unique_ptr<TfrmPktMonitor> frmPktMonitor_;
    std::unique_ptr<TfrmFirmwareVersion> frmFirmwareVersion_;
    std::unique_ptr<TfrmCommsMonitor> frmCommsMonitor_;
    std::unique_ptr<TfrmAutoDetect> frmAutoDetect_;
    std::unique_ptr<TransferImageOperation> transfer_;
    std::unique_ptr<RadioProgrammer> programmer_;
};
