#pragma once

#include <QString>
#include <cstdint>

// What the image transfer needs of a configuration image: copy bytes out at
// an address, store bytes in at an address. Both return the number of bytes
// copied (fewer at the end of the image).
class ImageBlocks {
public:
    virtual ~ImageBlocks() = default;
    virtual int ReadBlock(int address, uint8_t* destination, int count) const = 0;
    virtual int WriteBlock(int address, const uint8_t* source, int count) = 0;
};

// Writes the first size bytes of an image to a programming file. The file
// is replaced only when every byte reached the disk: a failed save leaves
// any existing file as it was. errorText receives the reason on failure.
bool SaveImageBlocks(const ImageBlocks& image, int size, const QString& fileName, QString* errorText = nullptr);
