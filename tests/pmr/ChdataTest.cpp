#include "pmr/Chdata.h"

#include "telemetry/Eeprom.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A configuration image of the given size, erased (0xFF) unless told.
struct Image {
    explicit Image(int size, uint8_t fill = 0xFF) : bytes(static_cast<size_t>(size), fill) {}
    uint8_t* data() { return bytes.data(); }
    int size() const { return static_cast<int>(bytes.size()); }
    uint8_t& operator[](int address) { return bytes[static_cast<size_t>(address)]; }
    std::vector<uint8_t> Range(int address, int count) const
    {
        return {bytes.begin() + address, bytes.begin() + address + count};
    }
    std::vector<uint8_t> bytes;
};

// Distinct bytes at every address, so records and names are told apart.
void Pattern(Image& image)
{
    for (int a = 0; a < image.size(); ++a)
        image[a] = static_cast<uint8_t>((a * 7 + a / 256) & 0xFF);
}

void PutBytes(Image& image, int address, std::vector<uint8_t> bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i)
        image[address + static_cast<int>(i)] = bytes[i];
}

CH_DATA_STRUCT Raw(uint16_t tx, uint16_t rx, uint8_t txSub, uint8_t rxSub, uint8_t a, uint8_t b)
{
    CH_DATA_STRUCT r;
    r.txCode = tx;
    r.rxCode = rx;
    r.txSubtone = txSub;
    r.rxSubtone = rxSub;
    r.flagsA = a;
    r.flagsB = b;
    return r;
}

CH_DATA_STRUCT Get(const ChData& table, int n)
{
    CH_DATA_STRUCT r;
    EXPECT_EQ(table.GetRaw(n, r), 0) << n;
    return r;
}

} // namespace

// ---- Frequency codes -------------------------------------------------------

TEST(ChdataFrequency, Uhf446MHzAndSixPoint25Above)
{
    uint16_t code = 0;
    bool flag = false;
    UhfEncode(446006250, code, flag);
    EXPECT_EQ(code, 35680);
    EXPECT_TRUE(flag);
    EXPECT_EQ(UhfDecode(35680, true), 446006250u);

    UhfEncode(446000000, code, flag);
    EXPECT_EQ(code, 35680);
    EXPECT_FALSE(flag);
    EXPECT_EQ(UhfDecode(35680, false), 446000000u);
}

TEST(ChdataFrequency, UhfOffRasterFrequencySetsTheFlag)
{
    uint16_t code = 0;
    bool flag = false;
    UhfEncode(446003000, code, flag);
    EXPECT_EQ(code, 35680);
    EXPECT_TRUE(flag);
}

TEST(ChdataFrequency, UhfCodeAbove16BitsKeepsItsLow16)
{
    uint16_t code = 0;
    bool flag = true;
    UhfEncode(1000000000, code, flag); // 80 000 steps
    EXPECT_EQ(code, 80000 - 65536);
    EXPECT_FALSE(flag);
    EXPECT_EQ(UhfDecode(65535, true), 819193750u);
}

TEST(ChdataFrequency, EveryUhf6250HzStepComesBack)
{
    for (uint32_t hz = 0; hz <= 819193750u; hz += 6250) {
        uint16_t code = 0;
        bool flag = false;
        UhfEncode(hz, code, flag);
        ASSERT_EQ(UhfDecode(code, flag), hz);
        ASSERT_EQ(flag, hz % 12500 != 0) << hz;
    }
}

TEST(ChdataFrequency, Vhf146520kHzUsesTheTwentyKilohertzOffset)
{
    uint16_t code = 0;
    bool flag = false;
    VhfEncode(146520000, code, flag);
    EXPECT_EQ(code & 0x3FFF, 11720);
    EXPECT_EQ(code & 0xC000, 0xC000); // bits 14 and 15
    EXPECT_TRUE(flag);
    EXPECT_EQ(VhfDecode(code, flag), 146520000u);
}

TEST(ChdataFrequency, Vhf146525kHzNeedsNoOffset)
{
    uint16_t code = 0;
    bool flag = true;
    VhfEncode(146525000, code, flag);
    EXPECT_EQ(code, 11722);
    EXPECT_FALSE(flag);
    EXPECT_EQ(VhfDecode(11722, false), 146525000u);
}

