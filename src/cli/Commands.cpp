#include "Commands.h"

#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "firmware/Flash.h"
#include "firmware/WavImport.h"
#include "link/Win32port.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"
#include "platform/WindowMessages.h"
#include "pmr/Eeprom.h"
#include "radio/Programmer.h"
#include "radio/Radio.h"
#include "radio/Summary.h"
#include "radio/Transfer.h"
#include "telemetry/Eeprom.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <memory>
#include <vector>

namespace {

using R = RadioProgrammer::ReadResult;
using W = RadioProgrammer::WriteResult;

constexpr int kHighestPort = CliOptions::kHighestPort;

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

QString ProgramName(Deliverable rules)
{
    return rules == Deliverable::Pmr ? QStringLiteral("ql4100p") : QStringLiteral("ql4100");
}

// ---- questions -----------------------------------------------------------

// Answers the programs' questions: yes with --yes, otherwise no, keeping
// the question so the command can say what stopped it.
class Questions {
public:
    Questions(Console& console, bool yes) : console_(console), yes_(yes) {}

    bool Ask(const QString& text)
    {
        if (yes_) {
            console_.Err(text);
            console_.Err(QStringLiteral("Answered yes (--yes)."));
            return true;
        }
        refused_ = text;
        return false;
    }
    const QString& Refused() const { return refused_; }

private:
    Console& console_;
    const bool yes_;
    QString refused_;
};

int RefusedExit(Console& console, const Questions& questions)
{
    console.Err(questions.Refused());
    console.Err(QStringLiteral("Not done: the answer was no. Give --yes to answer yes."));
    return CliExit::Refused;
}

// ---- programming files ---------------------------------------------------

// The programs' file error, with the file and the reason.
QString FileErrorText(const char* error, const QString& path, const QString& reason)
{
    QString text = Text(error) + QStringLiteral(": ") + path;
    if (!reason.isEmpty())
        text += QStringLiteral(" (") + reason + QLatin1Char(')');
    return text;
}

QString ReadErrorText(const QString& path, const QString& reason)
{
    return FileErrorText(PmrImageText::kReadError, path, reason);
}

// Size and first bytes of a programming file: enough to tell whose it is.
struct FileFacts {
    qint64 size = 0;
    QByteArray head;

    bool Read(const QString& path, QString& error)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error = ReadErrorText(path, file.errorString());
            return false;
        }
        size = file.size();
        head = file.read(PmrLayout::kExtendedSize);
        if (head.size() != qMin<qint64>(size, PmrLayout::kExtendedSize)) {
            error = ReadErrorText(path, file.errorString());
            return false;
        }
        return true;
    }

    // 8192 bytes (or more), or radio type 2 at address 50: a PMR file.
    Deliverable Rules() const
    {
        if (size >= PmrLayout::kExtendedSize)
            return Deliverable::Pmr;
        if (head.size() > RadioIdent::kRadioTypeAddress &&
            static_cast<uint8_t>(head[RadioIdent::kRadioTypeAddress]) == RadioIdent::kTypePmr)
            return Deliverable::Pmr;
        return Deliverable::Telemetry;
    }
};

// The configuration image a command works on, under one program's rules:
// ql4100's 2048 bytes or ql4100p's image with its layout.
class ConfigImage : public PmrImageFrontEnd {
public:
    explicit ConfigImage(Deliverable rules) : rules_(rules) { telemetryBytes_.fill(0xFF); }

    Deliverable Rules() const { return rules_; }
    ImageBlocks& Blocks()
    {
        return rules_ == Deliverable::Pmr ? static_cast<ImageBlocks&>(pmr_.Buffer()) : telemetry_;
    }
    int Byte(int address) const
    {
        return rules_ == Deliverable::Pmr ? pmr_.Buffer().GetByte(address) : telemetry_.GetByte(address);
    }
    // Bytes a programming file of this image holds.
    int FileSize() const { return rules_ == Deliverable::Pmr ? pmr_.LayoutSize() : EEPROM::kImageSize; }
    PmrImage& Pmr() { return pmr_; }
    const PmrImage& Pmr() const { return pmr_; }

