#pragma once

#include "telemetry/Eeprom.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Motorola S-record loader for the radio's program flash.
//
// A record line is "S", a type digit, then upper-case hexadecimal byte pairs:
// count, address, data, checksum (0xFF minus the low byte of the sum of count,
// address and data). Only S2 records (24-bit address) are loaded; every other
// line is skipped, and so is every malformed record, without a word: a damaged
// file is caught later by the identity check and the verify pass.

// Largest number of data bytes an S2 record can carry (255 bytes in all,
// less count, 3 address bytes and checksum).
constexpr int kSRecordMaxData = 250;
using SRecordData = std::array<uint8_t, kSRecordMaxData>;

// The type digit's value 0-9, or -1 if the line does not start with "S"
// followed by a decimal digit.
int RecordType(std::string_view line);

// Value 0-255 of two hexadecimal digits (0-9, A-F only), or -1.
int HexByte(char high, char low);

// Decodes an S2 record (the line without its line end). Returns the number of
// data bytes (>= 0) with address and data filled, or -1 if the record is
// malformed: a character other than 0-9/A-F after the type, an odd digit,
// 256 bytes or more, a count that does not match, a bad checksum, or too few
// bytes for an address.
int ParseS2(std::string_view line, uint32_t& address, SRecordData& data);

// Image of the radio's program flash, radio addresses 0xC0000-0xFFFFF.
class FlashImage {
public:
    static constexpr int kSize = 0x40000;
    static constexpr uint32_t kBase = 0xC0000;
    static constexpr uint32_t kEnd = 0x100000;     // one past the last address
    static constexpr int kPageSize = 256;

    // Lines longer than this (line feed included, a CR before it not counted)
    // are never records and are skipped whole.
    static constexpr int kMaxLine = 254;
    // Reading stops after this many bytes. A full image is about 600 KiB of
    // S-records; anything near this size can only be junk, and stopping bounds
    // the time spent on it.
    static constexpr int64_t kMaxFileBytes = 64ll * 1024 * 1024;

    FlashImage();
    FlashImage(const FlashImage&) = delete;
    FlashImage& operator=(const FlashImage&) = delete;

    // Byte and page access to the image; address 0 is radio address 0xC0000.
    EEPROM& Image() { return image_; }
    const EEPROM& Image() const { return image_; }
    uint8_t* Data() { return bytes_->data(); }
    const uint8_t* Data() const { return bytes_->data(); }

    // Erases the image to 0xFF, then loads the file's S2 records. False only
    // if the file cannot be opened (the image is then all 0xFF).
    bool LoadSRecordFile(const QString& path);

    // Erases the image to 0xFF, then loads S2 records from text in memory,
    // as the file loader does with the file's bytes.
    void LoadSRecordText(const char* text, size_t size);

    // Radio address of the first page that is not all 0xFF, 0x100000 if the
    // whole image is blank.
    uint32_t FirstUsedAddress() const;

private:
    std::unique_ptr<std::array<uint8_t, kSize>> bytes_;
    EEPROM image_;
};

// Splits text into lines and stores the S2 records they hold into a flash
// image. Text may come in pieces of any size; memory use does not depend on
// the text.
class SRecordLoader {
public:
    explicit SRecordLoader(FlashImage& flash) : flash_(flash) {}

    void Feed(const char* text, size_t size);
    // A last line without a line feed is not a record: it is dropped.
    void Finish() { length_ = 0; overlong_ = false; }

private:
    void EndLine();

    FlashImage& flash_;
    std::array<char, FlashImage::kMaxLine> line_ {};
    int length_ = 0;
    bool overlong_ = false;
};
