#!/usr/bin/env python3
"""Build def41p.mem, the factory default programming file of the QL4100P
PMR dealer programmer.

The file is a straight copy of the radio's configuration EEPROM: byte n of
the file is EEPROM address n, with no header or checksum. Multi-byte values
are little-endian (low byte at the lower address) unless a field says
otherwise.

Layout: the short layout, 2048 bytes (99 channels, 5-character names, 40
selcall memories). Every radio of the family understands it, whatever its
firmware; the programmer opens a 2048-byte file with "Enable F/W version 3
features" unchecked, and the dealer switches to the extended layout only for
a QL4120/QL4320 with version 3 firmware.

The radio is a QL4120 UHF radio of the 403-477 MHz band (hardware byte
0x0C, decoded by the programmer as "QL4120U (403-477MHz) (new hd)").

Every address that no settings screen uses stays at the erased value 0xFF.
Where the radio's documentation of a field does not fix a factory value, the
conservative choice is taken (feature off, mid-range or middle timing) and
the comment says so.

Run:  python3 make_def41p.py      (writes def41p.mem next to this script)
"""

import os
import sys

IMAGE_SIZE = 2048
ERASED = 0xFF

image = bytearray([ERASED] * IMAGE_SIZE)


def put(addr, value):
    """One byte."""
    if not 0 <= value <= 0xFF:
        raise ValueError(f"byte value {value} out of range at {addr}")
    image[addr] = value


def put_word(addr, value):
    """16-bit value, low byte first."""
    if not 0 <= value <= 0xFFFF:
        raise ValueError(f"word value {value} out of range at {addr}")
    image[addr] = value & 0xFF
    image[addr + 1] = value >> 8


def put_zeros(first, last):
    """Addresses first..last (inclusive) set to 0x00."""
    for addr in range(first, last + 1):
        image[addr] = 0x00


def put_text(addr, text, length, pad):
    """ASCII text in a fixed field, padded with the byte pad."""
    raw = text.encode("ascii")
    if len(raw) > length:
        raise ValueError(f"text {text!r} longer than {length} at {addr}")
    image[addr:addr + length] = raw + bytes([pad]) * (length - len(raw))


def bits(*numbers):
    """Byte with the given bit numbers set (bit 0 = least significant)."""
    value = 0
    for n in numbers:
        value |= 1 << n
    return value


# ---------------------------------------------------------------------------
# 0..47  Factory calibration area.
# Written at the factory by alignment; a configuration write sends only 41
# and 42 of it. These are starting points for an offline alignment, the
# same as the telemetry radio's factory file: mid-scale DAC/pot values, the
# documented defaults where there is one.
# ---------------------------------------------------------------------------

# 0, 1: not used by the alignment screens; left erased.
put(2, 0x00)            # test flags (TX low power bit 0, mute open bit 1): off

put(3, 35)              # SQL-1 mute open noise level (operating range 0..70)
put(4, 40)              # SQL-1 mute close level, a little above open (hysteresis)
put(5, 35)              # SQL-2 mute open level
put(6, 128)             # modulation: mid-scale
put(7, 35)              # SQL-3 mute open level
put(8, 128)             # modulation balance: mid-scale
put(9, 64)              # S-meter S1 point
put(10, 192)            # S-meter S9+ point

# 11..14: low power drive at the four alignment frequencies; 15..18: high
# power drive at the same points.
for addr in range(11, 15):
    put(addr, 96)
for addr in range(15, 19):
    put(addr, 160)

put(19, 128)            # PLL reference crystal trim: mid-scale
put(20, 100)            # temperature compensation gain, %: always 100
put(21, 128)            # 6.25 kHz offset trim: mid-scale
# 22: not used; left erased.
put(23, 0)              # receiver reference offset, signed -15..15: 0

# 24..39: receiver front-end tuning, four columns at each of the four
# alignment frequencies: mid-scale.
for addr in range(24, 40):
    put(addr, 128)