TEST(ChdataFrequency, VhfOffsetSelectors)
{
    struct Case {
        uint16_t code;
        bool flag;
        uint32_t hz;
    };
    // One 12.5 kHz step plus the offset of each selector s = bits 14..16.
    const Case cases[] = {
        {0x0001, false, 12500}, {0x4001, false, 17500}, {0x8001, false, 22500}, {0xC001, false, 27500},
        {0x0001, true, 18750},  {0x4001, true, 12500},  {0x8001, true, 12500},  {0xC001, true, 32500},
        {0x4000, false, 5000},  {0x4000, true, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VhfDecode(c.code, c.flag), c.hz) << std::hex << c.code << " " << c.flag;
}

TEST(ChdataFrequency, VhfOddTwelvePointFiveStepAndSixPoint25Above)
{
    uint16_t code = 0;
    bool flag = true;
    VhfEncode(12500, code, flag); // not a 5 kHz multiple: s = 0
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(flag);
    VhfEncode(18750, code, flag); // 6.25 kHz above a 12.5 kHz step: s = 4
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(flag);
    VhfEncode(15000, code, flag); // 5 kHz multiple: n = 0, r = 3
    EXPECT_EQ(code, 0xC000);
    EXPECT_FALSE(flag);
}

TEST(ChdataFrequency, EveryVhf5kHzAnd6250HzStepUpToFourteenBitsComesBack)
{
    // n fits in 14 bits below 16 384 steps of 12.5 kHz (204.8 MHz).
    for (uint32_t hz = 0; hz < 204800000u; hz += 5000) {
        uint16_t code = 0;
        bool flag = false;
        VhfEncode(hz, code, flag);
        ASSERT_EQ(VhfDecode(code, flag), hz);
    }
    for (uint32_t hz = 0; hz < 204800000u; hz += 6250) {
        uint16_t code = 0;
        bool flag = false;
        VhfEncode(hz, code, flag);
        ASSERT_EQ(VhfDecode(code, flag), hz);
    }
}

TEST(ChdataFrequency, VhfStepCountAboveFourteenBitsRunsIntoTheSelector)
{
    uint16_t code = 0;
    bool flag = true;
    VhfEncode(204800000, code, flag); // n = 16 384, s = 0
    EXPECT_EQ(code, 0x4000);
    EXPECT_FALSE(flag);
    VhfEncode(1000000000, code, flag); // n = 80 000, s = 0: v = 80 000
    EXPECT_EQ(code, 80000 - 65536);
    EXPECT_TRUE(flag);
}

TEST(ChdataFrequency, BandFlagChoosesTheEncoding)
{
    uint16_t code = 0;
    bool flag = false;
    EncodeFrequency(ChBand::Vhf, 146520000, code, flag);
    EXPECT_EQ(code, 0xC000 | 11720);
    EXPECT_TRUE(flag);
    EncodeFrequency(ChBand::Uhf, 146520000, code, flag);
    EXPECT_EQ(code, 11721);
    EXPECT_TRUE(flag);
    EXPECT_EQ(DecodeFrequency(ChBand::Uhf, 0x4000, false), 204800000u);
    EXPECT_EQ(DecodeFrequency(ChBand::Vhf, 0x4000, false), 5000u);
    EXPECT_EQ(static_cast<int>(ChBand::Uhf), 0);
    EXPECT_EQ(static_cast<int>(ChBand::Vhf), 1);
}

// ---- Group members -----------------------------------------------------------

TEST(ChdataMembers, HiddenChannelsAndHighestMember)
{
    EXPECT_EQ(FirstHiddenChannel(ChLayout::Short), 100);
    EXPECT_EQ(FirstHiddenChannel(ChLayout::Extended), 232);
    EXPECT_EQ(HighestMemberChannel(ChLayout::Short, true), 37);
    EXPECT_EQ(HighestMemberChannel(ChLayout::Extended, true), 37);
    EXPECT_EQ(HighestMemberChannel(ChLayout::Short, false), 99);
    EXPECT_EQ(HighestMemberChannel(ChLayout::Extended, false), 229);
}

struct MemberCase {
    int channel;
    int place;
    bool eight;
    ChLayout layout;
    int value;
};

TEST(ChdataMembers, EncodeMember)
{
    const auto S = ChLayout::Short;
    const auto E = ChLayout::Extended;
    const MemberCase cases[] = {
        // 8-member group, short layout: 1, 37, 100, 124 at places 1..4.
        {1, 1, true, S, 27},
        {37, 2, true, S, 63},
        {100, 3, true, S, 0},
        {124, 4, true, S, 24},
        {40, 1, true, S, 26}, // not representable: empty
        {40, 7, true, S, 0},
        {0, 5, true, S, 26},
        {0, 6, true, S, 0},
        {0, 8, true, S, 0},
        {100, 6, true, S, 1},
        {124, 8, true, S, 25},
        {38, 3, true, E, 26},
        {232, 1, true, E, 0},
        {256, 7, true, E, 25},
        {100, 1, true, E, 26}, // not hidden in the extended layout
        // 6-member group.
        {99, 1, false, S, 125},
        {229, 1, false, E, 255},
        {230, 1, false, E, 26},
        {231, 6, false, E, 0},
        {100, 6, false, S, 1},
        {124, 1, false, S, 24},
        {125, 1, false, S, 26},
        {-1, 2, false, S, 26},
        {5, 7, false, S, 0}, // places 7 and 8 are not stored
        {5, 8, false, E, 0},
        {5, 0, true, S, 0},
        {5, 9, true, S, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeMember(c.channel, c.place, c.eight, c.layout), c.value)
            << c.channel << " at " << c.place << (c.eight ? " of 8" : " of 6");
}

TEST(ChdataMembers, DecodeMember)
{
    const auto S = ChLayout::Short;
    const auto E = ChLayout::Extended;
    const MemberCase cases[] = {
        {0, 1, true, S, 26},    {0, 1, true, S, 25},   {100, 1, true, S, 0},   {124, 5, true, S, 24},
        {0, 6, true, S, 0},     {100, 6, true, S, 1},  {124, 8, true, S, 25},  {0, 7, true, S, 26},
        {1, 7, true, S, 27},    {37, 8, true, S, 63},  {232, 2, true, E, 0},   {256, 8, true, E, 25},
        {99, 1, false, S, 125}, {0, 1, false, S, 126}, {0, 1, false, S, 255},  {229, 4, false, E, 255},
        {0, 6, false, S, 26},   {124, 6, false, S, 25}, {0, 7, false, S, 27},  {0, 8, false, E, 1},
        {0, 1, false, S, -1},   {0, 0, true, S, 27},   {0, 9, true, S, 27},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeMember(c.value, c.place, c.eight, c.layout), c.channel)
            << c.value << " at " << c.place << (c.eight ? " of 8" : " of 6");
}

TEST(ChdataMembers, EveryRepresentableMemberComesBackAtEveryPlace)
{
    for (ChLayout layout : {ChLayout::Short, ChLayout::Extended})
        for (bool eight : {false, true}) {
            const int places = eight ? 8 : 6;
            const int highest = HighestMemberChannel(layout, eight);
            const int hidden = FirstHiddenChannel(layout);
            for (int place = 1; place <= places; ++place)
                for (int channel = -2; channel <= 300; ++channel) {
                    const bool representable =
                        (channel >= 1 && channel <= highest) || (channel >= hidden && channel <= hidden + 24);
                    const int value = EncodeMember(channel, place, eight, layout);
                    ASSERT_GE(value, 0);
                    ASSERT_LE(value, eight ? 63 : 255);
                    ASSERT_EQ(DecodeMember(value, place, eight, layout), representable ? channel : 0)
                        << channel << " at " << place;
                }
        }
}

TEST(ChdataMembers, EightMemberFormSpreadsPlacesSevenAndEight)
{
    // Places 1..5 empty (26), place 6 empty (0), place 7 channel 1 (27 =
    // 01 10 11 in pairs), place 8 hidden channel 101 (2 = 00 00 10).
    const std::array<int32_t, 8> members = {0, 0, 0, 0, 0, 0, 1, 101};
    uint8_t bytes[6] = {};
    PackMembers(members, true, ChLayout::Short, bytes);
    const uint8_t expected[6] = {0x1A | 0x40, 0x1A | 0x80, 0x1A | 0xC0, 0x1A, 0x1A, 0x00 | 0x80};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bytes[i], expected[i]) << i;
    EXPECT_EQ(UnpackMembers(bytes, true, ChLayout::Short), members);
}

TEST(ChdataMembers, SixMemberFormStoresWholeBytesAndNoPlaceSevenOrEight)
{
    const std::array<int32_t, 8> members = {229, 232, 256, 0, 1, 233, 5, 6};
    uint8_t bytes[6] = {};
    PackMembers(members, false, ChLayout::Extended, bytes);
    const uint8_t expected[6] = {255, 0, 24, 26, 27, 2};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(bytes[i], expected[i]) << i;
    const std::array<int32_t, 8> back = {229, 232, 256, 0, 1, 233, 0, 0};
    EXPECT_EQ(UnpackMembers(bytes, false, ChLayout::Extended), back);
}

TEST(ChdataMembers, PackingRoundTripsForAllPlacesAndForms)
{
    for (ChLayout layout : {ChLayout::Short, ChLayout::Extended})
        for (bool eight : {false, true}) {
            const int places = eight ? 8 : 6;
            const int highest = HighestMemberChannel(layout, eight);
            const int hidden = FirstHiddenChannel(layout);
            std::vector<int> representable = {0};
            for (int c = 1; c <= highest; ++c)
                representable.push_back(c);
            for (int k = 0; k < 25; ++k)
                representable.push_back(hidden + k);
            // Each place takes every value while the others hold a neighbour.
            for (int place = 0; place < places; ++place)
                for (size_t i = 0; i < representable.size(); ++i) {
                    std::array<int32_t, 8> members{};
                    for (int p = 0; p < places; ++p)
                        members[static_cast<size_t>(p)] =
                            representable[(i + static_cast<size_t>(p == place ? 0 : 7 * p + 3)) % representable.size()];
                    uint8_t bytes[6] = {};
                    PackMembers(members, eight, layout, bytes);
                    ASSERT_EQ(UnpackMembers(bytes, eight, layout), members) << place << " " << i;
                }
        }
}

// ---- Names ------------------------------------------------------------------

TEST(ChdataNames, FilterKeepsUpperCaseLettersDigitsAndFivePunctuationMarks)
{
    struct Case {
        uint8_t byte;
        char shown;
    };
    const Case cases[] = {
        {'a', 'A'}, {'z', 'Z'}, {'A', 'A'}, {'Z', 'Z'}, {'0', '0'}, {'9', '9'}, {' ', ' '},
        {'*', '*'}, {'+', '+'}, {'-', '-'}, {'.', '.'}, {0x00, ' '}, {0xFF, ' '}, {'/', ' '},
        {'@', ' '}, {'[', ' '}, {'`', ' '}, {'{', ' '}, {',', ' '}, {'_', ' '}, {0xE9, ' '},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterNameChar(c.byte), c.shown) << int(c.byte);
}

TEST(ChdataNames, ShortLayoutNamesAreFiveBytesEndedByZero)
{
    Image image(2048);
    EEPROM blocks(image.data(), image.size());
    PutBytes(image, 745, {'a', 'b', 0x00, 'x', 'y'});
    PutBytes(image, 745 + 5, {'a', 'b', '/', 'd', 'e'});
    EXPECT_EQ(ReadName(blocks, ChLayout::Short, 0), QStringLiteral("ab"));
    EXPECT_EQ(ReadName(blocks, ChLayout::Short, 1), QStringLiteral("ab/de")); // taken as they are
    EXPECT_EQ(ReadName(blocks, ChLayout::Short, 100), QString());
    EXPECT_EQ(ReadName(blocks, ChLayout::Short, -1), QString());

    WriteName(blocks, ChLayout::Short, 2, QStringLiteral("ABCDEFG"));
    EXPECT_EQ(image.Range(755, 5), (std::vector<uint8_t>{'A', 'B', 'C', 'D', 'E'}));
    WriteName(blocks, ChLayout::Short, 2, QStringLiteral("XY"));
    EXPECT_EQ(image.Range(755, 5), (std::vector<uint8_t>{'X', 'Y', 0, 0, 0}));
    EXPECT_EQ(image[760], 0xFF);
}

TEST(ChdataNames, ShortLayoutChannel100NameSitsInSlot99AndHigherAreDropped)
{
    Image image(2048);
    EEPROM blocks(image.data(), image.size());
    const Image before = image;
    WriteName(blocks, ChLayout::Short, 100, QStringLiteral("LOST")); // channel 101
    WriteName(blocks, ChLayout::Short, 123, QStringLiteral("LOST"));
    EXPECT_EQ(image.bytes, before.bytes);

    WriteName(blocks, ChLayout::Short, 99, QStringLiteral("HID")); // channel 100
    EXPECT_EQ(image.Range(1240, 5), (std::vector<uint8_t>{'H', 'I', 'D', 0, 0}));
    EXPECT_EQ(ReadName(blocks, ChLayout::Short, 99), QStringLiteral("HID"));
}

TEST(ChdataNames, ExtendedLayoutChannel5NameAB)
{
    Image image(8192);
    EEPROM blocks(image.data(), image.size());
    WriteName(blocks, ChLayout::Extended, 4, QStringLiteral("AB"));
    EXPECT_EQ(image.Range(2048 + 24, 6), (std::vector<uint8_t>{'A', 'B', 0, 0, 0, 0}));
    EXPECT_EQ(image.Range(745 + 20, 5), (std::vector<uint8_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ(ReadName(blocks, ChLayout::Extended, 4), QStringLiteral("AB         "));
}

TEST(ChdataNames, ExtendedLayoutNamePlaces)
{
    struct Case {
        int index;
        int head;     // characters 1..6
        int tail;     // characters 7..11
    };
    const Case cases[] = {
        {0, 2048, 745},
        {98, 2048 + 6 * 98, 745 + 5 * 98},
        {99, 5152 + 5, 5152},
        {230, 5152 + 11 * 131 + 5, 5152 + 11 * 131},
        {231, 2882 + 5, 2882},
        {255, 2882 + 11 * 24 + 5, 2882 + 11 * 24},
    };
    for (const auto& c : cases) {
        Image image(8192);
        EEPROM blocks(image.data(), image.size());
        WriteName(blocks, ChLayout::Extended, c.index, QStringLiteral("abcDEF123*+xyz"));
        EXPECT_EQ(image.Range(c.head, 6), (std::vector<uint8_t>{'a', 'b', 'c', 'D', 'E', 'F'})) << c.index;
        EXPECT_EQ(image.Range(c.tail, 5), (std::vector<uint8_t>{'1', '2', '3', '*', '+'})) << c.index;
        EXPECT_EQ(ReadName(blocks, ChLayout::Extended, c.index), QStringLiteral("ABCDEF123*+")) << c.index;
        int changed = 0;
        for (uint8_t b : image.bytes)
            changed += b != 0xFF;
        EXPECT_EQ(changed, 11) << c.index;
    }
}

TEST(ChdataNames, ExtendedLayoutRecordsAreZeroFilledPastTheName)
{
    Image image(8192);
    EEPROM blocks(image.data(), image.size());
    WriteName(blocks, ChLayout::Extended, 99, QStringLiteral("ABCDEFGH"));
    EXPECT_EQ(image.Range(5152, 11),
              (std::vector<uint8_t>{'G', 'H', 0, 0, 0, 'A', 'B', 'C', 'D', 'E', 'F'}));
    WriteName(blocks, ChLayout::Extended, 231, QStringLiteral("AB"));
    EXPECT_EQ(image.Range(2882, 11), (std::vector<uint8_t>{0, 0, 0, 0, 0, 'A', 'B', 0, 0, 0, 0}));
    EXPECT_EQ(ReadName(blocks, ChLayout::Extended, 231), QStringLiteral("AB         "));
}

TEST(ChdataNames, ExtendedLayoutReadFiltersEveryCharacter)
{
    Image image(8192);
    EEPROM blocks(image.data(), image.size());
    PutBytes(image, 2048 + 6 * 3, {'a', 'b', '-', 'c', '.', '*'});
    PutBytes(image, 745 + 5 * 3, {'+', '9', 'x', 0xFF, 0x00});
    EXPECT_EQ(ReadName(blocks, ChLayout::Extended, 3), QStringLiteral("AB-C.*+9X  "));
    // Erased storage reads as 11 spaces.
    EXPECT_EQ(ReadName(blocks, ChLayout::Extended, 200), QStringLiteral("           "));
}

TEST(ChdataNames, ExtendedLayoutIndexesOutsideTheTable)
{
    Image image(8192);
    EEPROM blocks(image.data(), image.size());
    const Image before = image;
    WriteName(blocks, ChLayout::Extended, 256, QStringLiteral("X"));
    WriteName(blocks, ChLayout::Extended, -1, QStringLiteral("X"));
    EXPECT_EQ(image.bytes, before.bytes);
    EXPECT_EQ(ReadName(blocks, ChLayout::Extended, 256), QString());
    EXPECT_EQ(ReadName(blocks, ChLayout::Extended, -1), QString());
}

// ---- The table --------------------------------------------------------------

TEST(ChdataTable, NewTableHoldsZeroRecords)
{
    ChData shortTable(124);
    EXPECT_EQ(shortTable.Count(), 124);
    EXPECT_EQ(shortTable.Layout(), ChLayout::Short);
    EXPECT_EQ(shortTable.Band(), ChBand::Uhf);
    EXPECT_EQ(ChData(125).Layout(), ChLayout::Short);
    ChData extended(256);
    EXPECT_EQ(extended.Count(), 256);
    EXPECT_EQ(extended.Layout(), ChLayout::Extended);
    EXPECT_EQ(ChData(-3).Count(), 0);
    for (int n = 1; n <= 256; ++n)
        EXPECT_EQ(Get(extended, n), CH_DATA_STRUCT{}) << n;
}

TEST(ChdataTable, ChannelsOutsideTheTableFailQuietly)
{
    ChData table(124);
    table.PutRaw(1, Raw(1, 2, 3, 4, 0x11, 6));
    const CH_DATA_STRUCT sentinel = Raw(9, 9, 9, 9, 9, 9);
    for (int n : {0, -1, 125, 256}) {
        CH_DATA_STRUCT raw = sentinel;
        EXPECT_EQ(table.GetRaw(n, raw), -1) << n;
        EXPECT_EQ(raw, sentinel);
        EXPECT_FALSE(table.PutRaw(n, sentinel));
        CH_NORMAL_STRUCT normal;
        normal.name = QStringLiteral("keep");
        EXPECT_EQ(table.GetNormal(n, normal), -1);
        EXPECT_EQ(normal.name, QStringLiteral("keep"));
        EXPECT_FALSE(table.PutNormal(n, normal));
        CH_GROUP_STRUCT group;
        group.members[0] = 5;
        EXPECT_EQ(table.GetGroup(n, group), -1);
        EXPECT_EQ(group.members[0], 5);
        EXPECT_FALSE(table.PutGroup(n, group));
        EXPECT_FALSE(table.ClearRecord(n));
        EXPECT_FALSE(table.IsUsed(n));
        EXPECT_FALSE(table.IsFree(n));
        EXPECT_FALSE(table.IsGroup(n));
        EXPECT_FALSE(table.IsDisabled(n));
        EXPECT_FALSE(table.IsCbSlot(n));
        EXPECT_EQ(table.GroupOf(n), 0);
    }
    EXPECT_EQ(Get(table, 1), Raw(1, 2, 3, 4, 0x11, 6));
}

TEST(ChdataTable, ShortLayoutLoadReadsRecordsAndHiddenRecords)
{
    Image image(2048);
    Pattern(image);
    PutBytes(image, 745, {'O', 'N', 'E', 0, 'x'});
    PutBytes(image, 1240, {'H', 'I', 'D', 'E', 'N'});
    ChData table(124);
    table.LoadFromImage(image.data(), image.size());

    struct Case {
        int n;
        int address;
    };
    for (const Case& c : {Case{1, 1247}, Case{2, 1255}, Case{99, 2031}, Case{100, 545}, Case{124, 737}}) {
        const CH_DATA_STRUCT r = Get(table, c.n);
        const std::vector<uint8_t> b = image.Range(c.address, 8);
        EXPECT_EQ(r.txCode, b[0] | b[1] << 8) << c.n;
        EXPECT_EQ(r.rxCode, b[2] | b[3] << 8) << c.n;
        EXPECT_EQ(r.txSubtone, b[4]) << c.n;
        EXPECT_EQ(r.rxSubtone, b[5]) << c.n;
        EXPECT_EQ(r.flagsA, b[6]) << c.n;
        EXPECT_EQ(r.flagsB, b[7]) << c.n;
    }
    EXPECT_EQ(Get(table, 1).name, QStringLiteral("ONE"));
    EXPECT_EQ(Get(table, 100).name, QStringLiteral("HIDEN"));
    EXPECT_EQ(Get(table, 101).name, QString());
    EXPECT_EQ(Get(table, 124).name, QString());
}

TEST(ChdataTable, ExtendedLayoutLoadReadsAllThreeRecordAreas)
{
    Image image(8192);
    Pattern(image);
    ChData table(256);
    table.LoadFromImage(image.data(), image.size());
    struct Case {
        int n;
        int address;
    };
    for (const Case& c : {Case{1, 1247}, Case{99, 2031}, Case{100, 4096}, Case{231, 5144}, Case{232, 545},
                          Case{256, 737}}) {
        const CH_DATA_STRUCT r = Get(table, c.n);
        const std::vector<uint8_t> b = image.Range(c.address, 8);
        EXPECT_EQ(r.txCode, b[0] | b[1] << 8) << c.n;
        EXPECT_EQ(r.rxCode, b[2] | b[3] << 8) << c.n;
        EXPECT_EQ(r.flagsA, b[6]) << c.n;
        EXPECT_EQ(r.flagsB, b[7]) << c.n;
        EXPECT_EQ(r.name.size(), 11) << c.n;
    }
}

TEST(ChdataTable, ExtendedLayoutLoadReadsNamesByChannel)
{
    Image image(8192);
    EEPROM blocks(image.data(), image.size());
    WriteName(blocks, ChLayout::Extended, 4, QStringLiteral("AB"));
    WriteName(blocks, ChLayout::Extended, 99, QStringLiteral("C100"));
    WriteName(blocks, ChLayout::Extended, 231, QStringLiteral("C232"));
    WriteName(blocks, ChLayout::Extended, 255, QStringLiteral("C256 LONGER"));
    ChData table(256);
    table.LoadFromImage(blocks);
    EXPECT_EQ(Get(table, 5).name, QStringLiteral("AB         "));
    EXPECT_EQ(Get(table, 100).name, QStringLiteral("C100       "));
    EXPECT_EQ(Get(table, 232).name, QStringLiteral("C232       "));
    EXPECT_EQ(Get(table, 256).name, QStringLiteral("C256 LONGER"));
    EXPECT_EQ(Get(table, 1).name, QStringLiteral("           "));
}

TEST(ChdataTable, SaveWritesBackExactlyWhatLoadRead)
{
    struct Case {
        int count;
        int imageSize;
    };
    for (const Case& c : {Case{124, 2048}, Case{125, 2048}, Case{256, 8192}}) {
        Image source(c.imageSize);
        Pattern(source);
        // Names the short layout keeps as they are: no zero byte inside.
        for (int i = 0; i < 100; ++i)
            PutBytes(source, 745 + 5 * i, {'A', 'B', 'C', 'D', 'E'});
        ChData table(c.count);
        table.LoadFromImage(source.data(), source.size());
        Image target(8192);
        table.SaveToImage(target.data(), target.size());
        if (c.count == 256) {
            // Names come back filtered; load what was written and compare.
            ChData again(256);
            again.LoadFromImage(target.data(), target.size());
            for (int n = 1; n <= 256; ++n)
                ASSERT_EQ(Get(again, n), Get(table, n)) << n;
        }
        for (int a = 0; a < 8192; ++a) {
            const bool hidden = a >= 545 && a < 745;
            const bool names = a >= 745 && a < 1245;
            const bool records = a >= 1247 && a < 2039;
            const bool extended = c.count == 256
                && ((a >= 2048 && a < 2642) || (a >= 2882 && a < 3157) || (a >= 4096 && a < 6604));
            if (hidden || records || (names && c.count != 256)) {
                ASSERT_EQ(target[a], source[a]) << c.count << " at " << a;
            } else if (!names && !extended) {
                ASSERT_EQ(target[a], 0xFF) << c.count << " at " << a;
            }
        }
    }
}

TEST(ChdataTable, ShortLayoutSaveDropsHiddenNamesAfterChannel100)
{
    ChData table(124);
    for (int n = 1; n <= 124; ++n) {
        CH_DATA_STRUCT r;
        r.name = QStringLiteral("N%1").arg(n);
        table.PutRaw(n, r);
    }
    Image image(2048);
    table.SaveToImage(image.data(), image.size());
    EXPECT_EQ(image.Range(745, 5), (std::vector<uint8_t>{'N', '1', 0, 0, 0}));
    EXPECT_EQ(image.Range(1240, 5), (std::vector<uint8_t>{'N', '1', '0', '0', 0}));
    EXPECT_EQ(image[1245], 0xFF);
    EXPECT_EQ(image[1246], 0xFF);
    ChData back(124);
    back.LoadFromImage(image.data(), image.size());
    EXPECT_EQ(Get(back, 100).name, QStringLiteral("N100"));
    EXPECT_EQ(Get(back, 101).name, QString());
}

TEST(ChdataTable, ImageAccessorAndBytesGiveTheSameTable)
{
    Image image(8192);
    Pattern(image);
    EEPROM blocks(image.data(), image.size());
    ChData viaBytes(256);
    ChData viaAccessor(256);
    viaBytes.LoadFromImage(image.data(), image.size());
    viaAccessor.LoadFromImage(blocks);
    for (int n = 1; n <= 256; ++n)
        ASSERT_EQ(Get(viaAccessor, n), Get(viaBytes, n)) << n;
}

TEST(ChdataTable, ExtendedTableOnAShortImageReadsZerosAndWritesNothingOutside)
{
    Image image(2048);
    Pattern(image);
    ChData table(256);
    table.LoadFromImage(image.data(), image.size());
    CH_DATA_STRUCT r = Get(table, 100);
    EXPECT_EQ(r.txCode, 0);
    EXPECT_EQ(r.flagsA, 0);
    EXPECT_EQ(r.name, QStringLiteral("           "));
    const Image before = image;
    table.SaveToImage(image.data(), image.size()); // stops at the end of the buffer
    EXPECT_EQ(image.Range(1247, 792), before.Range(1247, 792));
    EXPECT_EQ(image.Range(545, 200), before.Range(545, 200));
}

TEST(ChdataTable, PutNormalEncodesUhfAndSetsTheFrequencyFlags)
{
    ChData table(124);
    CH_NORMAL_STRUCT ch;
    ch.txFrequency = 446006250;
    ch.rxFrequency = 446000000;
    ch.txSubtone = 0;
    ch.rxSubtone = 154;
    ch.flagsA = 0x05;
    ch.flagsB = 0x90; // stale receive flag
    ch.name = QStringLiteral("PMR1");
    ASSERT_TRUE(table.PutNormal(3, ch));
    CH_DATA_STRUCT stored = Raw(35680, 35680, 0, 154, 0x85, 0x10);
    stored.name = QStringLiteral("PMR1");
    EXPECT_EQ(Get(table, 3), stored);
    CH_NORMAL_STRUCT back;
    ASSERT_EQ(table.GetNormal(3, back), 0);
    ch.flagsA = 0x85;
    ch.flagsB = 0x10;
    EXPECT_EQ(back, ch);
}

TEST(ChdataTable, PutNormalEncodesVhfWithTheBandFlag)
{
    ChData table(256);
    table.SetBand(ChBand::Vhf);
    CH_NORMAL_STRUCT ch;
    ch.txFrequency = 146520000;
    ch.rxFrequency = 146525000;
    ch.rxSubtone = 50;
    ch.flagsB = 0x80;
    ASSERT_TRUE(table.PutNormal(200, ch));
    const CH_DATA_STRUCT r = Get(table, 200);
    EXPECT_EQ(r.txCode, 0xC000 | 11720);
    EXPECT_EQ(r.flagsA, 0x80);
    EXPECT_EQ(r.rxCode, 11722);
    EXPECT_EQ(r.flagsB, 0x00);
    EXPECT_EQ(r.rxSubtone, 50);
    CH_NORMAL_STRUCT back;
    ASSERT_EQ(table.GetNormal(200, back), 0);
    EXPECT_EQ(back.txFrequency, 146520000u);
    EXPECT_EQ(back.rxFrequency, 146525000u);
}

TEST(ChdataTable, BandFlagChangesHowStoredCodesAreShown)
{
    ChData table(124);
    table.PutRaw(1, Raw(0x4000, 0x4000, 50, 50, 0x01, 0x80));
    CH_NORMAL_STRUCT ch;
    table.GetNormal(1, ch);
    EXPECT_EQ(ch.txFrequency, 204800000u);
    EXPECT_EQ(ch.rxFrequency, 204806250u);
    table.SetBand(ChBand::Vhf);
    table.GetNormal(1, ch);
    EXPECT_EQ(ch.txFrequency, 5000u);
    EXPECT_EQ(ch.rxFrequency, 0u);
}

TEST(ChdataTable, PutGroupPacksMembersAndMarksTheRecord)
{
    ChData table(124);
    CH_GROUP_STRUCT g;
    g.members = {1, 37, 100, 124, 40, 0, 0, 0};
    g.flagsA = 0x80 | 0x04;
    g.flagsB = 0x0C;
    g.name = QStringLiteral("VOTE");
    ASSERT_TRUE(table.PutGroup(10, g));
    const CH_DATA_STRUCT r = Get(table, 10);
    EXPECT_EQ(r.txCode & 0x3F, 27);
    EXPECT_EQ((r.txCode >> 8) & 0x3F, 63);
    EXPECT_EQ(r.rxCode & 0x3F, 0);
    EXPECT_EQ((r.rxCode >> 8) & 0x3F, 24);
    EXPECT_EQ(r.txSubtone & 0x3F, 26); // 40 cannot be named: empty
    EXPECT_EQ(r.flagsA, 0x95);
    EXPECT_EQ(r.flagsB, 0x0C);
    EXPECT_EQ(r.name, QStringLiteral("VOTE"));
    EXPECT_TRUE(table.IsGroup(10));
    EXPECT_FALSE(table.IsDisabled(10));

    CH_GROUP_STRUCT back;
    ASSERT_EQ(table.GetGroup(10, back), 0);
    EXPECT_EQ(back.members, (std::array<int32_t, 8>{1, 37, 100, 124, 0, 0, 0, 0}));
    EXPECT_EQ(back.flagsA, 0x95);
    EXPECT_EQ(back.name, QStringLiteral("VOTE"));
}

TEST(ChdataTable, SixMemberGroupInTheExtendedLayout)
{
    ChData table(256);
    CH_GROUP_STRUCT g;
    g.members = {229, 230, 232, 256, 0, 100, 3, 4};
    ASSERT_TRUE(table.PutGroup(150, g));
    const CH_DATA_STRUCT r = Get(table, 150);
    EXPECT_EQ(r.txCode, 255 | 26 << 8); // 230 cannot be a member
    EXPECT_EQ(r.rxCode, 0 | 24 << 8);
    EXPECT_EQ(r.txSubtone, 26);
    EXPECT_EQ(r.rxSubtone, 100 + 26);
    EXPECT_EQ(r.flagsA, 0x11);
    CH_GROUP_STRUCT back;
    table.GetGroup(150, back);
    EXPECT_EQ(back.members, (std::array<int32_t, 8>{229, 0, 232, 256, 0, 100, 0, 0}));
}

TEST(ChdataTable, IsUsedAndIsFree)
{
    struct Case {
        CH_DATA_STRUCT record;
        bool used;
    };
    const Case cases[] = {
        {Raw(0, 0, 0, 0, 0x00, 0x00), false},
        {Raw(0, 0, 0, 0, 0x01, 0x00), true},
        {Raw(0, 1, 0, 0, 0x00, 0x00), true},
        {Raw(5, 0, 7, 7, 0xFE, 0x00), false},
        {Raw(0xFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF, 0xFF), false}, // erased
        {Raw(0xFFFF, 0, 0xFF, 0xFF, 0xFF, 0xFF), false},
        {Raw(0xFFFF, 5, 0xFF, 0xFF, 0xFF, 0xFF), true},
        {Raw(0xFFFE, 0xFFFF, 0xFF, 0xFF, 0xFF, 0xFF), true},
        {Raw(0xFFFF, 0xFFFF, 0xFE, 0xFF, 0xFF, 0xFF), true},
        {Raw(0xFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF, 0xFE), true},
    };
    ChData table(124);
    for (size_t i = 0; i < std::size(cases); ++i) {
        table.PutRaw(7, cases[i].record);
        EXPECT_EQ(table.IsUsed(7), cases[i].used) << i;
        EXPECT_EQ(table.IsFree(7), !cases[i].used) << i;
    }
}

TEST(ChdataTable, GroupAndDisabledFlags)
{
    ChData table(124);
    table.PutRaw(1, Raw(0, 0, 0, 0, 0x10, 0));
    table.PutRaw(2, Raw(0, 0, 0, 0, 0x01, 0));
    table.PutRaw(3, Raw(0, 0, 0, 0, 0xEF, 0xFF));
    EXPECT_TRUE(table.IsGroup(1));
    EXPECT_TRUE(table.IsDisabled(1));
    EXPECT_FALSE(table.IsGroup(2));
    EXPECT_FALSE(table.IsDisabled(2));
    EXPECT_FALSE(table.IsGroup(3));
    EXPECT_FALSE(table.IsDisabled(3));
    EXPECT_TRUE(table.IsDisabled(4));
}

TEST(ChdataTable, CbSlotsAreChannels101To180)
{
    ChData extended(256);
    for (int n : {1, 100, 181, 231, 256})
        EXPECT_FALSE(extended.IsCbSlot(n)) << n;
    for (int n : {101, 140, 180})
        EXPECT_TRUE(extended.IsCbSlot(n)) << n;
    ChData shortTable(124);
    EXPECT_TRUE(shortTable.IsCbSlot(124));
    EXPECT_FALSE(shortTable.IsCbSlot(125));
}

TEST(ChdataTable, FirstUsedCountsErasedRecords)
{
    ChData table(124);
    EXPECT_EQ(table.FirstUsed(), 0);
    table.PutRaw(9, Raw(0, 1, 0, 0, 0, 0));
    EXPECT_EQ(table.FirstUsed(), 9);
    table.PutRaw(5, Raw(0, 0, 0, 0, 0x01, 0));
    EXPECT_EQ(table.FirstUsed(), 5);
    table.PutRaw(2, Raw(0xFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF, 0xFF));
    EXPECT_FALSE(table.IsUsed(2));
    EXPECT_EQ(table.FirstUsed(), 2);
}

TEST(ChdataTable, ErasedImageHasNoChannelInUseButNoneFreeEither)
{
    Image image(2048);
    ChData table(124);
    table.LoadFromImage(image.data(), image.size());
    for (int n = 1; n <= 124; ++n)
        ASSERT_FALSE(table.IsUsed(n)) << n;
    EXPECT_EQ(table.FirstUsed(), 1);
    EXPECT_EQ(table.NextFree(), 0);
}

TEST(ChdataTable, NextFreeNeverOffersTheLastRecord)
{
    ChData table(5);
    EXPECT_EQ(table.NextFree(), 1);
    EXPECT_EQ(table.NextFree(0), 1);
    EXPECT_EQ(table.NextFree(1), 2);
    table.PutRaw(1, Raw(0, 0, 0, 0, 0x01, 0));
    table.PutRaw(2, Raw(0, 3, 0, 0, 0x00, 0)); // receives: not free
    table.PutRaw(3, Raw(7, 0, 9, 9, 0xFE, 0xFF)); // other bytes do not matter
    EXPECT_EQ(table.NextFree(), 3);
    table.PutRaw(3, Raw(0, 0, 0, 0, 0x01, 0));
    EXPECT_EQ(table.NextFree(), 4);
    table.PutRaw(4, Raw(0, 0, 0, 0, 0x01, 0));
    EXPECT_TRUE(table.IsFree(5));
    EXPECT_EQ(table.NextFree(), 0);
    EXPECT_EQ(table.NextFree(4), 0);
    EXPECT_EQ(table.NextFree(-1), 0);
}

TEST(ChdataTable, GroupOfFindsTheFirstEnabledGroupHoldingTheChannel)
{
    ChData table(124);
    CH_GROUP_STRUCT g;
    g.members = {3, 100, 0, 0, 0, 0, 0, 0};
    table.PutGroup(20, g);
    table.PutGroup(10, g);
    g.members = {4, 0, 0, 0, 0, 0, 0, 0};
    table.PutGroup(30, g);
    // A group record with bit 0 clear is passed over.
    CH_DATA_STRUCT r = Get(table, 30);
    r.flagsA &= ~0x01;
    table.PutRaw(5, r);

    EXPECT_EQ(table.GroupOf(3), 10);
    EXPECT_EQ(table.GroupOf(100), 10);
    EXPECT_EQ(table.GroupOf(4), 30);
    EXPECT_EQ(table.GroupOf(6), 0);
    table.ClearRecord(10);
    EXPECT_EQ(table.GroupOf(3), 20);
}

TEST(ChdataTable, ClearRecordZeroesRecordAndName)
{
    ChData table(124);
    CH_DATA_STRUCT r = Raw(1, 2, 3, 4, 5, 6);
    r.name = QStringLiteral("X");
    table.PutRaw(124, r);
    ASSERT_TRUE(table.ClearRecord(124));
    EXPECT_EQ(Get(table, 124), CH_DATA_STRUCT{});
}

TEST(ChdataTable, HundredTwentyFiveRecordTableLeavesTheLastOneAlone)
{
    Image image(2048);
    Pattern(image);
    ChData table(125);
    table.LoadFromImage(image.data(), image.size());
    EXPECT_EQ(Get(table, 125), CH_DATA_STRUCT{});
    // Hidden records lose their knob flag and go back.
    for (int n = 100; n <= 124; ++n) {
        CH_DATA_STRUCT r = Get(table, n);
        r.flagsA &= ~0x01;
        table.PutRaw(n, r);
    }
    Image before = image;
    table.SaveToImage(image.data(), image.size());
    for (int k = 0; k < 25; ++k) {
        EXPECT_EQ(image[545 + 8 * k + 6], before[545 + 8 * k + 6] & 0xFE) << k;
        EXPECT_EQ(image[545 + 8 * k + 7], before[545 + 8 * k + 7]) << k;
    }
}
