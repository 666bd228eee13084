#pragma once

#include <QString>

// Subtone codes of a channel record (bytes 4 and 5):
//   0..49    CTCSS tones 1..50
//   50       no subtone
//   51..154  DCS codes 0..103
//   155..255 invalid
// The subtone drop-down lists show them in another order: "OFF" first, then
// the 50 CTCSS tones, then the DCS codes (the list position).

constexpr int kCtcssToneCount = 50;
constexpr int kDcsCodeCount = 104;

constexpr int kSubtoneFirstCtcss = 0;
constexpr int kSubtoneOff = 50;
constexpr int kSubtoneFirstDcs = 51;
constexpr int kSubtoneLastDcs = kSubtoneFirstDcs + kDcsCodeCount - 1; // 154

// Frequency of CTCSS tone index 0..49 (tone 1..50) in tenths of a hertz
// (670 = 67.0 Hz); 0 outside the table.
int CtcssTenthsHz(int index);

// DCS code of index 0..103 as a number whose octal digits are the code's name
// (index 0 gives 023 octal); 0 outside the table.
int DcsCode(int index);

// "CTC1 - 67.0" for tone index 0; empty text outside 0..49.
QString CtcssText(int index);

// "DCS 023" for DCS index 0; empty text outside 0..103.
QString DcsText(int index);

// Text of a subtone code: the CTCSS or DCS text, "OFF" for code 50, empty
// text for an invalid code.
QString SubtoneText(int code);

// Subtone code <-> position in the subtone drop-down lists. An unknown code
// goes to position 0 ("OFF"); an unknown position to code 50 (no subtone).
int SubtoneToPosition(int code);
int PositionToSubtone(int position);
