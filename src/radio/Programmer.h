#pragma once

#include "platform/Deliverable.h"
#include "radio/ImageBlocks.h"
#include "radio/Radiotype.h"

#include <QString>

class TRadio;

// What the radio told about itself during a read or write.
struct RadioInfo {
    QString ident;
    int radioType = -1; // -1 when not read
    int repeaterFlags = 0;
    int hardware = -1; // -1 when the radio did not give it
    ModelRecord model;
};

// The texts of the read and write sequences' questions and failures,
// shared by every front end.
namespace ProgrammerText {
inline constexpr const char* kUnableToRead = "Unable to read from radio";
inline constexpr const char* kUnableToWrite = "Unable to write to radio";
inline constexpr const char* kReadFailed = "Error reading from radio";  // a transfer that stopped
inline constexpr const char* kWriteFailed = "Error writing to radio";
inline constexpr const char* kWrongRadioType =
    "Unknown radio type.\n\nPlease ensure correct version of dealer software is being used for the radio type";
inline constexpr const char* kReviveStunned = "This radio has been stunned.  Do you wish to revive it?";
inline constexpr const char* kReviveFailed = "Unable to revive radio.";
inline constexpr const char* kRevivedReadFailed = "Unable to read from revived radio";
inline constexpr const char* kNotPmr =
    "Radio is not a PMR.  Please use correct software to configure this radio. Continue?";
inline constexpr const char* kFiveCharacterNames =
    "Warning - this radio only supports 5 digits\nfor names and two digits for channel number.\nWriting the "
    "current configuration to the radio\nwill result in only 5 rightmost characters of alpha/channel/names.\n"
    "Are you sure you want to proceed?";
inline constexpr const char* kNinetyNineChannels =
    "Warning - this radio only supports 99 channels, \n5 letters for names and 40 selcall memories.\nWriting "
    "the current configuration to the radio\nwill result in information loss.\nAre you sure you want to "
    "proceed?";
} // namespace ProgrammerText

// The questions the read and write sequences ask, and the transfer they
// run. The main windows answer with message boxes and the modal progress
// window; the command-line programmer with its options and a plain wait.
class ProgrammerFrontEnd {
public:
    enum class LayoutLoss {
        FiveCharacterNames, // extended image to an extended radio with the old head
        NinetyNineChannels, // extended image to a radio without the extended layout
    };

    virtual ~ProgrammerFrontEnd() = default;
    // The radio's firmware does not suit the image's radio type: write anyway?
    virtual bool ConfirmFirmwareMismatch(const QString& ident, int imageRadioType, int imageRepeaterFlags) = 0;
    // Moves [first, last] between radio and image; true when every block went.
    virtual bool TransferImage(bool write, int first, int last) = 0;
    // The radio has been identified; a read calls it again once the model
    // of the radio's hardware byte is known.
    virtual void RadioIdentified(const RadioInfo& info) { (void)info; }

    // PMR program only.
    virtual bool ConfirmReviveStunned() { return false; }
    virtual bool ConfirmNotPmr() { return false; }
    virtual bool ConfirmLayoutLoss(LayoutLoss loss)
    {
        (void)loss;
        return false;
    }
    static QString LayoutLossText(LayoutLoss loss)
    {
        return QString::fromUtf8(loss == LayoutLoss::FiveCharacterNames ? ProgrammerText::kFiveCharacterNames
                                                                         : ProgrammerText::kNinetyNineChannels);
    }
    // The layout switch ("Enable F/W version 3 features").
    virtual bool ExtendedLayout() const { return false; }
    virtual void SetExtendedLayout(bool extended) { (void)extended; }
};

// Reading a configuration from a radio and writing it back: identity,
// the checks, the single-byte adjustments and the bulk transfer, with the
// rules of the program it works for, the same for every front end.
class RadioProgrammer {
public:
    enum class ReadResult {
        Loaded,
        NoRadio,           // no answer, or not a QL4100 family radio
        ProgModeFailed,    // PMR: the programming session was not acknowledged
        TypeReadFailed,    // PMR: the radio type could not be read
        ReviveFailed,      // PMR: writing 2 to a stunned radio failed
        RevivedReadFailed, // PMR: the revived radio's type could not be read
        WrongRadioType,    // telemetry: a radio type other than 0 or 1
        Declined,          // the user did not go on
        TransferFailed,
    };
    enum class WriteResult { Written, NoRadio, Declined, TransferFailed };

    static constexpr int kShortEnd = 2047;
    static constexpr int kExtendedEnd = 8191;
    static constexpr int kFirstWritten = 48; // 0..47: factory calibration, never block-written
    static constexpr int kRepairAddress = 20;
    static constexpr int kRepairValue = 100;

    RadioProgrammer(Deliverable deliverable, TRadio& radio, ImageBlocks& image, ProgrammerFrontEnd& frontEnd);

    ReadResult ReadFromRadio(RadioInfo& info);
    WriteResult WriteToRadio(RadioInfo& info);

    // A radio whose address 20 is blank (0xFF) gets 100 there, in the radio
    // and in the image.
    void RepairAddress20();

    // Firmware version parsed from the last identity (PMR starts at 3.0).
    int FirmwareMajor() const { return firmwareMajor_; }
    int FirmwareMinor() const { return firmwareMinor_; }

    // Where backups of every successful read are kept:
    // <data folder>/Zyn/<program>/backups.
    static QString BackupFolder(Deliverable deliverable);
    // Path of the backup written by the last successful read, or empty.
    QString LastBackup() const { return lastBackup_; }

private:
    ReadResult ReadTelemetry(RadioInfo& info);
    ReadResult ReadPmr(RadioInfo& info);
    int ImageByte(int address) const;
    void SetImageByte(int address, int value);
    void ParseVersion(const QString& ident);
    void KeepBackup(const QString& ident, int size);

    const Deliverable deliverable_;
    TRadio& radio_;
    ImageBlocks& image_;
    ProgrammerFrontEnd& frontEnd_;
    int firmwareMajor_ = 3;
    int firmwareMinor_ = 0;
    QString lastBackup_;
};
