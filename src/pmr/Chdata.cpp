#include "Chdata.h"

#include <cstring>

namespace {

constexpr uint32_t kStep = 12500;     // channel raster
constexpr uint32_t kHalfStep = 6250;
constexpr uint32_t kFineStep = 5000;  // VHF 5 kHz raster
constexpr uint32_t kVhfStepMask = 0x3FFF;
constexpr int kVhfSelectorShift = 14;

// Places 1..5 hold the empty value 26, places 6..8 hold 0; channels are
// offset by 26 everywhere.
constexpr int kMemberOffset = 26;
constexpr int kLowPlaces = 5;

int EmptyValue(int place) { return place <= kLowPlaces ? kMemberOffset : 0; }

// A configuration image given as bytes and a size, in the form ImageBlocks
// callers use. Reads outside give nothing, writes outside are dropped; an
// image given read-only takes no writes.
class ByteImage : public ImageBlocks {
public:
    ByteImage(const uint8_t* data, int size) : read_(data), size_(data ? size : 0) {}
    ByteImage(uint8_t* data, int size) : read_(data), write_(data), size_(data ? size : 0) {}

    int ReadBlock(int address, uint8_t* destination, int count) const override
    {
        const int copied = Span(address, count);
        if (copied > 0)
            std::memcpy(destination, read_ + address, static_cast<size_t>(copied));
        return copied;
    }
    int WriteBlock(int address, const uint8_t* source, int count) override
    {
        if (write_ == nullptr)
            return 0;
        const int copied = Span(address, count);
        if (copied > 0)
            std::memcpy(write_ + address, source, static_cast<size_t>(copied));
        return copied;
    }

private:
    int Span(int address, int count) const
    {
        if (address < 0 || count <= 0 || address >= size_)
            return 0;
        return count < size_ - address ? count : size_ - address;
    }

    const uint8_t* read_ = nullptr;
    uint8_t* write_ = nullptr;
    int size_ = 0;
};

// Reads count bytes; bytes outside the image read as 0.
void ReadBytes(const ImageBlocks& image, int address, uint8_t* bytes, int count)
{
    std::memset(bytes, 0, static_cast<size_t>(count));
    image.ReadBlock(address, bytes, count);
}

void RecordToBytes(const CH_DATA_STRUCT& r, uint8_t bytes[kChRecordSize])
{
    bytes[0] = static_cast<uint8_t>(r.txCode & 0xFF);
    bytes[1] = static_cast<uint8_t>(r.txCode >> 8);
    bytes[2] = static_cast<uint8_t>(r.rxCode & 0xFF);
    bytes[3] = static_cast<uint8_t>(r.rxCode >> 8);
    bytes[4] = r.txSubtone;
    bytes[5] = r.rxSubtone;
    bytes[6] = r.flagsA;
    bytes[7] = r.flagsB;
}

void BytesToRecord(const uint8_t bytes[kChRecordSize], CH_DATA_STRUCT& r)
{
    r.txCode = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
    r.rxCode = static_cast<uint16_t>(bytes[2] | (bytes[3] << 8));
    r.txSubtone = bytes[4];
    r.rxSubtone = bytes[5];
    r.flagsA = bytes[6];
    r.flagsB = bytes[7];
}

// Copies the characters of text into a zeroed area of count bytes.
void FillArea(uint8_t* area, int count, const QByteArray& text, int from)
{
    std::memset(area, 0, static_cast<size_t>(count));
    for (int i = 0; i < count && from + i < text.size(); ++i)
        area[i] = static_cast<uint8_t>(text[from + i]);
}

// Address of the 11-byte name record of an extended-layout name index, or -1
// for an index kept in the split form (0..98) or outside the table.
int ExtendedNameRecord(int index)
{
    if (index >= 99 && index <= 230)
        return ChAddr::kExtNames + kExtendedNameLength * (index - 99);
    if (index >= 231 && index <= 255)
        return ChAddr::kHiddenNames + kExtendedNameLength * (index - 231);
    return -1;
}

} // namespace

// ---- Frequency codes -------------------------------------------------------

