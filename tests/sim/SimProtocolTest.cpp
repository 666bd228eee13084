// The simulated radio's answers to each request, byte for byte.
#include "SimLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>

namespace {

SimOptions Family(SimOptions::Family family)
{
    SimOptions options;
    options.family = family;
    return options;
}

Bytes ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(SimProtocol, IdentityRequestIsAnsweredWithIdentityText)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started) << r.radio.Error();
    ASSERT_TRUE(r.line.IsOpen());
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 17), kTelemetryIdentity);
    EXPECT_EQ(r.radio.RepliesSent(), 1);
}

TEST(SimProtocol, IdentityFollowsFamilyAndSetIdent)
{
    RadioOnLine r(Family(SimOptions::Family::Data));
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 17), "51 4C 34 31 30 30 44 20 76 32 2E 31 30 0D F5 02 CC");
    r.radio.SetIdent("QL4100T v2.10 XY");
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 20),
              "51 4C 34 31 30 30 54 20 76 32 2E 31 30 20 58 59 10 11 02 CC");
    r.radio.SetIdent("");
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 4), "00 FF 02 CC");
}

TEST(SimProtocol, Read8RepliesWithHighestAddressFirst)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    r.radio.SetMemory(0x10, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(r.line.Exchange("00 00 10 00 EF 04 CC", 13), "08 07 06 05 04 03 02 01 10 00 CB 04 CC");
    const auto requests = r.radio.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].marker, 0xCC);
    EXPECT_EQ(requests[0].code, 0x04);
    EXPECT_EQ(requests[0].address, 0x10);
    EXPECT_EQ(Hex(requests[0].payload), "00 00 10 00");
}

TEST(SimProtocol, Write8StoresBytesAndEchoesAddress)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("18 17 16 15 14 13 12 11 00 01 5A 05 CC", 7), "00 00 00 01 FE 05 CC");
    const Bytes memory = r.radio.Memory();
    EXPECT_EQ(Hex(Bytes(memory.begin() + 0x100, memory.begin() + 0x108)), "11 12 13 14 15 16 17 18");
    const auto requests = r.radio.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, 0x05);
    EXPECT_EQ(requests[0].address, 0x100);
    EXPECT_EQ(Hex(requests[0].payload), "18 17 16 15 14 13 12 11 00 01");
}

TEST(SimProtocol, ReadByteAndWriteByte)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    // Address 50 holds the radio type: 0 for a telemetry radio.
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), "00 00 32 00 CD 46 CC");
    EXPECT_EQ(r.line.Exchange("5A 00 32 00 73 47 CC", 7), "00 00 32 00 CD 47 CC");
    EXPECT_EQ(r.radio.Memory()[50], 0x5A);
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), "5A 00 32 00 73 46 CC");
}

TEST(SimProtocol, OutsideMemoryReadsErasedAndWritesAreDroppedButAcknowledged)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("00 00 00 09 F6 46 CC", 7), "FF 00 00 09 F7 46 CC");
    // A block over the end: the four bytes inside are kept.
    EXPECT_EQ(r.line.Exchange("01 02 03 04 05 06 07 08 FC 07 D8 05 CC", 7), "00 00 FC 07 FC 05 CC");
    const Bytes memory = r.radio.Memory();
    ASSERT_EQ(memory.size(), 2048u);
    EXPECT_EQ(Hex(Bytes(memory.end() - 4, memory.end())), "08 07 06 05");
    EXPECT_EQ(r.line.Exchange("00 00 FC 07 FC 04 CC", 13), "FF FF FF FF 05 06 07 08 FC 07 E6 04 CC");
}

TEST(SimProtocol, LevelReadingCarriesSignalAndNoise)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    r.radio.SetLevels(100, 40);
    // Noise first, then signal strength, then the echoed 6.
    EXPECT_EQ(r.line.Exchange("00 00 06 00 F9 0A CC", 7), "28 64 06 00 6D 0A CC");
}