    // Loads a programming file as the program's Read File does.
    bool Load(const QString& path, QString& error)
    {
        if (rules_ == Deliverable::Pmr) {
            if (!pmr_.Load(path, *this)) {
                error = ReadErrorText(path, QStringLiteral("%1 bytes; a ql4100p file holds 2048 or 8192")
                                                .arg(QFileInfo(path).size()));
                return false;
            }
            return true;
        }
        if (MemFile::Load(telemetry_, path) != MemFile::LoadResult::Loaded) {
            error = ReadErrorText(path, QString());
            return false;
        }
        return true;
    }

    // The image operations ask nothing of a command-line user.
    bool AskDisableV3Features() override { return false; }
    bool AskEnableV3Features() override { return false; }
    void ShowWriteError() override {}

private:
    const Deliverable rules_;
    std::array<uint8_t, EEPROM::kImageSize> telemetryBytes_;
    EEPROM telemetry_{telemetryBytes_.data(), EEPROM::kImageSize};
    PmrImage pmr_;
};

// A programming file ready to go to a radio, with the checks the programs
// make before they offer Write to Radio.
bool LoadForRadio(ConfigImage& image, const QString& path, const FileFacts& facts, Console& console)
{
    QString error;
    if (image.Rules() == Deliverable::Telemetry && facts.size < EEPROM::kImageSize) {
        // The window loads a short file over the image it holds; here there
        // is none, and the missing addresses would go to the radio blank.
        console.Err(ReadErrorText(path, QStringLiteral("%1 bytes; a ql4100 file holds 2048").arg(facts.size)));
        return false;
    }
    if (!image.Load(path, error)) {
        console.Err(error);
        return false;
    }
    if (image.Rules() == Deliverable::Telemetry) {
        const int type = image.Byte(RadioIdent::kRadioTypeAddress);
        if (type != RadioIdent::kTypeTelemetry && type != RadioIdent::kTypeData) {
            console.Err(Text(MemFile::kUnknownTypeText));
            return false;
        }
    }
    return true;
}

// ---- the serial line -----------------------------------------------------

// Device of COMn: the forced program's port map, else ql4100's map, then
// ql4100p's, then the default device of the number.
QString ComDevice(int number, const std::optional<Deliverable>& program)
{
    if (program)
        return PortNames::DevicePath(*program, QStringLiteral("COM%1").arg(number));
    for (Deliverable d : {Deliverable::Telemetry, Deliverable::Pmr}) {
        const QString mapped = PortNames::MappedDevice(d, number);
        if (!mapped.isEmpty())
            return mapped;
    }
    return PortNames::DefaultDevice(number);
}

// The port last chosen in the programs (the forced one's, else ql4100's,
// then ql4100p's), else COM1.
int SavedComPort(const std::optional<Deliverable>& program)
{
    std::vector<Deliverable> order;
    if (program)
        order = {*program};
    else
        order = {Deliverable::Telemetry, Deliverable::Pmr};
    for (Deliverable d : order) {
        Settings key(PortNames::PortKey(d));
        int number = 0;
        if (key.Open(false) && key.ReadInt(QStringLiteral("ComPort"), number) && number >= 1 &&
            number <= kHighestPort)
            return number;
    }
    return 1;
}

// Opens the port the options name (not --port auto).
bool OpenNamedPort(const CliOptions& options, Win32Port& port, Console& console)
{
    QString path;
    QString name;
    if (options.port == CliOptions::Port::Device) {
        path = name = options.devicePath;
    } else {
        const int number =
            options.port == CliOptions::Port::Number ? options.portNumber : SavedComPort(options.program);
        name = QStringLiteral("COM%1").arg(number);
        path = ComDevice(number, options.program);
    }
    if (!path.isEmpty() && port.OpenDevice(path))
        return true;
    QString text = QStringLiteral("Unable to open ") + name;
    if (!path.isEmpty() && path != name)
        text += QStringLiteral(" (") + path + QLatin1Char(')');
    else if (path.isEmpty())
        text += QStringLiteral(" (no device for this port number)");
    console.Err(text);
    return false;
}

// The port with the radio session on it. The session's rules can change
// once the radio has said who it is.
class RadioLink {
public:
    explicit RadioLink(Deliverable rules) : port_(rules), radio_(std::make_unique<TRadio>(rules))
    {
        radio_->AttachPort(&port_);
    }
    ~RadioLink()
    {
        radio_->AttachPort(nullptr);
        port_.Close();
    }
    RadioLink(const RadioLink&) = delete;
    RadioLink& operator=(const RadioLink&) = delete;

    Win32Port& Port() { return port_; }
    TRadio& Radio() { return *radio_; }
    Deliverable Rules() const { return radio_->GetDeliverable(); }

