#pragma once

#include "platform/Deliverable.h"
#include "radio/ImageBlocks.h"
#include "radio/Radiotype.h"

#include <QString>

class TRadio;

// What the radio told about itself during a read or write.
struct RadioInfo {
    QString ident;
    int radioType = -1;
    int repeaterFlags = 0;
    int hardware = -1; // -1 when the radio did not give it
    ModelRecord model;
};

// The questions the read and write sequences ask, and the transfer they
// run. The main windows answer with message boxes and the modal progress
// window; the command-line programmer with its options and a plain wait.
class ProgrammerFrontEnd {
public:
    virtual ~ProgrammerFrontEnd() = default;
    // The radio's firmware does not suit the image's radio type: write anyway?
    virtual bool ConfirmFirmwareMismatch(const QString& ident, int imageRadioType) = 0;
    // Moves [first, last] between radio and image; true when every block went.
    virtual bool TransferImage(bool write, int first, int last) = 0;
    // The radio has been identified (before the transfer starts).
    virtual void RadioIdentified(const RadioInfo& info) { (void)info; }
};

// Reading a configuration from a radio and writing it back: identity,
// the checks, the single-byte adjustments and the bulk transfer, the same
// for every front end.
class RadioProgrammer {
public:
    enum class ReadResult { Loaded, NoRadio, WrongRadioType, TransferFailed };
    enum class WriteResult { Written, NoRadio, Declined, TransferFailed };

    static constexpr int kImageEnd = 2047;      // last address read and written
    static constexpr int kFirstWritten = 48;    // 0..47: factory calibration, never written
    static constexpr int kRepairAddress = 20;
    static constexpr int kRepairValue = 100;

    RadioProgrammer(Deliverable deliverable, TRadio& radio, ImageBlocks& image, ProgrammerFrontEnd& frontEnd);

    // Identity (must be a QL4100), address-20 repair, radio type 0 or 1, the
    // identification bytes, then addresses 0..2047 into the image. On
    // success a copy of what was read is kept in the backup folder.
    ReadResult ReadFromRadio(RadioInfo& info);

    // Identity, the firmware check against the image (the front end may
    // let it pass), the radio's own hardware byte into the image, then
    // addresses 48..2047 to the radio.
    WriteResult WriteToRadio(RadioInfo& info);

    // A radio whose address 20 is blank (0xFF) gets 100 there, in the radio
    // and in the image.
    void RepairAddress20();

    // Where backups of every successful read are kept:
    // <data folder>/Zyn/<program>/backups.
    static QString BackupFolder(Deliverable deliverable);
    // Path of the backup written by the last successful read, or empty.
    QString LastBackup() const { return lastBackup_; }

private:
    int ImageByte(int address) const;
    void SetImageByte(int address, int value);
    void KeepBackup(const QString& ident);

    const Deliverable deliverable_;
    TRadio& radio_;
    ImageBlocks& image_;
    ProgrammerFrontEnd& frontEnd_;
    QString lastBackup_;
};
