#include "firmware/Srecord.h"

#include <QFile>
#include <QTemporaryDir>
#include <QByteArray>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An S2 record for the given address and data, with its checksum, for
// record sizes the tables below do not write out.
std::string S2(uint32_t address, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> body { static_cast<uint8_t>(data.size() + 4), static_cast<uint8_t>(address >> 16),
                                static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address) };
    body.insert(body.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : body)
        sum += b;
    body.push_back(static_cast<uint8_t>(0xFF - (sum & 0xFF)));
    std::string line = "S2";
    static const char digits[] = "0123456789ABCDEF";
    for (uint8_t b : body) {
        line += digits[b >> 4];
        line += digits[b & 15];
    }
    return line;
}

std::vector<uint8_t> Counting(int n, int first = 0)
{
    std::vector<uint8_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<uint8_t>(first + i));
    return v;
}

struct Placed {
    int offset;
    std::vector<uint8_t> bytes;
};

// Compares the whole image with 0xFF everywhere except the placed bytes.
::testing::AssertionResult ImageIs(const FlashImage& flash, const std::vector<Placed>& placed)
{
    std::vector<uint8_t> expected(FlashImage::kSize, 0xFF);
    for (const Placed& p : placed)
        std::copy(p.bytes.begin(), p.bytes.end(), expected.begin() + p.offset);
    for (int i = 0; i < FlashImage::kSize; ++i)
        if (flash.Data()[i] != expected[i])
            return ::testing::AssertionFailure() << "offset 0x" << std::hex << i << ": 0x" << int(flash.Data()[i])
                                                 << ", expected 0x" << int(expected[i]);
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Srecord, RecordTypeIsTheDigitAfterS)
{
    const struct {
        const char* line;
        int type;
    } cases[] = {
        { "S2080C0000AABBCCDDDD", 2 }, { "S00600004844521B", 0 }, { "S9040C0000EF", 9 },
        { "S1", 1 }, { "S5", 5 }, { "s2080C0000AABBCCDDDD", -1 }, { "SA", -1 }, { "S:", -1 },
        { "X2080C0000AABBCCDDDD", -1 }, { " S2", -1 }, { "S", -1 }, { "", -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordType(c.line), c.type) << c.line;
}

TEST(Srecord, HexByteTakesUpperCaseDigitsOnly)
{
    const struct {
        char high, low;
        int value;
    } cases[] = {
        { '0', '0', 0x00 }, { 'F', 'F', 0xFF }, { 'A', '5', 0xA5 }, { '9', 'B', 0x9B }, { '1', '0', 0x10 },
        { 'a', '5', -1 }, { '5', 'f', -1 }, { 'G', '0', -1 }, { '0', ':', -1 }, { '/', '0', -1 },
        { '@', '1', -1 }, { ' ', '1', -1 }, { '\0', '0', -1 }, { '\r', '0', -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexByte(c.high, c.low), c.value) << c.high << c.low;
}

TEST(Srecord, ParseS2DecodesOrRefusesRecords)
{
    const std::string max = S2(0xC1000, Counting(250));
    const std::string tooMany = "S2FF" + std::string(2 * 255, '0');
    const struct {
        std::string line;
        int n;
        uint32_t address;
        std::vector<uint8_t> data;
    } cases[] = {
        { "S2080C0000AABBCCDDDD", 4, 0xC0000, { 0xAA, 0xBB, 0xCC, 0xDD } },
        { "S2140FFFF0101112131415161718191A1B1C1D1E1F75", 16, 0xFFFF0, Counting(16, 0x10) },
        { "S2050E010012D9", 1, 0xE0100, { 0x12 } },
        { "S2040E0100EC", 0, 0xE0100, {} },
        { "S2080BFFF001020304F3", 4, 0xBFFF0, { 1, 2, 3, 4 } },      // range is the loader's check
        { max, 250, 0xC1000, Counting(250) },
        { "s2080c0000aabbccdddd", -1, 0, {} },                        // lower case
        { "S2080c0000AABBCCDDDD", -1, 0, {} },
        { "S2080C0000AABBCCDDDE", -1, 0, {} },                        // checksum
        { "S2090C0000AABBCCDDDD", -1, 0, {} },                        // count too large
        { "S2070C0000AABBCCDDDD", -1, 0, {} },                        // count too small
        { "S2080C0000AABBCCDDD", -1, 0, {} },                         // odd digit
        { "S2080C0000AABBCCDDDD ", -1, 0, {} },
        { "S2080C0000AABBCCDDDD\r", -1, 0, {} },
        { "S2080C0000AA BBCCDDDD", -1, 0, {} },
        { "S2030E01ED", -1, 0, {} },                                  // no room for an address
        { "S201FE", -1, 0, {} },
        { "S200", -1, 0, {} },
        { "S2", -1, 0, {} },
        { "S", -1, 0, {} },
        { "", -1, 0, {} },
        { tooMany, -1, 0, {} },                                       // 256 bytes
    };
    for (const auto& c : cases) {
        uint32_t address = 0;
        SRecordData data;
        data.fill(0x5A);
        const int n = ParseS2(c.line, address, data);
        EXPECT_EQ(n, c.n) << c.line;
        if (n < 0 || c.n < 0)
            continue;
        EXPECT_EQ(address, c.address) << c.line;
        EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + n), c.data) << c.line;
    }
}