    void UseRules(Deliverable rules)
    {
        if (rules == Rules())
            return;
        radio_->AttachPort(nullptr);
        radio_ = std::make_unique<TRadio>(rules);
        port_.FlushReceive();
        radio_->AttachPort(&port_);
    }

private:
    Win32Port port_;
    std::unique_ptr<TRadio> radio_;
};

// Opens the radio's port; --port auto scans COM1..COM256 as Auto Detect
// does, and leaves the identity it got in ident.
std::unique_ptr<RadioLink> Connect(const CliOptions& options, Deliverable rules, Console& console,
                                   InterruptWatch& interrupt, QString& ident)
{
    auto link = std::make_unique<RadioLink>(rules);
    ident.clear();
    if (options.port != CliOptions::Port::Auto)
        return OpenNamedPort(options, link->Port(), console) ? std::move(link) : nullptr;

    for (int number = 1; number <= kHighestPort; ++number) {
        if (interrupt.Interrupted()) {
            console.Err(QStringLiteral("Scan cancelled."));
            return nullptr;
        }
        const QString path = ComDevice(number, options.program);
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        if (ProbeForRadio(rules, link->Port(), link->Radio(), path, ident)) {
            console.Err(QStringLiteral("Radio found on COM%1 (%2)").arg(number).arg(path));
            return link;
        }
    }
    console.Err(QStringLiteral("Radio not found.\nEnsure radio is switched on.\nCheck programming leads."));
    return nullptr;
}

// Opens the radio's port and asks its identity (unless the scan has); the
// identity chooses the rules when --program does not.
std::unique_ptr<RadioLink> ConnectAndIdentify(const CliOptions& options, Console& console,
                                              InterruptWatch& interrupt, QString& ident)
{
    auto link = Connect(options, options.program.value_or(Deliverable::Telemetry), console, interrupt, ident);
    if (!link)
        return nullptr;
    if (ident.isEmpty() && !link->Radio().GetIdent(ident)) {
        console.Err(Text(ProgrammerText::kUnableToRead));
        return nullptr;
    }
    if (!options.program)
        link->UseRules(DeliverableForIdent(ident));
    return link;
}

// ---- image transfer ------------------------------------------------------

// Takes the transfer worker's progress messages on the main thread.
class TransferReceiver : public QObject {
public:
    TransferReceiver(Console& console, int first, int last, QEventLoop& loop)
        : console_(console), first_(first), last_(last), loop_(loop)
    {
    }
    int outcome = -1;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != static_cast<QEvent::Type>(WindowMessage::TransferProgress))
            return;
        const auto* message = static_cast<WindowMessageEvent*>(event);
        if (message->WParam() == 0) {
            console_.Progress(Console::Percent(message->LParam() - first_, last_ + 1 - first_));
            return;
        }
        outcome = static_cast<int>(message->LParam());
        loop_.quit();
    }

private:
    Console& console_;
    const int first_;
    const int last_;
    QEventLoop& loop_;
};

// The read/write sequence's front end: questions from --yes, the transfer
// with a progress display and Ctrl-C for Cancel.
class CliFrontEnd : public ProgrammerFrontEnd {
public:
    CliFrontEnd(Console& console, Questions& questions, InterruptWatch& interrupt, RadioLink& link,
                ConfigImage& image)
        : console_(console), questions_(questions), interrupt_(interrupt), link_(link), image_(image)
    {
    }

    bool ConfirmFirmwareMismatch(const QString& ident, int imageRadioType, int imageRepeaterFlags) override
    {
        return questions_.Ask(FirmwareMismatchText(ident, imageRadioType, imageRepeaterFlags));
    }
    bool ConfirmReviveStunned() override { return questions_.Ask(Text(ProgrammerText::kReviveStunned)); }
    bool ConfirmNotPmr() override { return questions_.Ask(Text(ProgrammerText::kNotPmr)); }
    bool ConfirmLayoutLoss(LayoutLoss loss) override { return questions_.Ask(LayoutLossText(loss)); }

    bool ExtendedLayout() const override
    {
        return image_.Rules() == Deliverable::Pmr && image_.Pmr().V3Features();
    }
    void SetExtendedLayout(bool extended) override
    {
        radioExtended_ = extended;
        if (image_.Rules() == Deliverable::Pmr)
            image_.Pmr().SetV3Features(extended, image_);
    }

