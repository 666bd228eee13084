#include "telemetry/Eeprom.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <csignal>
#include <gtest/gtest.h>

#include "TestFiles.h"
#include <sys/resource.h>

namespace {
struct Image {
    std::array<uint8_t, 2048> bytes{};
    EEPROM eeprom{bytes.data(), 2048};
};

using testfiles::Pattern;
using testfiles::ReadFile;
using testfiles::WriteFile;
} // namespace

TEST(Eeprom, ByteAccessOutsideTheImageReadsZeroAndDropsWrites)
{
    Image img;
    img.eeprom.Erase();
    for (int a : {-1, 2048, 5000}) {
        img.eeprom.SetByte(a, 0x12);
        EXPECT_EQ(img.eeprom.GetByte(a), 0) << a;
    }
    img.eeprom.SetByte(0, 0x1234); // only the low 8 bits are stored
    img.eeprom.SetByte(2047, 7);
    EXPECT_EQ(img.eeprom.GetByte(0), 0x34);
    EXPECT_EQ(img.eeprom.GetByte(2047), 7);
    for (size_t i = 1; i < 2047; ++i)
        ASSERT_EQ(img.bytes[i], 0xFF) << i;
}

TEST(Eeprom, WordsAreLittleEndianAndStopTwoBytesBeforeTheEnd)
{
    Image img;
    img.eeprom.Erase();
    img.eeprom.SetWord(100, 0xBEEF);
    EXPECT_EQ(img.bytes[100], 0xEF);
    EXPECT_EQ(img.bytes[101], 0xBE);
    EXPECT_EQ(img.eeprom.GetWord(100), 0xBEEFu);
    img.eeprom.SetWord(2046, 0x0102);
    EXPECT_EQ(img.eeprom.GetWord(2046), 0x0102u);
    // 2047 would need a byte beyond the image.
    EXPECT_EQ(img.eeprom.GetWord(2047), 0u);
    img.eeprom.SetWord(2047, 0x5555);
    EXPECT_EQ(img.bytes[2047], 0x01);
    EXPECT_EQ(img.eeprom.GetWord(-1), 0u);
}

TEST(Eeprom, BlockCopiesStopAtTheEnd)
{
    Image img;
    img.eeprom.Erase();
    const uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(img.eeprom.WriteBlock(2044, src, 8), 4);
    EXPECT_EQ(img.bytes[2044], 1);
    EXPECT_EQ(img.bytes[2047], 4);
    EXPECT_EQ(img.eeprom.WriteBlock(-1, src, 8), 0);
    EXPECT_EQ(img.eeprom.WriteBlock(2048, src, 8), 0);
    uint8_t dst[8] = {};
    EXPECT_EQ(img.eeprom.ReadBlock(2044, dst, 8), 4);
    EXPECT_EQ(dst[0], 1);
    EXPECT_EQ(dst[3], 4);
    EXPECT_EQ(dst[4], 0); // untouched
    EXPECT_EQ(img.eeprom.ReadBlock(0, dst, 0), 0);
}

TEST(Eeprom, PageBlankTestsTheWholePageOfTheAddress)
{
    Image img;
    img.eeprom.Erase();
    EXPECT_TRUE(img.eeprom.IsPageBlank(300));
    img.eeprom.SetByte(511, 0);
    EXPECT_FALSE(img.eeprom.IsPageBlank(300)); // page 256..511
    EXPECT_TRUE(img.eeprom.IsPageBlank(512));
    img.eeprom.SetByte(511, 0xFF);
    img.eeprom.SetByte(255, 0);
    EXPECT_TRUE(img.eeprom.IsPageBlank(256));
    EXPECT_FALSE(img.eeprom.IsPageBlank(2048));
}

