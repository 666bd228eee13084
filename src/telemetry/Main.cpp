#include "Main.h"

#include "ui/About.h"
#include "link/Commsmonitor.h"
#include "link/Monitorfeed.h"
#include "link/Pktmon.h"
#include "platform/Settings.h"
#include "platform/ShippedFiles.h"
#include "radio/Autodetect.h"
#include "radio/Com_port.h"
#include "radio/Fw_version.h"
#include "platform/WindowMessages.h"
#include "ui/HelpPanel.h"
#include "ui/MainWindowParts.h"
#include "ui_Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSet>
#include <QTime>
#include <QTimer>

namespace {

const char* const kMemFilter = "Programming Files (*.mem)|*.mem|All Files (*.*)|*.*";

const char* const kUnknownDefaultType =
    "Unknown radio type in default mem-file.\n\nPlease ensure correct mem-file is being used for "
    "the radio type.";

// Controls whose commands this build carries. The others stay disabled
// whatever the image says, so no button is offered that does nothing.
const QSet<QString>& BuiltCommands()
{
    static const QSet<QString> built = {
        QStringLiteral("btnFileOpen"),    QStringLiteral("mnuReadfromFile"),
        QStringLiteral("btnFileSave"),    QStringLiteral("mnuWritetoFile"),
        QStringLiteral("mnuDefaultFile"), QStringLiteral("mnuAdvanced"),
        QStringLiteral("mnuExit"),        QStringLiteral("btnReadRadio"),
        QStringLiteral("mnuReadfromRadio"), QStringLiteral("btnWriteRadio"),
        QStringLiteral("mnuWritetoRadio"), QStringLiteral("mnuComPort"),
        QStringLiteral("mnuAutoDetect"),  QStringLiteral("mnuFirmware"),
        QStringLiteral("mnuHelpAbout"),
    };
    return built;
}

} // namespace