    bool TransferImage(bool write, int first, int last) override
    {
        first_ = first;
        last_ = last;
        // The telemetry worker opens its programming session itself; the
        // PMR sequence has opened it already.
        ImageTransfer transfer(link_.Radio(), image_.Blocks(), interrupt_.CancelEvent(),
                               link_.Rules() == Deliverable::Telemetry);
        QEventLoop loop;
        TransferReceiver receiver(console_, first, last, loop);
        console_.BeginProgress(write ? QStringLiteral("Writing to radio...") : QStringLiteral("Reading from radio..."));
        transfer.Start(write, first, last, &receiver);
        loop.exec();
        const bool success = transfer.Wait();
        QCoreApplication::sendPostedEvents(&receiver, WindowMessage::TransferProgress);
        console_.EndProgress();
        cancelled_ = receiver.outcome == ImageTransfer::Cancelled;
        return success;
    }

    bool Cancelled() const { return cancelled_; }
    bool RadioExtended() const { return radioExtended_; }
    int First() const { return first_; }
    int Last() const { return last_; }

private:
    Console& console_;
    Questions& questions_;
    InterruptWatch& interrupt_;
    RadioLink& link_;
    ConfigImage& image_;
    bool cancelled_ = false;
    bool radioExtended_ = false;
    int first_ = 0;
    int last_ = -1;
};

// One read of the radio's configuration through the programs' read
// sequence, into an image under the link's rules.
struct RadioRead {
    RadioRead(const CliOptions& options, Console& console, InterruptWatch& interrupt, RadioLink& link)
        : console(console), image(link.Rules()), questions(console, options.yes),
          frontEnd(console, questions, interrupt, link, image),
          programmer(link.Rules(), link.Radio(), image.Blocks(), frontEnd)
    {
    }

    // The exit code of the read: Done when loaded; otherwise it has said
    // why (cancelText when Ctrl-C stopped the transfer).
    int Run(const QString& cancelText)
    {
        const QString unable = Text(ProgrammerText::kUnableToRead);
        switch (programmer.ReadFromRadio(info)) {
        case R::Loaded: return CliExit::Done;
        case R::NoRadio: console.Err(unable); break;
        case R::ProgModeFailed: console.Err(unable + QStringLiteral(" (Error setting radio to prog mode)")); break;
        case R::TypeReadFailed: console.Err(unable + QStringLiteral(" (Error reading radio type)")); break;
        case R::ReviveFailed: console.Err(Text(ProgrammerText::kReviveFailed)); break;
        case R::RevivedReadFailed: console.Err(Text(ProgrammerText::kRevivedReadFailed)); break;
        case R::WrongRadioType: console.Err(Text(ProgrammerText::kWrongRadioType)); break;
        case R::Declined: return RefusedExit(console, questions);
        case R::TransferFailed:
            console.Err(frontEnd.Cancelled() ? cancelText : Text(ProgrammerText::kReadFailed));
            break;
        }
        return CliExit::Failed;
    }

    // In the order they are made: each of the later ones uses those above.
    Console& console;
    ConfigImage image;
    Questions questions;
    CliFrontEnd frontEnd;
    RadioProgrammer programmer;
    RadioInfo info;
};

QString Hex(int value, int digits)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// ---- commands ------------------------------------------------------------

int Ident(const CliOptions& options, Console& console, InterruptWatch& interrupt)
{
    QString ident;
    auto link = ConnectAndIdentify(options, console, interrupt, ident);
    if (!link)
        return CliExit::Failed;
    if (!IsSupportedIdent(ident)) {
        console.Out(QStringLiteral("Identity: ") + ident);
        console.Err(QStringLiteral("Not a QL4100 family radio."));
        return CliExit::Failed;
    }
    const Deliverable rules = link->Rules();
    RadioSummary summary;
    summary.radioType = -1; // a type the radio does not give reads "Unknown radio type"
    summary.Query(rules, link->Radio());
    if (!summary.answered) {
        console.Err(Text(ProgrammerText::kUnableToRead));
        return CliExit::Failed;
    }
    console.Out(QStringLiteral("Identity: ") + summary.ident);
    console.Out(QStringLiteral("Radio type: ") + summary.TypeText(rules));
    console.Out(QStringLiteral("Hardware: ") + summary.ModelText(rules));
    return CliExit::Done;
}

