#include "Summary.h"

#include "link/Win32port.h"
#include "platform/Event.h"
#include "radio/Radio.h"

void RadioSummary::Query(Deliverable deliverable, TRadio& radio)
{
    using namespace RadioIdent;
    if (deliverable == Deliverable::Pmr)
        hardware = 0;
    answered = radio.GetIdent(ident);
    if (!answered) {
        supported = false;
        ident.clear();
        radioType = -1;
        repeaterFlags = 0;
        model = ModelRecord();
        return;
    }
    supported = IsSupportedIdent(ident);
    if (!supported)
        return;
    radio.ReadByte(kRadioTypeAddress, radioType);
    radio.ReadByte(kModeAddress, repeaterFlags);
    radio.ReadByte(kHardwareAddress, hardware);
    model = DecodeHardware(deliverable, hardware);
}

QString RadioSummary::TypeText(Deliverable deliverable) const
{
    return RadioSummaryTypeName(deliverable, radioType, repeaterFlags);
}

QString RadioSummary::ModelText(Deliverable deliverable) const
{
    return HardwareSummaryText(deliverable, hardware);
}

QString HardwareSummaryText(Deliverable deliverable, int hardwareByte)
{
    const ModelRecord model = DecodeHardware(deliverable, hardwareByte);
    if (deliverable == Deliverable::Pmr)
        return model.text;
    QString text = model.text + (IsVhf(model) ? QStringLiteral(" VHF") : QStringLiteral(" UHF"));
    if ((hardwareByte & 0x0C) != 0)
        text += QStringLiteral(" LOWBAND");
    return text;
}

namespace {
constexpr int kPmrSettleMs = 100;
constexpr int kTelemetrySettleMs = 150;
constexpr int kTelemetryAfterProbeMs = 50;
} // namespace

bool ProbeForRadio(Deliverable deliverable, Win32Port& port, TRadio& radio, const QString& devicePath,
                   QString& ident)
{
    port.Close();
    if (devicePath.isEmpty() || !port.OpenDevice(devicePath))
        return false;

    const Event pause; // never set: its timed waits are the pauses
    bool answered;
    if (deliverable == Deliverable::Pmr) {
        pause.Wait(kPmrSettleMs);
        answered = radio.GetIdent(ident);
    } else {
        pause.Wait(kTelemetrySettleMs);
        radio.ProbeIdent();
        pause.Wait(kTelemetryAfterProbeMs);
        answered = radio.GetIdent(ident);
    }
    if (answered && IsSupportedIdent(ident))
        return true;

    port.FlushReceive();
    port.Close();
    return false;
}