# 40: hardware (chassis) byte.  Bit 0 clear: QL41 chassis (not QL43).
# Bit 1 clear: fastlock fitted.  Bits 2 and 3 set: low band, 403-477 MHz.
# Bit 4 clear, bit 5 clear, bit 6 clear: a "20" UHF model (QL4120U).
# Bit 7 clear: new head hardware.  Decoded: "QL4120U (403-477MHz) (new hd)".
# A write to a radio replaces it with the radio's own byte.
put(40, 0x0C)

# 41: bits 0..1 P1 baud rate 1 = 9600 bit/s; bit 6 call logging: off.
put(41, 0x01)
# 42: bits 0..1 P2 baud rate 1 = 9600 bit/s; bit 3 set (inverted): vehicle
# tracking off.
put(42, 0x09)
# 43..47: not used; left erased.

# ---------------------------------------------------------------------------
# 48..92  Radio type, timers and the option flag bytes.
# ---------------------------------------------------------------------------

put(48, 5)              # RSSI vote link establish time, 10 ms units: 50 ms
put(49, 10)             # selcall alert (beep) duration: 10 s
put(50, 2)              # radio type: 2 = PMR radio

put(51, 5)              # mute open debounce, 10 ms units: 50 ms
put(52, 0x00)           # microphone hook actions (monitor, hold scan, ...): none
put(53, 10)             # minimum unmute time, 10 ms units: 100 ms
put(54, 60)             # transmit time-out: 60 s (enabled by 70 bit 0)
put(55, 10)             # switch-on delay before EEPROM writes, 0.1 s units: 1.0 s
put(56, 10)             # delay before transmit RF power: 10 ms
put(57, 50)             # audio IC power-down delay, 10 ms units: 500 ms (feature off)
put(58, 10)             # beep delay, 10 ms units: 100 ms
put(59, 25)             # time before power save, fifths of a second: 5 s (power save off)
put(60, 30)             # power save: time to look for busy: 30 ms
put(61, 50)             # power save: time in power save, 10 ms units: 500 ms
put(62, 25)             # emergency CTCSS tone: 25 = none
put(63, 10)             # power save: receiver power-up time: 10 ms

# Alarm-out timing, the programmer's "standard" setting: on 300 ms, off
# 1700 ms, 5 pulses (stored as pulses x 2).
put_word(64, 3)
put_word(66, 17)
put(68, 10)

put(69, 10)             # power save: PLL power-up time: 10 ms

# 70: bit 0 transmit time-out enabled; bit 2 S-meter enabled; bit 4 squelch
# preset SQL-1.  Off: bit 1 temperature tracking (debug), bit 3 power save,
# bit 5 other presets, bit 6 audio IC power-down, bit 7 S-meter dB linear.
put(70, bits(0, 2, 4))

# 71: bit 0 MAX202 fitted; bit 2 key press beeps.  Off: bit 1 MK730 key
# remapping, bit 3 Australian CB channels, bit 5 debug display, bit 6
# monitor button unmutes, bit 7 external control on DO6..DO8.
put(71, bits(0, 2))

# 72: switch-on options (clear scan, clear quiet, recall M1, squelch closed)
# off; quiet, scan and recall memories not user-modifiable; no slow beeps.
put(72, 0x00)

# 73: bit 0 subtone operation enabled (per-channel subtones take effect
# when set on a channel).  Off: RPK, silent tail, busy lockout, narrow-band
# subtone, busy lockout override, subtone on selcall, longer de-response.
put(73, bits(0))

# 74: scan key, no toggle key, open scan mode -> bits 0..2 = 0, 1, 0.  Bit 3
# ring tone off; bits 4..7 auxiliary PTT input and busy output off.
put(74, bits(1))