// Whether a file can be written at path, found by starting a save and
// dropping it: a read is not begun when its result could not be kept.
bool CanSave(const QString& path, QString& reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    file.cancelWriting();
    file.commit(); // removes the temporary file
    return true;
}

int Read(const CliOptions& options, Console& console, InterruptWatch& interrupt)
{
    QString reason;
    if (!CanSave(options.output, reason)) {
        console.Err(FileErrorText(PmrImageText::kWriteError, options.output, reason));
        return CliExit::Failed;
    }
    QString ident;
    auto link = ConnectAndIdentify(options, console, interrupt, ident);
    if (!link)
        return CliExit::Failed;
    RadioRead read(options, console, interrupt, *link);
    const int code = read.Run(QStringLiteral("Read cancelled; nothing written to ") + options.output);
    if (code != CliExit::Done)
        return code;
    const QString backup = read.programmer.LastBackup();
    const int size = read.image.FileSize();
    if (!SaveImageBlocks(read.image.Blocks(), size, options.output, &reason)) {
        console.Err(FileErrorText(PmrImageText::kWriteError, options.output, reason));
        if (!backup.isEmpty())
            console.Err(QStringLiteral("The configuration read is kept in ") + backup);
        return CliExit::Failed;
    }
    const RadioInfo& info = read.info;
    console.Out(QStringLiteral("Radio config loaded from %1 (%2, %3)")
                    .arg(info.ident, RadioTypeName(info.radioType, info.repeaterFlags), info.model.text));
    console.Out(QStringLiteral("Saved %1 (%2 bytes)").arg(options.output).arg(size));
    if (!backup.isEmpty())
        console.Out(QStringLiteral("Backup: ") + backup);
    return CliExit::Done;
}

// Loads FILE for write or verify under the rules it (or --program) calls for.
std::unique_ptr<ConfigImage> LoadFileImage(const CliOptions& options, Console& console)
{
    FileFacts facts;
    QString error;
    if (!facts.Read(options.file, error)) {
        console.Err(error);
        return nullptr;
    }
    auto image = std::make_unique<ConfigImage>(options.program.value_or(facts.Rules()));
    if (!LoadForRadio(*image, options.file, facts, console))
        return nullptr;
    return image;
}

// FILE loaded for write or verify, and the radio's port opened under the
// rules the file calls for.
bool PrepareFileAndRadio(const CliOptions& options, Console& console, InterruptWatch& interrupt,
                         std::unique_ptr<ConfigImage>& image, std::unique_ptr<RadioLink>& link)
{
    image = LoadFileImage(options, console);
    if (!image)
        return false;
    QString scanned;
    link = Connect(options, image->Rules(), console, interrupt, scanned);
    return link != nullptr;
}

int Write(const CliOptions& options, Console& console, InterruptWatch& interrupt)
{
    std::unique_ptr<ConfigImage> image;
    std::unique_ptr<RadioLink> link;
    if (!PrepareFileAndRadio(options, console, interrupt, image, link))
        return CliExit::Failed;
    const Deliverable rules = image->Rules();
    Questions questions(console, options.yes);
    CliFrontEnd frontEnd(console, questions, interrupt, *link, *image);
    RadioProgrammer programmer(rules, link->Radio(), image->Blocks(), frontEnd);
    RadioInfo info;
    switch (programmer.WriteToRadio(info)) {
    case W::Written:
        console.Out(QStringLiteral("Written %1 to %2 (addresses %3-%4)")
                        .arg(options.file, info.ident)
                        .arg(frontEnd.First())
                        .arg(frontEnd.Last()));
        return CliExit::Done;
    case W::NoRadio:
        console.Err(Text(ProgrammerText::kUnableToWrite));
        return CliExit::Failed;
    case W::Declined:
        return RefusedExit(console, questions);
    case W::TransferFailed:
        console.Err(frontEnd.Cancelled()
                        ? QStringLiteral("Write cancelled: the radio holds a partly written configuration.")
                        : Text(ProgrammerText::kWriteFailed));
        return CliExit::Failed;
    }
    return CliExit::Failed;
}

