#pragma once

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