uint32_t UhfDecode(uint16_t code, bool flag)
{
    return code * kStep + (flag ? kHalfStep : 0);
}

void UhfEncode(uint32_t hz, uint16_t& code, bool& flag)
{
    code = static_cast<uint16_t>((hz / kStep) & 0xFFFF);
    flag = hz % kStep != 0;
}

uint32_t VhfDecode(uint16_t code, bool flag)
{
    const uint32_t v = code | (flag ? 0x10000u : 0u);
    const uint32_t steps = v & kVhfStepMask;
    const uint32_t selector = v >> kVhfSelectorShift; // 0..7
    uint32_t offset = 0;
    if (selector <= 3)
        offset = selector * kFineStep;
    else if (selector == 4)
        offset = kHalfStep;
    else if (selector == 7)
        offset = 4 * kFineStep;
    return steps * kStep + offset;
}

void VhfEncode(uint32_t hz, uint16_t& code, bool& flag)
{
    uint32_t steps = 0;
    uint32_t selector = 0;
    if (hz % kFineStep == 0) {
        // Even count of 12.5 kHz steps (a 25 kHz multiple) plus 0..20 kHz.
        steps = (hz / kStep) & ~1u;
        const uint32_t fives = (hz / kFineStep) % 5;
        selector = fives <= 3 ? fives : 7;
    } else {
        steps = hz / kStep;
        selector = hz % kStep != 0 ? 4 : 0;
    }
    // A step count above 14 bits runs into the selector, as the radio's
    // arithmetic does; only 17 bits are kept.
    const uint32_t v = (selector << kVhfSelectorShift) + steps;
    code = static_cast<uint16_t>(v & 0xFFFF);
    flag = ((v >> 16) & 1) != 0;
}

uint32_t DecodeFrequency(ChBand band, uint16_t code, bool flag)
{
    return band == ChBand::Vhf ? VhfDecode(code, flag) : UhfDecode(code, flag);
}

void EncodeFrequency(ChBand band, uint32_t hz, uint16_t& code, bool& flag)
{
    if (band == ChBand::Vhf)
        VhfEncode(hz, code, flag);
    else
        UhfEncode(hz, code, flag);
}

// ---- Group members -----------------------------------------------------------

int FirstHiddenChannel(ChLayout layout)
{
    return layout == ChLayout::Extended ? 232 : 100;
}

int HighestMemberChannel(ChLayout layout, bool eightMembers)
{
    if (eightMembers)
        return 37;
    return layout == ChLayout::Extended ? 229 : 99;
}

int EncodeMember(int channel, int place, bool eightMembers, ChLayout layout)
{
    const int places = eightMembers ? 8 : 6;
    if (place < 1 || place > places)
        return 0;
    const int hidden = FirstHiddenChannel(layout);
    if (channel >= 1 && channel <= HighestMemberChannel(layout, eightMembers))
        return channel + kMemberOffset;
    if (channel >= hidden && channel < hidden + kHiddenChannelCount) {
        const int k = channel - hidden;
        return place <= kLowPlaces ? k : k + 1;
    }
    return EmptyValue(place);
}

int DecodeMember(int value, int place, bool eightMembers, ChLayout layout)
{
    const int places = eightMembers ? 8 : 6;
    if (place < 1 || place > places)
        return 0;
    if (value > kMemberOffset && value <= HighestMemberChannel(layout, eightMembers) + kMemberOffset)
        return value - kMemberOffset;
    // Hidden channels: 0..24 at places 1..5, 1..25 at places 6..8.
    const int k = place <= kLowPlaces ? value : value - 1;
    if (k >= 0 && k < kHiddenChannelCount)
        return FirstHiddenChannel(layout) + k;
    return 0;
}

void PackMembers(const std::array<int32_t, kGroupPlaces>& members, bool eightMembers, ChLayout layout,
                 uint8_t bytes[6])
{
    int values[kGroupPlaces];
    for (int place = 1; place <= kGroupPlaces; ++place)
        values[place - 1] = EncodeMember(members[static_cast<size_t>(place - 1)], place, eightMembers, layout);
    if (!eightMembers) {
        for (int i = 0; i < 6; ++i)
            bytes[i] = static_cast<uint8_t>(values[i]);
        return;
    }
    for (int i = 0; i < 6; ++i) {
        // Place 7 over bytes 0..2, place 8 over bytes 3..5, two bits each,
        // highest pair first.
        const int spread = values[i < 3 ? 6 : 7];
        const int shift = 4 - 2 * (i % 3);
        bytes[i] = static_cast<uint8_t>((values[i] & 0x3F) | (((spread >> shift) & 0x03) << 6));
    }
}