int Verify(const CliOptions& options, Console& console, InterruptWatch& interrupt)
{
    std::unique_ptr<ConfigImage> image;
    std::unique_ptr<RadioLink> link;
    if (!PrepareFileAndRadio(options, console, interrupt, image, link))
        return CliExit::Failed;
    const Deliverable rules = image->Rules();

    RadioRead read(options, console, interrupt, *link);
    const int code = read.Run(QStringLiteral("Verify cancelled."));
    if (code != CliExit::Done)
        return code;
    const ConfigImage& radioImage = read.image;

    // What a write would send: from 48 to the end of the radio's layout, and
    // for a PMR radio the two factory bytes 41 and 42 that go with it.
    std::vector<int> addresses;
    int last = RadioProgrammer::kShortEnd;
    if (rules == Deliverable::Pmr) {
        addresses = {41, 42};
        if (read.frontEnd.RadioExtended())
            last = RadioProgrammer::kExtendedEnd;
    }
    for (int a = RadioProgrammer::kFirstWritten; a <= last; ++a)
        addresses.push_back(a);

    int differences = 0;
    for (int a : addresses) {
        const int inFile = image->Byte(a);
        const int inRadio = radioImage.Byte(a);
        if (inFile == inRadio)
            continue;
        ++differences;
        console.Out(QStringLiteral("%1 (%2): file %3, radio %4")
                        .arg(Hex(a, 4))
                        .arg(a)
                        .arg(Hex(inFile, 2), Hex(inRadio, 2)));
    }
    if (differences > 0) {
        console.Out(QStringLiteral("%1 byte%2 differ%3 between %4 and the radio")
                        .arg(differences)
                        .arg(differences == 1 ? QString() : QStringLiteral("s"))
                        .arg(differences == 1 ? QStringLiteral("s") : QString())
                        .arg(options.file));
        return CliExit::Failed;
    }
    console.Out(QStringLiteral("The radio matches %1 (addresses %2%3-%4)")
                    .arg(options.file)
                    .arg(rules == Deliverable::Pmr ? QStringLiteral("41, 42, ") : QString())
                    .arg(RadioProgrammer::kFirstWritten)
                    .arg(last));
    return CliExit::Done;
}

int Info(const CliOptions& options, Console& console)
{
    FileFacts facts;
    QString error;
    if (!facts.Read(options.file, error)) {
        console.Err(error);
        return CliExit::Failed;
    }
    ConfigImage image(options.program.value_or(facts.Rules()));
    if (!image.Load(options.file, error)) {
        console.Err(error);
        return CliExit::Failed;
    }
    const Deliverable rules = image.Rules();
    const int type = image.Byte(RadioIdent::kRadioTypeAddress);
    const int flags = image.Byte(RadioIdent::kModeAddress);
    QString layout;
    if (rules == Deliverable::Pmr) {
        layout = image.Pmr().V3Features() ? QStringLiteral("extended (F/W version 3 features), 8192 bytes")
                                          : QStringLiteral("short, 2048 bytes");
    } else {
        layout = QStringLiteral("2048 bytes");
        if (facts.size < EEPROM::kImageSize)
            layout += QStringLiteral(" (the file holds only the first %1)").arg(facts.size);
    }
    console.Out(QStringLiteral("File: ") + options.file);
    console.Out(QStringLiteral("Program: ") + ProgramName(rules));
    console.Out(QStringLiteral("Radio type: ") + RadioTypeName(type, flags));
    console.Out(QStringLiteral("Hardware: ") + HardwareSummaryText(rules, image.Byte(RadioIdent::kHardwareAddress)));
    console.Out(QStringLiteral("Layout: ") + layout);
    console.Out(QStringLiteral("Size: %1 bytes").arg(facts.size));
    return CliExit::Done;
}

int Ports(const CliOptions& options, Console& console)
{
    int found = 0;
    for (int number = 1; number <= kHighestPort; ++number) {
        const QString path = ComDevice(number, options.program);
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        console.Out(QStringLiteral("COM%1").arg(number).leftJustified(7) + path);
        ++found;
    }
    if (found == 0)
        console.Err(QStringLiteral("No serial device here."));
    return CliExit::Done;
}

// ---- flash ---------------------------------------------------------------

// The upgrade's stage indicators as lines: each stage's text when it
// changes while the stage is lit, progress while pages go.
class CliFlashFrontEnd : public FlashUpgrade::FrontEnd {
public:
    CliFlashFrontEnd(Console& console, InterruptWatch& interrupt) : console_(console), interrupt_(interrupt) {}

    void SetUpgrade(FlashUpgrade* upgrade) { upgrade_ = upgrade; }
    bool VerifyFailed() const { return verifyFailed_; }