TEST(SimProtocol, OpenSessionWithEscapingEscapesUntilClose)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.radio.EscapeMode());
    // The acknowledgement itself goes out plain.
    EXPECT_EQ(r.line.Exchange("03 00 00 00 FC 01 CC", 7), "03 00 00 00 FC 01 CC");
    EXPECT_TRUE(r.radio.EscapeMode());

    // 0x20.. = AA CC 7E 00 00 00 00 1F: every special byte escaped, checksum
    // 0xCC included.
    r.radio.SetMemory(0x20, {0xAA, 0xCC, 0x7E, 0, 0, 0, 0, 0x1F});
    EXPECT_EQ(r.line.Exchange("00 00 20 00 DF 04 CC", 17),
              "1F 00 00 00 00 7E 5E 7E EC 7E 8A 20 00 7E EC 04 CC");

    // Escaped requests are understood: write 0xAA at 0xCC.
    const Bytes before = r.radio.WireReceived();
    EXPECT_EQ(r.line.Exchange("7E 8A 00 7E EC 00 89 47 CC", 8), "00 00 7E EC 00 33 47 CC");
    EXPECT_EQ(r.radio.Memory()[0xCC], 0xAA);
    const Bytes wire = r.radio.WireReceived();
    EXPECT_EQ(Hex(Bytes(wire.begin() + static_cast<long>(before.size()), wire.end())),
              "7E 8A 00 7E EC 00 89 47 CC");
    // An escaped checksum: read byte at 0x33 (0x7E there).
    r.radio.SetMemory(0x33, {0x7E});
    EXPECT_EQ(r.line.Exchange("00 00 33 00 7E EC 46 CC", 8), "7E 5E 00 33 00 4E 46 CC");

    // Close: no reply, escaping off.
    ASSERT_TRUE(r.line.Send("00 00 00 00 FF 03 CC"));
    ASSERT_TRUE(r.radio.WaitForRequests(5, 2000));
    EXPECT_FALSE(r.radio.EscapeMode());
    // Plain again both ways: the next bytes are the plain write-byte reply.
    EXPECT_EQ(r.line.Exchange("AA 00 CC 00 89 47 CC", 7), "00 00 CC 00 33 47 CC");
    EXPECT_EQ(r.line.Exchange("00 00 20 00 DF 04 CC", 13), "1F 00 00 00 00 7E CC AA 20 00 CC 04 CC");
}

TEST(SimProtocol, OpenSessionWithoutEscapingKeepsFramesPlain)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("00 00 00 00 FF 01 CC", 7), "00 00 00 00 FF 01 CC");
    EXPECT_FALSE(r.radio.EscapeMode());
    r.radio.SetMemory(0x33, {0xAA});
    EXPECT_EQ(r.line.Exchange("00 00 33 00 CC 46 CC", 7), "AA 00 33 00 22 46 CC");
}

TEST(SimProtocol, PlainOpenEndsEscaping)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("03 00 00 00 FC 01 CC", 7), "03 00 00 00 FC 01 CC");
    EXPECT_TRUE(r.radio.EscapeMode());
    EXPECT_EQ(r.line.Exchange("00 00 00 00 FF 01 CC", 7), "00 00 00 00 FF 01 CC");
    EXPECT_FALSE(r.radio.EscapeMode());
}

TEST(SimProtocol, PmrIdentityCarriesPrefixBlock)
{
    RadioOnLine r(Family(SimOptions::Family::Pmr));
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 25),
              "43 48 41 4E 30 31 00 84 51 4C 34 31 30 30 50 20 76 33 2E 30 31 0D E8 02 CC");
}

TEST(SimProtocol, StatusRequestIsAnsweredWithStatusReport)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    // Channel "01", lower display "RX   ", no indicators.
    EXPECT_EQ(r.line.Exchange("00 00 00 00 FF 1A CC", 13), "30 31 52 58 20 20 20 00 00 00 94 02 AA");
}

