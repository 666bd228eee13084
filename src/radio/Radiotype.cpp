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

QString RadioSummaryTypeName(Deliverable deliverable, int radioType, int repeaterFlags)
{
    using namespace RadioIdent;
    switch (radioType) {
    case kTypeTelemetry:
    case kTypeData:
    case kTypePmr: return RadioTypeName(radioType, repeaterFlags);
    case kTypeStunned:
        if (deliverable == Deliverable::Pmr)
            return QStringLiteral("Stunned radio");
        break;
    default: break;
    }
    return QStringLiteral("Unknown radio type");
}

bool IsSupportedIdent(const QString& ident)
{
    return ident.left(6) == QLatin1String("QL4100");
}

Deliverable DeliverableForIdent(const QString& ident)
{
    return ident.mid(6, 1) == QLatin1String("P") ? Deliverable::Pmr : Deliverable::Telemetry;
}

namespace {

// Decimal value of characters [first, first + count) (1-based) of text; 0
// when that part is missing or holds anything but digits.
int NumberAt(const QString& text, int first, int count)
{
    const QString part = text.mid(first - 1, count);
    if (part.isEmpty())
        return 0;
    int value = 0;
    for (QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// Firmware an image of this radio type needs; empty for other types.
QString RequiredFirmware(int imageRadioType)
{
    using namespace RadioIdent;
    switch (imageRadioType) {
    case kTypeTelemetry: return QStringLiteral("QL4100T");
    case kTypeData: return QStringLiteral("QL4100D");
    case kTypePmr: return QStringLiteral("QL4100P");
    default: return QString();
    }
}

} // namespace

void ParseFirmwareVersion(const QString& ident, int& major, int& minor)
{
    major = NumberAt(ident, 10, 1);
    minor = NumberAt(ident, 12, 2);
}

bool FirmwareMatchesImage(Deliverable deliverable, const QString& ident, int imageRadioType)
{
    using namespace RadioIdent;
    const bool ours = deliverable == Deliverable::Pmr
                          ? imageRadioType == kTypePmr
                          : (imageRadioType == kTypeTelemetry || imageRadioType == kTypeData);
    return ours && ident.left(7) == RequiredFirmware(imageRadioType);
}

QString FirmwareMismatchText(const QString& ident, int imageRadioType, int imageRepeaterFlags)
{
    const QString firmware = ident.left(7);
    QString required = RequiredFirmware(imageRadioType);
    if (required.isEmpty())
        required = firmware;
    return QStringLiteral("Radio type does not match firmware ") + firmware + QStringLiteral(".\n")
           + RadioTypeName(imageRadioType, imageRepeaterFlags) + QStringLiteral(" radio requires firmware ") + required
           + QStringLiteral(".\n") + QStringLiteral("\nContinue?");
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
