#pragma once

#include "radio/ImageBlocks.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// The PMR radio's channel table: fixed 8-byte records in the configuration
// image, alpha names in separate name areas.
//
// Channel numbers and where their records live:
//   short layout     1..99    image 1247 + 8 * (n - 1)
//                    100..124 hidden, image 545 + 8 * (n - 100)
//   extended layout  1..99    image 1247 + 8 * (n - 1)
//                    100..231 image 4096 + 8 * (n - 100)
//                    232..256 hidden, image 545 + 8 * (n - 232)
//
// Record bytes (16-bit values little-endian):
//   normal channel: 0..1 transmit frequency code (0 = transmit disabled),
//                   2..3 receive frequency code, 4 transmit subtone,
//                   5 receive subtone, 6 flags A, 7 flags B
//   group channel:  0..5 member values, 6 flags A, 7 flags B

enum class ChLayout {
    Short,    // 2048-byte image: 99 + 25 hidden channels, 5-character names
    Extended, // 8192-byte image: 231 + 25 hidden channels, 11-character names
};

// The band flag of the frequency conversions: 0 = UHF, 1 = VHF.
enum class ChBand {
    Uhf = 0,
    Vhf = 1,
};

// Flag byte A (record byte 6).
namespace ChFlagA {
constexpr uint8_t kEnabled = 0x01;      // normal: selectable with the knob; group: always set
constexpr uint8_t kTalkAround = 0x02;   // normal only
constexpr uint8_t kBusyLockout = 0x04;
constexpr uint8_t kLowPower = 0x08;     // transmit on low power only
constexpr uint8_t kGroup = 0x10;        // the record is a group channel
constexpr uint8_t kSignalVote = 0x20;   // group: signal strength voting, clear = busy voting
constexpr uint8_t kVoteSubtone = 0x40;  // normal: use subtone during voting
constexpr uint8_t kTxFreqFlag = 0x80;   // normal: frequency flag of the transmit code
constexpr uint8_t kEightMembers = 0x80; // group: 8-member form, clear = 6-member form
} // namespace ChFlagA

// Flag byte B (record byte 7).
namespace ChFlagB {
constexpr uint8_t kOpenScan = 0x01;
constexpr uint8_t kGroupScan = 0x02;
constexpr uint8_t kQuiet = 0x04;
constexpr uint8_t kSquelchSwitch = 0x08;
constexpr uint8_t kNarrow = 0x10;     // 12.5 kHz spacing; clear = 25 kHz
constexpr uint8_t kWarmStart = 0x20;  // CTCSS warm start
constexpr uint8_t kMdc1200 = 0x40;    // digital selcall instead of 5-tone
constexpr uint8_t kRxFreqFlag = 0x80; // frequency flag of the receive code
} // namespace ChFlagB

// Image addresses of the channel records and names.
namespace ChAddr {
constexpr int kHiddenRecords = 545;   // 25 hidden channel records
constexpr int kNameSlots = 745;       // 100 slots of 5 characters
constexpr int kRecords = 1247;        // channels 1..99
constexpr int kNameHeads = 2048;      // extended: characters 1..6 of names 1..99
constexpr int kHiddenNames = 2882;    // extended: 11-byte names of the hidden channels
constexpr int kExtRecords = 4096;     // extended: channels 100..231
constexpr int kExtNames = 5152;       // extended: 11-byte names of channels 100..231
} // namespace ChAddr

constexpr int kChRecordSize = 8;
constexpr int kHiddenChannelCount = 25;
constexpr int kShortChannelCount = 124;
constexpr int kExtendedChannelCount = 256;
constexpr int kShortNameLength = 5;
constexpr int kExtendedNameLength = 11;
constexpr int kGroupPlaces = 8;

// One record as stored.
struct CH_DATA_STRUCT {
    uint16_t txCode = 0;
    uint16_t rxCode = 0;
    uint8_t txSubtone = 0;
    uint8_t rxSubtone = 0;
    uint8_t flagsA = 0;
    uint8_t flagsB = 0;
    QString name;