TEST(Srecord, LoaderPlacesS2RecordsOnly)
{
    const std::string fits = S2(0xC2000, Counting(120));   // 252 characters
    const std::string tooLong = S2(0xC3000, Counting(121)); // 254 characters
    ASSERT_EQ(fits.size(), 252u);
    ASSERT_EQ(tooLong.size(), 254u);
    const struct {
        const char* name;
        std::string text;
        std::vector<Placed> placed;
    } cases[] = {
        { "valid S2", "S2080C0000AABBCCDDDD\n", { { 0, { 0xAA, 0xBB, 0xCC, 0xDD } } } },
        { "CR LF", "S2080C0000AABBCCDDDD\r\n", { { 0, { 0xAA, 0xBB, 0xCC, 0xDD } } } },
        { "two CRs", "S2080C0000AABBCCDDDD\r\r\n", {} },
        { "lower case", "s2080c0000aabbccdddd\n", {} },
        { "lower-case digits", "S2080C0000aabbccdddd\n", {} },
        { "S0 S1 S3 S8 S9", "S00600004844521B\nS107001001020304DE\nS309000C000001020304E0\nS8040C0000EF\nS9040C0000EF\n", {} },
        { "below the image", "S2080BFFF001020304F3\n", {} },
        { "above the image", "S20510000001E9\n", {} },
        { "last page", "S2140FFFF0101112131415161718191A1B1C1D1E1F75\n", { { 0x3FFF0, Counting(16, 0x10) } } },
        { "past the end", "S2140FFFF8101112131415161718191A1B1C1D1E1F6D\n", { { 0x3FFF8, Counting(8, 0x10) } } },
        { "bad checksum", "S2080C0000AABBCCDDDE\n", {} },
        { "short lines", "S2\nS\n\nS20\nS2080C\n", {} },
        { "no line end", "S2080C0000AABBCCDDDD", {} },
        { "after a bad one", "S2080C0000AABBCCDDDE\nS2050E010012D9\n", { { 0x20100, { 0x12 } } } },
        { "later wins", "S2080C0000AABBCCDDDD\nS2050C000012DC\n", { { 0, { 0x12, 0xBB, 0xCC, 0xDD } } } },
        { "252 with CR", fits + "\r\n", { { 0x2000, Counting(120) } } },
        { "over 253", tooLong + "\n", {} },
        { "long junk before a record", std::string(300, 'X') + "S2080C0000AABBCCDDDD\nS2050E010012D9\n",
          { { 0x20100, { 0x12 } } } },
        { "NUL in line", std::string("S2080C0000AABB\0CCDDDD\n", 22), {} },
        { "no records", "hello\nworld\n", {} },
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("fw.mot");
    for (const auto& c : cases) {
        FlashImage flash;
        flash.LoadSRecordText(c.text.data(), c.text.size());
        EXPECT_TRUE(ImageIs(flash, c.placed)) << c.name << " (memory)";

        FlashImage fromFile;
        fromFile.Image().SetByte(5, 0);   // loading starts from an erased image
        ASSERT_TRUE(WriteFile(path, QByteArray(c.text.data(), int(c.text.size()))));
        EXPECT_TRUE(fromFile.LoadSRecordFile(path)) << c.name;
        EXPECT_TRUE(ImageIs(fromFile, c.placed)) << c.name << " (file)";
    }
}

TEST(Srecord, RecordsSplitAcrossPiecesLoadTheSame)
{
    const std::string text = "S00600004844521B\r\nS2080C0000AABBCCDDDD\r\nS2140FFFF0101112131415161718191A1B1C1D1E1F75\r\n";
    for (size_t piece : { size_t(1), size_t(2), size_t(7), size_t(64) }) {
        FlashImage flash;
        SRecordLoader loader(flash);
        for (size_t i = 0; i < text.size(); i += piece)
            loader.Feed(text.data() + i, std::min(piece, text.size() - i));
        loader.Finish();
        EXPECT_TRUE(ImageIs(flash, { { 0, { 0xAA, 0xBB, 0xCC, 0xDD } }, { 0x3FFF0, Counting(16, 0x10) } })) << piece;
    }
}

TEST(Srecord, MissingFileFailsWithAnErasedImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FlashImage flash;
    const std::string text = "S2080C0000AABBCCDDDD\n";
    flash.LoadSRecordText(text.data(), text.size());
    EXPECT_FALSE(flash.LoadSRecordFile(dir.filePath("missing.mot")));
    EXPECT_FALSE(flash.LoadSRecordFile(QString()));
    EXPECT_TRUE(ImageIs(flash, {}));
    EXPECT_EQ(flash.FirstUsedAddress(), 0x100000u);
}

TEST(Srecord, FirstUsedAddressIsTheFirstNonBlankPage)
{
    const struct {
        std::vector<int> offsets;   // bytes set to 0x00
        uint32_t first;
    } cases[] = {
        { {}, 0x100000 },
        { { 0 }, 0xC0000 },
        { { 0xFF }, 0xC0000 },
        { { 0x100 }, 0xC0100 },
        { { 0x20001, 0x30000 }, 0xE0000 },
        { { 0x3FFFF }, 0xFFF00 },
        { { 0x3FFFF, 0x1FFFF }, 0xDFF00 },
    };
    for (const auto& c : cases) {
        FlashImage flash;
        for (int offset : c.offsets)
            flash.Image().SetByte(offset, 0);
        EXPECT_EQ(flash.FirstUsedAddress(), c.first) << std::hex << c.first;
    }

    FlashImage flash;
    const std::string text = "S00600004844521B\nS2050E000001EB\nS2050F000001EA\nS9040C0000EF\n";
    flash.LoadSRecordText(text.data(), text.size());
    EXPECT_EQ(flash.FirstUsedAddress(), 0xE0000u);
}

TEST(Srecord, JunkFilesLoadNothingAndEndNormally)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(12345);
    QByteArray junk(1 << 20, '\0');
    for (char& c : junk)
        c = static_cast<char>(random() & 0xFF);
    // Whatever the junk holds, a record on a line of its own after it loads.
    QByteArray withRecord = junk + "\nS2080C0000AABBCCDDDD\n";
    const QString path = dir.filePath("junk.mot");

    ASSERT_TRUE(WriteFile(path, withRecord));
    FlashImage flash;
    EXPECT_TRUE(flash.LoadSRecordFile(path));
    EXPECT_EQ(flash.Data()[0], 0xAA);
    EXPECT_EQ(flash.Data()[3], 0xDD);

    // Ten megabytes of one line, no line feed.
    QByteArray longLine(10 << 20, 'F');
    ASSERT_TRUE(WriteFile(path, "S2" + longLine));
    EXPECT_TRUE(flash.LoadSRecordFile(path));
    EXPECT_TRUE(ImageIs(flash, {}));

    ASSERT_TRUE(WriteFile(path, "S2" + longLine + "\nS2050E010012D9\n"));
    EXPECT_TRUE(flash.LoadSRecordFile(path));
    EXPECT_TRUE(ImageIs(flash, { { 0x20100, { 0x12 } } }));
}

TEST(Srecord, ReadingStopsAtTheSizeLimit)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("huge.mot");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_GT(f.write("S2080C0000AABBCCDDDD\n"), 0);
        // The gap reads as NUL bytes (sparse on most file systems).
        ASSERT_TRUE(f.resize(FlashImage::kMaxFileBytes - 100));
        ASSERT_TRUE(f.seek(FlashImage::kMaxFileBytes - 100));
        // Within the limit.
        ASSERT_GT(f.write("\nS2050E010012D9\n"), 0);
        ASSERT_TRUE(f.seek(FlashImage::kMaxFileBytes + 10));
        // Past it.
        ASSERT_GT(f.write("\nS2050F000001EA\n"), 0);
    }
    FlashImage flash;
    EXPECT_TRUE(flash.LoadSRecordFile(path));
    EXPECT_TRUE(ImageIs(flash, { { 0, { 0xAA, 0xBB, 0xCC, 0xDD } }, { 0x20100, { 0x12 } } }));
}
