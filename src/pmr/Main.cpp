#include "Main.h"

#include "link/Commsmonitor.h"
#include "link/Monitorfeed.h"
#include "link/Pktmon.h"
#include "platform/Settings.h"
#include "platform/ShippedFiles.h"
#include "platform/WindowMessages.h"
#include "pmr/Fileinfo.h"
#include "radio/Autodetect.h"
#include "radio/Com_port.h"
#include "radio/Fw_version.h"
#include "ui/About.h"
#include "ui/HelpPanel.h"
#include "ui/MainWindowParts.h"
#include "ui_Main.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSet>
#include <QTime>
#include <QTimer>

namespace pmr {

namespace {

const char* const kMemFilter = "Programming Files (*.mem)|*.mem|All Files (*.*)|*.*";
const char* const kUnknownDefaultType =
    "Unknown radio type in default mem-file.\n\nPlease ensure correct mem-file is being used for "
    "the radio type.";

// Controls whose commands this build carries; the others stay disabled
// whatever the image says, so no button is offered that does nothing.
const QSet<QString>& BuiltCommands()
{
    static const QSet<QString> built = {
        QStringLiteral("btnWriteRadio"),  QStringLiteral("mnuWriteRadio"),   QStringLiteral("btnFileSave"),
        QStringLiteral("mnuFileSave"),    QStringLiteral("btnReadRadio"),    QStringLiteral("mnuReadRadio"),
        QStringLiteral("btnFileOpen"),    QStringLiteral("mnuFileOpen"),     QStringLiteral("mnuFileExit"),
        QStringLiteral("mnuComPort"),     QStringLiteral("mnuAutoDetect"),   QStringLiteral("mnuSetDefaultFilename"),
        QStringLiteral("menuV3FeaturesEn"), QStringLiteral("mnuHelpAbout"), QStringLiteral("mnuHelpRadioSummary"),
        QStringLiteral("mnuFileInfo"),    QStringLiteral("mnuPacketMonitor"), QStringLiteral("mnuCommsMonitor"),
    };
    return built;
}

} // namespace

Tfrm4100::Tfrm4100(Dialogs& dialogs, const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), PmrImageDialogs(dialogs, this), dialogs_(dialogs), ui_(std::make_unique<Ui::Tfrm4100>())
{
    ui_->setupUi(this);

    // Construction: image (its EEbuffer comes with it), serial port, radio
    // session, transfer cancel event.
    port_ = std::make_unique<Win32Port>(Deliverable::Pmr);
    port_->SetNotifyWindow(this);
    radio_ = std::make_unique<TRadio>(Deliverable::Pmr);
    radio_->AttachPort(port_.get());
    radio_->SetNotifyWindow(this);

    status_ = new StatusPanels(ui_->StatusBar, QStringLiteral("StatusPanel1"), QStringLiteral("StatusPanel2"), this);
    statusPanel1_ = status_->Message();

    help_ = new HelpPanel(ui_->HelpText, this);
    const std::pair<QWidget*, const char*> lines[] = {
        {ui_->btnWriteRadio, "Writes the configuration data in the edit windows to the radio."},
        {ui_->btnFileSave, "Writes the configuration data in the edit windows to a file."},
        {ui_->btnReadRadio, "Reads the configuration data in the radio to the edit windows."},
        {ui_->btnFileOpen, "Reads the configuration data in a file to the edit windows."},
        {ui_->btnVerify, "Verify the configuration data in the radio matches the edit windows."},
        {ui_->btnPrintRadio, "Prints the configuration data from the edit windows."},
        {ui_->btnChannel, "Allows you to adjust the radio channel data and options."},
        {ui_->btnSelcall, "Allows you to adjust the radio Selcall options."},
        {ui_->btnOptions, "Allows you to adjust the radio options."},
        {ui_->btnButtons, "Allows you to adjust the radio user defined buttons."},
        {ui_->btnEditCodeWord, "Allows you to edit the radio code word."},
        {ui_->EditRadioHardware, "Allows you to adjusts the radio operating hardware."},
        {ui_->btnEngineering, "Engineering special options."},
    };
    for (const auto& [control, line] : lines)
        help_->SetLine(control, QString::fromUtf8(line));
    for (QWidget* control : {static_cast<QWidget*>(ui_->btnEEPROMEdit), static_cast<QWidget*>(ui_->lblRadioHWType),
                             static_cast<QWidget*>(ui_->lblFirmwareVersion)})
        help_->SetLine(control, QString());

    auto both = [this](QPushButton* button, QAction* action, void (Tfrm4100::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
        connect(action, &QAction::triggered, this, handler);
    };
    both(ui_->btnReadRadio, ui_->mnuReadRadio, &Tfrm4100::btnReadRadioClick);
    both(ui_->btnWriteRadio, ui_->mnuWriteRadio, &Tfrm4100::btnWriteRadioClick);
    both(ui_->btnFileOpen, ui_->mnuFileOpen, &Tfrm4100::btnFileOpenClick);
    both(ui_->btnFileSave, ui_->mnuFileSave, &Tfrm4100::btnFileSaveClick);
    connect(ui_->mnuSetDefaultFilename, &QAction::triggered, this, &Tfrm4100::mnuSetDefaultFilenameClick);
    connect(ui_->menuV3FeaturesEn, &QAction::triggered, this, &Tfrm4100::menuV3FeaturesEnClick);
    connect(ui_->mnuComPort, &QAction::triggered, this, &Tfrm4100::mnuComPortClick);
    connect(ui_->mnuAutoDetect, &QAction::triggered, this, &Tfrm4100::mnuAutoDetectClick);
    connect(ui_->mnuHelpRadioSummary, &QAction::triggered, this, &Tfrm4100::mnuHelpRadioSummaryClick);
    connect(ui_->mnuHelpAbout, &QAction::triggered, this, &Tfrm4100::mnuHelpAboutClick);
    connect(ui_->mnuFileInfo, &QAction::triggered, this, &Tfrm4100::mnuFileInfoClick);
    connect(ui_->mnuPacketMonitor, &QAction::triggered, this, &Tfrm4100::mnuPacketMonitorClick);
    connect(ui_->mnuCommsMonitor, &QAction::triggered, this, &Tfrm4100::mnuCommsMonitorClick);
    connect(ui_->mnuFileExit, &QAction::triggered, this, &QWidget::close);


    // The program's other windows, created once in this order and kept for
    // the whole run.
    aboutBox_ = std::make_unique<TAboutBox>(QStringLiteral("QL4100/4120/4300/4320 PMR Dealer Software"),
                                            QStringLiteral("Program Version : PR2044.3.01b"), this);
    frmPorts_ = std::make_unique<TfrmPorts>(this);
    frmFirmwareVersion_ = std::make_unique<TfrmFirmwareVersion>(Deliverable::Pmr, *radio_, this);
    frmAutoDetect_ = std::make_unique<TfrmAutoDetect>(Deliverable::Pmr, *port_, *radio_, this);
    frmProgress_ = std::make_unique<TradioRWprogress>(this);
    frmPktMonitor_ = std::make_unique<TfrmPktMonitor>(this);
    frmCommsMonitor_ = std::make_unique<TfrmCommsMonitor>(this);
    frmFileInfo_ = std::make_unique<TfrmFileInfo>(image_, this);
    transfer_ = std::make_unique<TransferImageOperation>(Deliverable::Pmr, *radio_, image_.Buffer(), transferCancel_,
                                                         *frmProgress_, this);
    programmer_ = std::make_unique<RadioProgrammer>(Deliverable::Pmr, *radio_, image_.Buffer(),
                                                    static_cast<ProgrammerFrontEnd&>(*this));

    FormCreate(arguments);
}

Tfrm4100::~Tfrm4100()
{
    // The session's receive thread reads from the port, so it ends first;
    // closing the port then ends the reader and writer threads.
    programmer_.reset();
    transfer_.reset();
    frmAutoDetect_.reset();
    frmFirmwareVersion_.reset();
    radio_.reset();
    port_.reset();
}

void Tfrm4100::FormCreate(const QStringList& arguments)
{
    setWindowTitle(QStringLiteral("ZYN QL4100/4120/4300/4320 PMR Radio Programmer PR2044.3.01b"));
    ui_->lblRadioHWType->clear();
    ui_->lblFirmwareVersion->clear();
    ui_->lblFreqBand->setVisible(false);

    // Present in the program, never offered to the user.
    ui_->mnuEngineering->setVisible(false);
    ui_->btnEngineering->setVisible(false);
    ui_->btnEEPROMEdit->setVisible(false);
    ui_->mnuPacketMonitor->setVisible(false);
    ui_->mnuCommsMonitor->setVisible(false);
    ui_->btnVerify->setVisible(false);
    if (!arguments.isEmpty() && arguments.first().toLower() == QStringLiteral("/pmon"))
        ui_->mnuPacketMonitor->setVisible(true);
    ApplyCommandStates();
}

QString Tfrm4100::StatusText(int panel) const
{
    return panel == 1 ? status_->Message()->text() : status_->Clock()->text();
}

QString Tfrm4100::HelpLine() const
{
    return help_->Text();
}

void Tfrm4100::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    QMetaObject::invokeMethod(this, &Tfrm4100::FormShow, Qt::QueuedConnection);
}

void Tfrm4100::ReadSettings()
{
    Settings port(QString::fromLatin1(kPortKey));
    if (port.Open(true)) {
        if (!port.ReadInt(QStringLiteral("ComPort"), portNumber_))
            portNumber_ = 1;
        // Only the four rates of the hardware window are taken.
        if (!port.ReadInt(QStringLiteral("maxBdRate"), maxBaudRate_) ||
            (maxBaudRate_ != 9600 && maxBaudRate_ != 19200 && maxBaudRate_ != 38400 && maxBaudRate_ != 57600))
            maxBaudRate_ = 9600;
        if (!port.ReadInt(QStringLiteral("FlashVerify"), flashVerify_))
            flashVerify_ = 0;
    }
    if (portNumber_ < 1 || portNumber_ > 256)
        portNumber_ = 1;

    Settings files(QString::fromLatin1(kFilesKey));
    if (files.Open(true)) {
        if (!files.ReadString(QStringLiteral("DefaultFile"), defaultFile_))
            defaultFile_ = QString::fromLatin1(kDefaultFileName);
        QString current;
        if (files.ReadString(QStringLiteral("CurrentFile"), current))
            image_.SetCurrentFile(current);
    }
    if (defaultFile_.isEmpty())
        defaultFile_ = QString::fromLatin1(kDefaultFileName);
}

void Tfrm4100::FormShow()
{
    if (firstActivation_) {
        firstActivation_ = false;
        statusPanel1_->clear();
        ui_->lblRadioHWType->clear();
        ui_->lblFirmwareVersion->clear();
        ReadSettings();
        SetImageCommandsEnabled(false);

        if (image_.Load(ResolveShippedFile(defaultFile_), *this)) {
            if (IsPmrImage())
                SetImageCommandsEnabled(true);
            else
                ShowMessage(QString::fromUtf8(kUnknownDefaultType), QStringLiteral("Read file"), Dialogs::Buttons::Ok,
                            Dialogs::Icon::Warning);
        } else {
            ShowMessage(QStringLiteral("Default file ") + defaultFile_ + QStringLiteral(" does not exist."),
                        QStringLiteral("No default file"), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        }

        if (!port_->Open(QStringLiteral("COM%1").arg(portNumber_)))
            ShowMessage(QStringLiteral("There is a problem opening the Com port."), QStringLiteral("No port."),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    RefreshModel();
}

void Tfrm4100::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void Tfrm4100::FormClose()
{
    {
        Settings port(QString::fromLatin1(kPortKey));
        // A failed write stops the rest of this key; closing never asks anything.
        if (port.Open(true))
            port.WriteInt(QStringLiteral("ComPort"), portNumber_) &&
                port.WriteInt(QStringLiteral("maxBdRate"), maxBaudRate_) &&
                port.WriteInt(QStringLiteral("FlashVerify"), flashVerify_);
    }
    Settings files(QString::fromLatin1(kFilesKey));
    if (files.Open(true))
        files.WriteString(QStringLiteral("DefaultFile"), defaultFile_);
}

void Tfrm4100::customEvent(QEvent* event)
{
    auto* message = static_cast<WindowMessageEvent*>(event);
    switch (static_cast<int>(event->type())) {
    case WindowMessage::TransferProgress:
        // Follow-up of a transfer is left to the command that ran it.
        transfer_->HandleMessage(*message);
        break;
    case WindowMessage::PacketReceived:
        FeedReceivedFrame(*radio_, *frmPktMonitor_, *message);
        break;
    case WindowMessage::PacketSent:
        FeedSentFrame(*radio_, *frmPktMonitor_, message->WParam());
        break;
    case WindowMessage::BytesReceived:
        FeedCommsMonitor(*port_, *frmCommsMonitor_);
        break;
    default:
        QMainWindow::customEvent(event);
        break;
    }
}

void Tfrm4100::Timer1Timer()
{
    status_->Tick();
}

bool Tfrm4100::ShowMessage(const QString& text, const QString& caption, Dialogs::Buttons buttons, Dialogs::Icon icon)
{
    const Dialogs::Answer a = dialogs_.Message(this, text, caption, buttons, icon);
    return a == Dialogs::Answer::Ok || a == Dialogs::Answer::Yes;
}

bool Tfrm4100::IsPmrImage() const
{
    return image_.Buffer().GetByte(RadioIdent::kRadioTypeAddress) == RadioIdent::kTypePmr;
}

void Tfrm4100::SetImageCommandsEnabled(bool enabled)
{
    imageCommandsEnabled_ = enabled;
    ApplyCommandStates();
}

void Tfrm4100::ApplyCommandStates()
{
    auto apply = [](QObject* control, bool wanted) { SetCommandEnabled(control, wanted, BuiltCommands()); };
    for (QObject* c : std::initializer_list<QObject*>{
             ui_->btnWriteRadio, ui_->mnuWriteRadio, ui_->btnVerify, ui_->mnuVerify, ui_->btnChannel,
             ui_->mnuChannel, ui_->btnSelcall, ui_->mnuSelcall, ui_->btnOptions, ui_->mnuOptions, ui_->btnButtons,
             ui_->mnuButtons, ui_->btnEditCodeWord, ui_->mnuEditCodeWord, ui_->EditRadioHardware,
             ui_->mnuRadioHardware, ui_->btnPrintRadio, ui_->mnuPrintRadio})
        apply(c, imageCommandsEnabled_);
    for (QObject* c : std::initializer_list<QObject*>{
             ui_->btnReadRadio, ui_->mnuReadRadio, ui_->btnFileOpen, ui_->mnuFileOpen, ui_->btnFileSave,
             ui_->mnuFileSave, ui_->mnuFileExit, ui_->mnuComPort, ui_->mnuAutoDetect, ui_->mnuSetDefaultFilename,
             ui_->menuV3FeaturesEn, ui_->mnuHelpAbout, ui_->mnuHelpRadioSummary, ui_->mnuFileInfo})
        apply(c, true);
}

void Tfrm4100::SetBandLabel()
{
    ui_->lblFreqBand->setText(vhfChassis_ == 0 ? QStringLiteral("UHF")
                                               : vhfChassis_ == 1 ? QStringLiteral("VHF") : QStringLiteral("???"));
}

void Tfrm4100::RefreshModel()
{
    model_ = DecodeHardware(Deliverable::Pmr, image_.Buffer().GetByte(RadioIdent::kHardwareAddress));
    vhfChassis_ = IsVhf(model_) ? 1 : 0;
    ui_->lblRadioHWType->setText(model_.text);
    SetBandLabel();
}

bool Tfrm4100::TransferImage(bool write, int first, int last)
{
    return transfer_->Run(write, first, last);
}

// --- Reading and writing the radio ---

void Tfrm4100::btnReadRadioClick()
{
    if (!ShowMessage(QStringLiteral("All current edit data will be lost"), QStringLiteral("Read from Radio?"),
                     Dialogs::Buttons::OkCancel, Dialogs::Icon::Question))
        return;
    ui_->lblRadioHWType->clear();
    ui_->lblFirmwareVersion->clear();
    radioIdentity_.clear();

    RadioInfo info;
    const RadioProgrammer::ReadResult result = programmer_->ReadFromRadio(info);
    using R = RadioProgrammer::ReadResult;
    const QString unable = QString::fromUtf8(ProgrammerText::kUnableToRead);
    switch (result) {
    case R::NoRadio:
        ShowMessage(unable, QStringLiteral("Error"), Dialogs::Buttons::Ok, Dialogs::Icon::None);
        return;
    case R::ProgModeFailed:
        ShowMessage(unable, QStringLiteral("Error setting radio to prog mode"), Dialogs::Buttons::Ok,
                    Dialogs::Icon::None);
        return;
    case R::TypeReadFailed:
        ShowMessage(unable, QStringLiteral("Error reading radio type"), Dialogs::Buttons::Ok, Dialogs::Icon::None);
        return;
    case R::ReviveFailed:
        ShowMessage(QString::fromUtf8(ProgrammerText::kReviveFailed), QStringLiteral("Reviving radio"), Dialogs::Buttons::Ok,
                    Dialogs::Icon::None);
        return;
    case R::RevivedReadFailed:
        ShowMessage(QString::fromUtf8(ProgrammerText::kRevivedReadFailed), QStringLiteral("Error reading radio type"),
                    Dialogs::Buttons::Ok, Dialogs::Icon::None);
        return;
    case R::Declined:
    case R::WrongRadioType:
        return;
    case R::Loaded:
        SetImageCommandsEnabled(true);
        statusPanel1_->setText(QStringLiteral("Radio config loaded"));
        break;
    case R::TransferFailed:
        break;
    }
    RefreshModel();
}

void Tfrm4100::btnWriteRadioClick()
{
    if (!ShowMessage(QStringLiteral("All current radio data will be lost"), QStringLiteral("Write to radio?"),
                     Dialogs::Buttons::OkCancel, Dialogs::Icon::Question))
        return;
    ui_->lblRadioHWType->clear();
    RadioInfo info;
    const RadioProgrammer::WriteResult result = programmer_->WriteToRadio(info);
    if (result == RadioProgrammer::WriteResult::NoRadio) {
        ShowMessage(QString::fromUtf8(ProgrammerText::kUnableToWrite), QStringLiteral("Error"), Dialogs::Buttons::Ok,
                    Dialogs::Icon::None);
        return;
    }
    if (info.hardware >= 0)
        model_ = info.model;
}

bool Tfrm4100::ConfirmFirmwareMismatch(const QString& ident, int imageRadioType, int imageRepeaterFlags)
{
    return ::ConfirmFirmwareMismatch(dialogs_, this, ident, imageRadioType, imageRepeaterFlags);
}

void Tfrm4100::RadioIdentified(const RadioInfo& info)
{
    radioIdentity_ = info.ident;
    ui_->lblFirmwareVersion->setText(info.ident);
    if (info.radioType < 0)
        return; // a write shows only the identity
    ui_->lblRadioHWType->setText(info.model.text);
    statusPanel1_->clear();
}

bool Tfrm4100::ConfirmReviveStunned()
{
    return ShowMessage(QString::fromUtf8(ProgrammerText::kReviveStunned),
                       QStringLiteral("Stunned radio"), Dialogs::Buttons::YesNo, Dialogs::Icon::Warning);
}

bool Tfrm4100::ConfirmNotPmr()
{
    return ShowMessage(QString::fromUtf8(ProgrammerText::kNotPmr), QStringLiteral("Wrong radio type"),
                       Dialogs::Buttons::OkCancel, Dialogs::Icon::Warning);
}

bool Tfrm4100::ConfirmLayoutLoss(LayoutLoss loss)
{
    return ShowMessage(LayoutLossText(loss), QStringLiteral("Write radio"), Dialogs::Buttons::OkCancel,
                       Dialogs::Icon::None);
}

void Tfrm4100::SetExtendedLayout(bool extended)
{
    image_.SetV3Features(extended, *this);
}

void Tfrm4100::ShowStatus(const QString& text)
{
    statusPanel1_->setText(text);
}

void Tfrm4100::ClearRadioLabels()
{
    ui_->lblRadioHWType->clear();
    ui_->lblFirmwareVersion->clear();
}

void Tfrm4100::ShowLayout(bool extended)
{
    ui_->menuV3FeaturesEn->setChecked(extended);
}

// --- Files ---

Dialogs::FileRequest Tfrm4100::OpenRequest(const QString& title, const QString& initialPath) const
{
    Dialogs::FileRequest r;
    r.title = title;
    r.filter = QString::fromLatin1(kMemFilter);
    r.defaultExtension = QStringLiteral("*.mem");
    r.initialPath = initialPath;
    r.mustExist = true;
    return r;
}

void Tfrm4100::btnFileOpenClick()
{
    if (!ShowMessage(QStringLiteral("All current data will be lost."), QStringLiteral("Read from file?"),
                     Dialogs::Buttons::OkCancel, Dialogs::Icon::Question))
        return;
    const QString name =
        dialogs_.OpenFile(this, OpenRequest(QStringLiteral("Open Programming File..."), image_.CurrentFile()));
    if (name.isEmpty())
        return;
    if (!image_.Load(name, *this)) {
        SetImageCommandsEnabled(false);
        ShowReadError();
        return;
    }
    statusPanel1_->setText(QStringLiteral("File loaded: ") + name);
    if (!IsPmrImage()) {
        SetImageCommandsEnabled(false);
        if (!ShowMessage(QStringLiteral("Unknown radio type in mem-file.\n\nPlease ensure correct mem-file is being "
                                        "used for the radio type.\nContinue anyway?"),
                         QStringLiteral("Read file"), Dialogs::Buttons::OkCancel, Dialogs::Icon::Warning))
            return;
        image_.Buffer().SetByte(RadioIdent::kRadioTypeAddress, RadioIdent::kTypePmr);
    }
    SetImageCommandsEnabled(true);
    RefreshModel();
}

void Tfrm4100::btnFileSaveClick()
{
    Dialogs::FileRequest r;
    r.title = QStringLiteral("Save Programming File...");
    r.filter = QStringLiteral("Programming Files (*.mem)|*.mem|All Files (*.*)|*.* ");
    r.defaultExtension = QStringLiteral("*.mem");
    r.confirmOverwrite = true;
    const QString name = dialogs_.SaveFile(this, r);
    if (!name.isEmpty())
        image_.Save(name, *this);
}

void Tfrm4100::mnuSetDefaultFilenameClick()
{
    const QString name = dialogs_.OpenFile(this, OpenRequest(QStringLiteral("Set Default Filename."), defaultFile_));
    if (name.isEmpty())
        return;
    defaultFile_ = name;
    {
        Settings files(QString::fromLatin1(kFilesKey));
        if (files.Open(true))
            files.WriteString(QStringLiteral("DefaultFile"), defaultFile_);
    }
    if (!ShowMessage(QStringLiteral("Load file  ") + name + QStringLiteral("?\n") +
                         QStringLiteral("All current data will be lost."),
                     QStringLiteral("Load Default File."), Dialogs::Buttons::OkCancel, Dialogs::Icon::Question))
        return;
    if (image_.Load(name, *this)) {
        if (IsPmrImage()) {
            SetImageCommandsEnabled(true);
        } else {
            SetImageCommandsEnabled(false);
            ShowMessage(QString::fromUtf8(kUnknownDefaultType), QStringLiteral("Read file"), Dialogs::Buttons::Ok,
                        Dialogs::Icon::Warning);
        }
        RefreshModel();
    } else {
        SetImageCommandsEnabled(false);
        ShowReadError();
    }
}

void Tfrm4100::menuV3FeaturesEnClick()
{
    image_.SwitchLayout(*this);
}

// --- Setup and help ---

void Tfrm4100::mnuComPortClick()
{
    bool opened = false;
    if (ChooseComPort(*frmPorts_, *port_, portNumber_, opened) && !opened)
        ShowMessage(QStringLiteral("There is a problem opening the Com port."), QStringLiteral("No port."),
                    Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void Tfrm4100::mnuAutoDetectClick()
{
    AutoDetectPort(*frmAutoDetect_, portNumber_);
}

void Tfrm4100::mnuHelpRadioSummaryClick()
{
    frmFirmwareVersion_->exec();
    model_ = frmFirmwareVersion_->CopyModel();
    ui_->lblRadioHWType->setText(model_.text);
    radioIdentity_ = frmFirmwareVersion_->CopyIdent();
    ui_->lblFirmwareVersion->setText(radioIdentity_);
    programmer_->RepairAddress20();
}

void Tfrm4100::mnuHelpAboutClick()
{
    aboutBox_->exec();
}

void Tfrm4100::mnuFileInfoClick()
{
    frmFileInfo_->exec();
}

void Tfrm4100::mnuPacketMonitorClick()
{
    frmPktMonitor_->show();
}

void Tfrm4100::mnuCommsMonitorClick()
{
    frmCommsMonitor_->show();
}

} // namespace pmr
