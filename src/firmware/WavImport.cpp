#include "WavImport.h"

#include "telemetry/Eeprom.h"

#include <QFile>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class FileSource : public WavImport::Source {
public:
    explicit FileSource(QFile& file) : file_(file) {}

    size_t Read(uint8_t* destination, size_t count) override
    {
        size_t got = 0;
        while (got < count) {
            const qint64 n = file_.read(reinterpret_cast<char*>(destination) + got,
                                        static_cast<qint64>(count - got));
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        return got;
    }

    bool Skip(uint64_t count) override
    {
        const qint64 pos = file_.pos();
        const qint64 left = file_.size() - pos;
        if (left < 0 || count > static_cast<uint64_t>(left))
            return false;
        return file_.seek(pos + static_cast<qint64>(count));
    }

private:
    QFile& file_;
};

class MemorySource : public WavImport::Source {
public:
    MemorySource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    size_t Read(uint8_t* destination, size_t count) override
    {
        const size_t n = std::min(count, size_ - pos_);
        if (n > 0)
            std::memcpy(destination, bytes_ + pos_, n);
        pos_ += n;
        return n;
    }

    bool Skip(uint64_t count) override
    {
        if (count > size_ - pos_)
            return false;
        pos_ += static_cast<size_t>(count);
        return true;
    }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t pos_ = 0;
};

bool ReadExact(WavImport::Source& source, uint8_t* destination, size_t count)
{
    return source.Read(destination, count) == count;
}

uint32_t Le32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

unsigned Le16(const uint8_t* p)
{
    return p[0] | p[1] << 8u;
}

int Peak(const std::vector<int>& values)
{
    int peak = 0;
    for (int v : values)
        peak = std::max(peak, std::abs(v));
    return peak;
}

// One-pole high-pass at 3000 Hz: y = c*x - c*x_prev + a*y_prev with
// a = exp(-2*pi*3000/f), c = (1 + a)/2, results truncated toward zero.
// Removes DC and everything well below 3 kHz before the values are scaled
// to 8 bits.
void HighPass(std::vector<int>& values, int rate)
{
    const double a = std::exp(-2.0 * M_PI * 3000.0 / rate);
    const double c = (1.0 + a) / 2.0;
    double previousIn = 0;
    double previousOut = 0;
    for (int& v : values) {
        const double x = v;
        const double y = std::trunc(c * x - c * previousIn + a * previousOut);
        previousIn = x;
        previousOut = y;
        v = static_cast<int>(y);
    }
}

} // namespace

WavImport::WavImport()
    : block_(std::make_unique<std::array<uint8_t, kBlockSize>>())
{
    Clear();
}

void WavImport::Clear()
{
    block_->fill(0xFF);
    rate_ = 0;
    count_ = 0;
}

bool WavImport::Import(const QString& path)
{
    Clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    FileSource source(file);
    return Import(source);
}

bool WavImport::Import(const uint8_t* bytes, size_t size)
{
    MemorySource source(bytes, bytes == nullptr ? 0 : size);
    return Import(source);
}

bool WavImport::Import(Source& source)
{
    Clear();
    if (Parse(source))
        return true;
    Clear();
    return false;
}

bool WavImport::Parse(Source& source)
{
    uint8_t header[12];
    if (!ReadExact(source, header, sizeof header) || std::memcmp(header, "RIFF", 4) != 0
        || std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;

    // Chunks: 4-byte id, 4-byte little-endian size, the body, and a pad byte
    // after an odd-sized body (RIFF keeps chunks on even offsets).
    bool haveFormat = false;
    unsigned format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    uint32_t dataSize = 0;
    for (;;) {
        uint8_t chunk[8];
        if (!ReadExact(source, chunk, sizeof chunk))
            return false;
        const uint32_t size = Le32(chunk + 4);
        const uint64_t padded = uint64_t(size) + (size & 1u);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t fields[16];
            if (size < sizeof fields || !ReadExact(source, fields, sizeof fields))
                return false;
            format = Le16(fields);
            channels = Le16(fields + 2);
            rate = Le32(fields + 4);
            bits = Le16(fields + 14);   // byte rate and block alignment are not used
            if (!source.Skip(padded - sizeof fields))
                return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            dataSize = size;
            break;
        } else if (!source.Skip(padded)) {
            return false;
        }
    }
    if (format != 1 || channels < 1 || channels > 8 || (bits != 8 && bits != 16) || rate == 0)
        return false;

    const unsigned step = rate > 44099 ? 4 : rate > 22049 ? 2 : 1;
    const uint32_t stored = rate / step;
    if (stored > 0xFFFF)
        return false;
    const unsigned bytesPerSample = bits / 8;
    const unsigned frameSize = channels * bytesPerSample;
    const uint32_t n = std::min<uint32_t>(dataSize / channels / bytesPerSample / step, kMaxSamples);

    std::vector<int> values(n);
    uint8_t frame[8 * 2];
    for (uint32_t i = 0; i < n; ++i) {
        if (i > 0 && !source.Skip(uint64_t(step - 1) * frameSize))
            return false;
        if (!ReadExact(source, frame, frameSize))
            return false;
        int r = 0;
        for (unsigned ch = 0; ch < channels; ++ch) {
            const int sample = bits == 8 ? frame[ch] - 128
                                         : static_cast<int16_t>(Le16(frame + 2 * ch));
            r = (r + sample) / static_cast<int>(channels);
        }
        values[i] = r;
    }

    int peak = Peak(values);
    if (peak > 128) {
        HighPass(values, static_cast<int>(stored));
        peak = Peak(values);
        if (peak > 128)
            for (int& v : values)
                v = v * 127 / peak;
    }

    std::array<uint8_t, kBlockSize>& block = *block_;
    block[0] = static_cast<uint8_t>(stored & 0xFF);
    block[1] = static_cast<uint8_t>(stored >> 8);
    block[2] = static_cast<uint8_t>(n & 0xFF);
    block[3] = static_cast<uint8_t>(n >> 8);
    for (uint32_t i = 0; i < n; ++i)
        block[4 + i] = static_cast<uint8_t>((values[i] + 128) & 0xFF);
    rate_ = static_cast<int>(stored);
    count_ = static_cast<int>(n);
    return true;
}

void WavImport::MergeInto(EEPROM& flash) const
{
    flash.WriteBlock(kFlashOffset, block_->data(), kBlockSize);
}