TEST(Eeprom, PageBlankOverALargerBuffer)
{
    std::vector<uint8_t> flash(0x40000, 0);
    EEPROM e(flash.data(), static_cast<int>(flash.size()));
    e.Erase();
    EXPECT_TRUE(e.IsPageBlank(0x3FF00));
    e.SetByte(0x3FFFF, 0x00);
    EXPECT_FALSE(e.IsPageBlank(0x3FF80));
}

TEST(MemFile, SaveAndLoadGiveBackTheSameBytes)
{
    QTemporaryDir dir;
    Image out;
    const QByteArray pattern = Pattern(2048, 3);
    std::copy(pattern.begin(), pattern.end(), out.bytes.begin());
    const QString path = dir.filePath(QStringLiteral("round.mem"));
    ASSERT_TRUE(MemFile::Save(out.eeprom, path));
    EXPECT_EQ(ReadFile(path), pattern);

    Image in;
    in.eeprom.Erase();
    EXPECT_EQ(MemFile::Load(in.eeprom, path), MemFile::LoadResult::Loaded);
    EXPECT_EQ(in.bytes, out.bytes);
}

TEST(MemFile, ShortFileFillsOnlyItsAddresses)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.mem"));
    ASSERT_TRUE(WriteFile(path, QByteArray(100, '\x11')));
    Image img;
    img.bytes.fill(0x22);
    EXPECT_EQ(MemFile::Load(img.eeprom, path), MemFile::LoadResult::Loaded);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(img.bytes[i], i < 100 ? 0x11 : 0x22) << i;

    ASSERT_TRUE(WriteFile(path, QByteArray()));
    EXPECT_EQ(MemFile::Load(img.eeprom, path), MemFile::LoadResult::Loaded);
    EXPECT_EQ(img.bytes[0], 0x11);
}

TEST(MemFile, LongFileLoadsItsFirst2048Bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.mem"));
    const QByteArray pattern = Pattern(3000, 9);
    ASSERT_TRUE(WriteFile(path, pattern));
    Image img;
    EXPECT_EQ(MemFile::Load(img.eeprom, path), MemFile::LoadResult::Loaded);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(img.bytes.data()), 2048), pattern.left(2048));
}

TEST(MemFile, UnopenableFileLeavesTheImageAlone)
{
    QTemporaryDir dir;
    Image img;
    img.bytes.fill(0x5A);
    EXPECT_EQ(MemFile::Load(img.eeprom, dir.filePath(QStringLiteral("missing.mem"))),
              MemFile::LoadResult::NotOpened);
    EXPECT_EQ(MemFile::Load(img.eeprom, dir.path()), MemFile::LoadResult::NotOpened); // a folder
    EXPECT_EQ(MemFile::Load(img.eeprom, QString()), MemFile::LoadResult::NotOpened);
    for (uint8_t b : img.bytes)
        ASSERT_EQ(b, 0x5A);
}

TEST(MemFile, SaveThatCannotCreateItsFileKeepsTheOldOne)
{
    QTemporaryDir dir;
    // A name so long that no temporary file can be made beside it, while
    // the name itself still fits: the save must fail before touching it.
    const QString path = dir.filePath(QString(250, QLatin1Char('a')) + QStringLiteral(".mem"));
    const QByteArray old = Pattern(2048, 1);
    ASSERT_TRUE(WriteFile(path, old));
    Image img;
    img.bytes.fill(0);
    QString why;
    EXPECT_FALSE(MemFile::Save(img.eeprom, path, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(ReadFile(path), old);

    EXPECT_FALSE(MemFile::Save(img.eeprom, dir.filePath(QStringLiteral("no/such/folder.mem"))));
}

TEST(MemFile, SaveThatFailsWhileWritingKeepsTheOldOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.mem"));
    const QByteArray old = Pattern(2048, 5);
    ASSERT_TRUE(WriteFile(path, old));
    Image img;
    img.bytes.fill(0);

    // Limit file size below one image, so the write fails part-way as on a
    // full disk. Root is bound by this limit too.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = MemFile::Save(img.eeprom, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadFile(path), old);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("full.mem")});
}
