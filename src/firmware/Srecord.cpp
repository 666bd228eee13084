#include "Srecord.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int RecordType(std::string_view line)
{
    if (line.size() < 2 || line[0] != 'S' || line[1] < '0' || line[1] > '9')
        return -1;
    return line[1] - '0';
}

int HexByte(char high, char low)
{
    const int h = HexDigit(high);
    const int l = HexDigit(low);
    if (h < 0 || l < 0)
        return -1;
    return h * 16 + l;
}

int ParseS2(std::string_view line, uint32_t& address, SRecordData& data)
{
    if (line.size() < 2)
        return -1;
    std::array<uint8_t, 256> bytes;
    int k = 0;
    for (size_t i = 2; i < line.size(); i += 2) {
        if (k == 256 || i + 1 >= line.size())
            return -1;
        const int value = HexByte(line[i], line[i + 1]);
        if (value < 0)
            return -1;
        bytes[k++] = static_cast<uint8_t>(value);
    }
    if (k == 256 || k < 5 || k != bytes[0] + 1)
        return -1;
    unsigned sum = 0;
    for (int i = 0; i < k - 1; ++i)
        sum += bytes[i];
    if (((0xFF - sum) & 0xFF) != bytes[k - 1])
        return -1;
    address = bytes[1] * 65536u + bytes[2] * 256u + bytes[3];
    const int n = k - 5;
    for (int i = 0; i < n; ++i)
        data[i] = bytes[4 + i];
    return n;
}

FlashImage::FlashImage()
    : bytes_(std::make_unique<std::array<uint8_t, kSize>>())
{
    image_.Attach(bytes_->data(), kSize);
    image_.Erase();
}

bool FlashImage::LoadSRecordFile(const QString& path)
{
    image_.Erase();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    SRecordLoader loader(*this);
    std::vector<char> chunk(64 * 1024);
    int64_t total = 0;
    while (total < kMaxFileBytes) {
        const qint64 want = std::min<int64_t>(static_cast<int64_t>(chunk.size()), kMaxFileBytes - total);
        const qint64 n = file.read(chunk.data(), want);
        if (n <= 0)
            break;
        loader.Feed(chunk.data(), static_cast<size_t>(n));
        total += n;
    }
    loader.Finish();
    return true;
}

void FlashImage::LoadSRecordText(const char* text, size_t size)
{
    image_.Erase();
    SRecordLoader loader(*this);
    loader.Feed(text, size);
    loader.Finish();
}

uint32_t FlashImage::FirstUsedAddress() const
{
    static const std::array<uint8_t, kPageSize> blank = [] {
        std::array<uint8_t, kPageSize> page;
        page.fill(0xFF);
        return page;
    }();
    for (int offset = 0; offset < kSize; offset += kPageSize)
        if (std::memcmp(Data() + offset, blank.data(), kPageSize) != 0)
            return kBase + static_cast<uint32_t>(offset);
    return kEnd;
}

void SRecordLoader::Feed(const char* text, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == '\n') {
            EndLine();
            continue;
        }
        if (overlong_)
            continue;
        if (length_ == FlashImage::kMaxLine) {
            overlong_ = true;
            continue;
        }
        line_[length_++] = c;
    }
}

void SRecordLoader::EndLine()
{
    int length = length_;
    const bool overlong = overlong_;
    length_ = 0;
    overlong_ = false;
    // Text-mode reading: CR LF is a line end.
    if (length > 0 && line_[length - 1] == '\r')
        --length;
    if (overlong || length > FlashImage::kMaxLine - 1)
        return;
    const std::string_view line(line_.data(), static_cast<size_t>(length));
    if (RecordType(line) != 2)
        return;
    uint32_t address = 0;
    SRecordData data;
    const int n = ParseS2(line, address, data);
    if (n < 0 || address < FlashImage::kBase || address >= FlashImage::kEnd)
        return;
    // Bytes past the end of the image are dropped by the accessor.
    flash_.Image().WriteBlock(static_cast<int>(address - FlashImage::kBase), data.data(), n);
}
