#include "Radiotype.h"

QString RadioTypeName(int radioType, int repeaterFlags)
{
    using namespace RadioIdent;
    switch (radioType) {
    case kTypeTelemetry:
        if ((repeaterFlags & kRepeaterBit) == 0)
            return QStringLiteral("Telemetry");
        return (repeaterFlags & kRepeaterInputBit) ? QStringLiteral("Repeater Input")
                                                   : QStringLiteral("Repeater Output");
    case kTypeData: return QStringLiteral("Data");
    case kTypePmr: return QStringLiteral("PMR");
    default: return QStringLiteral("Unknown");
    }
}

ModelRecord DecodeHardware(Deliverable deliverable, int hardwareByte)
{
    const int h = hardwareByte & 0xFF;
    const bool pmr = deliverable == Deliverable::Pmr;
    ModelRecord m;
    if (h & 0x01) {
        m.text = QStringLiteral("QL43");
        m.flags |= ModelRecord::Ql43;
    } else {
        m.text = QStringLiteral("QL41");
    }
    if (h & 0x02)
        m.flags |= ModelRecord::Bit02;

    if ((h & 0x40) == 0) {
        m.text += QStringLiteral("20U");
        m.flags |= ModelRecord::Twenty;
    } else if ((h & 0x20) == 0) {
        m.text += QStringLiteral("20V");
        m.flags |= ModelRecord::Vhf | ModelRecord::Twenty;
    } else if (h & 0x10) {
        m.text += QStringLiteral("00");
    } else {
        m.text += pmr ? QStringLiteral("00 Mod1") : QStringLiteral("00 [mod1]");
        m.flags |= ModelRecord::Mod1;
    }

    const bool narrow = (h & 0x0C) == 0x0C;
    if (narrow)
        m.flags |= ModelRecord::LowBand;

    if (pmr) {
        if (m.flags & ModelRecord::Vhf)
            m.text += narrow ? QStringLiteral(" (60-80MHz)") : QStringLiteral(" (136-174MHz)");
        else
            m.text += narrow ? QStringLiteral(" (403-477MHz)") : QStringLiteral(" (450-520MHz)");
        if (h & 0x80) {
            m.text += QStringLiteral(" (old hd)");
        } else {
            m.text += QStringLiteral(" (new hd)");
            m.flags |= ModelRecord::NewHead;
        }
    }
    // The longest text ("QL4100 Mod1 (450-520MHz) (old hd)", 33 characters)
    // is kept whole rather than cut at a fixed buffer length.
    return m;
}
