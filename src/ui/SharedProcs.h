// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Procedures every editor shares: starting a sibling program, filtering keys of
// numeric, date and time fields, tidying amounts, and the tracker's comma notation,
// each with the editor state's separators worked out afresh. The conversions
// themselves are core's, on plain values (core/Notation.h).
#include <QString>
#include <cstdint>

#include "core/Notation.h"

namespace prandel {

namespace ui {
class EditorState;
}

// Kinds of KeyFilter.
namespace keykind {
inline constexpr int TimeAmPm = 1;
inline constexpr int Duration = 2;
inline constexpr int Date = 3;
inline constexpr int Amount = 4;
inline constexpr int Amount2 = 5;
inline constexpr int Whole = 6;
}  // namespace keykind

inline constexpr int kRejectedKey = 1;  // the code of a key that must insert nothing
inline constexpr int kBackspace = 8;

// Sets the editor state's separators from the locale.
void refreshSeparators(ui::EditorState& s);

// Whether the typed character keyAscii may enter a field of the given kind whose
// current text is text: the key itself when accepted, kRejectedKey when not.
int KeyFilter(ui::EditorState& s, int keyAscii, int kind, const QString& text);

// With the tracker's decimal commas on: "," becomes the locale's decimal sign.
QString CommaToDecimal(ui::EditorState& s, const QString& text);
// With the tracker's decimal commas on: the locale's decimal sign becomes ",".
QString DecimalToComma(ui::EditorState& s, const QString& text);
// A number given as text with two decimals where it has none, one or two.
QString FormatDNum(ui::EditorState& s, const QString& text);

// Starts a sibling program by code: 0, 1000, ..., 6000 start zkapp1 .. zkapp7;
// any other code is first written into the link record as a request, then zkapp1
// is started. Failures are silent.
void RunApp(ui::EditorState& s, std::int16_t code, bool wait);

}  // namespace prandel