# 75: selcall receiver and transmitter off, with all their options.
put(75, 0x00)
# 76: no group calls sent or accepted, no PTT ANI, page off.
put(76, 0x00)
# 77: no ANI on page, no re-enter quiet, no unmute on selcall, audio IC
# stays powered when muted, digital IDs not right-aligned, "Call to
# QuickEdit" off, own ident and call memories not user-modifiable.
put(77, 0x00)
# 78: bit 0 clear (inverted): audio muted while a selcall is received.  No
# 3rd-tone reset, no busy lockout on page or alarm, alarm in off, no
# transmit on hold channel, no alarm out for group calls.
put(78, 0x00)
# 79: bit 1 set (inverted): no alarm out for individual calls.  CB options
# (bits 0, 2, 3, 4), F1-F4 fast response and DI1-DI4 as F1-F4 off, no alert
# tones for group calls.
put(79, bits(1))

put(80, 0)              # Call button function: 0 = disabled
put(81, 8)              # group channel ignore time, quarter seconds: 2 s
put(82, 5)              # group channel hold time: 5 s
put(83, 30)             # forced re-vote time: 30 s
put(84, 10)             # scan speed, 10 ms units: 100 ms per channel (medium)
put(85, 5)              # priority check: every 5 channels
put(86, 20)             # selcall lead-in delay, 10 ms units: 200 ms
put(87, 0)              # alarm-in lead delay: 0 ms
put(88, 255)            # page / alarm channel: 255 = current channel

# 89..92: recall channels M1..M4 = channels 1..4 (stored as channel - 1).
for m in range(4):
    put(89 + m, m)

# ---------------------------------------------------------------------------
# 93..131  Australian CB options (CB channels disabled, 71 bit 3 clear).
# ---------------------------------------------------------------------------

put(93, 50)             # CB receive subtone: 50 = off
put(94, 50)             # CB transmit subtone: 50 = off
# 95..115: CB duplex, open scan, group scan, quiet and subtone memories for
# CB channels 1..40: empty.
put_zeros(95, 115)

# 116..126: code word, 11 characters padded with spaces; the radio shows
# the first five at power on.
put_text(116, "ZYN", 11, 0x20)

put_zeros(127, 131)     # CB subtone memory, CB channels 41..80: empty
put(132, 127)           # subtone level: 127 = 100 %

# ---------------------------------------------------------------------------
# 133..184  Selcall timing, user buttons, DTMF memories, own ident.
# ---------------------------------------------------------------------------

put(133, 0)             # lead-in delay for ANI: 0 ms
put(134, 0)             # pause predictive / non-predictive: 0 ms
put(135, 5)             # tones to display: 5
put(136, 0x55)          # tones predictive (high half) 5, non-predictive (low half) 5
put(137, 100)           # tone period: 100 ms (CCIR)
# 138: not used; left erased.
put(139, 0)             # page selcall transmissions: value + 1 = 1
put(140, 0)             # alarm-in selcall transmissions: 1

# 141..146: buttons A, B, F1..F4: A = 2 monitor, B = 5 scan, F1..F4 disabled.
for addr, function in zip(range(141, 147), (2, 5, 0, 0, 0, 0)):
    put(addr, function)

# 147..170: four DTMF memories, 6 bytes each, two tones per byte: empty.
# A first half byte of 15 ends the string, so the erased 0xFF reads empty.

# 171, 172 bits 0..3: DTMF tone period, 12 bits of milliseconds: 100 ms.
# 172 bits 4..7: selcall tone set 0 = CCIR.
put(171, 100)
put(172, 0x00)

# 173..179: selcall speed-dial memory of buttons A, B, F1..F4, Call: M1.
for addr in range(173, 180):
    put(addr, 0)

put(180, 0x00)          # command-call prefix (fleet ID): 00
# 181..184: the radio's own selcall ident, 8 tone digits two per byte (high
# half first); the first 5 (the predictive count) are used: 12345.
for addr, value in zip(range(181, 185), (0x12, 0x34, 0x50, 0x00)):
    put(addr, value)

# 185..544: selcall memories 1..40, 9 bytes each (4 ident bytes, 5-character
# alpha tag with the command flag in bit 7 of its first byte): empty, left
# erased (an erased ident reads 00000000, an erased tag reads blank and
# carries no command flag).