    void SetStageColour(FlashUpgrade::Stage stage, FlashUpgrade::Colour colour) override
    {
        const int i = static_cast<int>(stage);
        if (colour == FlashUpgrade::Colour::White) {
            shown_[i] = text_[i]; // the idle texts are not news
            return;
        }
        if (colour == FlashUpgrade::Colour::Yellow)
            active_ = text_[i];
        if (colour == FlashUpgrade::Colour::Red && stage == FlashUpgrade::Stage::Verify)
            verifyFailed_ = true;
        if (text_[i] != shown_[i]) {
            shown_[i] = text_[i];
            console_.Err(StageName(stage) + QStringLiteral(": ") + text_[i]);
        }
    }
    void SetStageText(FlashUpgrade::Stage stage, const QString& text) override
    {
        text_[static_cast<int>(stage)] = text;
    }
    void AddHelpLine(const QString& line) override { console_.Err(line); }
    void SetProgressRange(int maximum) override { maximum_ = maximum; }
    void SetProgress(int position) override
    {
        if (maximum_ <= 0)
            return;
        if (!console_.InProgress()) {
            if (position >= maximum_)
                return;
            console_.BeginProgress(active_);
        }
        console_.Progress(Console::Percent(position, maximum_));
    }
    void ProcessEvents() override
    {
        if (interrupt_.Interrupted() && upgrade_)
            upgrade_->Cancel();
    }

private:
    static QString StageName(FlashUpgrade::Stage stage)
    {
        switch (stage) {
        case FlashUpgrade::Stage::File: return QStringLiteral("File");
        case FlashUpgrade::Stage::Connect: return QStringLiteral("Connect");
        case FlashUpgrade::Stage::Version: return QStringLiteral("Version");
        case FlashUpgrade::Stage::Id: return QStringLiteral("ID");
        case FlashUpgrade::Stage::Erase: return QStringLiteral("Erase");
        case FlashUpgrade::Stage::Write: return QStringLiteral("Write");
        case FlashUpgrade::Stage::Verify: return QStringLiteral("Verify");
        }
        return QString();
    }

    Console& console_;
    InterruptWatch& interrupt_;
    FlashUpgrade* upgrade_ = nullptr;
    std::array<QString, 7> text_;
    std::array<QString, 7> shown_;
    QString active_;
    int maximum_ = 0;
    bool verifyFailed_ = false;
};

int Flash(const CliOptions& options, Console& console, InterruptWatch& interrupt)
{
    const Deliverable rules = options.program.value_or(Deliverable::Telemetry);
    Win32Port port(rules);
    TFlash flash(port);
    CliFlashFrontEnd frontEnd(console, interrupt);
    FlashUpgrade upgrade(flash, port, rules, frontEnd);
    frontEnd.SetUpgrade(&upgrade);
    upgrade.Reset();

    if (!upgrade.LoadFile(options.file))
        return CliExit::Failed;
    if (!options.voiceFile.isEmpty()) {
        WavImport voice;
        if (!voice.Import(options.voiceFile)) {
            console.Err(QStringLiteral("Error reading voice ID wavefile: \n") + options.voiceFile);
            return CliExit::Failed;
        }
        voice.MergeInto(flash.Image().Image());
        console.Err(QStringLiteral("Voice ID: %1 Hz, %2 s").arg(voice.SampleRate()).arg(voice.LengthSeconds(), 0, 'f', 1));
    }
    if (!OpenNamedPort(options, port, console))
        return CliExit::Failed;

    const FlashUpgrade::Outcome outcome = upgrade.Run(options.baud, options.flashVerify, ReadFlashIdCode(rules));
    port.Close();
    if (outcome == FlashUpgrade::Outcome::Complete && !frontEnd.VerifyFailed())
        return CliExit::Done;
    return CliExit::Failed;
}

} // namespace

int RunCliCommand(const CliOptions& options, Console& console, InterruptWatch& interrupt)
{
    const QString& c = options.command;
    if (c == QLatin1String("ident"))
        return Ident(options, console, interrupt);
    if (c == QLatin1String("read"))
        return Read(options, console, interrupt);
    if (c == QLatin1String("write"))
        return Write(options, console, interrupt);
    if (c == QLatin1String("verify"))
        return Verify(options, console, interrupt);
    if (c == QLatin1String("flash"))
        return Flash(options, console, interrupt);
    if (c == QLatin1String("info"))
        return Info(options, console);
    if (c == QLatin1String("ports"))
        return Ports(options, console);
    return CliExit::Usage;
}