    bool operator==(const CH_DATA_STRUCT&) const = default;
};

// A normal channel with its frequencies in hertz.
struct CH_NORMAL_STRUCT {
    uint32_t txFrequency = 0; // 0 = transmit disabled
    uint32_t rxFrequency = 0;
    int32_t txSubtone = 0;    // subtone codes (Ctcss.h)
    int32_t rxSubtone = 0;
    uint8_t flagsA = 0;
    uint8_t flagsB = 0;
    QString name;

    bool operator==(const CH_NORMAL_STRUCT&) const = default;
};

// A group channel with its member channel numbers; 0 = empty place.
struct CH_GROUP_STRUCT {
    std::array<int32_t, kGroupPlaces> members{};
    uint8_t flagsA = 0;
    uint8_t flagsB = 0;
    QString name;

    bool operator==(const CH_GROUP_STRUCT&) const = default;
};

// ---- Frequency codes -------------------------------------------------------
// A 16-bit code plus its frequency flag (flags A bit 7 for transmit, flags B
// bit 7 for receive). A code that does not fit in 16 bits keeps its low 16.

// UHF: code * 12.5 kHz, plus 6.25 kHz with the flag set.
uint32_t UhfDecode(uint16_t code, bool flag);
void UhfEncode(uint32_t hz, uint16_t& code, bool& flag);

// VHF: code and flag form a 17-bit value, bits 0..13 a count of 12.5 kHz
// steps, bits 14..16 an offset selector (0..3: 0, 5, 10, 15 kHz; 4: 6.25 kHz;
// 7: 20 kHz; 5 and 6: none).
uint32_t VhfDecode(uint16_t code, bool flag);
void VhfEncode(uint32_t hz, uint16_t& code, bool& flag);

uint32_t DecodeFrequency(ChBand band, uint16_t code, bool flag);
void EncodeFrequency(ChBand band, uint32_t hz, uint16_t& code, bool& flag);

// ---- Group members -----------------------------------------------------------
// Places 1..8. A place holds an 8-bit value in the 6-member form and a 6-bit
// value in the 8-member form:
//   empty               26 at places 1..5, 0 at places 6..8
//   channel 1..m        channel + 26
//   hidden channel h+k  k at places 1..5, k + 1 at places 6..8
// with h the first hidden channel and m the highest channel a value can name.

// 100 in the short layout, 232 in the extended layout.
int FirstHiddenChannel(ChLayout layout);
// 37 in the 8-member form; 99 (short) or 229 (extended) in the 6-member form.
int HighestMemberChannel(ChLayout layout, bool eightMembers);

// Value stored for a member at a place; a channel the form cannot name is
// stored as an empty place. Places 7 and 8 of the 6-member form, and places
// outside 1..8, are not stored and give 0.
int EncodeMember(int channel, int place, bool eightMembers, ChLayout layout);
// Channel named by a stored value, 0 for an empty place or a value the form
// does not use.
int DecodeMember(int value, int place, bool eightMembers, ChLayout layout);

// Record bytes 0..5 <-> the members of places 1..8. In the 8-member form
// bits 0..5 of each byte hold places 1..6, and places 7 and 8 are spread in
// pairs of bits over bits 6..7 of bytes 0..2 and 3..5, high pair first.
void PackMembers(const std::array<int32_t, kGroupPlaces>& members, bool eightMembers, ChLayout layout,
                 uint8_t bytes[6]);
std::array<int32_t, kGroupPlaces> UnpackMembers(const uint8_t bytes[6], bool eightMembers, ChLayout layout);

// ---- Names ------------------------------------------------------------------
// Name index = channel number - 1.
//   short layout:    indexes 0..99, 5 bytes at 745 + 5 * index, ended by 0x00;
//                    other indexes read empty and are not written
//   extended layout: 11 characters for indexes 0..255
//                    0..98    characters 1..6 at 2048 + 6 * index,
//                             characters 7..11 at 745 + 5 * index
//                    99..230  11-byte record at 5152 + 11 * (index - 99)
//                    231..255 11-byte record at 2882 + 11 * (index - 231)
//                    (record bytes 0..4 = characters 7..11, 5..10 = 1..6)