Tfrm4100::Tfrm4100(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), ui_(std::make_unique<Ui::Tfrm4100>())
{
    ui_->setupUi(this);

    // Construction: image buffer, serial port, radio session, transfer
    // cancel event.
    firstActivation_ = true;
    eeprom_.Attach(imageBuffer_.data(), EEPROM::kImageSize);
    port_ = std::make_unique<Win32Port>(Deliverable::Telemetry);
    port_->SetNotifyWindow(this);
    radio_ = std::make_unique<TRadio>(Deliverable::Telemetry);
    radio_->AttachPort(port_.get());
    radio_->SetNotifyWindow(this);

    status_ = new StatusPanels(ui_->StatusBar, QStringLiteral("StatusPanel0"), QStringLiteral("StatusPanel1"), this);
    statusPanel0_ = status_->Message();

    help_ = new HelpPanel(ui_->HelpText, this);
    ui_->HelpText->setPlainText(QStringLiteral("Help messages..."));
    const std::pair<QWidget*, const char*> lines[] = {
        {ui_->btnWriteRadio, "Writes the configuration data in the edit windows to the radio."},
        {ui_->btnFileSave, "Writes the configuration data in the edit windows to a file."},
        {ui_->btnReadRadio, "Reads the configuration data in the radio to the edit windows."},
        {ui_->btnFileOpen, "Reads the configuration data in a file to the edit windows."},
        {ui_->btnPrintRadio, "Prints the configuration data from the edit windows."},
        {ui_->btnChannelData, "Allows you to adjust the radio channel data and options."},
        {ui_->EditRadioHardware, "Allows you to adjust the radio operating hardware."},
        {ui_->btnEngineering, "Engineering special options."},
        {ui_->btnTelemetryEdit, "Allows you to adjust the Telemetry operating parameters"},
        {ui_->btnDataEdit, "Allows you to adjust the Data operating parameters"},
        {ui_->btnRepeaterEdit, "Allows you to adjust the Repeater operating parameters"},
    };
    for (const auto& [control, line] : lines)
        help_->SetLine(control, QString::fromUtf8(line));
    for (QWidget* control : {static_cast<QWidget*>(ui_->btnEEPROM), static_cast<QWidget*>(ui_->lblFirmwareVersion),
                             static_cast<QWidget*>(ui_->lblRadioChassisType), static_cast<QWidget*>(ui_->lblRadioType)})
        help_->SetLine(control, QString());

    connect(ui_->btnReadRadio, &QPushButton::clicked, this, &Tfrm4100::btnReadRadioClick);
    connect(ui_->mnuReadfromRadio, &QAction::triggered, this, &Tfrm4100::btnReadRadioClick);
    connect(ui_->btnWriteRadio, &QPushButton::clicked, this, &Tfrm4100::btnWriteRadioClick);
    connect(ui_->mnuWritetoRadio, &QAction::triggered, this, &Tfrm4100::btnWriteRadioClick);
    connect(ui_->mnuComPort, &QAction::triggered, this, &Tfrm4100::mnuComPortClick);
    connect(ui_->mnuAutoDetect, &QAction::triggered, this, &Tfrm4100::mnuAutoDetectClick);
    connect(ui_->mnuFirmware, &QAction::triggered, this, &Tfrm4100::mnuFirmwareClick);
    connect(ui_->mnuHelpAbout, &QAction::triggered, this, &Tfrm4100::mnuHelpAboutClick);
    connect(ui_->btnFileOpen, &QPushButton::clicked, this, &Tfrm4100::btnFileOpenClick);
    connect(ui_->mnuReadfromFile, &QAction::triggered, this, &Tfrm4100::btnFileOpenClick);
    connect(ui_->btnFileSave, &QPushButton::clicked, this, &Tfrm4100::btnFileSaveClick);
    connect(ui_->mnuWritetoFile, &QAction::triggered, this, &Tfrm4100::btnFileSaveClick);
    connect(ui_->mnuDefaultFile, &QAction::triggered, this, &Tfrm4100::mnuDefaultFileClick);
    connect(ui_->mnuExit, &QAction::triggered, this, &QWidget::close);
    // Hidden commands; their handlers stay in place.
    connect(ui_->mnuPacketMonitor, &QAction::triggered, this, [this] { frmPktMonitor_->show(); });
    connect(ui_->mnuCommsMonitor, &QAction::triggered, this, [this] { frmCommsMonitor_->show(); });


    // The program's other windows, created once in this order and kept for
    // the whole run.
    aboutBox_ = std::make_unique<TAboutBox>(QStringLiteral("QL4100/4300T Radio Programmer"),
                                            QStringLiteral("Program Version : PR2041.3.18"), this);
    frmPorts_ = std::make_unique<TfrmPorts>(this);
    frmReadWrite_ = std::make_unique<TfrmReadWrite>(this);
    frmPktMonitor_ = std::make_unique<TfrmPktMonitor>(this);
    frmFirmwareVersion_ = std::make_unique<TfrmFirmwareVersion>(Deliverable::Telemetry, *radio_, this);
    frmCommsMonitor_ = std::make_unique<TfrmCommsMonitor>(this);
    frmAutoDetect_ = std::make_unique<TfrmAutoDetect>(Deliverable::Telemetry, *port_, *radio_, this);
    transfer_ = std::make_unique<TransferImageOperation>(Deliverable::Telemetry, *radio_, eeprom_, transferCancel_,
                                                         *frmReadWrite_, this);
    programmer_ = std::make_unique<RadioProgrammer>(Deliverable::Telemetry, *radio_, eeprom_,
                                                    static_cast<ProgrammerFrontEnd&>(*this));

    FormCreate();
}

Tfrm4100::~Tfrm4100()
{
    // The session's receive thread reads from the port, so it ends first;
    // closing the port then ends the reader and writer threads, before
    // anything they post to goes away.
    programmer_.reset();
    transfer_.reset();
    frmAutoDetect_.reset();
    frmFirmwareVersion_.reset();
    radio_.reset();
    port_.reset();
}