std::array<int32_t, kGroupPlaces> UnpackMembers(const uint8_t bytes[6], bool eightMembers, ChLayout layout)
{
    int values[kGroupPlaces] = {};
    if (!eightMembers) {
        for (int i = 0; i < 6; ++i)
            values[i] = bytes[i];
    } else {
        for (int i = 0; i < 6; ++i) {
            values[i] = bytes[i] & 0x3F;
            const int shift = 4 - 2 * (i % 3);
            values[i < 3 ? 6 : 7] |= (bytes[i] >> 6) << shift;
        }
    }
    std::array<int32_t, kGroupPlaces> members{};
    for (int place = 1; place <= kGroupPlaces; ++place)
        members[static_cast<size_t>(place - 1)] = DecodeMember(values[place - 1], place, eightMembers, layout);
    return members;
}

// ---- Names ------------------------------------------------------------------

char FilterNameChar(uint8_t byte)
{
    if (byte >= 'a' && byte <= 'z')
        return static_cast<char>(byte - 'a' + 'A');
    if ((byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'))
        return static_cast<char>(byte);
    switch (byte) {
    case ' ':
    case '*':
    case '+':
    case '-':
    case '.':
        return static_cast<char>(byte);
    default:
        return ' ';
    }
}

QString ReadName(const ImageBlocks& image, ChLayout layout, int index)
{
    if (layout == ChLayout::Short) {
        if (index < 0 || index > 99)
            return {};
        uint8_t slot[kShortNameLength];
        ReadBytes(image, ChAddr::kNameSlots + kShortNameLength * index, slot, kShortNameLength);
        QString name;
        for (uint8_t c : slot) {
            if (c == 0)
                break;
            name += QChar(c);
        }
        return name;
    }

    if (index < 0 || index > 255)
        return {};
    // Characters 1..6 then 7..11.
    uint8_t chars[kExtendedNameLength];
    const int record = ExtendedNameRecord(index);
    if (record < 0) {
        ReadBytes(image, ChAddr::kNameHeads + 6 * index, chars, 6);
        ReadBytes(image, ChAddr::kNameSlots + kShortNameLength * index, chars + 6, kShortNameLength);
    } else {
        uint8_t stored[kExtendedNameLength];
        ReadBytes(image, record, stored, kExtendedNameLength);
        std::memcpy(chars, stored + 5, 6);
        std::memcpy(chars + 6, stored, 5);
    }
    QString name;
    for (uint8_t c : chars)
        name += QLatin1Char(FilterNameChar(c));
    return name;
}

void WriteName(ImageBlocks& image, ChLayout layout, int index, const QString& name)
{
    if (layout == ChLayout::Short) {
        if (index < 0 || index > 99)
            return;
        uint8_t slot[kShortNameLength];
        FillArea(slot, kShortNameLength, name.left(kShortNameLength).toLatin1(), 0);
        image.WriteBlock(ChAddr::kNameSlots + kShortNameLength * index, slot, kShortNameLength);
        return;
    }

    if (index < 0 || index > 255)
        return;
    const QByteArray text = name.left(kExtendedNameLength).toLatin1();
    uint8_t head[6];
    uint8_t tail[kShortNameLength];
    FillArea(head, 6, text, 0);
    FillArea(tail, kShortNameLength, text, 6);
    const int record = ExtendedNameRecord(index);
    if (record < 0) {
        image.WriteBlock(ChAddr::kNameHeads + 6 * index, head, 6);
        image.WriteBlock(ChAddr::kNameSlots + kShortNameLength * index, tail, kShortNameLength);
    } else {
        uint8_t stored[kExtendedNameLength];
        std::memcpy(stored, tail, kShortNameLength);
        std::memcpy(stored + 5, head, 6);
        image.WriteBlock(record, stored, kExtendedNameLength);
    }
}

// ---- The table --------------------------------------------------------------

ChData::ChData(int count)
    : ChData(count, count > kShortChannelCount + 1 ? ChLayout::Extended : ChLayout::Short)
{
}

ChData::ChData(int count, ChLayout layout)
    : records_(static_cast<size_t>(count > 0 ? count : 0))
    , layout_(layout)
{
}

void ChData::LoadRecord(const ImageBlocks& image, int n, int address)
{
    if (!InTable(n))
        return;
    uint8_t bytes[kChRecordSize];
    ReadBytes(image, address, bytes, kChRecordSize);
    CH_DATA_STRUCT& r = At(n);
    BytesToRecord(bytes, r);
    r.name = ReadName(image, layout_, n - 1);
}

void ChData::SaveRecord(ImageBlocks& image, int n, int address) const
{
    if (!InTable(n))
        return;
    uint8_t bytes[kChRecordSize];
    RecordToBytes(At(n), bytes);
    image.WriteBlock(address, bytes, kChRecordSize);
    WriteName(image, layout_, n - 1, At(n).name);
}

void ChData::LoadFromImage(const ImageBlocks& image)
{
    for (int n = 1; n <= 99; ++n)
        LoadRecord(image, n, ChAddr::kRecords + kChRecordSize * (n - 1));
    const int hidden = FirstHiddenChannel(layout_);
    for (int k = 0; k < kHiddenChannelCount; ++k)
        LoadRecord(image, hidden + k, ChAddr::kHiddenRecords + kChRecordSize * k);
    if (layout_ == ChLayout::Extended)
        for (int n = 100; n <= 231; ++n)
            LoadRecord(image, n, ChAddr::kExtRecords + kChRecordSize * (n - 100));
}

void ChData::LoadFromImage(const uint8_t* image, int size)
{
    LoadFromImage(ByteImage(image, size));
}

void ChData::SaveToImage(ImageBlocks& image) const
{
    for (int n = 1; n <= 99; ++n)
        SaveRecord(image, n, ChAddr::kRecords + kChRecordSize * (n - 1));
    const int hidden = FirstHiddenChannel(layout_);
    for (int k = 0; k < kHiddenChannelCount; ++k)
        SaveRecord(image, hidden + k, ChAddr::kHiddenRecords + kChRecordSize * k);
    if (layout_ == ChLayout::Extended)
        for (int n = 100; n <= 231; ++n)
            SaveRecord(image, n, ChAddr::kExtRecords + kChRecordSize * (n - 100));
}

void ChData::SaveToImage(uint8_t* image, int size) const
{
    ByteImage blocks(image, size);
    SaveToImage(blocks);
}

int ChData::GetRaw(int n, CH_DATA_STRUCT& record) const
{
    if (!InTable(n))
        return -1;
    record = At(n);
    return 0;
}

bool ChData::PutRaw(int n, const CH_DATA_STRUCT& record)
{
    if (!InTable(n))
        return false;
    At(n) = record;
    return true;
}

int ChData::GetNormal(int n, CH_NORMAL_STRUCT& channel) const
{
    if (!InTable(n))
        return -1;
    const CH_DATA_STRUCT& r = At(n);
    channel.txFrequency = DecodeFrequency(band_, r.txCode, (r.flagsA & ChFlagA::kTxFreqFlag) != 0);
    channel.rxFrequency = DecodeFrequency(band_, r.rxCode, (r.flagsB & ChFlagB::kRxFreqFlag) != 0);
    channel.txSubtone = r.txSubtone;
    channel.rxSubtone = r.rxSubtone;
    channel.flagsA = r.flagsA;
    channel.flagsB = r.flagsB;
    channel.name = r.name;
    return 0;
}

bool ChData::PutNormal(int n, const CH_NORMAL_STRUCT& channel)
{
    if (!InTable(n))
        return false;
    CH_DATA_STRUCT r;
    bool txFlag = false;
    bool rxFlag = false;
    EncodeFrequency(band_, channel.txFrequency, r.txCode, txFlag);
    EncodeFrequency(band_, channel.rxFrequency, r.rxCode, rxFlag);
    r.txSubtone = static_cast<uint8_t>(channel.txSubtone);
    r.rxSubtone = static_cast<uint8_t>(channel.rxSubtone);
    r.flagsA = static_cast<uint8_t>((channel.flagsA & ~ChFlagA::kTxFreqFlag) | (txFlag ? ChFlagA::kTxFreqFlag : 0));
    r.flagsB = static_cast<uint8_t>((channel.flagsB & ~ChFlagB::kRxFreqFlag) | (rxFlag ? ChFlagB::kRxFreqFlag : 0));
    r.name = channel.name;
    At(n) = r;
    return true;
}

int ChData::GetGroup(int n, CH_GROUP_STRUCT& group) const
{
    if (!InTable(n))
        return -1;
    const CH_DATA_STRUCT& r = At(n);
    uint8_t bytes[kChRecordSize];
    RecordToBytes(r, bytes);
    group.members = UnpackMembers(bytes, (r.flagsA & ChFlagA::kEightMembers) != 0, layout_);
    group.flagsA = r.flagsA;
    group.flagsB = r.flagsB;
    group.name = r.name;
    return 0;
}

bool ChData::PutGroup(int n, const CH_GROUP_STRUCT& group)
{
    if (!InTable(n))
        return false;
    uint8_t bytes[kChRecordSize];
    PackMembers(group.members, (group.flagsA & ChFlagA::kEightMembers) != 0, layout_, bytes);
    bytes[6] = static_cast<uint8_t>(group.flagsA | ChFlagA::kEnabled | ChFlagA::kGroup);
    bytes[7] = group.flagsB;
    CH_DATA_STRUCT r;
    BytesToRecord(bytes, r);
    r.name = group.name;
    At(n) = r;
    return true;
}

bool ChData::ClearRecord(int n)
{
    if (!InTable(n))
        return false;
    At(n) = CH_DATA_STRUCT{};
    return true;
}

bool ChData::IsUsed(int n) const
{
    if (!InTable(n))
        return false;
    const CH_DATA_STRUCT& r = At(n);
    const bool erased = r.txCode == 0xFFFF && r.txSubtone == 0xFF && r.rxSubtone == 0xFF && r.flagsA == 0xFF
        && r.flagsB == 0xFF && (r.rxCode == 0 || r.rxCode == 0xFFFF);
    if (erased)
        return false;
    return (r.flagsA & ChFlagA::kEnabled) != 0 || r.rxCode != 0;
}

bool ChData::IsFree(int n) const
{
    return InTable(n) && !IsUsed(n);
}

bool ChData::IsGroup(int n) const
{
    return InTable(n) && (At(n).flagsA & ChFlagA::kGroup) != 0;
}

bool ChData::IsDisabled(int n) const
{
    return InTable(n) && (At(n).flagsA & ChFlagA::kEnabled) == 0;
}

bool ChData::IsCbSlot(int n) const
{
    return InTable(n) && n >= 101 && n <= 180;
}

int ChData::FirstUsed() const
{
    for (int n = 1; n <= Count(); ++n)
        if ((At(n).flagsA & ChFlagA::kEnabled) != 0 || At(n).rxCode != 0)
            return n;
    return 0;
}

int ChData::NextFree(int start) const
{
    if (start < 0)
        return 0;
    for (int n = start + 1; n <= Count() - 1; ++n)
        if ((At(n).flagsA & ChFlagA::kEnabled) == 0 && At(n).rxCode == 0)
            return n;
    return 0;
}

int ChData::GroupOf(int n) const
{
    if (!InTable(n))
        return 0;
    constexpr uint8_t kEnabledGroup = ChFlagA::kEnabled | ChFlagA::kGroup;
    for (int g = 1; g <= Count(); ++g) {
        if ((At(g).flagsA & kEnabledGroup) != kEnabledGroup)
            continue;
        CH_GROUP_STRUCT group;
        GetGroup(g, group);
        for (int32_t member : group.members)
            if (member == n)
                return g;
    }
    return 0;
}
