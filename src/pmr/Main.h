#pragma once

#include "link/Win32port.h"
#include "platform/Event.h"
#include "pmr/Eeprom.h"
#include "pmr/ImageDialogs.h"
#include "radio/Programmer.h"
#include "radio/Radio.h"
#include "radio/Radiorw.h"
#include "radio/Radiotype.h"
#include "ui/Dialogs.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

class HelpPanel;
class QLabel;
class QTimer;
class StatusPanels;
class TAboutBox;
class TfrmAutoDetect;
class TfrmCommsMonitor;
class TfrmPktMonitor;
class TfrmFileInfo;
class TfrmFirmwareVersion;
class TfrmPorts;

namespace Ui {
class Tfrm4100;
}

namespace pmr {

// Main window of ql4100p. It owns, for the whole run, the 8192-byte PMR
// image with its layout flag and file state, the serial port, the radio
// session bound to it, and the transfer cancel event.
class Tfrm4100 : public QMainWindow, private ProgrammerFrontEnd, private PmrImageDialogs {
    Q_OBJECT
public:
    static constexpr const char* kPortKey = "\\Zyn\\Ql4100P\\Port";
    static constexpr const char* kFilesKey = "\\Zyn\\Ql4100P\\Files";
    static constexpr const char* kDefaultFileName = "def41p.mem";

    // arguments: the program's command-line arguments after its name.
    Tfrm4100(Dialogs& dialogs, const QStringList& arguments, QWidget* parent = nullptr);
    ~Tfrm4100() override;

    PmrImage& Image() { return image_; }
    EEbuffer& Buffer() { return image_.Buffer(); }
    Win32Port& Port() { return *port_; }
    TRadio& Radio() { return *radio_; }
    Event& TransferCancelEvent() { return transferCancel_; }
    Ui::Tfrm4100& Form() { return *ui_; }

    int PortNumber() const { return portNumber_; }
    int MaxBaudRate() const { return maxBaudRate_; }
    int FlashVerify() const { return flashVerify_; }
    QString DefaultFile() const { return defaultFile_; }
    int FirmwareMajor() const { return programmer_->FirmwareMajor(); }
    int FirmwareMinor() const { return programmer_->FirmwareMinor(); }
    bool FirstActivationPending() const { return firstActivation_; }
    int VhfChassis() const { return vhfChassis_; }
    const ModelRecord& CurrentModel() const { return model_; }
    bool ImageCommandsEnabled() const { return imageCommandsEnabled_; }
    QString StatusText(int panel) const;
    QString HelpLine() const;
    QString RadioIdentity() const { return radioIdentity_; }
    QString LastBackup() const { return programmer_->LastBackup(); }

    TradioRWprogress& ProgressWindow() { return *frmProgress_; }
    TfrmPorts& PortsWindow() { return *frmPorts_; }
    TfrmAutoDetect& AutoDetectWindow() { return *frmAutoDetect_; }
    TfrmFirmwareVersion& FirmwareVersionWindow() { return *frmFirmwareVersion_; }
    TfrmFileInfo& FileInfoWindow() { return *frmFileInfo_; }
    TAboutBox& AboutBox() { return *aboutBox_; }
    TfrmPktMonitor& PacketMonitor() { return *frmPktMonitor_; }
    TfrmCommsMonitor& CommsMonitor() { return *frmCommsMonitor_; }

    // Reads [first, last] of the radio into the image, or writes it, behind
    // the modal progress window; true only when every block went through.
    bool TransferImage(bool write, int first, int last) override;

    // Activation: the first one erases nothing (the image starts at 0x00),
    // reads the settings, loads the default file and opens the port; every
    // activation refreshes the model from image address 40.
    void FormShow();
    void SetImageCommandsEnabled(bool enabled);
    // Model record, VHF-chassis flag, hardware and band labels from image
    // address 40.
    void RefreshModel();

public slots:
    void btnReadRadioClick();
    void btnWriteRadioClick();
    void btnFileOpenClick();
    void btnFileSaveClick();
    void mnuSetDefaultFilenameClick();
    void menuV3FeaturesEnClick();
    void mnuComPortClick();
    void mnuAutoDetectClick();
    void mnuHelpRadioSummaryClick();
    void mnuHelpAboutClick();
    void mnuFileInfoClick();
    void mnuPacketMonitorClick();
    void mnuCommsMonitorClick();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    // The read and write sequences' questions.
    bool ConfirmFirmwareMismatch(const QString& ident, int imageRadioType, int imageRepeaterFlags) override;
    void RadioIdentified(const RadioInfo& info) override;
    bool ConfirmReviveStunned() override;
    bool ConfirmNotPmr() override;
    bool ConfirmLayoutLoss(LayoutLoss loss) override;
    bool ExtendedLayout() const override { return image_.V3Features(); }
    void SetExtendedLayout(bool extended) override;
    // The image operations' status, labels and check mark.
    void ShowStatus(const QString& text) override;
    void ClearRadioLabels() override;
    void ShowLayout(bool extended) override;

    void FormCreate(const QStringList& arguments);
    void FormClose();
    void ReadSettings();
    void ApplyCommandStates();
    void SetBandLabel();
    bool IsPmrImage() const;
    bool ShowMessage(const QString& text, const QString& caption, Dialogs::Buttons buttons, Dialogs::Icon icon);
    Dialogs::FileRequest OpenRequest(const QString& title, const QString& initialPath) const;

    Dialogs& dialogs_;
    std::unique_ptr<Ui::Tfrm4100> ui_;
    StatusPanels* status_ = nullptr;
    QLabel* statusPanel1_ = nullptr; // messages
    HelpPanel* help_ = nullptr;

    bool firstActivation_ = true;
    PmrImage image_;
    int portNumber_ = 1;
    int maxBaudRate_ = 9600;
    int flashVerify_ = 0;
    QString defaultFile_;
    QString radioIdentity_;
    int vhfChassis_ = 0;
    ModelRecord model_;
    bool imageCommandsEnabled_ = false;

    std::unique_ptr<Win32Port> port_;
    std::unique_ptr<TRadio> radio_;
    Event transferCancel_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<TfrmPorts> frmPorts_;
    std::unique_ptr<TfrmFirmwareVersion> frmFirmwareVersion_;
    std::unique_ptr<TfrmAutoDetect> frmAutoDetect_;
    std::unique_ptr<TradioRWprogress> frmProgress_;
    std::unique_ptr<TfrmPktMonitor> frmPktMonitor_;
    std::unique_ptr<TfrmCommsMonitor> frmCommsMonitor_;
    std::unique_ptr<TfrmFileInfo> frmFileInfo_;
    std::unique_ptr<TransferImageOperation> transfer_;
    std::unique_ptr<RadioProgrammer> programmer_;
};

} // namespace pmr