void Tfrm4100::FormCreate()
{
    setWindowTitle(QStringLiteral("ZYN QL4100/4300T Radio Programmer PR2041.3.18"));
    ui_->lblFirmwareVersion->clear();
    ui_->lblRadioChassisType->clear();
    ui_->lblRadioType->clear();
    defaultFile_.clear();

    // Present in the program, never offered to the user.
    ui_->mnuEngineering->setVisible(false);
    ui_->btnEngineering->setVisible(false);
    ui_->btnEEPROM->setVisible(false);
    ui_->mnuPacketMonitor->setVisible(false);
    ui_->mnuCommsMonitor->setVisible(false);
    ui_->btnPrintRadio->setVisible(false);
    ui_->mnuVerifyRadio->setVisible(false);
    ui_->mnuPrintRadio->setVisible(false);

    ApplyCommandStates();
}

QString Tfrm4100::StatusText(int panel) const
{
    return panel == 0 ? status_->Message()->text() : status_->Clock()->text();
}

QString Tfrm4100::HelpLine() const
{
    return help_->Text();
}

void Tfrm4100::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Run the first activation once the window is on screen, so its
    // messages appear over it.
    if (firstActivation_)
        QMetaObject::invokeMethod(this, &Tfrm4100::FormShow, Qt::QueuedConnection);
}

void Tfrm4100::ReadSettings()
{
    Settings key(QString::fromLatin1(kSettingsKey));
    if (!key.Open(false))
        return;
    if (!key.ReadInt(QStringLiteral("ComPort"), portNumber_))
        portNumber_ = 1;
    if (!key.ReadInt(QStringLiteral("maxBdRate"), maxBaudRate_))
        maxBaudRate_ = 9600;
    if (!key.ReadInt(QStringLiteral("FlashVerify"), flashVerify_))
        flashVerify_ = 0;
    if (!key.ReadString(QStringLiteral("DefaultFile"), defaultFile_))
        defaultFile_ = QString::fromLatin1(kDefaultFileName);
    key.Close();
}

