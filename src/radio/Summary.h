#pragma once

#include "platform/Deliverable.h"
#include "radio/Radiotype.h"

#include <QString>

class TRadio;

// What the connected radio says about itself: its identity and, for a
// QL4100 family radio, the radio type (50), repeater flags (78) and hardware
// byte (40), each read on its own outside any programming session. The
// Radio Summary window and the command-line programmer's ident show these.
struct RadioSummary {
    bool answered = false;  // the radio gave its identity
    bool supported = false; // ... and it is a QL4100 family radio
    QString ident;
    // A byte the radio did not give keeps the value it had before.
    int radioType = 0;
    int repeaterFlags = 0;
    int hardware = 0;
    ModelRecord model;

    // Asks the radio. ql4100p starts from hardware byte 0 on every query.
    // A radio that does not answer clears identity, type, flags and model:
    // nothing of a radio that has gone is handed on as if it were the one
    // connected now.
    void Query(Deliverable deliverable, TRadio& radio);

    // The window's radio type line.
    QString TypeText(Deliverable deliverable) const;
    // The window's model line: ql4100 adds the band ("VHF"/"UHF") and
    // "LOWBAND" to the model name.
    QString ModelText(Deliverable deliverable) const;
};

// Model line of a hardware byte, as the Radio Summary shows it.
QString HardwareSummaryText(Deliverable deliverable, int hardwareByte);

class Win32Port;

// One step of the port scan: opens the device and asks for the identity,
// with the program's pauses (ql4100p waits once; ql4100 waits, sends one
// query whose answer it ignores, and waits again). True when a QL4100
// family radio answered: the port then stays open and ident holds the
// answer; otherwise the port is closed.
bool ProbeForRadio(Deliverable deliverable, Win32Port& port, TRadio& radio, const QString& devicePath,
                   QString& ident);
