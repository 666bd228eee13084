#pragma once

#include "radio/ImageBlocks.h"

#include <QString>
#include <cstdint>

// Bounds-checked accessor over a configuration image (or any byte buffer it
// does not own). Out-of-range addresses never fault: reads give 0, writes are
// dropped, block copies stop at the end of the buffer. 16-bit values are
// little-endian.
class EEPROM : public ImageBlocks {
public:
    static constexpr int kImageSize = 2048;

    EEPROM() = default;
    EEPROM(uint8_t* data, int size) { Attach(data, size); }

    void Attach(uint8_t* data, int size)
    {
        data_ = data;
        size_ = size;
    }
    uint8_t* Data() const { return data_; }
    int Size() const { return size_; }

    int GetByte(int address) const;
    unsigned GetWord(int address) const;
    void SetByte(int address, int value);
    void SetWord(int address, unsigned value);
    int ReadBlock(int address, uint8_t* destination, int count) const override;
    int WriteBlock(int address, const uint8_t* source, int count) override;
    void Erase();
    bool IsPageBlank(int address) const;

private:
    uint8_t* data_ = nullptr;
    int size_ = kImageSize;
};

// Programming files (.mem): the raw image, byte n of the file = address n,
// no header.
namespace MemFile {
// A programming file whose radio type (address 50) ql4100 does not take.
inline constexpr const char* kUnknownTypeText =
    "Unknown radio type in mem-file.\n\nPlease ensure correct mem-file is being used for the radio type.";


enum class LoadResult {
    Loaded,     // up to Size() bytes copied from the start of the file
    NotOpened,  // the file could not be opened; the image is unchanged
    ReadError,  // opened but reading failed; the image is unchanged
};

// Reads up to image.Size() bytes from the start of the file into the image.
// A shorter file fills only the first addresses; the rest keep their bytes.
// Nothing is copied unless the whole read succeeded.
LoadResult Load(EEPROM& image, const QString& fileName);

// Writes all image.Size() bytes. The file is replaced only when every byte
// reached the disk: a failed save leaves any existing file as it was.
// errorText receives the system's reason on failure.
bool Save(const EEPROM& image, const QString& fileName, QString* errorText = nullptr);

} // namespace MemFile