void Tfrm4100::FormShow()
{
    if (!firstActivation_)
        return;
    firstActivation_ = false;

    eeprom_.Erase();
    ReadSettings();
    if (portNumber_ < 1 || portNumber_ > 256)
        portNumber_ = 1;

    if (!port_->Open(QStringLiteral("COM%1").arg(portNumber_)))
        dialogs_.Message(this, QStringLiteral("Unable to open COM%1").arg(portNumber_), QStringLiteral("Error."),
                         Dialogs::Buttons::Ok, Dialogs::Icon::Warning);

    SetImageCommandsEnabled(false);
    if (defaultFile_.isEmpty())
        defaultFile_ = QString::fromLatin1(kDefaultFileName);

    if (LoadImageFile(defaultFile_)) {
        AcceptDefaultImage();
    } else {
        statusPanel0_->setText(QStringLiteral("No file loaded."));
        dialogs_.Message(this, DefaultFileMissingText(defaultFile_), QStringLiteral("No default file"),
                         Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
    RefreshRadioType();
}

void Tfrm4100::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void Tfrm4100::FormClose()
{
    Settings key(QString::fromLatin1(kSettingsKey));
    if (!key.Open(true))
        return;
    // A failed write stops the rest; closing never asks anything.
    key.WriteInt(QStringLiteral("ComPort"), portNumber_) &&
        key.WriteInt(QStringLiteral("maxBdRate"), maxBaudRate_) &&
        key.WriteInt(QStringLiteral("FlashVerify"), flashVerify_) &&
        key.WriteString(QStringLiteral("DefaultFile"), defaultFile_);
    key.Close();
}

void Tfrm4100::customEvent(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case WindowMessage::TransferProgress:
        // A finished or cancelled transfer may have changed the image.
        if (transfer_->HandleMessage(*static_cast<WindowMessageEvent*>(event))) {
            RefreshModel();
            RefreshRadioType();
        }
        break;
    case WindowMessage::PacketReceived:
        FeedReceivedFrame(*radio_, *frmPktMonitor_, *static_cast<WindowMessageEvent*>(event));
        break;
    case WindowMessage::PacketSent:
        FeedSentFrame(*radio_, *frmPktMonitor_, static_cast<WindowMessageEvent*>(event)->WParam());
        break;
    case WindowMessage::BytesReceived:
        FeedCommsMonitor(*port_, *frmCommsMonitor_);
        break;
    default:
        QMainWindow::customEvent(event);
        break;
    }
}

bool Tfrm4100::TransferImage(bool write, int first, int last)
{
    return transfer_->Run(write, first, last);
}

void Tfrm4100::Timer1Timer()
{
    status_->Tick();
}

bool Tfrm4100::IsImageAccepted() const
{
    const int type = eeprom_.GetByte(RadioIdent::kRadioTypeAddress);
    return type == RadioIdent::kTypeTelemetry || type == RadioIdent::kTypeData;
}

QString Tfrm4100::DefaultFileMissingText(const QString& fileName)
{
    return QStringLiteral("Default file ") + fileName + QStringLiteral(" does not exist.\n") +
           QStringLiteral("No file loaded.");
}

void Tfrm4100::AcceptDefaultImage()
{
    if (IsImageAccepted()) {
        SetImageCommandsEnabled(true);
    } else {
        dialogs_.Message(this, QString::fromUtf8(kUnknownDefaultType), QStringLiteral("Read file"),
                         Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        SetImageCommandsEnabled(false);
    }
    RefreshModel();
}

void Tfrm4100::SetImageCommandsEnabled(bool enabled)
{
    imageCommandsEnabled_ = enabled;
    ApplyCommandStates();
}

void Tfrm4100::RefreshRadioType()
{
    const int type = eeprom_.GetByte(RadioIdent::kRadioTypeAddress);
    const int mode = eeprom_.GetByte(RadioIdent::kModeAddress);
    ui_->lblRadioType->setText(RadioTypeName(type, mode));
    editorPair_ = EditorPair::None;
    if (type == RadioIdent::kTypeTelemetry)
        editorPair_ = (mode & RadioIdent::kRepeaterBit) ? EditorPair::Repeater : EditorPair::Telemetry;
    else if (type == RadioIdent::kTypeData)
        editorPair_ = EditorPair::Data;
    ApplyCommandStates();
}

void Tfrm4100::RefreshModel()
{
    model_ = DecodeHardware(Deliverable::Telemetry, eeprom_.GetByte(RadioIdent::kHardwareAddress));
    vhf_ = IsVhf(model_);
    ui_->lblRadioChassisType->setText(model_.text);
}

void Tfrm4100::ApplyCommandStates()
{
    auto apply = [](QObject* control, bool wanted) { SetCommandEnabled(control, wanted, BuiltCommands()); };
    for (QObject* c : {static_cast<QObject*>(ui_->btnWriteRadio), static_cast<QObject*>(ui_->mnuWritetoRadio),
                       static_cast<QObject*>(ui_->btnChannelData), static_cast<QObject*>(ui_->mnuChannelData),
                       static_cast<QObject*>(ui_->EditRadioHardware), static_cast<QObject*>(ui_->mnuHardware),
                       static_cast<QObject*>(ui_->btnPrintRadio)})
        apply(c, imageCommandsEnabled_);
    apply(ui_->btnTelemetryEdit, editorPair_ == EditorPair::Telemetry);
    apply(ui_->mnuTelemetry, editorPair_ == EditorPair::Telemetry);
    apply(ui_->btnRepeaterEdit, editorPair_ == EditorPair::Repeater);
    apply(ui_->mnuRepeater, editorPair_ == EditorPair::Repeater);
    apply(ui_->btnDataEdit, editorPair_ == EditorPair::Data);
    apply(ui_->mnuData, editorPair_ == EditorPair::Data);
    for (QObject* c : {static_cast<QObject*>(ui_->btnReadRadio), static_cast<QObject*>(ui_->mnuReadfromRadio),
                       static_cast<QObject*>(ui_->btnFileOpen), static_cast<QObject*>(ui_->mnuReadfromFile),
                       static_cast<QObject*>(ui_->btnFileSave), static_cast<QObject*>(ui_->mnuWritetoFile),
                       static_cast<QObject*>(ui_->mnuComPort), static_cast<QObject*>(ui_->mnuAutoDetect),
                       static_cast<QObject*>(ui_->mnuDefaultFile), static_cast<QObject*>(ui_->mnuAdvanced),
                       static_cast<QObject*>(ui_->mnuHelpAbout), static_cast<QObject*>(ui_->mnuFirmware),
                       static_cast<QObject*>(ui_->mnuExit)})
        apply(c, true);
}

bool Tfrm4100::LoadImageFile(const QString& fileName)
{
    switch (MemFile::Load(eeprom_, ResolveShippedFile(fileName))) {
    case MemFile::LoadResult::NotOpened:
        return false;
    case MemFile::LoadResult::ReadError:
        dialogs_.Message(this, QStringLiteral("There is a problem reading the file"), QStringLiteral("File Error"),
                         Dialogs::Buttons::OkCancel, Dialogs::Icon::None);
        return false;
    case MemFile::LoadResult::Loaded:
        break;
    }
    statusPanel0_->setText(QStringLiteral("File loaded: ") + fileName);
    return true;
}

bool Tfrm4100::SaveImageFile(const QString& fileName)
{
    if (!MemFile::Save(eeprom_, fileName)) {
        dialogs_.Message(this, QStringLiteral("There is a problem writing the file"), QStringLiteral("File Error"),
                         Dialogs::Buttons::OkCancel, Dialogs::Icon::None);
        return false;
    }
    statusPanel0_->setText(QStringLiteral("File loaded: ") + fileName);
    return true;
}

Dialogs::FileRequest Tfrm4100::OpenRequest(const QString& title, const QString& initialPath)
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
    if (dialogs_.Message(this, QStringLiteral("All current data will be lost"), QStringLiteral("Read from file?"),
                         Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) != Dialogs::Answer::Ok)
        return;
    const QString name =
        dialogs_.OpenFile(this, OpenRequest(QStringLiteral("Open Programming File..."), lastOpenedFile_));
    if (name.isEmpty()) {
        SetImageCommandsEnabled(false);
        dialogs_.Message(this, QStringLiteral("There is a problem reading the file"), QStringLiteral("File Error"),
                         Dialogs::Buttons::OkCancel, Dialogs::Icon::None);
    } else {
        lastOpenedFile_ = name;
        LoadImageFile(name);
        // The type byte decides, whether or not the load worked.
        if (!IsImageAccepted()) {
            SetImageCommandsEnabled(false);
            dialogs_.Message(this, QString::fromUtf8(MemFile::kUnknownTypeText), QStringLiteral("Read file"),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        } else {
            SetImageCommandsEnabled(true);
            RefreshModel();
        }
    }
    RefreshRadioType();
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
        SaveImageFile(name);
}

void Tfrm4100::mnuDefaultFileClick()
{
    const QString name = dialogs_.OpenFile(this, OpenRequest(QStringLiteral("Set Default Filename."), defaultFile_));
    if (name.isEmpty())
        return;
    lastOpenedFile_ = name;
    defaultFile_ = name;
    {
        Settings key(QString::fromLatin1(kSettingsKey));
        if (key.Open(true))
            key.WriteString(QStringLiteral("DefaultFile"), defaultFile_);
    }
    if (dialogs_.Message(this,
                         QStringLiteral("Load file ") + name + QStringLiteral("?\n") +
                             QStringLiteral("All current data will  be lost."),
                         QStringLiteral("Load Default File"), Dialogs::Buttons::OkCancel,
                         Dialogs::Icon::Question) != Dialogs::Answer::Ok)
        return;
    if (LoadImageFile(name)) {
        AcceptDefaultImage();
        RefreshRadioType();
    } else {
        SetImageCommandsEnabled(false);
        dialogs_.Message(this, DefaultFileMissingText(name), QStringLiteral("Error"), Dialogs::Buttons::Ok,
                         Dialogs::Icon::Warning);
    }
}

void Tfrm4100::mnuAdvancedClick()
{
    ui_->mnuAdvanced->toggle();
}

void Tfrm4100::btnReadRadioClick()
{
    if (dialogs_.Message(this, QStringLiteral("All current edit data will be lost"), QStringLiteral("Read from Radio?"),
                         Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) != Dialogs::Answer::Ok)
        return;
    ui_->lblFirmwareVersion->clear();
    ui_->lblRadioChassisType->clear();
    ui_->lblRadioType->clear();
    radioIdentity_.clear();

    RadioInfo info;
    switch (programmer_->ReadFromRadio(info)) {
    case RadioProgrammer::ReadResult::NoRadio:
        dialogs_.Message(this, QString::fromUtf8(ProgrammerText::kUnableToRead), QStringLiteral("Error"),
                         Dialogs::Buttons::Ok, Dialogs::Icon::None);
        break;
    case RadioProgrammer::ReadResult::WrongRadioType:
        dialogs_.Message(this, QString::fromUtf8(ProgrammerText::kWrongRadioType), QStringLiteral("Radio type"),
                         Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        break;
    default:
        // A failed transfer has shown its error in the progress window.
        break;
    case RadioProgrammer::ReadResult::Loaded:
        SetImageCommandsEnabled(true);
        statusPanel0_->setText(QStringLiteral("Radio config loaded"));
        break;
    }
}

void Tfrm4100::btnWriteRadioClick()
{
    if (dialogs_.Message(this, QStringLiteral("All current radio data will be lost"), QStringLiteral("Write to radio?"),
                         Dialogs::Buttons::OkCancel, Dialogs::Icon::Question) != Dialogs::Answer::Ok)
        return;
    ui_->lblRadioChassisType->clear();
    ui_->lblRadioType->clear();

    RadioInfo info;
    if (programmer_->WriteToRadio(info) == RadioProgrammer::WriteResult::NoRadio)
        dialogs_.Message(this, QString::fromUtf8(ProgrammerText::kUnableToWrite), QStringLiteral("Error reading version"),
                         Dialogs::Buttons::Ok, Dialogs::Icon::None);
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
    model_ = info.model;
    ui_->lblRadioChassisType->setText(info.model.text);
    ui_->lblRadioType->setText(RadioTypeName(info.radioType, info.repeaterFlags));
    statusPanel0_->clear();
}

void Tfrm4100::mnuComPortClick()
{
    bool opened = false;
    if (ChooseComPort(*frmPorts_, *port_, portNumber_, opened) && !opened)
        dialogs_.Message(this, QStringLiteral("Unable to open COM%1").arg(portNumber_), QStringLiteral("Error."),
                         Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void Tfrm4100::mnuAutoDetectClick()
{
    AutoDetectPort(*frmAutoDetect_, portNumber_);
}

void Tfrm4100::mnuFirmwareClick()
{
    frmFirmwareVersion_->exec();
    // The radio's model becomes the current one; the VHF flag stays with
    // the image.
    model_ = frmFirmwareVersion_->CopyModel();
    ui_->lblRadioChassisType->setText(model_.text);
    radioIdentity_ = frmFirmwareVersion_->CopyIdent();
    ui_->lblFirmwareVersion->setText(radioIdentity_);
    int type = 0, flags = 0;
    frmFirmwareVersion_->CopyTypeAndFlags(type, flags);
    ui_->lblRadioType->setText(RadioTypeName(type, flags));
    programmer_->RepairAddress20();
}

void Tfrm4100::mnuHelpAboutClick()
{
    aboutBox_->exec();
}
