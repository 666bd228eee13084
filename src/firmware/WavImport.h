#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class EEPROM;

// Voice identification: a WAV recording turned into the 64 KiB voice block
// that the radio plays from flash address 0xE0000.
//
// Accepted: RIFF/WAVE, "fmt " before "data", plain PCM (format 1), 1-8
// channels, 8 or 16 bits. Rates above 44099 Hz keep every 4th frame, above
// 22049 Hz every 2nd. Channels are mixed into one value per frame, loud
// recordings are high-pass filtered and scaled down to 8 bits.
//
// Block layout: bytes 0-1 stored rate, bytes 2-3 sample count n (both
// little-endian), bytes 4..n+3 the samples as unsigned 8-bit, the rest 0xFF.
class WavImport {
public:
    static constexpr int kBlockSize = 65536;
    static constexpr int kMaxSamples = kBlockSize - 4;
    static constexpr int kFlashOffset = 0x20000;   // radio address 0xE0000

    // Byte supply for the parser: a file or memory.
    class Source {
    public:
        virtual ~Source() = default;
        // Bytes read into destination, fewer at the end.
        virtual size_t Read(uint8_t* destination, size_t count) = 0;
        // False if fewer than count bytes are left.
        virtual bool Skip(uint64_t count) = 0;
    };

    WavImport();

    // Imports the file. False if it cannot be opened or is not a recording of
    // the accepted kind; the block is then all 0xFF, rate and count 0.
    bool Import(const QString& path);
    // The same from the file's bytes in memory.
    bool Import(const uint8_t* bytes, size_t size);
    bool Import(Source& source);

    int SampleRate() const { return rate_; }      // stored rate, Hz
    int SampleCount() const { return count_; }
    double LengthSeconds() const { return rate_ > 0 ? double(count_) / rate_ : 0.0; }
    const std::array<uint8_t, kBlockSize>& Block() const { return *block_; }

    // Copies the voice block into a flash image (256 KiB, address 0 = radio
    // address 0xC0000) at radio address 0xE0000.
    void MergeInto(EEPROM& flash) const;

private:
    bool Parse(Source& source);
    void Clear();

    std::unique_ptr<std::array<uint8_t, kBlockSize>> block_;
    int rate_ = 0;
    int count_ = 0;
};
