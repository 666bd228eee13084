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

ModelRecord DecodeHardware(Deliverable deliverable, int hardwareByte);

inline bool IsVhf(const ModelRecord& m) { return (m.flags & ModelRecord::Vhf) != 0; }
inline bool IsLowBand(const ModelRecord& m) { return (m.flags & ModelRecord::LowBand) != 0; }
inline bool IsTwentyModel(const ModelRecord& m) { return (m.flags & ModelRecord::Twenty) != 0; }
inline bool IsNewHead(const ModelRecord& m) { return (m.flags & ModelRecord::NewHead) != 0; }
inline bool IsQl4320(const ModelRecord& m)
{
    return (m.flags & (ModelRecord::Ql43 | ModelRecord::Twenty)) == (ModelRecord::Ql43 | ModelRecord::Twenty);
}
