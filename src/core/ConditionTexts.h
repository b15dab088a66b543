// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts that describe an expense condition: the list entries, the period and
// time descriptions, amounts, and the lines of the details panel.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "core/Regional.h"
#include "store/ExpenseCondition.h"
#include "store/MainRecord.h"

namespace prandel {

// Items of the filter lists; a condition stores their indexes.
const QStringList& counterItems();     // Combo5
const QStringList& comparisonItems();  // Combo6

// "Condition 3".
QString conditionEntry(int slot);

// The period description of a condition; a weekly period (kind 7) runs from the
// minute of the week wkStart to wkEnd.
QString Load_Period(const Regional& r, int nType, int nNum, double nsDate, double neDate, int wkStart = 0,
                    int wkEnd = 0);
QString Load_Time(const Regional& r, int nType, double nsDate, double neDate);

// An amount as shown: the number's text with two decimals (core/Notation.h) and the
// tracker's decimal commas when main has them on.
QString amountText(const Regional& r, const store::MainRecord& main, double amount);
// main's currency label trimmed, a blank, and the amount text.
QString money(const Regional& r, const store::MainRecord& main, double amount);

// The details panel: up to twelve label captions, by label index; a label without
// a caption is hidden. main gives the currency, the decimal commas and the default
// call time.
using DetailLines = std::array<std::optional<QString>, 12>;
DetailLines describeCondition(const Regional& r, const store::MainRecord& main, const store::ExpenseCondition& c);

}  // namespace prandel