# ---------------------------------------------------------------------------
# 545..2047  Channels.
# ---------------------------------------------------------------------------

HIDDEN_BASE = 545       # hidden channels 100..124, 8 bytes each
NAME_BASE = 745         # name slots 0..99, 5 characters each
CH_BASE = 1247          # channels 1..99, 8 bytes each
STEP = 12500            # UHF frequency code unit, Hz
HALF_STEP = 6250
NO_SUBTONE = 50

# Flag byte A (record byte 6).
A_ENABLED = 0x01        # selectable with the channel knob
A_TX_HALF = 0x80        # transmit frequency is 6.25 kHz above its code
# Flag byte B (record byte 7).
B_OPEN_SCAN = 0x01      # in the open scan memory
B_NARROW = 0x10         # 12.5 kHz channel spacing
B_RX_HALF = 0x80        # receive frequency is 6.25 kHz above its code

# Free channel records, the hidden channels and their names hold zeros, as a
# cleared channel does: a record is offered as free only with flag A bit 0
# clear and a receive code of 0, which an erased 0xFF record is not.
put_zeros(HIDDEN_BASE, HIDDEN_BASE + 25 * 8 - 1)
put_zeros(NAME_BASE, NAME_BASE + 100 * 5 - 1)   # slot 99 is also CB quiet 41..80
put_zeros(CH_BASE, CH_BASE + 99 * 8 - 1)
# 1245, 1246: CB duplex memory 41..48 and group scan 73..80: empty.
put_zeros(1245, 1246)
# 2039..2047: CB open scan 41..80 and group scan 41..72: empty.
put_zeros(2039, 2047)


def uhf_code(freq_hz):
    """UHF frequency -> (16-bit code, 6.25 kHz flag)."""
    if freq_hz % HALF_STEP:
        raise ValueError(f"{freq_hz} Hz is not on the 6.25 kHz raster")
    if not 403_000_000 <= freq_hz <= 477_000_000:
        raise ValueError(f"{freq_hz} Hz is outside the radio's 403-477 MHz band")
    code, rest = divmod(freq_hz, STEP)
    return code, bool(rest)


def put_channel(n, name, tx_mhz, rx_mhz):
    """Normal channel n (1..99): narrow band, no subtones, in open scan."""
    tx_code, tx_half = uhf_code(round(tx_mhz * 1_000_000))
    rx_code, rx_half = uhf_code(round(rx_mhz * 1_000_000))
    base = CH_BASE + 8 * (n - 1)
    put_word(base + 0, tx_code)
    put_word(base + 2, rx_code)
    put(base + 4, NO_SUBTONE)       # transmit subtone
    put(base + 5, NO_SUBTONE)       # receive subtone
    # Flag A: knob-selectable; no talk-around, busy lockout, low power or
    # voting subtone.
    put(base + 6, A_ENABLED | (A_TX_HALF if tx_half else 0))
    # Flag B: open scan, narrow band; not in group scan or quiet memories,
    # no squelch switch, warm start or digital selcall.
    put(base + 7, B_OPEN_SCAN | B_NARROW | (B_RX_HALF if rx_half else 0))
    # Name: up to 5 characters, 0x00 after the end.
    put_text(NAME_BASE + 5 * (n - 1), name, 5, 0x00)


put_channel(1, "BASE", 450.10000, 450.10000)    # simplex
put_channel(2, "YARD", 451.30625, 451.30625)    # simplex on a 6.25 kHz offset
put_channel(3, "SITE", 455.25000, 455.25000)    # simplex
put_channel(4, "RPT1", 460.52500, 470.52500)    # repeater pair, 10 MHz split

# ---------------------------------------------------------------------------

assert len(image) == IMAGE_SIZE

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "def41p.mem")
with open(out, "wb") as f:
    f.write(image)
print(f"wrote {out} ({len(image)} bytes)", file=sys.stderr)
