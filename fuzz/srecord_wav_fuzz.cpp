// libFuzzer target for the firmware file readers. Input: the first byte
// chooses the reader (bit 0: 0 = S-records, 1 = WAV) and, for S-records, the
// piece size the text is fed in (bits 1..7, plus one); the rest is the file.
//
// S-records: loading in pieces gives the same image as loading at once, and
// FirstUsedAddress is a page address with only blank pages before it.
// WAV: a failed import leaves rate 0, count 0 and a blank block; a good one
// has rate and count in the block's header, at most 65532 values and 0xFF
// after them; merging changes only the 64 KiB at 0x20000 of the image.
#include "firmware/Srecord.h"
#include "firmware/WavImport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// FlashImage::kSize bytes of 0xFF.
const uint8_t* Blank()
{
    static const std::vector<uint8_t> blank(FlashImage::kSize, 0xFF);
    return blank.data();
}

FlashImage& Whole()
{
    static FlashImage flash;
    return flash;
}

FlashImage& Pieces()
{
    static FlashImage flash;
    return flash;
}

void FuzzSRecords(unsigned piece, const char* text, size_t size)
{
    FlashImage& whole = Whole();
    whole.LoadSRecordText(text, size);

    FlashImage& pieces = Pieces();
    pieces.Image().Erase();
    SRecordLoader loader(pieces);
    for (size_t i = 0; i < size; i += piece)
        loader.Feed(text + i, std::min<size_t>(piece, size - i));
    loader.Finish();
    Check(std::memcmp(whole.Data(), pieces.Data(), FlashImage::kSize) == 0);

    const uint32_t first = whole.FirstUsedAddress();
    Check(first >= FlashImage::kBase && first <= FlashImage::kEnd && first % FlashImage::kPageSize == 0);
    Check(std::memcmp(whole.Data(), Blank(), first - FlashImage::kBase) == 0);
    if (first < FlashImage::kEnd)
        Check(!whole.Image().IsPageBlank(int(first - FlashImage::kBase)));
}

void FuzzWav(const uint8_t* bytes, size_t size)
{
    static WavImport wav;
    const bool ok = wav.Import(bytes, size);
    const auto& block = wav.Block();
    const int n = wav.SampleCount();
    if (!ok) {
        Check(wav.SampleRate() == 0 && n == 0);
    } else {
        Check(wav.SampleRate() > 0 && wav.SampleRate() <= 0xFFFF);
        Check(n >= 0 && n <= WavImport::kMaxSamples);
        Check(block[0] + 256 * block[1] == wav.SampleRate());
        Check(block[2] + 256 * block[3] == n);
    }
    const int used = ok ? 4 + n : 0;
    Check(std::memcmp(block.data() + used, Blank(), size_t(WavImport::kBlockSize - used)) == 0);

    FlashImage& flash = Whole();
    flash.Image().Erase();
    flash.Data()[0x1FFFF] = 0x5A;
    flash.Data()[0x30000] = 0xA5;
    wav.MergeInto(flash.Image());
    Check(std::memcmp(flash.Data() + 0x20000, block.data(), WavImport::kBlockSize) == 0);
    Check(flash.Data()[0x1FFFF] == 0x5A && flash.Data()[0x30000] == 0xA5);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    if (mode & 1)
        FuzzWav(data + 1, size - 1);
    else
        FuzzSRecords((mode >> 1) + 1u, reinterpret_cast<const char*>(data + 1), size - 1);
    return 0;
}
