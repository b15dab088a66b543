// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers and times as people type and read them in the windows: the tracker's decimal
// commas, amounts with their two decimals, durations typed as mm:ss. Plain values in,
// a text out; the regional settings are only read.
#include <QString>

#include "core/Regional.h"

namespace prandel {

// With the tracker's decimal commas on (MainRecord's CommaDecimal): "," becomes the
// locale's decimal sign. Off, the text is returned as it is.
QString commaToDecimal(const Regional& r, bool commaDecimal, const QString& text);
// With the tracker's decimal commas on: the locale's decimal sign becomes ",".
QString decimalToComma(const Regional& r, bool commaDecimal, const QString& text);

// A number given as text with two decimals where it has none, one or two, in the
// locale's notation: "5" -> "5.00", "12.5" -> "12.50"; "0.125" and "125" stay as they are.
QString formatDNum(const Regional& r, const QString& text);

// "5:30" -> "00:5:30", "12:45" -> "00:12:45"; other lengths unchanged.
QString FixTimeText(const QString& text);

}  // namespace prandel