TEST(SimProtocol, PmrStatusReportCarriesPrefixBlock)
{
    RadioOnLine r(Family(SimOptions::Family::Pmr));
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("00 00 00 00 FF 1A CC", 21),
              "43 48 41 4E 30 31 00 84 30 31 52 58 20 20 20 00 00 00 94 02 AA");
}

TEST(SimProtocol, KeyEventsChangeTheDisplayAndAreAnsweredWithStatus)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    // Channel up pressed.
    EXPECT_EQ(r.line.Exchange("31 CE 04 AA", 13), "30 32 52 58 20 20 20 00 00 00 93 02 AA");
    EXPECT_EQ(r.radio.Channel(), 2);
    // Channel down pressed.
    EXPECT_EQ(r.line.Exchange("30 CF 04 AA", 13), "30 31 52 58 20 20 20 00 00 00 94 02 AA");
    // Transmit pressed: Tx indicator on.
    EXPECT_EQ(r.line.Exchange("36 C9 04 AA", 13), "30 31 54 58 20 20 20 00 02 00 90 02 AA");
    EXPECT_TRUE(r.radio.Transmitting());
    // Transmit released.
    EXPECT_EQ(r.line.Exchange("16 E9 04 AA", 13), "30 31 52 58 20 20 20 00 00 00 94 02 AA");
    EXPECT_FALSE(r.radio.Transmitting());
    const auto requests = r.radio.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].marker, 0xAA);
    EXPECT_EQ(requests[2].code, 0x04);
    EXPECT_EQ(requests[2].address, -1);
    EXPECT_EQ(Hex(requests[2].payload), "36");
}

TEST(SimProtocol, TestToneAndAlignChannelAreRememberedWithoutReply)
{
    RadioOnLine r(Family(SimOptions::Family::Pmr));
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.radio.TestToneValue(), -1);
    EXPECT_EQ(r.radio.AlignChannel(), -1);
    ASSERT_TRUE(r.line.Send("CD 00 00 00 32 2D CC"));
    ASSERT_TRUE(r.line.Send("E0 92 00 00 8D 4D CC"));
    // Nothing answers them: the next bytes are the reply to the read.
    EXPECT_EQ(r.line.Exchange(kReadByte50, 7), "02 00 32 00 CB 46 CC");
    EXPECT_EQ(r.radio.TestToneValue(), 205);
    EXPECT_EQ(r.radio.AlignChannel(), 37600);
    EXPECT_EQ(r.radio.RepliesSent(), 1);
}

TEST(SimProtocol, BadChecksumAndUnknownFramesAreIgnored)
{
    RadioOnLine r;
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.line.Send("00 00 00 00 FE 02 CC"));  // checksum off by one
    ASSERT_TRUE(r.line.Send("00 00 00 00 FF 77 CC"));  // no such request
    ASSERT_TRUE(r.line.Send("00 00 00 00 FF 02 BB"));  // no such marker
    ASSERT_TRUE(r.line.Send("12 34 CC 56"));           // line noise
    EXPECT_EQ(r.line.Exchange(kIdentityRequest, 17), kTelemetryIdentity);
    EXPECT_EQ(r.radio.Requests().size(), 1u);
    EXPECT_EQ(r.radio.RepliesSent(), 1);
}

TEST(SimProtocol, ReopeningThePortKeepsTheRadio)
{
    RadioSimulator radio{SimOptions{}};
    ASSERT_TRUE(radio.Start());
    {
        SimLine line(radio.SlavePath());
        EXPECT_EQ(line.Exchange(kIdentityRequest, 17), kTelemetryIdentity);
    }
    SimLine again(radio.SlavePath());
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(again.Exchange(kIdentityRequest, 17), kTelemetryIdentity);
}

