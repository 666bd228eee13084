#pragma once

#include "platform/Deliverable.h"

#include <QString>
#include <cstdint>

// What the identification bytes of a radio (and of an image) mean: radio
// type at address 50, repeater flags at 78, hardware byte at 40.
namespace RadioIdent {
constexpr int kHardwareAddress = 40;
constexpr int kRadioTypeAddress = 50;
constexpr int kModeAddress = 78;

constexpr int kTypeTelemetry = 0;
constexpr int kTypeData = 1;
constexpr int kTypePmr = 2;
constexpr int kTypeStunned = 12;

constexpr int kRepeaterBit = 0x08;
constexpr int kRepeaterInputBit = 0x20;
} // namespace RadioIdent

// Model record: the decoded hardware byte.
struct ModelRecord {
    enum Flag : uint8_t {
        Vhf = 0x01,
        LowBand = 0x02,
        Bit02 = 0x04,
        Ql43 = 0x10,
        Mod1 = 0x20,
        Twenty = 0x40,
        NewHead = 0x80,
    };
    QString text;
    uint8_t flags = 0;
};

// Main-window name of a radio type: "Telemetry", "Repeater Input",
// "Repeater Output", "Data", "PMR" or "Unknown".
QString RadioTypeName(int radioType, int repeaterFlags);

// Radio Summary name of a radio type: as the main window's, except that
// unknown types read "Unknown radio type" and ql4100p names a stunned
// radio (type 12) "Stunned radio".
QString RadioSummaryTypeName(Deliverable deliverable, int radioType, int repeaterFlags);

// Identity text: "QL4100" (family), variant letter (T, D or P), a blank,
// "v", major digit, ".", two minor digits, e.g. "QL4100P v3.01". These
// programs talk only to radios whose identity begins with "QL4100".
bool IsSupportedIdent(const QString& ident);
// The program whose rules suit the radio: ql4100p for variant letter P,
// ql4100 for every other.
Deliverable DeliverableForIdent(const QString& ident);
// Major from character 10, minor from characters 12-13; a part that is
// missing or not a decimal number gives 0.
void ParseFirmwareVersion(const QString& ident, int& major, int& minor);

// Whether the radio's firmware suits an image of the given radio type:
// ql4100 takes QL4100T firmware for type 0 and QL4100D for type 1, ql4100p
// QL4100P for type 2; anything else is a mismatch.
bool FirmwareMatchesImage(Deliverable deliverable, const QString& ident, int imageRadioType);
// The warning shown before writing an image to a radio whose firmware does
// not match it.
QString FirmwareMismatchText(const QString& ident, int imageRadioType, int imageRepeaterFlags = 0);

ModelRecord DecodeHardware(Deliverable deliverable, int hardwareByte);

inline bool IsVhf(const ModelRecord& m) { return (m.flags & ModelRecord::Vhf) != 0; }
inline bool IsLowBand(const ModelRecord& m) { return (m.flags & ModelRecord::LowBand) != 0; }
inline bool IsTwentyModel(const ModelRecord& m) { return (m.flags & ModelRecord::Twenty) != 0; }
inline bool IsNewHead(const ModelRecord& m) { return (m.flags & ModelRecord::NewHead) != 0; }
inline bool IsQl4320(const ModelRecord& m)
{
    return (m.flags & (ModelRecord::Ql43 | ModelRecord::Twenty)) == (ModelRecord::Ql43 | ModelRecord::Twenty);
}