// Alpha name character as the radio shows it: letters and digits in upper
// case; space, '*', '+', '-' and '.' as they are; anything else a space.
char FilterNameChar(uint8_t byte);

// Short layout: the stored characters as they are. Extended layout: always
// 11 characters, each through FilterNameChar (empty places read as spaces).
QString ReadName(const ImageBlocks& image, ChLayout layout, int index);
// Stores the first 5 (short) or 11 (extended) characters, 0x00 past the end.
void WriteName(ImageBlocks& image, ChLayout layout, int index, const QString& name);

// ---- The table --------------------------------------------------------------
// Records are numbered from 1. A channel number outside 1..Count() makes every
// operation give its failure value (-1, false or 0) and leaves the table as it
// is.
class ChData {
public:
    // count records, all zero with empty names. The layout is the extended one
    // for tables of more than 125 records (the 256-record table), else short.
    explicit ChData(int count);
    ChData(int count, ChLayout layout);

    int Count() const { return static_cast<int>(records_.size()); }

    ChLayout Layout() const { return layout_; }
    void SetLayout(ChLayout layout) { layout_ = layout; }
    ChBand Band() const { return band_; }
    void SetBand(ChBand band) { band_ = band; }

    // Records 1..99 and the hidden records with their names; in the extended
    // layout also records 100..231. Records beyond Count() are skipped.
    void LoadFromImage(const ImageBlocks& image);
    void LoadFromImage(const uint8_t* image, int size);
    void SaveToImage(ImageBlocks& image) const;
    void SaveToImage(uint8_t* image, int size) const;

    // The Get operations return 0, or -1 for a channel outside the table
    // (record left unchanged). The Put operations and ClearRecord return
    // false when nothing was stored.
    int GetRaw(int n, CH_DATA_STRUCT& record) const;
    bool PutRaw(int n, const CH_DATA_STRUCT& record);
    // Frequencies decoded for the band flag.
    int GetNormal(int n, CH_NORMAL_STRUCT& channel) const;
    // Frequencies encoded for the band flag; bit 7 of flags A and B follow
    // the transmit and receive frequency flags.
    bool PutNormal(int n, const CH_NORMAL_STRUCT& channel);
    // Members decoded in the form of flags A bit 7.
    int GetGroup(int n, CH_GROUP_STRUCT& group) const;
    // Members packed in the form of flags A bit 7; flags A bits 0 and 4 set.
    bool PutGroup(int n, const CH_GROUP_STRUCT& group);
    bool ClearRecord(int n);

    // Enabled or receiving on a frequency, unless the record is erased
    // (transmit code 0xFFFF, bytes 4..7 0xFF, receive code 0 or 0xFFFF).
    bool IsUsed(int n) const;
    bool IsFree(int n) const;
    bool IsGroup(int n) const;
    bool IsDisabled(int n) const;
    // Records 101..180 carry the Australian CB channels when those are on.
    bool IsCbSlot(int n) const;

    // First record enabled or with a receive code (erased records count);
    // 0 if none.
    int FirstUsed() const;
    // First record after start that is not enabled and has no receive code;
    // the last record is never offered. 0 if none.
    int NextFree(int start = 0) const;
    // First enabled group channel that has n among its members; 0 if none.
    int GroupOf(int n) const;

private:
    bool InTable(int n) const { return n >= 1 && n <= Count(); }
    CH_DATA_STRUCT& At(int n) { return records_[static_cast<size_t>(n - 1)]; }
    const CH_DATA_STRUCT& At(int n) const { return records_[static_cast<size_t>(n - 1)]; }
    void LoadRecord(const ImageBlocks& image, int n, int address);
    void SaveRecord(ImageBlocks& image, int n, int address) const;

    std::vector<CH_DATA_STRUCT> records_;
    ChLayout layout_ = ChLayout::Short;
    ChBand band_ = ChBand::Uhf;
};