TEST(SimProtocol, FactoryMemoryOfEachFamily)
{
    const Bytes file = ReadWholeFile(QL41_SOURCE_DIR "/data/def41t.mem");
    ASSERT_EQ(file.size(), 2048u);

    const Bytes telemetry = RadioSimulator::FactoryMemory(SimOptions::Family::Telemetry);
    EXPECT_EQ(telemetry, file);

    Bytes data = RadioSimulator::FactoryMemory(SimOptions::Family::Data);
    ASSERT_EQ(data.size(), 2048u);
    EXPECT_EQ(data[50], 1);
    data[50] = file[50];
    EXPECT_EQ(data, file);

    const Bytes output = RadioSimulator::FactoryMemory(SimOptions::Family::Repeater);
    EXPECT_EQ(output[50], 0);
    EXPECT_EQ(output[78] & 0x28, 0x08);
    const Bytes input = RadioSimulator::FactoryMemory(SimOptions::Family::Repeater, true);
    EXPECT_EQ(input[78] & 0x28, 0x28);

    const Bytes pmr = RadioSimulator::FactoryMemory(SimOptions::Family::Pmr);
    ASSERT_EQ(pmr.size(), 8192u);
    EXPECT_EQ(pmr[50], 2);
    EXPECT_EQ(pmr[40], 0x00);
    EXPECT_EQ(pmr[20], 100);
    EXPECT_EQ(pmr[8191], 0xFF);

    // A running radio starts from it.
    RadioSimulator radio(Family(SimOptions::Family::Data));
    EXPECT_EQ(radio.Memory()[50], 1);
}

TEST(SimProtocol, MemoryFromShortAndLongFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string shortFile = dir.filePath("short.mem").toStdString();
    WriteWholeFile(shortFile, {0x11, 0x22, 0x33});
    SimOptions options;
    options.memoryFile = shortFile;
    RadioOnLine r(options);
    ASSERT_TRUE(r.started) << r.radio.Error();
    const Bytes memory = r.radio.Memory();
    ASSERT_EQ(memory.size(), 2048u);
    EXPECT_EQ(Hex(Bytes(memory.begin(), memory.begin() + 4)), "11 22 33 FF");
    EXPECT_EQ(memory[50], 0xFF);
    EXPECT_EQ(r.line.Exchange("00 00 00 00 FF 04 CC", 13), "FF FF FF FF FF 33 22 11 00 00 9E 04 CC");

    const std::string longFile = dir.filePath("long.mem").toStdString();
    Bytes big(9000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    WriteWholeFile(longFile, big);
    SimOptions pmr;
    pmr.family = SimOptions::Family::Pmr;
    pmr.memoryFile = longFile;
    RadioSimulator radio(pmr);
    EXPECT_EQ(radio.Memory(), Bytes(big.begin(), big.begin() + 8192));
}

TEST(SimProtocol, MissingMemoryFileFailsToStart)
{
    SimOptions options;
    options.memoryFile = "/nonexistent/radio.mem";
    RadioSimulator radio(options);
    EXPECT_FALSE(radio.Start());
    EXPECT_NE(radio.Error().find("/nonexistent/radio.mem"), std::string::npos);
}

TEST(SimProtocol, CloseSessionSavesMemory)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions options;
    options.saveFile = dir.filePath("saved.mem").toStdString();
    RadioOnLine r(options);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.line.Exchange("5A 00 32 00 73 47 CC", 7), "00 00 32 00 CD 47 CC");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(options.saveFile)));
    ASSERT_TRUE(r.line.Send("00 00 00 00 FF 03 CC"));
    ASSERT_TRUE(r.radio.WaitForRequests(2, 2000));
    const Bytes saved = ReadWholeFile(options.saveFile);
    ASSERT_EQ(saved.size(), 2048u);
    EXPECT_EQ(saved[50], 0x5A);
    EXPECT_EQ(saved, r.radio.Memory());
    // No temporary file left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"saved.mem"});

    // Saved again when the radio stops.
    r.radio.SetMemory(51, {0x77});
    r.radio.Stop();
    EXPECT_EQ(ReadWholeFile(options.saveFile)[51], 0x77);
}
