#pragma once

#include "radio/ImageBlocks.h"
#include "telemetry/Eeprom.h"

#include <QString>
#include <array>
#include <cstdint>

// Bounds-checked accessor over the 8192-byte PMR configuration image, which
// it does not own. Same operations and range rules as EEPROM (reads outside
// the image give 0, writes outside it are dropped, block copies stop at the
// end), plus EraseRange.
class EEbuffer : public ImageBlocks {
public:
    static constexpr int kImageSize = 8192;

    EEbuffer() : eeprom_(nullptr, kImageSize) {}
    explicit EEbuffer(uint8_t* data, int size = kImageSize) : eeprom_(data, size) {}

    void Attach(uint8_t* data, int size) { eeprom_.Attach(data, size); }
    uint8_t* Data() const { return eeprom_.Data(); }
    int Size() const { return eeprom_.Size(); }

    int GetByte(int address) const { return eeprom_.GetByte(address); }
    unsigned GetWord(int address) const { return eeprom_.GetWord(address); }
    void SetByte(int address, int value) { eeprom_.SetByte(address, value); }
    void SetWord(int address, unsigned value) { eeprom_.SetWord(address, value); }
    int ReadBlock(int address, uint8_t* destination, int count) const override
    {
        return eeprom_.ReadBlock(address, destination, count);
    }
    int WriteBlock(int address, const uint8_t* source, int count) override
    {
        return eeprom_.WriteBlock(address, source, count);
    }
    void Erase() { eeprom_.Erase(); }
    bool IsPageBlank(int address) const { return eeprom_.IsPageBlank(address); }

    // Addresses from .. min(to, Size()) - 1 become 0xFF; nothing happens when
    // to is below from.
    void EraseRange(int from, int to);

private:
    EEPROM eeprom_;
};

// Where the two layouts of the image differ.
namespace PmrLayout {
constexpr int kShortSize = 2048;    // short layout: file and radio transfer size
constexpr int kExtendedSize = 8192; // extended ("version 3 features") layout

// The 25 hidden channel records, 8 bytes each; byte 6 bit 0 marks a channel
// selectable with the knob, which a hidden channel of the short layout is not.
constexpr int kHiddenRecords = 545;
constexpr int kHiddenCount = 25;
constexpr int kRecordSize = 8;
constexpr int kFlagsA = 6;
// Short-layout name slots, 5 characters each; slot 99 (1240..1244) is also
// part of the CB bit maps.
constexpr int kNameSlots = 745;
constexpr int kNameSlotCount = 100;
constexpr int kNameSlotSize = 5;
} // namespace PmrLayout

// Alpha names read from the extended regions and the selcall memory names:
// letters and digits become upper case, space * + - . stay, every other
// byte (0xFF included) becomes a space.
char NameFilter(uint8_t byte);
QString NameFilter(const uint8_t* bytes, int count);

// The texts of the image operations, shared by every front end.
namespace PmrImageText {
inline constexpr const char* kDisableV3 =
    "Disabling radio v3 firmware v3 features will result in less channels, selcall memories, less alphas.\n"
    "Do you wish to continue?";
inline constexpr const char* kDisableV3Caption = "Disable firmware v3 features";
inline constexpr const char* kEnableV3 =
    "Enabling features from radio v3 firmware only be available on QL4120/QL4320 radios.\n"
    "Do you wish to continue?";
inline constexpr const char* kEnableV3Caption = "Enable firmware v3 features";
inline constexpr const char* kWriteError = "There is a problem writing the file";
inline constexpr const char* kReadError = "There is a problem reading the file";
inline constexpr const char* kFileErrorCaption = "File Error";
inline constexpr const char* kFileLoaded = "File loaded: "; // followed by the file name
inline constexpr const char* kNoFileLoaded = "No file loaded.";
} // namespace PmrImageText

// What the image operations need from the program in front of them. The
// main window answers with message boxes and shows the rest in its status
// bar, labels and menu; the command-line programmer answers from its options.
class PmrImageFrontEnd {
public:
    virtual ~PmrImageFrontEnd() = default;
    // Switch layout asks before each change; true = go on (OK).
    virtual bool AskDisableV3Features() = 0;
    virtual bool AskEnableV3Features() = 0;
    // A save failed after its file was created.
    virtual void ShowWriteError() = 0;
    // The main window's first status panel.
    virtual void ShowStatus(const QString& text) { (void)text; }
    // A load empties the hardware and firmware labels before it starts.
    virtual void ClearRadioLabels() {}
    // The layout flag as an operation left it: the check mark of "Enable F/W
    // version 3 features" (also after a Switch layout the user cancelled).
    virtual void ShowLayout(bool extended) { (void)extended; }
};

// The PMR configuration image with what belongs to it: the 8192 bytes, their
// EEbuffer, the layout flag, the size of the last programming file and the
// current file name. The main window holds one for the whole run.
class PmrImage {
public:
    PmrImage();
    PmrImage(const PmrImage&) = delete;
    PmrImage& operator=(const PmrImage&) = delete;

    EEbuffer& Buffer() { return buffer_; }
    const EEbuffer& Buffer() const { return buffer_; }
    uint8_t* Data() { return bytes_.data(); }
    const uint8_t* Data() const { return bytes_.data(); }

    // The layout flag: true = extended layout.
    bool V3Features() const { return v3Features_; }
    // Read from Radio sets it by the radio's capability.
    void SetV3Features(bool extended, PmrImageFrontEnd& frontEnd);
    // Bytes a save or a write to the radio covers under the current layout.
    int LayoutSize() const { return v3Features_ ? PmrLayout::kExtendedSize : PmrLayout::kShortSize; }

    // Bytes written by the last save or read by the last load (0 before either).
    int FileSize() const { return fileSize_; }
    const QString& CurrentFile() const { return currentFile_; }
    // The "CurrentFile" setting read at start.
    void SetCurrentFile(const QString& fileName) { currentFile_ = fileName; }

    // Writes LayoutSize() bytes. A file that cannot be created fails without
    // a message; a failure while writing shows the write error. Either way an
    // existing file keeps its old content.
    bool Save(const QString& fileName, PmrImageFrontEnd& frontEnd);
    // Erases the image and reads up to 8192 bytes from the file. 8192 bytes
    // (a longer file counts as 8192) select the extended layout, 2048 bytes
    // the short one; any other length fails with the bytes left in the image.
    // Shows no message box: the callers do.
    bool Load(const QString& fileName, PmrImageFrontEnd& frontEnd);
    // Short layout only: hidden channels lose their knob bit and the name
    // slots are rewritten as the channel table writes them.
    void NormaliseShortImage();
    // The handler of "Enable F/W version 3 features": asks, then switches.
    // Disabling erases everything from 2048 on. True when the layout changed;
    // either way the front end is shown the flag as it now stands.
    bool SwitchLayout(PmrImageFrontEnd& frontEnd);

private:
    std::array<uint8_t, EEbuffer::kImageSize> bytes_{};
    EEbuffer buffer_{bytes_.data(), EEbuffer::kImageSize};
    bool v3Features_ = false;
    int fileSize_ = 0;
    QString currentFile_;
};
