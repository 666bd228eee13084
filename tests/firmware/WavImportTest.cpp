#include "firmware/WavImport.h"
#include "firmware/Srecord.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

QByteArray Le16(unsigned v)
{
    QByteArray b;
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    return b;
}

QByteArray Le32(uint32_t v)
{
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// A chunk with its size from the body, padded to an even length.
QByteArray Chunk(const char* id, const QByteArray& body)
{
    QByteArray b = QByteArray(id, 4) + Le32(uint32_t(body.size())) + body;
    if (body.size() % 2)
        b.append('\0');
    return b;
}

QByteArray Fmt(unsigned channels, uint32_t rate, unsigned bits, unsigned format = 1, int extra = 0)
{
    const unsigned align = channels * bits / 8;
    QByteArray body = Le16(format) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
    if (extra > 0)
        body += Le16(unsigned(extra - 2)) + QByteArray(extra - 2, '\x11');
    return Chunk("fmt ", body);
}

QByteArray Riff(const QByteArray& chunks)
{
    return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}

QByteArray Samples16(const std::vector<int>& samples)
{
    QByteArray b;
    for (int s : samples)
        b += Le16(unsigned(s) & 0xFFFF);
    return b;
}

QByteArray Bytes(const std::vector<int>& bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(char(v));
    return b;
}

std::vector<uint8_t> BlockStart(const WavImport& wav, int n)
{
    return std::vector<uint8_t>(wav.Block().begin(), wav.Block().begin() + n);
}

bool AllFF(const WavImport& wav, int from)
{
    for (int i = from; i < WavImport::kBlockSize; ++i)
        if (wav.Block()[i] != 0xFF)
            return false;
    return true;
}

// Imports the bytes from a file and from memory; both must agree.
class WavImportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    bool Import(WavImport& wav, const QByteArray& bytes)
    {
        const QString path = dir_.filePath("voice.wav");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        WavImport fromMemory;
        const bool memoryOk = fromMemory.Import(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        const bool ok = wav.Import(path);
        EXPECT_EQ(ok, memoryOk);
        EXPECT_EQ(wav.SampleRate(), fromMemory.SampleRate());
        EXPECT_EQ(wav.SampleCount(), fromMemory.SampleCount());
        EXPECT_TRUE(wav.Block() == fromMemory.Block());
        return ok;
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(WavImportTest, EightBitMonoIsStoredAsIs)
{
    WavImport wav;
    ASSERT_TRUE(Import(wav, Riff(Fmt(1, 8000, 8) + Chunk("data", Bytes({ 0x80, 0x81, 0x7F, 0x00, 0xFF })))));
    EXPECT_EQ(wav.SampleRate(), 8000);
    EXPECT_EQ(wav.SampleCount(), 5);
    EXPECT_DOUBLE_EQ(wav.LengthSeconds(), 5.0 / 8000);
    EXPECT_EQ(BlockStart(wav, 9), (std::vector<uint8_t> { 0x40, 0x1F, 0x05, 0x00, 0x80, 0x81, 0x7F, 0x00, 0xFF }));
    EXPECT_TRUE(AllFF(wav, 9));
}

TEST_F(WavImportTest, ChannelsAreMixedOneAtATime)
{
    // r = 0; r = (r + sample) / channels for each channel, truncating.
    const struct {
        const char* name;
        unsigned channels, bits;
        QByteArray data;
        std::vector<uint8_t> values;
    } cases[] = {
        { "8-bit stereo", 2, 8, Bytes({ 0x80 + 100, 0x80 + 20, 0x80 - 101, 0x80, 0x80 - 2, 0x80 + 1 }), { 0xA3, 0x67, 0x80 } },
        { "8-bit three channels", 3, 8, Bytes({ 0x80 + 10, 0x80 + 20, 0x80 + 30 }), { 0x8C } },
        { "16-bit stereo, quiet", 2, 16, Samples16({ 100, 20, -101, 0, 40, 100, 0, 128 }), { 0xA3, 0x67, 0xBC, 0xC0 } },
        { "16-bit mono, quiet", 1, 16, Samples16({ 100, -128, 128, 0 }), { 0xE4, 0x00, 0x00, 0x80 } },
    };
    for (const auto& c : cases) {
        WavImport wav;
        ASSERT_TRUE(Import(wav, Riff(Fmt(c.channels, 8000, c.bits) + Chunk("data", c.data)))) << c.name;
        ASSERT_EQ(wav.SampleCount(), int(c.values.size())) << c.name;
        EXPECT_EQ(BlockStart(wav, 4 + int(c.values.size())).back(), c.values.back()) << c.name;
        EXPECT_EQ(std::vector<uint8_t>(wav.Block().begin() + 4, wav.Block().begin() + 4 + c.values.size()), c.values)
            << c.name;
        EXPECT_TRUE(AllFF(wav, 4 + int(c.values.size()))) << c.name;
    }
}

TEST_F(WavImportTest, LoudRecordingsAreFilteredAndScaled)
{
    // High-pass at 3000 Hz, a = exp(-2*pi*3000/8000), c = (1+a)/2, using the
    // previous input: 1000 1000 1000 0 0 -> 547 51 4 -547 -51, peak 547,
    // scaled by 127/547 -> 127 11 0 -127 -11.
    // A constant 200 -> 109 10 0 0: below 129 after the filter, not scaled.
    const struct {
        const char* name;
        uint32_t rate;
        std::vector<int> samples;
        std::vector<uint8_t> values;
    } cases[] = {
        { "step", 8000, { 1000, 1000, 1000, 0, 0 }, { 0xFF, 0x8B, 0x80, 0x01, 0x75 } },
        { "constant", 8000, { 200, 200, 200, 200 }, { 0xED, 0x8A, 0x80, 0x80 } },
        { "alternating at 12000 Hz", 12000, { -30000, 30000, -30000, 30000 }, { 0x3A, 0xFF, 0x0D, 0xF5 } },
    };
    for (const auto& c : cases) {
        WavImport wav;
        ASSERT_TRUE(Import(wav, Riff(Fmt(1, c.rate, 16) + Chunk("data", Samples16(c.samples))))) << c.name;
        EXPECT_EQ(std::vector<uint8_t>(wav.Block().begin() + 4, wav.Block().begin() + 4 + c.values.size()), c.values)
            << c.name;
    }
}

TEST_F(WavImportTest, HighRatesKeepEveryNthFrame)
{
    const struct {
        uint32_t rate;
        int stored;
        int step;
    } cases[] = {
        { 48000, 12000, 4 }, { 44100, 11025, 4 }, { 44099, 22049, 2 }, { 22050, 11025, 2 },
        { 22049, 22049, 1 }, { 8000, 8000, 1 }, { 96000, 24000, 4 }, { 262143, 65535, 4 },
    };
    for (const auto& c : cases) {
        // Frame i holds i % 101 - 50: quiet enough to be stored unchanged.
        std::vector<int> samples;
        for (int i = 0; i < 1000; ++i)
            samples.push_back(i % 101 - 50);
        WavImport wav;
        ASSERT_TRUE(Import(wav, Riff(Fmt(1, c.rate, 16) + Chunk("data", Samples16(samples))))) << c.rate;
        EXPECT_EQ(wav.SampleRate(), c.stored) << c.rate;
        EXPECT_EQ(wav.Block()[0] + 256 * wav.Block()[1], c.stored) << c.rate;
        ASSERT_EQ(wav.SampleCount(), 1000 / c.step) << c.rate;
        for (int j = 0; j < wav.SampleCount(); ++j)
            ASSERT_EQ(wav.Block()[4 + j], (j * c.step) % 101 - 50 + 128) << c.rate << " value " << j;
        EXPECT_TRUE(AllFF(wav, 4 + wav.SampleCount())) << c.rate;
    }
}

TEST_F(WavImportTest, FortyEightKilohertzIsStoredAtTwelve)
{
    std::vector<int> samples(48000, 0);
    samples[4] = 100;   // kept (frame 4 = value 1)
    samples[5] = 90;    // dropped
    WavImport wav;
    ASSERT_TRUE(Import(wav, Riff(Fmt(1, 48000, 16) + Chunk("data", Samples16(samples)))));
    EXPECT_EQ(wav.SampleRate(), 12000);
    EXPECT_EQ(wav.SampleCount(), 12000);
    EXPECT_DOUBLE_EQ(wav.LengthSeconds(), 1.0);
    EXPECT_EQ(BlockStart(wav, 7), (std::vector<uint8_t> { 0xE0, 0x2E, 0xE0, 0x2E, 0x80, 0xE4, 0x80 }));
}

TEST_F(WavImportTest, LongRecordingsAreCutAt65532Values)
{
    // 16-bit stereo at 8000 Hz, 100000 frames.
    std::vector<int> samples;
    for (int i = 0; i < 100000; ++i) {
        samples.push_back(i % 50);
        samples.push_back(i % 50);
    }
    WavImport wav;
    ASSERT_TRUE(Import(wav, Riff(Fmt(2, 8000, 16) + Chunk("data", Samples16(samples)))));
    EXPECT_EQ(wav.SampleRate(), 8000);
    EXPECT_EQ(wav.SampleCount(), 65532);
    EXPECT_DOUBLE_EQ(wav.LengthSeconds(), 65532.0 / 8000);
    EXPECT_EQ(BlockStart(wav, 4), (std::vector<uint8_t> { 0x40, 0x1F, 0xFC, 0xFF }));
    // Both channels equal s: (s/2 + s)/2.
    EXPECT_EQ(wav.Block()[4 + 49], (49 / 2 + 49) / 2 + 128);
    EXPECT_EQ(wav.Block()[65535], (65531 % 50 / 2 + 65531 % 50) / 2 + 128);
}

TEST_F(WavImportTest, OtherChunksAndFormatExtrasAreSkipped)
{
    const QByteArray data = Chunk("data", Bytes({ 0x90, 0x70 }));
    const QByteArray variants[] = {
        Riff(Chunk("LIST", "INFOabc") + Fmt(1, 8000, 8) + data),        // odd size, padded
        Riff(Fmt(1, 8000, 8, 1, 2) + data),                             // cbSize 0
        Riff(Fmt(1, 8000, 8, 1, 8) + Chunk("fact", Le32(2)) + data),
        Riff(Fmt(1, 8000, 8) + data + Chunk("LIST", "trailer")),
    };
    for (const QByteArray& bytes : variants) {
        WavImport wav;
        ASSERT_TRUE(Import(wav, bytes));
        EXPECT_EQ(BlockStart(wav, 7), (std::vector<uint8_t> { 0x40, 0x1F, 0x02, 0x00, 0x90, 0x70, 0xFF }));
    }
}

TEST_F(WavImportTest, BadFilesAreRefused)
{
    const QByteArray data = Chunk("data", Bytes({ 0x90, 0x70 }));
    const QByteArray good = Riff(Fmt(1, 8000, 8) + data);
    QByteArray hugeData = Riff(Fmt(1, 8000, 8)) + "data" + Le32(0xFFFFFFFF) + Bytes({ 1, 2, 3 });
    QByteArray hugeChunk = Riff(Fmt(1, 8000, 8)) + "LIST" + Le32(0xFFFFFFFF) + data;
    QByteArray shortFmt = Riff(Chunk("fmt ", Le16(1) + Le16(1) + Le32(8000) + Le32(8000) + Le16(1)) + data);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        { "data before fmt", Riff(data + Fmt(1, 8000, 8)) },
        { "empty", QByteArray() },
        { "not RIFF", "RIFX" + good.mid(4) },
        { "not WAVE", good.left(8) + "AVI " + good.mid(12) },
        { "header cut", good.left(11) },
        { "no chunks", good.left(12) },
        { "chunk header cut", good.left(16) },
        { "fmt fields cut", good.left(30) },
        { "no data chunk", Riff(Fmt(1, 8000, 8)) },
        { "data cut", good.left(good.size() - 1 - 1) },
        { "data size past the end", hugeData },
        { "chunk size past the end", hugeChunk },
        { "fmt of 14 bytes", shortFmt },
        { "not PCM", Riff(Fmt(1, 8000, 8, 3) + data) },
        { "no channels", Riff(Fmt(0, 8000, 8) + data) },
        { "nine channels", Riff(Fmt(9, 8000, 8) + Chunk("data", QByteArray(18, '\x80'))) },
        { "24 bits", Riff(Fmt(1, 8000, 24) + Chunk("data", QByteArray(6, '\0'))) },
        { "rate 0", Riff(Fmt(1, 0, 8) + data) },
        { "stored rate over 16 bits", Riff(Fmt(1, 262144, 8) + Chunk("data", QByteArray(8, '\x80'))) },
    };
    for (const auto& c : cases) {
        WavImport wav;
        ASSERT_TRUE(Import(wav, good)) << c.name;   // a failure clears what was there
        EXPECT_FALSE(Import(wav, c.bytes)) << c.name;
        EXPECT_EQ(wav.SampleRate(), 0) << c.name;
        EXPECT_EQ(wav.SampleCount(), 0) << c.name;
        EXPECT_TRUE(AllFF(wav, 0)) << c.name;
    }
    WavImport wav;
    EXPECT_FALSE(wav.Import(dir_.filePath("missing.wav")));
    EXPECT_FALSE(wav.Import(QString()));
}

TEST_F(WavImportTest, VoiceBlockReplacesFlashAtE0000)
{
    FlashImage flash;
    // Firmware bytes at 0xDFFFF, 0xE0000, 0xE0100 and 0xF0000.
    const std::string text = "S2050DFFFF11DE\nS2050E000022CA\nS2050E010033B8\nS2050F000044A7\n";
    flash.LoadSRecordText(text.data(), text.size());
    ASSERT_EQ(flash.Data()[0x1FFFF], 0x11);
    ASSERT_EQ(flash.Data()[0x20000], 0x22);
    ASSERT_EQ(flash.Data()[0x20100], 0x33);
    ASSERT_EQ(flash.Data()[0x30000], 0x44);

    WavImport wav;
    ASSERT_TRUE(Import(wav, Riff(Fmt(1, 8000, 8) + Chunk("data", Bytes({ 0x80, 0x81, 0x7F, 0x00, 0xFF })))));
    wav.MergeInto(flash.Image());
    const std::vector<uint8_t> at(flash.Data() + 0x20000, flash.Data() + 0x20000 + 10);
    EXPECT_EQ(at, (std::vector<uint8_t> { 0x40, 0x1F, 0x05, 0x00, 0x80, 0x81, 0x7F, 0x00, 0xFF, 0xFF }));
    EXPECT_EQ(flash.Data()[0x20100], 0xFF);
    EXPECT_EQ(flash.Data()[0x2FFFF], 0xFF);
    EXPECT_EQ(flash.Data()[0x1FFFF], 0x11);
    EXPECT_EQ(flash.Data()[0x30000], 0x44);
    EXPECT_EQ(flash.FirstUsedAddress(), 0xDFF00u);
}
