#!/usr/bin/env python3
"""Build def41t.mem, the factory default programming file of the QL4100T
telemetry programmer.

The file is a straight copy of the radio's 2048-byte configuration EEPROM:
byte n of the file is EEPROM address n, with no header or checksum.
Multi-byte values are little-endian (low byte at the lower address) unless a
field says otherwise.

Every address that no settings screen uses stays at the erased value 0xFF.
Where the radio's documentation of a field does not fix a factory value, the
conservative choice is taken (feature off, mid-range or middle timing) and
the comment says so.

Run:  python3 make_def41t.py      (writes def41t.mem next to this script)
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


def put_dotted(addr, a, b):
    """Network address A.B, stored as a word with A in the high byte."""
    put_word(addr, (a << 8) | b)


def bits(*numbers):
    """Byte with the given bit numbers set (bit 0 = least significant)."""
    value = 0
    for n in numbers:
        value |= 1 << n
    return value


# ---------------------------------------------------------------------------
# 0..47  Factory calibration area.
# Written at the factory by alignment and never sent to the radio by a normal
# configuration write, so these are only starting points for an offline
# alignment: mid-scale settings for the DAC/pot values, the documented
# defaults where there is one.
# ---------------------------------------------------------------------------

# 0, 1: not used by the alignment screens; left erased.
put(2, 0x00)            # test flags (TX low power bit 0, mute open bit 1): off

put(3, 35)              # SQL-1 mute open noise level (operating range 0..70)
put(4, 40)              # SQL-1 mute close level, a little above open (hysteresis)
put(5, 35)              # SQL-2 mute open level
put(6, 128)             # modulation (only adjustable on the QL4320): mid-scale
put(7, 35)              # SQL-3 mute open level
put(8, 128)             # modulation balance: mid-scale
put(9, 64)              # S-meter S1 point (RSSI reading at -122 dBm)
put(10, 192)            # S-meter S9+ point (RSSI reading at -85 dBm)

# 11..14: 1 W (low power) drive at the four alignment frequencies
# 450, 470, 500, 520 MHz; 15..18: 5 W (high power) drive at the same points.
for addr in range(11, 15):
    put(addr, 96)
for addr in range(15, 19):
    put(addr, 160)

put(19, 128)            # PLL reference crystal trim: mid-scale
put(20, 100)            # temperature compensation gain, %: always 100
put(21, 128)            # 6.25 kHz offset trim: mid-scale
# 22: not used; left erased.
put(23, 0)              # receiver reference offset, signed -15..15: 0

# 24..39: receiver front-end tuning, four values (notch, T1, T2, T3) at each
# of the four alignment frequencies: mid-scale.
for addr in range(24, 40):
    put(addr, 128)

# 40: hardware (chassis) byte.  Bits 0..3 are active-high, bits 4..7
# active-low.  0xF0 = QL41 chassis (bit 0 clear), fastlock fitted (bit 1
# clear), 450-520 MHz band (bits 2, 3 clear), not a QL4110 (bit 4 set), not a
# QL4320V/U (bits 5, 6 set), bit 7 unused (inactive).  The programmer decodes
# it as model "QL4100", a UHF radio, not low band ("QL4100 UHF" in the radio
# summary).  A write to a radio always replaces it with the radio's own byte.
put(40, 0xF0)
# 41..47: not used by this radio; left erased.

# 48, 49: not used; left erased.

# ---------------------------------------------------------------------------
# 50..79  Radio type, general options and flag bytes.
# ---------------------------------------------------------------------------

put(50, 0)              # radio type: 0 = telemetry family (telemetry/repeater)

# Squelch mute timing, 10 ms units.
put(51, 5)              # mute open debounce: 50 ms
put(52, 10)             # mute close debounce: 100 ms
put(53, 10)             # minimum unmute time: 100 ms

put(54, 255)            # transmit time-out: 255, the value a telemetry radio uses

# Engineering timing.
put(55, 10)             # switch-on delay before EEPROM writes, 0.1 s units: 1.0 s
put(56, 10)             # delay before transmit RF power, ms: 10 ms
put(57, 50)             # audio IC power-down delay, 10 ms units: 500 ms (feature off)
put(58, 10)             # beep delay, 10 ms units: 100 ms
put(59, 50)             # power save: time before power save, 10 ms units: 500 ms
put(60, 30)             # power save: time to look for busy, ms: 30 ms
put(61, 50)             # power save: time in power save, 10 ms units: 500 ms
# 62: not used; left erased.
put(63, 10)             # power save: receiver power-up time, ms: 10 ms

# Base unit external alarm output, 100 ms units.
put_word(64, 10)        # alarm output ON time: 1 s
put_word(66, 10)        # alarm output OFF time: 1 s
put(68, 10)             # alarm output repeats, stored as count x 2: 5 cycles

put(69, 10)             # power save: PLL power-up time, ms: 10 ms

# Option flags.  Bit 0 transmit time-out (repeater only): off.  Bit 1
# temperature tracking every second (a test/debug option): off.  Bit 3 power
# save: off (it needs the telemetry lead-in delay, also off).  Bits 4/5
# squelch preset: bit 4 = use SQL-1.  Bit 6 audio IC power-down: off.  Bit 7
# no head display updates: off.  Bit 2 has no documented use: 0.
put(70, bits(4))

# Bit 0: telemetry (selcall) interrogation enabled, as every telemetry radio
# has it.  Other bits unused here: 0.
put(71, bits(0))

# Hardware options.  Bit 0 MAX202 not fitted: no (fitted).  Bit 1 set =
# standard PCB, not the high-speed version.  Bit 3 aux busy on audio
# traffic: always set on a telemetry radio.  Bits 4..7 aux PTT input and aux
# busy output, with their polarities: off.  Bit 2 undocumented: 0.
put(72, bits(1, 3))

# CTCSS options.  Bit 0 CTCSS operation: off (it upsets telemetry timing),
# and with it RPK (bit 1), busy lockout override (bit 2) and narrow-band
# CTCSS (bit 4).  Bit 3 radio-wide busy lockout: off.
put(73, 0x00)

# 74: not used by this radio; left erased.

# Telemetry flags.  Bit 0 lead-in delay, bit 1 lead-in tone, bit 2 audible
# beep alert on the base, bit 3 selcall lead-out delay: all off.
put(75, 0x00)

# Bit 0 squelch tail (repeater): off.  Bits 1/2 group calls: accept none.
put(76, 0x00)

# Bit 1 beep alert mode: fast beep for 10 seconds only.  Bit 7 disable the
# audio amplifier: no.
put(77, bits(1))

# Mode byte.  Bits 0/2 = 0: remote unit.  Bit 1 store-and-forward repeater:
# off.  Bit 3 clear: a telemetry radio, not a repeater.  Bit 4 telemetry busy
# lockout: off.  Bits 5..7 (repeater input, report channel, key up on PTT):
# repeater only, 0.
put(78, 0x00)

# Repeater flags (station ID, remote switching, voice ID, short 5-tone
# commands): all off on a telemetry radio.
put(79, 0x00)

# ---------------------------------------------------------------------------
# 80..121  Telemetry inputs, timing and idents.
# ---------------------------------------------------------------------------

for n in range(1, 9):
    # Input n setting byte: trigger not enabled (bit 5 clear, no edges),
    # digital, not inverted.  Inputs are enabled when they are wired up.
    put(79 + n, 0x00)
    # Trigger level: 127 of 255, i.e. 50 % of full scale.
    put(87 + n, 127)
    # Trigger averaging time, seconds: 0 = immediate.
    put(95 + n, 0)

# System timing, 10 ms units (lead-in delay off, so stored as shown).
put(104, 20)            # base respond-to-command delay: 200 ms
put(105, 50)            # base/remote ignore further commands: 500 ms
put(106, 20)            # remote respond-to-command delay: 200 ms
put(107, 3)             # unanswered alarm resent: every 1 minute
put(108, 5)             # delay before resend if a selcall is in progress: 5 s
put(109, 20)            # repeater forward command delay: 200 ms
put(110, 50)            # repeater ignore further commands: 500 ms
put(111, 0x00)          # output states at first power-up: all outputs off
put(112, 50)            # lead-in delay length, 10 ms units: 500 ms (when enabled)
# 113: not used; left erased.
put(114, 127)           # CTCSS level: 127 = 100 % of nominal deviation
# 115, 116: not used; left erased.

# Idents, one decimal digit per nibble.
put(117, 0x00)          # system ID digits 1 and 2 ...
put(118, 0x0F)          # ... and digit 3 in the high nibble, low nibble F: 000
put(119, 0x01)          # this radio's ID: 01
# 120: not used; left erased.
put(121, 0x00)          # base radio ID: 00

# ---------------------------------------------------------------------------
# 130..170  Repeater settings (unused while the radio is a telemetry radio,
# but kept valid so it can be turned into a repeater).
# ---------------------------------------------------------------------------

put(130, 5)             # squelch tail length, 100 ms units: 0.5 s (tail off)
put(131, 10)            # station ID / heartbeat interval: 10 minutes
put(132, 20)            # ID / heartbeat carrier length, 100 ms units: 2.0 s
# Repeater keys: bits 0..4 of 140 enable keys 1..5; 141..145 hold each key's
# CTCSS tone index, 50 = no tone.  No keys: key 1 accepts all.
put(140, 0x00)
for addr in range(141, 146):
    put(addr, 50)
# Morse call sign, one code per character (0..9 digits, 10..35 letters,
# 0x24 blank): none set, ten blanks.
for addr in range(150, 160):
    put(addr, 0x24)
put(169, 0)             # output grouping: 1 (no outputs grouped)
put(170, 64)            # Morse level: 64 of 255 = 25 % of full deviation

# ---------------------------------------------------------------------------
# 171..239  Data radio port-2 delay, output reset times, input routing.
# ---------------------------------------------------------------------------

put(171, 0x00)          # port 2 extra RX delay after trigger char (bit 7): off, 0 ms
put(172, 0x0D)          # its trigger character: carriage return

# Output 1..8 automatic reset time, seconds x 2: 0 = never reset.
for n in range(1, 9):
    put_word(172 + 2 * n, 0)

for n in range(1, 9):
    # Input n destination.  Telemetry radio: tens and units of the
    # destination radio ID, 0 0 = the base.  Data radio: the same word is the
    # destination address 000.000.
    put(188 + 2 * n, 0)
    put(189 + 2 * n, 0)
    # Input n destination output: telemetry radio 0 = the alarm output; data
    # radio: output 1, action "set".
    put(205 + n, 0)

put_word(214, 5)        # data radio alarm output pulse if a packet fails: 5 s
for n in range(1, 9):
    put_word(214 + 2 * n, 0)    # data radio input n resend time: 0 = no resend

# Input routing: each logical input reads its own physical input.
for addr in range(232, 240):
    put(addr, 0)

# ---------------------------------------------------------------------------
# 300..402  Data radio serial ports 0, 1, 2 (blocks of 40 bytes).
# Unused bytes inside each block stay erased.
# ---------------------------------------------------------------------------

PORTS = [
    # base, type/trigger flags, serial/address flags
    # Port 0, RJ45: always a ZYN Head port (flag bit 2).
    (300, bits(2), 0x00),
    # Port 1, 10-pin: text mode with echo on.
    (340, 0x00, bits(0)),
    # Port 2, 25-pin: byte transparent (bit 0), transmit after delay (bit 4).
    (380, bits(0, 4), 0x00),
]
for base, flags_lo, flags_hi in PORTS:
    put_dotted(base + 0, 0, 0)      # port address 000.000 (set per network) ...
    put_dotted(base + 2, 0, 0)      # ... and its second copy
    put(base + 4, flags_lo)         # port type and transmit triggers
    put(base + 5, flags_hi)         # echo, Xon/Xoff, address options
    put_word(base + 6, 0)           # TX after this many characters: 0 (assumed off)
    put(base + 8, 0x0D)             # terminating character: carriage return
    put_dotted(base + 9, 255, 255)  # default "to" address: broadcast ...
    put_dotted(base + 16, 255, 255) # ... and its second copy
    put_word(base + 18, 20)         # transmit delay: 20 ms
    put(base + 20, 32)              # Xoff margin (free bytes)
    put(base + 21, 64)              # Xon margin (free bytes)
    put(base + 22, 20)              # Xoff timeout, 50 ms units: 1 s

# Ports 1 and 2 line settings: bits 0..2 baud index (5 = 9600), bit 3 seven
# data bits, bit 4 two stop bits, bits 5/6 parity: 9600 8N1.
put(355, 5)
put(395, 5)

# ---------------------------------------------------------------------------
# 405..445  Data radio raw bytes interface and modem.
# ---------------------------------------------------------------------------

put(405, 0x00)          # raw bytes mode off; no PN scrambling, RSSI or FSYNC options
put_word(406, 1)        # raw bytes: transmit after 1 byte on port 2
put(408, 0x55)          # BSYNC1 byte ...
put(409, 2)             # ... sent twice
put(410, 0xAA)          # BSYNC2 byte ...
put(411, 2)             # ... sent twice (minimum)
put_word(412, 0x0000)   # FSYNC1: 0000 = not sent
put_word(416, 0)        # over-air baud adjustment: off
# Modem flags: addressable packet type, 1200 bit/s FFSK, no checksum, resync,
# full duplex, audio suppression or multi-mode receive.
put(421, 0x00)
put(422, 0x00)
put(423, 50)            # packet retry delay, 10 ms units: 500 ms
put(424, 3)             # packet retries: 3
put_word(425, 0x2DD4)   # over-air frame sync word (must match across the network)
put(427, 50)            # link establish time: 50 ms
put_dotted(428, 0, 1)   # radio address 000.001
put_word(438, 1000)     # data TX persistence, s x 100: 10 s
put(440, 20)            # ACK delay: 20 ms
put_word(441, 0)        # watchdog: 0 = off
put_word(444, 100)      # asynchronous mode digital mute threshold

# ---------------------------------------------------------------------------
# 1245..2046  Receiver IF and channel table.
# ---------------------------------------------------------------------------

# First IF, 12.5 kHz units: 3600 = 45.0000 MHz (image at Fr - 90 MHz).
put_word(1245, 3600)

CH_BASE = 1239          # channel c (1..99) occupies 1239 + 8c .. +7
STEP = 12500            # frequency code unit, Hz
HALF_STEP = 6250


def uhf_code(freq_hz):
    """UHF frequency -> (16-bit code, 6.25 kHz extension bit)."""
    if freq_hz % HALF_STEP:
        raise ValueError(f"{freq_hz} Hz is not on the 6.25 kHz raster")
    code, rest = divmod(freq_hz, STEP)
    return code, 1 if rest else 0


def put_channel(c, tx_mhz, rx_mhz, narrow=True, tx_tone=50, rx_tone=50):
    """Channel record: TX code, RX code, TX/RX CTCSS tone (50 = off), flags."""
    tx_code, tx_ext = uhf_code(round(tx_mhz * 1_000_000))
    rx_code, rx_ext = uhf_code(round(rx_mhz * 1_000_000))
    base = CH_BASE + 8 * c
    put_word(base + 0, tx_code)
    put_word(base + 2, rx_code)
    put(base + 4, tx_tone)
    put(base + 5, rx_tone)
    # Byte 6: bit 0 busy lockout, bit 1 TX disabled, bit 2 TX +6.25 kHz,
    # bit 6 low power.  Only the extension bit is used here.
    put(base + 6, tx_ext << 2)
    # Byte 7: bit 0 in use, bit 1 CTCSS match for selcall, bit 2 RX +6.25 kHz,
    # bit 5 CPU crystal shift, bit 6 narrow band.
    put(base + 7, 0x01 | (rx_ext << 2) | (0x40 if narrow else 0))


# Unused channels (and the spare record 100) hold zeros, as a deleted
# channel does: the in-use bit must be clear, which an erased 0xFF would not be.
for addr in range(CH_BASE + 8, 2047):
    image[addr] = 0x00

# A few 12.5 kHz channels in the 450-520 MHz band, CTCSS off, high power.
put_channel(1, 460.00000, 460.00000)      # simplex
put_channel(2, 460.01250, 460.01250)      # simplex
put_channel(3, 460.50625, 460.50625)      # simplex on a 6.25 kHz offset
put_channel(4, 455.02500, 465.02500)      # duplex pair, 10 MHz split

# 2047: not used; left erased.

# ---------------------------------------------------------------------------

assert len(image) == IMAGE_SIZE

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "def41t.mem")
with open(out, "wb") as f:
    f.write(image)
print(f"wrote {out} ({len(image)} bytes)", file=sys.stderr)
